#include "engine/downloads/downloads.h"

#include <gio/gio.h>
#include <glibmm/convert.h>
#include <glibmm/main.h>
#include <glibmm/miscutils.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "desktop/user_paths.h"
#include "engine/downloads/download_files.h"
#include "engine/downloads/download_run_question.h"
#include "engine/downloads/download_save_dialog.h"
#include "engine/downloads/download_window.h"
#include "engine/downloads/unasked_downloads.h"
#include "engine/downloads/unfinished_downloads.h"

namespace kv {
namespace {

// Progress is shown at most this often: the engine reports every few kilobytes.
constexpr gint64 kProgressEveryMicros = 100 * 1000;

bool open_with_default_handler(const std::string& uri) {
  const ObjectRef<GdkAppLaunchContext> context(
      gdk_display_get_app_launch_context(gdk_display_get_default()));
  return g_app_info_launch_default_for_uri(uri.c_str(), G_APP_LAUNCH_CONTEXT(context.get()),
                                           nullptr) != FALSE;
}

struct Desktop {
  SaveChooser choose = &run_download_save_dialog;
  UriOpener open = &open_with_default_handler;
  RunConfirmer confirm_run = &run_download_run_question;
};

Desktop& desktop() {
  static Desktop services;
  return services;
}

bool& failures_keep_partial_files() {
  static bool keep = false;
  return keep;
}

// The host a download comes from, as the user knows it from the address.
std::string source_of(WebKitDownload* download) {
  const char* uri = webkit_uri_request_get_uri(webkit_download_get_request(download));
  const OwnedUri parsed(uri != nullptr ? g_uri_parse(uri, G_URI_FLAGS_NONE, nullptr) : nullptr);
  if (!parsed) return "an unknown address";
  const char* host = g_uri_get_host(parsed.get());
  return host != nullptr && *host != '\0'
             ? std::string(host)
             : "a " + std::string(g_uri_get_scheme(parsed.get())) + ": address";
}

GtkWindow* window_of(WebKitDownload* download) {
  WebKitWebView* view = webkit_download_get_web_view(download);
  if (view == nullptr) return nullptr;
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
  return gtk_widget_is_toplevel(top) != FALSE && GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

// One download, from the engine's start to the user closing its window.
class Download : public std::enable_shared_from_this<Download> {
 public:
  // A private window's download leaves nothing on disk but the file itself.
  Download(WebKitDownload* download, bool leaves_no_trace)
      : download_(ref_object(download)),
        source_(source_of(download)),
        leaves_no_trace_(leaves_no_trace) {}
  ~Download() {
    if (progress_timer_ != 0) g_source_remove(progress_timer_);
    g_signal_handlers_disconnect_by_data(download_.get(), this);
  }
  Download(const Download&) = delete;
  Download& operator=(const Download&) = delete;
  Download(Download&&) = delete;
  Download& operator=(Download&&) = delete;

  void connect() {
    g_signal_connect(download_.get(), "decide-destination", G_CALLBACK(&Download::on_decide), this);
    g_signal_connect(download_.get(), "received-data", G_CALLBACK(&Download::on_received), this);
    g_signal_connect(download_.get(), "failed", G_CALLBACK(&Download::on_failed), this);
    g_signal_connect(download_.get(), "finished", G_CALLBACK(&Download::on_finished), this);
  }

  // Quietly: the partial file goes, and the window with it.
  void cancel() {
    // Once is enough: the engine fails on a second cancel before the first has ended it.
    if (ended_ || cancelled_) return;
    cancelled_ = true;
    webkit_download_cancel(download_.get());
    discard_partial();
    if (window_) window_->hide();
  }

  [[nodiscard]] bool ended() const { return ended_; }
  [[nodiscard]] DownloadWindow* shown_window() const {
    return window_ && window_->get_visible() ? window_.get() : nullptr;
  }

 private:
  static gboolean on_decide(WebKitDownload* download, gchar* suggested, gpointer self) {
    auto* me = static_cast<Download*>(self);
    me->file_name_ = download_file_name(suggested != nullptr ? suggested : "");
    me->asking_ = true;
    std::weak_ptr<Download> weak = me->weak_from_this();
    if (!download_may_ask(download)) {
      // Answered as a Cancel in the save dialog would be, from the main loop.
      Glib::signal_idle().connect_once([weak] {
        if (auto alive = weak.lock()) alive->answered(std::nullopt);
      });
      return TRUE;
    }
    const SaveQuestion question{window_of(download), download_dir(), me->file_name_,
                                me->leaves_no_trace_};
    guarded([&] {
      desktop().choose(question, [weak](std::optional<SaveAnswer> chosen) {
        if (auto alive = weak.lock()) alive->answered(std::move(chosen));
      });
    });
    // The engine holds the download until the destination is set.
    return TRUE;
  }

  static void on_received(WebKitDownload* /*download*/, guint64 /*length*/, gpointer self) {
    auto* me = static_cast<Download*>(self);
    if (!me->received_kept_ && !me->partial_.empty() && !me->leaves_no_trace_) {
      me->received_kept_ = keep_received_data(me->partial_);
    }
    me->show_progress(false);
  }

  static gboolean on_progress_due(gpointer self) {
    auto* me = static_cast<Download*>(self);
    me->progress_timer_ = 0;
    me->show_progress(true);
    return G_SOURCE_REMOVE;
  }

  static void on_failed(WebKitDownload* /*download*/, GError* error, gpointer self) {
    auto* me = static_cast<Download*>(self);
    // Our own cancel: its reason, if any, is set already.
    if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER)) {
      return;
    }
    if (!me->failure_) me->failure_ = error->message;
  }

