#include "kvnErrorSend.h"

#include "ui_TKvnFErrorSend.h"

#include "kvnDebug.h"
#include "kvnEdit.h"
#include "kvnHTTP.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnStatus.h"
#include "kvnWinX.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace kvn {

namespace {

constexpr int kStatusLines = 2;
// The built-in wording of the failure message, for a program that runs without language files.
constexpr const char* kSendFailed = "Der Fehlerbericht konnte nicht gesendet werden.";

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool ErrorLogExists()
{
    std::error_code error;
    return std::filesystem::exists(ConfiguredErrorLog(), error);
}

void DeleteErrorLog()
{
    std::error_code error;
    std::filesystem::remove(ConfiguredErrorLog(), error);
}

} // namespace

TKvnFErrorSend::TKvnFErrorSend(QWidget* parent) : TKvnFormDialog(parent), fUi(std::make_unique<Ui::TKvnFErrorSend>())
{
    fUi->setupUi(this);
    // A tool window with a caption and no system buttons: the three buttons are the only ways out.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    Form().SetAutoSave(false);
    Form().FormLoaded();
    // The product name follows the translated caption; a language file that ends it without a blank still reads.
    QString caption = windowTitle();
    if (!caption.isEmpty() && !caption.endsWith(' ')) caption += ' ';
    setWindowTitle(caption + FromUtf8(GetSystemInfo().ProductName()));
    // Word-wrapped labels ask for their height only for a given width: the translated texts decide how high the
    // dialog must be at its designed width.
    resize(width(), std::max(height(), layout()->totalHeightForWidth(width())));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    fUi->EEmail->setFocus();
    connect(fUi->BSend, &QPushButton::clicked, this, &TKvnFErrorSend::SendClicked);
    connect(fUi->BDelete, &QPushButton::clicked, this, &TKvnFErrorSend::DeleteClicked);
    connect(fUi->BCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TKvnFErrorSend::~TKvnFErrorSend() = default;

std::string TKvnFErrorSend::RemarksText() const
{
    std::string text;
    for (const QString& line : fUi->MemRemarks->Lines())
        text += line.toStdString() + "\r\n";
    return text;
}

void TKvnFErrorSend::SendClicked()
{
    bool completed = RunWithStatus(this, kStatusLines, true, [this](TKvnStatusDlg& status) { Upload(status); });
    if (completed && !fReply.empty()) {
        ShowMessageBox(fReply, false, false);
    } else {
        std::string failed = GetLanguage().GetText("G", 135);
        ShowMessageBox(failed.empty() ? kSendFailed : failed, true, false);
    }
    accept();
}

void TKvnFErrorSend::Upload(TKvnStatusDlg& status)
{
    TKvnHTTP client;
    client.SetStatusDialog(&status);
    status.SetLine(0, GetLanguage().GetText("G", 136));
    const TKvnSystemX& program = GetSystemInfo();
    client.SetField("username", "");
    client.SetField("appl", program.ProductName() + " " + program.Version());
    client.SetField("email", fUi->EEmail->text().toStdString());
    client.SetField("remarks", RemarksText());
    client.SetFile("errFile", ConfiguredErrorLog());
    client.SetFileContentType("errFile", "application/octet-stream");
    TKvnMemIniFile* info = GetApplicationInfo(&status);
    if (info == nullptr) return;
    if (client.Post(info->ReadString("General", "errorURL", ""))) {
        fReply = client.Response();
        DeleteErrorLog();
    }
}

void TKvnFErrorSend::DeleteClicked()
{
    DeleteErrorLog();
    accept();
}

bool CheckErrorFile(QWidget* parent)
{
    if (!ErrorLogExists()) return false;
    TKvnFErrorSend dialog(parent);
    dialog.exec();
    return true;
}

} // namespace kvn
