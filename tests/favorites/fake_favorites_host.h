#pragma once

#include <memory>
#include <string>
#include <vector>

#include "favorites/favorites_host.h"
#include "favorites/frm_fav.h"
#include "support/fake_form.h"
#include "support/scripted_desktop_services.h"
#include "support/temp_dir.h"

namespace kv::test {

// A program object in miniature: the favourites window, main windows with recording
// browser controls, scripted dialogs and a temporary application folder.
class FakeFavoritesHost : public FavoritesHost {
 public:
  FakeFavoritesHost() { open_first_main_window(); }

  frmFav* favorites_window() override { return fav.get(); }
  frmFav& create_favorites_window() override {
    ++windows_created;
    fav = std::make_unique<frmFav>();
    return *fav;
  }
  void unload_favorites_window() override {
    fav->hide();
    unloaded.push_back(std::move(fav));
  }
  Form1* first_main_window() override { return first; }
  Form1& open_first_main_window() override {
    forms.push_back(std::make_unique<FakeForm>());
    first = &forms.back()->form;
    first->show();
    return *first;
  }
  DesktopServices& services() override { return scripted; }
  [[nodiscard]] std::string favorites_file() const override { return folder.file("fav.Dat"); }

  // The recording browser control of a main window.
  static FakeWebBrowser& web_of(Form1& form) { return dynamic_cast<FakeWebBrowser&>(form.wWeb); }

  TempDir folder;
  ScriptedDesktopServices scripted;
  std::unique_ptr<frmFav> fav;
  std::vector<std::unique_ptr<frmFav>> unloaded;  // kept, so a test can look at them
  std::vector<std::unique_ptr<FakeForm>> forms;
  Form1* first = nullptr;
  int windows_created = 0;
};

}  // namespace kv::test
