#pragma once

#include <string>

// Steps of the program's start that belong to other windows: the language selection, the start-up screen and the
// error report.

namespace veltro {

// Lets the user choose the languages at the first start; does nothing once a language has been chosen.
void RunLanguageSelection(bool force);
// Shows the start-up screen for at least 2 seconds and until the main window is ready.
void ShowStartupScreen();
// Shows a progress text on the start-up screen while a file from the command line loads.
void SetStartupScreenText(const std::string& text);
// Tells the start-up screen that the main window is ready, so that it may close.
void ReportMainWindowReady();
// Offers to send an error report left by an earlier run.
void OfferPendingErrorReport();

} // namespace veltro
