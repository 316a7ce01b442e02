#include "engine/filters/list_reports.h"

#include <glib.h>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

void put_counts(GKeyFile* file, const std::string& group, const char* prefix,
                const std::map<std::string, std::size_t>& counts) {
  for (const auto& [kind, count] : counts)
    g_key_file_set_uint64(file, group.c_str(), (prefix + kind).c_str(), count);
}

}  // namespace

bool save_list_reports(const std::string& path, const std::vector<ListReport>& reports) {
  OwnedKeyFile file(g_key_file_new());
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const ListReport& report = reports[i];
    const std::string group = "List " + std::to_string(i);
    g_key_file_set_string(file.get(), group.c_str(), "Name", report.name.c_str());
    g_key_file_set_boolean(file.get(), group.c_str(), "InUse", report.in_use);
    g_key_file_set_uint64(file.get(), group.c_str(), "Rejected", report.rejected);
    g_key_file_set_uint64(file.get(), group.c_str(), "LeftOut", report.left_out);
    g_key_file_set_uint64(file.get(), group.c_str(), "Parts", report.parts);
    g_key_file_set_string(file.get(), group.c_str(), "Refused", report.refused.c_str());
    put_counts(file.get(), group, "converted.", report.converted);
    put_counts(file.get(), group, "skipped.", report.skipped);
  }
  gsize length = 0;
  OwnedChars text(g_key_file_to_data(file.get(), &length, nullptr));
  return g_file_set_contents_full(path.c_str(), text.get(), static_cast<gssize>(length),
                                  G_FILE_SET_CONTENTS_CONSISTENT, 0600, nullptr);
}

std::vector<ListReport> load_list_reports(const std::string& path) {
  std::vector<ListReport> reports;
  OwnedKeyFile file(g_key_file_new());
  if (!g_key_file_load_from_file(file.get(), path.c_str(), G_KEY_FILE_NONE, nullptr))
    return reports;
  OwnedStrv groups(g_key_file_get_groups(file.get(), nullptr));
  for (gchar** group = groups.get(); *group != nullptr; ++group) {
    ListReport report;
    OwnedChars name(g_key_file_get_string(file.get(), *group, "Name", nullptr));
    if (!name) continue;
    report.name = name.get();
    report.in_use = g_key_file_get_boolean(file.get(), *group, "InUse", nullptr);
    report.rejected = g_key_file_get_uint64(file.get(), *group, "Rejected", nullptr);
    report.left_out = g_key_file_get_uint64(file.get(), *group, "LeftOut", nullptr);
    report.parts = g_key_file_get_uint64(file.get(), *group, "Parts", nullptr);
    OwnedChars refused(g_key_file_get_string(file.get(), *group, "Refused", nullptr));
    if (refused) report.refused = refused.get();
    OwnedStrv keys(g_key_file_get_keys(file.get(), *group, nullptr, nullptr));
    for (gchar** key = keys.get(); key != nullptr && *key != nullptr; ++key) {
      const std::string text = *key;
      const std::size_t count = g_key_file_get_uint64(file.get(), *group, *key, nullptr);
      if (text.starts_with("converted.")) report.converted[text.substr(10)] = count;
      if (text.starts_with("skipped.")) report.skipped[text.substr(8)] = count;
    }
    reports.push_back(std::move(report));
  }
  return reports;
}

}  // namespace kv
