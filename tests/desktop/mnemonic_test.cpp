#include "desktop/mnemonic.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(MnemonicCaption, MarksTheCharacterAfterTheFirstAmpersand) {
  EXPECT_EQ(mnemonic_caption("&File"), "_File");
  EXPECT_EQ(mnemonic_caption("S&ave As..."), "S_ave As...");
  EXPECT_EQ(mnemonic_caption("Select None"), "Select None");
}

TEST(MnemonicCaption, KeepsLiteralAmpersandsAndUnderscores) {
  // An ampersand before a blank is text, as is a doubled one.
  EXPECT_EQ(mnemonic_caption("&Mail & News"), "_Mail & News");
  EXPECT_EQ(mnemonic_caption("AT&&T"), "AT&T");
  EXPECT_EQ(mnemonic_caption("a_b &c"), "a__b _c");
  EXPECT_EQ(mnemonic_caption("trailing&"), "trailing&");
}

}  // namespace
}  // namespace kv
