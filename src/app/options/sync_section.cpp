#include "app/options/sync_section.h"

#include <glib.h>

#include "desktop/app_folder.h"
#include "desktop/control_name.h"
#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "desktop/user_paths.h"
#include "favorites/favorites_on_disk.h"
#include "sync/local_restore.h"
#include "sync/sync_lock.h"

namespace kv {
namespace {

constexpr const char* kKeptPassword = "Kept in the keyring";

void field(Gtk::Grid& grid, int row, Gtk::Label& label, const char* caption, Gtk::Entry& entry,
           const char* name) {
  label.set_text_with_mnemonic(caption);
  label.set_mnemonic_widget(entry);
  label.set_xalign(0.0F);
  set_control_name(entry, name);
  entry.set_hexpand(true);
  entry.set_activates_default(false);
  grid.attach(label, 0, row);
  grid.attach(entry, 1, row);
}

std::string backup_time(std::time_t taken) {
  struct Deleter {
    void operator()(GDateTime* time) const noexcept { g_date_time_unref(time); }
  };
  const std::unique_ptr<GDateTime, Deleter> time(g_date_time_new_from_unix_local(taken));
  return time ? take_string(g_date_time_format(time.get(), "%a %e %b %Y, %H:%M")) : "?";
}

}  // namespace

SyncPlaces program_sync_places() {
  return sync_places(favorites_file_path(application_folder()));
}

SyncSection::SyncSection(SyncPlaces places, LoginStore& logins)
    : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 12),
      places_(std::move(places)),
      logins_(logins),
      runner_(sync_runner_setup(places_, logins)),
      store_(places_.store_folder) {
  set_border_width(8);
  sync_frame_.set_label("Favorites sync");
  about_.set_text(
      "Keeps these favorites the same on every computer, in a bookmarks file (XBEL) on a "
      "WebDAV server of yours: Nextcloud, ownCloud, a NAS... Browsers with the floccus "
      "extension can share the same file.");
  about_.set_xalign(0.0F);
  about_.set_line_wrap(true);
  about_.set_max_width_chars(60);

  fields_.set_row_spacing(6);
  fields_.set_column_spacing(8);
  field(fields_, 0, folder_label_, "Server _folder:", txtSyncFolder, "txtSyncFolder");
  field(fields_, 1, user_label_, "_User name:", txtSyncUser, "txtSyncUser");
  field(fields_, 2, password_label_, "Pass_word:", txtSyncPassword, "txtSyncPassword");
  field(fields_, 3, file_label_, "File na_me:", txtSyncFile, "txtSyncFile");
  txtSyncFolder.set_placeholder_text("https://cloud.example/remote.php/dav/files/you/");
  txtSyncPassword.set_visibility(false);
  txtSyncPassword.set_input_purpose(Gtk::INPUT_PURPOSE_PASSWORD);
  const SyncSettings settings = load_sync_settings();
  txtSyncFolder.set_text(settings.folder);
  txtSyncUser.set_text(settings.user);
  txtSyncFile.set_text(settings.file);
  if (settings.configured()) txtSyncPassword.set_placeholder_text(kKeptPassword);

  set_control_name(cmdSyncNow, "cmdSyncNow");
  cmdSyncNow.set_label("_Sync Now");
  cmdSyncNow.set_use_underline(true);
  cmdSyncNow.set_halign(Gtk::ALIGN_START);
  set_control_name(lblSyncState, "lblSyncState");
  lblSyncState.set_xalign(0.0F);
  lblSyncState.set_line_wrap(true);
  lblSyncState.set_max_width_chars(60);
  const std::string last = last_sync_outcome();
  lblSyncState.set_text(last.empty() ? "Not synced yet." : last);

  sync_box_.set_border_width(8);
  sync_box_.pack_start(about_, Gtk::PACK_SHRINK);
  sync_box_.pack_start(fields_, Gtk::PACK_SHRINK);
  sync_box_.pack_start(cmdSyncNow, Gtk::PACK_SHRINK);
  sync_box_.pack_start(lblSyncState, Gtk::PACK_SHRINK);
  sync_frame_.add(sync_box_);

  restore_frame_.set_label("The way back");
  restore_text_.set_text("Restore the favorites as they were before a sync changed them:");
  restore_text_.set_xalign(0.0F);
  set_control_name(cboSyncRestore, "cboSyncRestore");
  cboSyncRestore.set_hexpand(true);
  set_control_name(cmdSyncRestore, "cmdSyncRestore");
  cmdSyncRestore.set_label("Res_tore");
  cmdSyncRestore.set_use_underline(true);
  restore_row_.pack_start(cboSyncRestore, Gtk::PACK_EXPAND_WIDGET);
  restore_row_.pack_start(cmdSyncRestore, Gtk::PACK_SHRINK);
  restore_box_.set_border_width(8);
  restore_box_.pack_start(restore_text_, Gtk::PACK_SHRINK);
  restore_box_.pack_start(restore_row_, Gtk::PACK_SHRINK);
  restore_frame_.add(restore_box_);
  fill_restore_list();

  pack_start(sync_frame_, Gtk::PACK_SHRINK);
  pack_start(restore_frame_, Gtk::PACK_SHRINK);

  cmdSyncNow.signal_clicked().connect([this] { sync_now(); });
  cmdSyncRestore.signal_clicked().connect([this] { restore(); });
  cboSyncRestore.signal_changed().connect(
      [this] { cmdSyncRestore.set_sensitive(cboSyncRestore.get_active_row_number() >= 0); });
}

