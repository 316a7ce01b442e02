#pragma once

#include <functional>
#include <string>

namespace kv {

// Every running browser that follows website data deletions is listed, so that the
// program that deletes can wait for them. The engine forgets a site's local storage only
// while its file is still on disk: a browser that clears after the files were removed
// keeps serving what it had read, so the running browsers clear first and the files go
// after.

// Lists this process as a follower for as long as it runs.
void enlist_as_follower();

// Tells the deleting program that this process has cleared for `mark`.
void report_cleared(const std::string& mark);

// Runs `then` once every running follower has reported `mark` cleared, or has ended, or
// after a few seconds at most.
void wait_for_followers(const std::string& mark, std::function<void()> then);

}  // namespace kv
