#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/entry.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>
#include <gtkmm/listbox.h>
#include <gtkmm/scrolledwindow.h>

#include <string>
#include <vector>

#include "engine/filters/blocking_settings.h"
#include "engine/filters/compiled_filters.h"

namespace kv {

// The Internet Options section for content blocking: on or off, the lists in use with
// what became of their rules, and the sites where blocking is off. Saved with the
// window's OK or Apply; running browsers follow the file.
class ContentBlockingSection : public Gtk::Frame {
 public:
  ContentBlockingSection(BlockingSettings settings, const std::vector<ListReport>& reports);

  // The settings as the section shows them.
  [[nodiscard]] BlockingSettings settings() const;

  Gtk::CheckButton chkBlockContent;
  Gtk::Label lblFilterLists;
  Gtk::ListBox lstAllowedSites;
  Gtk::Entry txtAllowedSite;
  Gtk::Button cmdAddSite, cmdRemoveSite;

 private:
  void add_site();
  void remove_site();
  void show_sites();

  std::vector<std::string> sites_;
  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL, 6};
  Gtk::Box site_row_{Gtk::ORIENTATION_HORIZONTAL, 6};
  Gtk::Label sites_text_;
  Gtk::ScrolledWindow sites_scroll_;
};

// One line for each list: "easylist.txt: 75 523 rules in use, 736 skipped".
std::string describe_lists(const std::vector<ListReport>& reports);

}  // namespace kv
