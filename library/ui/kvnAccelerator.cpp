#include "kvnAccelerator.h"

#include "kvnForm.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>

#include <algorithm>

namespace kvn {

namespace {

// Kinds of caption, in the order they are served.
enum TCaptionPriority {
    cpTabPage = 1,
    cpButton = 2,
    cpLabel = 3,
    cpCheckBox = 4,
    cpRadioButton = 5,
    cpRadioItem = 6,
};

QChar Upper(QChar c)
{
    return c.toUpper();
}

// A stacked widget of its own, not the one inside a tab widget.
bool IsNotebook(const QWidget* widget)
{
    auto* stack = qobject_cast<const QStackedWidget*>(widget);
    return stack != nullptr && qobject_cast<QTabWidget*>(stack->parentWidget()) == nullptr;
}

bool IsNotebookPage(const QWidget* widget)
{
    QWidget* parent = widget->parentWidget();
    return parent != nullptr && IsNotebook(parent);
}

bool IsScopeContainer(const QWidget* widget, const QWidget& window)
{
    return widget == &window || TabWidgetOfPage(*widget) != nullptr || IsNotebookPage(widget);
}

// The button that Enter presses, and the one that closes the window without its choices: a translator's
// accelerator on them would only duplicate Enter and Escape.
bool IsDefaultOrCancel(const QPushButton& button, const QWidget& window)
{
    if (button.isDefault()) return true;
    if (const TKvnForm* form = FindForm(window); form != nullptr && form->EscapeButton() == &button) return true;
    // A button box makes its accept button the default button when the dialog is shown.
    if (auto* box = qobject_cast<QDialogButtonBox*>(button.parentWidget())) {
        QDialogButtonBox::ButtonRole role = box->buttonRole(const_cast<QPushButton*>(&button));
        return role == QDialogButtonBox::AcceptRole || role == QDialogButtonBox::RejectRole;
    }
    return false;
}

// Markup of a rich-text label would be broken by an inserted "&"; such labels keep their captions.
bool IsPlainLabel(const QLabel& label)
{
    Qt::TextFormat format = label.textFormat();
    return format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(label.text()));
}

QMenuBar* MenuBarOf(QWidget& window)
{
    if (auto* main = qobject_cast<QMainWindow*>(&window)) return qobject_cast<QMenuBar*>(main->menuWidget());
    if (window.layout() != nullptr)
        if (auto* bar = qobject_cast<QMenuBar*>(window.layout()->menuBar())) return bar;
    return window.findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
}

QString CaptionOf(QObject* control, int itemIndex)
{
    if (auto* items = dynamic_cast<IKvnAcceleratorItems*>(control); items != nullptr && itemIndex >= 0)
        return items->AcceleratorItemCaption(itemIndex);
    if (auto* widget = qobject_cast<QWidget*>(control))
        if (QTabWidget* tabs = TabWidgetOfPage(*widget)) return tabs->tabText(tabs->indexOf(widget));
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    return {};
}

void SetCaptionOf(QObject* control, int itemIndex, const QString& caption)
{
    if (auto* items = dynamic_cast<IKvnAcceleratorItems*>(control); items != nullptr && itemIndex >= 0) {
        items->SetAcceleratorItemCaption(itemIndex, caption);
        return;
    }
    if (auto* widget = qobject_cast<QWidget*>(control)) {
        if (QTabWidget* tabs = TabWidgetOfPage(*widget)) {
            tabs->setTabText(tabs->indexOf(widget), caption);
            return;
        }
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(caption);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(caption);
}

void CollectComponents(QObject& parent, std::vector<QObject*>& components)
{
    for (QObject* child : parent.children()) {
        if (qobject_cast<QDialog*>(child) != nullptr || qobject_cast<QMainWindow*>(child) != nullptr) continue;
        components.push_back(child);
        CollectComponents(*child, components);
    }
}

} // namespace

bool IsAcceleratorChar(QChar c)
{
    char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || u == u'\u00C4' || u == u'\u00D6' || u == u'\u00DC';
}

char16_t ExistingAccelerator(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&') continue;
        if (caption[i + 1] == u'&') {
            ++i;
            continue;
        }
        QChar next = Upper(caption[i + 1]);
        if (IsAcceleratorChar(next)) return next.unicode();
    }
    return 0;
}

QString AcceleratorCandidates(const QString& caption)
{
    QString candidates;
    for (QChar c : caption) {
        QChar upper = Upper(c);
        if (IsAcceleratorChar(upper) && !candidates.contains(upper)) candidates += upper;
    }
    return candidates;
}

QString InsertAccelerator(const QString& caption, char16_t c)
{
    for (qsizetype i = 0; i < caption.size(); ++i)
        if (Upper(caption[i]).unicode() == c) return caption.left(i) + u'&' + caption.mid(i);
    return caption;
}

TKvnAcceleratorGroup::TKvnAcceleratorGroup(TKvnAcceleratorGroup* parent, const QWidget* container)
    : fParent(parent), fContainer(container)
{
}

TKvnAcceleratorGroup::~TKvnAcceleratorGroup() = default;

TKvnAcceleratorGroup* TKvnAcceleratorGroup::FindGroup(const QWidget* container)
{
    if (fContainer == container) return this;
    for (const std::unique_ptr<TKvnAcceleratorGroup>& child : fChildren)
        if (TKvnAcceleratorGroup* found = child->FindGroup(container)) return found;
    return nullptr;
}

