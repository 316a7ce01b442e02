#include "browser/navigation.h"

#include <gdk/gdkkeysyms.h>

#include "browser/addresses.h"
#include "browser/form1.h"
#include "browser/work_offline.h"
#include "desktop/guarded.h"

namespace kv {
namespace {

bool is_enter(guint keyval) {
  return keyval == GDK_KEY_Return || keyval == GDK_KEY_KP_Enter || keyval == GDK_KEY_ISO_Enter;
}

// Enter in a text box presses the default button, Go, at once: the toolkit's own default
// activation shows the button pressed for a quarter of a second before it clicks. The box
// gets no key event for it.
bool press_default_on_enter(Form1& form, const GdkEventKey* event) {
  if (!is_enter(event->keyval)) return false;
  guarded([&] { form.cmdGo.clicked(); });
  return true;
}

// Key-down in the address combo: Enter runs Go once; every other key that reaches the
// combo meets the Work Offline warning and then goes on to the text unchanged.
bool on_address_key_down(Form1& form, DesktopServices& services, const GdkEventKey* event) {
  if (press_default_on_enter(form, event)) return true;
  warn_if_working_offline(form, services);
  return false;
}

void search(Form1& form) {
  Glib::ustring text;
  guarded([&] { text = form.txtSearch.get_text(); });
  guarded([&] { form.wWeb.Navigate(search_address(text)); });
  guarded([&] { form.cmdBack.set_sensitive(true); });
}

}  // namespace

void go(Form1& form) {
  Glib::ustring typed;
  guarded([&] { typed = form.cboURL_entry().get_text(); });
  guarded([&] { form.wWeb.Navigate(navigation_address(typed)); });
  guarded([&] { form.cmdBack.set_sensitive(true); });
  // The list keeps the text as typed.
  guarded([&] { form.cboURL.append(typed); });
}

void attach_navigation(Form1& form, DesktopServices& services) {
  WebBrowser& web = form.wWeb;
  form.cmdGo.signal_clicked().connect([&form] { go(form); });
  form.cboURL_entry().signal_key_press_event().connect(
      [&form, &services](GdkEventKey* event) { return on_address_key_down(form, services, event); },
      false);
  form.txtSearch.signal_key_press_event().connect(
      [&form](GdkEventKey* event) { return press_default_on_enter(form, event); }, false);
  form.cmdGoogle.signal_clicked().connect([&form] { search(form); });
  form.cmdHome.signal_clicked().connect([&web] { guarded([&] { web.Navigate(kHomePageUrl); }); });
  form.cmdBack.signal_clicked().connect([&form, &web] {
    guarded([&] { web.GoBack(); });
    guarded([&] { form.cmdForward.set_sensitive(true); });
  });
  form.cmdForward.signal_clicked().connect([&web] { guarded([&] { web.GoForward(); }); });
  // A history taken back raises none of the events that enable the buttons: they show
  // the lists as they now are.
  web.HistoryListChange.connect([&form](bool can_go_back, bool can_go_forward) {
    guarded([&] { form.cmdBack.set_sensitive(can_go_back); });
    guarded([&] { form.cmdForward.set_sensitive(can_go_forward); });
  });
  form.cmdStop.signal_clicked().connect([&web] { guarded([&] { web.Stop(); }); });
  form.cmdRefresh.signal_clicked().connect([&web] { guarded([&] { web.Refresh(); }); });

  form.mnuViewGoToBack.signal_activate().connect([&web] { guarded([&] { web.GoBack(); }); });
  form.mnuViewGoToForward.signal_activate().connect([&web] { guarded([&] { web.GoForward(); }); });
  // The platform's own configured home page, not the Home button's.
  form.mnuViewGoToHome.signal_activate().connect([&web] { guarded([&] { web.GoHome(); }); });
  form.mnuViewRefresh.signal_activate().connect([&web] { guarded([&] { web.Refresh(); }); });
}

}  // namespace kv
