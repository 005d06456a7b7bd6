#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace kvn {

// Monotonic memory for one element tree: many small blocks are carved out of a few large ones and are
// all released together, so building a tree costs no allocation per element or per text.
// Only trivially destructible objects may live here; nothing is destroyed one by one.
class TOrvArena {
public:
    TOrvArena() = default;
    TOrvArena(const TOrvArena&) = delete;
    TOrvArena& operator=(const TOrvArena&) = delete;

    // Uninitialised memory of the given size and alignment (a power of two), valid while the arena lives.
    void* Allocate(std::size_t size, std::size_t alignment)
    {
        auto address = reinterpret_cast<std::uintptr_t>(fNext);
        auto start = (address + alignment - 1) & ~(alignment - 1);
        if (fNext && start + size <= reinterpret_cast<std::uintptr_t>(fEnd)) {
            fNext = reinterpret_cast<std::byte*>(start + size);
            return reinterpret_cast<std::byte*>(start);
        }
        return AllocateInNewBlock(size, alignment);
    }

    // A copy of the text that lives as long as the arena; empty texts take no memory.
    std::string_view StoreText(std::string_view text)
    {
        if (text.empty()) return {};
        auto* copy = static_cast<char*>(Allocate(text.size(), 1));
        std::memcpy(copy, text.data(), text.size());
        return {copy, text.size()};
    }

    // Bytes taken from the system for the blocks (what the tree costs in memory).
    std::size_t BytesReserved() const { return fReserved; }

private:
    struct TFree {
        void operator()(std::byte* block) const { std::free(block); }
    };

    void* AllocateInNewBlock(std::size_t size, std::size_t alignment);
    void AddBlock(std::size_t minimumSize);

    std::vector<std::unique_ptr<std::byte, TFree>> fBlocks;
    std::byte* fNext = nullptr;
    std::byte* fEnd = nullptr;
    std::size_t fNextBlockSize = 16 * 1024;
    std::size_t fReserved = 0;
};

} // namespace kvn
