#include "orvArena.h"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kvn {

namespace {

// Large blocks are aligned to and sized in huge pages, so that the memory of a big tree costs one page fault per
// 2 MiB instead of one per 4 KiB.
constexpr std::size_t kHugePage = 2 * 1024 * 1024;
constexpr std::size_t kLargestBlock = kHugePage;

std::byte* NewBlock(std::size_t size)
{
    bool huge = size >= kHugePage;
    void* block = huge ? std::aligned_alloc(kHugePage, size) : std::malloc(size);
    if (!block) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (huge) ::madvise(block, size, MADV_HUGEPAGE); // only a hint: without huge pages the block works as well
#endif
    return static_cast<std::byte*>(block);
}

} // namespace

void TOrvArena::AddBlock(std::size_t minimumSize)
{
    std::size_t size = fNextBlockSize;
    while (size < minimumSize)
        size *= 2;
    // Blocks grow so that a small file stays small and a large one needs few of them.
    if (fNextBlockSize < kLargestBlock) fNextBlockSize *= 2;
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
