#include "kvnMessages.h"

#include <iostream>

namespace kvn {

namespace {

IKvnMessageHandler* gHandler = nullptr;

std::string& Title()
{
    static std::string title = "Veltro";
    return title;
}

} // namespace

IKvnMessageHandler* SetMessageHandler(IKvnMessageHandler* handler)
{
    IKvnMessageHandler* previous = gHandler;
    gHandler = handler;
    return previous;
}

void SetApplicationTitle(const std::string& title)
{
    Title() = title;
}

const std::string& ApplicationTitle()
{
    return Title();
}

bool AskYesNo(const std::string& question)
{
    // Nobody can answer in a console run, and "No" is the choice that changes nothing.
    return gHandler ? gHandler->AskYesNo(Title(), question) : false;
}

bool ShowMessageBox(const std::string& text, bool warning, bool withCancel)
{
    if (gHandler) return gHandler->ShowMessageBox(Title(), text, warning, withCancel);
    std::cerr << Title() << ": " << text << '\n';
    return true;
}

} // namespace kvn
