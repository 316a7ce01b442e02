#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/program.h"
#include "browser/form1.h"
#include "engine/control/web_browser.h"
#include "support/fake_web_browser.h"
#include "support/recording_program_launcher.h"
#include "support/scripted_desktop_services.h"
#include "support/temp_dir.h"

namespace kv::test {

// Makes a recording fake for every browser control the program asks for, and notes the
// control each was to be related to.
class FakeBrowsers : public WebBrowserFactory {
 public:
  std::unique_ptr<WebBrowser> create(WebBrowser* related) override {
    relations.push_back(related);
    auto made = std::make_unique<FakeWebBrowser>();
    // As the engine's: a page's window is private when its opener is.
    made->private_profile = related != nullptr && related->IsPrivate();
    return made;
  }
  std::unique_ptr<WebBrowser> create_private() override {
    relations.push_back(nullptr);
    auto made = std::make_unique<FakeWebBrowser>();
    made->private_profile = true;
    return made;
  }

  std::vector<WebBrowser*> relations;
};

// The program object on recording fakes, keeping its files in a fresh folder; `quits`
// counts its requests to leave the main loop. The launcher is declared before the
// program so that it outlives the windows that a test hands it to.
class ProgramWithFakes : public ::testing::Test {
 protected:
  static FakeWebBrowser& web_of(Form1& form) { return dynamic_cast<FakeWebBrowser&>(form.wWeb); }

  TempDir folder;
  ScriptedDesktopServices services;
  FakeBrowsers browsers;
  RecordingProgramLauncher launcher;
  int quits = 0;
  Program program{services, browsers, folder.path(), [this] { ++quits; }};
};

}  // namespace kv::test
