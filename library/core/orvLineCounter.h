#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

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

} // namespace kvn
