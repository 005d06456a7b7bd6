// Takes a picture of the main window for the documentation: opens a result file, shows the first event whose
// results carry split times, with splits switched on, and saves the window as a PNG file; with "print" the results
// print dialog for that list instead.
//
//     xvfb-run -a build-release/tools/window_shot samples/sample-meet.ovz docs/main-window.png [LANGUAGE-CODE [print]]

#include "drucken.h"
#include "eventsBrowser.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnPaths.h"
#include "kvnSwimLang.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <QApplication>
#include <QTest>
#include <QTreeWidget>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

bool HasSplits(const veltro::TResultLists::TList* list)
{
    if (!list) return false;
    return std::any_of(list->begin(), list->end(), [](const kvn::TOrvObject* item) {
        return item->Kind() == kvn::otRESULT && item->Contains(kvn::otSPLITS);
    });
}

QTreeWidgetItem* FirstEventWithSplits(veltro::TfrmView& window)
{
    QTreeWidget* tree = window.Widgets().TrvEvents;
    for (int session = 0; session < tree->topLevelItemCount(); ++session) {
        QTreeWidgetItem* sessionNode = tree->topLevelItem(session);
        for (int event = 0; event < sessionNode->childCount(); ++event) {
            QTreeWidgetItem* node = sessionNode->child(event);
            if (node->childCount() > 0) node = node->child(0);
            if (HasSplits(window.Events().ResultListFor(node))) return node;
        }
    }
    return nullptr;
}

} // namespace

int main(int argc, char* argv[])
{
    bool printDialog = argc == 5 && std::string(argv[4]) == "print";
    if (argc != 3 && argc != 4 && !printDialog) {
        std::fprintf(stderr, "usage: window_shot RESULTFILE OUTPUT.png [LANGUAGE-CODE [print]]\n");
        return 2;
    }
    int language = 3;
    if (argc == 4) {
        for (language = 0; language < kvn::kAutoLanguage && kvn::LanguageCode(language) != argv[3]; ++language) {}
        if (language == kvn::kAutoLanguage) {
            std::fprintf(stderr, "window_shot: unknown language code %s\n", argv[3]);
            return 2;
        }
    }
    QApplication application(argc, argv);
    kvn::SetExecutablePath(VELTRO_EXE); // the program's folder holds the language and help files
    // A private settings file, so that the shot shows the defaults and no question is asked.
    std::filesystem::path settings = std::filesystem::temp_directory_path() / "veltro-window-shot.INI";
    std::filesystem::remove(settings);
    kvn::SetSettingsFilePath(settings.string());
    kvn::SettingsFile().WriteBool("Files", "AskRegExtension", false);
    kvn::GetLanguage().LoadLanguage(language, false);
    kvn::LoadVocabulary();

    veltro::TfrmView window({argv[1]});
    window.resize(1100, 640);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    window.Widgets().PgcMain->setCurrentIndex(veltro::TfrmView::pgEvents);
    window.Widgets().chkEvSplit->setChecked(true);
    QTreeWidgetItem* node = FirstEventWithSplits(window);
    if (!node) {
        std::fprintf(stderr, "window_shot: no event with split times in %s\n", argv[1]);
        return 1;
    }
    window.Widgets().TrvEvents->expandAll();
    window.Widgets().TrvEvents->setCurrentItem(node);
    window.Widgets().TrvEvents->scrollToItem(node);
    QTest::qWait(300);
    QPixmap picture = window.grab();
    if (printDialog) {
        veltro::TdlgDrucken dialog(&window, veltro::ShownList(window));
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog)) return 1;
        QTest::qWait(300);
        picture = dialog.grab();
    }
    bool saved = picture.save(QString::fromLocal8Bit(argv[2]), "PNG");
    std::filesystem::remove(settings);
    return saved ? 0 : 1;
}
