#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/shell_folder_id.h"

namespace Gtk {
class Window;
}

namespace kv {

// An item-id list handed out by the shell. Only its address is used: the bytes start
// there (see shell_folder_id.h for what they hold).
struct ItemIdList;

// Result codes of the shell calls.
inline constexpr std::int32_t kShellOk = 0;
inline constexpr std::int32_t kShellFail = static_cast<std::int32_t>(0x80004005U);
inline constexpr std::int32_t kShellInvalidArgument = static_cast<std::int32_t>(0x80070057U);

// Locates a special folder. On success returns kShellOk and sets `out` to a list that
// the caller must free with CoTaskMemFree; on failure returns a non-zero code and sets
// `out` to nullptr. CSIDL_FAVORITES is created when first asked for; ids other than
// CSIDL_FAVORITES and CSIDL_HISTORY fail. `owner` is accepted for the callers' sake and
// not used: nothing here opens a window.
std::int32_t SHGetSpecialFolderLocation(Gtk::Window* owner, int csidl, ItemIdList*& out);

// Frees memory that the shell handed out; nullptr is allowed.
void CoTaskMemFree(void* memory);

// Copies `length` bytes from `source` into the start of `destination`, never writing past
// its end: at most destination.size() bytes are copied.
void RtlMoveMemory(std::vector<std::uint8_t>& destination, const void* source, std::size_t length);

// The user's favourites folder (created when first asked for); "" when it cannot be made.
std::string favorites_folder_path();

// The shell calls that the folder panes make, behind an interface so that tests can count
// lists handed out and freed.
class ShellFolders {
 public:
  ShellFolders() = default;
  ShellFolders(const ShellFolders&) = delete;
  ShellFolders& operator=(const ShellFolders&) = delete;
  ShellFolders(ShellFolders&&) = delete;
  ShellFolders& operator=(ShellFolders&&) = delete;
  virtual ~ShellFolders() = default;

  virtual std::int32_t SHGetSpecialFolderLocation(Gtk::Window* owner, int csidl,
                                                  ItemIdList*& out) = 0;
  virtual void CoTaskMemFree(void* memory) = 0;
};

// The calls above, for the program.
ShellFolders& system_shell_folders();

}  // namespace kv
