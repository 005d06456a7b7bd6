#pragma once

class QTreeWidget;

namespace veltro {

// Sets the options the two browser trees share: read-only, one node selected at a time, indent 19, hot tracking,
// and the selection kept visible while the focus is in the list beside the tree.
void SetUpBrowserTree(QTreeWidget& tree);

} // namespace veltro
