#pragma once

#include <string>
#include <vector>

namespace kv {

// A download being received: the partial file it is written to, and the name the user
// chose for it.
struct UnfinishedDownload {
  std::string partial_path;
  std::string chosen_path;
};

// The downloads being received, kept in a small file of the user's own, so that what a
// log-out, a crash or a kill cut short can be named at the next start rather than left
// as a stray file with a random name.
class UnfinishedDownloads {
 public:
  explicit UnfinishedDownloads(std::string record_path);

  void add(const UnfinishedDownload& download);
  // Completed, cancelled or discarded: nothing of it is left to tell.
  void remove(const std::string& partial_path);

  // What an earlier run left, whose partial files are still there; the record is
  // emptied, so that each is told once.
  std::vector<UnfinishedDownload> take_left();

 private:
  std::vector<UnfinishedDownload> read() const;
  void write(const std::vector<UnfinishedDownload>& downloads) const;

  std::string path_;
};

// The record of this user: ~/.local/state/kestrivane/unfinished-downloads.
UnfinishedDownloads& unfinished_downloads();

}  // namespace kv
