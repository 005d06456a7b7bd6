#pragma once

#include <QApplication>

#include <exception>

// The top of the general error handling: an exception that no code caught, in an event handler or during the
// start, is appended to the error log and shown in the error dialog, and the program goes on.

namespace kvn {

// Logs the failure and shows it in the error dialog; never throws. A failure while the dialog is up is only logged.
void HandleUnhandledException(const std::exception_ptr& failure);

// The application object whose event delivery hands escaping exceptions to HandleUnhandledException.
class TKvnApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace kvn
