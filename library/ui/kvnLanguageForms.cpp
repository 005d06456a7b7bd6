#include "kvnLanguageForms.h"

#include "kvnAccelerator.h"
#include "kvnEncoding.h"
#include "kvnLanguage.h"
#include "kvnStrings.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>

namespace kvn {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Longest window title taken from a form section, in characters.
constexpr std::size_t kMaxCaptionLength = 999;

// Longest component name of a marker line, in characters.
constexpr std::size_t kMaxNameLength = 99;

enum TComponentKind {
    ckNone,
    ckTranslatable,
    ckPageControl,
    ckTabPage,
    ckLabel,
    ckButton,
    ckComboBox,
    ckListWidget,
    ckGroupBox,
    ckMenu,
    ckAction,
    ckMemo,
    ckOther,
};

TComponentKind KindOf(QObject& component)
{
    if (dynamic_cast<ITranslatable*>(&component) != nullptr) return ckTranslatable;
    if (qobject_cast<QAction*>(&component) != nullptr) return ckAction;
    auto* widget = qobject_cast<QWidget*>(&component);
    if (widget == nullptr) return ckNone;
    if (TabWidgetOfPage(*widget) != nullptr) return ckTabPage;
    if (qobject_cast<QTabWidget*>(widget) != nullptr) return ckPageControl;
    if (qobject_cast<QLabel*>(widget) != nullptr) return ckLabel;
    if (qobject_cast<QAbstractButton*>(widget) != nullptr) return ckButton;
    if (qobject_cast<QComboBox*>(widget) != nullptr) return ckComboBox;
    if (qobject_cast<QListWidget*>(widget) != nullptr) return ckListWidget;
    if (qobject_cast<QGroupBox*>(widget) != nullptr) return ckGroupBox;
    if (qobject_cast<QMenu*>(widget) != nullptr) return ckMenu;
    if (qobject_cast<QPlainTextEdit*>(widget) != nullptr || qobject_cast<QTextEdit*>(widget) != nullptr) return ckMemo;
    return ckOther;
}

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsInternalName(const QString& name)
{
    return name.isEmpty() || name.startsWith(QLatin1String("qt_"));
}

bool IsMarker(const std::string& line)
{
    return line.size() >= 2 && line[0] == '.' && line[1] == '@';
}

// A value and, when not empty, a hint line; an empty value before a hint is written ".".
std::string CaptionBlock(const QString& caption, const QString& hint, bool dotForEmptyCaption)
{
    if (hint.isEmpty()) return OneLine(caption);
    std::string first = caption.isEmpty() && dotForEmptyCaption ? std::string(".") : OneLine(caption);
    return first + std::string(kLineEnd) + OneLine(hint);
}

std::string ItemsBlock(const QString& hint, const QStringList& items)
{
    std::string block = HintOrDot(hint);
    for (const QString& item : items)
        block += std::string(kLineEnd) + OneLine(item);
    return block;
}

QString PlainText(QWidget& memo)
{
    if (auto* plain = qobject_cast<QPlainTextEdit*>(&memo)) return plain->toPlainText();
    return static_cast<QTextEdit&>(memo).toPlainText();
}

void SetPlainText(QWidget& memo, const QString& text)
{
    if (auto* plain = qobject_cast<QPlainTextEdit*>(&memo))
        plain->setPlainText(text);
    else
        static_cast<QTextEdit&>(memo).setPlainText(text);
}

void SetActionHint(QAction& action, const QString& hint)
{
    action.setStatusTip(hint);
    action.setToolTip(hint);
}

using TComponentMap = QHash<QString, QObject*>;

TComponentMap ComponentMap(QWidget& window)
{
    TComponentMap map;
    for (QObject* component : FormComponents(window)) {
        QString name = component->objectName();
        if (IsInternalName(name)) continue;
        QString key = name.toCaseFolded();
        if (!map.contains(key)) map.insert(key, component);
    }
    return map;
}

std::string StripNamespace(std::string_view className)
{
    std::size_t colons = className.rfind("::");
    return std::string(colons == std::string_view::npos ? className : className.substr(colons + 2));
}

// Qt's own classes end the walk up a window's classes.
bool IsQtClass(std::string_view name)
{
    return name.size() >= 2 && name[0] == 'Q' && name[1] >= 'A' && name[1] <= 'Z';
}

} // namespace

std::string OneLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String("\\N"));
    line.replace(QLatin1Char('\r'), QLatin1String("\\N"));
    line.replace(QLatin1Char('\n'), QLatin1String("\\N"));
    return line.toStdString();
}

