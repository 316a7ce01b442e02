#pragma once

#include <glib.h>

typedef struct _GtkWidget GtkWidget;

namespace Gtk {
class Button;
}  // namespace Gtk

namespace kv {

// A page can put something under the pointer just as the user clicks (a button that
// asks on mouse-down, a click game), so that a click meant for the page lands on
// something of ours that grants it more. Such things act only on a press that went
// down once they had been in view this long...
inline constexpr gint64 kDeliberateInViewMicros = 1000 * 1000;
// ...and only when the pointer came onto them since the last press, or that press was
// this long ago: a user who keeps clicking at one spot is not answering our question.
inline constexpr gint64 kDeliberateQuietMicros = 1000 * 1000;

// The rule, on times from g_get_monotonic_time(); it knows no widget.
class DeliberatePress {
 public:
  // The thing came into view (again): the clock starts over.
  void shown(gint64 now);
  // The pointer came onto the thing from elsewhere.
  void pointer_arrived() { arrived_ = true; }
  // A press (of a mouse button or a key) went down at `now`, on the thing or near it;
  // whether it counts.
  bool press(gint64 now);
  [[nodiscard]] bool last_press_counted() const { return last_counted_; }

 private:
  gint64 shown_at_ = 0;
  gint64 pressed_at_ = 0;
  bool arrived_ = false;
  bool last_counted_ = false;
};

// `button` acts only on deliberate presses of the mouse or the keyboard (as above);
// the others do nothing. Presses on `around` (the page under a bar) count as the
// user's clicking too. A click made by the program itself (clicked()) is not guarded.
void guard_button(Gtk::Button& button, GtkWidget* around = nullptr);

}  // namespace kv
