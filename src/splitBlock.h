#pragma once

#include "kvnFunctions.h"
#include "orvElements.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kvn {
class TkvnPaintBox;
class TOrvida;
} // namespace kvn

namespace veltro {

// The splits of a "SPLITS" collection in the order lists show them: by distance, as a number.
std::vector<const kvn::TOrvDataElement*> SortedSplits(const kvn::TOrvAbstractObject* splits);

// The relay members by leg (from 0): the last "POSITION" with each "NUM" between 1 and the leg count.
std::map<int, const kvn::TOrvAbstractObject*> RelayLegs(const kvn::TOrvAbstractObject& positions, int legCount);

// The pool length when the members' layout can step through the race split by split, else 0: pool length,
// distance and leg count must be positive, and the race may not need more steps than any real race has.
long long RelayStepLength(const kvn::TOrvAbstractObject* positions, const kvn::TOrvAbstractObject* event,
                          const kvn::TOrvida& document);

// The split of the collection (which may be missing) taken at the distance, as the text of its "dis", or nullptr.
const kvn::TOrvDataElement* SplitAt(const kvn::TOrvAbstractObject* splits, std::string_view distance);

// "(31.50)": a split difference as lists show it.
std::string Bracketed(kvn::TSwimTime difference);

// Draws the block under a result line: the split times of the item in two columns, or, for a relay with recorded
// members, each member with the splits of the leg and the leg time. timeRight is the right edge of the time column,
// nameLeft the left edge of the name column; y is the line's top and comes back below the block.
void DrawSplitBlock(kvn::TkvnPaintBox& box, const kvn::TOrvAbstractObject& item, int timeRight, int nameLeft, int& y,
                    const kvn::TOrvAbstractObject* event, const kvn::TOrvida& document);

} // namespace veltro