QString FromOneLine(std::string_view line)
{
    return FromUtf8(line).replace(QLatin1String("\\N"), QLatin1String("\n"));
}

std::string HintOrDot(const QString& hint)
{
    return hint.isEmpty() ? std::string(".") : OneLine(hint);
}

void SetHintUnlessDot(QWidget& control, const std::string& line)
{
    if (line != ".") control.setToolTip(FromOneLine(line));
}

TKvnActionList::TKvnActionList(QObject* parent) : QObject(parent) {}

void TKvnActionList::Add(QAction* action)
{
    if (action != nullptr && !Contains(action)) fActions.emplace_back(action);
}

bool TKvnActionList::Contains(const QAction* action) const
{
    return std::any_of(fActions.begin(), fActions.end(),
                       [action](const QPointer<QAction>& held) { return held.data() == action; });
}

std::string TKvnActionList::GetTexts() const
{
    std::string block;
    for (const QPointer<QAction>& action : fActions) {
        if (action.isNull()) continue;
        QString caption = action->text();
        QString hint = action->statusTip();
        if (caption.isEmpty() && hint.isEmpty()) continue;
        block += "@" + action->objectName().toStdString() + std::string(kLineEnd) + HintOrDot(caption) +
                 std::string(kLineEnd) + HintOrDot(hint) + std::string(kLineEnd);
    }
    return Trim(block);
}

void TKvnActionList::SetTexts(const std::vector<std::string>& lines, int first, int count)
{
    first = std::clamp(first, 0, static_cast<int>(lines.size()));
    count = std::clamp(count, 0, static_cast<int>(lines.size()) - first);
    std::vector<std::string> block(lines.begin() + first, lines.begin() + first + count);
    for (std::string& line : block)
        if (!line.empty() && line.back() == '$') line.pop_back();
    std::vector<std::string> keys;
    for (const std::string& line : block)
        keys.push_back(Utf8Lower(line));

    for (const QPointer<QAction>& action : fActions) {
        if (action.isNull()) continue;
        std::string marker = Utf8Lower("@" + action->objectName().toStdString());
        auto found = std::find(keys.begin(), keys.end(), marker);
        if (found == keys.end()) continue;
        std::size_t at = static_cast<std::size_t>(found - keys.begin());
        if (at + 1 < block.size() && block[at + 1] != ".") action->setText(FromOneLine(block[at + 1]));
        if (at + 2 < block.size() && block[at + 2] != ".") SetActionHint(*action, FromOneLine(block[at + 2]));
    }
}

std::vector<std::string> FormClassChain(const QWidget& window, bool baseForm)
{
    std::vector<std::string> own;
    for (const QMetaObject* meta = window.metaObject(); meta != nullptr; meta = meta->superClass()) {
        std::string name = StripNamespace(meta->className());
        if (IsQtClass(name)) break;
        if (name == "TKvnFormDialog" || name == "TKvnFormMainWindow") continue;
        own.push_back(std::move(name));
    }
    std::vector<std::string> chain{"TForm"};
    if (baseForm) chain.emplace_back("TKvnForm");
    chain.insert(chain.end(), own.rbegin(), own.rend());
    return chain;
}

std::string FormClassName(const QWidget& window)
{
    return FormClassChain(window, false).back();
}

QObject* FindComponent(QWidget& window, std::string_view name)
{
    QString key = FromUtf8(name).toCaseFolded();
    for (QObject* component : FormComponents(window)) {
        QString own = component->objectName();
        if (!IsInternalName(own) && own.toCaseFolded() == key) return component;
    }
    return nullptr;
}

