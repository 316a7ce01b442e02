#include "engine/filters/compiled_filters.h"

#include <glib/gstdio.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <vector>

#include "engine/filters/filter_list.h"
#include "engine/filters/json_text.h"

namespace kv {
namespace {

// Changes whenever the conversion does, so that lists compiled by an older one are
// compiled again.
constexpr const char* kConversionVersion = "1";
constexpr const char* kProbeSuffix = "-probe";

struct Job {
  ObjectRef<WebKitUserContentFilterStore> store;
  std::string store_dir;
  ListSource source;
  std::string text;
  std::string id;
  CompiledFilters::Looked looked;
  CompiledFilters::Ready ready;
  ListReport report;
  std::vector<std::string> rules;
  bool split = true;  // false for an engine-format list whose array could not be read
  // While the engine rejects the list: parts still to try, and the rules it took.
  std::deque<std::pair<std::size_t, std::size_t>> parts;
  std::vector<bool> taken;
};
using JobPtr = std::shared_ptr<Job>;

std::string report_path(const Job& job) {
  return job.store_dir + "/" + job.id + ".counts";
}

void write_counts(OwnedKeyFile& file, const char* group,
                  const std::map<std::string, std::size_t>& counts) {
  for (const auto& [kind, count] : counts)
    g_key_file_set_uint64(file.get(), group, kind.c_str(), count);
}

std::map<std::string, std::size_t> read_counts(GKeyFile* file, const char* group) {
  std::map<std::string, std::size_t> counts;
  OwnedStrv keys(g_key_file_get_keys(file, group, nullptr, nullptr));
  for (gchar** key = keys.get(); key != nullptr && *key != nullptr; ++key)
    counts[*key] = g_key_file_get_uint64(file, group, *key, nullptr);
  return counts;
}

// The counts are kept beside the compiled list: a later start shows them without
// converting the list again.
void save_report(const Job& job) {
  OwnedKeyFile file(g_key_file_new());
  write_counts(file, "Converted", job.report.converted);
  write_counts(file, "Skipped", job.report.skipped);
  g_key_file_set_uint64(file.get(), "Rejected", "rules", job.report.rejected);
  g_key_file_save_to_file(file.get(), report_path(job).c_str(), nullptr);
}

void load_report(Job& job) {
  OwnedKeyFile file(g_key_file_new());
  if (!g_key_file_load_from_file(file.get(), report_path(job).c_str(), G_KEY_FILE_NONE, nullptr))
    return;
  job.report.converted = read_counts(file.get(), "Converted");
  job.report.skipped = read_counts(file.get(), "Skipped");
  job.report.rejected = g_key_file_get_uint64(file.get(), "Rejected", "rules", nullptr);
}

// Removal needs a callback; its outcome does not matter, a stale list only takes room.
void on_removed(GObject* source, GAsyncResult* result, gpointer /*data*/) {
  webkit_user_content_filter_store_remove_finish(WEBKIT_USER_CONTENT_FILTER_STORE(source), result,
                                                 nullptr);
}

void deliver(const JobPtr& job, WebKitUserContentFilter* filter, bool stored) {
  job->report.in_use = filter != nullptr;
  if (job->ready) job->ready(ref_filter(filter), job->report, stored);
}

void save(const JobPtr& job, const std::string& id, std::string json,
          GAsyncReadyCallback callback) {
  OwnedBytes bytes(g_bytes_new(json.data(), json.size()));
  webkit_user_content_filter_store_save(job->store.get(), id.c_str(), bytes.get(), nullptr,
                                        callback, new JobPtr(job));
}

void try_next_part(const JobPtr& job);

void on_final_saved(GObject* source, GAsyncResult* result, gpointer data) {
  const JobPtr job = *std::unique_ptr<JobPtr>(static_cast<JobPtr*>(data));
  OwnedFilter filter(webkit_user_content_filter_store_save_finish(
      WEBKIT_USER_CONTENT_FILTER_STORE(source), result, nullptr));
  webkit_user_content_filter_store_remove(job->store.get(), (job->id + kProbeSuffix).c_str(),
                                          nullptr, on_removed, nullptr);
  if (filter) save_report(*job);
  deliver(job, filter.get(), false);
}

void finish_split(const JobPtr& job) {
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < job->rules.size(); ++i)
    if (job->taken[i]) kept.push_back(std::move(job->rules[i]));
  job->report.rejected = job->rules.size() - kept.size();
  std::fprintf(stderr, "kestrivane: %s: the engine rejected %zu of %zu rules; the rest are used\n",
               job->source.name.c_str(), job->report.rejected, job->rules.size());
  job->rules.clear();
  if (kept.empty()) return deliver(job, nullptr, false);
  save(job, job->id, json_array(kept), on_final_saved);
}

void on_part_tried(GObject* source, GAsyncResult* result, gpointer data) {
  const JobPtr job = *std::unique_ptr<JobPtr>(static_cast<JobPtr*>(data));
  OwnedError error;
  OwnedFilter filter(webkit_user_content_filter_store_save_finish(
      WEBKIT_USER_CONTENT_FILTER_STORE(source), result, out(error)));
  const auto [first, count] = job->parts.front();
  job->parts.pop_front();
  if (filter) {
    std::fill_n(job->taken.begin() + static_cast<std::ptrdiff_t>(first), count, true);
  } else if (count > 1) {
    // Halves, until the rules that fail are alone.
    job->parts.emplace_back(first, count / 2);
    job->parts.emplace_back(first + count / 2, count - count / 2);
  }
  try_next_part(job);
}

void try_next_part(const JobPtr& job) {
  if (job->parts.empty()) return finish_split(job);
  const auto [first, count] = job->parts.front();
  std::vector<std::string> part(job->rules.begin() + static_cast<std::ptrdiff_t>(first),
                                job->rules.begin() + static_cast<std::ptrdiff_t>(first + count));
  save(job, job->id + kProbeSuffix, json_array(part), on_part_tried);
}

void on_saved(GObject* source, GAsyncResult* result, gpointer data) {
  const JobPtr job = *std::unique_ptr<JobPtr>(static_cast<JobPtr*>(data));
  OwnedFilter filter(webkit_user_content_filter_store_save_finish(
      WEBKIT_USER_CONTENT_FILTER_STORE(source), result, nullptr));
  if (filter) {
    save_report(*job);
    return deliver(job, filter.get(), false);
  }
  if (!job->split || job->rules.size() < 2) {
    std::fprintf(stderr, "kestrivane: %s: the engine rejected the list\n",
                 job->source.name.c_str());
    job->report.rejected = job->rules.size();
    return deliver(job, nullptr, false);
  }
  job->taken.assign(job->rules.size(), false);
  job->parts.emplace_back(0, job->rules.size() / 2);
  job->parts.emplace_back(job->rules.size() / 2, job->rules.size() - job->rules.size() / 2);
  try_next_part(job);
}

void convert_in_thread(GTask* task, gpointer /*source*/, gpointer data, GCancellable*) {
  Job& job = **static_cast<JobPtr*>(data);
  if (job.source.engine_format) {
    job.split = split_json_array(job.text, job.rules);
    if (!job.split) job.rules = {job.text};
    job.report.converted["engine-rule"] = job.split ? job.rules.size() : 0;
  } else {
    ConvertedList list = convert_filter_list(job.text);
    job.rules = std::move(list.rules);
    job.report.converted = std::move(list.converted);
    job.report.skipped = std::move(list.skipped);
  }
  job.text.clear();
  g_task_return_boolean(task, TRUE);
}

void on_converted(GObject* /*source*/, GAsyncResult* result, gpointer data) {
  const JobPtr job = *static_cast<JobPtr*>(data);
  g_task_propagate_boolean(G_TASK(result), nullptr);
  if (job->rules.empty()) return deliver(job, nullptr, false);
  const std::string json = job->split ? json_array(job->rules) : job->rules.front();
  save(job, job->id, json, on_saved);
}

void on_looked_up(GObject* source, GAsyncResult* result, gpointer data) {
  const JobPtr job = *std::unique_ptr<JobPtr>(static_cast<JobPtr*>(data));
  OwnedFilter filter(webkit_user_content_filter_store_load_finish(
      WEBKIT_USER_CONTENT_FILTER_STORE(source), result, nullptr));
  if (job->looked) job->looked();
  if (filter) {
    load_report(*job);
    return deliver(job, filter.get(), true);
  }
  auto* held = new JobPtr(job);
  ObjectRef<GTask> task(g_task_new(nullptr, nullptr, on_converted, held));
  g_task_set_task_data(task.get(), held, [](gpointer p) { delete static_cast<JobPtr*>(p); });
  g_task_run_in_thread(task.get(), convert_in_thread);
}

}  // namespace

