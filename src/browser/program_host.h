#pragma once

namespace kv {

class Form1;
class WebBrowser;

// What window code asks of the program object, which owns every window.
class ProgramHost {
 public:
  ProgramHost() = default;
  ProgramHost(const ProgramHost&) = delete;
  ProgramHost& operator=(const ProgramHost&) = delete;
  ProgramHost(ProgramHost&&) = delete;
  ProgramHost& operator=(ProgramHost&&) = delete;
  virtual ~ProgramHost() = default;

  // Creates and loads a new main window (its start-up runs) without showing it. A
  // window made for a page's request for a new window gets a control related to the
  // requesting one.
  virtual Form1& load_main_window(WebBrowser* related) = 0;
  // The same for a private window on its start page: its controls browse on the private
  // profile, and nothing of it is kept once it closes.
  virtual Form1& load_private_window() = 0;
  // The first main window: the one the program opened at its start. nullptr once it
  // has been closed.
  virtual Form1* first_main_window() = 0;
  // Ends the program at once: every window disappears and nothing more runs.
  virtual void end_program() = 0;
  // Whether the program may end now, asking over `asking` first when ending would lose
  // something (a download still running). A host with nothing to lose answers true.
  virtual bool may_end_program(Form1& /*asking*/) { return true; }
};

}  // namespace kv
