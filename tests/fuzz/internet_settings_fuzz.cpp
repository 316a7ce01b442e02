// The Internet Options settings file. Whatever it holds, the home page read is a UTF-8
// address; a home page stored reads back as stored (white space at its ends aside); storing it
// keeps every other value of a file that could be read, and storing it again changes nothing (but
// stray carriage returns).
#include <fuzzer/FuzzedDataProvider.h>
#include <glib.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "desktop/internet_settings.h"
#include "fuzz_support.h"

namespace {

using kv::fuzz::require;
using KeyFile = std::unique_ptr<GKeyFile, decltype(&g_key_file_unref)>;

KeyFile parsed(const std::string& text) {
  KeyFile file(g_key_file_new(), &g_key_file_unref);
  if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_KEEP_TRANSLATIONS,
                                 nullptr)) {
    return {nullptr, &g_key_file_unref};
  }
  return file;
}

std::string raw_value(GKeyFile* file, const char* group, const char* key) {
  gchar* value = g_key_file_get_value(file, group, key, nullptr);
  std::string text = value != nullptr ? value : "<none>";
  g_free(value);
  return text;
}

void require_other_values_kept(const std::string& before, const std::string& after) {
  const KeyFile old_file = parsed(before);
  if (!old_file) return;
  const KeyFile new_file = parsed(after);
  require(new_file != nullptr, "a stored settings file cannot be read");
  gchar** groups = g_key_file_get_groups(old_file.get(), nullptr);
  for (gchar** group = groups; *group != nullptr; ++group) {
    gchar** keys = g_key_file_get_keys(old_file.get(), *group, nullptr, nullptr);
    for (gchar** key = keys; keys != nullptr && *key != nullptr; ++key) {
      if (g_strcmp0(*group, "General") == 0 && g_strcmp0(*key, "HomePage") == 0) continue;
      require(raw_value(old_file.get(), *group, *key) == raw_value(new_file.get(), *group, *key),
              "storing the home page changed another value");
    }
    g_strfreev(keys);
  }
  g_strfreev(groups);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string address = kv::fuzz::as_entry_text(input.ConsumeRandomLengthString(300));
  const std::string text = input.ConsumeRemainingBytesAsString();

  const Glib::ustring home = kv::home_page_in(text);
  require(!home.empty() && home.validate(), "a home page that is not a UTF-8 text");
  if (address.empty()) return 0;

  const std::string stored = kv::with_home_page(text, address);
  std::string expected = address;
  g_strstrip(expected.data());
  expected.resize(std::strlen(expected.c_str()));
  if (expected.empty()) expected = kv::kDefaultHomePage;
  require(kv::home_page_in(stored).raw() == expected, "a stored home page reads back changed");
  require_other_values_kept(text, stored);
  // The file format drops one carriage return from a line that ends in several.
  const auto without_returns = [](std::string text) {
    std::erase(text, '\r');
    return text;
  };
  require(without_returns(kv::with_home_page(stored, address)) == without_returns(stored),
          "storing the same home page again changed the file");
  return 0;
}
