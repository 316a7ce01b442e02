#include "engine/logins/login_forms.h"

#include <sys/random.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "desktop/guarded.h"
#include "desktop/login_store.h"
#include "desktop/object_state.h"
#include "engine/logins/login_script.h"
#include "engine/profile/program_world.h"
#include "engine/profile/site_permissions.h"

namespace kv {
namespace {

constexpr const char* kManagerKey = "kv-login-forms";
// A submission waits this long at most for the program's world to read the form.
constexpr guint kReadLimitMs = 1000;

// This run's key, which only the program's own script knows.
const std::string& run_key() {
  static const std::string key = [] {
    unsigned char bytes[16] = {};
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
      for (auto& byte : bytes) byte = static_cast<unsigned char>(g_random_int());
    }
    std::string text;
    for (unsigned char byte : bytes) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02x", byte);
      text += hex;
    }
    return text;
  }();
  return key;
}

// The views of one content manager (a window and the windows its pages opened).
struct ManagerViews {
  std::vector<LoginForms*> views;
};

std::string text_property(JSCValue* object, const char* name) {
  const ObjectRef<JSCValue> value(jsc_value_object_get_property(object, name));
  if (!value || jsc_value_is_string(value.get()) == FALSE) return {};
  return take_string(jsc_value_to_string(value.get()));
}

double number_property(JSCValue* object, const char* name) {
  const ObjectRef<JSCValue> value(jsc_value_object_get_property(object, name));
  if (!value || jsc_value_is_number(value.get()) == FALSE) return NAN;
  return jsc_value_to_double(value.get());
}

std::string page_origin(WebKitWebView* view) {
  const char* uri = webkit_web_view_get_uri(view);
  return origin_of(uri != nullptr ? uri : "");
}

// The page's pixels in the view's: a zoomed page is drawn larger.
double page_scale(WebKitWebView* view) {
  WebKitSettings* settings = webkit_web_view_get_settings(view);
  if (settings != nullptr && webkit_settings_get_zoom_text_only(settings) != FALSE) return 1.0;
  return webkit_web_view_get_zoom_level(view);
}

// The rectangle of whole view pixels that holds the box.
GdkRectangle whole_pixels(const ViewBox& box) {
  const auto whole = [](double v) { return static_cast<int>(std::clamp(v, -1e6, 1e6)); };
  GdkRectangle place{whole(std::floor(box.x)), whole(std::floor(box.y)), 0, 0};
  place.width = std::max(whole(std::ceil(box.x + box.width)) - place.x, 1);
  place.height = std::max(whole(std::ceil(box.y + box.height)) - place.y, 1);
  return place;
}

struct PendingSubmission {
  ObjectRef<WebKitFormSubmissionRequest> request;
  ObjectRef<GCancellable> cancellable{g_cancellable_new()};
  std::weak_ptr<bool> alive;
  LoginForms* forms = nullptr;
  std::string origin;  // of the page when the form went
  guint timer = 0;
};

}  // namespace

SubmittedLogin::~SubmittedLogin() {
  wipe(password);
}

LoginForms::LoginForms(WebKitWebView* view)
    : view_(view), manager_(ref_object(webkit_web_view_get_user_content_manager(view))) {
  if (manager_) {
    auto* shared = attached_state<ManagerViews>(manager_.get(), kManagerKey);
    if (shared == nullptr) {
      shared = &attach_state(manager_.get(), kManagerKey, new ManagerViews);
      std::string script = kLoginScript;
      script.replace(script.find("@KEY@"), 5, run_key());
      const std::unique_ptr<WebKitUserScript, decltype(&webkit_user_script_unref)> user_script(
          webkit_user_script_new_for_world(script.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                           WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
                                           kProgramWorld, nullptr, nullptr),
          &webkit_user_script_unref);
      webkit_user_content_manager_add_script(manager_.get(), user_script.get());
      // In the program's world only: the page's world has no such handler.
      webkit_user_content_manager_register_script_message_handler_in_world(
          manager_.get(), kLoginHandler, kProgramWorld);
      const std::string signal = std::string("script-message-received::") + kLoginHandler;
      g_signal_connect(manager_.get(), signal.c_str(), G_CALLBACK(on_message), nullptr);
    }
    shared->views.push_back(this);
  }
  g_signal_connect(view_, "button-press-event", G_CALLBACK(on_user_input), this);
  g_signal_connect(view_, "key-press-event", G_CALLBACK(on_user_input), this);
  g_signal_connect(view_, "submit-form", G_CALLBACK(on_submit_form), this);
}

