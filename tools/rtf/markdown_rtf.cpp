#include "markdown_rtf.h"

#include <QRegularExpression>
#include <QStringList>
#include <vector>

#include "store/files/codec.h"

namespace rtfdoc {

namespace {

const QRegularExpression kHeading(QStringLiteral("^(#{1,3})\\s+(.*)$"));
const QRegularExpression kBullet(QStringLiteral("^[-*]\\s+(.*)$"));
const QRegularExpression kNumbered(QStringLiteral("^(\\d+\\.)\\s+(.*)$"));

// Lines of one paragraph are joined; a space goes between them only where
// both sides are Latin text, as Japanese does not put spaces between lines.
void append_line(QString& text, const QString& line) {
  if (text.isEmpty()) {
    text = line;
    return;
  }
  const bool latin_end = text.back().unicode() < 0x80;
  const bool latin_start = !line.isEmpty() && line.front().unicode() < 0x80;
  if (latin_end && latin_start) text += QLatin1Char(' ');
  text += line;
}

// Writes RTF text and keeps track of the \uc value (the number of fallback
// bytes after each \u), which every group inherits and restores.
class RtfWriter {
 public:
  void raw(const char* s) { out_ += s; }
  void open_group() {
    out_ += '{';
    uc_.push_back(uc_.back());
  }
  void close_group() {
    out_ += '}';
    uc_.pop_back();
  }

  void text(const QString& s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
      const QChar c = s[i];
      if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
        // A character beyond the 16-bit range: its two halves, each with "?".
        unicode(c.unicode(), "?");
        unicode(s[++i].unicode(), "?");
        continue;
      }
      character(c);
    }
  }

  QByteArray take() { return out_; }

 private:
  void character(QChar c) {
    const char16_t u = c.unicode();
    if (u == '\\' || u == '{' || u == '}') {
      out_ += '\\';
      out_ += static_cast<char>(u);
    } else if (u == '\t') {
      out_ += "\\tab ";
    } else if (u >= 0x20 && u < 0x7F) {
      out_ += static_cast<char>(u);
    } else if (u >= 0x80) {
      bool ok = true;
      const QByteArray bytes = store::encode_cp932(QString(c), &ok);
      QByteArray fallback;
      if (!ok) {
        fallback = "?";
      } else {
        for (const char b : bytes) {
          fallback += "\\'" + QByteArray::number(static_cast<unsigned char>(b), 16).rightJustified(2, '0');
        }
      }
      unicode(u, fallback);
    }
    // Other control characters have no place in the guide and are dropped.
  }

  // \uN takes a signed 16-bit number; the fallback follows it.
  void unicode(char16_t u, const QByteArray& fallback) {
    const int fallback_chars = static_cast<int>(fallback.count("\\'")) + static_cast<int>(fallback.count('?'));
    if (fallback_chars != uc_.back()) {
      out_ += "\\uc" + QByteArray::number(fallback_chars);
      uc_.back() = fallback_chars;
    }
    out_ += "\\u" + QByteArray::number(static_cast<int>(static_cast<int16_t>(u)));
    // A control symbol (\') ends the number by itself; "?" needs the space.
    out_ += fallback.startsWith('\\') ? fallback : " " + fallback;
  }

  QByteArray out_;
  std::vector<int> uc_{1};
};

// Inline markup: **bold** and `code`; an unmatched marker is plain text.
void write_inline(RtfWriter& w, const QString& text) {
  qsizetype i = 0;
  while (i < text.size()) {
    const bool bold = text.mid(i, 2) == QStringLiteral("**");
    const bool code = !bold && text[i] == QLatin1Char('`');
    const QString marker = bold ? QStringLiteral("**") : QStringLiteral("`");
    const qsizetype end = (bold || code) ? text.indexOf(marker, i + marker.size()) : -1;
    if (end < 0) {
      qsizetype next = i + 1;
      while (next < text.size() && text[next] != QLatin1Char('`') && text.mid(next, 2) != QStringLiteral("**")) ++next;
      w.text(text.mid(i, next - i));
      i = next;
      continue;
    }
    w.open_group();
    w.raw(bold ? "\\b " : "\\f1 ");
    w.text(text.mid(i + marker.size(), end - i - marker.size()));
    w.close_group();
    i = end + marker.size();
  }
}

void write_block(RtfWriter& w, const Block& b) {
  switch (b.kind) {
    case Block::Kind::Heading:
      if (b.level == 1) w.raw("\\pard\\plain\\qc\\sb240\\sa240\\keepn\\b\\fs36 ");
      if (b.level == 2) w.raw("\\pard\\plain\\sb360\\sa120\\keepn\\b\\fs28 ");
      if (b.level >= 3) w.raw("\\pard\\plain\\sb240\\sa80\\keepn\\b\\fs24 ");
      break;
    case Block::Kind::Paragraph:
      w.raw("\\pard\\plain\\sa120\\fs21 ");
      break;
    case Block::Kind::Bullet:
      w.raw("\\pard\\plain\\fi-300\\li600\\sa60\\fs21 \\bullet\\tab ");
      break;
    case Block::Kind::Numbered:
      w.raw("\\pard\\plain\\fi-360\\li600\\sa60\\fs21 ");
      w.text(b.number);
      w.raw("\\tab ");
      break;
  }
  write_inline(w, b.text);
  w.raw("\\par\r\n");
}

}  // namespace

QList<Block> parse_markdown(const QString& markdown) {
  QList<Block> blocks;
  bool open = false;  // the last block still takes following lines
  for (const QString& raw_line : markdown.split(QLatin1Char('\n'))) {
    QString line = raw_line;
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty()) {
      open = false;
      continue;
    }
    const bool indented = line.front().isSpace();
    QRegularExpressionMatch m;
    if ((m = kHeading.match(trimmed)).hasMatch() && !indented) {
      blocks.append({Block::Kind::Heading, static_cast<int>(m.capturedLength(1)), QString(), m.captured(2).trimmed()});
      open = false;
    } else if ((m = kBullet.match(trimmed)).hasMatch()) {
      blocks.append({Block::Kind::Bullet, 0, QString(), m.captured(1).trimmed()});
      open = true;
    } else if ((m = kNumbered.match(trimmed)).hasMatch()) {
      blocks.append({Block::Kind::Numbered, 0, m.captured(1), m.captured(2).trimmed()});
      open = true;
    } else if (open && (blocks.back().kind == Block::Kind::Paragraph || indented)) {
      append_line(blocks.back().text, trimmed);
    } else {
      blocks.append({Block::Kind::Paragraph, 0, QString(), trimmed});
      open = true;
    }
  }
  return blocks;
}

QByteArray blocks_to_rtf(const QList<Block>& blocks) {
  RtfWriter w;
  w.open_group();
  w.raw("\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1041\r\n");
  w.raw("{\\fonttbl{\\f0\\fswiss\\fcharset128 IPAPGothic;}{\\f1\\fmodern\\fcharset128 IPAGothic;}}\r\n");
  w.raw("\\paperw11906\\paperh16838\\margl1440\\margr1440\\margt1440\\margb1440\r\n");
  for (const Block& b : blocks) write_block(w, b);
  w.close_group();
  w.raw("\r\n");
  return w.take();
}

QByteArray markdown_to_rtf(const QString& markdown) { return blocks_to_rtf(parse_markdown(markdown)); }

}  // namespace rtfdoc
