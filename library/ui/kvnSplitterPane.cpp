#include "kvnSplitterPane.h"

#include <QEvent>
#include <QSplitter>

#include <algorithm>

namespace kvn {

TKvnSplitterPane::TKvnSplitterPane(QSplitter& splitter, int width)
    : QObject(&splitter), fSplitter(splitter), fWidth(std::max(width, 0))
{
    fSplitter.setStretchFactor(0, 0);
    fSplitter.setStretchFactor(1, 1);
    fSplitter.installEventFilter(this);
    if (fSplitter.isVisible()) Apply();
}

int TKvnSplitterPane::Width() const
{
    return fApplied ? fSplitter.sizes().value(0) : fWidth;
}

bool TKvnSplitterPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &fSplitter && !fApplied && (event->type() == QEvent::Resize || event->type() == QEvent::Show) &&
        fSplitter.isVisible() && fSplitter.width() > 0)
        Apply();
    return false;
}

void TKvnSplitterPane::Apply()
{
    fApplied = true;
    int handles = fSplitter.handleWidth() * std::max(static_cast<int>(fSplitter.count()) - 1, 0);
    int rest = std::max(fSplitter.width() - handles - fWidth, 0);
    fSplitter.setSizes({fWidth, rest});
}

} // namespace kvn
