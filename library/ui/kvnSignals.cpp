#include "kvnSignals.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kvn {

namespace {

// Written by the handler, read by the event loop; plain ints are what a signal handler may touch.
volatile std::sig_atomic_t gWriteEnd = -1;
volatile std::sig_atomic_t gPending = 0;

void HandleSignal(int signalNumber)
{
    if (gPending != 0) {
        // The loop has not taken the last signal yet and may never do so: end as the signal would have.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    gPending = 1;
    int savedErrno = errno;
    unsigned char number = static_cast<unsigned char>(signalNumber);
    if (write(gWriteEnd, &number, 1) != 1) gPending = 0;
    errno = savedErrno;
}

} // namespace

TKvnSignals& TKvnSignals::Instance()
{
    static TKvnSignals* instance = new TKvnSignals; // lives as long as the process: a handler may still write
    return *instance;
}

TKvnSignals::TKvnSignals()
{
    if (pipe2(fPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    gWriteEnd = fPipe[1];
    fNotifier = new QSocketNotifier(fPipe[0], QSocketNotifier::Read, this);
    connect(fNotifier, &QSocketNotifier::activated, this, &TKvnSignals::ReadPending);
}

TKvnSignals::~TKvnSignals() = default;

void TKvnSignals::Watch(std::initializer_list<int> signalNumbers)
{
    if (fNotifier == nullptr) return; // without the pipe the signals keep their default action
    struct sigaction action = {};
    action.sa_handler = HandleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : signalNumbers)
        sigaction(signalNumber, &action, nullptr);
}

void TKvnSignals::ReadPending()
{
    unsigned char number = 0;
    while (read(fPipe[0], &number, 1) == 1) {
        gPending = 0;
        emit Received(number);
    }
}

void CloseOnTerminationSignals(QWidget& window)
{
    TKvnSignals& receiver = TKvnSignals::Instance();
    receiver.Watch({SIGTERM, SIGHUP, SIGINT});
    QPointer<QWidget> target(&window);
    QObject::connect(&receiver, &TKvnSignals::Received, &window, [target] {
        // A modal dialog runs a loop of its own; the window can only end once that loop has returned.
        while (QWidget* modal = QApplication::activeModalWidget()) {
            if (modal == target) break;
            modal->close();
            if (modal->isVisible()) break; // it refuses to close; the window's close still asks
        }
        if (target) target->close();
    });
}

} // namespace kvn
