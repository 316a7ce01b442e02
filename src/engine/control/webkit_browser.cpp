#include "engine/control/webkit_browser.h"

#include <glibmm/main.h>
#include <gtkmm/widget.h>

#include <cmath>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/guarded.h"
#include "desktop/internet_settings.h"
#include "desktop/page_title.h"
#include "engine/control/content_blocking_views.h"
#include "engine/control/history_recorder.h"
#include "engine/control/kept_selection.h"
#include "engine/control/page_focus_wait.h"
#include "engine/control/spare_view.h"
#include "engine/control/webkit_page_commands.h"
#include "engine/downloads/downloads.h"
#include "engine/downloads/unasked_downloads.h"
#include "engine/logins/login_filling.h"
#include "engine/logins/login_forms.h"
#include "engine/pages/certificate_page.h"
#include "engine/pages/crash_page.h"
#include "engine/pages/folder_scheme.h"
#include "engine/pages/unreachable_page.h"
#include "engine/profile/program_world.h"
#include "engine/requests/full_screen_events.h"
#include "engine/requests/page_dialogs.h"
#include "engine/requests/page_requests.h"

namespace kv {
namespace {

// Whether the engine would take `url` for a script address. Like the engine, this skips
// leading controls and spaces and ignores tabs and line breaks inside the scheme.
bool is_script_address(const Glib::ustring& url) {
  constexpr std::string_view kScript = "javascript:";
  const std::string& raw = url.raw();
  std::size_t at = 0;
  while (at < raw.size() && static_cast<unsigned char>(raw[at]) <= 0x20) ++at;
  std::string scheme;
  for (; at < raw.size() && scheme.size() < kScript.size(); ++at) {
    const char c = raw[at];
    if (c == '\t' || c == '\n' || c == '\r') continue;
    scheme += g_ascii_tolower(c);
  }
  return scheme == kScript;
}

// A command this soon after the view took the focus waits for the page to know of it.
constexpr gint64 kRecentFocusMicros = 1000 * 1000;
constexpr std::chrono::milliseconds kFocusWaitLimit{2000};

bool is_editing_command(std::int32_t cmd) {
  switch (cmd) {
    case olecmd::kCut:
    case olecmd::kCopy:
    case olecmd::kPaste:
    case olecmd::kUndo:
    case olecmd::kSelectAll:
    case olecmd::kClearSelection:
      return true;
    default:
      return false;
  }
}

// The user's Back or Forward to `item` (none when there is nowhere to go).
void expect_users_history_move(WebKitWebView* view, WebKitBackForwardListItem* item) {
  const char* address = item != nullptr ? webkit_back_forward_list_item_get_uri(item) : nullptr;
  if (address != nullptr) expect_users_navigation(view, address, VisitKind::kLink);
}

// Live views by their group: related views share one web process.
std::map<std::uint64_t, int>& process_groups() {
  static std::map<std::uint64_t, int> groups;
  return groups;
}

}  // namespace

WebKitBrowser::WebKitBrowser(WebKitBrowser* related, bool private_profile) {
  GtkWidget* made = nullptr;
  if (related != nullptr) {
    // Shares the opener's context, settings and web process, as the engine requires of
    // a view handed back for a page's window request.
    made = webkit_web_view_new_with_related_view(related->view());
    private_context_ = related->private_context_;
    opener_view_ = related->view();
    g_object_add_weak_pointer(G_OBJECT(opener_view_), reinterpret_cast<gpointer*>(&opener_view_));
  } else if (private_profile) {
    private_context_ = private_web_context();
    made = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", private_context_.get(),
                                   "settings", shared_web_settings(), nullptr));
  } else if (ObjectRef<WebKitWebView> spare = take_spare_view()) {
    made = GTK_WIDGET(spare.release());  // its one reference is ours, sunk already
  } else {
    made = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", shared_web_context(),
                                   "settings", shared_web_settings(), nullptr));
  }
  held_view_.reset(
      WEBKIT_WEB_VIEW(g_object_is_floating(made) != FALSE ? g_object_ref_sink(made) : made));
  view_ = held_view_.get();
  static std::uint64_t groups_made = 0;
  process_group_ = related != nullptr ? related->process_group_ : ++groups_made;
  ++process_groups()[process_group_];
  gtk_widget_show(made);
  gtk_container_add(GTK_CONTAINER(page_->gobj()), made);
  page_->show();
  area_->pack_end(*page_, Gtk::PACK_EXPAND_WIDGET);
  area_->show();
  // First, so that its load-failed handler runs before any that stops the emission.
  if (!private_context_) record_completed_pages(view_);
  offer_certificate_exceptions(view_);
  show_ended_pages(view_);
  show_unreachable_pages(view_, g_network_monitor_get_default());
  keep_selection_in_background(view_);
  download_what_cannot_be_shown(view_);
  limit_unasked_downloads(view_);
  follow_content_blocking(view_);
  login_forms_ = std::make_unique<LoginForms>(view_);
  login_filling_ = std::make_unique<LoginFilling>(view_, *login_forms_, desktop_login_store());
  requests_ = std::make_unique<PageRequests>(
      view_, *area_, *page_, *login_forms_,
      PageRequestEvents{
          .full_screen = [this](bool full) { FullScreenChange.emit(full); },
          .history_button = [this](bool forward) { HistoryButtonPress.emit(forward); },
          .link_to_new_window = [this](const std::string& uri) { LinkToNewWindow.emit(uri); },
          .open_window = [this] { return open_window(); }});
  connect_events();
}

