#include "shell/suggestion_worker.h"

#include <glib.h>

#include <chrono>
#include <deque>

#include "desktop/guarded.h"
#include "shell/history_store.h"

namespace kv {

std::vector<Suggestion> find_suggestions(HistoryStore& history, const TypedQuery& query,
                                         const SuggestionEntries& favourites,
                                         const SuggestionEntries& typed, std::int64_t now) {
  if (query.words.empty()) return {};
  return merge_suggestions(history.suggestions(query, kSuggestionRows),
                           favourites.matching(query, favourite_rank(now), kSuggestionRows),
                           typed.matching(query, typed_rank(now), kSuggestionRows),
                           kSuggestionRows);
}

// What the main thread and the worker share; it outlives the worker object while an
// answer is on its way to the main context.
struct SuggestionWorker::Shared {
  std::mutex mutex;
  std::condition_variable wake;
  bool ending = false;
  std::optional<SuggestionAsk> question;
  Answer answer;
  std::deque<std::pair<std::string, std::function<void(bool)>>> forgets;
  // The newest question's number: a running query stops, and an answer is dropped, when
  // it is no longer theirs.
  std::atomic<std::uint64_t> newest{0};
  std::atomic<bool> overtaken{false};
};

namespace {

// Runs `work` once on the default main context, in the main loop's thread (an invoke
// from here could run it on this thread, while the main thread is between iterations).
void on_main_context(std::function<void()> work) {
  auto* owned = new std::function<void()>(std::move(work));
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        guarded([data] { (*static_cast<std::function<void()>*>(data))(); });
        return G_SOURCE_REMOVE;
      },
      owned, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

std::int64_t seconds_now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

SuggestionWorker::SuggestionWorker(std::string history_path, FavouritesLoader load_favourites)
    : shared_(std::make_shared<Shared>()),
      history_path_(std::move(history_path)),
      load_favourites_(std::move(load_favourites)) {
  thread_ = std::thread([this] { run(); });
}

SuggestionWorker::~SuggestionWorker() {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->ending = true;
    shared_->overtaken = true;
  }
  shared_->wake.notify_all();
  thread_.join();
}

void SuggestionWorker::ask(SuggestionAsk question, Answer answer) {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->question = std::move(question);
    shared_->answer = std::move(answer);
    ++shared_->newest;
    shared_->overtaken = true;
  }
  shared_->wake.notify_all();
}

void SuggestionWorker::cancel() {
  std::lock_guard lock(shared_->mutex);
  shared_->question.reset();
  shared_->answer = nullptr;
  ++shared_->newest;
  shared_->overtaken = true;
}

void SuggestionWorker::forget(std::string address, std::function<void(bool)> done) {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->forgets.emplace_back(std::move(address), std::move(done));
  }
  shared_->wake.notify_all();
}

void SuggestionWorker::run() {
  const std::shared_ptr<Shared> shared = shared_;
  HistoryStore history(history_path_);
  history.stop_when(&shared->overtaken);
  history.build_pages_here();
  std::optional<SuggestionEntries> favourites;
  while (true) {
    SuggestionAsk question;
    Answer answer;
    std::uint64_t number = 0;
    std::pair<std::string, std::function<void(bool)>> forgetting;
    {
      std::unique_lock lock(shared->mutex);
      shared->wake.wait(lock, [&] {
        return shared->ending || shared->question.has_value() || !shared->forgets.empty();
      });
      if (shared->ending) return;
      if (!shared->forgets.empty()) {
        forgetting = std::move(shared->forgets.front());
        shared->forgets.pop_front();
      } else {
        question = std::move(*shared->question);
        shared->question.reset();
        answer = std::move(shared->answer);
        number = shared->newest;
        shared->overtaken = false;
      }
    }
    if (forgetting.second) {
      bool forgotten = false;
      guarded([&] { forgotten = history.forget(forgetting.first); });
      on_main_context([done = std::move(forgetting.second), forgotten] { done(forgotten); });
      continue;
    }
    guarded([&] {
      const bool loaded_now = !favourites;
      if (loaded_now) favourites = load_favourites_(question.unsaved_favourites);
      SuggestionEntries typed;
      for (std::string& address : question.typed_list) typed.add(std::move(address), "");
      std::vector<Suggestion> rows =
          find_suggestions(history, parse_typed(question.typed), *favourites, typed, seconds_now());
      if (shared->newest != number) return;
      on_main_context([shared, number, answer = std::move(answer), rows = std::move(rows)] {
        // Overtaken on its way here.
        if (shared->newest == number && answer) answer(rows);
      });
      // A new round of typing: what changed in the favourites shows from its next key.
      if (question.fresh && !loaded_now) favourites = load_favourites_(question.unsaved_favourites);
    });
  }
}

}  // namespace kv
