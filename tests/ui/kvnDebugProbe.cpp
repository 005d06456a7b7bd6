// A program that fails on purpose, run by the diagnostics tests as a child process:
//
//     kvn_debug_probe throw LOG   an exception escapes a timer's event handler; prints the error dialog's texts,
//                                 closes it and ends normally
//     kvn_debug_probe null LOG    dereferences a null pointer

#include "kvnDebug.h"
#include "kvnErrorDialog.h"
#include "kvnErrorHandler.h"

#include <QTimer>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

[[gnu::noinline]] void ThrowFromTimerHandler()
{
    throw std::runtime_error("Probe failure in a timer");
}

// The sanitizers would report the access themselves; the fatal-signal handler is what is tested here.
[[gnu::noinline, gnu::no_sanitize_address, gnu::no_sanitize_undefined]] int ProbeNullDereference()
{
    int* volatile pointer = nullptr;
    return *pointer;
}

// Closes the error dialog once it is up, then ends the program, which must have kept running.
void CloseDialogWhenShown(QTimer& poll)
{
    auto* dialog = qobject_cast<kvn::TKvnErrorDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    std::printf("message: %s\ncall stack:\n%s\n", dialog->MessageText().toUtf8().constData(),
                dialog->CallStackText().toUtf8().constData());
    dialog->accept();
    poll.stop();
    QTimer::singleShot(0, [] {
        std::printf("still running\n");
        QApplication::quit();
    });
}

} // namespace

int main(int argc, char* argv[])
{
    int helperStatus = 0;
    if (kvn::RunDiagnosticsHelper(argc, argv, helperStatus)) return helperStatus;
    if (argc != 3) {
        std::fprintf(stderr, "usage: kvn_debug_probe throw|null LOG\n");
        return 2;
    }
    std::string mode = argv[1];
    kvn::ConfigureDiagnostics(argv[2], "Probe 1.0 - 9.12.2026; test system");
    if (mode == "null") return ProbeNullDereference();

    kvn::TKvnApplication application(argc, argv);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&poll] { CloseDialogWhenShown(poll); });
    poll.start(10);
    QTimer::singleShot(0, ThrowFromTimerHandler);
    return QApplication::exec();
}
