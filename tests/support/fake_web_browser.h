#pragma once

#include <gtkmm/drawingarea.h>

#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/control/web_browser.h"

namespace kv::test {

// A browser control that records every call made on it, can be told to refuse some
// members (they throw, as a failing control would), and lets a test fire its events.
class FakeWebBrowser : public WebBrowser {
 public:
  struct Call {
    explicit Call(std::string name) : member(std::move(name)) {}

    std::string member;
    Glib::ustring text;               // Navigate's address, SetDesignMode's value
    std::vector<std::uint8_t> bytes;  // Navigate2's item-id list
    std::int32_t cmd = 0;             // ExecWB
    std::int32_t opt = 0;
    std::optional<ExecArg> in;
    std::optional<ExecArg> out;
  };

  FakeWebBrowser();

  Gtk::Widget& widget() override { return area_; }
  void Navigate(const Glib::ustring& url) override;
  void Navigate2(const std::vector<std::uint8_t>& item_id_list) override;
  void GoBack() override { record("GoBack"); }
  void GoForward() override { record("GoForward"); }
  void GoHome() override { record("GoHome"); }
  void Stop() override { record("Stop"); }
  void Refresh() override { record("Refresh"); }
  [[nodiscard]] std::vector<std::uint8_t> SessionState() const override;
  bool RestoreSessionState(const std::vector<std::uint8_t>& state) override;
  void ShowRestoreNotice(RestoreOffer offer) override;
  void SetDesignMode(const Glib::ustring& value) override;
  [[nodiscard]] Glib::ustring LocationURL() const override;
  [[nodiscard]] Glib::ustring LocationName() const override;
  void ShowDeveloperTools() override { record("ShowDeveloperTools"); }
  [[nodiscard]] bool Busy() const override { return busy; }
  [[nodiscard]] std::int32_t TextSize() const override { return text_size; }
  void SetFocus() override;
  void SetVisible(bool visible) override;
  [[nodiscard]] bool Visible() const override { return area_.get_visible(); }
  [[nodiscard]] bool IsPrivate() const override { return private_profile; }

  // The members called, in order, without their arguments.
  [[nodiscard]] std::vector<std::string> members() const;
  // Only the calls of one member.
  [[nodiscard]] std::vector<Call> calls_of(const std::string& member) const;
  // The text argument of each call of one member (Navigate's addresses, ...).
  [[nodiscard]] std::vector<Glib::ustring> texts_of(const std::string& member) const;

  mutable std::vector<Call> calls;
  // What SessionState gives; RestoreSessionState refuses an empty state and takes any other.
  std::vector<std::uint8_t> session_state;
  // The last offer shown by ShowRestoreNotice.
  std::optional<RestoreOffer> restore_offer;
  std::set<std::string> refused;  // members that throw after being recorded
  Glib::ustring location_url;
  Glib::ustring location_name;
  bool busy = false;
  bool private_profile = false;
  std::int32_t text_size = 2;  // ExecWB 19 sets it

 protected:
  void exec_wb(std::int32_t cmd, std::int32_t opt, std::optional<ExecArg> in,
               std::optional<ExecArg> out) override;

 private:
  void record(Call call) const;
  void record(const char* member) const { record(Call{member}); }

  Gtk::DrawingArea area_;
};

}  // namespace kv::test
