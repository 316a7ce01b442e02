#pragma once

#include <gtkmm/box.h>
#include <gtkmm/overlay.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>

#include "desktop/glib_handles.h"
#include "engine/control/web_browser.h"
#include "engine/control/web_engine.h"
#include "engine/requests/window_requests.h"

namespace Gtk {
class Widget;
}

namespace kv {

class LoginFilling;
class LoginForms;
class PageRequests;
class ScriptDialogBox;

// The browser control on WebKitGTK.
//
// The control holds its own reference on the view, so it may be destroyed before or
// after the container that shows the view: when the container goes first the view is
// only destroyed (and stays allocated until the control lets it go); when the control
// goes first it destroys the view, which leaves its container.
//
// Each top-level load raises DownloadBegin, ProgressChange (several), NavigateComplete2,
// TitleChange, DownloadComplete and DocumentComplete; a failed or stopped load raises
// DownloadBegin, DownloadComplete and DocumentComplete. DocumentComplete waits for the
// page's title, so that LocationName names the page by then.
//
// NewWindow2 loads the requested page only when its handler sets ppDisp to a control
// made by WebKitBrowserFactory::create(this control) and leaves Cancel false. Requests a
// page makes without the user asking are dropped without NewWindow2 once the handler has
// made kUnaskedWindowsPerPeriod windows for the control's pages within kUnaskedWindowPeriod.
// Only http, https and about:blank requests reach NewWindow2; others are dropped.
class WebKitBrowser : public WebBrowser {
 public:
  // `related`: the control of a page that asked for a new window, or nullptr. A related
  // control shares the requesting one's session, process and profile, and only a related
  // control may be handed back through the requesting control's NewWindow2. Without one,
  // `private_profile` puts the control on the private windows' context, where nothing
  // it shows is recorded in the history.
  explicit WebKitBrowser(WebKitBrowser* related = nullptr, bool private_profile = false);
  ~WebKitBrowser() override;
  WebKitBrowser(const WebKitBrowser&) = delete;
  WebKitBrowser& operator=(const WebKitBrowser&) = delete;
  WebKitBrowser(WebKitBrowser&&) = delete;
  WebKitBrowser& operator=(WebKitBrowser&&) = delete;

  // The page area, which holds the view.
  Gtk::Widget& widget() override;
  void Navigate(const Glib::ustring& url) override;
  void Navigate2(const std::vector<std::uint8_t>& item_id_list) override;
  void GoBack() override;
  void GoForward() override;
  void GoHome() override;
  void Stop() override;
  void Refresh() override;
  [[nodiscard]] std::vector<std::uint8_t> SessionState() const override;
  bool RestoreSessionState(const std::vector<std::uint8_t>& state) override;
  void ShowRestoreNotice(RestoreOffer offer) override;
  void SetDesignMode(const Glib::ustring& value) override;
  [[nodiscard]] Glib::ustring LocationURL() const override;
  [[nodiscard]] Glib::ustring LocationName() const override;
  void ShowDeveloperTools() override;
  [[nodiscard]] bool Busy() const override;
  [[nodiscard]] std::int32_t TextSize() const override;
  void SetFocus() override;
  void SetVisible(bool visible) override;
  [[nodiscard]] bool Visible() const override;
  [[nodiscard]] bool IsPrivate() const override { return private_context_ != nullptr; }

  [[nodiscard]] WebKitWebView* view() const { return view_; }
  // Where the page's alerts, confirms and prompts are shown and answered.
  [[nodiscard]] ScriptDialogBox& script_dialogs();
  // Whether this control was made for a window requested by `opener`'s page.
  [[nodiscard]] bool is_related_to(const WebKitBrowser& opener) const;

 protected:
  void exec_wb(std::int32_t cmd, std::int32_t opt, std::optional<ExecArg> in,
               std::optional<ExecArg> out) override;

 private:
  static void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static void on_progress(WebKitWebView* view, GParamSpec* property, gpointer self);
  static void on_title(WebKitWebView* view, GParamSpec* property, gpointer self);
  static void on_mouse_target(WebKitWebView* view, WebKitHitTestResult* hit, guint modifiers,
                              gpointer self);
  static void on_destroy(GtkWidget* view, gpointer self);
  static void on_focus(WebKitWebView* view, GParamSpec* property, gpointer self);
  static void on_title_answer(GObject* view, GAsyncResult* result, gpointer self);
  static gboolean on_title_overdue(gpointer self);

  void connect_events();
  // NewWindow2 for a page's request: the view of the window made for it, when it may
  // show the page.
  OpenedWindow open_window();
  // A navigation the user asked for: past the page's dialogs, and free to download.
  void go_as_user(const std::function<void()>& go);
  void load_started();
  void load_finished();
  void emit_title(const Glib::ustring& title);
  void complete_document();
  void cancel_title_query();
  [[nodiscard]] Glib::ustring current_uri() const;
  // Whether another live view still shares this one's web process.
  bool leave_process_group();

  // The private windows' context while this control is one of them: the last control to
  // let go ends it.
  std::shared_ptr<WebKitWebContext> private_context_;
  ObjectRef<WebKitWebView> held_view_;  // our own reference, which view_ names
  WebKitWebView* view_ = nullptr;
  // The page area: the sites' questions in a room of their own above the page, so that
  // no part of the page lies under them; then the view, with the page's dialogs and the
  // full-screen notice over it.
  std::unique_ptr<Gtk::Box> area_ = std::make_unique<Gtk::Box>(Gtk::ORIENTATION_VERTICAL);
  std::unique_ptr<Gtk::Overlay> page_ = std::make_unique<Gtk::Overlay>();
  // Sign-in forms: the save question (among the page's requests) and the accounts under
  // a field.
  std::unique_ptr<LoginForms> login_forms_;
  std::unique_ptr<LoginFilling> login_filling_;
  // What the page asks of the user, and the page's dialogs, which the user's navigations
  // get past.
  std::unique_ptr<PageRequests> requests_;
  WebKitWebView* opener_view_ = nullptr;  // compared only, never used
  std::uint64_t process_group_ = 0;       // the views that share this one's web process
  bool view_destroyed_ = false;           // the container destroyed the view already
  gint64 focused_at_ = 0;                 // when the view last took the focus
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for deferred commands
  bool over_link_ = false;                                      // the last status text named a link
  bool loading_ = false;                        // between a load's start and its end
  std::optional<std::int32_t> early_progress_;  // reported before its load started
  Glib::ustring last_title_;                    // the title TitleChange reported last
  Glib::ustring document_title_;                // the title as read from the page
  // A finished load whose DocumentComplete waits for the page's title.
  Glib::ustring finished_uri_;
  ObjectRef<GCancellable> title_query_;
  guint title_timer_ = 0;
};

class WebKitBrowserFactory : public WebBrowserFactory {
 public:
  // A related control when `related` is a WebKitBrowser, otherwise a new top-level one.
  std::unique_ptr<WebBrowser> create(WebBrowser* related) override;
  std::unique_ptr<WebBrowser> create_private() override;
};

}  // namespace kv
