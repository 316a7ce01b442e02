#include "engine/dialogs/webkit_find_dialog.h"

#include <gdk/gdkkeysyms.h>

#include "desktop/guarded.h"
#include "engine/dialogs/webkit_view_helpers.h"

namespace kv {
namespace {

constexpr const char* kDialogKey = "kv-find-dialog";
constexpr guint kMaxMatches = 10000;

guint32 options_for(bool match_case, bool backwards) {
  guint32 options = WEBKIT_FIND_OPTIONS_WRAP_AROUND;
  if (!match_case) options |= WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE;
  if (backwards) options |= WEBKIT_FIND_OPTIONS_BACKWARDS;
  return options;
}

void drop_dialog(GtkWidget* view, gpointer /*unused*/) {
  g_object_set_data(G_OBJECT(view), kDialogKey, nullptr);
}

}  // namespace

FindDialog::FindDialog(WebKitWebView* view)
    : finder_(ref_object(webkit_web_view_get_find_controller(view))),
      counted_handler_(
          g_signal_connect(finder_.get(), "counted-matches", G_CALLBACK(on_counted), this)),
      failed_handler_(
          g_signal_connect(finder_.get(), "failed-to-find-text", G_CALLBACK(on_failed), this)) {
  set_title("Find");
  set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
  set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
  set_resizable(false);
  set_skip_taskbar_hint(true);
  set_border_width(12);

  text_caption_.set_mnemonic_widget(text);
  text.set_activates_default(true);
  text.set_width_chars(28);
  text_row_.pack_start(text_caption_, Gtk::PACK_SHRINK);
  text_row_.pack_start(text, Gtk::PACK_EXPAND_WIDGET);

  buttons_.pack_start(match_case, Gtk::PACK_EXPAND_WIDGET);
  buttons_.pack_start(find_previous, Gtk::PACK_SHRINK);
  buttons_.pack_start(find_next, Gtk::PACK_SHRINK);
  buttons_.pack_start(close_button, Gtk::PACK_SHRINK);

  status.set_xalign(0.0F);
  status.set_ellipsize(Pango::ELLIPSIZE_END);

  layout_.pack_start(text_row_, Gtk::PACK_SHRINK);
  layout_.pack_start(buttons_, Gtk::PACK_SHRINK);
  layout_.pack_start(status, Gtk::PACK_SHRINK);
  add(layout_);
  layout_.show_all();

  find_next.set_can_default(true);
  set_default(find_next);
  find_next.signal_clicked().connect([this] { guarded([this] { find(false); }); });
  find_previous.signal_clicked().connect([this] { guarded([this] { find(true); }); });
  close_button.signal_clicked().connect([this] { hide(); });
  // A changed text or case starts a new search at the next click.
  text.signal_changed().connect([this] { forget_search(); });
  match_case.signal_toggled().connect([this] { forget_search(); });
  signal_key_press_event().connect(
      [this](GdkEventKey* event) {
        if (event->keyval != GDK_KEY_Escape) return false;
        hide();
        return true;
      },
      false);
  signal_delete_event().connect(
      [this](GdkEventAny*) {
        hide();
        return true;  // kept for the next Find
      },
      false);
  hide_connection_ = signal_hide().connect([this] {
    guarded([this] { webkit_find_controller_search_finish(finder_.get()); });
    forget_search();
  });
}

FindDialog::~FindDialog() {
  hide();
  hide_connection_.disconnect();
  g_signal_handler_disconnect(finder_.get(), counted_handler_);
  g_signal_handler_disconnect(finder_.get(), failed_handler_);
}

void FindDialog::find(bool backwards) {
  const Glib::ustring wanted = text.get_text();
  if (wanted.empty()) return;
  const bool case_matters = match_case.get_active();
  if (!searched_.empty() && searched_ == wanted && searched_match_case_ == case_matters) {
    if (backwards) {
      webkit_find_controller_search_previous(finder_.get());
    } else {
      webkit_find_controller_search_next(finder_.get());
    }
    return;
  }
  searched_ = wanted;
  searched_match_case_ = case_matters;
  status.set_text("");
  webkit_find_controller_search(finder_.get(), wanted.c_str(), options_for(case_matters, backwards),
                                kMaxMatches);
  webkit_find_controller_count_matches(finder_.get(), wanted.c_str(),
                                       options_for(case_matters, false), kMaxMatches);
}

void FindDialog::forget_search() {
  searched_.clear();
}

void FindDialog::on_counted(WebKitFindController* /*finder*/, guint count, gpointer self) {
  auto* dialog = static_cast<FindDialog*>(self);
  if (count == 0) return;  // failed-to-find-text says so
  dialog->status.set_text(count == 1 ? Glib::ustring("1 match")
                                     : Glib::ustring::compose("%1 matches", count));
}

void FindDialog::on_failed(WebKitFindController* finder, gpointer self) {
  auto* dialog = static_cast<FindDialog*>(self);
  const char* text = webkit_find_controller_get_search_text(finder);
  dialog->status.set_text(
      Glib::ustring::compose("Cannot find \"%1\".", text != nullptr ? text : ""));
  // The next click searches afresh, perhaps after the page changed.
  dialog->forget_search();
}

FindDialog* find_dialog_for(WebKitWebView* view) {
  if (view == nullptr) return nullptr;
  return static_cast<FindDialog*>(g_object_get_data(G_OBJECT(view), kDialogKey));
}

void show_find_dialog(WebKitWebView* view) {
  if (!has_page(view)) return;
  FindDialog* dialog = find_dialog_for(view);
  if (dialog == nullptr) {
    dialog = new FindDialog(view);
    g_object_set_data_full(G_OBJECT(view), kDialogKey, dialog,
                           [](gpointer made) { delete static_cast<FindDialog*>(made); });
    // The dialog goes with its control, not later when the view is finally freed.
    g_signal_connect(view, "destroy", G_CALLBACK(drop_dialog), nullptr);
  }
  gtk_window_set_transient_for(GTK_WINDOW(dialog->gobj()), toplevel_window_of(view));
  dialog->present();
  dialog->text.grab_focus();
}

}  // namespace kv
