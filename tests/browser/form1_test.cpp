#include "browser/form1.h"

#include <atk/atk.h>
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "desktop/control_name.h"
#include "desktop/mnemonic.h"
#include "desktop/widget_style.h"
#include "support/fake_form.h"
#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {
namespace {

using test::FakeForm;

struct Layout {
  Gtk::Widget* widget;
  int left, top, width, height;  // twips
};

class Form1Layout : public ::testing::Test {
 protected:
  void SetUp() override {
    f.form.show();
    ASSERT_TRUE(test::run_until([&] { return f.form.get_mapped(); }));
    test::flush_events();
  }
  FakeForm f;
};

TEST_F(Form1Layout, EveryControlSitsWhereTheLayoutPutsIt) {
  Form1& w = f.form;
  const std::map<std::string, Layout> expected{
      {"cmdBack", {&w.cmdBack, 360, 120, 735, 615}},
      {"cmdForward", {&w.cmdForward, 1200, 120, 735, 615}},
      {"cmdStop", {&w.cmdStop, 2040, 120, 735, 615}},
      {"cmdRefresh", {&w.cmdRefresh, 2880, 120, 735, 615}},
      {"cmdHome", {&w.cmdHome, 3720, 120, 735, 615}},
      {"cmdPopups", {&w.cmdPopups, 4560, 120, 735, 615}},
      {"cmdSearch", {&w.cmdSearch, 5400, 120, 735, 615}},
      {"cmdPrint", {&w.cmdPrint, 6240, 120, 735, 615}},
      {"cmdMail", {&w.cmdMail, 7080, 120, 735, 615}},
      {"txtSearch", {&w.txtSearch, 11520, 120, 2295, 405}},
      {"cmdGoogle", {&w.cmdGoogle, 13920, 120, 1095, 615}},
      {"lblDate", {&w.lblDate, 11520, 600, 1095, 255}},
      {"lblTimer", {&w.lblTimer, 12720, 600, 975, 255}},
      {"lblAddress", {&w.lblAddress, 360, 840, 1215, 375}},
      {"cboURL", {&w.cboURL, 1680, 840, 12615, 375}},
      {"cmdGo", {&w.cmdGo, 14400, 840, 615, 375}},
      {"wWeb", {&w.wWeb.widget(), 360, 1320, 14655, 8655}},
      {"lblStatus", {&w.lblStatus, 360, 9960, 14655, 255}},
  };
  for (const auto& [name, at] : expected) {
    SCOPED_TRACE(name);
    EXPECT_EQ(control_name_of(at.widget), name);
    int x = -1;
    int y = -1;
    ASSERT_TRUE(at.widget->translate_coordinates(w.client_area(), 0, 0, x, y));
    EXPECT_EQ(x, at.left / 15);
    EXPECT_EQ(y, at.top / 15);
    EXPECT_EQ(at.widget->get_allocated_width(), at.width / 15);
    EXPECT_EQ(at.widget->get_allocated_height(), at.height / 15);
  }
  EXPECT_EQ(w.client_area().get_allocated_width(), 1016);
  EXPECT_EQ(w.client_area().get_allocated_height(), 695);
}

TEST_F(Form1Layout, OpensWithItsCaptionsStatesAndColours) {
  Form1& w = f.form;
  EXPECT_EQ(w.get_title(), "Kestrivane™ (Beta) - Written by Pellimar in 2004.");
  EXPECT_EQ(w.cmdBack.get_label(), "Back");
  EXPECT_EQ(w.cmdPopups.get_label(), "Pop-ups Disabled");
  EXPECT_EQ(w.cmdPopups.get_tooltip_text(), "Enable/Diable Pop-Ups");
  EXPECT_EQ(w.cmdGoogle.get_label(), "Google Search");
  EXPECT_EQ(w.cmdGo.get_tooltip_text(), "Go!");
  EXPECT_EQ(w.lblDate.get_text(), "Date");
  EXPECT_EQ(w.lblTimer.get_text(), "Time");
  EXPECT_EQ(w.lblAddress.get_text(), "Address:");
  EXPECT_EQ(w.lblStatus.get_text(), "Done");
  EXPECT_TRUE(w.cboURL_entry().get_text().empty());
  EXPECT_TRUE(w.txtSearch.get_text().empty());

  EXPECT_FALSE(w.cmdBack.get_sensitive());
  EXPECT_FALSE(w.cmdForward.get_sensitive());
  EXPECT_TRUE(w.cmdStop.get_sensitive());
  EXPECT_FALSE(w.cmdCloseFavs.get_visible());
  EXPECT_FALSE(w.cmdCloseFavs.get_sensitive());
  EXPECT_EQ(w.cmdCloseFavs.get_label(), "Close IE Favorites");
  EXPECT_FALSE(w.WB1.widget().get_visible());

  EXPECT_EQ(back_color(w.cmdBack), 0x00FF0000U);
  EXPECT_EQ(back_color(w.cmdGo), 0x00C00000U);
  EXPECT_EQ(back_color(w.cmdCloseFavs), 0x000000FFU);
  EXPECT_EQ(fore_color(w.lblDate), 0x0000C000U);
  EXPECT_EQ(fore_color(w.lblStatus), 0x0000FFFFU);
  EXPECT_EQ(back_color(w.lblStatus), 0x00FF0000U);
  EXPECT_FALSE(back_color(w.lblAddress).has_value());
  EXPECT_EQ(w.Timer1.interval(), 1000U);
  EXPECT_TRUE(w.Timer1.enabled());
}

TEST_F(Form1Layout, GoIsTheDefaultButtonAndHasTheFocus) {
  EXPECT_TRUE(f.form.cmdGo.has_default());
  EXPECT_EQ(f.form.active_control_name(), "cmdGo");
  f.form.cboURL_entry().grab_focus();
  EXPECT_EQ(f.form.active_control_name(), "cboURL");
  f.web.SetFocus();
  EXPECT_EQ(f.form.active_control_name(), "wWeb");
}

TEST_F(Form1Layout, TabMovesThroughTheControlsInOrder) {
  // Let the window system's focus events for the new window settle first: a busy
  // machine hands the focus over later than an idle one.
  (void)test::run_until([&] { return f.form.has_toplevel_focus(); }, std::chrono::seconds(2));
  (void)test::run_until([] { return false; }, std::chrono::milliseconds(300));
  test::press_key(f.form, GDK_KEY_Tab);
  ASSERT_EQ(f.form.active_control_name(), "cmdHome");
  f.form.cmdGo.grab_focus();
  const std::vector<std::string> order{"cmdGo",      "cmdHome", "wWeb",      "cboURL",
                                       "cmdRefresh", "cmdStop", "cmdPopups", "cmdSearch",
                                       "cmdPrint",   "cmdMail", "txtSearch", "cmdGoogle"};
  // Back and Forward are disabled at start, WB1 and the pane's button hidden.
  for (std::size_t i = 1; i < order.size(); ++i) {
    test::press_key(f.form, GDK_KEY_Tab);
    EXPECT_EQ(f.form.active_control_name(), order[i]) << "after " << order[i - 1];
  }
}

// Every menu item as name, caption and shortcut, in menu order.
struct MenuLine {
  std::string name;
  std::string caption;
  std::string accel;
};

void collect(Gtk::MenuShell& shell, std::vector<MenuLine>& out) {
  for (Gtk::Widget* child : shell.get_children()) {
    auto* item = dynamic_cast<Gtk::MenuItem*>(child);
    if (item == nullptr) continue;
    std::string accel;
    // The shortcut is the accelerator that the window's group holds for this item.
    GList* closures = gtk_widget_list_accel_closures(GTK_WIDGET(item->gobj()));
    for (GList* c = closures; c != nullptr; c = c->next) {
      auto* closure = static_cast<GClosure*>(c->data);
      GtkAccelGroup* group = gtk_accel_group_from_accel_closure(closure);
      GtkAccelKey* key = gtk_accel_group_find(
          group, [](GtkAccelKey*, GClosure* cl, gpointer data) -> gboolean { return cl == data; },
          closure);
      if (key != nullptr) {
        gchar* text = gtk_accelerator_get_label(key->accel_key, key->accel_mods);
        accel = text;
        g_free(text);
      }
    }
    g_list_free(closures);
    out.push_back(
        {control_name_of(item),
         dynamic_cast<Gtk::SeparatorMenuItem*>(item) ? "-" : std::string(item->get_label()),
         accel});
    if (Gtk::Menu* sub = item->get_submenu()) collect(*sub, out);
  }
}

TEST(Form1Menus, HoldTheWholeTreeWithMnemonicsAndShortcuts) {
  FakeForm f;
  std::vector<MenuLine> lines;
  collect(f.form.menu_bar, lines);
  const std::vector<MenuLine> expected{
      {"mnuFile", "_File", ""},
      {"mnuFileNew", "New", ""},
      {"mnuFileNewNewWindow", "_New Window", "Ctrl+N"},
      {"mnuFileNewPrivateWindow", "New _Private Window", "Shift+Ctrl+N"},
      {"mnuFileNewSeparator", "-", ""},
      {"mnuFileNewMessage", "_Message", ""},
      {"mnuFileOpen", "_Open", "Ctrl+O"},
      {"mnuFileSeparator", "-", ""},
      {"mnuFileEdit", "E_dit ON", ""},
      {"mnuFileEditOFF", "Ed_it OFF", ""},
      {"mnuSeparator4", "-", ""},
      {"mnuFileSave", "_Save", "Ctrl+S"},
      {"mnuFileSaveAs", "S_ave As...", ""},
      {"mnuFileImportExport", "_Import and Export...", ""},
      {"mnuFileSeparator2", "-", ""},
      {"mnuFilePageSetup", "Page Set_up", ""},
      {"mnuFilePrint", "_Print", "Ctrl+P"},
      {"mnuFilePrintPreview", "Print Pre_view", ""},
      {"mnuFileSeparator3", "-", ""},
      {"mnuProperties", "P_roperties", ""},
      {"mnuFileWorkOffline", "_Work Offline", ""},
      {"mnuFileClose", "_Close", ""},
      {"mnuEdit", "_Edit", ""},
      {"mnuEditUndo", "_Undo", ""},
      {"mnuEditSeparator0", "-", ""},
      {"mnuEditCut", "Cu_t", "Ctrl+X"},
      {"mnuEditCopy", "_Copy", "Ctrl+C"},
      {"mnuEditPaste", "_Paste", "Ctrl+V"},
      {"mnuEditSeparator", "-", ""},
      {"mnuEditSelectAll", "Select _All", "Ctrl+A"},
      {"mnuEditSelectNone", "Select None", ""},
      {"mnuEditSeparator2", "-", ""},
      {"mnuEditFind", "_Find (on this page)", ""},
      {"mnuView", "_View", ""},
      {"mnuViewGoTo", "G_o To", ""},
      {"mnuViewGoToBack", "_Back", ""},
      {"mnuViewGoToForward", "_Forward", ""},
      {"mnuViewGoToSeparator", "-", ""},
      {"mnuViewGoToHome", "_HomePage", ""},
      {"mnuViewSeparator", "-", ""},
      {"mnuViewStop", "Sto_p", ""},
      {"mnuViewRefresh", "_Refresh", "F5"},
      {"mnuViewTextSize", "Te_xt Size", ""},
      {"mnuViewTextSizeFont(0)", "Lar_gest", ""},
      {"mnuViewTextSizeFont(1)", "_Larger", ""},
      {"mnuViewTextSizeFont(2)", "_Medium", ""},
      {"mnuViewTextSizeFont(3)", "_Smaller", ""},
      {"mnuViewTextSizeFont(4)", "Sm_allest", ""},
      {"mnuViewSeparator2", "-", ""},
      {"mnuViewToolbars", "_Toolbars", ""},
      {"mnuViewToolbarsSelect", "_Select", ""},
      {"mnuFavorites", "F_avorites", ""},
      {"mnuFavoritesAddFavorites", "_Add to Favorites", ""},
      {"mnuFavoritesShowFavorites", "_Show Favorites", ""},
      {"mnuFavoritesInternetExplorerFavorites", "Internet _Explorer Favorites", ""},
      {"mnuFavoritesSeparator", "-", ""},
      {"mnuTools", "_Tools", ""},
      {"mnuToolsMailNews", "_Mail & News", ""},
      {"mnuToolsAddressBook", "_Address Book", ""},
      {"mnuToolsSeparator0", "-", ""},
      {"mnuToolsChangeTheme", "_Change Kestrivane Color", ""},
      {"mnuToolsSeparator", "-", ""},
      {"mnuToolsHistory", "Show _History", ""},
      {"mnuToolsSeparator2", "-", ""},
      {"mnuToolsInternetOption", "Internet _Options", ""},
      {"mnuHelp", "_Help", ""},
      {"mnuHelpWebsite", "Visit _Website", ""},
      {"mnuSendEmail", "Send _Email to programmer", ""},
      {"mnuHelpSeparator", "-", ""},
      {"mnuHelpAbout", "_About Kestrivane", ""},
  };
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(lines[i].name, expected[i].name) << i;
    EXPECT_EQ(lines[i].caption, expected[i].caption) << expected[i].name;
    EXPECT_EQ(lines[i].accel, expected[i].accel) << expected[i].name;
  }
  EXPECT_FALSE(f.form.mnuFileSave.get_sensitive());
  EXPECT_FALSE(f.form.mnuFileWorkOffline.get_active());
}

