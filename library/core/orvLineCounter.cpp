#include "orvLineCounter.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvn {

std::int64_t TOrvLineCounter::CountLineFeeds(const char* from, const char* to)
{
#if defined(__SSE2__)
    // The spans asked about are short, most often a tag and the line break and indentation before the next one:
    // few line feeds in a few vectors, so their bits are cleared one by one rather than counted word-wise.
    const __m128i lineFeed = _mm_set1_epi8('\n');
    std::int64_t count = 0;
    for (;; from += 16) {
        auto bits = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)), lineFeed)));
        std::ptrdiff_t rest = to - from;
        if (rest <= 16) {
            // The lanes past the span are whatever follows it: the lexer's zero or the next token.
            bits &= (1u << rest) - 1;
            for (; bits != 0; bits &= bits - 1)
                ++count;
            return count;
        }
        for (; bits != 0; bits &= bits - 1)
            ++count;
    }
#else
    return std::count(from, to, '\n');
#endif
}

} // namespace kvn
