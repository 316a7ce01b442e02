#include "desktop/product_art.h"

#include <gtest/gtest.h>
#include <gtkmm/icontheme.h>
#include <gtkmm/window.h>

namespace kv {
namespace {

TEST(ProductArtTest, TheIconResolvesByNameAtEverySizeFrom16To128) {
  install_product_icon();
  auto theme = Gtk::IconTheme::get_default();
  ASSERT_TRUE(theme->has_icon(kProductIconName));
  for (int size : {16, 24, 32, 48, 64, 128}) {
    auto icon = theme->load_icon(kProductIconName, size, Gtk::ICON_LOOKUP_FORCE_SIZE);
    ASSERT_TRUE(icon) << size;
    EXPECT_EQ(icon->get_width(), size);
    EXPECT_EQ(icon->get_height(), size);
    EXPECT_TRUE(icon->get_has_alpha());
  }
  EXPECT_STREQ(gtk_window_get_default_icon_name(), kProductIconName);
}

TEST(ProductArtTest, TheLogoStretchesToTheSizeAskedFor) {
  auto logo = product_logo(121, 127);
  ASSERT_TRUE(logo);
  EXPECT_EQ(logo->get_width(), 121);
  EXPECT_EQ(logo->get_height(), 127);
  EXPECT_TRUE(logo->get_has_alpha());
  EXPECT_FALSE(product_logo(0, 10));
}

}  // namespace
}  // namespace kv
