#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvn {

// The line feeds of one block of input, indexed once per block so that the line of any byte in it costs a few
// instructions: the reader needs the line of every start tag, not only of the rare message.
class TOrvLineIndex {
public:
    // Bytes the indexing may read past the end of the block.
    static constexpr std::size_t kReadPast = 63;

    // Indexes the bytes [block, block + size), the first of which is on the given line.
    void Index(const char* block, std::size_t size, std::int64_t firstLine);

    // The line of the byte at the offset (at most the block's size) from the block's start.
    std::int64_t LineAt(std::size_t offset) const
    {
        std::size_t word = offset / 64;
        std::uint64_t before = fLineFeeds[word] & ((std::uint64_t{1} << (offset % 64)) - 1);
        return fFirstLine + fLineFeedsBefore[word] + CountBits(before);
    }

private:
    // Set bits of the word. std::popcount is a library call where the build may not assume the instruction.
    static int CountBits(std::uint64_t bits)
    {
        bits -= (bits >> 1) & 0x5555555555555555u;
        bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
        bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
        return static_cast<int>((bits * 0x0101010101010101u) >> 56);
    }

    std::vector<std::uint64_t> fLineFeeds;       // bit i of word w set for a line feed at byte 64 * w + i
    std::vector<std::uint32_t> fLineFeedsBefore; // line feeds in the words before each word
    std::int64_t fFirstLine = 1;
};

} // namespace kvn
