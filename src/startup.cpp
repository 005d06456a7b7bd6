#include "startup.h"

#include "kvnErrorSend.h"
#include "kvnLangSelect.h"

namespace veltro {

void RunLanguageSelection(bool force)
{
    kvn::SelectLanguages(force, false);
}

void ShowStartupScreen() {}

void SetStartupScreenText(const std::string&) {}

void ReportMainWindowReady() {}

void OfferPendingErrorReport()
{
    kvn::CheckErrorFile();
}

} // namespace veltro
