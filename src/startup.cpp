#include "startup.h"

#include "kvnKorvanTidewell.h"
#include "kvnLangSelect.h"

namespace veltro {

void RunLanguageSelection(bool force)
{
    kvn::SelectLanguages(force, false);
}

void ShowStartupScreen()
{
    kvn::ShowStartScreen<kvn::TKvnFKorvanScreen>(std::chrono::seconds(2));
}

void SetStartupScreenText(const std::string& text)
{
    kvn::ShowStatus(text);
}

void ReportMainWindowReady()
{
    kvn::StartScreenMayClose();
}

void OfferPendingErrorReport() {}

} // namespace veltro
