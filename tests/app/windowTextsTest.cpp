#include "drucken.h"
#include "eventsBrowser.h"
#include "guiTestSupport.h"
#include "kvnCompetitionInfo.h"
#include "kvnDebug.h"
#include "kvnErrorDialog.h"
#include "kvnErrorSend.h"
#include "kvnForm.h"
#include "kvnKorvanTidewell.h"
#include "kvnLangSelect.h"
#include "kvnLanguage.h"
#include "kvnPrintDialog.h"
#include "kvnPrintPreview.h"
#include "kvnStatus.h"
#include "orvGenerator.h"
#include "participantsBrowser.h"
#include "resultBook.h"
#include "search.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Every window of the program, opened in every shipped language (and, through the test's second and third run,
// at 1.5 and 2 times scaling), must show its texts whole: the design's pixel sizes were made for other fonts.

using namespace kvn;
using veltrotest::LoadDocument;
using veltrotest::Meet;
using veltrotest::TProgramFolder;
using veltrotest::TRecordedBoxes;

namespace {

// One window of the program, made as the program makes it; add new windows here.
struct TShippedWindow {
    const char* Name;
    std::function<std::unique_ptr<QWidget>(const TProgramFolder&)> Open;
};

std::unique_ptr<QWidget> OpenCompetitionInfo(const TProgramFolder& folder)
{
    static std::unique_ptr<TOrvida> document;
    document = LoadDocument(
        folder, Meet("<PLACE>Zürich</PLACE><TI>A</TI><DEADLINE>2024-03-15</DEADLINE>"
                     "<CONTACT><FNAME>Anna</FNAME><NAME>Muster</NAME><STREET>Seestrasse 1</STREET><ZIP>8000</ZIP>"
                     "<PLACE>Zürich</PLACE><PHONE>044 123 45 67</PHONE><FAX>044 123 45 68</FAX>"
                     "<EMAIL>meet@example.org</EMAIL><INTERNET>www.example.org</INTERNET></CONTACT>"
                     "<POINTTABLE><NAME>World points</NAME><VERSION>2024</VERSION></POINTTABLE>"));
    auto dialog = std::make_unique<TKvnFCompetitionInfo>();
    dialog->ShowCompetition(*document->Competition(), true);
    return dialog;
}

// The first item of the tree that has no children of its own.
QTreeWidgetItem* FirstLeaf(QTreeWidget& tree)
{
    QTreeWidgetItem* item = tree.topLevelItemCount() > 0 ? tree.topLevelItem(0) : nullptr;
    while (item && item->childCount() > 0)
        item = item->child(0);
    return item;
}

// The main window with a meet open and a list shown on each page, of results or of entries: the list headers
// carry the captions that depend on the kind of list, such as the points or the entry time.
std::unique_ptr<QWidget> OpenMainWindowWithLists(const TProgramFolder& folder, bool results)
{
    TOrvGenOptions options;
    options.Seed = 11;
    options.Clubs = 2;
    options.AthletesPerClub = 3;
    options.Results = results;
    auto window = std::make_unique<veltro::TfrmView>();
    window->LoadFile(folder.Write("meet.ovf", GenerateOrvida(options)));
    Ui::TfrmView& form = window->Widgets();
    if (QTreeWidgetItem* event = FirstLeaf(*form.TrvEvents)) window->Events().ShowEventList(event);
    if (QTreeWidgetItem* athlete = FirstLeaf(*form.trvClubs)) window->Participants().ShowParticipant(athlete);
    return window;
}

std::vector<TShippedWindow> ShippedWindows()
{
    return {
        {"main window", [](const TProgramFolder&) { return std::make_unique<veltro::TfrmView>(); }},
        {"main window with result lists",
         [](const TProgramFolder& folder) { return OpenMainWindowWithLists(folder, true); }},
        {"main window with entry lists",
         [](const TProgramFolder& folder) { return OpenMainWindowWithLists(folder, false); }},
        {"competition information", OpenCompetitionInfo},
        {"language dialog",
         [](const TProgramFolder&) {
             auto dialog = std::make_unique<TkvnFLangSelect>();
             dialog->ShowHelpList(true);
             return dialog;
         }},
        {"status dialog", [](const TProgramFolder&) { return std::make_unique<TKvnStatusDlg>(nullptr, 3, true); }},
        {"find dialog", [](const TProgramFolder&) { return std::make_unique<veltro::TSearchDialog>(); }},
        {"print dialog", [](const TProgramFolder&) { return std::make_unique<TkvnPrintDlg>(); }},
        {"results print dialog",
         [](const TProgramFolder&) { return std::make_unique<veltro::TdlgDrucken>(nullptr, veltro::TShownList{}); }},
        {"result book dialog",
         [](const TProgramFolder&) {
             return std::make_unique<veltro::TdlgErgebnisbuch>(nullptr, veltro::TBookSource{});
         }},
        {"preview", [](const TProgramFolder&) { return std::make_unique<TkvnPreviewDlg>(); }},
        {"about box", [](const TProgramFolder&) { return std::make_unique<TKvnFKorvanScreen>(); }},
        {"start-up screen",
         [](const TProgramFolder&) {
             auto screen = std::make_unique<TKvnFKorvanScreen>();
             screen->ShowAsStartScreen();
             return screen;
         }},
        {"error report", [](const TProgramFolder&) { return std::make_unique<TKvnFErrorSend>(); }},
        {"error dialog",
         [](const TProgramFolder&) {
             TKvnFailure failure{"EAccessViolation", "veltro", 0x1234, "Access violation at address 00001234",
                                 "main (veltro.cpp, line 12)\r\n"};
             return std::make_unique<TKvnErrorDialog>(failure);
         }},
    };
}

// Why the widget does not show its text whole, or "" when it does.
std::string Clipping(QWidget& widget)
{
    auto describe = [&widget](QSize need, QSize have) {
        if (need.width() <= have.width() && need.height() <= have.height()) return std::string();
        return (widget.objectName() + " needs " + QString::number(need.width()) + "x" + QString::number(need.height()) +
                ", has " + QString::number(have.width()) + "x" + QString::number(have.height()))
            .toStdString();
    };
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        if (label->text().isEmpty() || label->pixmap().isNull() == false) return {};
        if (label->wordWrap()) return describe({0, label->heightForWidth(label->width())}, label->size());
        return describe(label->minimumSizeHint(), label->size());
    }
    if (auto* button = qobject_cast<QPushButton*>(&widget)) {
        if (button->text().isEmpty()) return {};
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
        return describe(text, contents.size());
    }
    if (qobject_cast<QCheckBox*>(&widget) || qobject_cast<QRadioButton*>(&widget)) {
        auto* button = static_cast<QAbstractButton*>(&widget);
        return describe(button->sizeHint(), button->size());
    }
    if (auto* group = qobject_cast<QGroupBox*>(&widget)) {
        QSize text = group->fontMetrics().size(Qt::TextShowMnemonic, group->title());
        return describe({text.width(), 0}, group->size());
    }
    if (auto* header = qobject_cast<QHeaderView*>(&widget)) {
        // The style draws a caption between a margin on either side of its section.
        int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int section = 0; section < header->count(); ++section) {
            if (header->isSectionHidden(section) || header->sectionSize(section) == 0) continue;
            QString caption = header->model()->headerData(section, header->orientation()).toString();
            int need = header->fontMetrics().horizontalAdvance(caption) + 2 * margin;
            if (std::string why = describe({need, 0}, {header->sectionSize(section), 0}); !why.empty())
                return why + " for \"" + caption.toStdString() + "\"";
        }
        return {};
    }
    if (auto* note = qobject_cast<QPlainTextEdit*>(&widget);
        note != nullptr && note->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff) {
        // A note without scroll bars that can still scroll hides some of its lines.
        if (note->verticalScrollBar()->maximum() > 0) return widget.objectName().toStdString() + " hides lines";
    }
    return {};
}

