// The record of downloads being received, read at the next start.
#include "engine/downloads/unfinished_downloads.h"

#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

TEST(UnfinishedDownloadsTest, WhatARunLeftIsToldOnceAndOnlyWhileItsFileIsThere) {
  test::TempDir folder;
  const std::string record = folder.file("state/unfinished-downloads");
  // Folder names may hold tabs and line breaks; neither may split an entry.
  const std::string odd = folder.file("a\tb\nc");
  ASSERT_EQ(g_mkdir(odd.c_str(), 0700), 0);
  const UnfinishedDownload kept{odd + "/report.zip.Q1W2E3.part", odd + "/report.zip"};
  const UnfinishedDownload gone{folder.file("movie.mkv.A1B2C3.part"), folder.file("movie.mkv")};
  const UnfinishedDownload done{folder.file("notes.txt.Z9Y8X7.part"), folder.file("notes.txt")};
  for (const auto* download : {&kept, &gone, &done}) test::write_bytes(download->partial_path, "x");
  {
    UnfinishedDownloads run(record);
    run.add(kept);
    run.add(gone);
    run.add(done);
    run.remove(done.partial_path);
  }
  g_remove(gone.partial_path.c_str());  // the user deleted it meanwhile
  // The engine receives into a file of its own beside the partial one.
  test::write_bytes(kept.partial_path + ".wkdownload", "received so far");

  UnfinishedDownloads next(record);
  const auto left = next.take_left();
  ASSERT_EQ(left.size(), 1U);
  EXPECT_EQ(left[0].partial_path, kept.partial_path);
  EXPECT_EQ(left[0].chosen_path, kept.chosen_path);
  EXPECT_EQ(test::read_file(kept.partial_path), "received so far");
  EXPECT_TRUE(next.take_left().empty()) << "told once";
  EXPECT_FALSE(g_file_test(record.c_str(), G_FILE_TEST_EXISTS));
}

TEST(UnfinishedDownloadsTest, ARecordNotWrittenByUsNamesNoFile) {
  test::TempDir folder;
  const std::string record = folder.file("unfinished-downloads");
  const std::string elsewhere = folder.file("secret.txt");
  test::write_bytes(elsewhere, "x");
  // Lines that name files no download of ours writes, and one without a tab.
  test::write_bytes(record, elsewhere + "\t" + elsewhere + "\nrelative.part\tx\nno tab here\n");
  EXPECT_TRUE(UnfinishedDownloads(record).take_left().empty());
  // A folder in the record's place holds nothing to tell, and takes no write.
  const std::string folder_record = folder.file("a-folder");
  ASSERT_EQ(g_mkdir(folder_record.c_str(), 0700), 0);
  UnfinishedDownloads odd(folder_record);
  odd.add({folder.file("x.part"), folder.file("x")});
  EXPECT_TRUE(odd.take_left().empty());
}

}  // namespace
}  // namespace kv
