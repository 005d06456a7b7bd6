#include "kvnColors.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>

namespace kvn {

TColors TColors::Defaults()
{
    QPalette palette = QApplication::palette();
    TColors colors;
    colors.NormalText = palette.color(QPalette::Active, QPalette::Text);
    colors.NormalBG = palette.color(QPalette::Active, QPalette::Base);
    colors.ReadOnlyText = palette.color(QPalette::Active, QPalette::ButtonText);
    colors.ReadOnlyBG = palette.color(QPalette::Active, QPalette::Button);
    colors.DisabledText = palette.color(QPalette::Disabled, QPalette::Text);
    colors.DisabledBG = palette.color(QPalette::Active, QPalette::Light);
    colors.FocusedText = colors.NormalText;
    colors.FocusedBG = colors.NormalBG;
    return colors;
}

QColor TColors::Text(TColorState state) const
{
    switch (state) {
    case csDisabled:
        return DisabledText;
    case csReadOnly:
        return ReadOnlyText;
    case csFocused:
        return FocusedText;
    case csNormal:
        break;
    }
    return NormalText;
}

QColor TColors::Background(TColorState state) const
{
    switch (state) {
    case csDisabled:
        return DisabledBG;
    case csReadOnly:
        return ReadOnlyBG;
    case csFocused:
        return FocusedBG;
    case csNormal:
        break;
    }
    return NormalBG;
}

namespace {

bool IsReadOnly(const QWidget& control)
{
    if (auto* edit = qobject_cast<const QLineEdit*>(&control)) return edit->isReadOnly();
    if (auto* memo = qobject_cast<const QPlainTextEdit*>(&control)) return memo->isReadOnly();
    return false;
}

} // namespace

TColorState ColorStateOf(const QWidget& control)
{
    if (!control.isEnabled()) return csDisabled;
    if (IsReadOnly(control)) return csReadOnly;
    if (control.hasFocus()) return csFocused;
    return csNormal;
}

TKvnColorKeeper::TKvnColorKeeper(QWidget& control) : QObject(&control), fControl(control), fColors(TColors::Defaults())
{
    control.installEventFilter(this);
    Apply();
}

void TKvnColorKeeper::SetColors(const TColors& colors)
{
    fColors = colors;
    Apply();
}

void TKvnColorKeeper::Apply()
{
    TColorState state = ColorStateOf(fControl);
    QPalette palette = fControl.palette();
    // Every colour group gets the state's pair, so that the style's own disabled or inactive colours do not win.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text, fColors.Text(state));
        palette.setColor(group, QPalette::Base, fColors.Background(state));
    }
    fControl.setPalette(palette);
}

bool TKvnColorKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &fControl) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::EnabledChange:
        case QEvent::ReadOnlyChange:
            Apply();
            break;
        default:
            break;
        }
    }
    return false;
}

} // namespace kvn