std::string ComponentTexts(QObject& component)
{
    switch (KindOf(component)) {
    case ckTranslatable:
        return dynamic_cast<ITranslatable&>(component).GetTexts();
    case ckAction: {
        auto& action = static_cast<QAction&>(component);
        if (action.isSeparator() || action.text() == QLatin1String("-")) return {};
        return CaptionBlock(action.text(), action.statusTip(), false);
    }
    case ckPageControl: {
        auto& tabs = static_cast<QTabWidget&>(component);
        std::string block;
        for (int i = 0; i < tabs.count(); ++i)
            block += (i > 0 ? std::string(kLineEnd) : std::string()) + OneLine(tabs.tabText(i));
        return block;
    }
    case ckTabPage:
        return {};
    case ckLabel: {
        auto& label = static_cast<QLabel&>(component);
        return CaptionBlock(label.text(), label.toolTip(), true);
    }
    case ckButton: {
        auto& button = static_cast<QAbstractButton&>(component);
        // A tool button that shows an action takes its texts from the action.
        if (auto* tool = qobject_cast<QToolButton*>(&button); tool != nullptr && tool->defaultAction() != nullptr)
            return {};
        return CaptionBlock(button.text(), button.toolTip(), false);
    }
    case ckComboBox: {
        auto& box = static_cast<QComboBox&>(component);
        QStringList items;
        for (int i = 0; i < box.count(); ++i)
            items << box.itemText(i);
        return ItemsBlock(box.toolTip(), items);
    }
    case ckListWidget: {
        auto& list = static_cast<QListWidget&>(component);
        QStringList items;
        for (int i = 0; i < list.count(); ++i)
            items << list.item(i)->text();
        return ItemsBlock(list.toolTip(), items);
    }
    case ckGroupBox: {
        auto& group = static_cast<QGroupBox&>(component);
        return CaptionBlock(group.title(), group.toolTip(), false);
    }
    case ckMenu: {
        auto& menu = static_cast<QMenu&>(component);
        return CaptionBlock(menu.title(), menu.menuAction()->statusTip(), false);
    }
    case ckMemo: {
        auto& memo = static_cast<QWidget&>(component);
        QString text = PlainText(memo);
        if (memo.toolTip().isEmpty() && text.isEmpty()) return {};
        std::string block = HintOrDot(memo.toolTip());
        if (!text.isEmpty()) {
            QStringList lines = text.split(QLatin1Char('\n'));
            block += std::string(kLineEnd) + lines.join(QLatin1String("\r\n")).toStdString();
        }
        return block;
    }
    case ckOther:
        return OneLine(static_cast<QWidget&>(component).toolTip());
    case ckNone:
        break;
    }
    return {};
}

void ApplyComponentTexts(QObject& component, const std::vector<std::string>& lines, int first, int count)
{
    int size = static_cast<int>(lines.size());
    if (first < 0 || first > size || count <= 0) return;
    int n = std::min(count, size - first);
    if (n <= 0) return;
    // Line k of the block, from 1.
    auto line = [&](int k) -> const std::string& { return lines[static_cast<std::size_t>(first + k - 1)]; };
    auto text = [&](int k) { return FromOneLine(line(k)); };
    auto items = [&](int from) {
        QStringList list;
        for (int k = from; k <= n; ++k)
            list << text(k);
        return list;
    };

    switch (KindOf(component)) {
    case ckTranslatable:
        dynamic_cast<ITranslatable&>(component).SetTexts(lines, first, n);
        break;
    case ckAction: {
        auto& action = static_cast<QAction&>(component);
        action.setText(text(1));
        if (n >= 2) SetActionHint(action, text(2));
        break;
    }
    case ckPageControl: {
        auto& tabs = static_cast<QTabWidget&>(component);
        for (int k = 0; k < n && k < tabs.count(); ++k)
            tabs.setTabText(k, text(k + 1));
        break;
    }
    case ckTabPage: {
        auto& page = static_cast<QWidget&>(component);
        QTabWidget* tabs = TabWidgetOfPage(page);
        tabs->setTabText(tabs->indexOf(&page), text(1));
        break;
    }
    case ckLabel: {
        auto& label = static_cast<QLabel&>(component);
        if (line(1) != ".") label.setText(text(1));
        if (n >= 2) label.setToolTip(text(2));
        break;
    }
    case ckButton: {
        auto& button = static_cast<QAbstractButton&>(component);
        button.setText(text(1));
        if (n >= 2) button.setToolTip(text(2));
        break;
    }
    case ckComboBox: {
        auto& box = static_cast<QComboBox&>(component);
        if (line(1) != ".") box.setToolTip(text(1));
        int selected = box.currentIndex();
        // New item texts are no choice of the user; the window hears of none of this.
        QSignalBlocker quiet(&box);
        box.clear();
        box.addItems(items(2));
        box.setCurrentIndex(selected < box.count() ? selected : -1);
        break;
    }
    case ckListWidget: {
        auto& list = static_cast<QListWidget&>(component);
        if (line(1) != ".") list.setToolTip(text(1));
        int selected = list.currentRow();
        QSignalBlocker quiet(&list);
        list.clear();
        list.addItems(items(2));
        list.setCurrentRow(selected < list.count() ? selected : -1);
        break;
    }
    case ckGroupBox: {
        auto& group = static_cast<QGroupBox&>(component);
        group.setTitle(text(1));
        if (n >= 2) group.setToolTip(text(2));
        break;
    }
    case ckMenu: {
        auto& menu = static_cast<QMenu&>(component);
        menu.setTitle(text(1));
        if (n >= 2) SetActionHint(*menu.menuAction(), text(2));
        break;
    }
    case ckMemo: {
        auto& memo = static_cast<QWidget&>(component);
        if (line(1) != ".") memo.setToolTip(text(1));
        QStringList body;
        for (int k = 2; k <= n; ++k)
            body << FromUtf8(line(k));
        SetPlainText(memo, body.join(QLatin1Char('\n')));
        break;
    }
    case ckOther:
        static_cast<QWidget&>(component).setToolTip(text(1));
        break;
    case ckNone:
        break;
    }
}

