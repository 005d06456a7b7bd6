// Any bytes as a zip container, plain or scrambled: opening never crashes, hangs or writes outside its folder.

#include "fuzzSupport.h"
#include "kvnFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kvn::TKvnContainerExtraction extraction(1 << 20);
    extraction.Open(WriteInput("input.ovz", data, size));
    return 0;
}
