#pragma once

#include <glibmm/datetime.h>
#include <glibmm/ustring.h>

#include <cstdint>
#include <optional>

namespace Gtk {
class Window;
}

namespace kv {

// Message-box styles, by their published numbers.
namespace msgbox {
inline constexpr int kOkOnly = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kQuestion = 32;
inline constexpr int kInformation = 64;
inline constexpr int kDefaultButton2 = 256;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
}  // namespace msgbox

// The dialogs and desktop services that handlers use, behind one interface so that
// tests can answer and record them.
class DesktopServices {
 public:
  DesktopServices() = default;
  DesktopServices(const DesktopServices&) = delete;
  DesktopServices& operator=(const DesktopServices&) = delete;
  DesktopServices(DesktopServices&&) = delete;
  DesktopServices& operator=(DesktopServices&&) = delete;
  virtual ~DesktopServices() = default;

  // Modal message box; returns the button pressed (msgbox::kAnswerOk for OK,
  // msgbox::kAnswerCancel for Cancel or the window closed).
  virtual int MsgBox(Gtk::Window* parent, const Glib::ustring& prompt, int style,
                     const Glib::ustring& title) = 0;
  // Modal input box; the field's text on OK, "" on Cancel.
  virtual Glib::ustring InputBox(Gtk::Window* parent, const Glib::ustring& prompt,
                                 const Glib::ustring& title, const Glib::ustring& default_text) = 0;
  // Modal colour chooser; the chosen colour as 0x00BBGGRR, nothing when cancelled.
  virtual std::optional<std::uint32_t> ShowColor(Gtk::Window* parent) = 0;
  // The clipboard's plain text; nothing when it holds no text.
  virtual std::optional<Glib::ustring> clipboard_text() = 0;
  virtual Glib::DateTime now_local() = 0;
  // Keeps the window above all windows that are not kept on top themselves.
  virtual void MakeTopmost(Gtk::Window& window) = 0;
  // Lets pending events run once.
  virtual void DoEvents() = 0;
};

}  // namespace kv
