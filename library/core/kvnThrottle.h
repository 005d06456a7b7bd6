#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace kvn {

// Decides when a progress text is worth showing: only when it differs from the one shown last and at least an
// interval of wall time has passed, so that a display which processes window messages costs nothing measurable
// however often the worker reports.
class TProgressThrottle {
public:
    using TClock = std::function<std::chrono::steady_clock::time_point()>;

    explicit TProgressThrottle(std::chrono::milliseconds interval = std::chrono::milliseconds(50),
                               TClock clock = &std::chrono::steady_clock::now);

    // True when text should be shown now; remembers it as shown.
    bool ShouldShow(const std::string& text);

    // Forgets the text and time shown last, so that the next report of a new job is shown at once.
    void Reset();

private:
    std::chrono::milliseconds fInterval;
    TClock fClock;
    std::string fShownText;
    std::chrono::steady_clock::time_point fShownAt{};
    bool fShownAny = false;
};

} // namespace kvn
