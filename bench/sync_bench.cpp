// Favourites sync with 10,000 favourites in 500 folders, against a real WebDAV server
// (Apache's mod_dav, started here on 127.0.0.1 as the tests start it). Targets: a sync
// with nothing changed at most 1 s of CPU and one request (GET or PROPFIND); one change
// on the server within 5 s of it; 10,000 favourites changed on both sides merged in at
// most 300 ms.
#include <benchmark/benchmark.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "apache_dav.h"
#include "favorites/favorites_on_disk.h"
#include "shell/link_names.h"
#include "support/run_until.h"
#include "support/temp_dir.h"
#include "sync/soup_dav_client.h"
#include "sync/sync_job.h"
#include "sync/sync_runner.h"
#include "sync/sync_schedule.h"

namespace {

constexpr int kTopFolders = 25;
constexpr int kSubfolders = 19;  // 25 + 25 * 19 = 500 folders
constexpr int kLinks = 10000;

// The client, counting its requests.
class CountedDav : public kv::DavClient {
 public:
  CountedDav() : dav_(kv::test::ApacheDav::kUser, kv::test::ApacheDav::kPassword, nullptr) {}
  kv::DavResponse get(const std::string& url) override { return ++requests, dav_.get(url); }
  kv::DavResponse put(const std::string& url, std::string_view body, const std::string& if_match,
                      bool only_new) override {
    return ++requests, dav_.put(url, body, if_match, only_new);
  }
  kv::DavResponse etag(const std::string& url) override { return ++requests, dav_.etag(url); }
  kv::DavResponse make_folder(const std::string& url) override {
    return ++requests, dav_.make_folder(url);
  }
  kv::DavResponse remove(const std::string& url) override { return ++requests, dav_.remove(url); }
  void pause(std::chrono::milliseconds time) override { dav_.pause(time); }

  int requests = 0;

 private:
  kv::SoupDavClient dav_;
};

// The keyring, as far as sync asks it.
class KnownPassword : public kv::LoginStore {
 public:
  void save(const kv::SavedLogin&, const std::string&, std::function<void(bool)> done) override {
    done(true);
  }
  void find(const std::string&,
            std::function<void(std::optional<std::vector<kv::SavedLogin>>)> done) override {
    done(std::vector<kv::SavedLogin>{});
  }
  void password(const kv::SavedLogin&, std::function<void(std::optional<std::string>)> done) override {
    done(std::string(kv::test::ApacheDav::kPassword));
  }
  void remove(const kv::SavedLogin&, std::function<void(bool)> done) override { done(true); }
};

// One machine with 10,000 favourites, synced once with the server.
struct Setup {
  Setup() {
    if (!server.running()) return;
    const std::string favorites = home.file("Favorites");
    g_mkdir(favorites.c_str(), 0700);
    std::vector<std::string> folders;
    for (int t = 0; t < kTopFolders; ++t) {
      const std::string top = favorites + "/Folder " + std::to_string(t);
      g_mkdir(top.c_str(), 0700);
      folders.push_back(top);
      for (int s = 0; s < kSubfolders; ++s) {
        folders.push_back(top + "/Topic " + std::to_string(s));
        g_mkdir(folders.back().c_str(), 0700);
      }
    }
    for (int made = 0; made < kLinks; ++made) {
      const std::string link = folders[static_cast<std::size_t>(made) % folders.size()] + "/Page " +
                               std::to_string(made) + ".url";
      const std::string text = kv::internet_shortcut_text(
          "https://site" + std::to_string(made % 997) + ".test/page/" + std::to_string(made));
      g_file_set_contents(link.c_str(), text.data(), static_cast<gssize>(text.size()), nullptr);
    }
    request.settings = {server.address() + "sync/", kv::test::ApacheDav::kUser, "bookmarks.xbel"};
    ready = sync().kind == kv::SyncOutcome::Kind::kSynced;
    // Once the server's ETag has settled, a sync learns it.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    ready = ready && sync().kind == kv::SyncOutcome::Kind::kSynced;
  }

