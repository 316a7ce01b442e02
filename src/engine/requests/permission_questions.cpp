#include "engine/requests/permission_questions.h"

#include <glibmm/main.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/infobar.h>
#include <gtkmm/label.h>

#include <algorithm>
#include <optional>

#include "desktop/control_name.h"
#include "desktop/deliberate_press.h"
#include "desktop/guarded.h"
#include "desktop/site_name_label.h"
#include "engine/requests/delegated_frames.h"
#include "engine/requests/desktop_notifications.h"

namespace kv {
namespace {

enum Response { kAllow = 1, kDeny = 2 };

// A page that asks over and over is answered once; more than this many are denied.
constexpr std::size_t kMostRequestsPerQuestion = 32;

std::optional<SitePermission> permission_asked(WebKitPermissionRequest* request) {
  if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) return SitePermission::kLocation;
  if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) return SitePermission::kNotifications;
  if (WEBKIT_IS_POINTER_LOCK_PERMISSION_REQUEST(request)) return SitePermission::kPointerLock;
  if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request)) return SitePermission::kClipboard;
  if (WEBKIT_IS_WEBSITE_DATA_ACCESS_PERMISSION_REQUEST(request)) {
    return SitePermission::kWebsiteData;
  }
  if (WEBKIT_IS_DEVICE_INFO_PERMISSION_REQUEST(request)) return SitePermission::kDevices;
  if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
    auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
    if (webkit_user_media_permission_is_for_display_device(media) != FALSE) {
      return SitePermission::kScreen;
    }
    const bool camera = webkit_user_media_permission_is_for_video_device(media) != FALSE;
    const bool microphone = webkit_user_media_permission_is_for_audio_device(media) != FALSE;
    if (camera && microphone) return SitePermission::kCameraAndMicrophone;
    return camera ? SitePermission::kCamera : SitePermission::kMicrophone;
  }
  return std::nullopt;  // DRM systems and missing media plug-ins keep the engine's answer
}

// Camera and microphone asked together are remembered as the two of them.
std::vector<SitePermission> kept_as(SitePermission permission) {
  if (permission == SitePermission::kCameraAndMicrophone) {
    return {SitePermission::kCamera, SitePermission::kMicrophone};
  }
  return {permission};
}

std::optional<bool> remembered(const SitePermissions& store, const std::string& origin,
                               SitePermission permission) {
  bool all_allowed = true;
  for (SitePermission kept : kept_as(permission)) {
    const auto decision = store.decision(origin, kept);
    if (!decision) return std::nullopt;
    all_allowed = all_allowed && *decision;
  }
  return all_allowed;
}

std::optional<SitePermission> permission_queried(const char* name) {
  const std::string asked = name != nullptr ? name : "";
  if (asked == "geolocation") return SitePermission::kLocation;
  if (asked == "notifications") return SitePermission::kNotifications;
  if (asked == "camera") return SitePermission::kCamera;
  if (asked == "microphone") return SitePermission::kMicrophone;
  return std::nullopt;
}

std::string origin_of_page(WebKitWebView* view) {
  const char* uri = webkit_web_view_get_uri(view);
  return origin_of(uri != nullptr ? uri : "");
}

// What lets a site see or hear the user is remembered only when the user ticks it.
bool remembered_unless_unticked(SitePermission permission) {
  switch (permission) {
    case SitePermission::kLocation:
    case SitePermission::kCamera:
    case SitePermission::kMicrophone:
    case SitePermission::kCameraAndMicrophone:
    case SitePermission::kScreen:
      return false;
    default:
      return true;
  }
}

void deny(WebKitPermissionRequest* request) {
  webkit_permission_request_deny(request);
}

}  // namespace

PermissionQuestions::PermissionQuestions(WebKitWebView* view, Gtk::Box& area, SitePermissions store)
    : view_(view),
      store_(std::move(store)),
      remembers_(webkit_web_view_is_ephemeral(view) == FALSE) {
  set_control_name(stack_, "PermissionQuestions");
  stack_.set_no_show_all(true);
  // Its own room: while bars show, the page below is that much shorter.
  area.pack_start(stack_, Gtk::PACK_SHRINK);
  area.reorder_child(stack_, 0);
  g_signal_connect(view_, "permission-request", G_CALLBACK(on_request), this);
  g_signal_connect(view_, "query-permission-state", G_CALLBACK(on_query), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(on_load_changed), this);
}

