#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kvntest {

// A fresh folder under the system temporary directory, removed with its content on destruction.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return fPath; }
    // Full path of a file name inside the folder.
    std::string File(std::string_view name) const;
    // Writes the bytes to a file inside the folder and returns its full path.
    std::string Write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path fPath;
};

// The whole content of a file, or "" when it cannot be read.
std::string ReadFile(const std::string& path);

} // namespace kvntest