// The clipped texts of the widgets that the window shows now.
std::vector<std::string> ClippedTexts(QWidget& window)
{
    std::vector<std::string> clipped;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisible()) continue;
        if (std::string why = Clipping(*widget); !why.empty()) clipped.push_back(why);
    }
    return clipped;
}

// Shows every page of every tab widget in turn, since a page is laid out only while it is shown.
std::vector<std::string> ClippedOnEveryPage(QWidget& window)
{
    std::vector<std::string> clipped = ClippedTexts(window);
    for (QTabWidget* tabs : window.findChildren<QTabWidget*>()) {
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            QApplication::processEvents();
            std::vector<std::string> more = ClippedTexts(window);
            clipped.insert(clipped.end(), more.begin(), more.end());
        }
    }
    return clipped;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

} // namespace

TEST(WindowTexts, EveryWindowShowsItsTextsWholeInEveryShippedLanguage)
{
    TProgramFolder folder;
    TRecordedBoxes boxes;
    for (int language : {1, 3}) {
        ASSERT_TRUE(GetLanguage().LoadLanguage(language, false));
        for (const TShippedWindow& shipped : ShippedWindows()) {
            std::unique_ptr<QWidget> window = shipped.Open(folder);
            window->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get())) << shipped.Name;
            std::vector<std::string> clipped = ClippedOnEveryPage(*window);
            EXPECT_TRUE(clipped.empty()) << shipped.Name << " in " << LanguageCode(language) << ":\n"
                                         << Joined(clipped);
        }
    }
}

TEST(WindowTexts, DefaultAndCancelButtonsOfTheShippedWindowsGetNoAccelerator)
{
    TProgramFolder folder;
    TRecordedBoxes boxes;
    // Without language files the windows keep their design's German texts, and only the assignment adds "&".
    std::filesystem::remove(folder.Path() / "veltro.xus");
    std::filesystem::remove(folder.Path() / "veltro.xde");
    FreeLanguage();
    struct TButton {
        const char* Window;
        const char* Name;
        const char* Text;
    };
    const std::vector<TButton> expected = {
        {"competition information", "btnClose", "Schliessen"}, {"language dialog", "btnOk", "OK"},
        {"language dialog", "btnCancel", "Abbrechen"},         {"status dialog", "btnAbort", "Abbrechen"},
        {"find dialog", "btnFindNext", "&Weitersuchen"},       {"find dialog", "btnClose", "Schliessen"},
    };
    for (const TShippedWindow& shipped : ShippedWindows()) {
        std::unique_ptr<QWidget> window = shipped.Open(folder);
        for (const TButton& button : expected) {
            if (std::string(button.Window) != shipped.Name) continue;
            auto* widget = window->findChild<QPushButton*>(button.Name);
            ASSERT_NE(widget, nullptr) << shipped.Name << " " << button.Name;
            EXPECT_EQ(widget->text().toStdString(), button.Text) << shipped.Name;
        }
    }
}
