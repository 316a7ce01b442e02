// Page titles as the program's own widgets show them.
#include "desktop/page_title.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(PageTitle, ShownWithoutWhatTurnsOrHidesTextOnOneLine) {
  // U+202E shows "lmth.nigol/knab" as "bank/login.html".
  EXPECT_EQ(shown_title("\u202Elmth.nigol/knab"), "lmth.nigol/knab");
  EXPECT_EQ(shown_title("a\u202Ab\u202Bc\u202Cd\u202De\u2066f\u2067g\u2068h\u2069i"), "abcdefghi");
  EXPECT_EQ(shown_title("left\u200Emark\u200Fs\u061C"), "leftmarks");
  // Zero-width space, word joiner, byte order mark, soft hyphen, a tag character.
  EXPECT_EQ(shown_title("pay\u200Bpal\u2060.\uFEFFcom\u00AD\U000E0041"), "paypal.com");
  // Controls, line breaks, blank fillers and long runs of spaces: one space each.
  EXPECT_EQ(shown_title("  Bank\n\tlogin\u2028here\u3164\u00A0\u2003   end \r"),
            "Bank login here end");
  EXPECT_EQ(shown_title("bad\xff\xfe"), "bad\uFFFD\uFFFD");
  // What scripts and emoji are spelled with stays.
  EXPECT_EQ(shown_title("\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645"),
            "\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645");
  EXPECT_EQ(shown_title("\U0001F468\u200D\U0001F469\u200D\U0001F467 family"),
            "\U0001F468\u200D\U0001F469\u200D\U0001F467 family");
  EXPECT_EQ(shown_title("\u0600\u0661\u0662 \u05E9\u05DC\u05D5\u05DD caf\u00E9"),
            "\u0600\u0661\u0662 \u05E9\u05DC\u05D5\u05DD caf\u00E9");
  EXPECT_EQ(shown_title(""), "");
}

TEST(PageTitle, AddressesAreKnownHoweverTheyAreWritten) {
  for (const char* address :
       {"http://localhost:8002/bank-login", "Sign in: https://bank.example/", "www.bank.example",
        "bank.example/login", "Bank.Example.COM", "localhost:8002", "127.0.0.1:8002/login",
        "\"accounts.bank.example\" sign in", "\uFF48\uFF54\uFF54\uFF50\uFF1A\uFF0F\uFF0Fbank",
        "bank\u3002example/login", "http\u2236\u2215\u2215bank", "file:///etc/passwd",
        "\u202Ehttp://x"}) {
    EXPECT_TRUE(reads_like_address(address)) << address;
  }
  for (const char* title :
       {"Bank login", "Mr. Smith goes to Washington", "U.K. weather", "e.g. this",
        "Version 1.2 notes", "", "Kestrivane: news", "localhosts and guests", "50.5% off"}) {
    EXPECT_FALSE(reads_like_address(title)) << title;
  }
}

}  // namespace
}  // namespace kv
