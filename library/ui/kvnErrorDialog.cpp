#include "kvnErrorDialog.h"

#include "ui_TKvnErrorDialog.h"

#include "kvnDebug.h"
#include "kvnMessages.h"

#include <QApplication>
#include <QFile>
#include <QStyle>

namespace kvn {

namespace {

constexpr int kIconSize = 32;
constexpr const char* kProgramErrorIcon = ":/icons/X_ERROR.png";

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QIcon ErrorIcon()
{
    if (QFile::exists(kProgramErrorIcon)) return QIcon(kProgramErrorIcon);
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
}

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
