#pragma once

#include <string>
#include <string_view>

// What the fuzz targets share: a failed invariant stops the run with its reason, so that
// libFuzzer keeps the input that broke it.
namespace kv::fuzz {

[[noreturn]] void fail(const char* what);
inline void require(bool holds, const char* what) {
  if (!holds) fail(what);
}

// A folder of this process's own on a memory file system, made on first use.
const std::string& scratch_folder();
void write_file(const std::string& path, std::string_view bytes);
std::string read_file(const std::string& path);

// `bytes` up to its first 0 byte and made valid UTF-8: what a text box or the engine
// hands over.
std::string as_entry_text(std::string_view bytes);

// Fails unless `html` is valid UTF-8 and every tag and attribute in it is one that the
// folder pages write themselves, so that no text taken from a file or a page can have
// become markup.
void require_only_own_markup(std::string_view html);

}  // namespace kv::fuzz
