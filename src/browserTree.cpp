#include "browserTree.h"

#include <QPalette>
#include <QTreeWidget>

namespace veltro {

void SetUpBrowserTree(QTreeWidget& tree)
{
    tree.setColumnCount(1);
    tree.setHeaderHidden(true);
    tree.setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree.setSelectionMode(QAbstractItemView::SingleSelection);
    tree.setIndentation(19);
    tree.setSortingEnabled(false);
    tree.setMouseTracking(true);
    tree.viewport()->setAttribute(Qt::WA_Hover);
    QPalette palette = tree.palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    tree.setPalette(palette);
}

} // namespace veltro
