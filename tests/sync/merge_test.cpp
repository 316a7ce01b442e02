#include <gtest/gtest.h>

#include <string>

#include "sync/line_merge.h"
#include "sync/list_lines.h"
#include "two_machines.h"

namespace kv {
namespace {

using test::Machine;
using test::sync;

// Two machines that have synced once with a server file that held nothing.
class TwoMachines : public ::testing::Test {
 protected:
  void SetUp() override {
    sync(a, server, SyncMode::kUseLocal);
    sync(b, server, SyncMode::kUseServer);
  }

  // Both sync, a first, then a again so that it has what b brought.
  void sync_all() {
    sync(a, server);
    sync(b, server);
    sync(a, server);
  }

  // The id the server file gives the bookmark of `href`; "" without one.
  std::string id_of(const std::string& href) const {
    const SyncTree tree = flatten(read_xbel(server).document);
    for (const std::string& id : tree.ids()) {
      if (tree.find(id)->href == href) return id;
    }
    return "";
  }

  Machine a, b;
  std::string server;
};

TEST_F(TwoMachines, AFavouriteAddedOnOneIsOnTheOtherAfterASync) {
  a.favorites.put_folder("Work");
  a.favorites.put_link("Work/Wiki.url", "https://wiki.example/");
  a.favorites.list = {"www.", "http://news.example/"};
  sync(a, server);
  const test::Round round = sync(b, server);
  EXPECT_EQ(b.favorites.outline(),
            "Work/\n  Wiki.url <https://wiki.example/>\nlist: www. | http://news.example/ |");
  EXPECT_EQ(round.changes.added, 3U);
  // Nothing more to do on either side.
  EXPECT_FALSE(sync(a, server).plan.server_changes);
  const test::Round again = sync(b, server);
  EXPECT_FALSE(again.plan.server_changes);
  EXPECT_EQ(b.favorites.changes, 3);
}

TEST_F(TwoMachines, ADeletionOnOneStaysDeletedEverywhereAndNeverComesBack) {
  a.favorites.put_link("Keep.url", "https://keep.example/");
  a.favorites.put_link("Drop.url", "https://drop.example/");
  a.favorites.list = {"one", "two", "three"};
  sync_all();
  b.favorites.erase("Drop.url");
  b.favorites.list = {"one", "three"};
  sync(b, server);
  // a still holds its unchanged copies: they are not taken for new ones.
  sync_all();
  sync_all();
  for (Machine* machine : {&a, &b}) {
    EXPECT_EQ(machine->favorites.outline(),
              "Keep.url <https://keep.example/>\nlist: one | three |");
  }
  EXPECT_EQ(server.find("drop.example"), std::string::npos);
}

TEST_F(TwoMachines, AnItemDeletedOnOneAndChangedOnTheOtherStaysChanged) {
  a.favorites.put_link("Doc.url", "https://doc.example/v1");
  sync_all();
  a.favorites.erase("Doc.url");
  b.favorites.put_link("Doc.url", "https://doc.example/v2");
  sync(a, server);
  sync_all();
  EXPECT_EQ(a.favorites.outline(), "Doc.url <https://doc.example/v2>\nlist:");
  EXPECT_EQ(b.favorites.outline(), a.favorites.outline());
}

TEST_F(TwoMachines, AMoveIsAMoveAndKeepsItsIdOnTheServer) {
  a.favorites.put_folder("From");
  a.favorites.put_folder("To");
  a.favorites.put_link("From/Page.url", "https://page.example/");
  sync_all();
  const std::string id = id_of("https://page.example/");
  a.favorites.rename("From/Page.url", "To/Page.url");
  const test::Round round = sync(a, server);
  EXPECT_TRUE(round.plan.server_removals.empty());
  EXPECT_EQ(id_of("https://page.example/"), id);
  const test::Round there = sync(b, server);
  EXPECT_EQ(b.favorites.outline(), "From/\nTo/\n  Page.url <https://page.example/>\nlist:");
  EXPECT_EQ(there.changes.changed, 1U);
  EXPECT_EQ(there.changes.added + there.changes.removed, 0U);
}

TEST_F(TwoMachines, AFolderMovedOnOneAndRenamedOnTheOtherEndsMovedAndRenamed) {
  a.favorites.put_folder("Projects");
  a.favorites.put_link("Projects/Alpha.url", "https://alpha.example/");
  a.favorites.put_link("Projects/Beta.url", "https://beta.example/");
  a.favorites.put_folder("Archive");
  sync_all();
  a.favorites.rename("Projects", "Archive/Projects");
  b.favorites.rename("Projects", "Old projects");
  sync(a, server);
  sync_all();
  const std::string expected =
      "Archive/\n  Old projects/\n    Alpha.url <https://alpha.example/>\n"
      "    Beta.url <https://beta.example/>\nlist:";
  EXPECT_EQ(a.favorites.outline(), expected);
  EXPECT_EQ(b.favorites.outline(), expected);
}

TEST_F(TwoMachines, ChangesOnBothSidesAreAllKept) {
  a.favorites.put_link("Shared.url", "https://shared.example/");
  sync_all();
  a.favorites.put_link("From a.url", "https://a.example/");
  b.favorites.put_link("From b.url", "https://b.example/");
  // The same bookmark given two addresses: both stay.
  a.favorites.put_link("Shared.url", "https://shared.example/by-a");
  b.favorites.put_link("Shared.url", "https://shared.example/by-b");
  sync(a, server);
  const test::Round round = sync(b, server);
  EXPECT_EQ(round.plan.both_changed, 1U);
  sync_all();
  const std::string expected =
      "From a.url <https://a.example/>\nFrom b.url <https://b.example/>\n"
      "Shared (2).url <https://shared.example/by-b>\nShared.url <https://shared.example/by-a>\n"
      "list:";
  EXPECT_EQ(a.favorites.outline(), expected);
  EXPECT_EQ(b.favorites.outline(), expected);
}

TEST_F(TwoMachines, TheListKeepsItsOrderDuplicatesAndBytesOnEveryMachine) {
  // Lines of a file from the old platform: Windows-1252, an empty line, a duplicate.
  a.favorites.list = {"caf\xE9.example", "", "http://dup.example/", "http://dup.example/",
                      "http://last.example/"};
  sync_all();
  EXPECT_EQ(b.favorites.list, a.favorites.list);
  // Each side moves or adds a line; both changes come through in their places.
  a.favorites.list = {"http://last.example/", "caf\xE9.example", "", "http://dup.example/",
                      "http://dup.example/"};
  b.favorites.list = {"caf\xE9.example",     "",
                      "http://new.example/", "http://dup.example/",
                      "http://dup.example/", "http://last.example/"};
  sync(a, server);
  sync_all();
  const std::vector<std::string> expected = {
      "http://last.example/", "caf\xE9.example",     "",
      "http://new.example/",  "http://dup.example/", "http://dup.example/"};
  EXPECT_EQ(a.favorites.list, expected);
  EXPECT_EQ(b.favorites.list, expected);
  // The server shows the line as text and keeps its bytes beside it.
  EXPECT_NE(server.find("href=\"caf\xC3\xA9.example\""), std::string::npos) << server;
  EXPECT_NE(server.find("bytes=\"636166e92e6578616d706c65\""), std::string::npos);
}

TEST_F(TwoMachines, AFolderDeletedOnOneSideStaysWhileItHoldsSomethingNew) {
  a.favorites.put_folder("Trip");
  a.favorites.put_link("Trip/Hotel.url", "https://hotel.example/");
  a.favorites.put_link("Trip/Train.url", "https://train.example/");
  sync_all();
  a.favorites.erase("Trip");
  b.favorites.put_link("Trip/Museum.url", "https://museum.example/");
  sync(a, server);
  sync_all();
  EXPECT_EQ(a.favorites.outline(), "Trip/\n  Museum.url <https://museum.example/>\nlist:");
  EXPECT_EQ(b.favorites.outline(), a.favorites.outline());
}

TEST_F(TwoMachines, FoldersMovedIntoEachOtherTakeTheServersPlaces) {
  a.favorites.put_folder("One");
  a.favorites.put_folder("Two");
  a.favorites.put_link("One/x.url", "https://x.example/");
  a.favorites.put_link("Two/y.url", "https://y.example/");
  sync_all();
  a.favorites.rename("One", "Two/One");
  b.favorites.rename("Two", "One/Two");
  sync(a, server);
  sync_all();
  const std::string expected =
      "Two/\n  One/\n    x.url <https://x.example/>\n  y.url <https://y.example/>\nlist:";
  EXPECT_EQ(a.favorites.outline(), expected);
  EXPECT_EQ(b.favorites.outline(), expected);
}

TEST_F(TwoMachines, TitlesAFolderCannotHoldDoNotComeBackAsChanges) {
  std::string edited = server;
  XbelDocument document = read_xbel(server).document;
  XbelItem folder;
  folder.title = "Read/Write";
  XbelItem link;
  link.kind = XbelItem::Kind::kBookmark;
  link.title = "A/B testing";
  link.href = "https://ab.example/";
  folder.children.push_back(link);
  document.items.push_back(folder);
  server = write_xbel(document);
  sync(a, server);
  const std::string after_first = server;
  EXPECT_EQ(a.favorites.outline(),
            "Read\xE2\x88\x95Write/\n  A\xE2\x88\x95"
            "B testing.url <https://ab.example/>\nlist:");
  EXPECT_FALSE(sync(a, server).plan.server_changes);
  EXPECT_EQ(server, after_first);
}

TEST_F(TwoMachines, WhatAMachineCannotHoldStaysOnTheServer) {
  a.favorites.list = {"first"};
  sync_all();
  XbelDocument document = read_xbel(server).document;
  // Another program's separator and description, a folder inside the list, an address
  // of two lines, and the list folder renamed.
  XbelItem& list_folder = document.items.back();
  ASSERT_EQ(list_folder.title, kListFolderTitle);
  list_folder.title = "Kestrivane list (renamed in Firefox)";
  list_folder.children.push_back({XbelItem::Kind::kKept, "", "", "", {}, "<separator/>", {}});
  XbelItem sub;
  sub.id = "900";
  sub.title = "Sub";
  list_folder.children.push_back(sub);
  XbelItem two_lines;
  two_lines.kind = XbelItem::Kind::kBookmark;
  two_lines.id = "901";
  two_lines.title = "odd";
  two_lines.href = "http://one\nhttp://two";
  document.items.push_back(two_lines);
  server = write_xbel(document);

  a.favorites.list.push_back("second");
  sync(a, server);
  sync_all();
  EXPECT_EQ(a.favorites.list, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(b.favorites.list, a.favorites.list);
  for (const char* kept : {"<separator/>", "<title>Sub</title>", "http://one&#10;http://two",
                           "Kestrivane list (renamed in Firefox)"}) {
    EXPECT_NE(server.find(kept), std::string::npos) << kept;
  }
}

TEST_F(TwoMachines, ALargeRemovalIsSeenBeforeAnythingIsRemovedAndKeepingUndoesIt) {
  for (int i = 0; i < 20; ++i) {
    a.favorites.put_link("Link " + std::to_string(i) + ".url",
                         "https://l" + std::to_string(i) + ".example/");
  }
  sync_all();
  for (int i = 0; i < 8; ++i) a.favorites.erase("Link " + std::to_string(i) + ".url");
  sync(a, server);
  // b would lose 8 of its 20: the plan says so before b changes anything.
  const auto text_of = [&](std::string_view bytes) { return b.favorites.list_text(bytes); };
  const SyncPlan plan = plan_sync(read_xbel(server).document, b.base, b.was, b.favorites.read(),
                                  SyncMode::kNormal, text_of);
  EXPECT_EQ(plan.local_removals.size(), 8U);
  EXPECT_TRUE(large_removal(plan.local_removals.size(), 20));
  EXPECT_FALSE(large_removal(5, 20));
  EXPECT_FALSE(large_removal(8, 100));
  // Keeping them brings them back to the server and to a.
  MergeOptions keep;
  keep.keep_deleted = true;
  sync(b, server, SyncMode::kNormal, keep);
  sync(a, server);
  EXPECT_EQ(a.favorites.entries.size(), 20U);
  EXPECT_EQ(b.favorites.entries.size(), 20U);
}

TEST_F(TwoMachines, ALocalFailureLeavesTheBaseSoThatTheNextSyncFinishesTheJob) {
  a.favorites.put_link("One.url", "https://one.example/");
  a.favorites.list = {"line"};
  sync(a, server);
  b.favorites.failing = true;
  const test::Round failed = sync(b, server);
  EXPECT_FALSE(failed.changes.ok);
  b.favorites.failing = false;
  sync(b, server);
  EXPECT_EQ(b.favorites.outline(), "One.url <https://one.example/>\nlist: line |");
  EXPECT_EQ(b.favorites.outline(), a.favorites.outline());
}

class FirstSync : public ::testing::Test {
 protected:
  void SetUp() override {
    server_machine.favorites.put_folder("Shared");
    server_machine.favorites.put_link("Shared/Same.url", "https://same.example/");
    server_machine.favorites.put_link("Server only.url", "https://server.example/");
    server_machine.favorites.list = {"same line", "server line"};
    sync(server_machine, server, SyncMode::kUseLocal);

    here.favorites.put_folder("Shared");
    here.favorites.put_link("Shared/Same.url", "https://same.example/");
    here.favorites.put_link("Here only.url", "https://here.example/");
    here.favorites.list = {"same line", "here line"};
  }

  Machine server_machine, here;
  std::string server;
};

TEST_F(FirstSync, MergeKeepsBothSidesAndTheSameFavouritesOnce) {
  sync(here, server, SyncMode::kMerge);
  EXPECT_EQ(here.favorites.outline(),
            "Here only.url <https://here.example/>\nServer only.url <https://server.example/>\n"
            "Shared/\n  Same.url <https://same.example/>\n"
            "list: same line | here line | server line |");
  EXPECT_EQ(here.favorites.changes, 2);
}

TEST_F(FirstSync, UseTheServersMakesThisMachineTheServers) {
  sync(here, server, SyncMode::kUseServer);
  EXPECT_EQ(here.favorites.outline(), server_machine.favorites.outline());
  EXPECT_FALSE(server.find("here.example") != std::string::npos);
}

TEST_F(FirstSync, UseThisComputersMakesTheServerThisMachines) {
  const std::string same_id_before = server.substr(server.find("https://same.example/"), 40);
  const test::Round round = sync(here, server, SyncMode::kUseLocal);
  EXPECT_EQ(round.plan.server_removals.size(), 2U);
  EXPECT_EQ(server.find("server.example"), std::string::npos);
  EXPECT_NE(server.find(same_id_before), std::string::npos) << "the same favourite kept its id";
  sync(server_machine, server);
  EXPECT_EQ(server_machine.favorites.outline(), here.favorites.outline());
}

TEST(SyncIds, NewItemsGetIdsAboveEveryIdTheServerOrTheBaseGaveOut) {
  Machine machine;
  std::string server =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><xbel version=\"1.0\">"
      "<!--- highestId :50: for Floccus bookmark sync browser extension -->"
      "<bookmark href=\"https://a.example/\" id=\"7\"><title>A</title></bookmark>"
      "<bookmark href=\"https://b.example/\"><title>No id</title></bookmark></xbel>";
  sync(machine, server, SyncMode::kUseServer);
  machine.favorites.put_link("New.url", "https://new.example/");
  sync(machine, server);
  const XbelDocument document = read_xbel(server).document;
  ASSERT_EQ(document.items.size(), 3U);
  EXPECT_EQ(document.items[0].id, "7");
  EXPECT_EQ(document.items[1].id, "51");
  EXPECT_EQ(document.items[2].id, "52");
  EXPECT_EQ(document.highest_id, 52);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

using Lines = std::vector<std::string>;

TEST(LineMerge, ChangesOfBothSidesToAListOfLinesAreAllKeptInTheirPlaces) {
  const Lines base = {"a", "b", "c", "c", "d"};
  // Ours adds x after a and drops d; theirs moves b to the end and adds y first.
  EXPECT_EQ(merge_lines(base, {"a", "x", "b", "c", "c"}, {"y", "a", "c", "c", "d", "b"}),
            (Lines{"y", "a", "x", "c", "c", "b"}));
  // One of two equal lines dropped on one side: one stays.
  EXPECT_EQ(merge_lines(base, {"a", "b", "c", "d"}, base), (Lines{"a", "b", "c", "d"}));
  // Nothing changed here: theirs as it is.
  EXPECT_EQ(merge_lines(base, base, {"d", "c"}), (Lines{"d", "c"}));
  EXPECT_EQ(merge_lines({}, {"new"}, {}), (Lines{"new"}));
  EXPECT_EQ(merge_lines(base, {}, base), Lines{});
}

}  // namespace
}  // namespace kv
