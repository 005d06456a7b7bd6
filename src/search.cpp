#include "search.h"

#include "eventsBrowser.h"
#include "kvnEncoding.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "orvida.h"
#include "participantsBrowser.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <climits>

namespace veltro {

using namespace kvn;

namespace {

// Marks a position key that the settings do not hold.
constexpr int kNoPosition = INT_MIN;

QTreeWidgetItem* ParentOrRoot(QTreeWidgetItem* node)
{
    return node->parent() ? node->parent() : node->treeWidget()->invisibleRootItem();
}

QTreeWidgetItem* LastDescendant(QTreeWidgetItem* node)
{
    while (node->childCount() > 0)
        node = node->child(node->childCount() - 1);
    return node;
}

// Opens the node's ancestors and scrolls the tree so that the node is in view.
void Reveal(QTreeWidget& tree, QTreeWidgetItem* node)
{
    for (QTreeWidgetItem* parent = node->parent(); parent; parent = parent->parent())
        parent->setExpanded(true);
    tree.scrollToItem(node);
}

QTreeWidgetItem* Step(QTreeWidgetItem* node, bool down)
{
    return down ? NextInTreeOrder(node) : PreviousInTreeOrder(node);
}

} // namespace

TNameMatcher::TNameMatcher(std::string_view findText) : fUpperText(Utf8Upper(findText)) {}

bool TNameMatcher::Matches(std::string_view name) const
{
    return Utf8Upper(name).find(fUpperText) != std::string::npos;
}

QTreeWidgetItem* NextInTreeOrder(QTreeWidgetItem* node)
{
    if (!node || !node->treeWidget()) return nullptr;
    if (node->childCount() > 0) return node->child(0);
    for (; node; node = node->parent()) {
        QTreeWidgetItem* parent = ParentOrRoot(node);
        int index = parent->indexOfChild(node);
        if (index + 1 < parent->childCount()) return parent->child(index + 1);
    }
    return nullptr;
}

QTreeWidgetItem* PreviousInTreeOrder(QTreeWidgetItem* node)
{
    if (!node || !node->treeWidget()) return nullptr;
    QTreeWidgetItem* parent = ParentOrRoot(node);
    int index = parent->indexOfChild(node);
    if (index > 0) return LastDescendant(parent->child(index - 1));
    return node->parent();
}

QTreeWidgetItem* LastInTreeOrder(const QTreeWidget& tree)
{
    int count = tree.topLevelItemCount();
    return count > 0 ? LastDescendant(tree.topLevelItem(count - 1)) : nullptr;
}

QTreeWidgetItem* TopVisibleNode(const QTreeWidget& tree)
{
    if (QTreeWidgetItem* top = tree.itemAt(0, 0)) return top;
    return tree.topLevelItem(0);
}

bool MatchInNode(const TEventsBrowser& events, const TOrvida& document, const QTreeWidgetItem* node,
                 const TNameMatcher& matcher, int step, int& hitIndex)
{
    if (!TEventsBrowser::ElementOf(node) || !node->parent()) return false; // no element, or a session
    const TResultLists::TList* list = events.ResultListFor(node);
    if (!list) return false;
    int count = static_cast<int>(list->size());
    if (hitIndex == -1) hitIndex = count - 1;
    // The whole list is searched, also the lines that the only-valid filter hides.
    for (; hitIndex >= 0 && hitIndex < count; hitIndex += step) {
        const TOrvObject& item = *(*list)[static_cast<std::size_t>(hitIndex)];
        const TOrvAbstractObject* owner = item.Parent() ? item.Parent()->Parent() : nullptr;
        if (owner && matcher.Matches(document.ParticipantTitle(*owner, false))) return true;
    }
    return false;
}

TEventsHit FindInEvents(const QTreeWidget& tree, const TEventsBrowser& events, const TOrvida& document,
                        const TNameMatcher& matcher, bool down)
{
    int step = down ? 1 : -1;
    QTreeWidgetItem* node = tree.currentItem();
    int hitIndex = events.LastHitIndex;
    if (down) {
        if (!node) {
            node = TopVisibleNode(tree);
            hitIndex = -1;
        }
        ++hitIndex;
    } else if (!node) {
        node = LastInTreeOrder(tree);
        hitIndex = -1; // from the last line
    } else if (hitIndex == 0) {
        // Nothing lies before the first line: going on at the end of the same list would find the same hit again
        // and never leave the list.
        node = PreviousInTreeOrder(node);
        hitIndex = -1;
    } else if (hitIndex > 0) {
        --hitIndex;
    } else {
        hitIndex = -1; // no hit yet: the selected list is searched from its last line, as the lists after it
    }
    while (node && !MatchInNode(events, document, node, matcher, step, hitIndex)) {
        hitIndex = down ? 0 : -1;
        node = Step(node, down);
    }
    return node ? TEventsHit{node, hitIndex} : TEventsHit{};
}

QTreeWidgetItem* FindInParticipants(const QTreeWidget& tree, const TNameMatcher& matcher, bool down)
{
    QTreeWidgetItem* node = tree.currentItem();
    if (node)
        node = Step(node, down);
    else
        node = down ? TopVisibleNode(tree) : LastInTreeOrder(tree);
    // Only athletes and relay teams are hits, not the nations and clubs above them.
    for (; node; node = Step(node, down))
        if (TParticipantsBrowser::Level(node) == 2 && matcher.Matches(node->text(0).toStdString())) return node;
    return nullptr;
}

TSearchDialog::TSearchDialog(QWidget* parent)
    : TKvnFormDialog(parent), fFindLabel(new QLabel(this)), fFindText(new QLineEdit(this)),
      fDirection(new QGroupBox(this)), fUp(new QRadioButton(fDirection)), fDown(new QRadioButton(fDirection)),
      fFindNext(new QPushButton(this)), fClose(new QPushButton(this))
{
    setObjectName("FindDialog1");
    fFindLabel->setObjectName("lblFindText");
    fFindText->setObjectName("edtFindText");
    fDirection->setObjectName("grpDirection");
    fUp->setObjectName("rbUp");
    fDown->setObjectName("rbDown");
    fFindNext->setObjectName("btnFindNext");
    fClose->setObjectName("btnClose");
    setModal(false);
    fFindLabel->setBuddy(fFindText);

    auto* directionLayout = new QHBoxLayout(fDirection);
    directionLayout->addWidget(fUp);
    directionLayout->addWidget(fDown);
    auto* left = new QVBoxLayout;
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(fFindLabel);
    findRow->addWidget(fFindText, 1);
    left->addLayout(findRow);
    left->addWidget(fDirection);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(fFindNext);
    buttons->addWidget(fClose);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    fFindText->setMinimumWidth(200);

    fFindNext->setDefault(true);
    fFindNext->setAutoDefault(true);
    fClose->setAutoDefault(false);
    fFindNext->setEnabled(false);
    fDown->setChecked(true);
    connect(fFindText, &QLineEdit::textChanged, this,
            [this](const QString& text) { fFindNext->setEnabled(!text.isEmpty()); });
    connect(fFindNext, &QPushButton::clicked, this, [this] {
        if (!fFindText->text().isEmpty()) emit FindNext();
    });
    connect(fClose, &QPushButton::clicked, this, &QDialog::reject);
    // The design's texts: the form section of the language file replaces them, in whatever language it is written.
    setWindowTitle("Suchen");
    fFindLabel->setText("Suchen &nach:");
    fDirection->setTitle("Richtung");
    fUp->setText("Nach &oben");
    fDown->setText("Nach &unten");
    fFindNext->setText("&Weitersuchen");
    fClose->setText("Schliessen");
    Form().SetEscapeButton(fClose);
    // Its position is kept in "FDlgLeft"/"FDlgTop" with the main window's settings, not as a placement of its own.
    Form().SetAutoSave(false);
    Form().FormLoaded();
}

std::string TSearchDialog::FindText() const
{
    return fFindText->text().toStdString();
}

void TSearchDialog::SetFindText(const std::string& text)
{
    fFindText->setText(QString::fromStdString(text));
}

bool TSearchDialog::SearchDown() const
{
    return fDown->isChecked();
}

void TSearchDialog::SetSearchDown(bool down)
{
    (down ? fDown : fUp)->setChecked(true);
}

void TSearchDialog::showEvent(QShowEvent* event)
{
    // A position on a screen that is no longer there would put the dialog out of reach.
    if (fPosition && QGuiApplication::screenAt(*fPosition + QPoint(10, 10))) move(*fPosition);
    QDialog::showEvent(event);
}

void TSearchDialog::hideEvent(QHideEvent* event)
{
    fPosition = pos();
    QDialog::hideEvent(event);
}

TParticipantSearch::TParticipantSearch(TfrmView& window) : fWindow(window), fDialog(new TSearchDialog(&window))
{
    connect(fDialog, &TSearchDialog::FindNext, this, &TParticipantSearch::FindNextStep);
    connect(fDialog, &QDialog::finished, this, &TParticipantSearch::Closed);
    // The command goes off when the file is closed, and the dialog with it.
    connect(window.Widgets().actSearch, &QAction::enabledChanged, this, [this](bool enabled) {
        if (!enabled) Close();
    });
}

TParticipantSearch::~TParticipantSearch() = default;

void TParticipantSearch::Start()
{
    Ui::TfrmView& form = fWindow.Widgets();
    // Both lists are emptied now, not after the trees' change delay, which would otherwise draw over a first hit.
    {
        QSignalBlocker quiet(form.TrvEvents);
        form.TrvEvents->setCurrentItem(nullptr);
        form.TrvEvents->clearSelection();
    }
    {
        QSignalBlocker quiet(form.trvClubs);
        form.trvClubs->setCurrentItem(nullptr);
        form.trvClubs->clearSelection();
    }
    fWindow.Events().ShowEventList(nullptr);
    fWindow.Participants().ShowParticipant(nullptr);

    fDialog->SetSearchDown(true);
    fDialog->show();
    fDialog->raise();
    fDialog->activateWindow();
    fDialog->EdtFindText()->selectAll();
    fDialog->EdtFindText()->setFocus();
}

void TParticipantSearch::FindNextStep()
{
    std::string text = fDialog->FindText();
    if (text.empty()) return;
    TNameMatcher matcher(text);
    bool down = fDialog->SearchDown();
    Ui::TfrmView& form = fWindow.Widgets();
    if (form.PgcMain->currentIndex() == TfrmView::pgEvents) {
        TEventsHit hit = FindInEvents(*form.TrvEvents, fWindow.Events(), fWindow.Document(), matcher, down);
        if (hit.Node) {
            ShowEventsHit(hit);
            return;
        }
    } else if (QTreeWidgetItem* node = FindInParticipants(*form.trvClubs, matcher, down)) {
        ShowParticipantHit(node);
        return;
    }
    ShowMessageBox(GetLanguage().GetText("V", 27), true, false);
}

void TParticipantSearch::ShowEventsHit(const TEventsHit& hit)
{
    QTreeWidget& tree = *fWindow.Widgets().TrvEvents;
    TEventsBrowser& events = fWindow.Events();
    Reveal(tree, hit.Node);
    events.LastHitIndex = hit.Index;
    events.HitIndex = hit.Index;
    // The list is drawn here, with the hit, also when the node was already selected; the tree's delayed change
    // notification would draw it a second time without the highlight.
    {
        QSignalBlocker quiet(&tree);
        tree.setCurrentItem(hit.Node);
    }
    events.ShowEventList(hit.Node);
}

void TParticipantSearch::ShowParticipantHit(QTreeWidgetItem* node)
{
    QTreeWidget& tree = *fWindow.Widgets().trvClubs;
    Reveal(tree, node);
    tree.setCurrentItem(node);
    fWindow.Participants().FlushChange();
}

void TParticipantSearch::Close()
{
    if (fDialog && fDialog->isVisible()) fDialog->reject();
}

void TParticipantSearch::Closed()
{
    TEventsBrowser& events = fWindow.Events();
    events.HitIndex = -1;
    events.LastHitIndex = -1;
    Ui::TfrmView& form = fWindow.Widgets();
    switch (form.PgcMain->currentIndex()) {
    case TfrmView::pgEvents:
        form.TrvEvents->setFocus();
        break;
    case TfrmView::pgParticipants:
        form.trvClubs->setFocus();
        break;
    default:
        break;
    }
}

void TParticipantSearch::ReadPosition(TKvnIniFile& settings, const std::string& section)
{
    int left = settings.ReadInteger(section, "FDlgLeft", kNoPosition);
    int top = settings.ReadInteger(section, "FDlgTop", kNoPosition);
    if (left != kNoPosition && top != kNoPosition) fDialog->SetPosition(QPoint(left, top));
}

void TParticipantSearch::WritePosition(TKvnIniFile& settings, const std::string& section) const
{
    if (!fDialog) return;
    std::optional<QPoint> position = fDialog->isVisible() ? fDialog->pos() : fDialog->Position();
    if (!position) return; // never shown and never placed: the dialog keeps its default place
    settings.WriteInteger(section, "FDlgLeft", position->x());
    settings.WriteInteger(section, "FDlgTop", position->y());
}

} // namespace veltro
