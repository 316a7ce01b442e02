#include "engine/downloads/unfinished_downloads.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <sstream>
#include <utility>

#include "desktop/glib_handles.h"
#include "engine/downloads/download_files.h"

namespace kv {
namespace {

// The record is small; anything larger was not written by us.
constexpr gsize kMaxRecordBytes = 1024 * 1024;

// One line a download: both paths escaped, so that a tab or a line break in a folder's
// name cannot split a line.
std::string escaped(const std::string& text) {
  return take_string(g_strescape(text.c_str(), nullptr));
}

std::string unescaped(const std::string& text) {
  return take_string(g_strcompress(text.c_str()));
}

bool is_plain_file(const std::string& path) {
  GStatBuf info{};
  return g_lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

UnfinishedDownloads::UnfinishedDownloads(std::string record_path) : path_(std::move(record_path)) {}

void UnfinishedDownloads::add(const UnfinishedDownload& download) {
  auto downloads = read();
  downloads.push_back(download);
  write(downloads);
}

void UnfinishedDownloads::remove(const std::string& partial_path) {
  auto downloads = read();
  const auto removed = std::erase_if(
      downloads, [&](const UnfinishedDownload& d) { return d.partial_path == partial_path; });
  if (removed > 0) write(downloads);
}

std::vector<UnfinishedDownload> UnfinishedDownloads::take_left() {
  auto downloads = read();
  if (downloads.empty()) return {};
  write({});
  for (const auto& d : downloads) recover_partial_file(d.partial_path);
  std::erase_if(downloads,
                [](const UnfinishedDownload& d) { return !is_plain_file(d.partial_path); });
  return downloads;
}

std::vector<UnfinishedDownload> UnfinishedDownloads::read() const {
  if (!is_plain_file(path_)) return {};
  OwnedChars text;
  gsize length = 0;
  if (g_file_get_contents(path_.c_str(), out(text), &length, nullptr) == FALSE ||
      length > kMaxRecordBytes) {
    return {};
  }
  std::vector<UnfinishedDownload> downloads;
  std::istringstream lines(std::string(text.get(), length));
  std::string line;
  while (std::getline(lines, line)) {
    const auto tab = line.find('\t');
    if (tab == std::string::npos) continue;
    UnfinishedDownload download{unescaped(line.substr(0, tab)), unescaped(line.substr(tab + 1))};
    // Only what a download of ours writes: a partial file beside its chosen name.
    if (!g_path_is_absolute(download.partial_path.c_str()) ||
        !download.partial_path.ends_with(".part")) {
      continue;
    }
    downloads.push_back(std::move(download));
  }
  return downloads;
}

void UnfinishedDownloads::write(const std::vector<UnfinishedDownload>& downloads) const {
  if (downloads.empty()) {
    ::g_remove(path_.c_str());
    return;
  }
  std::string text;
  for (const auto& d : downloads) {
    text += escaped(d.partial_path) + "\t" + escaped(d.chosen_path) + "\n";
  }
  const OwnedChars folder(g_path_get_dirname(path_.c_str()));
  g_mkdir_with_parents(folder.get(), 0700);
  // Which files the user downloads is the user's own business.
  g_file_set_contents_full(path_.c_str(), text.data(), static_cast<gssize>(text.size()),
                           G_FILE_SET_CONTENTS_CONSISTENT, 0600, nullptr);
}

UnfinishedDownloads& unfinished_downloads() {
  static UnfinishedDownloads record(std::string(g_get_user_state_dir()) +
                                    "/kestrivane/unfinished-downloads");
  return record;
}

}  // namespace kv
