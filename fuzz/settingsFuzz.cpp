// Any bytes as a settings file: every kind of read never crashes, and a write keeps the file readable.

#include "fuzzSupport.h"
#include "kvnIniFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kvn::TKvnMemIniFile settings(WriteInput("veltro.INI", data, size));
    for (const std::string& section : settings.ReadSections()) {
        for (const std::string& key : settings.ReadSection(section)) {
            settings.ReadString(section, key, "");
            settings.ReadInteger(section, key, 0);
            settings.ReadDateTime(section, key, 0);
            settings.ReadText(section, key, "");
        }
    }
    settings.WriteString("main", "fuzz", "value");
    return 0;
}
