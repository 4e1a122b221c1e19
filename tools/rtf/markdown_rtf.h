#pragma once
// Turns a usage guide written in a small Markdown subset into Rich Text
// Format, the form that word processors open whatever the file is called.
//
// The subset, one block per line group:
//   # Heading, ## Heading, ### Heading   headings of three levels
//   - item  (or * item)                   a bullet list item
//   1. item                               a numbered list item (number kept)
//   other lines                           paragraph text; lines that follow
//                                         one another form one paragraph
//   a blank line                          ends a paragraph or list item
// Inside a block, **text** is bold and `text` is set in a fixed-width font.
// An item's text may go on over the following lines when they are indented.

#include <QByteArray>
#include <QList>
#include <QString>

namespace rtfdoc {

struct Block {
  enum class Kind { Heading, Paragraph, Bullet, Numbered };
  Kind kind = Kind::Paragraph;
  int level = 0;   // 1 to 3 for headings
  QString number;  // "1." for numbered items
  QString text;    // inline text, markup still in it

  bool operator==(const Block&) const = default;
};

// Splits Markdown text (lines ended by LF or CR LF) into blocks.
QList<Block> parse_markdown(const QString& markdown);

// The RTF of a whole document: 7-bit ASCII bytes. Japanese characters are
// \uN escapes followed by their code page 932 bytes for readers that do not
// know \u; a character outside that code page falls back to "?".
QByteArray blocks_to_rtf(const QList<Block>& blocks);

QByteArray markdown_to_rtf(const QString& markdown);

}  // namespace rtfdoc
