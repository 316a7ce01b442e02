#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

std::string shell_quoted(const std::string& text) {
  gchar* made = g_shell_quote(text.c_str());
  std::string result = made;
  g_free(made);
  return result;
}

// A program folder as a system-wide install leaves it, met by a user who is not root:
// run as root, the probe runs as `nobody`; run as any other user, the folder modes alone
// keep the program folder from being written.
class FavoritesPlaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_chmod(dir.path().c_str(), 0755);
    ASSERT_EQ(g_mkdir(app.c_str(), 0755), 0);
    ASSERT_EQ(g_mkdir(home.c_str(), 0755), 0);
    if (getuid() == 0) {
      ASSERT_EQ(::chown(home.c_str(), 65534, 65534), 0);
      ASSERT_EQ(::chown(app.c_str(), 65534, 65534), 0);  // the user's own program folder
    }
    // Copied out of the build tree, which the other user may not reach.
    std::filesystem::copy_file(KV_FAVORITES_PLACE_PROBE, probe);
  }
  void TearDown() override { g_chmod(app.c_str(), 0755); }

  // Lays out the program folder, with a fav.Dat of `bytes` when given, and returns where
  // the probe, as the other user, puts fav.Dat ("" when it did not run).
  std::string place(int folder_mode, const char* bytes = nullptr, int file_mode = 0644) {
    g_chmod(app.c_str(), 0755);
    if (bytes != nullptr) {
      test::write_bytes(beside, bytes);
      g_chmod(beside.c_str(), file_mode);
    }
    g_chmod(app.c_str(), folder_mode);
    std::string command =
        getuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    command += "env XDG_DATA_HOME=" + shell_quoted(data_home) + " " + shell_quoted(probe) + " " +
               shell_quoted(app);
    gchar* out = nullptr;
    gint status = 0;
    if (!g_spawn_command_line_sync(command.c_str(), &out, nullptr, &status, nullptr)) return "";
    const std::string printed = out;
    g_free(out);
    return printed.substr(0, printed.find('\n'));
  }

  test::TempDir dir;
  std::string app = dir.file("app"), beside = app + "/fav.Dat";
  std::string home = dir.file("home"), data_home = home + "/data";
  std::string own = data_home + "/kestrivane/fav.Dat";
  std::string probe = dir.file("probe");
};

TEST_F(FavoritesPlaceTest, AWritableProgramFolderKeepsFavDatBesideTheProgram) {
  EXPECT_EQ(place(0755, "a\r\n", 0666), beside);
  EXPECT_FALSE(std::filesystem::exists(data_home)) << "no folder of the user's is made";
}

// Others could swap fav.Dat there: the user's own copy is used instead.
TEST_F(FavoritesPlaceTest, AProgramFolderThatOthersMayWriteToKeepsNoFavDat) {
  EXPECT_EQ(place(0777, "a\r\n", 0666), own) << "world-writable";
  EXPECT_EQ(place(0775), own) << "group-writable";
  GStatBuf info;
  ASSERT_EQ(g_stat(own.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U) << "the copy is the user's alone";
}

TEST_F(FavoritesPlaceTest, AnInstalledProgramsFavouritesAreCopiedToTheUserOnceAndKeptThere) {
  ASSERT_EQ(place(0555, "a\r\nbc\r\n"), own);
  EXPECT_EQ(test::read_bytes(own), "a\r\nbc\r\n") << "copied byte for byte";

  test::write_bytes(own, "mine\r\n");
  EXPECT_EQ(place(0555), own);
  EXPECT_EQ(test::read_bytes(own), "mine\r\n") << "the user's own copy wins from then on";
}

TEST_F(FavoritesPlaceTest, AReadOnlyFavDatInAWritableFolderIsCopiedRatherThanSavedOver) {
  ASSERT_EQ(place(0777, "kept\r\n", 0444), own);
  EXPECT_EQ(test::read_bytes(own), "kept\r\n");
}

TEST_F(FavoritesPlaceTest, WhatCannotBeCopiedLeavesTheUsersCopyToTheFirstSave) {
  EXPECT_EQ(place(0555), own) << "nothing beside the program";
  EXPECT_EQ(place(0555, "secret\r\n", 0000), own) << "unreadable for the user";
  EXPECT_FALSE(std::filesystem::exists(own));

  // A pipe would block the copy: only a plain file is copied.
  g_chmod(app.c_str(), 0755);
  ASSERT_EQ(::unlink(beside.c_str()), 0);
  ASSERT_EQ(::mkfifo(beside.c_str(), 0644), 0);
  EXPECT_EQ(place(0555), own);
  EXPECT_FALSE(std::filesystem::exists(own));
}

}  // namespace
}  // namespace kv