WebKitBrowser::~WebKitBrowser() {
  // Whatever the engine reports while the view goes (the end of a full screen) finds
  // the window half gone: no event is raised from here on.
  alive_.reset();
  requests_.reset();
  login_filling_.reset();
  login_forms_.reset();
  // Safe whether or not the view was destroyed already: disposing drops the handlers.
  g_signal_handlers_disconnect_by_data(view_, this);
  cancel_title_query();
  if (opener_view_ != nullptr) {
    g_object_remove_weak_pointer(G_OBJECT(opener_view_),
                                 reinterpret_cast<gpointer*>(&opener_view_));
  }
  const bool shares_process = leave_process_group();
  if (view_destroyed_) return;
  if (has_been_full_screen(view_)) {
    // Whatever ends its process from here on, nobody is to be told.
    g_signal_handlers_disconnect_matched(
        view_, G_SIGNAL_MATCH_ID, g_signal_lookup("web-process-terminated", WEBKIT_TYPE_WEB_VIEW),
        0, nullptr, nullptr, nullptr);
    if (shares_process) {
      // Its web process serves other windows' pages: the view is kept, out of every
      // window and on an empty page, until the program ends.
      static std::vector<ObjectRef<WebKitWebView>> kept;
      gtk_container_remove(GTK_CONTAINER(page_->gobj()), GTK_WIDGET(view_));
      webkit_web_view_load_uri(view_, "about:blank");
      kept.push_back(std::move(held_view_));
      return;
    }
    // The engine (2.50) fails within a second once a view that had the screen is
    // destroyed while its web process lives on: a late call of that page reaches the
    // gone view. Its process ends first.
    webkit_web_view_terminate_web_process(view_);
  }
  gtk_widget_destroy(GTK_WIDGET(view_));
}

bool WebKitBrowser::leave_process_group() {
  auto& groups = process_groups();
  const auto group = groups.find(process_group_);
  if (group == groups.end()) return false;
  if (--group->second > 0) return true;
  groups.erase(group);
  return false;
}

Gtk::Widget& WebKitBrowser::widget() {
  return *area_;
}

ScriptDialogBox& WebKitBrowser::script_dialogs() {
  return requests_->dialogs().box();
}

void WebKitBrowser::Navigate(const Glib::ustring& url) {
  // A script address would run in the shown page, and an alert it raised would hold the
  // page (and every later navigation) until answered; the control navigates to pages only.
  if (is_script_address(url)) return;
  go_as_user([view = view_, address = url.raw()] {
    webkit_web_view_load_uri(view, address.c_str());
    // The view holds the address as the engine will request it.
    const char* requested = webkit_web_view_get_uri(view);
    expect_users_navigation(view, requested != nullptr ? requested : address, VisitKind::kChosen);
  });
}

