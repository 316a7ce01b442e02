#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Whether content blocking is on, and the sites where it is off. Kept in a file of its
// own that the Internet Options program writes and running browsers watch.
struct BlockingSettings {
  bool enabled = true;
  std::vector<std::string> allowed_sites;  // lower case; each covers its subdomains

  bool operator==(const BlockingSettings&) const = default;
};

std::string blocking_settings_path();  // ~/.config/kestrivane/content-blocking.ini

// The settings in a file's text; anything unreadable counts as the defaults.
BlockingSettings blocking_settings_in(std::string_view text);
std::string blocking_settings_text(const BlockingSettings& settings);

BlockingSettings load_blocking_settings();
bool save_blocking_settings(const BlockingSettings& settings);

// The site a user typed ("Example.com", "https://www.example.com/page"), as a lower-case
// host name; empty when it names none.
std::string site_from_text(std::string_view text);

// Whether loads for the page at `address` are filtered: web pages only (never the
// program's own schemes), and not on an allowed site or its subdomains.
bool filters_page(const BlockingSettings& settings, std::string_view address);

}  // namespace kv
