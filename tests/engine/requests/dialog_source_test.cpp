// Who a page's dialog is named by, from the mark of the program's web process extension.
#include "engine/requests/dialog_source.h"

#include <gtest/gtest.h>

#include "engine/profile/dialog_mark.h"

namespace kv {
namespace {

constexpr const char* kSecret = "0f8c2d6e-run-secret";
const std::string kPage = "http://localhost:8002/outer.html";
const std::string kPageOrigin = "http://localhost:8002";

std::string marked(DialogAsker asker, const std::string& origin, const std::string& message) {
  return mark_dialog_message(kSecret, asker, origin, message);
}

std::string spoken(const std::string& text, const std::string& page = kPage,
                   const std::string& page_origin = kPageOrigin) {
  const DialogSource source = dialog_source(text, page, page_origin, kSecret);
  return source.kind == DialogSource::kRefused ? "refused" : dialog_speaker(source);
}

TEST(DialogSource, TheMarkNamesWhoAskedAndNothingElseCanSpeakForThePage) {
  const auto frame = DialogAsker::kFrame;
  const auto page = DialogAsker::kMainFrame;
  EXPECT_EQ(spoken(marked(page, kPageOrigin, "Hi")), "localhost:8002 says:");
  EXPECT_EQ(spoken(marked(frame, kPageOrigin, "Hi")), "localhost:8002 says:");
  EXPECT_EQ(spoken(marked(frame, "http://127.0.0.1:8001", "PIN?")),
            "127.0.0.1:8001, in a frame of this page, says:");
  // The page that asks while the view's address names the next one speaks as itself.
  EXPECT_EQ(spoken(marked(page, "http://127.0.0.1:8001", "Hi")), "127.0.0.1:8001 says:");
  EXPECT_EQ(spoken(marked(page, "null", "Hi"), "data:text/html,hi", ""), "data:text/html,hi says:");
  EXPECT_EQ(spoken(marked(frame, "file://", "Hi"), "file:///home/a/b.html", ""),
            "file:///home/a/b.html says:");

  // A frame of no site, a mark of another secret or none, or a message that only looks
  // marked: refused.
  EXPECT_EQ(spoken(marked(frame, "null", "PIN?")), "refused");
  EXPECT_EQ(spoken(marked(frame, "file://", "PIN?")), "refused") << "on a page of a site";
  EXPECT_EQ(spoken(mark_dialog_message("guessed", page, kPageOrigin, "PIN?")), "refused");
  EXPECT_EQ(spoken("PIN?"), "refused");
  EXPECT_EQ(spoken(std::string(1, kDialogMarkStart) + kSecret), "refused");
  EXPECT_EQ(spoken(std::string(1, kDialogMarkStart) + kSecret + kDialogMarkField + "m"), "refused");

  // The page's own text comes out as it went in, a forged mark in it too.
  const std::string forged = mark_dialog_message("guessed", page, kPageOrigin,
                                                 "x\x1f"
                                                 "y");
  EXPECT_EQ(
      dialog_source(marked(frame, "http://127.0.0.1:8001", forged), kPage, kPageOrigin, kSecret)
          .message,
      forged);
}

}  // namespace
}  // namespace kv
