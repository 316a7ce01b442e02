#pragma once

#include <glibmm/ustring.h>
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/buttonbox.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/entry.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>
#include <sigc++/signal.h>
#include <webkit2/webkit2.h>

#include <memory>

namespace Gtk {
class Overlay;
}

namespace kv {

struct ScriptDialogUnref {
  void operator()(WebKitScriptDialog* dialog) const { webkit_script_dialog_unref(dialog); }
};
// A page's dialog, held until it is answered; letting go unanswered closes it as
// Cancel would.
using ScriptDialogRef = std::unique_ptr<WebKitScriptDialog, ScriptDialogUnref>;

// What a page's alert, confirm or prompt (or its "leave this page?") says, shown as the
// program's own box over the page and named by the site that asked. The page's text is
// shown as text, in a scrolled place of its own, so that it cannot pass for the program's
// words or push the buttons away; while the box is up the page takes no input.
class ScriptDialogBox {
 public:
  // `area` holds the view and outlives this object.
  explicit ScriptDialogBox(Gtk::Overlay& area);
  ScriptDialogBox(const ScriptDialogBox&) = delete;
  ScriptDialogBox& operator=(const ScriptDialogBox&) = delete;
  ScriptDialogBox(ScriptDialogBox&&) = delete;
  ScriptDialogBox& operator=(ScriptDialogBox&&) = delete;
  ~ScriptDialogBox();

  // Shows `dialog` with `message`, from whom `speaker` names ("127.0.0.1:8001 says:", or
  // the page's site for a "leave this page?"); `offer_silence` shows the box that keeps
  // the page's later dialogs away.
  void show(ScriptDialogRef dialog, const Glib::ustring& speaker, const Glib::ustring& message,
            bool offer_silence);
  // Answers what is shown as Cancel would (a page that asks to be left is left).
  void dismiss();
  [[nodiscard]] bool shown() const { return dialog_ != nullptr; }

  // After each answer: whether the user asked for no more of the page's dialogs.
  sigc::signal<void(bool)> answered;

  Gtk::Label lblScriptSite, lblScriptMessage;
  Gtk::Entry txtScriptInput;
  Gtk::CheckButton chkScriptSilence;
  Gtk::Button cmdScriptOk, cmdScriptCancel;

 private:
  void answer(bool ok);

  Gtk::EventBox shade_;  // over the whole page: no click reaches it
  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL, 8};
  Gtk::ScrolledWindow message_place_;
  Gtk::ButtonBox buttons_;
  ScriptDialogRef dialog_;
};

}  // namespace kv
