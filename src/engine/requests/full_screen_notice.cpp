#include "engine/requests/full_screen_notice.h"

#include <glibmm/main.h>
#include <gtkmm/overlay.h>

#include "desktop/control_name.h"
#include "desktop/site_name_label.h"
#include "engine/profile/site_permissions.h"

namespace kv {

FullScreenNotice::FullScreenNotice(Gtk::Overlay& area) {
  set_control_name(box_, "FullScreenNotice");
  set_control_name(site_, "lblFullScreenSite");
  set_control_name(how_to_leave_, "lblFullScreenLeave");
  keep_site_name_whole(site_);
  site_.set_max_width_chars(60);
  site_.set_justify(Gtk::JUSTIFY_CENTER);
  how_to_leave_.set_text("Press Esc to leave full screen");
  box_.pack_start(site_);
  box_.pack_start(how_to_leave_);
  box_.set_halign(Gtk::ALIGN_CENTER);
  box_.set_valign(Gtk::ALIGN_START);
  box_.set_no_show_all(true);
  site_.show();
  how_to_leave_.show();
  area.add_overlay(box_);
  // It only tells: clicks go on to the page below.
  area.set_overlay_pass_through(box_, true);
}

FullScreenNotice::~FullScreenNotice() {
  timer_.disconnect();
}

void FullScreenNotice::show_for(const Glib::ustring& address) {
  timer_.disconnect();
  site_.set_text(page_site_name(address.raw()));
  box_.show();
  timer_ = Glib::signal_timeout().connect(
      [this] {
        box_.hide();
        return false;
      },
      static_cast<unsigned>(kShownFor.count()));
}

void FullScreenNotice::hide() {
  timer_.disconnect();
  box_.hide();
}

}  // namespace kv