  static void on_finished(WebKitDownload* /*download*/, gpointer self) {
    static_cast<Download*>(self)->end();
  }

  void answered(std::optional<SaveAnswer> chosen) {
    asking_ = false;
    if (!chosen) {
      cancel();
      if (ended_) retire();
      return;
    }
    final_ = std::move(chosen->path);
    // Only the file the user was asked about may be replaced; one that appears later
    // never is.
    may_replace_ = chosen->replace;
    // A partial file of a download that runs (picked in the dialog's list, or completed
    // into its name field) is never a download's end: it is saved under the name that
    // partial file stands for, beside whatever has that name by then.
    if (auto meant = name_beneath_partial(final_)) {
      final_ = std::move(*meant);
      may_replace_ = false;
    }
    if (ended_) {
      // It failed while the dialog was open.
      show_ended();
      return;
    }
    std::string error;
    if (auto partial = reserve_partial_file(final_, error)) {
      partial_ = std::move(*partial);
      if (!leaves_no_trace_) unfinished_downloads().add({partial_, final_});
      // The partial file is ours, made empty just now.
      webkit_download_set_allow_overwrite(download_.get(), TRUE);
      webkit_download_set_destination(download_.get(), Glib::filename_to_uri(partial_).c_str());
    } else {
      failure_ =
          "the file could not be made in " + Glib::path_get_dirname(final_) + " (" + error + ")";
      webkit_download_cancel(download_.get());
    }
    open_window();
    if (failure_) window_->show_failed(*failure_);
  }

  void open_window() {
    window_ = std::make_unique<DownloadWindow>(file_name_, source_);
    window_->cmdCancel.signal_clicked().connect([this] { cancel(); });
    window_->cmdClose.signal_clicked().connect([this] { close(); });
    window_->cmdOpen.signal_clicked().connect([this] { open_file(); });
    window_->cmdOpenFolder.signal_clicked().connect(
        [this] { open(Glib::path_get_dirname(final_)); });
    // The close box cancels a download that runs, and closes one that has ended.
    window_->signal_delete_event().connect([this](GdkEventAny*) {
      if (ended_) {
        close();
      } else {
        cancel();
      }
      return true;
    });
    show_progress(true);
    window_->show();
  }

  void show_progress(bool now) {
    if (!window_ || ended_) return;
    const gint64 time = g_get_monotonic_time();
    if (!now && time - shown_at_ < kProgressEveryMicros) {
      // The last report before a pause must still be shown.
      if (progress_timer_ == 0) {
        progress_timer_ =
            g_timeout_add(kProgressEveryMicros / 1000, &Download::on_progress_due, this);
      }
      return;
    }
    shown_at_ = time;
    WebKitURIResponse* response = webkit_download_get_response(download_.get());
    const guint64 total =
        response != nullptr ? webkit_uri_response_get_content_length(response) : 0;
    window_->show_progress(webkit_download_get_received_data_length(download_.get()), total);
  }

  void end() {
    if (ended_) return;
    ended_ = true;
    if (cancelled_) {
      discard_partial();
      if (!asking_) retire();
      return;
    }
    // A failure while the save dialog is open is shown once it is answered.
    if (!asking_) show_ended();
  }

  void show_ended() {
    std::string error;
    if (!failure_ && partial_.empty()) {
      failure_ = "the connection ended before the file could be saved";
    } else if (!failure_) {
      if (auto saved = complete_partial_file(partial_, final_, may_replace_, error)) {
        final_ = std::move(*saved);
        if (!leaves_no_trace_) unfinished_downloads().remove(partial_);
      } else {
        failure_ = "it could not be saved as " + final_ + " (" + error + ")";
      }
    }
    if (!window_) open_window();
    if (failure_) {
      // At a log-out the record keeps it, for the next start to tell.
      if (!failures_keep_partial_files()) discard_partial();
      window_->show_failed(*failure_);
    } else {
      window_->show_done(final_, webkit_download_get_received_data_length(download_.get()));
    }
  }

