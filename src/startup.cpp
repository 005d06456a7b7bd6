#include "startup.h"

namespace veltro {

void RunLanguageSelection(bool) {}

void ShowStartupScreen() {}

void SetStartupScreenText(const std::string&) {}

void ReportMainWindowReady() {}

void OfferPendingErrorReport() {}

} // namespace veltro
