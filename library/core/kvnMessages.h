#pragma once

#include <stdexcept>
#include <string>

// Errors that reach the general error handler, and message boxes that the core asks for without knowing the
// widget set: the user interface installs a handler that shows real boxes, tests install their own.

namespace kvn {

// A failure that the program's general error handling shows to the user.
class EKvnError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Shows modal message boxes on behalf of the core.
class IKvnMessageHandler {
public:
    virtual ~IKvnMessageHandler() = default;
    // Asks a question with the buttons Yes and No; true when the user chose Yes.
    virtual bool AskYesNo(const std::string& caption, const std::string& question) = 0;
    // Shows a text with OK (and Cancel when withCancel); false only when the user cancelled.
    virtual bool ShowMessageBox(const std::string& caption, const std::string& text, bool warning, bool withCancel) = 0;
};

// Installs the handler of all later message boxes (nullptr for none) and returns the one installed before.
IKvnMessageHandler* SetMessageHandler(IKvnMessageHandler* handler);

// Sets the caption of every message box.
void SetApplicationTitle(const std::string& title);

// Caption of every message box; "Veltro" until set.
const std::string& ApplicationTitle();

// Asks a yes/no question; true when the user chose Yes, false without a handler.
bool AskYesNo(const std::string& question);

// Shows a text, with a warning icon when warning; false only when the user cancelled (without a handler the text
// goes to standard error and the result is true).
bool ShowMessageBox(const std::string& text, bool warning = false, bool withCancel = false);

} // namespace kvn
