#pragma once

#include <memory>

#include "browser/form1.h"
#include "support/fake_web_browser.h"

namespace kv::test {

// A main window whose two browser controls are recording fakes, private ones for a
// private window.
struct FakeForm {
  explicit FakeForm(bool private_window = false)
      : form(control(private_window), control(private_window)),
        web(dynamic_cast<FakeWebBrowser&>(form.wWeb)),
        pane(dynamic_cast<FakeWebBrowser&>(form.WB1)) {
    web.calls.clear();
    pane.calls.clear();
  }

  static std::unique_ptr<FakeWebBrowser> control(bool private_window) {
    auto made = std::make_unique<FakeWebBrowser>();
    made->private_profile = private_window;
    return made;
  }

  Form1 form;
  FakeWebBrowser& web;
  FakeWebBrowser& pane;
};

}  // namespace kv::test