TEST(Form1Accessibility, ControlsAndMenuItemsCarryTheirNamesAsAccessibleIds) {
  FakeForm f;
  for (Gtk::Widget* widget : std::initializer_list<Gtk::Widget*>{
           &f.form.cmdGo, &f.form.cboURL, &f.form.lblStatus, &f.form.wWeb.widget(),
           &f.form.mnuFileClose, &f.form.mnuViewTextSizeFont[2]}) {
    AtkObject* accessible = gtk_widget_get_accessible(widget->gobj());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(std::string(atk_object_get_accessible_id(accessible)), widget->get_name());
  }
}

TEST(Form1Accessibility, EveryControlIsReadOutByItsCaptionOrElseItsTooltip) {
  FakeForm f;
  Form1& w = f.form;
  auto names = [&w] {
    std::string all;
    for (Gtk::Widget* c : std::initializer_list<Gtk::Widget*>{
             &w.cmdBack, &w.cmdForward, &w.cmdStop, &w.cmdRefresh, &w.cmdHome, &w.cmdPopups,
             &w.cmdSearch, &w.cmdPrint, &w.cmdMail, &w.cmdGoogle, &w.cmdGo, &w.cmdCloseFavs,
             &w.txtSearch, &w.cboURL, &w.cboURL_entry(), &w.lblDate, &w.lblTimer, &w.lblAddress,
             &w.lblStatus}) {
      const char* name = atk_object_get_name(gtk_widget_get_accessible(c->gobj()));
      all += c->get_name() + "=" + (name != nullptr ? name : "") + "; ";
    }
    return all;
  };
  // Go shows a picture only: its tooltip, never the icon's "Jump to".
  EXPECT_EQ(names(),
            "cmdBack=Back; cmdForward=Forward; cmdStop=Stop; cmdRefresh=Refresh; cmdHome=Home; "
            "cmdPopups=Pop-ups Disabled; cmdSearch=Search; cmdPrint=Print; cmdMail=Mail; "
            "cmdGoogle=Google Search; cmdGo=Go!; cmdCloseFavs=Close IE Favorites; "
            "txtSearch=Google Search; cboURL=Address; cboURL=Address; lblDate=Date; "
            "lblTimer=Time; lblAddress=Address:; lblStatus=Done; ");
  w.cmdPopups.set_label("Pop-ups Enabled");  // read out as it now stands
  EXPECT_NE(names().find("cmdPopups=Pop-ups Enabled;"), std::string::npos);
}

TEST(Form1PrivateMark, SaysPrivateBesideTheAddressForAssistiveTechnologyAndInEveryCaption) {
  FakeForm hidden(true);
  Form1& w = hidden.form;
  w.show();
  ASSERT_TRUE(test::run_until([&] { return w.lblPrivate.get_mapped(); }));
  test::flush_events();
  int x = -1;
  int y = -1;
  ASSERT_TRUE(w.lblPrivate.translate_coordinates(w.client_area(), 0, 0, x, y));
  EXPECT_EQ(
      std::vector<int>({x, y, w.lblPrivate.get_allocated_width(), w.cboURL.get_allocated_width()}),
      std::vector<int>({880, 56, 73, 761}));
  AtkObject* mark = gtk_widget_get_accessible(GTK_WIDGET(w.lblPrivate.gobj()));
  EXPECT_STREQ(atk_object_get_name(mark), "Private window");
  EXPECT_EQ(w.get_title(), std::string(kOpeningCaption) + " (Private)");
  w.set_title("Page - Kestrivane (Beta)");
  EXPECT_EQ(w.get_title(), "Page - Kestrivane (Beta) (Private)");
  EXPECT_FALSE(FakeForm().form.lblPrivate.get_parent());
}

}  // namespace
}  // namespace kv
