#include "session/session_file.h"

#include <glib.h>

#include <algorithm>
#include <string>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

constexpr const char* kMainGroup = "Session";
constexpr int kVersion = 1;

std::string window_group(std::size_t index) {
  return "Window " + std::to_string(index + 1);
}

// Text that a key file keeps exactly: UTF-8, no 0 bytes, not too long.
std::string clean_text(const std::string& text) {
  const OwnedChars valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  std::string cleaned;
  for (const char* p = valid.get(); *p != '\0'; ++p) cleaned += *p;
  if (cleaned.size() > kLongestSessionText) {
    std::size_t cut = kLongestSessionText;
    while (cut > 0 && (static_cast<unsigned char>(cleaned[cut]) & 0xC0U) == 0x80U) --cut;
    cleaned.resize(cut);
  }
  return cleaned;
}

std::optional<std::string> read_text(GKeyFile* file, const std::string& group, const char* key) {
  OwnedError error;
  OwnedChars value(g_key_file_get_string(file, group.c_str(), key, out(error)));
  if (!value) return std::nullopt;
  std::string text(value.get());
  if (text.size() > kLongestSessionText) return std::nullopt;
  return text;
}

std::optional<std::int64_t> read_number(GKeyFile* file, const char* group, const char* key) {
  OwnedError error;
  const gint64 value = g_key_file_get_int64(file, group, key, out(error));
  if (error) return std::nullopt;
  return value;
}

}  // namespace

std::string session_file_text(const Session& session) {
  const OwnedKeyFile file(g_key_file_new());
  g_key_file_set_integer(file.get(), kMainGroup, "Version", kVersion);
  g_key_file_set_int64(file.get(), kMainGroup, "RestoredAt", session.restored_at);
  const std::size_t count = std::min(session.windows.size(), kMostSessionWindows);
  g_key_file_set_uint64(file.get(), kMainGroup, "Windows", count);
  std::size_t states = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const SessionWindow& window = session.windows[i];
    const std::string group = window_group(i);
    g_key_file_set_string(file.get(), group.c_str(), "Address", clean_text(window.address).c_str());
    g_key_file_set_string(file.get(), group.c_str(), "Title", clean_text(window.title).c_str());
    // A window without its history still comes back on its address.
    const bool state_fits = window.state.size() <= kLargestWindowState &&
                            states + window.state.size() <= kLargestStatesTogether;
    if (state_fits) states += window.state.size();
    const OwnedChars state(
        g_base64_encode(window.state.data(), state_fits ? window.state.size() : 0));
    g_key_file_set_string(file.get(), group.c_str(), "State", state.get());
  }
  gsize length = 0;
  const OwnedChars text(g_key_file_to_data(file.get(), &length, nullptr));
  return text ? std::string(text.get(), length) : std::string();
}

std::optional<Session> parse_session_file(std::string_view text) {
  const OwnedKeyFile file(g_key_file_new());
  OwnedError error;
  if (g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE,
                                out(error)) == FALSE) {
    return std::nullopt;
  }
  const auto version = read_number(file.get(), kMainGroup, "Version");
  const auto restored_at = read_number(file.get(), kMainGroup, "RestoredAt");
  const auto count = read_number(file.get(), kMainGroup, "Windows");
  if (!version || *version != kVersion || !restored_at || *restored_at < 0 || !count ||
      *count < 0 || static_cast<std::uint64_t>(*count) > kMostSessionWindows) {
    return std::nullopt;
  }
  Session session;
  session.restored_at = *restored_at;
  for (std::int64_t i = 0; i < *count; ++i) {
    const std::string group = window_group(static_cast<std::size_t>(i));
    auto address = read_text(file.get(), group, "Address");
    auto title = read_text(file.get(), group, "Title");
    OwnedError state_error;
    const OwnedChars raw_state(
        g_key_file_get_string(file.get(), group.c_str(), "State", out(state_error)));
    if (!address || !title || !raw_state) return std::nullopt;
    // Base64 takes 4 characters for 3 bytes.
    const std::size_t encoded = std::char_traits<char>::length(raw_state.get());
    if (encoded / 4 * 3 > kLargestWindowState + 3) return std::nullopt;
    if (address->find('\0') != std::string::npos || title->find('\0') != std::string::npos) {
      return std::nullopt;
    }
    SessionWindow window{std::move(*address), std::move(*title), {}};
    if (encoded > 0) {
      gsize size = 0;
      const OwnedChars bytes(reinterpret_cast<gchar*>(g_base64_decode(raw_state.get(), &size)));
      const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.get());
      if (size > kLargestWindowState) return std::nullopt;
      if (data != nullptr) window.state.assign(data, data + size);
    }
    session.windows.push_back(std::move(window));
  }
  return session;
}

}  // namespace kv
