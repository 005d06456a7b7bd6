#pragma once

#include <QObject>

class QSplitter;

namespace kvn {

// Keeps the first pane of a splitter at a width in pixels. A splitter that has not been laid out yet scales every
// size it is given to its real width later, so the width is applied only once the splitter is on screen with its
// size; from then on a resized splitter gives or takes the difference from its other pane alone.
class TKvnSplitterPane : public QObject {
public:
    // Watches splitter (which then owns this object) and puts its first pane at width once it is shown.
    TKvnSplitterPane(QSplitter& splitter, int width);

    // The first pane's width: the one still to be applied while the splitter has not been shown, else its own.
    int Width() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Apply();

    QSplitter& fSplitter;
    int fWidth;
    bool fApplied = false;
};

} // namespace kvn
