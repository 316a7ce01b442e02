#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kv {

// The languages to check spelling in: those of the user's locale names (as
// g_get_language_names gives them, most wanted first) that have a dictionary, as
// "de_DE"; "en_US" when none has.
std::vector<std::string> spelling_languages(
    const std::vector<std::string>& locale_names,
    const std::function<bool(const std::string&)>& has_dictionary);

// Whether a spelling dictionary for `language` is installed where the engine's spell
// checker looks for one.
bool has_spelling_dictionary(const std::string& language);

// The languages of this process's locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
std::vector<std::string> locale_spelling_languages();

}  // namespace kv
