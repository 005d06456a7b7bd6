#include "orvArena.h"

#include <cstdint>
#include <cstring>

namespace kvn {

namespace {

constexpr std::size_t kLargestBlock = 1024 * 1024;

} // namespace

void TOrvArena::AddBlock(std::size_t minimumSize)
{
    std::size_t size = fNextBlockSize;
    while (size < minimumSize)
        size *= 2;
    // Blocks grow so that a small file stays small and a large one needs few of them.
    if (fNextBlockSize < kLargestBlock) fNextBlockSize *= 2;
    fBlocks.push_back(
        std::unique_ptr<std::byte[]>(new std::byte[size])); // not zeroed: every byte is written before use
    fNext = fBlocks.back().get();
    fEnd = fNext + size;
    fReserved += size;
}

void* TOrvArena::Allocate(std::size_t size, std::size_t alignment)
{
    auto align = [alignment](std::byte* p) {
        auto address = reinterpret_cast<std::uintptr_t>(p);
        return reinterpret_cast<std::byte*>((address + alignment - 1) & ~(alignment - 1));
    };
    std::byte* start = fNext ? align(fNext) : nullptr;
    if (!start || start + size > fEnd) {
        AddBlock(size + alignment);
        start = align(fNext);
    }
    fNext = start + size;
    return start;
}

std::string_view TOrvArena::StoreText(std::string_view text)
{
    if (text.empty()) return {};
    auto* copy = static_cast<char*>(Allocate(text.size(), 1));
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
}

} // namespace kvn
