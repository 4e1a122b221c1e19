#include "store/seasons/thumbnail_cache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QtEndian>
#include <array>
#include <cerrno>
#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace store {

int thumbnail_pixels(ThumbnailSize size) { return size == ThumbnailSize::Large ? 256 : 128; }

QByteArray thumbnail_uri(const QString& absolute_path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const QByteArray bytes = QFile::encodeName(absolute_path);
  QByteArray uri("file://");
  uri.reserve(uri.size() + bytes.size() * 3);
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    const bool safe = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                      (u < 0x80 && std::char_traits<char>::find("!$&'()*+,-./:=@_~", 17, c) != nullptr);
    if (safe) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[u >> 4];
      uri += kHex[u & 0xF];
    }
  }
  return uri;
}

QString thumbnail_file_name(const QByteArray& uri) {
  return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
         QStringLiteral(".png");
}

QString thumbnail_root() {
  QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
  if (cache.isEmpty() || !QDir::isAbsolutePath(cache)) cache = QDir::homePath() + QStringLiteral("/.cache");
  while (cache.size() > 1 && cache.endsWith(QLatin1Char('/'))) cache.chop(1);
  return cache + QStringLiteral("/thumbnails");
}

QString thumbnail_dir(const QString& root, ThumbnailSize size) {
  return root + (size == ThumbnailSize::Large ? QStringLiteral("/large") : QStringLiteral("/normal"));
}

QString thumbnail_path(const QString& root, ThumbnailSize size, const QString& absolute_path) {
  return thumbnail_dir(root, size) + QLatin1Char('/') + thumbnail_file_name(thumbnail_uri(absolute_path));
}

bool thumbnail_is_fresh(const QByteArray& stored_uri, const QString& stored_mtime, const QByteArray& uri,
                        qint64 mtime_seconds) {
  if (stored_uri != uri || stored_mtime.isEmpty()) return false;
  for (const QChar c : stored_mtime) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  }
  bool ok = false;
  const qint64 stored = stored_mtime.toLongLong(&ok);
  return ok && stored == mtime_seconds;
}

namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

quint32 crc32(QByteArrayView bytes) {
  static const auto table = [] {
    std::array<quint32, 256> t{};
    for (quint32 n = 0; n < 256; ++n) {
      quint32 c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  quint32 c = 0xFFFFFFFFU;
  for (const char b : bytes) c = table[(c ^ static_cast<quint8>(b)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFU;
}

void append_u32(QByteArray& out, quint32 v) {
  char b[4];
  qToBigEndian(v, b);
  out.append(b, 4);
}

// Makes every missing folder of the path, from the top down, readable by
// the owner only (the cache root and everything below it, and a missing
// $XDG_CACHE_HOME too). Folders already there keep their own permissions.
bool make_private_dirs(const QString& dir) {
  const QByteArray path = QFile::encodeName(QDir::cleanPath(dir));
  struct stat st {};
  if (::stat(path.constData(), &st) == 0) return S_ISDIR(st.st_mode);
  qsizetype at = path.startsWith('/') ? 1 : 0;
  for (;;) {
    const qsizetype slash = path.indexOf('/', at);
    const QByteArray part = slash < 0 ? path : path.first(slash);
    if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST) return false;
    if (slash < 0) break;
    at = slash + 1;
  }
  return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

QHash<QByteArray, QByteArray> png_texts(QByteArrayView png) {
  QHash<QByteArray, QByteArray> texts;
  if (!png.startsWith(QByteArrayView(kPngSignature, 8))) return texts;
  // Compressed texts are inflated only while small: a zTXt of a few bytes
  // may inflate a thousandfold, and a cache file comes from any program.
  constexpr qsizetype kMaxCompressedText = 1024;
  qsizetype inflated_left = 64 * 1024;
  qsizetype at = 8;
  while (at + 12 <= png.size()) {
    const quint32 length = qFromBigEndian<quint32>(png.data() + at);
    const QByteArrayView type = png.sliced(at + 4, 4);
    if (length > static_cast<quint64>(png.size() - at - 12)) break;
    const QByteArrayView data = png.sliced(at + 8, length);
    if (type == "IEND") break;
    const qsizetype zero = data.indexOf('\0');
    if (zero > 0 && type == "tEXt") {
      texts.insert(data.first(zero).toByteArray(), data.sliced(zero + 1).toByteArray());
    } else if (zero > 0 && type == "zTXt" && zero + 2 <= data.size() && data[zero + 1] == '\0' &&
               data.size() - zero - 2 <= kMaxCompressedText && inflated_left > 0) {
      // qUncompress wants the expected size in front; the largest kept will
      // do (it grows its buffer when the text is longer).
      QByteArray z;
      append_u32(z, static_cast<quint32>(inflated_left));
      z.append(data.sliced(zero + 2));
      const QByteArray value = qUncompress(z);
      if (!value.isEmpty() && value.size() <= inflated_left) {
        texts.insert(data.first(zero).toByteArray(), value);
        inflated_left -= value.size();
      }
    }
    at += 12 + static_cast<qsizetype>(length);
  }
  return texts;
}

QByteArray with_png_texts(const QByteArray& png, const QList<QPair<QByteArray, QByteArray>>& texts) {
  // The signature, then the header chunk: 13 bytes of data.
  constexpr qsizetype kAfterHeader = 8 + 12 + 13;
  if (!png.startsWith(QByteArrayView(kPngSignature, 8)) || png.size() < kAfterHeader ||
      qFromBigEndian<quint32>(png.constData() + 8) != 13 || png.sliced(12, 4) != "IHDR") {
    return png;
  }
  QByteArray out = png.first(kAfterHeader);
  for (const auto& [key, value] : texts) {
    QByteArray chunk = "tEXt" + key + '\0' + value;
    append_u32(out, static_cast<quint32>(chunk.size() - 4));
    out += chunk;
    append_u32(out, crc32(chunk));
  }
  out += png.sliced(kAfterHeader);
  return out;
}

bool is_inside_thumbnail_cache(const QString& root, const QString& absolute_path) {
  return absolute_path.startsWith(root + QLatin1Char('/'));
}

bool write_thumbnail_file(const QString& dir, const QString& name, const QByteArray& bytes) {
  if (!make_private_dirs(dir)) return false;
  // A temporary file is made readable by its owner only.
  QTemporaryFile file(dir + QStringLiteral("/.verdalis-XXXXXX.png"));
  if (!file.open()) return false;
  if (file.write(bytes) != bytes.size() || !file.flush()) return false;
  file.close();
  const QByteArray from = QFile::encodeName(file.fileName());
  const QByteArray to = QFile::encodeName(dir + QLatin1Char('/') + name);
  // rename() replaces an older thumbnail in one step.
  if (std::rename(from.constData(), to.constData()) != 0) return false;
  file.setAutoRemove(false);
  return true;
}

}  // namespace store
