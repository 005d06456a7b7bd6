// Any bytes as the logo picture: decoding never crashes, hangs or allocates beyond the picture limits.

#include "kvnJpeg.h"
#include "kvnMessages.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        kvn::DecodeJpeg(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const kvn::EKvnError&) {
    }
    return 0;
}
