#pragma once

#include <QDialog>
#include <QMainWindow>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QAbstractButton;
class QCursor;

// The base form: what every window of the program gets without code of its own. Its placement is restored from
// the settings section "Windows" when it is loaded and saved when it is destroyed; it is kept on the screen and
// snapped to the screen borders while it moves; its texts are translated (or exported, in export mode) and its
// accelerators assigned when it is loaded; a click on a label with a buddy focuses the buddy; F1 asks for help.
//
// A window becomes a base form by deriving from TKvnFormDialog or TKvnFormMainWindow (or by holding a TKvnForm)
// and calling FormLoaded() right after setupUi(), before it fills in any data of its own. The form sections are
// looked up by class name, so the window's class needs Q_OBJECT (or its TKvnForm is given the name).

namespace kvn {

class TKvnCustomIniFile;
class TLanguage;

// A control that loads and saves its one value in a settings file, under its object name.
class IIniPersistent {
public:
    virtual ~IIniPersistent() = default;
    // Restores the value stored in section (a missing value leaves the control as it is).
    virtual void LoadFromIni(TKvnCustomIniFile& settings, std::string_view section) = 0;
    // Stores the value in section.
    virtual void SaveToIni(TKvnCustomIniFile& settings, std::string_view section) = 0;
};

// A window's placement as stored: the normal (restored) rectangle and the state (0 normal, 1 minimised, 2 maximised).
struct TKvnPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int State = 0;

    bool operator==(const TKvnPlacement&) const = default;
};

// The stored text "left,top,width,height,state" as a placement; nothing unless it is exactly five integers with a
// positive width and height and a state of 0 to 2.
std::optional<TKvnPlacement> ParsePlacement(std::string_view text);

// The stored text of a placement.
std::string PlacementText(const TKvnPlacement& placement);

// Where a stored placement puts a window on a screen of the given size: the position limited to the screen, the
// stored size (limited to the screen) only for a sizeable window, else the current one; a window that would lie
// mostly off the screen is centred with its size.
TKvnPlacement RestoredPlacement(const TKvnPlacement& stored, QSize screen, bool sizeable, QSize current);

// The position of a window frame after keeping it inside the area (alwaysInScreen) and snapping it to the area's
// edges when it comes within 20 pixels of them (snap; not for a maximised window). area is the screen's available
// area, which leaves out task bars and panels.
QPoint KeptOnScreen(const QRect& frame, const QRect& area, bool alwaysInScreen, bool snap, bool maximized);

// The base-form behaviour attached to one window; the window owns it (as a member or through the adapter classes).
class TKvnForm : public QObject {
    Q_OBJECT

public:
    // Attaches to window; the window must outlive this object. className names the window's form section when the
    // window's own classes do not (a class without Q_OBJECT); empty takes the classes of the window.
    explicit TKvnForm(QWidget& window, std::string className = {});
    // Saves the placement when AutoSave is set and the window was loaded.
    ~TKvnForm() override;
    TKvnForm(const TKvnForm&) = delete;
    TKvnForm& operator=(const TKvnForm&) = delete;

    // Restore the placement when loaded, save it when destroyed (default true).
    bool AutoSave() const { return fAutoSave; }
    void SetAutoSave(bool value) { fAutoSave = value; }
    // Keep the window inside the screen while it moves or is resized (default false).
    bool AlwaysInScreen() const { return fAlwaysInScreen; }
    void SetAlwaysInScreen(bool value) { fAlwaysInScreen = value; }
    // Snap the window to the screen edges within 20 pixels (default true).
    bool SnapAtScreenBorder() const { return fSnapAtScreenBorder; }
    void SetSnapAtScreenBorder(bool value) { fSnapAtScreenBorder = value; }
    // Assign accelerators when loaded and after every re-translation (default true).
    bool AutoAccelerators() const { return fAutoAccelerators; }
    void SetAutoAccelerators(bool value) { fAutoAccelerators = value; }
    // The button that closes the window without taking its choices: Escape clicks it, and it gets no accelerator
    // (default none; set it before FormLoaded).
    QAbstractButton* EscapeButton() const { return fEscapeButton; }
    void SetEscapeButton(QAbstractButton* button) { fEscapeButton = button; }
    // Topic handed to the help handler by F1; 0 asks for the help contents.
    int HelpContext() const { return fHelpContext; }
    void SetHelpContext(int value) { fHelpContext = value; }

