#include "kvnForm.h"

#include "kvnAccelerator.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnLanguageForms.h"
#include "kvnMessages.h"
#include "kvnQtTranslation.h"
#include "kvnStrings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdlib>

namespace kvn {

namespace {

const char* const kWindowsSection = "Windows";

// Distance in pixels within which a window snaps to a screen edge.
constexpr int kSnapDistance = 20;

std::vector<TKvnForm*>& Forms()
{
    static std::vector<TKvnForm*> forms;
    return forms;
}

THelpHandler& HelpHandler()
{
    static THelpHandler handler;
    return handler;
}

int& PushedCursors()
{
    static int count = 0;
    return count;
}

bool IsSizeable(const QWidget& window)
{
    if (window.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint)) return false;
    if (window.layout() != nullptr && window.layout()->sizeConstraint() == QLayout::SetFixedSize) return false;
    return window.minimumSize() != window.maximumSize();
}

// The size the window will show with: a window nobody has resized yet takes its size hint when it is shown.
QSize ShownSize(const QWidget& window)
{
    if (window.testAttribute(Qt::WA_Resized) || !window.sizeHint().isValid()) return window.size();
    return window.sizeHint().expandedTo(window.minimumSize()).boundedTo(window.maximumSize());
}

QRect PrimaryScreenGeometry()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry() : QRect();
}

QPoint CentredPosition(const QWidget& window)
{
    QRect screen = PrimaryScreenGeometry();
    QSize size = ShownSize(window);
    return {screen.x() + (screen.width() - size.width()) / 2, screen.y() + (screen.height() - size.height()) / 2};
}

void LoadStandardControl(QObject& component, TKvnCustomIniFile& settings, std::string_view section,
                         const std::string& key)
{
    if (auto* check = qobject_cast<QCheckBox*>(&component)) {
        if (check->isTristate()) {
            int state = settings.ReadInteger(section, key, static_cast<int>(check->checkState()));
            if (state >= Qt::Unchecked && state <= Qt::Checked)
                check->setCheckState(static_cast<Qt::CheckState>(state));
        } else {
            check->setChecked(settings.ReadBool(section, key, check->isChecked()));
        }
    } else if (auto* radio = qobject_cast<QRadioButton*>(&component)) {
        radio->setChecked(settings.ReadBool(section, key, radio->isChecked()));
    } else if (auto* box = qobject_cast<QComboBox*>(&component)) {
        int index = settings.ReadInteger(section, key, box->currentIndex());
        if (index >= -1 && index < box->count()) box->setCurrentIndex(index);
    } else if (auto* list = qobject_cast<QListWidget*>(&component)) {
        int row = settings.ReadInteger(section, key, list->currentRow());
        if (row >= -1 && row < list->count()) list->setCurrentRow(row);
    } else if (auto* spin = qobject_cast<QSpinBox*>(&component)) {
        spin->setValue(settings.ReadInteger(section, key, spin->value()));
    } else if (auto* edit = qobject_cast<QLineEdit*>(&component)) {
        edit->setText(QString::fromStdString(settings.ReadString(section, key, edit->text().toStdString())));
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(&component)) {
        std::string text = settings.ReadText(section, key, memo->toPlainText().toStdString());
        memo->setPlainText(QString::fromStdString(ReplaceAll(text, "\r\n", "\n")));
    }
}

void SaveStandardControl(QObject& component, TKvnCustomIniFile& settings, std::string_view section,
                         const std::string& key)
{
    if (auto* check = qobject_cast<QCheckBox*>(&component)) {
        if (check->isTristate())
            settings.WriteInteger(section, key, static_cast<int>(check->checkState()));
        else
            settings.WriteBool(section, key, check->isChecked());
    } else if (auto* radio = qobject_cast<QRadioButton*>(&component)) {
        settings.WriteBool(section, key, radio->isChecked());
    } else if (auto* box = qobject_cast<QComboBox*>(&component)) {
        settings.WriteInteger(section, key, box->currentIndex());
    } else if (auto* list = qobject_cast<QListWidget*>(&component)) {
        settings.WriteInteger(section, key, list->currentRow());
    } else if (auto* spin = qobject_cast<QSpinBox*>(&component)) {
        settings.WriteInteger(section, key, spin->value());
    } else if (auto* edit = qobject_cast<QLineEdit*>(&component)) {
        settings.WriteString(section, key, edit->text().toStdString());
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(&component)) {
        settings.WriteText(section, key, ReplaceAll(memo->toPlainText().toStdString(), "\n", "\r\n"));
    }
}

