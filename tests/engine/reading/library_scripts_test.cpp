// The libraries from npm reach the program: a build that lost one on the way (the lock
// file, npm ci, the resource bundle) would show pages without a reader view or dark
// colours, and say nothing.
#include "engine/reading/library_scripts.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(LibraryScripts, BothLibrariesAreCompiledInWhole) {
  const std::string& readability = library_script(LibraryScript::kReadability);
  EXPECT_NE(readability.find("function Readability("), std::string::npos);
  EXPECT_NE(readability.find("module.exports = Readability"), std::string::npos);
  const std::string& dark_reader = library_script(LibraryScript::kDarkReader);
  EXPECT_NE(dark_reader.find("Dark Reader v4."), std::string::npos);
  EXPECT_NE(dark_reader.find("exports.enable = enable"), std::string::npos);
}

}  // namespace
}  // namespace kv
