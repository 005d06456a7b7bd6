// Any bytes as a settings file: every kind of read never crashes, and a write keeps the file readable and every
// line it did not change as it was.

#include "fuzzSupport.h"
#include "kvnIniFiles.h"
#include "kvnMessages.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = WriteInput("veltro.INI", data, size);
    kvn::TKvnMemIniFile settings(path);
    // Each read looks through the whole file, and the program makes a fixed number of them; reading every key of a
    // file of thousands would make each run take the square of its size, so a few hundred keys are read.
    int reads = 256;
    for (const std::string& section : settings.ReadSections()) {
        for (const std::string& key : settings.ReadSection(section)) {
            if (--reads < 0) break;
            settings.ReadString(section, key, "");
            settings.ReadInteger(section, key, 0);
            settings.ReadDateTime(section, key, 0);
            settings.ReadText(section, key, "");
        }
        if (reads < 0) break;
    }
    settings.WriteString("main", "fuzz", "value");

    // The file on disk, read through the parsed copy that is kept between reads.
    kvn::TKvnIniFile disk(path);
    const std::string before = disk.ReadString("Config", "lbxLanguage", "");
    try {
        disk.WriteString("main", "fuzz", "value");
    } catch (const kvn::EKvnError&) {
        return 0;
    }
    if (disk.ReadString("main", "fuzz", "") != "value" || disk.ReadString("Config", "lbxLanguage", "") != before)
        std::abort();
    if (kvn::TKvnIniFile(path).ReadString("main", "fuzz", "") != "value") std::abort();
    return 0;
}
