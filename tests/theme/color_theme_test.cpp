#include "theme/color_theme.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "desktop/control_name.h"
#include "desktop/widget_style.h"
#include "support/fake_form.h"
#include "support/scripted_desktop_services.h"
#include "support/widget_events.h"

namespace kv {
namespace {

struct Colours {
  std::optional<std::uint32_t> back, fore;
  bool operator==(const Colours&) const = default;
};

// Every widget of the window with its colours.
std::map<Gtk::Widget*, Colours> colours_of(Form1& form) {
  std::vector<Gtk::Widget*> widgets;
  test::collect_widgets(form, widgets);
  std::map<Gtk::Widget*, Colours> colours;
  for (Gtk::Widget* widget : widgets) colours[widget] = {back_color(*widget), fore_color(*widget)};
  return colours;
}

Glib::ustring font_family_of(Gtk::Widget& widget) {
  return widget.get_style_context()->get_font().get_family();
}

class ColorThemeTest : public ::testing::Test {
 protected:
  ColorThemeTest() {
    attach_color_theme(window.form, services);
    attach_color_theme(other.form, services);
  }

  std::set<Gtk::Widget*> recoloured(Form1& form) {
    return {&form.client_area(), &form.cmdBack, &form.cmdForward, &form.cmdGo,     &form.cmdStop,
            &form.cmdRefresh,    &form.cmdHome, &form.cmdPopups,  &form.cmdSearch, &form.cmdPrint,
            &form.cmdMail,       &form.lblDate, &form.lblTimer,   &form.lblStatus, &form.cmdGoogle};
  }

  test::FakeForm window;
  test::FakeForm other;
  test::ScriptedDesktopServices services;
};

TEST_F(ColorThemeTest, ChosenColourGoesOnTheWindowAndItsFourteenControlsOnly) {
  const auto before = colours_of(window.form);
  const auto other_before = colours_of(other.form);
  const Glib::ustring back_font = font_family_of(window.form.cmdBack);
  constexpr std::uint32_t kChosen = 0x00123456;
  services.color_answers.push_back(kChosen);

  window.form.mnuToolsChangeTheme.activate();

  ASSERT_EQ(services.color_choosers, std::vector<Gtk::Window*>{&window.form});
  const auto after = colours_of(window.form);
  const auto listed = recoloured(window.form);
  ASSERT_EQ(listed.size(), 15U);
  for (const auto& [widget, colours] : after) {
    const Colours& old = before.at(widget);
    EXPECT_EQ(colours.fore, old.fore) << control_name_of(widget) << ": text colour kept";
    if (listed.contains(widget)) {
      EXPECT_EQ(colours.back, kChosen) << control_name_of(widget);
    } else {
      EXPECT_EQ(colours.back, old.back) << control_name_of(widget) << " is not recoloured";
    }
  }
  // The ones that must keep theirs, by name, in case they carry no colour of their own.
  EXPECT_EQ(back_color(window.form.cmdCloseFavs), 0x000000FFU);
  EXPECT_NE(back_color(window.form.lblAddress), kChosen);
  EXPECT_NE(back_color(window.form.txtSearch), kChosen);
  EXPECT_NE(back_color(window.form.cboURL), kChosen);
  EXPECT_NE(back_color(window.form.wWeb.widget()), kChosen);
  EXPECT_EQ(font_family_of(window.form.cmdBack), back_font) << "no colour number in the font";
  EXPECT_EQ(colours_of(other.form), other_before) << "another window keeps its colours";
}

TEST_F(ColorThemeTest, CancelChangesNoColour) {
  services.color_answers.push_back(0x00ABCDEF);
  window.form.mnuToolsChangeTheme.activate();
  const auto before = colours_of(window.form);

  services.color_answers.push_back(std::nullopt);
  window.form.mnuToolsChangeTheme.activate();

  EXPECT_EQ(services.color_choosers.size(), 2U);
  EXPECT_EQ(colours_of(window.form), before);
  EXPECT_EQ(back_color(window.form.cmdGo), 0x00ABCDEFU);
}

TEST_F(ColorThemeTest, EachChoiceReplacesTheLastAndEvenBlackIsApplied) {
  for (std::uint32_t colour : {0x0000C000U, 0x00000000U}) {
    services.color_answers.push_back(colour);
    window.form.mnuToolsChangeTheme.activate();
    for (Gtk::Widget* widget : recoloured(window.form)) {
      EXPECT_EQ(back_color(*widget), colour) << control_name_of(widget);
    }
    // Text colours are never adjusted, even when they now match the background.
    EXPECT_EQ(fore_color(window.form.lblDate), 0x0000C000U);
    EXPECT_EQ(fore_color(window.form.lblStatus), 0x0000FFFFU);
  }
}

}  // namespace
}  // namespace kv
