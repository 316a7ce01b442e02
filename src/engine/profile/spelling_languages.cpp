#include "engine/profile/spelling_languages.h"

#include <glib.h>

#include <algorithm>

namespace kv {
namespace {

bool is_lower(char c) {
  return c >= 'a' && c <= 'z';
}
bool is_upper(char c) {
  return c >= 'A' && c <= 'Z';
}

// "de_DE.UTF-8@euro" -> "de_DE"; "" for what names no language ("C", "POSIX", junk).
std::string language_of(const std::string& name) {
  const std::string bare = name.substr(0, name.find_first_of(".@"));
  const auto underscore = bare.find('_');
  const std::string language = bare.substr(0, underscore);
  if (language.size() < 2 || language.size() > 3) return {};
  if (!std::all_of(language.begin(), language.end(), is_lower)) return {};
  if (underscore == std::string::npos) return language;
  const std::string territory = bare.substr(underscore + 1);
  if (territory.size() != 2 || !std::all_of(territory.begin(), territory.end(), is_upper)) {
    return {};
  }
  return bare;
}

}  // namespace

std::vector<std::string> spelling_languages(
    const std::vector<std::string>& locale_names,
    const std::function<bool(const std::string&)>& has_dictionary) {
  std::vector<std::string> languages;
  for (const std::string& name : locale_names) {
    const std::string language = language_of(name);
    if (language.empty() ||
        std::find(languages.begin(), languages.end(), language) != languages.end()) {
      continue;
    }
    if (has_dictionary(language)) languages.push_back(language);
  }
  if (languages.empty()) languages.emplace_back("en_US");
  return languages;
}

bool has_spelling_dictionary(const std::string& language) {
  std::vector<std::string> dirs{std::string(g_get_user_data_dir()) + "/hunspell"};
  for (const gchar* const* dir = g_get_system_data_dirs(); *dir != nullptr; ++dir) {
    dirs.push_back(std::string(*dir) + "/hunspell");
    dirs.push_back(std::string(*dir) + "/myspell");
  }
  return std::any_of(dirs.begin(), dirs.end(), [&](const std::string& dir) {
    return g_file_test((dir + "/" + language + ".dic").c_str(), G_FILE_TEST_IS_REGULAR) != FALSE;
  });
}

std::vector<std::string> locale_spelling_languages() {
  std::vector<std::string> names;
  for (const gchar* const* name = g_get_language_names(); *name != nullptr; ++name) {
    names.emplace_back(*name);
  }
  return spelling_languages(names, &has_spelling_dictionary);
}

}  // namespace kv
