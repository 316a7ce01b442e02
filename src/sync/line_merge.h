#pragma once

#include <string>
#include <vector>

namespace kv {

// The three-way merge of a list of lines (fav.Dat's) as sync merges the favourites list:
// `ours` and `theirs` each changed `base`; lines removed on one side go, lines added or
// moved on one side come after the line they follow there, the rest keeps `theirs`'
// order. A line is the base's line of the same bytes, in order.
std::vector<std::string> merge_lines(const std::vector<std::string>& base,
                                     const std::vector<std::string>& ours,
                                     const std::vector<std::string>& theirs);

}  // namespace kv
