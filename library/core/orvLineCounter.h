#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#else
#include <algorithm>
#endif

namespace kvn {

// The line of a byte of the input, counted only when it is asked for: the reader asks for the line of every start
// tag, always further on in the block, so the line feeds between two questions are counted once and most bytes
// are looked at by the lexer alone.
class TOrvLineCounter {
public:
    // Bytes the counting may read past the byte asked about.
    static constexpr std::size_t kReadPast = 15;

    // Counting starts over at the byte, which is on the given line.
    void Restart(const char* at, std::int64_t line)
    {
        fCounted = at;
        fLine = line;
    }

    // The line of the byte at the address, which lies at or after the one last asked about.
    std::int64_t LineAt(const char* at)
    {
        assert(at >= fCounted);
        fLine += CountLineFeeds(fCounted, at);
        fCounted = at;
        return fLine;
    }

private:
    static std::int64_t CountLineFeeds(const char* from, const char* to);

    const char* fCounted = nullptr; // the line feeds before this byte are counted
    std::int64_t fLine = 1;         // the line of that byte
};

inline std::int64_t TOrvLineCounter::CountLineFeeds(const char* from, const char* to)
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
