// kznhost diff: what a session changed in a map.
#pragma once

#include <ostream>
#include <string>

namespace kznhost {

// Prints what differs between the maps at BEFORE and AFTER, one line per change: layer by layer
// what changed in each object and the objects that one has and the other has not, then the
// layers' order, the current layer, the patterns and the swatches. Returns the exit status, as
// diff's: 0 when the maps are the same, 1 when they differ, 2 for a map that cannot be read or
// output that cannot be written.
int PrintDiff(const std::string& before, const std::string& after, std::ostream& out,
              std::ostream& err);

}  // namespace kznhost
