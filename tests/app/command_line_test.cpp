// The command line's forms: addresses, files relative to the caller's folder, options.
#include "app/command_line.h"

#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_dir.h"

namespace kv {
namespace {

using Action = CommandLine::Action;

TEST(CommandLineForms, AddressesAndFilesOpenInOrderAsTheAddressBoxReadsThem) {
  test::TempDir caller;
  std::ofstream(caller.file("page one.html")) << "<p>x";
  g_mkdir(caller.file("sub").c_str(), 0700);

  const CommandLine line = parse_command_line(
      {"example.org/x", "page one.html", "https://127.0.0.1/a", "sub/../page one.html",
       caller.file("sub"), "about:blank", "missing.html"},
      caller.path());
  EXPECT_EQ(line.action, Action::kOpen);
  EXPECT_FALSE(line.new_window);
  const std::string file = "file://" + caller.path() + "/page%20one.html";
  EXPECT_EQ(line.addresses,
            (std::vector<std::string>{"http://example.org/x", file, "https://127.0.0.1/a", file,
                                      "file://" + caller.path() + "/sub", "about:blank",
                                      "http://missing.html"}));
  // The same words from another folder are no file.
  EXPECT_EQ(parse_command_line({"page one.html"}, "/").addresses,
            std::vector<std::string>{"http://page one.html"});
  // After "--" a dash is an address; text that is not UTF-8 never leaves it so.
  EXPECT_EQ(parse_command_line({"--", "--new-window"}, "/").addresses,
            std::vector<std::string>{"http://--new-window"});
  const auto odd = parse_command_line({"caf\xE9.org"}, "/").addresses;
  ASSERT_EQ(odd.size(), 1U);
  EXPECT_TRUE(g_utf8_validate(odd[0].c_str(), -1, nullptr));
}

TEST(CommandLineForms, OptionsAnswerOrRefuseBeforeAnyWindow) {
  const CommandLine more = parse_command_line({"--new-window"}, "/");
  EXPECT_EQ(more.action, Action::kOpen);
  EXPECT_TRUE(more.new_window);
  EXPECT_TRUE(more.addresses.empty());

  EXPECT_EQ(parse_command_line({"a.org", "--help"}, "/").action, Action::kHelp);
  EXPECT_EQ(parse_command_line({"--version"}, "/").action, Action::kVersion);
  EXPECT_NE(usage_text().find("--new-window"), std::string::npos);

  const CommandLine hidden = parse_command_line({"--private", "a.org", "b.org"}, "/");
  EXPECT_EQ(hidden.action, Action::kOpen);
  EXPECT_TRUE(hidden.private_windows);
  EXPECT_EQ(hidden.addresses, (std::vector<std::string>{"http://a.org", "http://b.org"}));
  EXPECT_FALSE(parse_command_line({"a.org"}, "/").private_windows);

  const CommandLine refused = parse_command_line({"a.org", "--incognito", "b.org"}, "/");
  EXPECT_EQ(refused.action, Action::kRefused);
  EXPECT_TRUE(refused.addresses.empty());
  EXPECT_NE(refused.error.find("'--incognito'"), std::string::npos);
  EXPECT_EQ(refused.error.find('\n'), std::string::npos);
  EXPECT_EQ(parse_command_line({"-x"}, "/").action, Action::kRefused);
}

}  // namespace
}  // namespace kv
