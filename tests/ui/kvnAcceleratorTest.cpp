#include "kvnAccelerator.h"
#include "kvnForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace kvn;

namespace {

template <class TWidget>
TWidget* Add(QWidget& parent, const char* text)
{
    auto* widget = new TWidget(QString::fromUtf8(text), &parent);
    if (parent.layout() == nullptr) new QVBoxLayout(&parent);
    parent.layout()->addWidget(widget);
    return widget;
}

QWidget* AddPage(QTabWidget& tabs, const char* caption)
{
    auto* page = new QWidget;
    tabs.addTab(page, QString::fromUtf8(caption));
    return page;
}

// A radio group in miniature: its items are captions of their own.
class TItemsWidget : public QWidget, public IKvnAcceleratorItems {
public:
    using QWidget::QWidget;
    QStringList Items;
    int AcceleratorItemCount() const override { return static_cast<int>(Items.size()); }
    QString AcceleratorItemCaption(int index) const override { return Items[index]; }
    void SetAcceleratorItemCaption(int index, const QString& caption) override { Items[index] = caption; }
};

} // namespace

TEST(AcceleratorText, ExistingAcceleratorAndCandidates)
{
    EXPECT_EQ(ExistingAccelerator("&Datei"), u'D');
    EXPECT_EQ(ExistingAccelerator("H&ilfe"), u'I');
    EXPECT_EQ(ExistingAccelerator(QString::fromUtf8("Gr&üße")), u'Ü');
    // "&&" is a literal ampersand, and "& " no accelerator: the next "&" counts.
    EXPECT_EQ(ExistingAccelerator("A&&B"), 0);
    EXPECT_EQ(ExistingAccelerator("Tom & &Jerry"), u'J');
    EXPECT_EQ(ExistingAccelerator("Ende&"), 0);

    EXPECT_EQ(AcceleratorCandidates("Drucken"), "DRUCKEN");
    EXPECT_EQ(AcceleratorCandidates("Allgemein"), "ALGEMIN");
    EXPECT_EQ(AcceleratorCandidates(QString::fromUtf8("Straße 1: öl")), QString::fromUtf8("STRAE1ÖL"));
    EXPECT_EQ(AcceleratorCandidates("... !"), "");

    EXPECT_EQ(InsertAccelerator("Allgemein", u'L'), "A&llgemein");
    EXPECT_EQ(InsertAccelerator(QString::fromUtf8("Größe"), u'Ö'), QString::fromUtf8("Gr&öße"));
    EXPECT_EQ(InsertAccelerator("Ende", u'X'), "Ende");
}

TEST(Accelerators, MenuBarCharactersExcludedAndFewerCandidatesServedFirst)
{
    QMainWindow window;
    window.menuBar()->addMenu("&Datei");
    window.menuBar()->addMenu("&Hilfe");
    auto* central = new QWidget;
    window.setCentralWidget(central);
    QPushButton* print = Add<QPushButton>(*central, "Drucken");
    QPushButton* help = Add<QPushButton>(*central, "Hilfe");

    AssignAccelerators(window);
    EXPECT_EQ(help->text(), "H&ilfe");
    EXPECT_EQ(print->text(), "D&rucken");
}

TEST(Accelerators, SiblingTabPagesAreServedByCandidatesAndShareCharacters)
{
    QDialog window;
    QPushButton* start = Add<QPushButton>(window, "Start");
    auto* tabs = new QTabWidget(&window);
    window.layout()->addWidget(tabs);
    QWidget* general = AddPage(*tabs, "Allgemein");
    QWidget* output = AddPage(*tabs, "Ausgabe");
    QCheckBox* sound = Add<QCheckBox>(*general, "Sound");
    QCheckBox* endGeneral = Add<QCheckBox>(*general, "Ende");
    QCheckBox* sum = Add<QCheckBox>(*output, "Summe");
    QCheckBox* endOutput = Add<QCheckBox>(*output, "Ende");

    AssignAccelerators(window);
    // Tab pages come before buttons; within a kind the caption with fewer candidates is served first.
    EXPECT_EQ(tabs->tabText(1), "&Ausgabe");
    EXPECT_EQ(tabs->tabText(0), "A&llgemein");
    EXPECT_EQ(start->text(), "&Start");
    // Characters of the window are taken on every page; the pages themselves do not constrain each other.
    EXPECT_EQ(sound->text(), "S&ound");
    EXPECT_EQ(sum->text(), "S&umme");
    EXPECT_EQ(endGeneral->text(), "&Ende");
    EXPECT_EQ(endOutput->text(), "&Ende");
}

TEST(Accelerators, ExistingAcceleratorIsKeptAndBlocksItsGroupAndThoseBelow)
{
    QDialog window;
    QLabel* name = Add<QLabel>(window, "&Name");
    auto* edit = new QLineEdit(&window);
    window.layout()->addWidget(edit);
    name->setBuddy(edit);
    QPushButton* add = Add<QPushButton>(window, "Neu");
    auto* stack = new QStackedWidget(&window);
    window.layout()->addWidget(stack);
    auto* page = new QWidget;
    stack->addWidget(page);
    QCheckBox* only = Add<QCheckBox>(*page, "Nur");

    AssignAccelerators(window);
    EXPECT_EQ(name->text(), "&Name");
    EXPECT_EQ(add->text(), "N&eu");
    EXPECT_EQ(only->text(), "N&ur");
}

TEST(Accelerators, CaptionsWithoutFreeCharacterOrOfOtherKindsStayAsTheyAre)
{
    QDialog window;
    QPushButton* build = Add<QPushButton>(window, "&Bau &Xylophon");
    QPushButton* car = Add<QPushButton>(window, "&Auto");
    QPushButton* taken = Add<QPushButton>(window, "ab");
    QPushButton* dots = Add<QPushButton>(window, "...");
    QPushButton* extra = Add<QPushButton>(window, "x");
    QPushButton* ok = Add<QPushButton>(window, "OK");
    ok->setDefault(true);
    QPushButton* cancel = Add<QPushButton>(window, "Abbrechen");
    TKvnForm form(window);
    form.SetEscapeButton(cancel);
    auto* box = new QDialogButtonBox(&window);
    QPushButton* reject = box->addButton("Schliessen", QDialogButtonBox::RejectRole);
    window.layout()->addWidget(box);
    QLabel* plain = Add<QLabel>(window, "Ohne Partner");
    QLabel* rich = Add<QLabel>(window, "<i>Kursiv</i>");
    rich->setBuddy(taken);

    AssignAccelerators(window);
    // Only the first accelerator of a caption counts, so X stays free.
    EXPECT_EQ(build->text(), "&Bau &Xylophon");
    EXPECT_EQ(car->text(), "&Auto");
    EXPECT_EQ(taken->text(), "ab");
    EXPECT_EQ(dots->text(), "...");
    EXPECT_EQ(extra->text(), "&x");
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(cancel->text(), "Abbrechen");
    EXPECT_EQ(reject->text(), "Schliessen");
    EXPECT_EQ(plain->text(), "Ohne Partner");
    EXPECT_EQ(rich->text(), "<i>Kursiv</i>");
}

TEST(Accelerators, ItemsOfARadioGroupAreCaptionsOfTheirOwn)
{
    QDialog window;
    auto* group = new TItemsWidget(&window);
    group->Items = {"Auswahl", "Alle"};
    QCheckBox* check = Add<QCheckBox>(window, "Alles");

    AssignAccelerators(window);
    EXPECT_EQ(group->Items, QStringList({"A&uswahl", "A&lle"}));
    EXPECT_EQ(check->text(), "&Alles");
}
