#include "desktop/widget_style.h"

#include <gtest/gtest.h>
#include <gtkmm/button.h>
#include <gtkmm/offscreenwindow.h>

#include "desktop/win_units.h"

namespace kv {
namespace {

TEST(WinUnits, ConvertsTwipsAndColours) {
  EXPECT_EQ(twips(15240), 1016);
  EXPECT_EQ(twips(735), 49);
  EXPECT_EQ(css_color(0x00FF0000), "rgb(0,0,255)");
  EXPECT_EQ(css_color(0x0000FFFF), "rgb(255,255,0)");
  EXPECT_EQ(from_rgb(0x12, 0x34, 0x56), 0x00563412U);
}

TEST(WidgetStyle, BackgroundIsDrawnAndCanBeReadBack) {
  Gtk::OffscreenWindow window;
  Gtk::Button button("x");
  window.add(button);
  EXPECT_FALSE(back_color(button).has_value());
  set_back_color(button, 0x00FF0000);
  set_back_color(button, 0x000000FF);  // replaces, does not stack
  window.show_all();
  ASSERT_EQ(back_color(button), 0x000000FFU);
  // Black must not read as "never set".
  set_fore_color(button, 0);
  EXPECT_EQ(fore_color(button), 0U);

  auto style = button.get_style_context();
  // The style sheet wins over the theme: the button's background is pure red.
  GdkRGBA rgba;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_style_context_get_background_color(style->gobj(), GTK_STATE_FLAG_NORMAL, &rgba);
  G_GNUC_END_IGNORE_DEPRECATIONS
  EXPECT_DOUBLE_EQ(rgba.red, 1.0);
  EXPECT_DOUBLE_EQ(rgba.green, 0.0);
  EXPECT_DOUBLE_EQ(rgba.blue, 0.0);
}

}  // namespace
}  // namespace kv
