#pragma once

#include <gtkmm/infobar.h>
#include <gtkmm/label.h>

namespace kv {

class PermissionQuestions;

// The line above the page that tells of a dialog the program did not show, as it could
// not name the frame that asked. It stays until the user closes it or another page
// comes.
class RefusedDialogNotice {
 public:
  // `bars` outlives this object.
  explicit RefusedDialogNotice(PermissionQuestions& bars);
  ~RefusedDialogNotice();
  RefusedDialogNotice(const RefusedDialogNotice&) = delete;
  RefusedDialogNotice& operator=(const RefusedDialogNotice&) = delete;
  RefusedDialogNotice(RefusedDialogNotice&&) = delete;
  RefusedDialogNotice& operator=(RefusedDialogNotice&&) = delete;

  void show();
  void hide();

 private:
  PermissionQuestions& bars_;
  Gtk::InfoBar bar_;
  Gtk::Label text_;
  bool shown_ = false;
};

}  // namespace kv
