#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kv {

// The engine does not tell the program which frame of a page asked for an alert, a
// confirm or a prompt. The program's extension in the web process does: it puts a mark
// before the dialog's message, under a secret of this run that no page can read, so
// that a page cannot write a mark of its own.

// Which frame asked, as the web process saw it when the page's script called.
enum class DialogAsker : char {
  kMainFrame = 'm',  // the page itself
  kFrame = 'f',      // a frame in it, of whatever origin
};

struct DialogMark {
  DialogAsker asker = DialogAsker::kFrame;
  std::string origin;   // as the engine writes it: "http://127.0.0.1:8001", "null"
  std::string message;  // what the page's script passed
};

inline constexpr char kDialogMarkStart = '\x1e';
inline constexpr char kDialogMarkField = '\x1f';

inline std::string mark_dialog_message(std::string_view secret, DialogAsker asker,
                                       std::string_view origin, std::string_view message) {
  std::string marked;
  marked.reserve(secret.size() + origin.size() + message.size() + 4);
  marked += kDialogMarkStart;
  marked += secret;
  marked += kDialogMarkField;
  marked += static_cast<char>(asker);
  marked += origin;
  marked += kDialogMarkField;
  marked += message;
  return marked;
}

// The mark of `text`, or nothing when it bears none made with `secret`.
inline std::optional<DialogMark> read_dialog_mark(std::string_view secret, std::string_view text) {
  if (secret.empty() || text.size() < secret.size() + 3 || text[0] != kDialogMarkStart ||
      text.substr(1, secret.size()) != secret || text[secret.size() + 1] != kDialogMarkField) {
    return std::nullopt;
  }
  text.remove_prefix(secret.size() + 2);
  const char asker = text[0];
  if (asker != 'm' && asker != 'f') return std::nullopt;
  const std::size_t end = text.find(kDialogMarkField, 1);
  if (end == std::string_view::npos) return std::nullopt;
  return DialogMark{static_cast<DialogAsker>(asker), std::string(text.substr(1, end - 1)),
                    std::string(text.substr(end + 1))};
}

}  // namespace kv
