#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;
class QWidget;

// Signals sent to the process from outside (kill, a desktop logout, Ctrl+C in a terminal) turned into ordinary
// events of the user-interface thread, so that the program can end the way it ends on its own command.

namespace kvn {

// The one receiver of the watched signals. The signal handler only writes the signal's number into a pipe; the
// event loop reads it and emits Received, where any code may act.
class TKvnSignals : public QObject {
    Q_OBJECT

public:
    // The receiver, created on first use; needs a running QApplication to deliver anything.
    static TKvnSignals& Instance();
    ~TKvnSignals() override;

    // Installs the handler for the signals. A second signal that arrives before the event loop has taken the first
    // one (the loop is stuck) ends the process as the signal's default action would.
    void Watch(std::initializer_list<int> signalNumbers);

signals:
    // A watched signal arrived; emitted on the user-interface thread.
    void Received(int signalNumber);

private:
    TKvnSignals();
    void ReadPending();

    int fPipe[2] = {-1, -1};
    QSocketNotifier* fNotifier = nullptr;
};

// On SIGTERM, SIGHUP and SIGINT: closes the open modal dialogs, then the window, which then writes its settings as
// when the user closes it.
void CloseOnTerminationSignals(QWidget& window);

} // namespace kvn
