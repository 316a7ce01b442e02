#include "engine/requests/script_dialog_box.h"

#include <gtkmm/overlay.h>

#include <algorithm>

#include "desktop/control_name.h"
#include "desktop/dialog_buttons.h"
#include "desktop/site_name_label.h"

namespace kv {
namespace {

constexpr int kMessageMaxHeight = 240;         // a longer text scrolls
constexpr std::size_t kScrollFromBytes = 400;  // surely more than a few lines
constexpr std::ptrdiff_t kScrollFromLines = 8;

bool is_leave_question(WebKitScriptDialog* dialog) {
  return webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM;
}

}  // namespace

ScriptDialogBox::ScriptDialogBox(Gtk::Overlay& area) {
  set_control_name(shade_, "ScriptDialogShade");
  set_control_name(box_, "ScriptDialog");
  set_control_name(lblScriptSite, "lblScriptSite");
  set_control_name(lblScriptMessage, "lblScriptMessage");
  set_control_name(txtScriptInput, "txtScriptInput");
  set_control_name(chkScriptSilence, "chkScriptSilence");
  lblScriptSite.set_xalign(0.0F);
  keep_site_name_whole(lblScriptSite);
  lblScriptSite.set_max_width_chars(50);
  lblScriptMessage.set_xalign(0.0F);
  lblScriptMessage.set_yalign(0.0F);
  lblScriptMessage.set_line_wrap(true);
  lblScriptMessage.set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
  lblScriptMessage.set_max_width_chars(50);
  lblScriptMessage.set_width_chars(40);
  lblScriptMessage.set_selectable(true);
  message_place_.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
  message_place_.set_propagate_natural_height(true);
  message_place_.set_max_content_height(kMessageMaxHeight);
  message_place_.add(lblScriptMessage);
  txtScriptInput.set_activates_default(false);
  chkScriptSilence.set_label("_Don't let this page show more dialogs");
  chkScriptSilence.set_use_underline(true);
  pack_dialog_buttons(buttons_, {{&cmdScriptOk, "cmdScriptOk", "_OK"},
                                 {&cmdScriptCancel, "cmdScriptCancel", "_Cancel"}});
  box_.pack_start(lblScriptSite, Gtk::PACK_SHRINK);
  box_.pack_start(message_place_, Gtk::PACK_SHRINK);
  box_.pack_start(txtScriptInput, Gtk::PACK_SHRINK);
  box_.pack_start(chkScriptSilence, Gtk::PACK_SHRINK);
  box_.pack_start(buttons_, Gtk::PACK_SHRINK);
  box_.set_halign(Gtk::ALIGN_CENTER);
  box_.set_valign(Gtk::ALIGN_CENTER);
  shade_.add(box_);
  shade_.set_no_show_all(true);
  box_.show_all();
  area.add_overlay(shade_);

  cmdScriptOk.signal_clicked().connect([this] { answer(true); });
  cmdScriptCancel.signal_clicked().connect([this] { answer(false); });
  txtScriptInput.signal_activate().connect([this] { answer(true); });
  shade_.signal_key_press_event().connect(
      [this](GdkEventKey* key) {
        if (key->keyval != GDK_KEY_Escape) return false;
        answer(false);
        return true;
      },
      false);
}

ScriptDialogBox::~ScriptDialogBox() = default;  // an unanswered dialog closes with its owner

void ScriptDialogBox::show(ScriptDialogRef dialog, const Glib::ustring& speaker,
                           const Glib::ustring& message, bool offer_silence) {
  dismiss();
  const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog.get());
  lblScriptSite.set_text(speaker);
  if (type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
    // Its own words are not shown: a page could make them read like anything.
    lblScriptMessage.set_text(
        "This page asks whether you want to leave it. What you typed into it may be lost.");
    cmdScriptOk.set_label("_Leave");
    cmdScriptCancel.set_label("_Stay");
  } else {
    const std::string& text = message.raw();
    lblScriptMessage.set_text(text);
    // A short text takes its own height; a long one scrolls in kMessageMaxHeight.
    const bool long_text = text.size() > kScrollFromBytes ||
                           std::count(text.begin(), text.end(), '\n') >= kScrollFromLines;
    message_place_.set_policy(Gtk::POLICY_NEVER,
                              long_text ? Gtk::POLICY_AUTOMATIC : Gtk::POLICY_NEVER);
    cmdScriptOk.set_label("_OK");
    cmdScriptCancel.set_label("_Cancel");
  }
  txtScriptInput.set_visible(type == WEBKIT_SCRIPT_DIALOG_PROMPT);
  if (type == WEBKIT_SCRIPT_DIALOG_PROMPT) {
    txtScriptInput.set_text(webkit_script_dialog_prompt_get_default_text(dialog.get()));
  }
  cmdScriptCancel.set_visible(type != WEBKIT_SCRIPT_DIALOG_ALERT);
  chkScriptSilence.set_active(false);
  chkScriptSilence.set_visible(offer_silence);
  dialog_ = std::move(dialog);
  shade_.show();
  if (type == WEBKIT_SCRIPT_DIALOG_PROMPT) {
    txtScriptInput.grab_focus();
  } else {
    cmdScriptOk.grab_focus();
  }
}

void ScriptDialogBox::dismiss() {
  if (!dialog_) return;
  // Left unanswered, a page's "leave?" would keep the user on it.
  if (is_leave_question(dialog_.get()))
    webkit_script_dialog_confirm_set_confirmed(dialog_.get(), TRUE);
  webkit_script_dialog_close(dialog_.get());
  dialog_.reset();
  shade_.hide();
}

void ScriptDialogBox::answer(bool ok) {
  if (!dialog_) return;
  switch (webkit_script_dialog_get_dialog_type(dialog_.get())) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
      webkit_script_dialog_confirm_set_confirmed(dialog_.get(), ok ? TRUE : FALSE);
      break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
      // Cancel leaves no text: the page's prompt() gives null.
      if (ok)
        webkit_script_dialog_prompt_set_text(dialog_.get(), txtScriptInput.get_text().c_str());
      break;
    default:
      break;
  }
  const bool silence = chkScriptSilence.get_visible() && chkScriptSilence.get_active();
  webkit_script_dialog_close(dialog_.get());
  dialog_.reset();
  shade_.hide();
  txtScriptInput.set_text("");  // what was typed for the page is not kept here
  answered.emit(silence);
}

}  // namespace kv
