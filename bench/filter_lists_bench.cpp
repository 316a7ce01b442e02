// The packaged ad and tracker lists: converting them, converting and compiling them as a
// first start does, and loading them compiled as a later start does; with the counts
// of converted and skipped lines by kind. One run each: a first start happens once.
// First, hostile lists of 1 MB, whose conversion must stay well under a second.
#include <glib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "engine/filters/compiled_filters.h"
#include "engine/filters/filter_list.h"
#include "engine/filters/filter_sources.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Loads every list through `filters` and runs the loop until all are ready.
double load_all(kv::CompiledFilters& filters, const std::vector<kv::ListSource>& sources,
                int& in_use, bool& all_stored) {
  int pending = static_cast<int>(sources.size());
  in_use = 0;
  all_stored = true;
  const auto start = Clock::now();
  for (const auto& source : sources)
    filters.load(source, nullptr,
                 [&](std::vector<kv::OwnedFilter> parts, kv::ListReport, bool stored) {
                   if (!parts.empty()) ++in_use;
                   all_stored = all_stored && stored;
                   --pending;
                 });
  while (pending > 0) g_main_context_iteration(nullptr, TRUE);
  return ms_since(start);
}

// 100 hiding rules of one selector (N in `rule` numbered), then site exceptions for it
// up to 1 MB.
std::string hostile_list(const std::string& rule) {
  std::string text;
  for (int i = 0; i < 100; ++i) {
    std::string line = rule;
    if (const std::size_t at = line.find('N'); at != std::string::npos)
      line.replace(at, 1, std::to_string(i));
    text += line;
  }
  for (int i = 0; text.size() < 1024 * 1024; ++i)
    text += "site" + std::to_string(i) + ".example#@#.ad\n";
  return text;
}

void convert_hostile(const char* name, const std::string& text) {
  const auto start = Clock::now();
  const kv::ConvertedList list = kv::convert_filter_list(text);
  const double took = ms_since(start);
  std::size_t bytes = 0;
  for (const auto& rule : list.rules) bytes += rule.size();
  std::printf("hostile list, %s (%zu KB): converted in %.0f ms, %zu rules, %zu KB%s%s\n", name,
              text.size() / 1024, took, list.rules.size(), bytes / 1024,
              list.refused.empty() ? "" : ", refused: ", list.refused.c_str());
}

}  // namespace

int main() {
  convert_hostile("100 ##.ad", hostile_list("##.ad\n"));
  convert_hostile("100 ~siteN##.ad", hostile_list("~keepN.example##.ad\n"));

  const std::vector<std::string> lists = kv::packaged_filter_lists();
  if (lists.empty()) {
    std::fprintf(stderr, "filter_lists_bench: the packaged lists are not installed\n");
    return 1;
  }
  std::vector<kv::ListSource> sources;
  for (const auto& path : lists) {
    kv::OwnedChars text;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), kv::out(text), &length, nullptr)) continue;
    const auto start = Clock::now();
    const kv::ConvertedList list = kv::convert_filter_list(std::string_view(text.get(), length));
    const double took = ms_since(start);
    kv::OwnedChars name(g_path_get_basename(path.c_str()));
    std::printf("%s: converted in %.0f ms, %zu rules\n  converted %zu: %s\n  skipped %zu: %s\n",
                name.get(), took, list.rules.size(), list.converted_count(),
                kv::describe_counts(list.converted).c_str(), list.skipped_count(),
                kv::describe_counts(list.skipped).c_str());
    sources.push_back({name.get(), path, false});
  }

  kv::OwnedChars store(g_dir_make_tmp("kv-filter-bench-XXXXXX", nullptr));
  int in_use = 0;
  bool stored = false;
  {
    kv::CompiledFilters first(store.get());
    const double took = load_all(first, sources, in_use, stored);
    std::printf("first start, convert and compile: %.0f ms (%d of %zu lists in use)\n", took,
                in_use, sources.size());
  }
  for (int run = 0; run < 5; ++run) {
    kv::CompiledFilters later(store.get());
    const double took = load_all(later, sources, in_use, stored);
    std::printf("later start, load from the store: %.1f ms (%s)\n", took,
                stored ? "all stored" : "NOT all stored");
  }
  std::error_code error;
  std::filesystem::remove_all(store.get(), error);
  return 0;
}
