#pragma once

#include "orvElements.h"

#include <string>

class QTreeWidgetItem;

namespace kvn {
class TOrvida;
} // namespace kvn

// The shown list as plain text for the clipboard: a title line, then one line per result or entry with
// tab-separated fields, every line ended by CR LF, so that it pastes into a spreadsheet or a text.

namespace veltro {

class TEventsBrowser;
class TfrmView;

// What the page's check boxes ask for: split and member rows, and only valid results.
struct TCopyOptions {
    bool Splits = false;
    bool OnlyValid = false;
};

// The split rows (two columns) or relay-member rows of one result or entry, each ended by CR LF; empty when the
// item has neither splits nor members.
std::string SplitsText(const kvn::TOrvAbstractObject& item, const kvn::TOrvAbstractObject* event,
                       const kvn::TOrvida& document);

// The list of an events-tree node (event or age group) as text; empty for a node without a list.
std::string CopyEventList(const QTreeWidgetItem* node, const TEventsBrowser& events, const kvn::TOrvida& document,
                          const TCopyOptions& options);

// The list of an athlete or relay node of the participants tree as text; empty for nation and club nodes.
std::string CopyParticipantList(const QTreeWidgetItem* node, const kvn::TOrvida& document, const TCopyOptions& options);

// The text of the list shown on the window's active page with the page's check boxes; empty on other pages.
std::string ShownListText(TfrmView& window);

// Replaces the clipboard's content with the text as plain text.
void PutOnClipboard(const std::string& text);

// The copy command: puts the shown list on the clipboard; does nothing when no list is shown.
void CopyShownList(TfrmView& window);

} // namespace veltro
