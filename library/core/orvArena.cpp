#include "orvArena.h"

#include <algorithm>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kvn {

namespace {

// Large blocks ask for huge pages, so that the memory of a big tree costs one page fault per 2 MiB instead of one
// per 4 KiB. They are not aligned to huge pages themselves: an aligned request leaves gaps that the allocator
// cannot give back to the next tree of the process, which then faults in new memory. The hint covers the whole
// huge pages inside the block.
constexpr std::size_t kHugePage = 2 * 1024 * 1024;

std::byte* NewBlock(std::size_t size)
{
    void* block = std::malloc(size);
    if (!block) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    auto start = (reinterpret_cast<std::uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
    auto end = (reinterpret_cast<std::uintptr_t>(block) + size) & ~(kHugePage - 1);
    if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE); // only a hint
#endif
    return static_cast<std::byte*>(block);
}

} // namespace

void TOrvArena::AddBlock(std::size_t minimumSize)
{
    std::size_t size = fNextBlockSize;
    while (size < minimumSize)
        size *= 2;
    // Blocks grow so that a small file stays small and a large one needs few of them. Beyond 2 MiB a block is at
    // least four huge pages, so that most of it lies in whole ones, and an eighth of what the tree holds so far,
    // so that the unused end of the last block stays a small part of the tree.
    if (fNextBlockSize < kHugePage)
        fNextBlockSize *= 2;
    else
        fNextBlockSize = std::max(4 * kHugePage, (fReserved + size) / 8 / kHugePage * kHugePage);
    fBlocks.reserve(fBlocks.size() + 1);
    fBlocks.emplace_back(NewBlock(size)); // not zeroed: every byte is written before use
    fNext = fBlocks.back().get();
    fEnd = fNext + size;
    fReserved += size;
}

void* TOrvArena::AllocateInNewBlock(std::size_t size, std::size_t alignment)
{
    AddBlock(size + alignment);
    return Allocate(size, alignment);
}

} // namespace kvn
