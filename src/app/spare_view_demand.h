#pragma once

#include <functional>

namespace kv {

class Form1;
class Program;

// When the run starts keeping a web process ready for its next window (keep_spare_view).
// An idle sandboxed web process costs about as much memory as a small page's, and pays
// for itself only in a run that opens more than one window: a run started for links
// (another program handed it addresses, and more tend to follow) keeps one from its first
// page on; any other run from its second window on, once that window's page has loaded.
// Private windows neither take one nor ask for one.
class SpareViewDemand {
 public:
  // `keep` starts keeping one: called once, when the demand is first seen. Lives as long
  // as the program's windows.
  SpareViewDemand(Program& program, std::function<void()> keep);

  // The first window of a run started for links.
  void started_for_links(Form1& first);

 private:
  void on_window_made(Form1& form);
  void keep_once_loaded(Form1& form);

  Program& program_;
  std::function<void()> keep_;
  bool kept_ = false;
};

}  // namespace kv
