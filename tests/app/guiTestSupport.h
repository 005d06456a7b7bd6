#pragma once

#include "orvida.h"

#include <filesystem>
#include <memory>
#include <string>

// Shared ground of the window tests: an offscreen application, the program's files in a private folder (settings,
// English language file), and documents made from text or by the generator.

namespace veltrotest {

// A private program folder for one test: the executable path, the settings file and the English language live
// there; the previous state comes back on destruction.
class TProgramFolder {
public:
    TProgramFolder();
    ~TProgramFolder();
    TProgramFolder(const TProgramFolder&) = delete;
    TProgramFolder& operator=(const TProgramFolder&) = delete;

    const std::filesystem::path& Path() const { return fPath; }
    // Writes a file into the folder and returns its path.
    std::string Write(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path fPath;
    std::string fSavedExecutable;
};

// Loads the text as a result file, builds its indexes and selects the first competition.
std::unique_ptr<kvn::TOrvida> LoadDocument(const TProgramFolder& folder, const std::string& content);

// One competition around the given content of the "COMPETITION" element.
std::string Meet(const std::string& competitionContent);

} // namespace veltrotest
