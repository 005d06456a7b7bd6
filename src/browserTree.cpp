#include "browserTree.h"

#include <QPalette>
#include <QTreeWidget>

namespace veltro {

TBrowserNode::TBrowserNode(QString text, QIcon icon, int type)
    : QTreeWidgetItem(type), fText(std::move(text)), fIcon(std::move(icon))
{
}

QVariant TBrowserNode::data(int column, int role) const
{
    if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole)) return fText;
    if (column == 0 && role == Qt::DecorationRole) return fIcon.isNull() ? QVariant() : QVariant(fIcon);
    return QTreeWidgetItem::data(column, role);
}

void TBrowserNode::setData(int column, int role, const QVariant& value)
{
    if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole)) {
        fText = value.toString();
    } else if (column == 0 && role == Qt::DecorationRole) {
        fIcon = value.value<QIcon>();
    } else {
        QTreeWidgetItem::setData(column, role, value);
        return;
    }
    emitDataChanged();
}

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

QStringList NodePath(const QTreeWidgetItem* node)
{
    QStringList path;
    for (; node; node = node->parent())
        path.prepend(node->text(0));
    return path;
}

QTreeWidgetItem* FindNodePath(const QTreeWidget& tree, const QStringList& path)
{
    QTreeWidgetItem* found = nullptr;
    for (const QString& text : path) {
        int count = found ? found->childCount() : tree.topLevelItemCount();
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < count && !next; ++i) {
            QTreeWidgetItem* child = found ? found->child(i) : tree.topLevelItem(i);
            if (child->text(0) == text) next = child;
        }
        if (!next) break;
        found = next;
    }
    return found;
}

} // namespace veltro
