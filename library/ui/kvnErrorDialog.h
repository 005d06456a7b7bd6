#pragma once

#include "kvnForm.h"

#include <QIcon>

#include <memory>

namespace Ui {
class TKvnErrorDialog;
}

// The error dialog of the general error handling: the failure's message and call stack, and that the program goes
// on.

namespace kvn {

struct TKvnFailure;

class TKvnErrorDialog : public TKvnFormDialog {
    Q_OBJECT

public:
    explicit TKvnErrorDialog(const TKvnFailure& failure, QWidget* parent = nullptr);
    ~TKvnErrorDialog() override;
    TKvnErrorDialog(const TKvnErrorDialog&) = delete;
    TKvnErrorDialog& operator=(const TKvnErrorDialog&) = delete;

    // The message as shown: the short message line and the error's own text.
    QString MessageText() const;
    // The call stack as shown.
    QString CallStackText() const;

private:
    std::unique_ptr<Ui::TKvnErrorDialog> fUi;
};

} // namespace kvn
