#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/filters/compiled_filters.h"

namespace kv {

// What became of one list's text, kept beside its compiled parts so that a later start
// neither converts it again to show its counts, nor asks the engine again about rules it
// refused (by their place in the converted list), nor converts a list that was too big.
struct ListRecord {
  ListReport report;
  std::vector<std::size_t> refused_rules;
};

bool save_list_record(const std::string& path, const ListRecord& record);
// False, with `record` untouched, when there is none.
bool load_list_record(const std::string& path, ListRecord& record);

}  // namespace kv
