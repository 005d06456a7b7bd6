#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstddef>

namespace kvn {

// A vector that keeps the first n (0 to 16) lanes of another one when and-ed with it.
inline __m128i KeepFirstLanes(std::size_t n)
{
    alignas(16) static constexpr char kMask[32] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(kMask + 16 - n));
}

} // namespace kvn
#endif
