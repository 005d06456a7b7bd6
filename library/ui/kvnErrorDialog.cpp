#include "kvnErrorDialog.h"

#include "ui_TKvnErrorDialog.h"

#include "kvnDebug.h"
#include "kvnIcons.h"
#include "kvnMessages.h"

#include <QApplication>
#include <QFile>
#include <QStyle>

namespace kvn {

namespace {

constexpr int kIconSize = 32;

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TKvnErrorDialog::TKvnErrorDialog(const TKvnFailure& failure, QWidget* parent)
    : TKvnFormDialog(parent), fUi(std::make_unique<Ui::TKvnErrorDialog>())
{
    fUi->setupUi(this);
    // Shown while something has gone wrong: it must not depend on the settings file being writable.
    Form().SetAutoSave(false);
    Form().FormLoaded();
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(FromUtf8(ApplicationTitle()));
    QIcon icon = ErrorIcon();
    setWindowIcon(icon);
    fUi->lblIcon->setPixmap(icon.pixmap(kIconSize, kIconSize));
    fUi->lblMessage->setText(FromUtf8(failure.Message + "\n\n" + MessageLine(failure)));
    QString stack = FromUtf8(failure.CallStack);
    stack.replace("\r\n", "\n");
    fUi->memCallStack->setPlainText(stack);
    connect(fUi->btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

TKvnErrorDialog::~TKvnErrorDialog() = default;

QString TKvnErrorDialog::MessageText() const
{
    return fUi->lblMessage->text();
}

QString TKvnErrorDialog::CallStackText() const
{
    return fUi->memCallStack->toPlainText();
}

} // namespace kvn
