// Where the bytes the whitespace squeeze stops at lie in a block of 64 bytes of JSON
// text, one bit a byte (bit i: byte i of the block), so the squeeze can jump from
// one to the next instead of looking at every byte. Two builds of the same answer:
// SSE2 sixteen bytes at a time where the compiler offers it, a byte at a time
// elsewhere (the 32-bit Windows build).
#pragma once
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace simstack {

struct JsonBlockMasks {
  std::uint64_t quote = 0;       // "
  std::uint64_t backslash = 0;   // \ .
  std::uint64_t blank = 0;       // the space character
  std::uint64_t space = 0;       // any whitespace: space, tab, line feed, carriage return
  std::uint64_t structural = 0;  // [ ] { } and the comma
};

inline JsonBlockMasks json_block_masks_by_bytes(const char* block) {
  JsonBlockMasks m;
  for (unsigned i = 0; i < 64; ++i) {
    const std::uint64_t bit = std::uint64_t{1} << i;
    switch (block[i]) {
      case '"': m.quote |= bit; break;
      case '\\': m.backslash |= bit; break;
      case ' ':
        m.blank |= bit;
        m.space |= bit;
        break;
      case '\t':
      case '\n':
      case '\r': m.space |= bit; break;
      case '[':
      case ']':
      case '{':
      case '}':
      case ',': m.structural |= bit; break;
      default: break;
    }
  }
  return m;
}

#if defined(__SSE2__)
inline JsonBlockMasks json_block_masks_sse2(const char* block) {
  const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'), blank = _mm_set1_epi8(' '),
                tab = _mm_set1_epi8('\t'), line_feed = _mm_set1_epi8('\n'), carriage_return = _mm_set1_epi8('\r'),
                open_square = _mm_set1_epi8('['), close_square = _mm_set1_epi8(']'), open_curly = _mm_set1_epi8('{'),
                close_curly = _mm_set1_epi8('}'), comma = _mm_set1_epi8(',');
  const auto bits = [](__m128i v, unsigned at) {
    return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(v))} << at;
  };
  JsonBlockMasks m;
  for (unsigned at = 0; at < 64; at += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
    const __m128i blanks = _mm_cmpeq_epi8(v, blank);
    const __m128i others = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, line_feed)),
                                        _mm_cmpeq_epi8(v, carriage_return));
    const __m128i squares = _mm_or_si128(_mm_cmpeq_epi8(v, open_square), _mm_cmpeq_epi8(v, close_square));
    const __m128i curlies = _mm_or_si128(_mm_cmpeq_epi8(v, open_curly), _mm_cmpeq_epi8(v, close_curly));
    m.quote |= bits(_mm_cmpeq_epi8(v, quote), at);
    m.backslash |= bits(_mm_cmpeq_epi8(v, backslash), at);
    m.blank |= bits(blanks, at);
    m.space |= bits(_mm_or_si128(blanks, others), at);
    m.structural |= bits(_mm_or_si128(_mm_or_si128(squares, curlies), _mm_cmpeq_epi8(v, comma)), at);
  }
  return m;
}
#endif

inline JsonBlockMasks json_block_masks(const char* block) {
#if defined(__SSE2__)
  return json_block_masks_sse2(block);
#else
  return json_block_masks_by_bytes(block);
#endif
}

}  // namespace simstack
