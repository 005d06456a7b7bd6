#pragma once

#include "kvnMessages.h"
#include "kvnPrint.h"

#include <QString>
#include <QTemporaryDir>

#include <deque>
#include <string>
#include <vector>

// Shared ground of the print window tests: a private program folder with its settings file and the shipped English
// language file, and a small report of numbered lines.

namespace kvntest {

// A private program folder for one test: executable path, settings file and the English language live there; the
// previous state comes back on destruction.
class TPrintFolder {
public:
    TPrintFolder();
    ~TPrintFolder();
    TPrintFolder(const TPrintFolder&) = delete;
    TPrintFolder& operator=(const TPrintFolder&) = delete;

    bool Valid() const { return fDir.isValid(); }
    // The path of a file in the folder.
    std::string File(const std::string& name) const;

private:
    QTemporaryDir fDir;
    std::string fSavedExecutable;
    std::string fSavedSettings;
};

// A printer information whose selected printer has A4 paper.
class TA4Printers : public kvn::IKvnPrinterInfo {
public:
    bool HasPrinter() const override { return true; }
    std::string SelectedPrinterName() const override { return "PDF"; }
    int SelectedPaperCode() const override { return 9; }
};

// Answers the yes/no questions from a script (no once it runs out) and records them and the message boxes.
class TScriptedAnswers : public kvn::IKvnMessageHandler {
public:
    TScriptedAnswers() : fPrevious(kvn::SetMessageHandler(this)) {}
    ~TScriptedAnswers() override { kvn::SetMessageHandler(fPrevious); }
    TScriptedAnswers(const TScriptedAnswers&) = delete;
    TScriptedAnswers& operator=(const TScriptedAnswers&) = delete;

    bool AskYesNo(const std::string&, const std::string& question) override
    {
        Questions.push_back(question);
        if (Answers.empty()) return false;
        bool answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    bool ShowMessageBox(const std::string&, const std::string& text, bool, bool) override
    {
        Texts.push_back(text);
        return true;
    }

    std::deque<bool> Answers;
    std::vector<std::string> Questions;
    std::vector<std::string> Texts;

private:
    kvn::IKvnMessageHandler* fPrevious;
};

// Makes report print a bold heading and then lines "Swimmer 1" ... "Swimmer count", each with a time on the right.
void NumberedLines(kvn::TKvnReport& report, int count);

// The text of a PDF file as pdftotext reads it; empty when the tool is missing or fails.
QString PdfText(const QString& file);

} // namespace kvntest
