#pragma once

#include <QColor>
#include <QObject>

class QWidget;

// The colours of the library's edits and combo boxes: one text and background pair for each state a control can be
// in, applied whenever the state changes.

namespace kvn {

// The state that picks a control's colours, in order of precedence.
enum TColorState { csDisabled, csReadOnly, csFocused, csNormal };

// Text and background colours per state; the defaults are the application palette's colours of the same roles.
struct TColors {
    QColor NormalText, NormalBG;
    QColor ReadOnlyText, ReadOnlyBG;
    QColor DisabledText, DisabledBG;
    QColor FocusedText, FocusedBG;

    // The palette's window text and base for normal and focused, button text and face for read-only, disabled
    // text and highlight for disabled.
    static TColors Defaults();
    // The text colour of the state.
    QColor Text(TColorState state) const;
    // The background colour of the state.
    QColor Background(TColorState state) const;

    bool operator==(const TColors&) const = default;
};

// The control's state: disabled, else read-only, else focused (it has the input focus), else normal.
TColorState ColorStateOf(const QWidget& control);

// Keeps a control's text and background in the colours of its state: applied at once and again on focus entry and
// exit, on enabling and disabling and on a change of read-only. The control owns it.
class TKvnColorKeeper : public QObject {
    Q_OBJECT

public:
    explicit TKvnColorKeeper(QWidget& control);

    const TColors& Colors() const { return fColors; }
    // Sets the colours and applies them.
    void SetColors(const TColors& colors);
    // Applies the colours of the control's current state.
    void Apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& fControl;
    TColors fColors;
};

} // namespace kvn
