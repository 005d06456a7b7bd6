#include "kvnEdit.h"

#include "kvnIniFiles.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTextBlock>

#include <optional>
#include <string>

namespace kvn {

namespace {

std::optional<int> ToInt(const QString& text)
{
    bool ok = false;
    int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::string KeyOf(const QObject& control)
{
    return control.objectName().toStdString();
}

// Focus that goes to another window or to a menu comes back; only a move inside the window leaves the control.
bool LeavesControl(const QFocusEvent& event)
{
    return event.reason() != Qt::ActiveWindowFocusReason && event.reason() != Qt::PopupFocusReason;
}

// Set while an edit takes the focus back: the control that just got it loses it again without having been
// entered, so it has nothing to check (and two refusing edits would pass the focus back and forth for ever).
bool gTakingFocusBack = false;

bool IsBlank(const QString& line)
{
    return line.trimmed().isEmpty();
}

} // namespace

TKvnEdit::TKvnEdit(QWidget* parent) : QLineEdit(parent), fColors(new TKvnColorKeeper(*this)) {}

void TKvnEdit::SetEditType(TEditType type)
{
    fEditType = type;
    if (type != etInteger) fMinValue = fMaxValue = 0;
}

QString TKvnEdit::Text() const
{
    if (fEditType == etInteger || TrimStrings()) return text().trimmed();
    return text();
}

void TKvnEdit::SetIntValue(int n)
{
    setText(n == 0 && ZeroAsBlanks() ? QString() : QString::number(n));
}

int TKvnEdit::GetIntValue()
{
    Normalize();
    return ToInt(text()).value_or(0);
}

void TKvnEdit::Normalize()
{
    if (fEditType != etInteger || (fMinValue == 0 && fMaxValue == 0)) return;
    int n = ToInt(text()).value_or(0);
    if (fMinValue != 0 && n < fMinValue) n = fMinValue;
    if (fMaxValue != 0 && n > fMaxValue) n = fMaxValue;
    SetIntValue(n);
}

void TKvnEdit::LoadFromIni(TKvnCustomIniFile& settings, std::string_view section)
{
    const std::string key = KeyOf(*this);
    if (!settings.ValueExists(section, key)) return;
    QString stored = QString::fromStdString(settings.ReadString(section, key, ""));
    if (fEditType != etInteger) {
        setText(stored);
        return;
    }
    std::optional<int> value = ToInt(stored);
    if (!value) {
        clear();
        return;
    }
    SetIntValue(*value);
    Normalize();
}

void TKvnEdit::SaveToIni(TKvnCustomIniFile& settings, std::string_view section)
{
    settings.WriteString(section, KeyOf(*this), Text().toStdString());
}

void TKvnEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (!LeavesControl(*event) || gTakingFocusBack) return;
    Normalize();
    if (!fOnValidate || fOnValidate(*this)) return;
    QWidget* owner = window();
    if (!owner->isVisible() || !owner->isEnabled()) return;
    // Taking the focus back at once (not later) lets the code that moved it see that it did not move.
    gTakingFocusBack = true;
    setFocus(Qt::OtherFocusReason);
    gTakingFocusBack = false;
}

TKvnMemo::TKvnMemo(QWidget* parent) : QPlainTextEdit(parent), fColors(new TKvnColorKeeper(*this))
{
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TKvnMemo::ShowCaretPos);
    connect(this, &QPlainTextEdit::textChanged, this, &TKvnMemo::ShowCaretPos);
}

QStringList TKvnMemo::Lines() const
{
    QStringList lines = toPlainText().split(QLatin1Char('\n'));
    if (fNoBlankLines)
        while (!lines.isEmpty() && IsBlank(lines.back()))
            lines.removeLast();
    return lines;
}

void TKvnMemo::SetLines(const QStringList& lines)
{
    setPlainText(lines.join(QLatin1Char('\n')));
}

void TKvnMemo::SetNoBlankLines(bool value)
{
    fNoBlankLines = value;
    ShowCaretPos();
}

void TKvnMemo::SetCaretPosControl(QLabel* label)
{
    ClearCaretPos();
    fCaretPosControl = label;
    ClearCaretPos();
}

QString TKvnMemo::CaretPosText() const
{
    QTextCursor caret = textCursor();
    int line = caret.blockNumber() + 1;
    int column = caret.positionInBlock() + 1;
    int count = blockCount();
    if (fNoBlankLines) {
        count = 0;
        for (QTextBlock block = document()->lastBlock(); block.isValid(); block = block.previous())
            if (!IsBlank(block.text())) {
                count = block.blockNumber() + 1;
                break;
            }
    }
    return QStringLiteral("%1/%2 - %3").arg(line).arg(column).arg(count);
}

void TKvnMemo::ShowCaretPos()
{
    if (fCaretPosControl && hasFocus()) fCaretPosControl->setText(CaretPosText());
}

void TKvnMemo::ClearCaretPos()
{
    if (fCaretPosControl) fCaretPosControl->clear();
}

void TKvnMemo::LoadFromIni(TKvnCustomIniFile& settings, std::string_view section)
{
    const std::string key = KeyOf(*this);
    std::string current = toPlainText().toStdString();
    QString text = QString::fromStdString(settings.ReadText(section, key, current));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    setPlainText(text);
}

void TKvnMemo::SaveToIni(TKvnCustomIniFile& settings, std::string_view section)
{
    settings.WriteText(section, KeyOf(*this), Lines().join(QLatin1String("\r\n")).toStdString());
}

void TKvnMemo::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape) {
        QPlainTextEdit::keyPressEvent(event);
        ShowCaretPos();
        return;
    }
    event->accept();
    QWidget* owner = window();
    if (owner == this) return;
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Escape, event->modifiers());
    QApplication::sendEvent(owner, &down);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Escape, event->modifiers());
    QApplication::sendEvent(owner, &up);
}

void TKvnMemo::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        // The window had its key up with the key down.
        event->accept();
        return;
    }
    QPlainTextEdit::keyReleaseEvent(event);
    ShowCaretPos();
}

void TKvnMemo::mousePressEvent(QMouseEvent* event)
{
    QPlainTextEdit::mousePressEvent(event);
    ShowCaretPos();
}

void TKvnMemo::focusInEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusInEvent(event);
    ShowCaretPos();
}

void TKvnMemo::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    ClearCaretPos();
}

} // namespace kvn
