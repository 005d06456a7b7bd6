#pragma once

#include "kvnMessages.h"

#include <functional>
#include <string>
#include <vector>

namespace kvntest {

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

} // namespace kvntest
