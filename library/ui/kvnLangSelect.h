#pragma once

#include "kvnForm.h"

#include <QDialog>
#include <QList>
#include <QPixmap>

#include <memory>

class QListWidget;

namespace Ui {
class TkvnFLangSelect;
}

// The language selection dialog: the user picks the screen, print and help languages among those whose files lie
// beside the program; the choices go to section "Config" of the settings file.

namespace kvn {

// Width and height of a language's flag picture.
inline constexpr int kLanguageFlagWidth = 18;
inline constexpr int kLanguageFlagHeight = 12;

// The flag picture of a language index (0 to 23); a null pixmap for other indexes.
QPixmap LanguageFlag(int index);

class TkvnFLangSelect : public TKvnFormDialog {
    Q_OBJECT

public:
    // Builds the dialog and fills its lists from the installed language and help files.
    explicit TkvnFLangSelect(QWidget* parent = nullptr);
    ~TkvnFLangSelect() override;

    TkvnFLangSelect(const TkvnFLangSelect&) = delete;
    TkvnFLangSelect& operator=(const TkvnFLangSelect&) = delete;

    // Shows or hides the help list and fits the width and the buttons to it.
    void ShowHelpList(bool withHelpList);

    // Number of languages offered for the screen.
    int LanguageCount() const;

    // Stores the selected languages in the settings, hands print and help language to the language manager and
    // loads the screen language when it changed; a settings file that cannot be written is reported in a box.
    void StoreChoices();

    // One flag picture per language index, picture k for index k.
    const QList<QPixmap>& LangImages() const { return fLangImages; }

private:
    void FillLists();
    // Makes the note as tall as its wrapped text; the buttons and the dialog's height follow.
    void FitNote();

    std::unique_ptr<Ui::TkvnFLangSelect> fUi;
    QList<QPixmap> fLangImages;
};

// The language index carried by the list's selected item, or -1 when nothing is selected.
int SelectedLanguage(const QListWidget& list);

// Selects the item that carries the language index, else the first item; an empty list selects nothing.
void SelectLanguage(QListWidget& list, int index);

// Lets the user choose the languages: unless force is set, only when no screen language has been stored yet. With
// fewer than two language files no dialog appears and the one found (or none) is stored directly.
void SelectLanguages(bool force, bool withHelpList);

} // namespace kvn
