#pragma once

#include <memory>

#include "browser/address_suggestions.h"

namespace kv {

class FavoritesHost;
class SuggestionWorker;

// The address boxes' suggestions of the whole program: the history store, fav.Dat (or the
// favourites window's list while it holds unsaved changes), the links of the favourites
// folder and the asking window's typed addresses, answered on a worker thread that starts
// with the first question.
class ProgramSuggestions : public AddressSuggestionSource {
 public:
  explicit ProgramSuggestions(FavoritesHost& favorites);
  ~ProgramSuggestions() override;
  ProgramSuggestions(const ProgramSuggestions&) = delete;
  ProgramSuggestions& operator=(const ProgramSuggestions&) = delete;
  ProgramSuggestions(ProgramSuggestions&&) = delete;
  ProgramSuggestions& operator=(ProgramSuggestions&&) = delete;

  void ask(Form1& form, const Glib::ustring& typed, bool fresh, Answer answer) override;
  void cancel() override;
  void forget(const std::string& address) override;

 private:
  SuggestionWorker& worker();

  FavoritesHost& favorites_;
  std::unique_ptr<SuggestionWorker> worker_;
};

}  // namespace kv