PermissionQuestions::~PermissionQuestions() {
  g_signal_handlers_disconnect_by_data(view_, this);
  deny_all();
}

std::optional<PermissionQuestions::Asker> PermissionQuestions::page_asker(
    WebKitWebView* view, WebKitPermissionRequest* request, SitePermission permission) {
  if (permission == SitePermission::kWebsiteData) {
    // A frame of another site asks; its name is all the engine gives, and an answer
    // about one frame on one page is not kept.
    const char* domain = webkit_website_data_access_permission_request_get_requesting_domain(
        WEBKIT_WEBSITE_DATA_ACCESS_PERMISSION_REQUEST(request));
    if (domain == nullptr || *domain == '\0') return std::nullopt;
    return Asker{std::string("data ") + domain, "", domain};
  }
  // A window whose load was stopped, a local file: no site to name or to hold to it.
  std::string origin = origin_of_page(view);
  if (origin.empty()) return std::nullopt;
  return Asker{origin, origin, origin_display_name(origin)};
}

std::optional<PermissionQuestions::Asker> PermissionQuestions::asker_among_frames(
    const Asker& page, const std::optional<std::string>& frame) {
  if (!frame) return std::nullopt;
  if (frame->empty()) return page;
  // The page or its frame asked, and the engine does not say which: both are named, and
  // the answer is kept for neither.
  return Asker{*frame + " in " + page.key, "",
               origin_display_name(*frame) + ", in a frame of " + page.words + ","};
}

gboolean PermissionQuestions::on_request(WebKitWebView* view, WebKitPermissionRequest* request,
                                         gpointer self) {
  const auto permission = permission_asked(request);
  if (!permission) return FALSE;
  auto* questions = static_cast<PermissionQuestions*>(self);
  // The page that asks is on its way out: the view's address already names the next.
  const auto page =
      questions->page_leaving_ ? std::nullopt : page_asker(view, request, *permission);
  if (!page || *permission == SitePermission::kWebsiteData) {
    questions->decide(request, *permission, page);
    return TRUE;
  }
  find_delegated_frame(
      view, *permission,
      [questions, alive = std::weak_ptr<bool>(questions->alive_), number = questions->page_number_,
       held = std::shared_ptr<WebKitPermissionRequest>(ref_object(request)),
       permission = *permission, page = *page](const std::optional<std::string>& frame) {
        // Gone, or another page came in meanwhile: the question has no page to stand for.
        if (alive.expired() || number != questions->page_number_) {
          deny(held.get());
          return;
        }
        questions->decide(held.get(), permission, asker_among_frames(page, frame));
      });
  return TRUE;
}

void PermissionQuestions::decide(WebKitPermissionRequest* request, SitePermission permission,
                                 const std::optional<Asker>& asker) {
  if (!asker) {
    deny(request);
    return;
  }
  if (const auto decision =
          remembers_ ? remembered(store_, asker->origin, permission) : std::nullopt) {
    if (*decision) {
      webkit_permission_request_allow(request);
    } else {
      deny(request);
    }
    return;
  }
  guarded([&] { ask(request, permission, *asker); });
}

void PermissionQuestions::ask(WebKitPermissionRequest* request, SitePermission permission,
                              const Asker& asker) {
  for (auto& question : questions_) {
    if (question->permission == permission && question->key == asker.key) {
      if (question->requests.size() >= kMostRequestsPerQuestion) {
        deny(request);
      } else {
        question->requests.push_back(ref_object(request));
      }
      return;
    }
  }
  auto question = std::make_unique<Question>();
  question->permission = permission;
  question->key = asker.key;
  question->origin = asker.origin;
  question->requests.push_back(ref_object(request));
  question->bar = std::make_unique<Gtk::InfoBar>();
  Gtk::InfoBar& bar = *question->bar;
  set_control_name(bar, "PermissionQuestion");
  bar.set_message_type(Gtk::MESSAGE_QUESTION);
  auto* text = Gtk::make_managed<Gtk::Label>(asker.words + " " + permission_question(permission));
  set_control_name(*text, "lblQuestion");
  text->set_xalign(0.0F);
  keep_site_name_whole(*text);
  text->set_selectable(false);
  auto* keep = Gtk::make_managed<Gtk::CheckButton>("_Remember this decision", true);
  set_control_name(*keep, "chkRemember");
  keep->set_active(remembered_unless_unticked(permission));
  keep->set_visible(remembers_ && !asker.origin.empty());
  keep->set_no_show_all(true);
  guard_button(*keep, GTK_WIDGET(view_));
  auto* content = dynamic_cast<Gtk::Container*>(bar.get_content_area());
  if (content != nullptr) {
    content->add(*text);
    content->add(*keep);
  }
  Gtk::Button* allow = bar.add_button("_Allow", kAllow);
  set_control_name(*allow, "cmdAllow");
  // Presses on the page count too: a page can make the bar come up under a click.
  guard_button(*allow, GTK_WIDGET(view_));
  set_control_name(*bar.add_button("_Deny", kDeny), "cmdDeny");
  Question* asked = question.get();
  bar.signal_response().connect([this, asked, keep](int response) {
    // Closing the bar any other way (Escape) is a "no" that is not kept.
    answer(asked, response == kAllow,
           (response == kAllow || response == kDeny) && remembers_ && keep->get_active());
  });
  bar.show_all();
  stack_.pack_start(bar, Gtk::PACK_SHRINK);
  stack_.show();
  questions_.push_back(std::move(question));
}

