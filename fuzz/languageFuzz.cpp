// Any bytes as a language file: loading and looking up texts never crash.

#include "fuzzSupport.h"
#include "kvnLanguage.h"
#include "kvnPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string path = WriteInput("veltro.xus", data, size);
    kvn::SetExecutablePath(std::filesystem::path(path).replace_filename("veltro").string());
    kvn::TLanguage language;
    if (language.LoadLanguage(3, false))
        for (const char* section : {"G", "S", "V"})
            for (int entry = 0; entry < 160; ++entry)
                language.GetText(section, entry, entry % 4);
    return 0;
}
