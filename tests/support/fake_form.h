#pragma once

#include <memory>

#include "browser/form1.h"
#include "support/fake_web_browser.h"

namespace kv::test {

// A main window whose two browser controls are recording fakes.
struct FakeForm {
  FakeForm()
      : form(std::make_unique<FakeWebBrowser>(), std::make_unique<FakeWebBrowser>()),
        web(dynamic_cast<FakeWebBrowser&>(form.wWeb)),
        pane(dynamic_cast<FakeWebBrowser&>(form.WB1)) {
    web.calls.clear();
    pane.calls.clear();
  }

  Form1 form;
  FakeWebBrowser& web;
  FakeWebBrowser& pane;
};

}  // namespace kv::test
