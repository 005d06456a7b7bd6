#include "orvLineIndex.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvn {

namespace {

// Bit i set when byte i of the 64 at the address is a line feed.
std::uint64_t LineFeedBits(const char* at)
{
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    std::uint64_t bits = 0;
    for (int part = 0; part < 4; ++part) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * part));
        auto hits = static_cast<std::uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineFeed)));
        bits |= hits << (16 * part);
    }
    return bits;
#else
    std::uint64_t bits = 0;
    for (int i = 0; i < 64; ++i)
        bits |= std::uint64_t{at[i] == '\n'} << i;
    return bits;
#endif
}

} // namespace

void TOrvLineIndex::Index(const char* block, std::size_t size, std::int64_t firstLine)
{
    fFirstLine = firstLine;
    std::size_t words = size / 64 + 1;
    fLineFeeds.resize(words);
    fLineFeedsBefore.resize(words);
    std::uint32_t count = 0;
    for (std::size_t word = 0; word < words; ++word) {
        // The last word is cut at the block's end: the bytes after it are whatever the buffer held before.
        std::size_t rest = size - 64 * word;
        std::uint64_t bits = rest == 0 ? 0 : LineFeedBits(block + 64 * word);
        if (rest < 64) bits &= (std::uint64_t{1} << rest) - 1;
        fLineFeeds[word] = bits;
        fLineFeedsBefore[word] = count;
        count += static_cast<std::uint32_t>(CountBits(bits));
    }
}

} // namespace kvn
