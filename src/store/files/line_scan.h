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

}  // namespace store
