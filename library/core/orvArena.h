#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kvn {

// Monotonic memory for one element tree: many small pieces are carved out of one range of address space and
// are all released together, so building a tree costs no allocation per element or per text.
// The range is aligned to its own size, so that any place in it is named by the low 32 bits of its address: the
// elements link to each other with those four-byte offsets instead of eight-byte pointers, which halves the
// memory of a large tree. Only trivially destructible objects may live here; nothing is destroyed one by one.
class TOrvArena {
public:
    // Alignment of the range, and its size unless the system limits address space: the most a tree can hold.
    static constexpr std::size_t kSpan = std::size_t{1} << 32;

    // Reserves the range (address space only); throws std::bad_alloc when the system has none to give.
    // Allocations beyond its length throw std::bad_alloc as well.
    TOrvArena();
    ~TOrvArena();
    TOrvArena(const TOrvArena&) = delete;
    TOrvArena& operator=(const TOrvArena&) = delete;

    // Uninitialised memory of the given size and alignment (a power of two), valid while the arena lives;
    // throws std::bad_alloc when the range is full.
    void* Allocate(std::size_t size, std::size_t alignment)
    {
        auto address = reinterpret_cast<std::uintptr_t>(fNext);
        auto start = (address + alignment - 1) & ~(alignment - 1);
        if (start + size > reinterpret_cast<std::uintptr_t>(fCommitted)) Commit(start + size);
        fNext = reinterpret_cast<std::byte*>(start + size);
        return reinterpret_cast<std::byte*>(start);
    }

    // A copy of the text that lives as long as the arena; empty texts take no memory.
    std::string_view StoreText(std::string_view text)
    {
        if (text.empty()) return {};
        auto* copy = static_cast<char*>(Allocate(text.size(), 1));
        std::memcpy(copy, text.data(), text.size());
        return {copy, text.size()};
    }

    // With keeping on, the range of an arena that goes is kept, with the memory it used, for the next arena of the
    // process, as an allocator keeps freed memory; off (the default) gives it back to the system at once.
    static void KeepReleasedMemory(bool keep);

    // Bytes handed out so far (what the tree costs in memory).
    std::size_t BytesUsed() const { return static_cast<std::size_t>(fNext - fBase); }

    // The word at the start of the range, which no allocation covers: the tree keeps a pointer to itself there,
    // so that any element finds its tree from its own address.
    void SetOwner(void* owner) { *reinterpret_cast<void**>(fBase) = owner; }
    static void* OwnerOf(const void* inside) { return *reinterpret_cast<void* const*>(BaseOf(inside)); }

    // The offset that names a place in an arena; 0 names nothing, as the owner word is never handed out.
    static std::uint32_t OffsetOf(const void* place)
    {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(place));
    }
    // The place an offset names, in the arena that holds the given address.
    template <typename T>
    static T* At(const void* inside, std::uint32_t offset)
    {
        return offset ? reinterpret_cast<T*>(BaseOf(inside) + offset) : nullptr;
    }

private:
    static std::byte* BaseOf(const void* inside)
    {
        return reinterpret_cast<std::byte*>(reinterpret_cast<std::uintptr_t>(inside) & ~(kSpan - 1));
    }
    // Makes the range usable up to at least the given address.
    void Commit(std::uintptr_t end);
    // Lengthens a range that a limit on address space kept short, in place, to at least the given length.
    void Extend(std::size_t needed);

    std::byte* fBase = nullptr;
    std::size_t fLength = 0; // of the range, kSpan unless the system limits address space
    std::byte* fNext = nullptr;
    std::byte* fCommitted = nullptr;
};

} // namespace kvn
