#pragma once

#include "kvnForm.h"
#include "kvnJobStatus.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <exception>
#include <functional>
#include <memory>
#include <string>

class QCloseEvent;
class QLabel;

namespace Ui {
class TKvnStatusDlg;
}

// The status dialog of long jobs (printing, preview, HTML output, network transfers): a small modal dialog with up
// to three status lines and an abort button. The job runs on the user-interface thread while the dialog is on
// screen; the dialog sees the abort button only when the job polls CheckAborted.

namespace kvn {

class TKvnStatusDlg;

// A long job: reports its progress with SetLine and polls CheckAborted at points of its choosing.
using TStatusJob = std::function<void(TKvnStatusDlg&)>;

class TKvnStatusDlg : public TKvnFormDialog, public IKvnJobStatus {
    Q_OBJECT

public:
    // Delay between the dialog's appearance and the start of its job, in milliseconds.
    static constexpr int kStartDelay = 100;

    // Builds the dialog centred on the main window with lineCount visible lines (clamped to 1 to 3) and, when
    // withAbort, the abort button; remembers the window that is active now.
    TKvnStatusDlg(QWidget* owner, int lineCount, bool withAbort);
    // Brings the window that was active before the dialog to the front, or the main window when that one is gone
    // or hidden.
    ~TKvnStatusDlg() override;

    TKvnStatusDlg(const TKvnStatusDlg&) = delete;
    TKvnStatusDlg& operator=(const TKvnStatusDlg&) = delete;

    // Shows the dialog modally, runs job once the start timer fires and closes the dialog when the job returns;
    // true when no abort was requested, and a failure of the job is raised again once the dialog has closed.
    bool Execute(TStatusJob job);

    // Sets the text of line index (0 to 2; other indexes are ignored) and repaints the dialog at once.
    void SetLine(int index, const std::string& text) override;
    // The text of line index; empty for indexes outside 0 to 2.
    std::string GetLine(int index) const;

    // Handles pending window messages, so that a click on the abort button is seen, then tells whether the user
    // has confirmed an abort.
    bool CheckAborted() override;
    // True once the user has confirmed an abort; it stays true.
    bool Aborted() const { return fAborted; }

    // The one-shot timer that starts the job; inactive until Execute.
    const QTimer& StartingTimer() const { return fStartingTimer; }

protected:
    // Escape acts as the abort button instead of closing the dialog under the running job.
    void reject() override;
    // The dialog closes only by itself, when its job is over.
    void closeEvent(QCloseEvent* event) override;

private:
    void AbortClicked();
    void StartJob();
    QLabel* Line(int index) const;

    std::unique_ptr<Ui::TKvnStatusDlg> fUi;
    QTimer fStartingTimer;
    TStatusJob fJob;
    std::exception_ptr fFailure;
    QPointer<QWidget> fPreviousForm;
    bool fAborted = false;
    bool fJobDone = false;
};

// Runs job inside a status dialog over owner with lineCount status lines (1 to 3) and, when withAbort, the abort
// button; true when the job ran to its end without an abort request, false after one. A failure of the job closes
// the dialog and is raised again to the caller.
bool RunWithStatus(QWidget* owner, int lineCount, bool withAbort, TStatusJob job);

} // namespace kvn
