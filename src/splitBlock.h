#pragma once

#include "orvElements.h"

namespace kvn {
class TkvnPaintBox;
class TOrvida;
} // namespace kvn

namespace veltro {

// Draws the block under a result line: the split times of the item in two columns, or, for a relay with recorded
// members, each member with the splits of the leg and the leg time. timeRight is the right edge of the time column,
// nameLeft the left edge of the name column; y is the line's top and comes back below the block.
void DrawSplitBlock(kvn::TkvnPaintBox& box, const kvn::TOrvAbstractObject& item, int timeRight, int nameLeft, int& y,
                    const kvn::TOrvAbstractObject* event, const kvn::TOrvida& document);

} // namespace veltro