SyncSection::~SyncSection() {
  *alive_ = false;
}

SyncSettings SyncSection::typed() const {
  SyncSettings settings;
  settings.folder = txtSyncFolder.get_text();
  settings.user = txtSyncUser.get_text();
  settings.file = txtSyncFile.get_text();
  if (settings.file.empty()) settings.file = SyncSettings().file;
  return settings;
}

bool SyncSection::apply(const std::function<void()>& then) {
  const SyncSettings wanted = typed();
  const SyncSettings was = load_sync_settings();
  if (!save_sync_settings(wanted)) {
    lblSyncState.set_text("The sync settings could not be saved.");
    return false;
  }
  // Another file: what the last sync left is of no use with it.
  if (wanted.folder != was.folder || wanted.file != was.file) store_.forget();
  std::string password = txtSyncPassword.get_text();
  if (password.empty() || !wanted.configured()) {
    if (then) then();
    return true;
  }
  logins_.save(sync_login(wanted), password, [this, alive = alive_, then](bool saved) {
    if (!*alive) return;
    if (saved) {
      txtSyncPassword.set_text("");
      txtSyncPassword.set_placeholder_text(kKeptPassword);
    } else {
      lblSyncState.set_text("The password could not be kept in the keyring.");
    }
    if (then) then();
  });
  wipe(password);
  return true;
}

void SyncSection::sync_now() {
  if (runner_.running()) return;
  cmdSyncNow.set_sensitive(false);
  lblSyncState.set_text("Syncing...");
  if (!apply([this] {
        SyncRequest request;
        request.settings = load_sync_settings();
        run(request);
      })) {
    cmdSyncNow.set_sensitive(true);
  }
}

void SyncSection::run(SyncRequest request) {
  if (!request.settings.configured()) {
    lblSyncState.set_text("Type the address of the server folder first.");
    cmdSyncNow.set_sensitive(true);
    return;
  }
  cmdSyncNow.set_sensitive(false);
  lblSyncState.set_text("Syncing...");
  const bool started =
      runner_.start(request, [this, alive = alive_, request](const SyncOutcome& outcome) {
        if (*alive) finished(request, outcome);
      });
  if (!started) cmdSyncNow.set_sensitive(true);
}

void SyncSection::finished(const SyncRequest& request, const SyncOutcome& outcome) {
  if (outcome.kind == SyncOutcome::Kind::kQuestion) {
    lblSyncState.set_text(outcome.text);
    question_ = std::make_unique<SyncQuestionWindow>(
        outcome, [this, alive = alive_, request](SyncAnswer answer) {
          if (!*alive) return;
          SyncRequest next = request;
          if (apply_sync_answer(answer, next)) {
            run(next);
          } else {
            lblSyncState.set_text("Not synced: the question was left for later.");
            cmdSyncNow.set_sensitive(true);
          }
        });
    if (auto* window = dynamic_cast<Gtk::Window*>(get_toplevel())) {
      question_->set_transient_for(*window);
      question_->set_modal(true);
    }
    question_->show();
    return;
  }
  lblSyncState.set_text(outcome.text);
  cmdSyncNow.set_sensitive(true);
  fill_restore_list();
}

void SyncSection::fill_restore_list() {
  backups_ = store_.local_backups();
  cboSyncRestore.remove_all();
  for (const LocalBackup& backup : backups_) {
    cboSyncRestore.append("Before the sync of " + backup_time(backup.taken));
  }
  if (!backups_.empty()) cboSyncRestore.set_active(0);
  cmdSyncRestore.set_sensitive(!backups_.empty());
}

void SyncSection::restore() {
  const int chosen = cboSyncRestore.get_active_row_number();
  if (chosen < 0 || static_cast<std::size_t>(chosen) >= backups_.size()) return;
  const LocalBackup backup = backups_[static_cast<std::size_t>(chosen)];
  const SyncLock lock(places_.lock_path);
  if (!lock.held() || runner_.running()) {
    lblSyncState.set_text("A sync is under way; restore once it is done.");
    return;
  }
  OwnedChars text;
  gsize length = 0;
  std::optional<LocalRead> wanted;
  if (g_file_get_contents(backup.path.c_str(), out(text), &length, nullptr)) {
    wanted = local_backup_of(std::string_view(text.get(), length));
  }
  if (!wanted) {
    lblSyncState.set_text("That backup could not be read.");
    return;
  }
  FavoritesOnDisk favorites(places_.favorites_folder, places_.fav_dat);
  // What is there now is kept too, so that the restore itself can be undone.
  const LocalRead now = favorites.read();
  if (!now.ok || !store_.keep_local_backup(now, std::time(nullptr))) {
    lblSyncState.set_text(
        "No backup of the favorites as they are could be kept: nothing was restored.");
    return;
  }
  const bool restored = restore_favorites(favorites, *wanted);
  lblSyncState.set_text(restored ? "The favorites are as they were before the sync of " +
                                       backup_time(backup.taken) +
                                       ". Sync Now takes them to the other computers."
                                 : "Some favorites could not be restored.");
  fill_restore_list();
}

}  // namespace kv
