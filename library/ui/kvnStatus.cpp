#include "kvnStatus.h"

#include "ui_TKvnStatusDlg.h"

#include "kvnLanguage.h"
#include "kvnMessages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>

#include <algorithm>
#include <array>
#include <utility>

namespace kvn {

namespace {

constexpr int kLineHeight = 20;
constexpr int kBaseHeight = 57;
constexpr int kAbortHeight = 50;
// Distance of the abort button's top from the dialog's bottom edge.
constexpr int kAbortBottomOffset = 70;

// The built-in wording of the abort question, for a program that runs without language files.
constexpr const char* kAbortQuestion = "Wollen Sie den Vorgang wirklich abbrechen?";

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TKvnStatusDlg::TKvnStatusDlg(QWidget* owner, int lineCount, bool withAbort)
    : TKvnFormDialog(owner), fUi(std::make_unique<Ui::TKvnStatusDlg>()), fPreviousForm(QApplication::activeWindow())
{
    fUi->setupUi(this);
    // Its size follows the number of lines; a stored placement would only fight that.
    Form().SetAutoSave(false);
    Form().SetEscapeButton(fUi->btnAbort);
    Form().FormLoaded();
    // A fixed border with a caption but without system buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(FromUtf8(ApplicationTitle()));

    int lines = std::clamp(lineCount, 1, 3);
    fUi->lblInfo1->setVisible(lines >= 2);
    fUi->lblInfo2->setVisible(lines >= 3);
    int dialogHeight = lines * kLineHeight + kBaseHeight + (withAbort ? kAbortHeight : 0);
    setFixedSize(width(), dialogHeight);
    fUi->btnAbort->move(fUi->btnAbort->x(), dialogHeight - kAbortBottomOffset);
    fUi->btnAbort->setVisible(withAbort);
    for (int i = 0; i < 3; ++i)
        Line(i)->clear();

    QRect centreOn;
    if (QWidget* main = MainWindow()) {
        centreOn = main->frameGeometry();
    } else if (owner != nullptr && owner->window()->isVisible()) {
        centreOn = owner->window()->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        centreOn = screen->availableGeometry();
    }
    if (centreOn.isValid())
        move(centreOn.left() + (centreOn.width() - width()) / 2,
             centreOn.top() + (centreOn.height() - dialogHeight) / 2);

    fStartingTimer.setSingleShot(true);
    fStartingTimer.setTimerType(Qt::PreciseTimer);
    fStartingTimer.setInterval(kStartDelay);
    connect(&fStartingTimer, &QTimer::timeout, this, &TKvnStatusDlg::StartJob);
    connect(fUi->btnAbort, &QPushButton::clicked, this, &TKvnStatusDlg::AbortClicked);
}

TKvnStatusDlg::~TKvnStatusDlg()
{
    fStartingTimer.stop();
    BringBackWindow(fPreviousForm, this);
}

bool TKvnStatusDlg::Execute(TStatusJob job)
{
    fJob = std::move(job);
    fJobDone = false;
    fFailure = nullptr;
    fUi->btnAbort->setEnabled(true);
    fStartingTimer.start();
    exec();
    bool completed = !CheckAborted();
    if (fFailure) std::rethrow_exception(std::exchange(fFailure, nullptr));
    return completed;
}

void TKvnStatusDlg::StartJob()
{
    fStartingTimer.stop();
    // Exceptions must not cross Qt's event loop; the failure is raised again in Execute once the dialog is gone.
    try {
        if (fJob) fJob(*this);
    } catch (...) {
        fFailure = std::current_exception();
    }
    fJobDone = true;
    // A click still queued from the job's last moments must not ask about a job that is over.
    fUi->btnAbort->setEnabled(false);
    done(QDialog::Accepted);
}

void TKvnStatusDlg::SetLine(int index, const std::string& text)
{
    QLabel* line = Line(index);
    if (line == nullptr) return;
    // A long text (a list's title) is cut short visibly rather than at both edges of the centred line.
    line->setText(line->fontMetrics().elidedText(FromUtf8(text), Qt::ElideRight, line->width()));
    repaint();
}

std::string TKvnStatusDlg::GetLine(int index) const
{
    const QLabel* line = Line(index);
    return line == nullptr ? std::string() : line->text().toStdString();
}

bool TKvnStatusDlg::CheckAborted()
{
    QCoreApplication::processEvents();
    return fAborted;
}

void TKvnStatusDlg::AbortClicked()
{
    if (fAborted) return;
    std::string question = GetLanguage().GetText("G", 68);
    fAborted = AskYesNo(question.empty() ? kAbortQuestion : question);
}

void TKvnStatusDlg::reject()
{
    if (!fUi->btnAbort->isHidden()) fUi->btnAbort->click();
}

void TKvnStatusDlg::closeEvent(QCloseEvent* event)
{
    if (fJobDone) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

QLabel* TKvnStatusDlg::Line(int index) const
{
    const std::array<QLabel*, 3> lines = {fUi->lblInfo0, fUi->lblInfo1, fUi->lblInfo2};
    if (index < 0 || index >= static_cast<int>(lines.size())) return nullptr;
    return lines[static_cast<std::size_t>(index)];
}

bool RunWithStatus(QWidget* owner, int lineCount, bool withAbort, TStatusJob job)
{
    auto dialog = std::make_unique<TKvnStatusDlg>(owner, lineCount, withAbort);
    return dialog->Execute(std::move(job));
}

} // namespace kvn
