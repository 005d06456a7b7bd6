#pragma once

#include "kvnMessages.h"
#include "orvida.h"

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

// Records the message boxes instead of showing them; questions are answered with "no".
class TRecordedBoxes : public kvn::IKvnMessageHandler {
public:
    TRecordedBoxes() : fPrevious(kvn::SetMessageHandler(this)) {}
    ~TRecordedBoxes() override { kvn::SetMessageHandler(fPrevious); }
    TRecordedBoxes(const TRecordedBoxes&) = delete;
    TRecordedBoxes& operator=(const TRecordedBoxes&) = delete;

    bool AskYesNo(const std::string&, const std::string& question) override
    {
        Questions.push_back(question);
        if (WhenAsked) WhenAsked();
        return false;
    }
    bool ShowMessageBox(const std::string&, const std::string& text, bool warning, bool) override
    {
        Texts.push_back(text);
        Warnings.push_back(warning);
        return true;
    }

    // Runs at every question, to look at the program while it asks.
    std::function<void()> WhenAsked;
    std::vector<std::string> Questions;
    std::vector<std::string> Texts;
    std::vector<bool> Warnings;

private:
    kvn::IKvnMessageHandler* fPrevious;
};

// Loads the text as a result file, builds its indexes and selects the first competition.
std::unique_ptr<kvn::TOrvida> LoadDocument(const TProgramFolder& folder, const std::string& content);

// One competition around the given content of the "COMPETITION" element.
std::string Meet(const std::string& competitionContent);

} // namespace veltrotest