  kv::SyncOutcome sync(int* requests = nullptr) {
    CountedDav dav;
    const kv::SyncOutcome outcome = run_sync(request, dav, favorites, store, std::time(nullptr));
    if (requests != nullptr) *requests = dav.requests;
    return outcome;
  }

  kv::test::ApacheDav server;
  kv::test::TempDir home;
  kv::FavoritesOnDisk favorites{home.file("Favorites"), home.file("fav.Dat")};
  kv::SyncStore store{home.file("sync")};
  kv::SyncRequest request;
  bool ready = false;
};

Setup& setup() {
  static Setup made;
  return made;
}

void BM_SyncWithNothingChanged(benchmark::State& state) {
  Setup& machine = setup();
  if (!machine.ready) {
    state.SkipWithError("the WebDAV server (apache2) did not start, or the first sync failed");
    return;
  }
  int requests = 0;
  for (auto _ : state) {
    const kv::SyncOutcome outcome = machine.sync(&requests);
    if (outcome.kind != kv::SyncOutcome::Kind::kSynced) state.SkipWithError(outcome.text.c_str());
  }
  state.counters["favorites"] = kLinks;
  state.counters["requests"] = requests;
}
BENCHMARK(BM_SyncWithNothingChanged)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->MeasureProcessCPUTime();

void BM_OneChangeReachesTheServer(benchmark::State& state) {
  Setup& machine = setup();
  if (!machine.ready) {
    state.SkipWithError("the WebDAV server (apache2) did not start, or the first sync failed");
    return;
  }
  KnownPassword keyring;
  kv::SyncRunner runner({&keyring,
                         [&] {
                           return std::make_unique<kv::FavoritesOnDisk>(
                               machine.home.file("Favorites"), machine.home.file("fav.Dat"));
                         },
                         machine.home.file("sync"), machine.home.file("sync.lock")});
  kv::SyncSchedule schedule([&] { runner.start(machine.request, [](const kv::SyncOutcome&) {}); });
  int change = 0;
  for (auto _ : state) {
    // The change, and the program's word of it, as Add to Favorites gives it.
    const std::string address = "https://changed.test/" + std::to_string(++change);
    const std::string text = kv::internet_shortcut_text(address);
    const std::string path = machine.home.file("Favorites/Changed " + std::to_string(change) + ".url");
    g_file_set_contents(path.c_str(), text.data(), static_cast<gssize>(text.size()), nullptr);
    schedule.favorites_changed();
    const std::string server_file = machine.server.file("sync/bookmarks.xbel");
    const bool arrived = kv::test::run_until(
        [&] {
          gchar* contents = nullptr;
          if (!g_file_get_contents(server_file.c_str(), &contents, nullptr, nullptr)) return false;
          const bool found = std::string(contents).find(address) != std::string::npos;
          g_free(contents);
          return found;
        },
        std::chrono::seconds(30));
    if (!arrived) state.SkipWithError("the change did not reach the server");
    state.PauseTiming();
    kv::test::run_until([&] { return !runner.running(); }, std::chrono::seconds(30));
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OneChangeReachesTheServer)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The same 10,000 favourites on both sides and in the base, each side with its own
// changes: titles, addresses, moves, removals and additions.
struct Sides {
  kv::XbelDocument base;
  kv::XbelDocument remote;
  kv::SyncLocations was;
  kv::LocalRead local;
};

Sides both_changed() {
  Sides sides;
  sides.local.ok = true;
  int id = 0;
  std::vector<kv::LocalItem*> local_folders;
  std::vector<kv::XbelItem*> base_folders;
  sides.local.folder.children.reserve(kTopFolders);
  for (int t = 0; t < kTopFolders; ++t) {
    const std::string name = "Folder " + std::to_string(t);
    kv::XbelItem top;
    top.id = std::to_string(++id);
    top.title = name;
    sides.base.items.push_back(top);
    sides.was.paths[top.id] = name;
    sides.local.folder.children.push_back({name, true, name, "", {}});
  }
  for (int t = 0; t < kTopFolders; ++t) {
    kv::LocalItem& top = sides.local.folder.children[static_cast<std::size_t>(t)];
    kv::XbelItem& base_top = sides.base.items[static_cast<std::size_t>(t)];
    top.children.reserve(kSubfolders);
    for (int s = 0; s < kSubfolders; ++s) {
      const std::string name = "Topic " + std::to_string(s);
      kv::XbelItem sub;
      sub.id = std::to_string(++id);
      sub.title = name;
      base_top.children.push_back(sub);
      sides.was.paths[sub.id] = top.path + "/" + name;
      top.children.push_back({top.path + "/" + name, true, name, "", {}});
    }
    for (std::size_t s = 0; s < top.children.size(); ++s) {
      local_folders.push_back(&top.children[s]);
      base_folders.push_back(&base_top.children[s]);
    }
  }
  for (int made = 0; made < kLinks; ++made) {
    const std::size_t at = static_cast<std::size_t>(made) % local_folders.size();
    const std::string title = "Page " + std::to_string(made);
    const std::string href = "https://site" + std::to_string(made % 997) + ".test/" + std::to_string(made);
    kv::XbelItem link;
    link.kind = kv::XbelItem::Kind::kBookmark;
    link.id = std::to_string(++id);
    link.title = title;
    link.href = href;
    base_folders[at]->children.push_back(link);
    const std::string path = local_folders[at]->path + "/" + title + ".url";
    sides.was.paths[link.id] = path;
    local_folders[at]->children.push_back({path, false, title, href, {}});
  }
  sides.base.highest_id = id;
  sides.remote = sides.base;
  // The server: 200 titles changed, 100 removed, 100 added.
  for (int i = 0; i < 400; ++i) {
    auto& links = sides.remote.items[static_cast<std::size_t>(i) % kTopFolders]
                      .children[static_cast<std::size_t>(i) % kSubfolders]
                      .children;
    if (i < 200) links[0].title += " (renamed there)";
    if (i >= 200 && i < 300 && links.size() > 1) links.pop_back();
    if (i >= 300) {
      kv::XbelItem added;
      added.kind = kv::XbelItem::Kind::kBookmark;
      added.id = std::to_string(++id);
      added.title = "Added there " + std::to_string(i);
      added.href = "https://there.test/" + std::to_string(i);
      links.push_back(added);
    }
  }
  // Here: 100 addresses changed, 100 removed, 100 added.
  for (std::size_t i = 0; i < 300; ++i) {
    auto& links = local_folders[(i * 7) % local_folders.size()]->children;
    if (i < 100) links[1].href += "?here";
    if (i >= 100 && i < 200 && links.size() > 2) links.erase(links.begin() + 2);
    if (i >= 200) {
      const std::string title = "Added here " + std::to_string(i);
      links.push_back({local_folders[(i * 7) % local_folders.size()]->path + "/" + title + ".url",
                       false, title, "https://here.test/" + std::to_string(i), {}});
    }
  }
  return sides;
}

void BM_MergeTenThousandChangedOnBothSides(benchmark::State& state) {
  const Sides sides = both_changed();
  const kv::ListText text_of = [](std::string_view bytes) { return std::string(bytes); };
  std::size_t merged = 0;
  for (auto _ : state) {
    const kv::SyncPlan plan = kv::plan_sync(sides.remote, sides.base, sides.was, sides.local,
                                            kv::SyncMode::kNormal, text_of);
    merged = plan.merged.size();
  }
  state.counters["favorites"] = kLinks;
  state.counters["merged items"] = static_cast<double>(merged);
}
BENCHMARK(BM_MergeTenThousandChangedOnBothSides)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