template <class TVisit>
void VisitTagged(QWidget& window, int tag, TVisit visit)
{
    for (QObject* component : FormComponents(window)) {
        QVariant property = component->property("tag");
        auto* persistent = dynamic_cast<IIniPersistent*>(component);
        // Standard controls take part only when tagged on purpose, so that untagged ones are never touched.
        if (persistent == nullptr && !property.isValid()) continue;
        if (property.toInt() != tag) continue;
        QString name = component->objectName();
        if (persistent == nullptr && (name.isEmpty() || name.startsWith(QLatin1String("qt_")))) continue;
        visit(*component, persistent, name.toStdString());
    }
}

} // namespace

std::optional<TKvnPlacement> ParsePlacement(std::string_view text)
{
    if (FieldCount(text, ",", true) != 5) return std::nullopt;
    int fields[5];
    for (int i = 0; i < 5; ++i)
        if (!TryStrToInt(GetField(text, ",", i + 1, true), fields[i])) return std::nullopt;
    TKvnPlacement placement{fields[0], fields[1], fields[2], fields[3], fields[4]};
    if (placement.Width <= 0 || placement.Height <= 0 || placement.State < 0 || placement.State > 2)
        return std::nullopt;
    return placement;
}

std::string PlacementText(const TKvnPlacement& placement)
{
    return IntToStr(placement.Left) + "," + IntToStr(placement.Top) + "," + IntToStr(placement.Width) + "," +
           IntToStr(placement.Height) + "," + IntToStr(placement.State);
}

TKvnPlacement RestoredPlacement(const TKvnPlacement& stored, QSize screen, bool sizeable, QSize current)
{
    const int screenWidth = screen.width();
    const int screenHeight = screen.height();
    TKvnPlacement placed;
    placed.Left = std::max(0, std::min(stored.Left, screenWidth - 10));
    placed.Top = std::max(0, std::min(stored.Top, screenHeight - 10));
    placed.Width = sizeable ? std::min(stored.Width, screenWidth - 10) : current.width();
    placed.Height = sizeable ? std::min(stored.Height, screenHeight - 10) : current.height();
    // The title bar must stay reachable, hence 30 pixels at the bottom.
    if (placed.Left > screenWidth - 10 || placed.Left + placed.Width < 10 || placed.Top > screenHeight - 30 ||
        placed.Top + placed.Height < 10) {
        placed.Left = (screenWidth - placed.Width) / 2;
        placed.Top = (screenHeight - placed.Height) / 2;
    }
    placed.State = stored.State;
    return placed;
}

QPoint KeptOnScreen(const QRect& frame, const QRect& area, bool alwaysInScreen, bool snap, bool maximized)
{
    const int width = frame.width();
    const int height = frame.height();
    const int areaLeft = area.x();
    const int areaTop = area.y();
    const int areaRight = area.x() + area.width();
    const int areaBottom = area.y() + area.height();
    int left = frame.x();
    int top = frame.y();
    if (alwaysInScreen) {
        if (left > areaLeft && left + width > areaRight) left = areaRight - width;
        if (top > areaTop && top + height > areaBottom) top = areaBottom - height;
        if (!maximized) {
            left = std::max(left, areaLeft);
            top = std::max(top, areaTop);
        }
    }
    if (snap && !maximized) {
        if (std::abs(left - areaLeft) < kSnapDistance) left = areaLeft;
        if (std::abs(top - areaTop) < kSnapDistance) top = areaTop;
        if (std::abs(left + width - areaRight) < kSnapDistance) left = areaRight - width;
        if (std::abs(top + height - areaBottom) < kSnapDistance) top = areaBottom - height;
    }
    return {left, top};
}

TKvnForm::TKvnForm(QWidget& window, std::string className) : fWindow(window), fClassName(std::move(className))
{
    [[maybe_unused]] static const bool installed = (InstallFormTranslator(), true);
    Forms().push_back(this);
    fWindow.installEventFilter(this);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), &fWindow);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &TKvnForm::ShowContextHelp);
}

TKvnForm::~TKvnForm()
{
    std::vector<TKvnForm*>& forms = Forms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (!fLoaded || !fAutoSave) return;
    try {
        SavePosition(PlacementKey());
    } catch (const std::exception&) {
        // A window that is going away has nobody left to tell; the settings keep the placement saved before.
    }
}

