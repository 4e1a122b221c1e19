#pragma once
// Scanning a whole index file quickly: flower.dat at the capacity limit
// holds about 210000 lines, most of them short.

#include <QtGlobal>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace store {

// Calls line(start, lf) for every line of the n bytes at p, where lf is the
// position of the line's LF, or n for a last line without one. A trailing
// LF does not begin another line.
template <class Line>
void for_each_line(const char* p, qsizetype n, Line&& line) {
  qsizetype start = 0;
  qsizetype i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time: one compare gives a bit for every LF.
  const __m128i lf_bytes = _mm_set1_epi8('\n');
  for (; i + 16 <= n; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lf_bytes)));
    while (mask != 0) {
      const qsizetype lf = i + __builtin_ctz(mask);
      line(start, lf);
      start = lf + 1;
      mask &= mask - 1;
    }
  }
#endif
  for (; i < n; ++i) {
    if (p[i] == '\n') {
      line(start, i);
      start = i + 1;
    }
  }
  if (start < n) line(start, n);
}

// True when one of the n bytes at p is a lead byte of a windows-31j pair
// that has a twin elsewhere in the code page (0x87, 0xED, 0xEE or 0xFA).
// `readable` bytes from p on may be read (at least n), which lets a short
// field be tested with one sixteen-byte compare.
inline bool may_hold_twin_pair(const char* p, qsizetype n, qsizetype readable) {
  qsizetype i = 0;
#if defined(__SSE2__)
  for (; i < n && readable - i >= 16; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i found =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(0x87))),
                                  _mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(0xED)))),
                     _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(0xEE))),
                                  _mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(0xFA)))));
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(found));
    if (n - i < 16) mask &= (1u << (n - i)) - 1;
    if (mask != 0) return true;
  }
#endif
  for (; i < n; ++i) {
    const auto b = static_cast<unsigned char>(p[i]);
    if (b == 0x87 || b == 0xED || b == 0xEE || b == 0xFA) return true;
  }
  return false;
}

}  // namespace store
