#pragma once

#include <glibmm/ustring.h>

#include <functional>
#include <string>
#include <vector>

#include "shell/suggestion_ranking.h"

namespace kv {

class Form1;

// Where the address box's suggestions come from: the history, the favourites and the
// window's typed addresses, which the program object puts together. Nothing typed ever
// leaves the machine.
class AddressSuggestionSource {
 public:
  AddressSuggestionSource() = default;
  AddressSuggestionSource(const AddressSuggestionSource&) = delete;
  AddressSuggestionSource& operator=(const AddressSuggestionSource&) = delete;
  AddressSuggestionSource(AddressSuggestionSource&&) = delete;
  AddressSuggestionSource& operator=(AddressSuggestionSource&&) = delete;
  virtual ~AddressSuggestionSource() = default;

  using Answer = std::function<void(std::vector<Suggestion>)>;
  // The rows for `typed` in `form`'s box; `answer` runs later on the main loop, unless a
  // newer question or cancel() came first. `fresh`: the first key of a round of typing.
  virtual void ask(Form1& form, const Glib::ustring& typed, bool fresh, Answer answer) = 0;
  virtual void cancel() = 0;
  // Takes `address` out of the history.
  virtual void forget(const std::string& address) = 0;
};

// The list of suggestions below the window's address box, from the first key the user
// types into it. This is added to the address box: its own list of typed addresses, Go's
// rule for a typed address and Enter pressing Go stay as they are. Down and Up put a row's
// address into the box, so that Enter (Go) goes there; Escape puts back what was typed;
// Shift+Delete takes a row's address out of the history; a click on a row goes there.
// Attach before the window's other keys, so that Escape closes the list first.
void attach_address_suggestions(Form1& form, AddressSuggestionSource& source);

}  // namespace kv
