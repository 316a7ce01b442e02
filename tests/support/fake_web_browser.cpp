#include "support/fake_web_browser.h"

namespace kv::test {

FakeWebBrowser::FakeWebBrowser() {
  area_.set_can_focus(true);
  area_.show();
}

void FakeWebBrowser::record(Call call) const {
  const std::string member = call.member;
  calls.push_back(std::move(call));
  if (refused.count(member) != 0) throw std::runtime_error(member + " refused");
}

void FakeWebBrowser::Navigate(const Glib::ustring& url) {
  Call call{"Navigate"};
  call.text = url;
  record(std::move(call));
}

void FakeWebBrowser::Navigate2(const std::vector<std::uint8_t>& item_id_list) {
  Call call{"Navigate2"};
  call.bytes = item_id_list;
  record(std::move(call));
}

std::vector<std::uint8_t> FakeWebBrowser::SessionState() const {
  record("SessionState");
  return session_state;
}

bool FakeWebBrowser::RestoreSessionState(const std::vector<std::uint8_t>& state) {
  Call call{"RestoreSessionState"};
  call.bytes = state;
  record(std::move(call));
  if (state.empty()) return false;
  session_state = state;
  return true;
}

void FakeWebBrowser::ShowRestoreNotice(RestoreOffer offer) {
  record("ShowRestoreNotice");
  restore_offer = std::move(offer);
}

void FakeWebBrowser::SetDesignMode(const Glib::ustring& value) {
  Call call{"SetDesignMode"};
  call.text = value;
  record(std::move(call));
}

Glib::ustring FakeWebBrowser::LocationURL() const {
  record("LocationURL");
  return location_url;
}

Glib::ustring FakeWebBrowser::LocationName() const {
  record("LocationName");
  return location_name;
}

void FakeWebBrowser::SetFocus() {
  record("SetFocus");
  area_.grab_focus();
}

void FakeWebBrowser::SetVisible(bool visible) {
  Call call{"SetVisible"};
  call.text = visible ? "true" : "false";
  record(std::move(call));
  area_.set_visible(visible);
}

void FakeWebBrowser::exec_wb(std::int32_t cmd, std::int32_t opt, std::optional<ExecArg> in,
                             std::optional<ExecArg> out) {
  Call call{"ExecWB"};
  call.cmd = cmd;
  call.opt = opt;
  call.in = in;
  call.out = out;
  if (cmd == olecmd::kZoom && in && std::holds_alternative<std::int32_t>(*in)) {
    text_size = std::get<std::int32_t>(*in);
  }
  record(std::move(call));
}

std::vector<std::string> FakeWebBrowser::members() const {
  std::vector<std::string> names;
  names.reserve(calls.size());
  for (const Call& call : calls) names.push_back(call.member);
  return names;
}

std::vector<FakeWebBrowser::Call> FakeWebBrowser::calls_of(const std::string& member) const {
  std::vector<Call> result;
  for (const Call& call : calls) {
    if (call.member == member) result.push_back(call);
  }
  return result;
}

std::vector<Glib::ustring> FakeWebBrowser::texts_of(const std::string& member) const {
  std::vector<Glib::ustring> texts;
  for (const Call& call : calls) {
    if (call.member == member) texts.push_back(call.text);
  }
  return texts;
}

}  // namespace kv::test