void WebKitBrowser::Navigate2(const std::vector<std::uint8_t>& item_id_list) {
  go_as_user(
      [view = view_, item_id_list] { guarded([&] { show_shell_folder(view, item_id_list); }); });
}

void WebKitBrowser::GoBack() {
  go_as_user([view = view_] {
    expect_users_history_move(
        view, webkit_back_forward_list_get_back_item(webkit_web_view_get_back_forward_list(view)));
    webkit_web_view_go_back(view);
  });
}
void WebKitBrowser::GoForward() {
  go_as_user([view = view_] {
    expect_users_history_move(view, webkit_back_forward_list_get_forward_item(
                                        webkit_web_view_get_back_forward_list(view)));
    webkit_web_view_go_forward(view);
  });
}
void WebKitBrowser::GoHome() {
  Navigate(configured_home_page());
}
void WebKitBrowser::Stop() {
  webkit_web_view_stop_loading(view_);
}
void WebKitBrowser::Refresh() {
  go_as_user([view = view_] {
    const char* shown = webkit_web_view_get_uri(view);
    if (shown != nullptr) expect_users_navigation(view, shown, VisitKind::kLink);
    webkit_web_view_reload(view);
  });
}

void WebKitBrowser::go_as_user(const std::function<void()>& go) {
  // What the user asks for may be a file to download.
  allow_next_download(view_);
  requests_->dialogs().leave(go);
}

void WebKitBrowser::SetDesignMode(const Glib::ustring& value) {
  // The value travels as an argument, never as script text, so no value can run code.
  GVariantDict arguments;
  g_variant_dict_init(&arguments, nullptr);
  g_variant_dict_insert_value(&arguments, "value", g_variant_new_string(value.c_str()));
  webkit_web_view_call_async_javascript_function(view_, "document.designMode = value;", -1,
                                                 g_variant_dict_end(&arguments), nullptr, nullptr,
                                                 nullptr, nullptr, nullptr);
}

Glib::ustring WebKitBrowser::current_uri() const {
  const char* uri = webkit_web_view_get_uri(view_);
  return uri != nullptr ? uri : "";
}

Glib::ustring WebKitBrowser::LocationURL() const {
  return current_uri();
}

Glib::ustring WebKitBrowser::LocationName() const {
  const char* title = webkit_web_view_get_title(view_);
  const std::string shown = shown_title(title != nullptr ? title : "");
  if (!shown.empty()) return shown;
  if (!document_title_.empty()) return document_title_;
  return current_uri();
}

bool WebKitBrowser::Busy() const {
  return loading_;
}

std::int32_t WebKitBrowser::TextSize() const {
  const double zoom = webkit_web_view_get_zoom_level(view_);
  std::size_t nearest = 0;
  for (std::size_t level = 1; level < kTextZoomFactors.size(); ++level) {
    if (std::abs(kTextZoomFactors.at(level) - zoom) <
        std::abs(kTextZoomFactors.at(nearest) - zoom)) {
      nearest = level;
    }
  }
  return static_cast<std::int32_t>(nearest);
}

void WebKitBrowser::ShowDeveloperTools() {
  webkit_web_inspector_show(webkit_web_view_get_inspector(view_));
}

void WebKitBrowser::SetFocus() {
  gtk_widget_grab_focus(GTK_WIDGET(view_));
}
void WebKitBrowser::SetVisible(bool visible) {
  area_->set_visible(visible);
  gtk_widget_set_visible(GTK_WIDGET(view_), visible ? TRUE : FALSE);
}
bool WebKitBrowser::Visible() const {
  return area_->get_visible();
}

bool WebKitBrowser::is_related_to(const WebKitBrowser& opener) const {
  return opener_view_ != nullptr && opener_view_ == opener.view_;
}

