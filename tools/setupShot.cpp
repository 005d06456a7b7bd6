// Takes a picture of each page of the print setup dialog for the documentation, on a document with footer lines and
// one page picture, and saves them as PREFIX-1.png ... PREFIX-4.png, and
// the template editor as PREFIX-editor.png.
//
//     xvfb-run -a build-release/tools/setup_shot docs/print-setup [LANGUAGE-CODE]

#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnNoteEdit.h"
#include "kvnPaths.h"
#include "kvnPrintDocument.h"
#include "kvnPrintSetup.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

class TA4Paper : public kvn::IKvnPrinterInfo {
public:
    bool HasPrinter() const override { return true; }
    std::string SelectedPrinterName() const override { return "PDF"; }
    int SelectedPaperCode() const override { return 9; }
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: setup_shot OUTPUT-PREFIX [LANGUAGE-CODE]\n");
        return 2;
    }
    int language = 3;
    if (argc == 3) {
        for (language = 0; language < kvn::kAutoLanguage && kvn::LanguageCode(language) != argv[2]; ++language) {}
        if (language == kvn::kAutoLanguage) {
            std::fprintf(stderr, "setup_shot: unknown language code %s\n", argv[2]);
            return 2;
        }
    }
    QApplication application(argc, argv);
    kvn::SetExecutablePath(VELTRO_EXE);
    std::filesystem::path settings = std::filesystem::temp_directory_path() / "veltro-setup-shot.INI";
    std::filesystem::remove(settings);
    kvn::SetSettingsFilePath(settings.string());
    kvn::GetLanguage().LoadLanguage(language, false);

    TA4Paper paper;
    kvn::TKvnDocument document("Shot", &paper);
    document.SetFootLeft({"Lakeside Spring Meet 2026"});
    document.SetFootCenter({"@DATE@, @TIME@"});
    document.SetFootRight({"@PAGE@"});
    document.SetImages({"105;5;40;2;/usr/share/veltro/logo.gif", "10;270;100;0;/usr/share/veltro/sponsor.bmp"});
    // Faces that every machine with Qt's fonts has, so the combos show a choice.
    document.SetVarFont("DejaVu Sans");
    document.SetFixFont("DejaVu Sans Mono");
    document.SetHtmlTemplate("/usr/share/veltro/results.htt");

    kvn::TkvnPrintSetupDlg dialog;
    dialog.Open(document, true);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return 1;
    auto* pages = dialog.findChild<QTabWidget*>("pgeAll");
    bool saved = true;
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QTest::qWait(200);
        std::string file = std::string(argv[1]) + "-" + std::to_string(page + 1) + ".png";
        saved = dialog.grab().save(QString::fromStdString(file), "PNG") && saved;
    }
    kvn::TkvnNoteEditDlg editor(80, 15, true, {"<html>", "<body>", "@TABLE@", "</body>", "</html>"}, "results.htt");
    editor.show();
    if (!QTest::qWaitForWindowExposed(&editor)) return 1;
    QTest::qWait(200);
    saved = editor.grab().save(QString::fromStdString(std::string(argv[1]) + "-editor.png"), "PNG") && saved;
    std::filesystem::remove(settings);
    return saved ? 0 : 1;
}
