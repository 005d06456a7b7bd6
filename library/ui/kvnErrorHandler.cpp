#include "kvnErrorHandler.h"

#include "kvnDebug.h"
#include "kvnErrorDialog.h"

#include <cstdio>

namespace kvn {

void HandleUnhandledException(const std::exception_ptr& failure)
{
    static bool showing = false;
    try {
        TKvnFailure description = DescribeException(failure);
        if (!AppendToErrorLog(ErrorEntry(description, LocalNow())))
            std::fprintf(stderr, "Can not write the error log %s\n", ConfiguredErrorLog().c_str());
        if (showing) return;
        showing = true;
        TKvnErrorDialog dialog(description);
        dialog.exec();
        showing = false;
    } catch (...) {
        showing = false;
        std::fprintf(stderr, "The error handling failed itself\n");
    }
}

bool TKvnApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleUnhandledException(std::current_exception());
    }
    return false;
}

} // namespace kvn