void TKvnForm::FormLoaded()
{
    if (fLoaded) return;
    // The first call creates the language manager, which translates the forms loaded so far: this one must not be
    // among them yet, or its texts would be exported translated.
    TLanguage& language = GetLanguage();
    fLoaded = true;

    if (!(fAutoSave && RestorePosition(PlacementKey()))) fWindow.move(CentredPosition(fWindow));
    fDefaultPosition = CentredPosition(fWindow);

    std::vector<std::string> chain = ClassChain();
    if (!language.ExportDir().empty() && ExportFormTexts(language, fWindow, chain.back()))
        ShowMessageBox(chain.back() + "\nForm - Texte gespeichert", false, false);
    TranslateForm(language, fWindow, chain);
    if (fAutoAccelerators) AssignAccelerators(fWindow);

    for (QObject* component : FormComponents(fWindow))
        if (auto* label = qobject_cast<QLabel*>(component); label != nullptr && label->buddy() != nullptr)
            label->installEventFilter(this);
}

bool TKvnForm::RestorePosition(const std::string& key)
{
    std::optional<TKvnPlacement> stored = ParsePlacement(SettingsFile().ReadString(kWindowsSection, key, ""));
    QRect screen = PrimaryScreenGeometry();
    if (!stored || screen.isEmpty()) return false;
    TKvnPlacement placed = RestoredPlacement(*stored, screen.size(), IsSizeable(fWindow), ShownSize(fWindow));
    // The stored rectangle is the client area (see CurrentPlacement), so it is set back the same way.
    fWindow.setGeometry(screen.x() + placed.Left, screen.y() + placed.Top, placed.Width, placed.Height);
    if (placed.State == 2) {
        fWindow.setWindowState(fWindow.windowState() | Qt::WindowMaximized);
    } else if (placed.State == 1 && qobject_cast<QDialog*>(&fWindow) == nullptr) {
        // A minimised modal dialog would block the program out of sight, so only other windows start minimised.
        fWindow.setWindowState(fWindow.windowState() | Qt::WindowMinimized);
    }
    return true;
}

TKvnPlacement TKvnForm::CurrentPlacement() const
{
    QRect normal = fWindow.normalGeometry();
    if (!normal.isValid()) normal = fWindow.geometry();
    QRect screen = PrimaryScreenGeometry();
    int state = fWindow.isMinimized() ? 1 : fWindow.isMaximized() ? 2 : 0;
    return {normal.x() - screen.x(), normal.y() - screen.y(), normal.width(), normal.height(), state};
}

void TKvnForm::SavePosition(const std::string& key) const
{
    SettingsFile().WriteString(kWindowsSection, key, PlacementText(CurrentPlacement()));
}

void TKvnForm::ResetPosition()
{
    fWindow.move(fDefaultPosition);
}

void TKvnForm::KeepOnScreen()
{
    if (fKeeping || fWindow.isMinimized() || fWindow.isFullScreen()) return;
    QScreen* screen = fWindow.screen();
    if (screen == nullptr) return;
    QRect frame = fWindow.frameGeometry();
    QPoint kept =
        KeptOnScreen(frame, screen->availableGeometry(), fAlwaysInScreen, fSnapAtScreenBorder, fWindow.isMaximized());
    if (kept == frame.topLeft()) return;
    fKeeping = true;
    fWindow.move(kept);
    fKeeping = false;
}

void TKvnForm::ShowContextHelp()
{
    if (HelpHandler()) HelpHandler()(fWindow, fHelpContext);
}

void TKvnForm::LoadTaggedSettings(TKvnCustomIniFile& settings, std::string_view section, int tag)
{
    VisitTagged(fWindow, tag, [&](QObject& component, IIniPersistent* persistent, const std::string& key) {
        if (persistent != nullptr)
            persistent->LoadFromIni(settings, section);
        else
            LoadStandardControl(component, settings, section, key);
    });
}

void TKvnForm::SaveTaggedSettings(TKvnCustomIniFile& settings, std::string_view section, int tag)
{
    VisitTagged(fWindow, tag, [&](QObject& component, IIniPersistent* persistent, const std::string& key) {
        if (persistent != nullptr)
            persistent->SaveToIni(settings, section);
        else
            SaveStandardControl(component, settings, section, key);
    });
}

std::string TKvnForm::PlacementKey() const
{
    QString name = fWindow.objectName();
    return name.isEmpty() ? ClassChain().back() : name.toStdString();
}

