#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

// `text` as a JSON string literal, quotes included. Control characters and anything
// outside ASCII are escaped, so the result is always ASCII.
std::string json_quoted(std::string_view text);

// `values` as a JSON array of strings.
std::string json_string_array(const std::vector<std::string>& values);

// The elements of a JSON array, each as its own text, when `text` is one array whose
// elements are objects; nothing otherwise. Only the nesting is read (strings, escapes,
// brackets), which is all a list needs to be split; the engine judges the rest.
bool split_json_array(std::string_view text, std::vector<std::string>& elements);

// The elements joined back into one array.
std::string json_array(const std::vector<std::string>& elements);

}  // namespace kv