void WebKitBrowser::exec_wb(std::int32_t cmd, std::int32_t opt, std::optional<ExecArg> in,
                            std::optional<ExecArg> out) {
  // Copy from the address box moves the focus into the page just before it: the page
  // must know that it has the focus before an editing command reaches it.
  if (is_editing_command(cmd) && g_get_monotonic_time() - focused_at_ < kRecentFocusMicros) {
    WebKitWebView* view = view_;
    run_when_page_has_focus(
        view_, alive_, [view, cmd, opt, in, out] { exec_page_command(view, cmd, opt, in, out); },
        kFocusWaitLimit);
    return;
  }
  exec_page_command(view_, cmd, opt, in, out);
}

void WebKitBrowser::on_focus(WebKitWebView* view, GParamSpec* /*property*/, gpointer self) {
  if (gtk_widget_is_focus(GTK_WIDGET(view)) != FALSE) {
    static_cast<WebKitBrowser*>(self)->focused_at_ = g_get_monotonic_time();
  }
}

void WebKitBrowser::connect_events() {
  g_signal_connect(view_, "load-changed", G_CALLBACK(on_load_changed), this);
  g_signal_connect(view_, "notify::estimated-load-progress", G_CALLBACK(on_progress), this);
  g_signal_connect(view_, "notify::title", G_CALLBACK(on_title), this);
  g_signal_connect(view_, "mouse-target-changed", G_CALLBACK(on_mouse_target), this);
  g_signal_connect(view_, "destroy", G_CALLBACK(on_destroy), this);
  g_signal_connect(view_, "notify::is-focus", G_CALLBACK(on_focus), this);
  // "ready-to-show" needs nothing: NewWindow2's handler has shown the new window. A
  // page's window.close() ("close") is ignored: windows close by their own close box.
}

void WebKitBrowser::on_load_changed(WebKitWebView* /*view*/, WebKitLoadEvent event, gpointer self) {
  auto* browser = static_cast<WebKitBrowser*>(self);
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      browser->load_started();
      break;
    case WEBKIT_LOAD_COMMITTED:
      browser->document_title_.clear();
      guarded([&] { browser->NavigateComplete2.emit(browser->current_uri()); });
      break;
    case WEBKIT_LOAD_FINISHED:  // also after a failed or stopped load
      browser->load_finished();
      break;
    case WEBKIT_LOAD_REDIRECTED:
      break;
  }
}

void WebKitBrowser::load_started() {
  // A load that is still waiting for its title completes before the next one begins.
  if (title_query_) complete_document();
  loading_ = true;
  guarded([&] { DownloadBegin.emit(); });
  if (early_progress_) {
    const std::int32_t percent = *early_progress_;
    early_progress_.reset();
    guarded([&] { ProgressChange.emit(percent, 100); });
  }
}

void WebKitBrowser::load_finished() {
  loading_ = false;
  finished_uri_ = current_uri();
  const char* title = webkit_web_view_get_title(view_);
  if (title != nullptr && *title != '\0') {
    complete_document();
    return;
  }
  // The engine sends a page's title with the page's next drawing, often after the load
  // has finished. Reading it from the page first keeps the control's order: the title,
  // then DocumentComplete with LocationName naming the page. A page too busy to answer
  // (a script dialog, an endless loop) completes without it.
  constexpr guint kTitleWaitMs = 500;
  title_query_.reset(g_cancellable_new());
  title_timer_ = g_timeout_add(kTitleWaitMs, &WebKitBrowser::on_title_overdue, this);
  webkit_web_view_evaluate_javascript(view_, "document.title", -1, kProgramWorld, nullptr,
                                      title_query_.get(), &WebKitBrowser::on_title_answer, this);
}

void WebKitBrowser::on_title_answer(GObject* view, GAsyncResult* result, gpointer self) {
  OwnedError error;
  const ObjectRef<JSCValue> value(
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, out(error)));
  const bool cancelled = g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED) != FALSE;
  Glib::ustring title;
  if (value && jsc_value_is_string(value.get()) != FALSE) {
    title = take_string(jsc_value_to_string(value.get()));
  }
  // Cancelled: the control may be gone, or has completed this load already.
  if (cancelled) return;
  auto* browser = static_cast<WebKitBrowser*>(self);
  if (!title.empty()) {
    browser->document_title_ = shown_title(title.raw());
    browser->emit_title(title);
  }
  browser->complete_document();
}

