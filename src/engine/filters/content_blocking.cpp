#include "engine/filters/content_blocking.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>

#include "engine/filters/list_reports.h"
#include "engine/filters/subscriptions.h"

namespace kv {
namespace {

constexpr guint kRefetchCheckSeconds = 60 * 60;

// Converting and compiling a list leaves tens of MiB free but held in the allocator (the
// converter's worker thread has an arena of its own), which a later start that loads the
// lists never takes: handed back once the engine has let go of the compiled text.
void give_back_compiling_memory() {
#if defined(__GLIBC__)
  g_timeout_add_seconds(
      1,
      [](gpointer) -> gboolean {
        malloc_trim(0);
        return G_SOURCE_REMOVE;
      },
      nullptr);
#endif
}

}  // namespace

ContentBlocking::ContentBlocking(FilterPlaces places, std::string settings_path)
    : places_(std::move(places)),
      settings_path_(std::move(settings_path)),
      compiled_(places_.store_dir) {}

ContentBlocking::~ContentBlocking() {
  *alive_ = false;
  if (monitor_) g_signal_handlers_disconnect_by_data(monitor_.get(), this);
  if (refetch_timer_ != 0) g_source_remove(refetch_timer_);
}

ContentBlocking& ContentBlocking::program() {
  static ContentBlocking* const blocking = [] {
    // Lives until exit: views and pending compiles refer to it to the end.
    auto* made = new ContentBlocking(default_filter_places(), blocking_settings_path());
    made->start();
    return made;
  }();
  return *blocking;
}

std::string ContentBlocking::reports_path(const std::string& store_dir) {
  return store_dir + "/lists.ini";
}

void ContentBlocking::start() {
  if (started_once_) return;
  started_once_ = true;
  started_ = g_get_monotonic_time();
  read_settings();
  ObjectRef<GFile> file(g_file_new_for_path(settings_path_.c_str()));
  monitor_.reset(g_file_monitor_file(file.get(), G_FILE_MONITOR_NONE, nullptr, nullptr));
  if (monitor_) {
    g_signal_connect(
        monitor_.get(), "changed",
        G_CALLBACK(+[](GFileMonitor*, GFile*, GFile*, GFileMonitorEvent, gpointer self) {
          auto* blocking = static_cast<ContentBlocking*>(self);
          const BlockingSettings before = blocking->settings_;
          blocking->read_settings();
          if (!(before == blocking->settings_)) blocking->changed_.emit();
        }),
        this);
  }
  // Lists cost time to compile the first time: only once blocking is on.
  if (settings_.enabled) load_lists();
}

void ContentBlocking::load_lists() {
  if (lists_loaded_) return;
  lists_loaded_ = true;
  reload();
  fetch_subscriptions();
  // A program left open for days looks again each hour; each list is fetched once a day.
  refetch_timer_ = g_timeout_add_seconds(
      kRefetchCheckSeconds,
      [](gpointer self) -> gboolean {
        static_cast<ContentBlocking*>(self)->fetch_subscriptions();
        return G_SOURCE_CONTINUE;
      },
      this);
}

void ContentBlocking::fetch_subscriptions() {
  const std::weak_ptr<bool> alive = alive_;
  fetch_due_subscriptions(places_, kSubscriptionMaxAge, [this, alive](bool changed) {
    if (!alive.expired() && *alive.lock() && changed) reload();
  });
}

void ContentBlocking::read_settings() {
  OwnedChars contents;
  gsize length = 0;
  const bool read = g_file_get_contents(settings_path_.c_str(), out(contents), &length, nullptr);
  settings_ =
      read ? blocking_settings_in(std::string_view(contents.get(), length)) : BlockingSettings{};
}

void ContentBlocking::reload() {
  const unsigned generation = ++generation_;
  const std::vector<ListSource> sources = list_sources(places_);
  next_reports_.assign(sources.size(), ListReport{});
  pending_ = sources.size();
  if (generation == 1) looking_ = static_cast<int>(sources.size());
  if (sources.empty()) {
    filters_.clear();
    reports_.clear();
    changed_.emit();
    return;
  }
  const std::weak_ptr<bool> alive = alive_;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    compiled_.load(
        sources[i],
        [this, alive, generation] {
          if (!alive.expired() && generation == 1 && looking_ > 0) --looking_;
        },
        [this, alive, generation, i](std::vector<OwnedFilter> parts, ListReport report,
                                     bool stored) {
          if (alive.expired()) return;
          if (!stored) converted_this_round_ = true;
          on_ready(generation, i, std::move(parts), std::move(report));
        });
  }
}

void ContentBlocking::on_ready(unsigned generation, std::size_t index,
                               std::vector<OwnedFilter> parts, ListReport report) {
  // A later reload reads every list again; what an earlier one finds is not news.
  if (generation != generation_) return;
  const std::string name = report.name;
  next_reports_[index] = std::move(report);
  // A list applies as soon as it is ready, to the loads after it.
  if (!parts.empty()) {
    filters_[name] = std::move(parts);
    changed_.emit();
  }
  if (--pending_ > 0) return;
  std::vector<std::string> keep;
  std::erase_if(filters_, [&](const auto& entry) {
    return std::none_of(next_reports_.begin(), next_reports_.end(),
                        [&](const ListReport& r) { return r.in_use && r.name == entry.first; });
  });
  // A list of which nothing is used keeps its record: what the engine refused of it.
  for (const auto& listed : next_reports_)
    if (!listed.identifier.empty()) keep.push_back(listed.identifier);
  reports_ = next_reports_;
  save_list_reports(reports_path(places_.store_dir), reports_);
  compiled_.prune(keep);
  if (converted_this_round_) give_back_compiling_memory();
  converted_this_round_ = false;
  changed_.emit();
}

std::vector<WebKitUserContentFilter*> ContentBlocking::filters() const {
  std::vector<WebKitUserContentFilter*> out;
  if (!settings_.enabled) return out;
  for (const auto& [name, parts] : filters_)
    for (const auto& part : parts) out.push_back(part.get());
  return out;
}

void ContentBlocking::wait_for_stored_lists(std::chrono::milliseconds limit) {
  if (looking_ == 0 || !started_once_) return;
  const gint64 waited = (g_get_monotonic_time() - started_) / 1000;
  if (waited >= limit.count()) return;
  bool expired = false;
  const guint timer = g_timeout_add(
      static_cast<guint>(limit.count() - waited),
      [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &expired);
  while (looking_ > 0 && !expired) g_main_context_iteration(nullptr, TRUE);
  if (!expired) g_source_remove(timer);
}

}  // namespace kv
