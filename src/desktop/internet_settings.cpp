#include "desktop/internet_settings.h"

#include <glib.h>

#include <cstring>
#include <memory>

#include "desktop/glib_handles.h"
#include "desktop/user_paths.h"

namespace kv {
namespace {

constexpr const char* kGroup = "General";
constexpr const char* kHomePageKey = "HomePage";
constexpr const char* kPasswordsGroup = "Passwords";
constexpr const char* kOfferKey = "OfferToSave";
constexpr const char* kAdvancedGroup = "Advanced";
constexpr const char* kAccelerationKey = "HardwareAcceleration";

OwnedKeyFile parse(std::string_view settings) {
  OwnedKeyFile file(g_key_file_new());
  // Comments and other languages' values are the user's and are written back as they were.
  g_key_file_load_from_data(
      file.get(), settings.data(), settings.size(),
      static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS), nullptr);
  return file;
}

// No address has white space at either end, and the file format could not keep some of
// it (a form feed in front is lost on reading).
std::string trimmed(const Glib::ustring& address) {
  std::string text = address.raw();
  g_strstrip(text.data());
  text.resize(std::strlen(text.c_str()));
  return text;
}

std::string settings_text() {
  OwnedChars contents;
  gsize length = 0;
  if (!g_file_get_contents(internet_settings_path().c_str(), out(contents), &length, nullptr)) {
    return "";
  }
  return std::string(contents.get(), length);
}

}  // namespace

Glib::ustring home_page_in(std::string_view settings) {
  const OwnedKeyFile file = parse(settings);
  const OwnedChars value(g_key_file_get_string(file.get(), kGroup, kHomePageKey, nullptr));
  if (!value) return kDefaultHomePage;
  Glib::ustring home = value.get();
  if (home.empty() || !home.validate()) return kDefaultHomePage;
  return home;
}

std::string with_home_page(std::string_view settings, const Glib::ustring& address) {
  const OwnedKeyFile file = parse(settings);
  g_key_file_set_string(file.get(), kGroup, kHomePageKey, trimmed(address).c_str());
  gsize length = 0;
  const OwnedChars data(g_key_file_to_data(file.get(), &length, nullptr));
  return std::string(data.get(), length);
}

Glib::ustring configured_home_page() {
  return home_page_in(settings_text());
}

namespace {

bool write_settings(const std::string& text) {
  const gboolean saved = g_file_set_contents_full(
      internet_settings_path().c_str(), text.data(), static_cast<gssize>(text.size()),
      static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT |
                                         G_FILE_SET_CONTENTS_DURABLE),
      0600, nullptr);
  return saved != FALSE;
}

}  // namespace

bool save_home_page(const Glib::ustring& address) {
  return write_settings(with_home_page(settings_text(), address));
}

namespace {

// A switch that is on unless the file says false; a value that is no boolean is on.
bool switch_on(const char* group, const char* key) {
  const OwnedKeyFile file = parse(settings_text());
  OwnedError missing;
  const gboolean on = g_key_file_get_boolean(file.get(), group, key, out(missing));
  return missing || on != FALSE;
}

bool save_switch(const char* group, const char* key, bool on) {
  const OwnedKeyFile file = parse(settings_text());
  g_key_file_set_boolean(file.get(), group, key, on ? TRUE : FALSE);
  gsize length = 0;
  const OwnedChars data(g_key_file_to_data(file.get(), &length, nullptr));
  return write_settings(std::string(data.get(), length));
}

}  // namespace

bool offer_to_save_passwords() {
  return switch_on(kPasswordsGroup, kOfferKey);
}

bool save_offer_to_save_passwords(bool offer) {
  return save_switch(kPasswordsGroup, kOfferKey, offer);
}

bool use_hardware_acceleration() {
  return switch_on(kAdvancedGroup, kAccelerationKey);
}

bool save_use_hardware_acceleration(bool use) {
  return save_switch(kAdvancedGroup, kAccelerationKey, use);
}

}  // namespace kv
