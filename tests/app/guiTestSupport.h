#pragma once

#include "kvnMessages.h"
#include "orvida.h"
#include "recordedBoxes.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

using kvntest::TRecordedBoxes;

// Loads the text as a result file, builds its indexes and selects the first competition.
std::unique_ptr<kvn::TOrvida> LoadDocument(const TProgramFolder& folder, const std::string& content);

// One competition around the given content of the "COMPETITION" element.
std::string Meet(const std::string& competitionContent);

// Parts of a result file: one session (1 June 2024) with the events, an event of men's freestyle, a person born in
// 1990 with the first name A, a result or entry of an event, a collection of results, and the club "SV Nord" with its
// persons and relay teams.
std::string Session(const std::string& events);
std::string Event(int id, int num, const std::string& more);
std::string Person(int id, const std::string& name, const std::string& content = "");
std::string Swim(const std::string& kind, int event, const std::string& time, const std::string& more = "");
std::string Results(const std::string& items);
std::string Clubs(const std::string& persons, const std::string& relays = "");

} // namespace veltrotest
