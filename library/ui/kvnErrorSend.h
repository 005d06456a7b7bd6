#pragma once

#include "kvnForm.h"

#include <memory>
#include <string>

namespace Ui {
class TKvnFErrorSend;
}

// The error report: at the start after a failure, the user may send the error log to the maker's server (the
// address comes from the application information), delete it, or keep it for the next start.

namespace kvn {

class TKvnStatusDlg;

class TKvnFErrorSend : public TKvnFormDialog {
    Q_OBJECT

public:
    explicit TKvnFErrorSend(QWidget* parent = nullptr);
    ~TKvnFErrorSend() override;
    TKvnFErrorSend(const TKvnFErrorSend&) = delete;
    TKvnFErrorSend& operator=(const TKvnFErrorSend&) = delete;

    // The server's reply to the last upload; empty until one succeeded.
    const std::string& Reply() const { return fReply; }
    // The remarks as sent: the lines without trailing empty lines, each followed by CR LF.
    std::string RemarksText() const;

private:
    void SendClicked();
    void DeleteClicked();
    void Upload(TKvnStatusDlg& status);

    std::unique_ptr<Ui::TKvnFErrorSend> fUi;
    std::string fReply;
};

// Offers the error report when the error log exists (once, after the main window was first shown); true when the
// dialog was shown.
bool CheckErrorFile(QWidget* parent = nullptr);

} // namespace kvn