  // A program, script or launcher runs when opened: the user says so first.
  void open_file() {
    const auto type = program_file_type(final_);
    if (!type) {
      open(final_);
      return;
    }
    std::weak_ptr<Download> weak = weak_from_this();
    const RunQuestion question{GTK_WINDOW(window_->gobj()), final_, *type};
    guarded([&] {
      desktop().confirm_run(question, [weak](bool run) {
        auto alive = weak.lock();
        if (alive && run && alive->window_) alive->open(alive->final_);
      });
    });
  }

  void open(const std::string& path) {
    if (!desktop().open(Glib::filename_to_uri(path))) {
      window_->lblStatus.set_text("No program could open " + path + ".");
    }
  }

  void close() {
    if (window_) window_->hide();
    retire();
  }

  void discard_partial() {
    if (partial_.empty()) return;
    discard_partial_file(partial_);
    if (!leaves_no_trace_) unfinished_downloads().remove(partial_);
  }

  void retire();

  const ObjectRef<WebKitDownload> download_;
  std::string source_;
  std::string file_name_;
  std::string final_;
  std::string partial_;
  std::optional<std::string> failure_;
  std::unique_ptr<DownloadWindow> window_;
  gint64 shown_at_ = 0;
  guint progress_timer_ = 0;
  bool may_replace_ = false;  // the user agreed to replace the file at final_
  const bool leaves_no_trace_;
  bool asking_ = false;
  bool cancelled_ = false;
  bool ended_ = false;
  bool received_kept_ = false;  // a name of ours holds what the engine receives
};

std::vector<std::shared_ptr<Download>>& all_downloads() {
  static std::vector<std::shared_ptr<Download>> downloads;
  return downloads;
}

void Download::retire() {
  // Let go once the handler that retired it has returned.
  Glib::signal_idle().connect_once([gone = this] {
    std::erase_if(all_downloads(), [gone](const auto& d) { return d.get() == gone; });
  });
}

gboolean on_response(WebKitWebView* /*view*/, WebKitPolicyDecision* decision,
                     WebKitPolicyDecisionType type, gpointer /*data*/) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
  auto* answer = WEBKIT_RESPONSE_POLICY_DECISION(decision);
  if (webkit_response_policy_decision_is_mime_type_supported(answer) != FALSE ||
      webkit_response_policy_decision_is_main_frame_main_resource(answer) == FALSE) {
    return FALSE;
  }
  // An error page of an odd type is the server's message, not the file.
  if (webkit_uri_response_get_status_code(webkit_response_policy_decision_get_response(answer)) >=
      400) {
    return FALSE;
  }
  webkit_policy_decision_download(decision);
  return TRUE;
}

void on_download_started(WebKitWebContext* context, WebKitDownload* download, gpointer /*data*/) {
  guarded([&] {
    auto made =
        std::make_shared<Download>(download, webkit_web_context_is_ephemeral(context) != FALSE);
    made->connect();
    all_downloads().push_back(std::move(made));
  });
}

}  // namespace

void use_download_desktop(SaveChooser chooser, UriOpener opener, RunConfirmer confirm_run) {
  desktop().choose = std::move(chooser);
  desktop().open = std::move(opener);
  desktop().confirm_run = std::move(confirm_run);
}

void watch_downloads(WebKitWebContext* context) {
  g_signal_connect(context, "download-started", G_CALLBACK(&on_download_started), nullptr);
}

void download_what_cannot_be_shown(WebKitWebView* view) {
  g_signal_connect(view, "decide-policy", G_CALLBACK(&on_response), nullptr);
}

bool open_download_location(const std::string& path) {
  return desktop().open(Glib::filename_to_uri(path));
}

std::vector<DownloadWindow*> download_windows() {
  std::vector<DownloadWindow*> windows;
  for (const auto& download : all_downloads()) {
    if (DownloadWindow* window = download->shown_window()) windows.push_back(window);
  }
  return windows;
}

std::size_t downloads_in_progress() {
  return static_cast<std::size_t>(std::count_if(all_downloads().begin(), all_downloads().end(),
                                                [](const auto& d) { return !d->ended(); }));
}

void cancel_all_downloads() {
  for (const auto& download : all_downloads()) download->cancel();
}

void keep_partial_files_of_failures() {
  failures_keep_partial_files() = true;
}

}  // namespace kv
