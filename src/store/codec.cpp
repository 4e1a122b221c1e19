#include "store/codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace store {

namespace {
constexpr const char* kCodecName = "windows-31j";
}

QString decode_cp932(const QByteArray& bytes) {
  QStringDecoder decoder(kCodecName);
  if (!decoder.isValid()) {
    // Without the codec nothing could be read correctly; fall back to Latin-1
    // so that at least no byte is dropped silently.
    return QString::fromLatin1(bytes);
  }
  // A lead byte at the very end has no second byte; the decoder would keep
  // it waiting and drop it. Substitute it like any other invalid byte.
  const qsizetype n = bytes.size();
  qsizetype i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    i += ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
  }
  if (i > n) {
    QString text = decoder.decode(QByteArrayView(bytes).first(n - 1));
    text += QChar(0x1A);
    return text;
  }
  return decoder.decode(bytes);
}

QByteArray encode_cp932(const QString& text, bool* ok) {
  QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
  QByteArray bytes = encoder.isValid() ? QByteArray(encoder.encode(text)) : text.toLatin1();
  if (ok) *ok = encoder.isValid() && !encoder.hasError();
  return bytes;
}

bool representable_in_cp932(const QString& text) {
  bool ok = false;
  encode_cp932(text, &ok);
  return ok;
}

QStringList split_lines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  while (start < n) {
    qsizetype lf = text.indexOf(QLatin1Char('\n'), start);
    if (lf < 0) {
      lines.append(text.mid(start));
      break;
    }
    qsizetype end = lf;
    if (end > start && text.at(end - 1) == QLatin1Char('\r')) --end;
    lines.append(text.mid(start, end - start));
    start = lf + 1;
  }
  return lines;
}

QByteArray join_lines_cp932(const QStringList& lines, bool* ok) {
  QString text;
  qsizetype total = 0;
  for (const QString& line : lines) total += line.size() + 2;
  text.reserve(total);
  for (const QString& line : lines) {
    text += line;
    text += QLatin1String("\r\n");
  }
  return encode_cp932(text, ok);
}

}  // namespace store