void TranslateForm(const TLanguage& language, QWidget& window, const std::vector<std::string>& classChain)
{
    const std::vector<std::string>& lines = language.Lines();
    const int size = static_cast<int>(lines.size());
    TComponentMap components;
    bool mapped = false;

    for (const std::string& className : classChain) {
        std::optional<TLanguageSection> section = language.FindSection(className);
        if (!section || section->Start <= 0 || section->Count <= 0 || section->Start >= size) continue;
        const int start = section->Start;
        const int last = std::min(start + section->Count, size) - 1;

        const std::string& caption = lines[static_cast<std::size_t>(start)];
        if (!caption.empty() && caption != ".") {
            std::string title =
                caption[0] == '$' ? Utf8Left(std::string_view(caption).substr(1), kMaxCaptionLength) : caption;
            window.setWindowTitle(FromOneLine(title));
        }

        int marker = start;
        while (marker < size && !IsMarker(lines[static_cast<std::size_t>(marker)]))
            ++marker;
        if (marker <= last && !mapped) {
            components = ComponentMap(window);
            mapped = true;
        }
        while (marker <= last) {
            int next = marker + 1;
            while (next <= last && !IsMarker(lines[static_cast<std::size_t>(next)]))
                ++next;
            std::string name =
                Utf8Left(std::string_view(lines[static_cast<std::size_t>(marker)]).substr(2), kMaxNameLength);
            if (!name.empty() && name.back() == '$') name.pop_back();
            if (QObject* component = components.value(FromUtf8(name).toCaseFolded(), nullptr))
                ApplyComponentTexts(*component, lines, marker + 1, next - marker - 1);
            marker = next;
        }
    }
}

void TranslateForm(const TLanguage& language, QWidget& window)
{
    TranslateForm(language, window, FormClassChain(window, false));
}

std::string FormTexts(QWidget& window, const std::string& className)
{
    std::string text = "[" + className + "]" + std::string(kLineEnd);
    QString title = window.windowTitle();
    text += (title.isEmpty() ? std::string(".") : OneLine(title)) + std::string(kLineEnd);

    std::vector<QObject*> components = FormComponents(window);
    std::vector<const TKvnActionList*> actionLists;
    for (QObject* component : components)
        if (auto* list = qobject_cast<TKvnActionList*>(component)) actionLists.push_back(list);
    auto inActionList = [&actionLists](QObject* component) {
        auto* action = qobject_cast<QAction*>(component);
        return action != nullptr &&
               std::any_of(actionLists.begin(), actionLists.end(),
                           [action](const TKvnActionList* list) { return list->Contains(action); });
    };

    for (QObject* component : components) {
        QString name = component->objectName();
        if (IsInternalName(name) || inActionList(component)) continue;
        std::string block = ComponentTexts(*component);
        bool hasLetter = std::any_of(block.begin(), block.end(),
                                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
        if (!hasLetter || block == "OK") continue;
        text += ".@" + name.toStdString() + std::string(kLineEnd) + block + std::string(kLineEnd);
    }
    return text;
}

bool ExportFormTexts(const TLanguage& language, QWidget& window, const std::string& className)
{
    if (language.ExportDir().empty()) return false;
    QFile file(FromUtf8(language.ExportDir() + className + ".txt"));
    // NewOnly: an existing file is never written over, not even by a second program exporting at the same time.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
    std::string text = FormTexts(window, className);
    bool written = file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
    written = file.flush() && written;
    file.close();
    written = written && file.error() == QFileDevice::NoError;
    // A cut-off file would pass for a finished export the next time and never be written again.
    if (!written) file.remove();
    return written;
}

} // namespace kvn
