#include "kvnThrottle.h"

#include <utility>

namespace kvn {

TProgressThrottle::TProgressThrottle(std::chrono::milliseconds interval, TClock clock)
    : fInterval(interval), fClock(std::move(clock))
{
}

bool TProgressThrottle::ShouldShow(const std::string& text)
{
    if (fShownAny && text == fShownText) return false;
    const auto now = fClock();
    if (fShownAny && now - fShownAt < fInterval) return false;
    fShownText = text;
    fShownAt = now;
    fShownAny = true;
    return true;
}

void TProgressThrottle::Reset()
{
    fShownText.clear();
    fShownAny = false;
}

} // namespace kvn
