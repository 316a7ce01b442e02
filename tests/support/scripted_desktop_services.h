#pragma once

#include <deque>
#include <string>
#include <vector>

#include "desktop/desktop_services.h"

namespace kv::test {

// Desktop services that answer from a script and record what was asked.
class ScriptedDesktopServices : public DesktopServices {
 public:
  struct Shown {
    Gtk::Window* parent;
    Glib::ustring prompt;
    int style;
    Glib::ustring title;
    Glib::ustring default_text;  // input boxes only
  };

  int MsgBox(Gtk::Window* parent, const Glib::ustring& prompt, int style,
             const Glib::ustring& title) override;
  Glib::ustring InputBox(Gtk::Window* parent, const Glib::ustring& prompt,
                         const Glib::ustring& title, const Glib::ustring& default_text) override;
  std::optional<std::uint32_t> ShowColor(Gtk::Window* parent) override;
  std::optional<Glib::ustring> clipboard_text() override { return clipboard; }
  Glib::DateTime now_local() override { return now; }
  void MakeTopmost(Gtk::Window& window) override { topmost.push_back(&window); }
  void DoEvents() override { ++do_events_count; }

  // Answers; an empty queue answers Cancel.
  std::deque<Glib::ustring> input_answers;
  std::deque<std::optional<std::uint32_t>> color_answers;
  std::deque<int> msgbox_answers;  // an empty queue answers OK
  std::optional<Glib::ustring> clipboard;
  Glib::DateTime now = Glib::DateTime::create_local(2024, 3, 9, 14, 5, 7);

  // Records.
  std::vector<Shown> message_boxes;
  std::vector<Shown> input_boxes;
  std::vector<Gtk::Window*> color_choosers;
  std::vector<Gtk::Window*> topmost;
  int do_events_count = 0;
};

}  // namespace kv::test
