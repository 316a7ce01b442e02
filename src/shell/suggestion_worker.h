#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "shell/suggestion_ranking.h"

namespace kv {

class HistoryStore;

// The address box's list for `query`: the history's pages, the favourites and the
// window's typed addresses, one row per address, at most kSuggestionRows.
std::vector<Suggestion> find_suggestions(HistoryStore& history, const TypedQuery& query,
                                         const SuggestionEntries& favourites,
                                         const SuggestionEntries& typed, std::int64_t now);

// A question from an address box.
struct SuggestionAsk {
  std::string typed;
  std::vector<std::string> typed_list;  // the window's typed addresses
  // The first key of a round of typing: the favourites are read again after this answer.
  bool fresh = false;
  // The favourites list when it holds what fav.Dat does not yet; nullopt: read fav.Dat.
  std::optional<std::vector<std::string>> unsaved_favourites;
};

// Answers the address boxes on a thread of its own, with a connection of its own to the
// history, so that typing never waits for the disk. Only the newest question counts: a
// question asked while another is answered stops that one, and an answer that a newer
// question overtook is never delivered.
class SuggestionWorker {
 public:
  // Reads the favourites, on the worker's thread: fav.Dat (or the unsaved list) and the
  // favourites folder's links.
  using FavouritesLoader =
      std::function<SuggestionEntries(const std::optional<std::vector<std::string>>&)>;
  using Answer = std::function<void(std::vector<Suggestion>)>;

  SuggestionWorker(std::string history_path, FavouritesLoader load_favourites);
  SuggestionWorker(const SuggestionWorker&) = delete;
  SuggestionWorker& operator=(const SuggestionWorker&) = delete;
  SuggestionWorker(SuggestionWorker&&) = delete;
  SuggestionWorker& operator=(SuggestionWorker&&) = delete;
  ~SuggestionWorker();

  // `answer` runs on the default main context, unless another question or cancel() came
  // first.
  void ask(SuggestionAsk question, Answer answer);
  // No answer to an earlier question is delivered.
  void cancel();
  // Takes `address` out of the history; `done` runs on the main context with whether it
  // went.
  void forget(std::string address, std::function<void(bool)> done);

 private:
  struct Shared;
  void run();

  std::shared_ptr<Shared> shared_;
  std::string history_path_;
  FavouritesLoader load_favourites_;
  std::thread thread_;
};

}  // namespace kv
