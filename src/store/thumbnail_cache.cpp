#include "store/thumbnail_cache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <cstdio>
#include <string>

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

bool is_inside_thumbnail_cache(const QString& root, const QString& absolute_path) {
  return absolute_path.startsWith(root + QLatin1Char('/'));
}

bool write_thumbnail_file(const QString& dir, const QString& name, const QByteArray& bytes) {
  if (!QDir(dir).exists() && !QDir().mkpath(dir)) return false;
  QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
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
