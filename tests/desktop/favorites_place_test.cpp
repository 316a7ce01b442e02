#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "desktop/app_folder.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

constexpr uid_t kNobody = 65534;

// A program folder and a home folder laid out as a system-wide install meets a user who
// is not root. Run as root, the probe runs as `nobody`; run as any other user, it runs as
// that user, and the folder modes alone keep the program folder from being written.
class FavoritesPlaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_chmod(dir.path().c_str(), 0755);
    ASSERT_EQ(g_mkdir(app.c_str(), 0755), 0);
    ASSERT_EQ(g_mkdir(home.c_str(), 0755), 0);
    if (getuid() == 0) {
      ASSERT_EQ(::chown(home.c_str(), kNobody, kNobody), 0);
    }
    // Copied out of the build tree, which another user may not be able to reach.
    std::filesystem::copy_file(KV_FAVORITES_PLACE_PROBE, probe);
    g_chmod(probe.c_str(), 0755);
  }
  // So that a user who is not root can clear the folder away.
  void TearDown() override { g_chmod(app.c_str(), 0755); }

  void put_beside(const std::string& bytes, int mode) {
    test::write_bytes(beside, bytes);
    g_chmod(beside.c_str(), mode);
  }

  // The path that the probe reports, or "" when it did not run.
  std::string favorites_file_as_user() {
    std::vector<std::string> args;
    if (getuid() == 0) {
      args = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    }
    args.insert(args.end(), {probe, app});
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string data_env = "XDG_DATA_HOME=" + data_home;
    const std::string home_env = "HOME=" + home;
    const char* envp[] = {data_env.c_str(), home_env.c_str(), "PATH=/usr/bin:/bin", nullptr};
    gchar* out = nullptr;
    gint status = -1;
    const bool ran =
        g_spawn_sync(nullptr, argv.data(), const_cast<gchar**>(envp), G_SPAWN_SEARCH_PATH_FROM_ENVP,
                     nullptr, nullptr, &out, nullptr, &status, nullptr);
    std::string path = ran && g_spawn_check_wait_status(status, nullptr) ? out : "";
    g_free(out);
    if (!path.empty() && path.back() == '\n') path.pop_back();
    return path;
  }

  test::TempDir dir;
  std::string app = dir.file("app");
  std::string beside = app + "/fav.Dat";
  std::string home = dir.file("home");
  std::string data_home = home + "/data";
  std::string own = data_home + "/kestrivane/fav.Dat";
  std::string probe = dir.file("probe");
};

TEST_F(FavoritesPlaceTest, AWritableProgramFolderKeepsFavDatBesideTheProgram) {
  g_chmod(app.c_str(), 0777);
  put_beside("a\r\n", 0666);
  EXPECT_EQ(favorites_file_as_user(), beside);
  EXPECT_FALSE(std::filesystem::exists(data_home)) << "no folder of the user's is made";
  // As the running user, against the same rule.
  EXPECT_EQ(favorites_file_for(app, data_home + "/kestrivane"), beside);
}

TEST_F(FavoritesPlaceTest, AnInstalledProgramsFavouritesAreCopiedToTheUserOnceAndKeptThere) {
  put_beside("a\r\nbc\r\n", 0644);
  g_chmod(app.c_str(), 0555);

  ASSERT_EQ(favorites_file_as_user(), own);
  EXPECT_EQ(test::read_bytes(own), "a\r\nbc\r\n") << "copied byte for byte";
  EXPECT_EQ(test::read_bytes(beside), "a\r\nbc\r\n");

  // The user's own favourites from then on win over the copy beside the program.
  test::write_bytes(own, "mine\r\n");
  EXPECT_EQ(favorites_file_as_user(), own);
  EXPECT_EQ(test::read_bytes(own), "mine\r\n");
}

TEST_F(FavoritesPlaceTest, AReadOnlyFavDatInAWritableFolderIsCopiedRatherThanSavedOver) {
  g_chmod(app.c_str(), 0777);
  put_beside("kept\r\n", 0444);
  ASSERT_EQ(favorites_file_as_user(), own);
  EXPECT_EQ(test::read_bytes(own), "kept\r\n");
}

TEST_F(FavoritesPlaceTest, WhatCannotBeCopiedLeavesTheUsersCopyToTheFirstSave) {
  g_chmod(app.c_str(), 0555);
  EXPECT_EQ(favorites_file_as_user(), own) << "nothing beside the program";
  EXPECT_FALSE(std::filesystem::exists(own));

  g_chmod(app.c_str(), 0755);
  put_beside("secret\r\n", 0000);  // unreadable for the user
  g_chmod(app.c_str(), 0555);
  EXPECT_EQ(favorites_file_as_user(), own);
  EXPECT_FALSE(std::filesystem::exists(own));

  // A fav.Dat that is no plain file (a pipe would block the copy) is left alone.
  g_chmod(app.c_str(), 0755);
  ASSERT_EQ(::unlink(beside.c_str()), 0);
  ASSERT_EQ(::mkfifo(beside.c_str(), 0644), 0);
  g_chmod(app.c_str(), 0555);
  EXPECT_EQ(favorites_file_as_user(), own);
  EXPECT_FALSE(std::filesystem::exists(own));
}

}  // namespace
}  // namespace kv
