#include "about/testers_list.h"

#include "about/about_texts.h"
#include "about/dialog_layout.h"
#include "desktop/control_name.h"
#include "desktop/mnemonic.h"
#include "desktop/widget_style.h"

namespace kv {

frmTestr::frmTestr() {
  set_control_name(*this, "frmTestr");
  set_title("Testers 2004");
  dialog_window(*this, fixed_, 4680, 3270);

  set_control_name(Text1, "Text1");
  Text1.get_buffer()->set_text(about_text::kTesters);
  Text1.set_wrap_mode(Gtk::WRAP_WORD);
  set_font(Text1, "Times New Roman", 12);
  place_twips(fixed_, Text1, 0, 0, 4695, 2535);

  set_control_name(Command1, "Command1");
  Command1.set_label(mnemonic_caption("&Ok"));
  Command1.set_use_underline(true);
  place_twips(fixed_, Command1, 1680, 2640, 1215, 495);

  fixed_.set_focus_chain({&Text1, &Command1});
  fixed_.show_all();
  set_focus(Text1);
}

frmTestr::~frmTestr() {
  unset_focus();
}

Glib::ustring frmTestr::text() const {
  return Text1.get_buffer()->get_text(true);
}

}  // namespace kv
