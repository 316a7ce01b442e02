#pragma once

#include <string>
#include <vector>

#include "engine/filters/compiled_filters.h"

namespace kv {

// The lists in use and their counts, written by the browser when its lists are ready,
// read by the Internet Options program, which compiles nothing itself.
bool save_list_reports(const std::string& path, const std::vector<ListReport>& reports);
std::vector<ListReport> load_list_reports(const std::string& path);

}  // namespace kv
