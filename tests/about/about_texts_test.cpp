#include "about/about_texts.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "about/about_box.h"
#include "about/testers_list.h"

namespace kv {
namespace {

long characters(const std::string& text) {
  return g_utf8_strlen(text.c_str(), -1);
}

// The lines of a text whose every line ends in CR LF; fails on a lone CR or LF.
std::vector<std::string> crlf_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "text after the last CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  for (const auto& line : lines) {
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "lone line break in: " << line;
  }
  return lines;
}

std::vector<std::string> entries(const std::string& list) {
  std::vector<std::string> names;
  std::string name;
  for (char ch : list) {
    if (ch == ',') {
      names.push_back(name);
      name.clear();
    } else if (ch != ' ' && ch != '\r' && ch != '\n') {
      name += ch;
    }
  }
  return names;
}

TEST(AboutTextsTest, DisclaimerIsEightCrLfLinesOf459Characters) {
  const std::string text = about_text::kDisclaimer;
  EXPECT_EQ(characters(text), 459);
  const auto lines = crlf_lines(text);
  ASSERT_EQ(lines.size(), 8U);
  EXPECT_EQ(lines[0].find("Version 1.0.0"), 0U);
  EXPECT_NE(lines[0].find("Kestrivane™"), std::string::npos);
  EXPECT_NE(text.find("Pellimar"), std::string::npos);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    EXPECT_LE(characters(lines[i]), 42) << "wrapped by hand near 40: " << lines[i];
    EXPECT_GT(characters(lines.back()), characters(lines[i])) << "the last line is the long one";
  }
}

TEST(AboutTextsTest, TestersAreSevenNicknamesIn61CharactersAndTheFirstThreeIn26) {
  const std::string list = about_text::kTesters;
  EXPECT_EQ(characters(list), 61);
  const auto lines = crlf_lines(list);
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_EQ(entries(lines[0]).size(), 6U) << "a line break after the sixth";
  EXPECT_EQ(lines[0].substr(lines[0].size() - 2), ", ");
  EXPECT_EQ(lines[1].back(), ',') << "the seventh ends in a comma and CR LF";
  const auto names = entries(list);
  ASSERT_EQ(names.size(), 7U);

  const std::string three = about_text::kFirstThreeTesters;
  EXPECT_EQ(characters(three), 26);
  EXPECT_EQ(three, names[0] + ", " + names[1] + ", " + names[2] + ", ");
}

TEST(AboutTextsTest, TheWindowsShowTheTextsWhole) {
  frmTesters box;
  EXPECT_EQ(box.text(), about_text::kDisclaimer) << "CR LF kept in the box";
  EXPECT_EQ(box.get_title(), about_text::kCaption);
  const std::string title = box.get_title();
  EXPECT_EQ(title.find("About - Kestrivane™"), 0U);
  EXPECT_NE(title.find("2004"), std::string::npos);
  const std::string tip = box.Text1.get_tooltip_text();
  EXPECT_EQ(tip.find("©"), 0U);
  EXPECT_NE(tip.find("Read for more info"), std::string::npos);
  EXPECT_EQ(box.Command1.get_tooltip_text(), "Click Here To View Testers");
  frmTestr list;
  EXPECT_EQ(list.text(), about_text::kTesters);
  EXPECT_EQ(list.get_title(), "Testers 2004");
}

}  // namespace
}  // namespace kv
