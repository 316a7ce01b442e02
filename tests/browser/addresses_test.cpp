#include "browser/addresses.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(NavigationAddress, PutsHttpInFrontOfTypedText) {
  EXPECT_EQ(navigation_address("example.org/a b"), "http://example.org/a b");
  EXPECT_EQ(navigation_address(""), "http://");
  EXPECT_EQ(navigation_address("  spaced  "), "http://  spaced  ");
  // Scripts typed into the bar must never run.
  EXPECT_EQ(navigation_address("javascript:alert(1)"), "http://javascript:alert(1)");
  EXPECT_EQ(navigation_address("localhost:8080/x"), "http://localhost:8080/x");
  EXPECT_EQ(navigation_address("mailto:a@b"), "http://mailto:a@b");
}

TEST(NavigationAddress, KeepsAddressesThatNameTheirScheme) {
  EXPECT_EQ(navigation_address("http://host/p"), "http://host/p");
  EXPECT_EQ(navigation_address("HTTPS://host"), "HTTPS://host");
  EXPECT_EQ(navigation_address("file:///tmp/x.html"), "file:///tmp/x.html");
  EXPECT_EQ(navigation_address("view-source+x.y://h"), "view-source+x.y://h");
  EXPECT_EQ(navigation_address("About:blank"), "About:blank");
  // Not a scheme: a scheme starts with a letter and holds no blank.
  EXPECT_EQ(navigation_address("1http://x"), "http://1http://x");
  EXPECT_EQ(navigation_address("ht tp://x"), "http://ht tp://x");
  EXPECT_EQ(navigation_address("http:/x"), "http://http:/x");
}

TEST(SearchAddress, PercentEncodesTheSearchTextAsUtf8) {
  EXPECT_EQ(search_address("AT&T"), "http://www.google.com/search?q=AT%26T");
  EXPECT_EQ(search_address("C# C++"), "http://www.google.com/search?q=C%23%20C%2B%2B");
  EXPECT_EQ(search_address("größe"), "http://www.google.com/search?q=gr%C3%B6%C3%9Fe");
  EXPECT_EQ(search_address(""), "http://www.google.com/search?q=");
}

}  // namespace
}  // namespace kv
