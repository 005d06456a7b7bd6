#pragma once

#include "kvnMessages.h"

#include <QString>

class QLocale;

// The widget-set side of services the core asks for: message boxes and the system's date conventions.

namespace kvn {

// Shows the core's message boxes as QMessageBox dialogs.
class TQtMessageHandler : public IKvnMessageHandler {
public:
    bool AskYesNo(const std::string& caption, const std::string& question) override;
    bool ShowMessageBox(const std::string& caption, const std::string& text, bool warning, bool withCancel) override;
};

// Converts a Qt date/time format ("dd.MM.yyyy HH:mm") to the core's letters ("dd.mm.yyyy hh:nn").
std::string CoreFormatFromQt(const QString& qtFormat);

// Fills the process-wide format settings from the locale (formats, separators, month and day names).
void ApplyLocaleFormatSettings(const QLocale& locale);

} // namespace kvn