CompiledFilters::CompiledFilters(const std::string& store_dir)
    : store_(webkit_user_content_filter_store_new(store_dir.c_str())), store_dir_(store_dir) {
  g_mkdir_with_parents(store_dir.c_str(), 0700);
}

std::string CompiledFilters::identifier_for(std::string_view text) {
  const std::string keyed = std::string(kConversionVersion) + "\n" + std::string(text);
  OwnedChars digest(g_compute_checksum_for_data(
      G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(keyed.data()), keyed.size()));
  return "list-" + std::string(digest.get()).substr(0, 40);
}

void CompiledFilters::load(const ListSource& source, Looked looked, Ready ready) {
  auto job = std::make_shared<Job>();
  job->store = ref_object(store_.get());
  job->store_dir = store_dir_;
  job->source = source;
  job->looked = std::move(looked);
  job->ready = std::move(ready);
  job->report.name = source.name;
  OwnedChars contents;
  gsize length = 0;
  if (!g_file_get_contents(source.path.c_str(), out(contents), &length, nullptr)) {
    if (job->looked) job->looked();
    return deliver(job, nullptr, false);
  }
  job->text.assign(contents.get(), length);
  // The engine-format flag is part of the name: the same text means other rules.
  job->id = identifier_for(job->text + (source.engine_format ? "\njson" : "\ntxt"));
  job->report.identifier = job->id;
  webkit_user_content_filter_store_load(store_.get(), job->id.c_str(), nullptr, on_looked_up,
                                        new JobPtr(job));
}

void CompiledFilters::prune(const std::vector<std::string>& keep) {
  struct Pruning {
    std::vector<std::string> keep;
    std::string store_dir;
  };
  auto* pruning = new Pruning{keep, store_dir_};
  webkit_user_content_filter_store_fetch_identifiers(
      store_.get(), nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Pruning> pruning(static_cast<Pruning*>(data));
        auto* store = WEBKIT_USER_CONTENT_FILTER_STORE(source);
        OwnedStrv ids(webkit_user_content_filter_store_fetch_identifiers_finish(store, result));
        for (gchar** id = ids.get(); id != nullptr && *id != nullptr; ++id) {
          const std::string name = *id;
          if (std::find(pruning->keep.begin(), pruning->keep.end(), name) != pruning->keep.end())
            continue;
          webkit_user_content_filter_store_remove(store, *id, nullptr, on_removed, nullptr);
          g_remove((pruning->store_dir + "/" + name + ".counts").c_str());
        }
      },
      pruning);
}

}  // namespace kv
