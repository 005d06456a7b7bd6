#pragma once

#include <QIcon>
#include <QStringList>
#include <QTreeWidgetItem>

class QTreeWidget;

namespace veltro {

// A node of a browser tree that keeps its text and icon as plain members instead of item data: the data of a
// plain item is a list of roles per column, and filling it costs more than the node itself once a tree has tens
// of thousands of nodes. Reading and changing the text and icon through the item's usual calls still works.
class TBrowserNode : public QTreeWidgetItem {
public:
    TBrowserNode(QString text, QIcon icon, int type);

    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant& value) override;

private:
    QString fText;
    QIcon fIcon;
};

// Sets the options the two browser trees share: read-only, one node selected at a time, indent 19, hot tracking,
// and the selection kept visible while the focus is in the list beside the tree.
void SetUpBrowserTree(QTreeWidget& tree);

// The texts of the node and its ancestors, top-level node first; empty without a node.
QStringList NodePath(const QTreeWidgetItem* node);
// The node at the text path, or the deepest ancestor of it that the tree still has; null when not even the
// top-level node is there.
QTreeWidgetItem* FindNodePath(const QTreeWidget& tree, const QStringList& path);

} // namespace veltro