void PermissionQuestions::answer(Question* question, bool allow, bool remember) {
  const auto found = std::find_if(questions_.begin(), questions_.end(),
                                  [question](const auto& q) { return q.get() == question; });
  if (found == questions_.end()) return;
  // Taken out first: a request's answer may run the page, which may ask again.
  std::unique_ptr<Question> answered = std::move(*found);
  questions_.erase(found);
  if (allow && !remember && answered->permission == SitePermission::kNotifications) {
    allow_notifications_for_run(view_, answered->origin);
  }
  if (remember && !answered->origin.empty()) {
    for (SitePermission kept : kept_as(answered->permission)) {
      store_.remember(answered->origin, kept, allow);
    }
  }
  for (auto& request : answered->requests) {
    if (allow) {
      webkit_permission_request_allow(request.get());
    } else {
      webkit_permission_request_deny(request.get());
    }
  }
  // The page area may have been destroyed with its window already.
  remove_bar(*answered->bar);
  // The bar's own response handler is running: it goes once that has returned.
  Glib::signal_idle().connect_once([gone = std::shared_ptr<Question>(std::move(answered))] {});
}

void PermissionQuestions::add_bar(Gtk::InfoBar& bar) {
  stack_.pack_start(bar, Gtk::PACK_SHRINK);
  stack_.show();
}

void PermissionQuestions::remove_bar(Gtk::InfoBar& bar) {
  if (bar.get_parent() == &stack_) stack_.remove(bar);
  if (stack_.get_children().empty()) stack_.hide();
}

void PermissionQuestions::deny_all() {
  while (!questions_.empty()) answer(questions_.front().get(), false, false);
}

gboolean PermissionQuestions::on_query(WebKitWebView* /*view*/, WebKitPermissionStateQuery* query,
                                       gpointer self) {
  const auto permission = permission_queried(webkit_permission_state_query_get_name(query));

  WebKitSecurityOrigin* security = webkit_permission_state_query_get_security_origin(query);
  OwnedChars text(security != nullptr ? webkit_security_origin_to_string(security) : nullptr);
  const std::string origin = origin_of(text ? text.get() : "");
  auto* questions = static_cast<PermissionQuestions*>(self);
  const auto decision = permission && questions->remembers_
                            ? questions->store_.decision(origin, *permission)
                            : std::nullopt;
  if (!decision) return FALSE;
  webkit_permission_state_query_finish(
      query, *decision ? WEBKIT_PERMISSION_STATE_GRANTED : WEBKIT_PERMISSION_STATE_DENIED);
  return TRUE;
}

void PermissionQuestions::on_load_changed(WebKitWebView* /*view*/, WebKitLoadEvent event,
                                          gpointer self) {
  auto* questions = static_cast<PermissionQuestions*>(self);
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      questions->page_leaving_ = true;
      ++questions->page_number_;
      questions->deny_all();
      break;
    case WEBKIT_LOAD_COMMITTED:
      questions->page_leaving_ = false;
      ++questions->page_number_;
      questions->deny_all();
      break;
    case WEBKIT_LOAD_FINISHED:  // after a failed or stopped load the old page stays
      questions->page_leaving_ = false;
      break;
    case WEBKIT_LOAD_REDIRECTED:
      break;
  }
}

}  // namespace kv
