#pragma once

#include <gtkmm/frame.h>
#include <gtkmm/listbox.h>
#include <gtkmm/window.h>
#include <sigc++/signal.h>

#include <optional>
#include <string>
#include <vector>

#include "shell/suggestion_ranking.h"

namespace kv {

// What a row says: its main text (the page's title, or its address when the title is
// missing or reads like an address), the true host shown after a title, and the name
// that assistive technology reads out.
struct SuggestionText {
  std::string main;
  std::string host;
  std::string spoken;
};
SuggestionText suggestion_text(const Suggestion& suggestion);

// The list that drops down below the address box as the user types: a pop-up window of
// its own, which never takes the keyboard focus from the box. Each row shows a page's
// title with its host, and its address, and is named by both for assistive technology.
class SuggestionList : public Gtk::Window {
 public:
  SuggestionList();

  // Shows `rows` right below `box`, as wide as it is; no row is chosen.
  void show_below(Gtk::Widget& box, std::vector<Suggestion> rows);
  // Right below `box`, as wide as it is (the window moved).
  void place_below(Gtk::Widget& box);
  [[nodiscard]] const std::vector<Suggestion>& rows() const { return rows_; }
  // The row in view (chosen by Down and Up); nullopt when none is.
  [[nodiscard]] std::optional<std::size_t> chosen() const;
  void choose(std::optional<std::size_t> row);
  // Takes one row out; none is chosen after.
  void remove_row(std::size_t row);

  // A click on a row.
  sigc::signal<void(std::size_t)> signal_row_clicked;

 private:
  void fill();

  Gtk::Frame frame_;
  Gtk::ListBox list_;
  std::vector<Suggestion> rows_;
  std::optional<std::size_t> chosen_;
};

}  // namespace kv
