#include "desktop/private_files.h"

#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "desktop/user_paths.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

unsigned mode_of(const std::string& path) {
  GStatBuf info;
  return g_lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 01000000;
}

// Whatever the umask, and whatever an earlier run left behind.
class PrivateFiles : public ::testing::Test {
 protected:
  PrivateFiles() : old_umask_(umask(022)) {}
  ~PrivateFiles() override { umask(old_umask_); }

  test::TempDir dir;

 private:
  mode_t old_umask_;
};

TEST_F(PrivateFiles, TheProfileFoldersAreMadeOrTightenedToTheUserAlone) {
  for (const std::string& folder : {user_config_dir(), user_data_dir(), user_cache_dir()}) {
    ASSERT_EQ(g_chmod(folder.c_str(), 0755), 0);
  }
  EXPECT_EQ(mode_of(user_config_dir()), 0700U);
  EXPECT_EQ(mode_of(user_data_dir()), 0700U);
  EXPECT_EQ(mode_of(user_cache_dir()), 0700U);
  EXPECT_EQ(mode_of(website_data_dir()), 0700U);
  test::write_bytes(dir.file("file"), "x");
  EXPECT_FALSE(make_private_folder(dir.file("file/c"))) << "no folder under a file";
}

TEST_F(PrivateFiles, DatabasesAndTheirJournalsAreTheUsersAloneAndLinksAreNotFollowed) {
  const std::string old = dir.file("old.sqlite");
  test::write_bytes(old, "kept");
  test::write_bytes(old + "-wal", "w");
  ASSERT_EQ(g_chmod(old.c_str(), 0664), 0);
  ASSERT_EQ(g_chmod((old + "-wal").c_str(), 0644), 0);
  make_private_database(old);
  EXPECT_EQ(mode_of(old), 0600U);
  EXPECT_EQ(mode_of(old + "-wal"), 0600U);
  EXPECT_EQ(test::read_bytes(old), "kept");

  const std::string target = dir.file("target");
  test::write_bytes(target, "t");
  ASSERT_EQ(g_chmod(target.c_str(), 0644), 0);
  ASSERT_EQ(symlink(target.c_str(), dir.file("link.sqlite").c_str()), 0);
  make_private_database(dir.file("link.sqlite"));
  EXPECT_EQ(mode_of(target), 0644U) << "what a link points at is not ours to change";
}

}  // namespace
}  // namespace kv