TKvnAcceleratorGroup& TKvnAcceleratorGroup::AddChild(const QWidget* container)
{
    fChildren.push_back(std::make_unique<TKvnAcceleratorGroup>(this, container));
    return *fChildren.back();
}

void TKvnAcceleratorGroup::AddItem(QObject* control, int itemIndex, int priority, const QString& caption)
{
    TKvnAcceleratorItem item;
    item.Control = control;
    item.ItemIndex = itemIndex;
    item.Priority = priority;
    item.Assigned = ExistingAccelerator(caption);
    if (item.Assigned == 0) item.Candidates = AcceleratorCandidates(caption);
    fItems.push_back(std::move(item));
}

TKvnCharSet TKvnAcceleratorGroup::OwnCharacters() const
{
    TKvnCharSet used;
    for (const TKvnAcceleratorItem& item : fItems)
        if (item.Assigned != 0) used.insert(item.Assigned);
    return used;
}

TKvnCharSet TKvnAcceleratorGroup::UsedSet() const
{
    TKvnCharSet used = fParent != nullptr ? fParent->UsedSet() : TKvnCharSet();
    used.merge(OwnCharacters());
    return used;
}

void TKvnAcceleratorGroup::Assign()
{
    // Captions with few candidates are served first within one kind, since they have the least choice; equal keys
    // keep the order of the components.
    auto key = [](const TKvnAcceleratorItem& item) { return item.Priority * 100 + item.Candidates.size(); };
    std::stable_sort(fItems.begin(), fItems.end(),
                     [&key](const TKvnAcceleratorItem& a, const TKvnAcceleratorItem& b) { return key(a) < key(b); });
    for (TKvnAcceleratorItem& item : fItems) {
        if (item.Assigned != 0) continue;
        TKvnCharSet used = UsedSet();
        for (QChar candidate : item.Candidates) {
            if (used.count(candidate.unicode()) != 0) continue;
            item.Assigned = candidate.unicode();
            SetCaptionOf(item.Control, item.ItemIndex,
                         InsertAccelerator(CaptionOf(item.Control, item.ItemIndex), item.Assigned));
            break;
        }
    }
    for (const std::unique_ptr<TKvnAcceleratorGroup>& child : fChildren)
        child->Assign();
}

TKvnAccelerator::TKvnAccelerator(const QWidget& window, TKvnCharSet excluded)
    : TKvnAcceleratorGroup(nullptr, &window), fExcluded(std::move(excluded))
{
}

TKvnCharSet TKvnAccelerator::UsedSet() const
{
    TKvnCharSet used = fExcluded;
    used.merge(OwnCharacters());
    return used;
}

void AssignAccelerators(QWidget& window, const TKvnCharSet& excluded)
{
    TKvnCharSet rootExcluded = excluded;
    if (QMenuBar* bar = MenuBarOf(window))
        for (const QAction* menu : bar->actions())
            if (char16_t c = ExistingAccelerator(menu->text())) rootExcluded.insert(c);
    TKvnAccelerator root(window, std::move(rootExcluded));

    for (QObject* component : FormComponents(window)) {
        auto* widget = qobject_cast<QWidget*>(component);
        if (widget == nullptr) continue;
        QWidget* container = widget->parentWidget();
        while (container != nullptr && !IsScopeContainer(container, window))
            container = container->parentWidget();
        TKvnAcceleratorGroup* scope = container != nullptr ? root.FindGroup(container) : nullptr;
        if (scope == nullptr) continue;

        if (auto* items = dynamic_cast<IKvnAcceleratorItems*>(widget)) {
            for (int i = 0; i < items->AcceleratorItemCount(); ++i)
                scope->AddItem(widget, i, cpRadioItem, items->AcceleratorItemCaption(i));
        } else if (QTabWidget* tabs = TabWidgetOfPage(*widget)) {
            scope->AddItem(widget, -1, cpTabPage, tabs->tabText(tabs->indexOf(widget)));
            scope->AddChild(widget);
        } else if (IsNotebook(widget)) {
            auto* stack = static_cast<QStackedWidget*>(widget);
            for (int i = 0; i < stack->count(); ++i)
                scope->AddChild(stack->widget(i));
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            if (!IsDefaultOrCancel(*button, window)) scope->AddItem(widget, -1, cpButton, button->text());
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (label->buddy() != nullptr && IsPlainLabel(*label)) scope->AddItem(widget, -1, cpLabel, label->text());
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            scope->AddItem(widget, -1, cpCheckBox, check->text());
        } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            scope->AddItem(widget, -1, cpRadioButton, radio->text());
        }
    }
    root.Assign();
}

QTabWidget* TabWidgetOfPage(const QWidget& widget)
{
    auto* stack = qobject_cast<QStackedWidget*>(widget.parentWidget());
    if (stack == nullptr) return nullptr;
    auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
    return tabs != nullptr && tabs->indexOf(const_cast<QWidget*>(&widget)) >= 0 ? tabs : nullptr;
}

std::vector<QObject*> FormComponents(QWidget& window)
{
    std::vector<QObject*> components;
    CollectComponents(window, components);
    return components;
}

} // namespace kvn
