#pragma once

#include <webkit2/webkit2.h>

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "engine/filters/filter_sources.h"

namespace kv {

// The engine's compiled lists are reference-counted boxes, not objects.
struct FilterDeleter {
  void operator()(WebKitUserContentFilter* filter) const {
    webkit_user_content_filter_unref(filter);
  }
};
using OwnedFilter = std::unique_ptr<WebKitUserContentFilter, FilterDeleter>;
inline OwnedFilter ref_filter(WebKitUserContentFilter* filter) {
  return OwnedFilter(filter != nullptr ? webkit_user_content_filter_ref(filter) : nullptr);
}

// What became of one list: its lines converted and skipped by kind, the rules the
// engine rejected after conversion, and what else of it is not used.
struct ListReport {
  std::string name;
  std::string identifier;  // the compiled list's name in the store
  std::map<std::string, std::size_t> converted;
  std::map<std::string, std::size_t> skipped;
  std::size_t rejected = 0;
  bool in_use = false;
  std::size_t left_out = 0;  // rules that fit in no part the engine takes
  std::size_t parts = 0;     // compiled lists it took, for lists past the engine's limit
  std::string refused;       // why none of it is used, for a list too big to take
};

// The engine's compiled lists in a store folder, each under a name made from its
// source's text, so that a later start loads it without converting or compiling.
class CompiledFilters {
 public:
  // `stored` says whether the store already had the list; `filters` holds its parts,
  // none when nothing of the list could be used.
  using Ready =
      std::function<void(std::vector<OwnedFilter> filters, ListReport report, bool stored)>;
  // Runs when the store has answered whether it holds the list, before any compiling.
  using Looked = std::function<void()>;

  explicit CompiledFilters(const std::string& store_dir);

  // Loads `source` from the store, or converts and compiles it (in the background:
  // conversion on a worker thread, compiling in the engine's). A list the engine rejects
  // is split until only the rules it rejects are left out, and those are remembered; a
  // list past the engine's limit is compiled in parts.
  void load(const ListSource& source, Looked looked, Ready ready);

  // Forgets every stored list, and what is kept beside it, whose identifier is not in
  // `keep`.
  void prune(const std::vector<std::string>& keep);

  // How often the engine was asked to compile, since this was made.
  [[nodiscard]] std::size_t compiles() const { return *compiles_; }

  // The stored name for a list with this text.
  static std::string identifier_for(std::string_view text);

 private:
  ObjectRef<WebKitUserContentFilterStore> store_;
  std::string store_dir_;
  std::shared_ptr<std::size_t> compiles_ = std::make_shared<std::size_t>(0);
};

}  // namespace kv
