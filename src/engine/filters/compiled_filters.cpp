#include "engine/filters/compiled_filters.h"

#include <glib/gstdio.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <vector>

#include "engine/filters/filter_list.h"
#include "engine/filters/json_text.h"
#include "engine/filters/list_record.h"
#include "engine/filters/rule_parts.h"

namespace kv {
namespace {

// Changes whenever the conversion does, so that lists compiled by an older one are
// compiled again.
constexpr const char* kConversionVersion = "2";
constexpr const char* kProbeSuffix = "-probe";
constexpr const char* kRecordSuffix = ".counts";

struct Job {
  ObjectRef<WebKitUserContentFilterStore> store;
  std::string store_dir;
  ListSource source;
  std::string text;
  std::string id;
  CompiledFilters::Looked looked;
  CompiledFilters::Ready ready;
  ListRecord record;
  std::shared_ptr<std::size_t> compiles;
  std::vector<std::string> rules;
  bool split = true;  // false for an engine-format list whose array could not be read
  // While the engine rejects the list: parts still to try, and the rules it took.
  bool probed = false;
  std::deque<std::pair<std::size_t, std::size_t>> probes;
  std::vector<bool> taken;
  // The parts to compile, and those compiled or loaded so far.
  std::vector<std::vector<std::string>> parts;
  std::vector<OwnedFilter> filters;
};
using JobPtr = std::shared_ptr<Job>;

ListReport& report_of(Job& job) {
  return job.record.report;
}

std::string record_path(const Job& job) {
  return job.store_dir + "/" + job.id + kRecordSuffix;
}

// Part 1 has the list's own name, so that lists of one part are stored as they always were.
std::string part_id(const Job& job, std::size_t index) {
  return index == 0 ? job.id : job.id + "-part" + std::to_string(index + 1);
}

// Removal needs a callback; its outcome does not matter, a stale list only takes room.
void on_removed(GObject* source, GAsyncResult* result, gpointer /*data*/) {
  webkit_user_content_filter_store_remove_finish(WEBKIT_USER_CONTENT_FILTER_STORE(source), result,
                                                 nullptr);
}

void deliver(const JobPtr& job, bool stored) {
  ListReport& report = report_of(*job);
  report.in_use = !job->filters.empty();
  report.parts = job->filters.size();
  if (job->ready) job->ready(std::move(job->filters), report, stored);
}

// One line for what of a list is not used, when something is not.
void announce(const Job& job) {
  const ListReport& report = job.record.report;
  const char* name = job.source.name.c_str();
  if (!report.refused.empty()) {
    std::fprintf(stderr,
                 "kestrivane: %s: not used (%s): a list may be %zu MB and give %zu rules, "
                 "%zu MB of them\n",
                 name, report.refused.c_str(), kMaxListBytes >> 20, kMaxListRules,
                 kMaxListOutputBytes >> 20);
  } else if (!report.in_use && report.rejected > 0) {
    std::fprintf(stderr, "kestrivane: %s: the engine rejected the list; none of it is used\n",
                 name);
  } else if (report.rejected > 0 || report.left_out > 0) {
    std::string unused;
    if (report.rejected > 0) unused = std::to_string(report.rejected) + " rejected by the engine";
    if (report.left_out > 0)
      unused +=
          (unused.empty() ? "" : " and ") + std::to_string(report.left_out) + " past what it takes";
    std::fprintf(stderr, "kestrivane: %s: %zu rules are used, %s are not\n", name,
                 job.rules.size() - report.rejected - report.left_out, unused.c_str());
  }
}

void finish(const JobPtr& job) {
  report_of(*job).in_use = !job->filters.empty();
  report_of(*job).parts = job->filters.size();
  save_list_record(record_path(*job), job->record);
  announce(*job);
  deliver(job, false);
}

void save(const JobPtr& job, const std::string& id, const std::string& json,
          GAsyncReadyCallback callback) {
  ++*job->compiles;
  OwnedBytes bytes(g_bytes_new(json.data(), json.size()));
  webkit_user_content_filter_store_save(job->store.get(), id.c_str(), bytes.get(), nullptr,
                                        callback, new JobPtr(job));
}

void start_probing(const JobPtr& job);

void save_part(const JobPtr& job) {
  const std::size_t index = job->filters.size();
  const std::string json = job->split ? json_array(job->parts[index]) : job->parts[index].front();
  save(job, part_id(*job, index), json, [](GObject* source, GAsyncResult* result, gpointer data) {
    const JobPtr job = *std::unique_ptr<JobPtr>(static_cast<JobPtr*>(data));
    OwnedFilter filter(webkit_user_content_filter_store_save_finish(
        WEBKIT_USER_CONTENT_FILTER_STORE(source), result, nullptr));
    if (!filter) {
      // The parts saved so far would pass for the whole list at the next start.
      for (std::size_t i = 0; i < job->filters.size(); ++i)
        webkit_user_content_filter_store_remove(job->store.get(), part_id(*job, i).c_str(), nullptr,
                                                on_removed, nullptr);
      job->filters.clear();
      if (!job->probed && job->split && job->rules.size() > 1) return start_probing(job);
      report_of(*job).rejected = job->rules.size();
      report_of(*job).left_out = 0;
      return finish(job);
    }
    job->filters.push_back(std::move(filter));
    if (job->filters.size() < job->parts.size()) return save_part(job);
    job->parts.clear();
    finish(job);
  });
}

// Compiles the rules that are not known to be refused, in as many parts as they need.
void compile_kept(const JobPtr& job) {
  std::vector<bool> refused(job->rules.size(), false);
  for (const std::size_t index : job->record.refused_rules) refused[index] = true;
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < job->rules.size(); ++i)
    if (!refused[i]) kept.push_back(job->rules[i]);
  report_of(*job).rejected = job->record.refused_rules.size();
  RuleParts split = split_rules(std::move(kept));
  report_of(*job).left_out = split.left_out;
  job->parts = std::move(split.parts);
  job->filters.clear();
  if (job->parts.empty()) return finish(job);
  save_part(job);
}

void try_next_probe(const JobPtr& job);

void on_probed(GObject* source, GAsyncResult* result, gpointer data) {
  const JobPtr job = *std::unique_ptr<JobPtr>(static_cast<JobPtr*>(data));
  OwnedFilter filter(webkit_user_content_filter_store_save_finish(
      WEBKIT_USER_CONTENT_FILTER_STORE(source), result, nullptr));
  const auto [first, count] = job->probes.front();
  job->probes.pop_front();
  if (filter) {
    std::fill_n(job->taken.begin() + static_cast<std::ptrdiff_t>(first), count, true);
  } else if (count > 1) {
    // Halves, until the rules that fail are alone.
    job->probes.emplace_back(first, count / 2);
    job->probes.emplace_back(first + count / 2, count - count / 2);
  }
  try_next_probe(job);
}

void try_next_probe(const JobPtr& job) {
  if (job->probes.empty()) {
    webkit_user_content_filter_store_remove(job->store.get(), (job->id + kProbeSuffix).c_str(),
                                            nullptr, on_removed, nullptr);
    job->record.refused_rules.clear();
    for (std::size_t i = 0; i < job->taken.size(); ++i)
      if (!job->taken[i]) job->record.refused_rules.push_back(i);
    job->taken.clear();
    return compile_kept(job);
  }
  const auto [first, count] = job->probes.front();
  std::vector<std::string> probe(job->rules.begin() + static_cast<std::ptrdiff_t>(first),
                                 job->rules.begin() + static_cast<std::ptrdiff_t>(first + count));
  save(job, job->id + kProbeSuffix, json_array(probe), on_probed);
}

// Finds the rules the engine refuses by compiling pieces of the list, each within its
// limit; what it refused is remembered with the list.
void start_probing(const JobPtr& job) {
  job->probed = true;
  const std::size_t count = job->rules.size();
  job->taken.assign(count, false);
  const std::size_t piece = std::min(kEngineRuleLimit, (count + 1) / 2);
  for (std::size_t first = 0; first < count; first += piece)
    job->probes.emplace_back(first, std::min(piece, count - first));
  try_next_probe(job);
}

void convert_in_thread(GTask* task, gpointer /*source*/, gpointer data, GCancellable*) {
  Job& job = **static_cast<JobPtr*>(data);
  ListReport& report = report_of(job);
  if (job.source.engine_format) {
    job.split = split_json_array(job.text, job.rules);
    if (!job.split) job.rules = {job.text};
    report.converted = {{"engine-rule", job.split ? job.rules.size() : 0}};
    report.skipped.clear();
    if (job.rules.size() > kMaxListRules) report.refused = "too-many-rules";
  } else {
    ConvertedList list = convert_filter_list(job.text);
    job.rules = std::move(list.rules);
    report.converted = std::move(list.converted);
    report.skipped = std::move(list.skipped);
    report.refused = std::move(list.refused);
  }
  if (!report.refused.empty()) job.rules.clear();
  job.text.clear();
  g_task_return_boolean(task, TRUE);
}

void on_converted(GObject* /*source*/, GAsyncResult* result, gpointer data) {
  const JobPtr job = *static_cast<JobPtr*>(data);
  g_task_propagate_boolean(G_TASK(result), nullptr);
  if (!report_of(*job).refused.empty()) return finish(job);
  if (job->rules.empty()) return deliver(job, false);
  // What the engine refused of this very text before is not asked again.
  auto& remembered = job->record.refused_rules;
  if (std::any_of(remembered.begin(), remembered.end(),
                  [&](std::size_t index) { return index >= job->rules.size(); }))
    remembered.clear();
  compile_kept(job);
}

void convert(const JobPtr& job) {
  auto* held = new JobPtr(job);
  ObjectRef<GTask> task(g_task_new(nullptr, nullptr, on_converted, held));
  g_task_set_task_data(task.get(), held, [](gpointer p) { delete static_cast<JobPtr*>(p); });
  g_task_run_in_thread(task.get(), convert_in_thread);
}

void load_part(const JobPtr& job);

void on_part_loaded(GObject* source, GAsyncResult* result, gpointer data) {
  const JobPtr job = *std::unique_ptr<JobPtr>(static_cast<JobPtr*>(data));
  OwnedFilter filter(webkit_user_content_filter_store_load_finish(
      WEBKIT_USER_CONTENT_FILTER_STORE(source), result, nullptr));
  const bool first = job->filters.empty();
  if (first && job->looked) job->looked();
  if (!filter) {
    // A part went missing: the list is made again, without what was refused before.
    job->filters.clear();
    if (report_of(*job).refused.empty()) return convert(job);
    announce(*job);
    return deliver(job, true);
  }
  job->filters.push_back(std::move(filter));
  if (job->filters.size() < std::max<std::size_t>(report_of(*job).parts, 1)) return load_part(job);
  deliver(job, true);
}

void load_part(const JobPtr& job) {
  const std::string id = part_id(*job, job->filters.size());
  webkit_user_content_filter_store_load(job->store.get(), id.c_str(), nullptr, on_part_loaded,
                                        new JobPtr(job));
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
  job->compiles = compiles_;
  report_of(*job).name = source.name;
  // Not even read: converting it would cost more than any list is worth.
  GStatBuf info;
  if (g_stat(source.path.c_str(), &info) == 0 &&
      static_cast<std::size_t>(info.st_size) > kMaxListBytes) {
    if (job->looked) job->looked();
    report_of(*job).refused = "too-large";
    announce(*job);
    return deliver(job, false);
  }
  OwnedChars contents;
  gsize length = 0;
  if (!g_file_get_contents(source.path.c_str(), out(contents), &length, nullptr)) {
    if (job->looked) job->looked();
    return deliver(job, false);
  }
  job->text.assign(contents.get(), length);
  // The engine-format flag is part of the name: the same text means other rules.
  job->id = identifier_for(job->text + (source.engine_format ? "\njson" : "\ntxt"));
  report_of(*job).identifier = job->id;
  load_list_record(record_path(*job), job->record);
  load_part(job);
}

void CompiledFilters::prune(const std::vector<std::string>& keep) {
  const auto kept = [keep](const std::string& name) {
    return std::any_of(keep.begin(), keep.end(), [&](const std::string& id) {
      return name == id || name == id + kRecordSuffix || name.starts_with(id + "-part");
    });
  };
  // Records of lists the engine has nothing of are kept beside the store's own files.
  for (const auto& name : [&] {
         std::vector<std::string> names;
         GDir* raw = g_dir_open(store_dir_.c_str(), 0, nullptr);
         if (raw == nullptr) return names;
         std::unique_ptr<GDir, decltype(&g_dir_close)> dir(raw, &g_dir_close);
         while (const char* name = g_dir_read_name(raw)) names.emplace_back(name);
         return names;
       }())
    if (name.starts_with("list-") && name.ends_with(kRecordSuffix) && !kept(name))
      g_remove((store_dir_ + "/" + name).c_str());
  webkit_user_content_filter_store_fetch_identifiers(
      store_.get(), nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<std::function<bool(const std::string&)>> kept(
            static_cast<std::function<bool(const std::string&)>*>(data));
        auto* store = WEBKIT_USER_CONTENT_FILTER_STORE(source);
        OwnedStrv ids(webkit_user_content_filter_store_fetch_identifiers_finish(store, result));
        for (gchar** id = ids.get(); id != nullptr && *id != nullptr; ++id)
          if (!(*kept)(*id))
            webkit_user_content_filter_store_remove(store, *id, nullptr, on_removed, nullptr);
      },
      new std::function<bool(const std::string&)>(kept));
}

}  // namespace kv
