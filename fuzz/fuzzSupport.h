#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

// The folder of this process into which each input is written; removed with its content when the process ends.
class TFuzzFolder {
public:
    TFuzzFolder() : fPath(std::filesystem::temp_directory_path() / ("veltro-fuzz-" + std::to_string(getpid())))
    {
        std::filesystem::create_directories(fPath);
    }
    ~TFuzzFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(fPath, ignored);
    }
    TFuzzFolder(const TFuzzFolder&) = delete;
    TFuzzFolder& operator=(const TFuzzFolder&) = delete;

    const std::filesystem::path& Path() const { return fPath; }

private:
    std::filesystem::path fPath;
};

// The readers under test take file names: each input is written to a file in the folder of this process.
inline std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    // A static object is destroyed by exit(), which libFuzzer calls when a run ends normally.
    static const TFuzzFolder folder;
    std::string path = (folder.Path() / name).string();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}
