#pragma once

#include <string>

namespace kv {

// The libraries that the program runs in its own script world of a page, compiled in
// from the npm registry as package-lock.json pins them.
enum class LibraryScript {
  kReadability,  // Mozilla's Readability: the article of a page
  kDarkReader,   // Dark Reader: dark colours for a page that has none of its own
};

// The library's source, read once; empty only for a build that did not bring it.
const std::string& library_script(LibraryScript which);

}  // namespace kv