gboolean WebKitBrowser::on_title_overdue(gpointer self) {
  auto* browser = static_cast<WebKitBrowser*>(self);
  browser->title_timer_ = 0;
  browser->complete_document();
  return G_SOURCE_REMOVE;
}

void WebKitBrowser::cancel_title_query() {
  if (title_timer_ != 0) g_source_remove(title_timer_);
  title_timer_ = 0;
  if (title_query_) {
    g_cancellable_cancel(title_query_.get());
    title_query_.reset();
  }
}

void WebKitBrowser::complete_document() {
  cancel_title_query();
  guarded([&] { DownloadComplete.emit(); });
  guarded([&] { DocumentComplete.emit(finished_uri_); });
}

void WebKitBrowser::on_progress(WebKitWebView* view, GParamSpec* /*property*/, gpointer self) {
  auto* browser = static_cast<WebKitBrowser*>(self);
  const double value = webkit_web_view_get_estimated_load_progress(view);
  const auto percent = static_cast<std::int32_t>(std::lround(100.0 * value));
  // The engine reports a load's first progress just before the load's start; it is held
  // back until then so that DownloadBegin comes first.
  if (!browser->loading_) {
    browser->early_progress_ = percent;
    return;
  }
  guarded([&] { browser->ProgressChange.emit(percent, 100); });
}

void WebKitBrowser::on_title(WebKitWebView* view, GParamSpec* /*property*/, gpointer self) {
  auto* browser = static_cast<WebKitBrowser*>(self);
  const char* title = webkit_web_view_get_title(view);
  browser->emit_title(title != nullptr ? title : "");
}

void WebKitBrowser::emit_title(const Glib::ustring& page_title) {
  // As every window of ours shows a title: without the characters that turn text around.
  const Glib::ustring title = shown_title(page_title.raw());
  // The engine's own report of a title already read from the page is not repeated.
  if (title == last_title_) return;
  last_title_ = title;
  guarded([&] { TitleChange.emit(title); });
}

void WebKitBrowser::on_mouse_target(WebKitWebView* /*view*/, WebKitHitTestResult* hit,
                                    guint /*modifiers*/, gpointer self) {
  auto* browser = static_cast<WebKitBrowser*>(self);
  const char* link = webkit_hit_test_result_context_is_link(hit) != FALSE
                         ? webkit_hit_test_result_get_link_uri(hit)
                         : nullptr;
  if (link != nullptr) {
    browser->over_link_ = true;
    guarded([&] { browser->StatusTextChange.emit(link); });
  } else if (browser->over_link_) {
    // Cleared once when the pointer leaves a link, not on every move after.
    browser->over_link_ = false;
    guarded([&] { browser->StatusTextChange.emit(""); });
  }
}

OpenedWindow WebKitBrowser::open_window() {
  WebBrowser* target = nullptr;
  bool cancel = false;
  guarded([&] { NewWindow2.emit(target, cancel); });
  OpenedWindow opened{.made = target != nullptr};
  auto* control = dynamic_cast<WebKitBrowser*>(target);
  // The engine accepts only a view related to the requesting one.
  if (!cancel && control != nullptr && control->is_related_to(*this)) opened.view = control->view_;
  return opened;
}

void WebKitBrowser::on_destroy(GtkWidget* /*view*/, gpointer self) {
  static_cast<WebKitBrowser*>(self)->view_destroyed_ = true;
}

std::unique_ptr<WebBrowser> WebKitBrowserFactory::create(WebBrowser* related) {
  return std::make_unique<WebKitBrowser>(dynamic_cast<WebKitBrowser*>(related));
}

std::unique_ptr<WebBrowser> WebKitBrowserFactory::create_private() {
  return std::make_unique<WebKitBrowser>(nullptr, true);
}

}  // namespace kv
