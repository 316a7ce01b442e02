#include "page/page_commands.h"

#include <functional>

#include "browser/form1.h"
#include "desktop/desktop_services.h"
#include "desktop/guarded.h"
#include "page/address_box_edit.h"

namespace kv {
namespace {

constexpr const char* kPage = "wWeb";
constexpr const char* kAddressBox = "cboURL";

void exec(Form1& form, std::int32_t cmd) {
  guarded([&] { form.wWeb.ExecWB(cmd, olecmd::kDoDefault); });
}

// Save As and Print Preview also pass input and output, each a 16-bit 0.
void exec_with_in_out(Form1& form, std::int32_t cmd) {
  guarded([&] { form.wWeb.ExecWB(cmd, olecmd::kDoDefault, std::int16_t{0}, std::int16_t{0}); });
}

// Cut, Copy and Page Setup act on the page even when the address box had the focus.
void focus_page_then_exec(Form1& form, std::int32_t cmd) {
  guarded([&] { form.wWeb.SetFocus(); });
  exec(form, cmd);
}

Glib::ustring active_control(const Form1& form) {
  Glib::ustring name;
  guarded([&] { name = form.active_control_name(); });
  return name;
}

// Paste, Select All and Select None go to the page or the address box, whichever has
// the focus, and nowhere with any other control focused.
void routed(Form1& form, std::int32_t cmd, const std::function<void(Gtk::Entry&)>& on_box) {
  const Glib::ustring name = active_control(form);
  if (name == kPage) {
    exec(form, cmd);
  } else if (name == kAddressBox) {
    guarded([&] { on_box(form.cboURL_entry()); });
  }
}

}  // namespace

void attach_page_commands(Form1& form, DesktopServices& services) {
  auto on = [](Gtk::MenuItem& item, const std::function<void()>& handler) {
    item.signal_activate().connect(handler);
  };

  on(form.mnuFileSaveAs, [&form] { exec_with_in_out(form, olecmd::kSaveAs); });
  on(form.mnuFilePageSetup, [&form] { focus_page_then_exec(form, olecmd::kPageSetup); });
  on(form.mnuFilePrint, [&form] { exec(form, olecmd::kPrint); });
  form.cmdPrint.signal_clicked().connect([&form] { exec(form, olecmd::kPrint); });
  on(form.mnuFilePrintPreview, [&form] { exec_with_in_out(form, olecmd::kPrintPreview); });
  on(form.mnuProperties, [&form] { exec(form, olecmd::kProperties); });

  on(form.mnuEditUndo, [&form] {
    // Undo is the page's only; the address box keeps its own.
    if (active_control(form) == kPage) exec(form, olecmd::kUndo);
  });
  on(form.mnuEditCut, [&form] { focus_page_then_exec(form, olecmd::kCut); });
  on(form.mnuEditCopy, [&form] { focus_page_then_exec(form, olecmd::kCopy); });
  on(form.mnuEditPaste, [&form, &services] {
    routed(form, olecmd::kPaste, [&services](Gtk::Entry& box) {
      // No text on the clipboard pastes nothing over the selection, which removes it.
      replace_selection(box, services.clipboard_text().value_or(Glib::ustring()));
    });
  });
  on(form.mnuEditSelectAll,
     [&form] { routed(form, olecmd::kSelectAll, [](Gtk::Entry& box) { select_all_text(box); }); });
  on(form.mnuEditSelectNone, [&form] {
    routed(form, olecmd::kClearSelection, [](Gtk::Entry& box) { select_no_text(box); });
  });
  on(form.mnuEditFind, [&form] { exec(form, olecmd::kShowFind); });
}

}  // namespace kv
