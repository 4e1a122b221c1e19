#include "store/files/codec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace store {

namespace {

#include "store/files/cp932_table.inc"

// Bytes that are not windows-31j are kept as characters of a private-use
// block that windows-31j never produces, U+F780 + (byte − 0x80), and are
// written back as the same byte. A damaged file thus survives being read
// and written again byte for byte.
constexpr char16_t kRawByteBase = 0xF700;

bool is_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

int lead_index(unsigned char b) { return b <= 0x9F ? b - 0x81 : b - 0xE0 + 31; }

char16_t double_byte(unsigned char lead, unsigned char trail) {
  if (trail < 0x40 || trail > 0xFC) return 0;
  return kDoubleByte[lead_index(lead)][trail - 0x40];
}

// For every UTF-16 code unit, its windows-31j bytes (high byte 0 for a
// single byte; 0 for a character the code page cannot hold). Where several
// byte pairs mean the same character, the one Windows writes is chosen:
// JIS X 0208 rows first, then the NEC row 13, then the IBM extensions, and
// the NEC-selected IBM extensions last.
class EncodeTable {
 public:
  EncodeTable() {
    codes_.fill(0);
    for (int c = 0x01; c < 0x80; ++c) codes_[c] = static_cast<uint16_t>(c);
    for (int b = 0xA1; b <= 0xDF; ++b) codes_[0xFF61 + (b - 0xA1)] = static_cast<uint16_t>(b);
    for (int b = 0x80; b <= 0xFF; ++b) codes_[kRawByteBase + b] = static_cast<uint16_t>(b);
    const std::pair<int, int> ranges[] = {{0x81, 0x84}, {0x88, 0x9F}, {0xE0, 0xEA}, {0x85, 0x86},
                                          {0x87, 0x87}, {0xFA, 0xFC}, {0xEB, 0xF9}};
    for (const auto& [first, last] : ranges) {
      for (int lead = first; lead <= last; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
          const char16_t u = double_byte(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
          if (u == 0) continue;
          const auto code = static_cast<uint16_t>(lead << 8 | trail);
          if (codes_[u] == 0) {
            codes_[u] = code;
          } else {
            others_.push_back({u, code});
          }
        }
      }
    }
    std::stable_sort(others_.begin(), others_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
  }
  uint16_t operator[](char16_t u) const { return codes_[u]; }

  // Every code of the character but the preferred one (the NEC and IBM
  // duplicates), in code page order.
  QList<uint16_t> other_codes(char16_t u) const {
    QList<uint16_t> codes;
    auto it = std::lower_bound(others_.begin(), others_.end(), u,
                               [](const auto& entry, char16_t key) { return entry.first < key; });
    for (; it != others_.end() && it->first == u; ++it) codes.append(it->second);
    return codes;
  }

  // Another code of the character whose first byte does not pair with
  // `lead`; 0 when the character has none.
  uint16_t other_code(char16_t u, unsigned char lead) const {
    auto it = std::lower_bound(others_.begin(), others_.end(), u,
                               [](const auto& entry, char16_t key) { return entry.first < key; });
    for (; it != others_.end() && it->first == u; ++it) {
      if (double_byte(lead, static_cast<unsigned char>(it->second >> 8)) == 0) return it->second;
    }
    return 0;
  }

 private:
  std::array<uint16_t, 65536> codes_;
  // The codes that are not the preferred one, by character.
  std::vector<std::pair<char16_t, uint16_t>> others_;
};

// The lead byte of a raw byte character that stands just before, or -1.
int raw_lead_of(char16_t u) {
  if (u < kRawByteBase + 0x80 || u > kRawByteBase + 0xFF) return -1;
  const auto b = static_cast<unsigned char>(u - kRawByteBase);
  return is_lead(b) ? b : -1;
}

const EncodeTable& encode_table() {
  static const auto table = std::make_unique<EncodeTable>();
  return *table;
}

}  // namespace

QString decode_cp932(QByteArrayView bytes) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype n = bytes.size();
  QString text(n, Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(text.data());
  qsizetype o = 0;
  for (qsizetype i = 0; i < n;) {
    const unsigned char b = in[i];
    if (b < 0x80) {
      out[o++] = b;
      ++i;
    } else if (b >= 0xA1 && b <= 0xDF) {
      out[o++] = static_cast<char16_t>(0xFF61 + (b - 0xA1));
      ++i;
    } else if (is_lead(b) && i + 1 < n && double_byte(b, in[i + 1]) != 0) {
      out[o++] = double_byte(b, in[i + 1]);
      i += 2;
    } else {
      out[o++] = static_cast<char16_t>(kRawByteBase + b);
      ++i;
    }
  }
  text.truncate(o);
  return text;
}

QList<QByteArray> cp932_spellings(const QString& text, qsizetype limit, bool* too_many) {
  *too_many = false;
  bool ok = true;
  QList<QByteArray> spellings{encode_cp932(text, &ok)};
  if (!ok) return {};
  const EncodeTable& table = encode_table();
  qsizetype at = 0;  // byte position of the current character
  for (const QChar c : text) {
    const uint16_t code = table[c.unicode()];
    const qsizetype width = code > 0xFF ? 2 : 1;
    const QList<uint16_t> others = code > 0xFF ? table.other_codes(c.unicode()) : QList<uint16_t>();
    if (!others.isEmpty()) {
      if (spellings.size() * (others.size() + 1) > limit) {
        *too_many = true;
        return {};
      }
      const qsizetype before = spellings.size();
      for (const uint16_t pair : others) {
        for (qsizetype k = 0; k < before; ++k) {
          QByteArray other = spellings[k];
          other[at] = static_cast<char>(pair >> 8);
          other[at + 1] = static_cast<char>(pair & 0xFF);
          spellings.append(other);
        }
      }
    }
    at += width;
  }
  // Next to a raw byte kept from a damaged file a pair may read back as
  // something else: only spellings that really decode to the text count.
  spellings.removeIf([&text](const QByteArray& bytes) { return decode_cp932(bytes) != text; });
  return spellings;
}

QByteArray encode_cp932(const QString& text, bool* ok) {
  const EncodeTable& table = encode_table();
  QByteArray bytes(text.size() * 2, Qt::Uninitialized);
  char* out = bytes.data();
  qsizetype o = 0;
  bool all = true;
  // A raw lead byte kept from a damaged file must not pair with the byte
  // after it, or the two would read back as one different character. Read
  // from a file, it never does; a character given another of its codes
  // (the one Windows writes) might, and then keeps a code that does not.
  int raw_lead = -1;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    uint16_t code = u == 0 ? 0 : table[u];
    if (u != 0 && code != 0 && raw_lead >= 0) {
      const auto first = static_cast<unsigned char>(code > 0xFF ? code >> 8 : code);
      if (double_byte(static_cast<unsigned char>(raw_lead), first) != 0) {
        const uint16_t other = code > 0xFF ? table.other_code(u, static_cast<unsigned char>(raw_lead)) : 0;
        if (other != 0) {
          code = other;
        } else {
          all = false;  // the text cannot be stored as it is
        }
      }
    }
    if (u == 0) {
      out[o++] = 0;
    } else if (code == 0) {
      out[o++] = '?';
      all = false;
    } else if (code > 0xFF) {
      out[o++] = static_cast<char>(code >> 8);
      out[o++] = static_cast<char>(code & 0xFF);
    } else {
      out[o++] = static_cast<char>(code);
    }
    raw_lead = raw_lead_of(u);
  }
  bytes.truncate(o);
  if (ok) *ok = all;
  return bytes;
}

bool representable_in_cp932(const QString& text) {
  const EncodeTable& table = encode_table();
  for (const QChar c : text) {
    if (c.unicode() != 0 && table[c.unicode()] == 0) return false;
  }
  return true;
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
