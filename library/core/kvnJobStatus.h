#pragma once

#include <string>

// What a long job in the core sees of the status dialog it runs in: status lines to write and the user's abort
// request to poll. The user interface's status dialog is one; tests put their own in place.

namespace kvn {

class IKvnJobStatus {
public:
    virtual ~IKvnJobStatus() = default;
    // Sets the text of status line index (0 to 2) and shows it at once.
    virtual void SetLine(int index, const std::string& text) = 0;
    // Handles pending window messages, then tells whether the user has confirmed an abort.
    virtual bool CheckAborted() = 0;
};

} // namespace kvn
