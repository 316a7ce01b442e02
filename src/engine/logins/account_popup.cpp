#include "engine/logins/account_popup.h"

#include <gtkmm/button.h>
#include <gtkmm/label.h>

#include <algorithm>

#include "desktop/control_name.h"
#include "desktop/deliberate_press.h"
#include "desktop/guarded.h"
#include "engine/logins/list_place.h"

namespace kv {
namespace {

constexpr int kLeastWidth = 200;

}  // namespace

AccountPopup::AccountPopup(WebKitWebView* view) : view_(view) {
  set_control_name(window_, "frmSavedAccounts");
  window_.set_title("Saved passwords");
  window_.set_type_hint(Gdk::WINDOW_TYPE_HINT_DROPDOWN_MENU);
  set_control_name(lstAccounts, "lstAccounts");
  lstAccounts.set_selection_mode(Gtk::SELECTION_SINGLE);
  frame_.set_shadow_type(Gtk::SHADOW_OUT);
  frame_.add(lstAccounts);
  window_.add(frame_);
  frame_.show_all();
  g_signal_connect(view_, "key-press-event", G_CALLBACK(on_key), this);
  for (const char* closing : {"button-press-event", "scroll-event", "focus-out-event"}) {
    g_signal_connect(view_, closing, G_CALLBACK(on_hiding_event), this);
  }
  g_signal_connect_swapped(view_, "unmap", G_CALLBACK(+[](AccountPopup* popup) { popup->hide(); }),
                           this);
  window_.signal_map().connect([this] { drawn_ = false; });
  window_.signal_draw().connect(
      [this](const Cairo::RefPtr<Cairo::Context>&) {
        if (!drawn_) {
          drawn_ = true;
          keys_.shown(g_get_monotonic_time());
        }
        return false;
      },
      false);
}

AccountPopup::~AccountPopup() {
  g_signal_handlers_disconnect_by_data(view_, this);
}

bool AccountPopup::show(const std::vector<std::string>& users, GdkRectangle field,
                        std::function<void(std::size_t)> picked) {
  hide();
  if (users.empty()) return false;
  picked_ = std::move(picked);
  // Managed rows go once out of the list.
  for (Gtk::Widget* row : lstAccounts.get_children()) lstAccounts.remove(*row);
  for (std::size_t i = 0; i < users.size(); ++i) {
    const std::string shown = users[i].empty() ? "(no user name)" : users[i];
    auto* row = Gtk::make_managed<Gtk::ListBoxRow>();
    auto* button = Gtk::make_managed<Gtk::Button>(shown);
    button->set_relief(Gtk::RELIEF_NONE);
    if (auto* label = dynamic_cast<Gtk::Label*>(button->get_child())) label->set_xalign(0.0F);
    set_accessible_name(*button, shown);
    set_accessible_name(*row, shown);
    // The list comes up under the user's click: a click that was meant for the page, or
    // repeated on the spot, does not pick an account.
    guard_button(*button, GTK_WIDGET(view_));
    button->signal_clicked().connect([this, i] { pick(i); });
    row->add(*button);
    lstAccounts.append(*row);
  }
  lstAccounts.show_all();
  lstAccounts.unselect_all();
  if (!place(field)) return false;
  keys_ = DeliberatePress{};
  window_.show();
  return true;
}

bool AccountPopup::place(GdkRectangle field) {
  GtkWidget* view = GTK_WIDGET(view_);
  GtkWidget* top = gtk_widget_get_toplevel(view);
  GdkWindow* top_window = gtk_widget_get_window(top);
  if (!GTK_IS_WINDOW(top) || top_window == nullptr) return false;
  if (top != toplevel_) {
    toplevel_ = top;
    // Goes with whichever of the two windows goes first.
    g_signal_connect_object(top, "configure-event",
                            G_CALLBACK(+[](GtkWidget* list, GdkEvent* /*event*/) {
                              gtk_widget_hide(list);
                              return FALSE;
                            }),
                            window_.gobj(), G_CONNECT_SWAPPED);
  }
  window_.set_transient_for(*Glib::wrap(GTK_WINDOW(top)));
  // The page area and the field on the screen.
  GdkRectangle page{0, 0, gtk_widget_get_allocated_width(view),
                    gtk_widget_get_allocated_height(view)};
  int origin_x = 0;
  int origin_y = 0;
  gdk_window_get_origin(top_window, &origin_x, &origin_y);
  gtk_widget_translate_coordinates(view, top, 0, 0, &page.x, &page.y);
  page.x += origin_x;
  page.y += origin_y;
  field.x += page.x;
  field.y += page.y;
  GdkRectangle screen{};
  GdkMonitor* monitor = gdk_display_get_monitor_at_point(
      gtk_widget_get_display(view), field.x + field.width / 2, field.y + field.height / 2);
  if (monitor == nullptr) return false;
  gdk_monitor_get_workarea(monitor, &screen);
  // As wide as the field, within the page area, and as the rows need.
  window_.set_size_request(-1, -1);
  int least = 0;
  int natural = 0;
  window_.get_preferred_width(least, natural);
  const int width = std::max(least, std::min(std::max(field.width, kLeastWidth), page.width));
  window_.set_size_request(width, -1);
  int height = 0;
  window_.get_preferred_height_for_width(width, least, height);
  const auto at = place_beside(field, width, height, page, screen);
  if (!at) return false;
  window_.resize(width, height);
  window_.move(at->x, at->y);
  return true;
}

void AccountPopup::hide() {
  window_.hide();
}

void AccountPopup::pick(std::size_t row) {
  hide();
  if (picked_) guarded([&] { picked_(row); });
}

gboolean AccountPopup::on_key(GtkWidget* /*view*/, GdkEventKey* event, gpointer self) {
  auto* popup = static_cast<AccountPopup*>(self);
  if (!popup->shown()) return FALSE;
  Gtk::ListBoxRow* selected = popup->lstAccounts.get_selected_row();
  const int count = static_cast<int>(popup->lstAccounts.get_children().size());
  const int at = selected != nullptr ? selected->get_index() : -1;
  switch (event->keyval) {
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up: {
      const bool down = event->keyval == GDK_KEY_Down || event->keyval == GDK_KEY_KP_Down;
      const int next = down ? std::min(at + 1, count - 1) : std::max(at - 1, 0);
      if (Gtk::ListBoxRow* row = popup->lstAccounts.get_row_at_index(next)) {
        popup->lstAccounts.select_row(*row);
      }
      return TRUE;
    }
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      if (selected == nullptr) break;
      // Too soon, the key was not meant for the list; nor does the page get it.
      if (popup->keys_.press(g_get_monotonic_time())) {
        popup->pick(static_cast<std::size_t>(at));
      }
      return TRUE;
    case GDK_KEY_Escape:
      popup->hide();
      return TRUE;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
      return FALSE;
    default:
      break;
  }
  popup->hide();
  return FALSE;
}

gboolean AccountPopup::on_hiding_event(GtkWidget* /*widget*/, GdkEvent* /*event*/, gpointer self) {
  static_cast<AccountPopup*>(self)->hide();
  return FALSE;
}

}  // namespace kv
