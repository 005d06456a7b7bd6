// Any bytes as an RTF help text: parsing never crashes or hangs.

#include "kvnRtf.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kvn::TRtfDocument document;
    std::string error;
    kvn::ParseRtf(std::string_view(reinterpret_cast<const char*>(data), size), document, error);
    return 0;
}
