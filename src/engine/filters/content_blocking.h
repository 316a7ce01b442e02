#pragma once

#include <sigc++/signal.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "engine/filters/blocking_settings.h"
#include "engine/filters/compiled_filters.h"
#include "engine/filters/filter_sources.h"

namespace kv {

// The program's content blocking: the lists in use, compiled, and the user's settings,
// followed as they change. Views take the filters from here (see the control).
class ContentBlocking {
 public:
  ContentBlocking(FilterPlaces places, std::string settings_path);
  ~ContentBlocking();
  ContentBlocking(const ContentBlocking&) = delete;
  ContentBlocking& operator=(const ContentBlocking&) = delete;

  // The program's own, on its default places, started on first use.
  static ContentBlocking& program();

  // Watches the settings file and, while blocking is on, loads the lists (from the store,
  // or converting them in the background) and fetches the subscriptions that are due.
  void start();
  // Reads the lists again: after a subscription changed, or a list was added.
  void reload();

  [[nodiscard]] const BlockingSettings& settings() const { return settings_; }
  [[nodiscard]] std::vector<WebKitUserContentFilter*> filters() const;
  [[nodiscard]] const std::vector<ListReport>& reports() const { return reports_; }
  // Whether the store has answered for every list of the first round.
  [[nodiscard]] bool stored_lists_looked_up() const { return looking_ == 0; }

  // Runs the main loop until the store has answered for every list, or until `limit`
  // after start(); at once when either is so.
  void wait_for_stored_lists(std::chrono::milliseconds limit);

  // A list became ready or went away, or the settings changed.
  sigc::signal<void()>& signal_changed() { return changed_; }

  // Where the lists' report is written for the Internet Options program.
  static std::string reports_path(const std::string& store_dir);

 private:
  void read_settings();
  void load_lists();
  void fetch_subscriptions();
  void on_ready(unsigned generation, std::size_t index, std::vector<OwnedFilter> parts,
                ListReport report);

  FilterPlaces places_;
  std::string settings_path_;
  CompiledFilters compiled_;
  BlockingSettings settings_;
  std::map<std::string, std::vector<OwnedFilter>> filters_;  // each list's parts, by name
  std::vector<ListReport> reports_;
  std::vector<ListReport> next_reports_;
  std::size_t pending_ = 0;
  unsigned generation_ = 0;
  int looking_ = 0;
  gint64 started_ = 0;
  bool started_once_ = false;
  bool lists_loaded_ = false;
  bool converted_this_round_ = false;  // a list of this reload was compiled, not loaded
  guint refetch_timer_ = 0;
  ObjectRef<GFileMonitor> monitor_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  sigc::signal<void()> changed_;
};

}  // namespace kv
