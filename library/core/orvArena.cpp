#include "orvArena.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <tuple>
#include <utility>

#include <sys/mman.h>

namespace kvn {

namespace {

constexpr std::size_t kHugePage = 2 * 1024 * 1024;
constexpr std::size_t kFirstCommit = 64 * 1024;
constexpr std::size_t kSmallestRange = 16 * 1024 * 1024;

std::uintptr_t RoundUp(std::uintptr_t value, std::size_t unit)
{
    return (value + unit - 1) & ~(unit - 1);
}

constexpr int kReserveFlags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;

void HintHugePages(std::byte* start, std::size_t length)
{
#if defined(MADV_HUGEPAGE)
    // Beyond the first huge page a large tree costs one page fault per 2 MiB instead of one per 4 KiB; a small
    // tree stays in small pages. Only a hint.
    ::madvise(start, length, MADV_HUGEPAGE);
#endif
}

// Reserves address space at exactly the wanted address, or nothing.
bool ReserveAt(void* wanted, std::size_t length)
{
    void* mapped = ::mmap(wanted, length, PROT_NONE, kReserveFlags | MAP_FIXED_NOREPLACE, -1, 0);
    if (mapped == wanted) return true;
    if (mapped != MAP_FAILED) ::munmap(mapped, length); // an old kernel took the address as a hint only
    return false;
}

std::byte* ReserveWholeSpan()
{
    // Twice the span leaves room for one aligned span inside; the rest is given back at once. Address space is
    // all it takes: nothing is usable, and nothing counts against the system's memory, before it is committed.
    const std::size_t length = 2 * TOrvArena::kSpan;
    void* mapped = ::mmap(nullptr, length, PROT_NONE, kReserveFlags, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    auto start = reinterpret_cast<std::uintptr_t>(mapped);
    auto aligned = RoundUp(start, TOrvArena::kSpan);
    if (aligned > start) ::munmap(mapped, aligned - start);
    auto end = aligned + TOrvArena::kSpan;
    if (start + length > end) ::munmap(reinterpret_cast<void*>(end), start + length - end);
    return reinterpret_cast<std::byte*>(aligned);
}

std::byte* ReserveAtAlignedAddress(std::size_t length)
{
    // Under a limit on address space, a shorter range is placed at a free aligned address near the others; it
    // grows in place when the tree needs more.
    void* probe = ::mmap(nullptr, 4096, PROT_NONE, kReserveFlags, -1, 0);
    if (probe == MAP_FAILED) return nullptr;
    ::munmap(probe, 4096);
    auto candidate = RoundUp(reinterpret_cast<std::uintptr_t>(probe), TOrvArena::kSpan);
    for (int attempt = 0; attempt < 64; ++attempt, candidate += TOrvArena::kSpan) {
        if (ReserveAt(reinterpret_cast<void*>(candidate), length)) return reinterpret_cast<std::byte*>(candidate);
    }
    return nullptr;
}

// The range and its length, the whole span when the system allows it.
std::pair<std::byte*, std::size_t> ReserveAlignedRange()
{
    // Reserved address space counts against such a limit, so the shorter range starts small.
    std::byte* base = ReserveWholeSpan();
    std::size_t length = TOrvArena::kSpan;
    if (!base) {
        length = kSmallestRange;
        base = ReserveAtAlignedAddress(length);
    }
    if (!base) throw std::bad_alloc();
    HintHugePages(base + kHugePage, length - kHugePage);
    return {base, length};
}

// The one range kept for reuse, with its length and how far it is committed.
struct TKeptSpan {
    std::mutex Lock;
    bool Keep = false;
    std::byte* Base = nullptr;
    std::size_t Length = 0;
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
    ::munmap(kept.Base, kept.Length);
    kept.Base = kept.Committed = nullptr;
}

TOrvArena::TOrvArena()
{
    {
        TKeptSpan& kept = Kept();
        std::lock_guard<std::mutex> guard(kept.Lock);
        std::swap(fBase, kept.Base);
        std::swap(fLength, kept.Length);
        std::swap(fCommitted, kept.Committed);
    }
    if (!fBase) {
        std::tie(fBase, fLength) = ReserveAlignedRange();
        fCommitted = fBase;
    }
    fNext = fBase + sizeof(void*);
    if (fCommitted < fNext) Commit(reinterpret_cast<std::uintptr_t>(fNext));
}

TOrvArena::~TOrvArena()
{
    TKeptSpan& kept = Kept();
    std::lock_guard<std::mutex> guard(kept.Lock);
    if (kept.Keep && !kept.Base) {
        kept.Base = fBase;
        kept.Length = fLength;
        kept.Committed = fCommitted;
        return;
    }
    ::munmap(fBase, fLength);
}

void TOrvArena::Extend(std::size_t needed)
{
    if (needed > kSpan) throw std::bad_alloc();
    needed = RoundUp(needed, kHugePage);
    std::size_t length = std::min(kSpan, std::max(needed, 2 * fLength));
    for (;;) {
        if (ReserveAt(fBase + fLength, length - fLength)) {
            HintHugePages(fBase + fLength, length - fLength);
            fLength = length;
            return;
        }
        if (length == needed) throw std::bad_alloc();
        length = std::max(needed, RoundUp((fLength + length) / 2, kHugePage));
    }
}

void TOrvArena::Commit(std::uintptr_t end)
{
    auto base = reinterpret_cast<std::uintptr_t>(fBase);
    if (end - base > fLength) Extend(end - base);
    auto committed = reinterpret_cast<std::uintptr_t>(fCommitted);
    // Committing in steps that grow with the tree keeps the calls few; a step touches no page, so committing
    // ahead costs no memory.
    std::size_t step = std::max(kFirstCommit, (committed - base) / 4);
    std::uintptr_t target = std::max(end, committed + step);
    target = RoundUp(target, target - base > kHugePage ? kHugePage : kFirstCommit);
    target = std::min(target, base + fLength);
    if (::mprotect(fCommitted, target - committed, PROT_READ | PROT_WRITE) != 0) throw std::bad_alloc();
    fCommitted = reinterpret_cast<std::byte*>(target);
}

} // namespace kvn
