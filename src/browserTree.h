#pragma once

#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;

namespace veltro {

// Sets the options the two browser trees share: read-only, one node selected at a time, indent 19, hot tracking,
// and the selection kept visible while the focus is in the list beside the tree.
void SetUpBrowserTree(QTreeWidget& tree);

// The texts of the node and its ancestors, top-level node first; empty without a node.
QStringList NodePath(const QTreeWidgetItem* node);
// The node at the text path, or the deepest ancestor of it that the tree still has; null when not even the
// top-level node is there.
QTreeWidgetItem* FindNodePath(const QTreeWidget& tree, const QStringList& path);

} // namespace veltro
