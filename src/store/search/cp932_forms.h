#pragma once
// Every byte and every two-byte sequence of windows-31j, for the tables
// that must know each character a decoded text can hold: the codec
// decodes each character of a text from the very bytes that decode to it
// on their own, so these sequences, decoded one by one, give them all.

#include <QByteArray>

namespace store {

template <typename Add>
void each_cp932_form(Add add) {
  for (int b = 0; b < 256; ++b) add(QByteArray(1, static_cast<char>(b)));
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      add(QByteArray(pair, 2));
    }
  }
}

}  // namespace store
