#include "engine/filters/list_record.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <charconv>
#include <string_view>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

constexpr const char* kList = "List";

void write_counts(GKeyFile* file, const char* group,
                  const std::map<std::string, std::size_t>& counts) {
  for (const auto& [kind, count] : counts) g_key_file_set_uint64(file, group, kind.c_str(), count);
}

std::map<std::string, std::size_t> read_counts(GKeyFile* file, const char* group) {
  std::map<std::string, std::size_t> counts;
  OwnedStrv keys(g_key_file_get_keys(file, group, nullptr, nullptr));
  for (gchar** key = keys.get(); key != nullptr && *key != nullptr; ++key)
    counts[*key] = g_key_file_get_uint64(file, group, *key, nullptr);
  return counts;
}

std::string joined(const std::vector<std::size_t>& numbers) {
  std::string out;
  for (const std::size_t number : numbers) {
    if (!out.empty()) out += ',';
    out += std::to_string(number);
  }
  return out;
}

std::vector<std::size_t> numbers_in(std::string_view text) {
  std::vector<std::size_t> out;
  while (!text.empty()) {
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc()) return {};
    out.push_back(number);
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (!text.empty() && text.front() == ',') text.remove_prefix(1);
  }
  return out;
}

}  // namespace

bool save_list_record(const std::string& path, const ListRecord& record) {
  const ListReport& report = record.report;
  OwnedKeyFile file(g_key_file_new());
  write_counts(file.get(), "Converted", report.converted);
  write_counts(file.get(), "Skipped", report.skipped);
  g_key_file_set_uint64(file.get(), kList, "Rejected", report.rejected);
  g_key_file_set_uint64(file.get(), kList, "LeftOut", report.left_out);
  g_key_file_set_uint64(file.get(), kList, "Parts", report.parts);
  g_key_file_set_string(file.get(), kList, "Refused", report.refused.c_str());
  g_key_file_set_string(file.get(), kList, "RefusedRules", joined(record.refused_rules).c_str());
  gsize length = 0;
  OwnedChars text(g_key_file_to_data(file.get(), &length, nullptr));
  return g_file_set_contents_full(path.c_str(), text.get(), static_cast<gssize>(length),
                                  G_FILE_SET_CONTENTS_CONSISTENT, 0600, nullptr);
}

bool load_list_record(const std::string& path, ListRecord& record) {
  OwnedKeyFile file(g_key_file_new());
  if (!g_key_file_load_from_file(file.get(), path.c_str(), G_KEY_FILE_NONE, nullptr)) return false;
  ListReport& report = record.report;
  report.converted = read_counts(file.get(), "Converted");
  report.skipped = read_counts(file.get(), "Skipped");
  report.rejected = g_key_file_get_uint64(file.get(), kList, "Rejected", nullptr);
  report.left_out = g_key_file_get_uint64(file.get(), kList, "LeftOut", nullptr);
  report.parts = g_key_file_get_uint64(file.get(), kList, "Parts", nullptr);
  OwnedChars refused(g_key_file_get_string(file.get(), kList, "Refused", nullptr));
  report.refused = refused ? refused.get() : "";
  OwnedChars rules(g_key_file_get_string(file.get(), kList, "RefusedRules", nullptr));
  record.refused_rules = numbers_in(rules ? rules.get() : "");
  return true;
}

}  // namespace kv
