#pragma once

#include "kvnPrint.h"

#include <QString>
#include <QTemporaryDir>

#include <string>

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

// Makes report print a bold heading and then lines "Swimmer 1" ... "Swimmer count", each with a time on the right.
void NumberedLines(kvn::TKvnReport& report, int count);

// The text of a PDF file as pdftotext reads it; empty when the tool is missing or fails.
QString PdfText(const QString& file);

} // namespace kvntest
