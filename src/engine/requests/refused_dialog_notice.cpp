#include "engine/requests/refused_dialog_notice.h"

#include "desktop/control_name.h"
#include "engine/requests/permission_questions.h"

namespace kv {

RefusedDialogNotice::RefusedDialogNotice(PermissionQuestions& bars) : bars_(bars) {
  set_control_name(bar_, "RefusedDialogNotice");
  set_control_name(text_, "lblRefusedDialog");
  bar_.set_message_type(Gtk::MESSAGE_INFO);
  // A frame of no site (sandboxed, a data: address), or, where the program's extension
  // is missing, any asker at all: the words hold for both.
  text_.set_text("A dialog was blocked: the site in this page that asked for it cannot be named.");
  text_.set_xalign(0.0F);
  text_.set_line_wrap(true);
  if (auto* content = dynamic_cast<Gtk::Container*>(bar_.get_content_area())) content->add(text_);
  bar_.set_show_close_button(true);
  bar_.signal_response().connect([this](int) { hide(); });
  bar_.show_all();
}

RefusedDialogNotice::~RefusedDialogNotice() {
  hide();
}

void RefusedDialogNotice::show() {
  if (shown_) return;
  shown_ = true;
  bars_.add_bar(bar_);
}

void RefusedDialogNotice::hide() {
  if (!shown_) return;
  shown_ = false;
  bars_.remove_bar(bar_);
}

}  // namespace kv
