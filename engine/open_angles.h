// Finding the "<"s of a document's first chunk, which the reader and the rewrite both walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Calls visit(offset) for every "<" of text[0, n), in order, sixteen bytes at a time where SSE2
// is there. Nothing past the text is read. visit may change the bytes after a "<" (not the "<"s).
template <typename Visit>
void ForEachOpenAngle(const char* text, size_t n, Visit&& visit) {
#if defined(__SSE2__)
  const __m128i open = _mm_set1_epi8('<');
  size_t base = 0;
  // Most sixty-four-byte blocks of a document hold no "<" and cost one test.
  for (; base + 64 <= n; base += 64) {
    const auto* block = reinterpret_cast<const __m128i*>(text + base);
    __m128i a = _mm_cmpeq_epi8(_mm_loadu_si128(block), open);
    __m128i b = _mm_cmpeq_epi8(_mm_loadu_si128(block + 1), open);
    __m128i c = _mm_cmpeq_epi8(_mm_loadu_si128(block + 2), open);
    __m128i d = _mm_cmpeq_epi8(_mm_loadu_si128(block + 3), open);
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0) continue;
    uint64_t mask = static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(a))) |
                    static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(b))) << 16 |
                    static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(c))) << 32 |
                    static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(d))) << 48;
    for (; mask != 0; mask &= mask - 1)
      visit(base + static_cast<size_t>(__builtin_ctzll(mask)));
  }
  for (; base < n; base += 16) {
    // The last block is copied out so that nothing past the text is read.
    alignas(16) char tail[16] = {};
    const char* from = text + base;
    if (n - base < 16) {
      std::memcpy(tail, from, n - base);
      from = tail;
    }
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, open)));
    for (; mask != 0; mask &= mask - 1) {
      size_t at = base + static_cast<size_t>(__builtin_ctz(mask));
      if (at >= n) return;
      visit(at);
    }
  }
#else
  for (const void* p = std::memchr(text, '<', n); p;) {
    size_t at = static_cast<size_t>(static_cast<const char*>(p) - text);
    visit(at);
    p = std::memchr(text + at + 1, '<', n - at - 1);
  }
#endif
}