LoginForms::~LoginForms() {
  g_signal_handlers_disconnect_by_data(view_, this);
  if (!manager_) return;
  if (auto* shared = attached_state<ManagerViews>(manager_.get(), kManagerKey)) {
    std::erase(shared->views, this);
  }
}

gboolean LoginForms::on_user_input(GtkWidget* view, GdkEvent* event, gpointer self) {
  // The window system's events: a page cannot make one.
  UserActs& acts = static_cast<LoginForms*>(self)->acts_;
  const gint64 now = g_get_monotonic_time();
  if (event->type == GDK_BUTTON_PRESS) {
    // The event's point is in its own window's pixels, which may be the view's or an
    // ancestor's.
    double x = event->button.x;
    double y = event->button.y;
    GtkWidget* owner = nullptr;
    gdk_window_get_user_data(event->button.window, reinterpret_cast<gpointer*>(&owner));
    int view_x = 0;
    int view_y = 0;
    if (owner != nullptr && owner != view &&
        gtk_widget_translate_coordinates(owner, view, 0, 0, &view_x, &view_y) != FALSE) {
      x += view_x;
      y += view_y;
    }
    acts.button_pressed(event->button.button, x, y, now);
  } else if (event->type == GDK_KEY_PRESS) {
    acts.key_pressed(event->key.keyval, static_cast<GdkModifierType>(event->key.state), now);
  }
  return FALSE;
}

bool LoginForms::claims(JSCValue* message, const ViewBox& field, double scale) {
  const gint64 now = g_get_monotonic_time();
  const std::string via = text_property(message, "via");
  if (via == "press") {
    return acts_.claim_press(field, number_property(message, "atX") * scale,
                             number_property(message, "atY") * scale, scale, now);
  }
  return via == "tab" && acts_.claim_tab(now);
}

void LoginForms::on_message(WebKitUserContentManager* manager, WebKitJavascriptResult* message,
                            gpointer /*data*/) {
  JSCValue* value = webkit_javascript_result_get_js_value(message);
  if (value == nullptr || jsc_value_is_object(value) == FALSE) return;
  if (text_property(value, "key") != run_key()) return;
  if (text_property(value, "what") != "field") return;
  auto* shared = attached_state<ManagerViews>(manager, kManagerKey);
  if (shared == nullptr) return;
  guarded([&] { answer_field(shared->views, value); });
}

void LoginForms::answer_field(std::vector<LoginForms*> views, JSCValue* value) {
  // The views of one manager share the script: the message answers the act of the view
  // whose user acted last.
  std::sort(views.begin(), views.end(), [](const LoginForms* a, const LoginForms* b) {
    return a->acts_.last_at() > b->acts_.last_at();
  });
  const std::string origin = text_property(value, "origin");
  for (LoginForms* forms : views) {
    if (origin.empty() || origin != page_origin(forms->view_)) continue;
    const double scale = page_scale(forms->view_);
    const ViewBox box{number_property(value, "x") * scale, number_property(value, "y") * scale,
                      number_property(value, "width") * scale,
                      number_property(value, "height") * scale};
    if (!std::isfinite(box.x) || !std::isfinite(box.y) || !std::isfinite(box.width) ||
        !std::isfinite(box.height) || !forms->claims(value, box, scale)) {
      continue;
    }
    // Its middle in the view's visible area, as the page measured its own.
    GtkAllocation area;
    gtk_widget_get_allocation(GTK_WIDGET(forms->view_), &area);
    const double middle_x = box.x + box.width / 2;
    const double middle_y = box.y + box.height / 2;
    if (middle_x < 0 || middle_y < 0 || middle_x >= area.width || middle_y >= area.height) return;
    if (!forms->field_chosen) return;
    forms->field_chosen({origin, whole_pixels(box)});
    return;
  }
}