std::vector<std::string> TKvnForm::ClassChain() const
{
    if (!fClassName.empty()) return {"TForm", "TKvnForm", fClassName};
    return FormClassChain(fWindow, true);
}

bool TKvnForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &fWindow) {
        switch (event->type()) {
        case QEvent::Show:
            // A window that never called FormLoaded still gets its placement and texts before it appears.
            if (!fLoaded) FormLoaded();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            if (fLoaded && fWindow.isVisible()) KeepOnScreen();
            break;
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && fEscapeButton != nullptr &&
                fEscapeButton->isVisible() && fEscapeButton->isEnabled()) {
                fEscapeButton->click();
                return true;
            }
            break;
        }
        default:
            break;
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        auto* label = qobject_cast<QLabel*>(watched);
        QWidget* buddy = label != nullptr ? label->buddy() : nullptr;
        // A hidden or disabled buddy cannot take the focus; the click then does nothing.
        if (buddy != nullptr && buddy->isEnabled() && buddy->isVisible()) buddy->setFocus(Qt::MouseFocusReason);
        return buddy != nullptr;
    }
    return false;
}

TKvnFormDialog::TKvnFormDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags), fForm(*this) {}

TKvnFormMainWindow::TKvnFormMainWindow(QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), fForm(*this)
{
}

TKvnForm* FindForm(const QWidget& window)
{
    for (TKvnForm* form : Forms())
        if (&form->Window() == &window) return form;
    return nullptr;
}

std::vector<TKvnForm*> OpenForms()
{
    return Forms();
}

void TranslateAllForms(TLanguage& language)
{
    for (TKvnForm* form : OpenForms()) {
        if (!form->Loaded()) continue;
        TranslateForm(language, form->Window(), form->ClassChain());
        if (form->AutoAccelerators()) AssignAccelerators(form->Window());
    }
}

void InstallFormTranslator()
{
    // Qt's own texts follow the program's language, from the language loaded before the first window on.
    UseQtTranslationFor(LanguageCode(GetLanguage().ScreenLanguage()));
    SetFormTranslator([](TLanguage& language) {
        UseQtTranslationFor(LanguageCode(language.ScreenLanguage()));
        TranslateAllForms(language);
    });
}

void SetHelpHandler(THelpHandler handler)
{
    HelpHandler() = std::move(handler);
}

namespace {

// Waits for the first expose of a window, on which it paints itself, and then queues the call.
class TExposeWatcher : public QObject {
public:
    TExposeWatcher(QWindow& handle, QWidget& window, std::function<void()> call)
        : QObject(&handle), fWindow(&window), fCall(std::move(call))
    {
        handle.installEventFilter(this);
        // A window that the desktop never shows (started minimised) must not keep its question for ever.
        QTimer::singleShot(kLongestWait, this, [this] { Queue(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) Queue();
        return false;
    }

private:
    static constexpr int kLongestWait = 3000; // milliseconds

    void Queue()
    {
        if (fQueued) return;
        fQueued = true;
        // Queued, so that it runs after the paint that the expose brings.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (fWindow) fCall();
                deleteLater();
            },
            Qt::QueuedConnection);
    }

    QPointer<QWidget> fWindow;
    std::function<void()> fCall;
    bool fQueued = false;
};

} // namespace

void CallWhenOnScreen(QWidget& window, std::function<void()> call)
{
    QWindow* handle = window.window()->windowHandle();
    if (handle != nullptr && !handle->isExposed()) {
        new TExposeWatcher(*handle, window, std::move(call));
        return;
    }
    QPointer<QWidget> target(&window);
    QMetaObject::invokeMethod(
        &window,
        [target, call = std::move(call)] {
            if (target) call();
        },
        Qt::QueuedConnection);
}

QWidget* MainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(widget) != nullptr && widget->isVisible()) return widget;
    return nullptr;
}

void BringBackWindow(QWidget* window, const QWidget* except)
{
    QWidget* front = window != nullptr && window->isVisible() ? window : MainWindow();
    if (front == nullptr || front == except) return;
    front->raise();
    front->activateWindow();
}

void PushCursor(const QCursor& cursor)
{
    // Qt keeps a stack of override cursors itself; the count keeps PopCursor from taking one pushed by others.
    QApplication::setOverrideCursor(cursor);
    ++PushedCursors();
}

void PopCursor()
{
    if (PushedCursors() == 0) return;
    --PushedCursors();
    QApplication::restoreOverrideCursor();
}

} // namespace kvn
