// Writes the texts of the program's windows as form sections, one file per window class, the way the program's
// export mode does; the German form sections of the language files are made with it.
//
//     QT_QPA_PLATFORM=offscreen build-debug/tools/form_texts /tmp/forms/

#include "drucken.h"
#include "kvnCompetitionInfo.h"
#include "kvnKorvanTidewell.h"
#include "kvnLangSelect.h"
#include "kvnLanguage.h"
#include "kvnLanguageForms.h"
#include "kvnNoteEdit.h"
#include "kvnPrintDialog.h"
#include "kvnPrintPreview.h"
#include "kvnPrintSetup.h"
#include "kvnStatus.h"
#include "resultBook.h"
#include "search.h"
#include "ui_TKvnErrorDialog.h"
#include "ui_TKvnFErrorSend.h"
#include "ui_TfrmView.h"

#include <QApplication>
#include <QMainWindow>

#include <cstdio>
#include <string>

namespace {

bool Export(const kvn::TLanguage& language, QWidget& window, const std::string& className)
{
    if (kvn::ExportFormTexts(language, window, className)) {
        std::printf("%s%s.txt\n", language.ExportDir().c_str(), className.c_str());
        return true;
    }
    std::fprintf(stderr, "form_texts: %s%s.txt exists already or cannot be written\n", language.ExportDir().c_str(),
                 className.c_str());
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: form_texts FOLDER/\n");
        return 2;
    }
    QApplication application(argc, argv);
    kvn::TLanguage language;
    std::string folder = argv[1];
    if (!folder.empty() && folder.back() != '/') folder += '/';
    language.SetExportDir(folder);

    // The main window as its design data build it, before the program fills in anything of its own.
    QMainWindow main;
    Ui::TfrmView view;
    view.setupUi(&main);
    kvn::TKvnFCompetitionInfo competitionInfo;

    kvn::TkvnFLangSelect languageSelection;
    kvn::TKvnStatusDlg status(nullptr, 3, true);
    kvn::TKvnFKorvanScreen korvanScreen;
    veltro::TSearchDialog search;
    kvn::TkvnPreviewDlg preview;
    kvn::TkvnPrintDlg print;
    kvn::TkvnPrintSetupDlg printSetup;
    kvn::TkvnNoteEditDlg noteEdit(80, 15, true, {}, {});
    veltro::TdlgDrucken drucken(nullptr, veltro::TShownList{});
    veltro::TdlgErgebnisbuch ergebnisbuch(nullptr, veltro::TBookSource{});

    // The error windows fill in texts of their own when created (the product name in the caption, the failure).
    QDialog errorSend;
    Ui::TKvnFErrorSend errorSendDesign;
    errorSendDesign.setupUi(&errorSend);
    QDialog errorDialog;
    Ui::TKvnErrorDialog errorDialogDesign;
    errorDialogDesign.setupUi(&errorDialog);

    bool written = Export(language, main, "TfrmView");
    written = Export(language, errorSend, "TKvnFErrorSend") && written;
    written = Export(language, errorDialog, "TKvnErrorDialog") && written;
    for (QWidget* window :
         std::initializer_list<QWidget*>{&competitionInfo, &languageSelection, &status, &search, &korvanScreen,
                                         &preview, &print, &printSetup, &noteEdit, &drucken, &ergebnisbuch})
        written = Export(language, *window, kvn::FormClassName(*window)) && written;
    return written ? 0 : 1;
}