void LoginForms::on_submit_form(WebKitWebView* /*view*/, WebKitFormSubmissionRequest* request,
                                gpointer self) {
  static_cast<LoginForms*>(self)->read_submission(request);
}

void LoginForms::read_submission(WebKitFormSubmissionRequest* request) {
  const std::string origin = page_origin(view_);
  if (origin.empty() || !submitted) return;  // submitted as it stands
  GPtrArray* names = nullptr;
  GPtrArray* values = nullptr;
  if (webkit_form_submission_request_list_text_fields(request, &names, &values) == FALSE ||
      values == nullptr) {
    return;
  }
  // The engine takes no arrays as arguments: a dictionary by number stands for one.
  GVariantBuilder texts;
  g_variant_builder_init(&texts, G_VARIANT_TYPE("a{sv}"));
  for (guint i = 0; i < values->len; ++i) {
    const auto* text = static_cast<const char*>(g_ptr_array_index(values, i));
    g_variant_builder_add(&texts, "{sv}", std::to_string(i).c_str(),
                          g_variant_new_string(text != nullptr ? text : ""));
  }
  GVariantDict arguments;
  g_variant_dict_init(&arguments, nullptr);
  g_variant_dict_insert_value(&arguments, "values", g_variant_builder_end(&texts));

  // The form waits for the read (its page stays until then), and no longer than the limit.
  auto* pending = new PendingSubmission{ref_object(request), {}, alive_, this, origin};
  pending->timer = g_timeout_add(
      kReadLimitMs,
      [](gpointer data) {
        auto* late = static_cast<PendingSubmission*>(data);
        late->timer = 0;
        g_cancellable_cancel(late->cancellable.get());
        webkit_form_submission_request_submit(late->request.get());
        return G_SOURCE_REMOVE;
      },
      pending);
  webkit_web_view_call_async_javascript_function(
      view_, "return window.kvLogins ? kvLogins.submitted(Object.values(values)) : null;", -1,
      g_variant_dict_end(&arguments), kProgramWorld, nullptr, pending->cancellable.get(),
      [](GObject* source, GAsyncResult* result, gpointer data) {
        const std::unique_ptr<PendingSubmission> pending(static_cast<PendingSubmission*>(data));
        OwnedError error;
        const ObjectRef<JSCValue> value(webkit_web_view_evaluate_javascript_finish(
            WEBKIT_WEB_VIEW(source), result, out(error)));
        if (pending->timer == 0) return;  // the form went without us
        g_source_remove(pending->timer);
        webkit_form_submission_request_submit(pending->request.get());
        if (pending->alive.expired() || !value || jsc_value_is_object(value.get()) == FALSE) {
          return;
        }
        SubmittedLogin login;
        login.origin = text_property(value.get(), "origin");
        login.action_origin = text_property(value.get(), "action");
        login.user = text_property(value.get(), "user");
        login.password = text_property(value.get(), "password");
        // The script runs in the page's process: what it says is checked against the view.
        if (login.origin != pending->origin || login.password.empty()) return;
        LoginForms* forms = pending->forms;
        guarded([&] { forms->submitted(login); });
      },
      pending);
}

void LoginForms::fill(const std::string& origin, const std::string& user,
                      const std::string& password) {
  if (origin.empty() || origin != page_origin(view_)) return;
  GVariantDict arguments;
  g_variant_dict_init(&arguments, nullptr);
  g_variant_dict_insert_value(&arguments, "origin", g_variant_new_string(origin.c_str()));
  g_variant_dict_insert_value(&arguments, "user", g_variant_new_string(user.c_str()));
  g_variant_dict_insert_value(&arguments, "password", g_variant_new_string(password.c_str()));
  webkit_web_view_call_async_javascript_function(
      view_, "return window.kvLogins ? kvLogins.fill(origin, user, password) : false;", -1,
      g_variant_dict_end(&arguments), kProgramWorld, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace kv
