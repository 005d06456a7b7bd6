#include "orvArena.h"

#include <algorithm>
#include <mutex>
#include <new>

#include <sys/mman.h>

namespace kvn {

namespace {

constexpr std::size_t kHugePage = 2 * 1024 * 1024;
constexpr std::size_t kFirstCommit = 64 * 1024;

std::uintptr_t RoundUp(std::uintptr_t value, std::size_t unit)
{
    return (value + unit - 1) & ~(unit - 1);
}

std::byte* ReserveAlignedSpan()
{
    // Twice the span leaves room for one aligned span inside; the rest is given back at once. Address space is
    // all it takes: nothing is usable, and nothing counts against the system's memory, before it is committed.
    const std::size_t length = 2 * TOrvArena::kSpan;
    void* mapped = ::mmap(nullptr, length, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    auto start = reinterpret_cast<std::uintptr_t>(mapped);
    auto aligned = RoundUp(start, TOrvArena::kSpan);
    if (aligned > start) ::munmap(mapped, aligned - start);
    auto end = aligned + TOrvArena::kSpan;
    if (start + length > end) ::munmap(reinterpret_cast<void*>(end), start + length - end);
    auto* base = reinterpret_cast<std::byte*>(aligned);
#if defined(MADV_HUGEPAGE)
    // Beyond the first huge page a large tree costs one page fault per 2 MiB instead of one per 4 KiB; a small
    // tree stays in small pages. Only a hint.
    ::madvise(base + kHugePage, TOrvArena::kSpan - kHugePage, MADV_HUGEPAGE);
#endif
    return base;
}

// The one range kept for reuse, with how far it is committed.
struct TKeptSpan {
    std::mutex Lock;
    bool Keep = false;
    std::byte* Base = nullptr;
    std::byte* Committed = nullptr;
};

TKeptSpan& Kept()
{
    static TKeptSpan kept;
    return kept;
}

} // namespace

void TOrvArena::KeepReleasedMemory(bool keep)
{
    TKeptSpan& kept = Kept();
    std::lock_guard<std::mutex> guard(kept.Lock);
    kept.Keep = keep;
    if (keep || !kept.Base) return;
    ::munmap(kept.Base, kSpan);
    kept.Base = kept.Committed = nullptr;
}

TOrvArena::TOrvArena()
{
    {
        TKeptSpan& kept = Kept();
        std::lock_guard<std::mutex> guard(kept.Lock);
        std::swap(fBase, kept.Base);
        std::swap(fCommitted, kept.Committed);
    }
    if (!fBase) fBase = fCommitted = ReserveAlignedSpan();
    fNext = fBase + sizeof(void*);
    if (fCommitted < fNext) Commit(reinterpret_cast<std::uintptr_t>(fNext));
}

TOrvArena::~TOrvArena()
{
    TKeptSpan& kept = Kept();
    std::lock_guard<std::mutex> guard(kept.Lock);
    if (kept.Keep && !kept.Base) {
        kept.Base = fBase;
        kept.Committed = fCommitted;
        return;
    }
    ::munmap(fBase, kSpan);
}

void TOrvArena::Commit(std::uintptr_t end)
{
    auto base = reinterpret_cast<std::uintptr_t>(fBase);
    auto committed = reinterpret_cast<std::uintptr_t>(fCommitted);
    if (end - base > kSpan) throw std::bad_alloc();
    // Committing in steps that grow with the tree keeps the calls few; a step touches no page, so committing
    // ahead costs no memory.
    std::size_t step = std::max(kFirstCommit, (committed - base) / 4);
    std::uintptr_t target = std::max(end, committed + step);
    target = RoundUp(target, target - base > kHugePage ? kHugePage : kFirstCommit);
    target = std::min(target, base + kSpan);
    if (::mprotect(fCommitted, target - committed, PROT_READ | PROT_WRITE) != 0) throw std::bad_alloc();
    fCommitted = reinterpret_cast<std::byte*>(target);
}

} // namespace kvn
