#pragma once

#include "desktop/desktop_services.h"

namespace kv {

// The desktop services on GTK: real dialogs, the real clipboard and clock.
class GtkDesktopServices : public DesktopServices {
 public:
  int MsgBox(Gtk::Window* parent, const Glib::ustring& prompt, int style,
             const Glib::ustring& title) override;
  Glib::ustring InputBox(Gtk::Window* parent, const Glib::ustring& prompt,
                         const Glib::ustring& title, const Glib::ustring& default_text) override;
  std::optional<std::uint32_t> ShowColor(Gtk::Window* parent) override;
  std::optional<Glib::ustring> clipboard_text() override;
  Glib::DateTime now_local() override;
  void MakeTopmost(Gtk::Window& window) override;
  void DoEvents() override;
};

}  // namespace kv