    // The load step, once: restores (or centres) the placement, exports the texts in export mode, translates the
    // window, assigns its accelerators and makes labels focus their buddies when clicked.
    void FormLoaded();
    // True once the load step has run.
    bool Loaded() const { return fLoaded; }

    // Applies the placement stored under "Windows"/key; false (nothing changed) when none or none usable is stored.
    bool RestorePosition(const std::string& key);
    // Stores the window's normal rectangle and state under "Windows"/key; throws EKvnError when that fails.
    void SavePosition(const std::string& key) const;
    // The window's current normal rectangle and state.
    TKvnPlacement CurrentPlacement() const;
    // Moves the window to its default position, centred on the screen as it was when loaded.
    void ResetPosition();
    // Keeps the window on the screen and snaps it to the borders as the properties say.
    void KeepOnScreen();
    // Asks the installed help handler for the window's help context (what F1 does).
    void ShowContextHelp();

    // Loads every component whose "tag" property equals tag from section: IIniPersistent controls (an unset tag
    // counts as 0), and check boxes, radio buttons, combo boxes, list widgets, line edits, spin boxes and
    // plain-text edits that carry the tag property; the key is the component's object name.
    void LoadTaggedSettings(TKvnCustomIniFile& settings, std::string_view section, int tag);
    // Saves the same components to section.
    void SaveTaggedSettings(TKvnCustomIniFile& settings, std::string_view section, int tag);

    // The window.
    QWidget& Window() const { return fWindow; }
    // The key of the window's placement: its object name, or its class name when it has none.
    std::string PlacementKey() const;
    // The form sections that apply to the window, base first.
    std::vector<std::string> ClassChain() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& fWindow;
    std::string fClassName;
    bool fAutoSave = true;
    bool fAlwaysInScreen = false;
    bool fSnapAtScreenBorder = true;
    bool fAutoAccelerators = true;
    int fHelpContext = 0;
    QAbstractButton* fEscapeButton = nullptr; // a child of the window
    bool fLoaded = false;
    bool fKeeping = false;
    QPoint fDefaultPosition;
};

// A dialog built on the base form.
class TKvnFormDialog : public QDialog {
    Q_OBJECT

public:
    explicit TKvnFormDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    // The dialog's base-form behaviour.
    TKvnForm& Form() { return fForm; }

private:
    TKvnForm fForm;
};

// A main window built on the base form.
class TKvnFormMainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit TKvnFormMainWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    // The window's base-form behaviour.
    TKvnForm& Form() { return fForm; }

private:
    TKvnForm fForm;
};

// The base form attached to a window, or nullptr.
TKvnForm* FindForm(const QWidget& window);

// The base forms that exist, in the order they were created.
std::vector<TKvnForm*> OpenForms();

// Translates every loaded base form from the language's file and re-assigns the accelerators of those with
// AutoAccelerators, since the captions have changed.
void TranslateAllForms(TLanguage& language);

// Makes the language manager call TranslateAllForms after every load that asks for it (done by the first base form).
void InstallFormTranslator();

// Handles a request for help: the window that asked and its help context (0 for the contents).
using THelpHandler = std::function<void(QWidget& window, int helpContext)>;

// Installs the handler of help requests (nullptr for none: F1 then does nothing).
void SetHelpHandler(THelpHandler handler);

// Runs call from the event loop once the window is on screen and has painted itself, so that a question it asks
// appears over a window the user can already see.
void CallWhenOnScreen(QWidget& window, std::function<void()> call);

// The program's main window: the first visible top-level main window, or nullptr.
QWidget* MainWindow();

// Brings window to the front when it still exists and is visible, else the main window; nothing when that is except.
void BringBackWindow(QWidget* window, const QWidget* except = nullptr);

// Puts the current mouse cursor on a stack and shows the given one until PopCursor.
void PushCursor(const QCursor& cursor);

// Shows the cursor that the last PushCursor replaced; nothing when the stack is empty.
void PopCursor();

// Creates a window of the class without owner, shows it modally, frees it and returns the modal result.
template <class TWindow, class... TArgs>
int ShowModalForm(TArgs&&... arguments)
{
    TWindow window(std::forward<TArgs>(arguments)...);
    return window.exec();
}

} // namespace kvn
