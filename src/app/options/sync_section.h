#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/entry.h>
#include <gtkmm/frame.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>

#include <memory>
#include <string>

#include "desktop/login_store.h"
#include "favorites/sync_places.h"
#include "favorites/sync_question_window.h"
#include "sync/sync_runner.h"
#include "sync/sync_settings.h"
#include "sync/sync_state.h"

namespace kv {

// The program's own: its favourites folder, its fav.Dat and its profile.
SyncPlaces program_sync_places();

// The Internet Options page for favourites sync: the server folder, the user name, the
// password (kept in the keyring, never shown), the file's name, "Sync Now", the last
// sync's outcome, and the way back to the favourites as they were before a sync.
class SyncSection : public Gtk::Box {
 public:
  explicit SyncSection(SyncPlaces places = program_sync_places(),
                       LoginStore& logins = sync_login_store());
  SyncSection(const SyncSection&) = delete;
  SyncSection& operator=(const SyncSection&) = delete;
  SyncSection(SyncSection&&) = delete;
  SyncSection& operator=(SyncSection&&) = delete;
  ~SyncSection() override;

  // Keeps what was typed; a typed password goes to the keyring (and `then` runs once it
  // is there). false, with the reason in lblSyncState, when the settings could not be
  // written.
  bool apply(const std::function<void()>& then = {});

  Gtk::Entry txtSyncFolder, txtSyncUser, txtSyncPassword, txtSyncFile;
  Gtk::Button cmdSyncNow;
  Gtk::Label lblSyncState;
  Gtk::ComboBoxText cboSyncRestore;
  Gtk::Button cmdSyncRestore;

  // The question of the sync under way, while it waits for the user.
  [[nodiscard]] SyncQuestionWindow* question() { return question_.get(); }
  // Whether a sync runs now.
  [[nodiscard]] bool syncing() const { return runner_.running(); }

 private:
  void sync_now();
  void run(SyncRequest request);
  void finished(const SyncRequest& request, const SyncOutcome& outcome);
  void restore();
  void fill_restore_list();
  [[nodiscard]] SyncSettings typed() const;

  SyncPlaces places_;
  LoginStore& logins_;
  SyncRunner runner_;
  SyncStore store_;
  std::vector<LocalBackup> backups_;
  std::unique_ptr<SyncQuestionWindow> question_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  Gtk::Frame sync_frame_, restore_frame_;
  Gtk::Box sync_box_{Gtk::ORIENTATION_VERTICAL, 8}, restore_box_{Gtk::ORIENTATION_VERTICAL, 6};
  Gtk::Box restore_row_{Gtk::ORIENTATION_HORIZONTAL, 6};
  Gtk::Grid fields_;
  Gtk::Label about_, folder_label_, user_label_, password_label_, file_label_, restore_text_;
};

}  // namespace kv
