#include "support/scripted_desktop_services.h"

namespace kv::test {

int ScriptedDesktopServices::MsgBox(Gtk::Window* parent, const Glib::ustring& prompt, int style,
                                    const Glib::ustring& title) {
  message_boxes.push_back({parent, prompt, style, title, {}});
  if (msgbox_answers.empty()) return msgbox::kAnswerOk;
  const int answer = msgbox_answers.front();
  msgbox_answers.pop_front();
  return answer;
}

Glib::ustring ScriptedDesktopServices::InputBox(Gtk::Window* parent, const Glib::ustring& prompt,
                                                const Glib::ustring& title,
                                                const Glib::ustring& default_text) {
  input_boxes.push_back({parent, prompt, 0, title, default_text});
  if (input_answers.empty()) return {};
  Glib::ustring answer = input_answers.front();
  input_answers.pop_front();
  return answer;
}

std::optional<std::uint32_t> ScriptedDesktopServices::ShowColor(Gtk::Window* parent) {
  color_choosers.push_back(parent);
  if (color_answers.empty()) return std::nullopt;
  auto answer = color_answers.front();
  color_answers.pop_front();
  return answer;
}

}  // namespace kv::test
