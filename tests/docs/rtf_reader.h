#pragma once
// Reads the plain text back out of the RTF that the guide generator writes,
// the way a word processor would: either through the \uN escapes (as
// current readers do) or through the code page 932 bytes that follow them
// (as readers do that know nothing of Unicode).

#include <QByteArray>
#include <QString>
#include <cctype>
#include <vector>

#include "store/files/codec.h"

namespace rtf_reader {

inline QString plain_text(const QByteArray& rtf, bool use_unicode) {
  QString out;
  QByteArray pending;  // code page bytes not decoded yet
  std::vector<int> uc{1};
  int skip = 0;  // fallback characters still to skip after a \uN
  auto flush = [&] {
    out += store::decode_cp932(pending);
    pending.clear();
  };
  for (qsizetype i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c == '{' || c == '}') {
      flush();
      if (c == '{') uc.push_back(uc.back());
      if (c == '}' && uc.size() > 1) uc.pop_back();
      continue;
    }
    if (c == '\r' || c == '\n') continue;
    if (c != '\\') {
      if (skip > 0) {
        --skip;
        continue;
      }
      flush();
      out += QLatin1Char(c);
      continue;
    }
    const char next = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
    if (next == '\\' || next == '{' || next == '}') {
      ++i;
      if (skip > 0) {
        --skip;
      } else {
        flush();
        out += QLatin1Char(next);
      }
      continue;
    }
    if (next == '\'') {
      const char byte = static_cast<char>(rtf.mid(i + 2, 2).toInt(nullptr, 16));
      i += 3;
      if (skip > 0) {
        --skip;
      } else {
        pending += byte;
      }
      continue;
    }
    // A control word: letters, an optional signed number, an optional space.
    qsizetype j = i + 1;
    while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
    const QByteArray word = rtf.mid(i + 1, j - i - 1);
    qsizetype k = j;
    if (k < rtf.size() && rtf[k] == '-') ++k;
    while (k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
    const int number = rtf.mid(j, k - j).toInt();
    if (k < rtf.size() && rtf[k] == ' ') ++k;
    i = k - 1;
    if (word == "u" && use_unicode) {
      flush();
      out += QChar(static_cast<char16_t>(number));
      skip = uc.back();
    } else if (word == "uc") {
      uc.back() = number;
    } else if (word == "par") {
      flush();
      out += QLatin1Char('\n');
    } else if (word == "tab") {
      flush();
      out += QLatin1Char('\t');
    }
  }
  flush();
  return out;
}

}  // namespace rtf_reader
