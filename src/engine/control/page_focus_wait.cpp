#include "engine/control/page_focus_wait.h"

#include <utility>

#include "desktop/guarded.h"
#include "engine/control/program_world.h"

namespace kv {
namespace {

constexpr guint kPollIntervalMs = 20;

struct FocusWait {
  WebKitWebView* view;  // our own reference
  std::weak_ptr<bool> alive;
  std::function<void()> command;
  gint64 deadline;
};

void ask(FocusWait* wait);

void finish(FocusWait* wait, bool run) {
  if (run && !wait->alive.expired()) guarded([&] { wait->command(); });
  g_object_unref(wait->view);
  delete wait;  // NOLINT(cppcoreguidelines-owning-memory): owned by the pending call
}

void on_answer(GObject* view, GAsyncResult* result, gpointer data) {
  auto* wait = static_cast<FocusWait*>(data);
  GError* error = nullptr;
  JSCValue* value =
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error);
  const bool focused = value != nullptr && jsc_value_is_boolean(value) != FALSE &&
                       jsc_value_to_boolean(value) != FALSE;
  if (value != nullptr) g_object_unref(value);
  if (error != nullptr) g_error_free(error);
  if (wait->alive.expired()) {
    finish(wait, false);
  } else if (focused || g_get_monotonic_time() >= wait->deadline) {
    finish(wait, true);
  } else {
    g_timeout_add(
        kPollIntervalMs,
        [](gpointer again) -> gboolean {
          ask(static_cast<FocusWait*>(again));
          return G_SOURCE_REMOVE;
        },
        wait);
  }
}

void ask(FocusWait* wait) {
  webkit_web_view_evaluate_javascript(wait->view, "document.hasFocus()", -1, kProgramWorld, nullptr,
                                      nullptr, on_answer, wait);
}

}  // namespace

void run_when_page_has_focus(WebKitWebView* view, std::weak_ptr<bool> alive,
                             std::function<void()> command, std::chrono::milliseconds limit) {
  auto* wait = new FocusWait{WEBKIT_WEB_VIEW(g_object_ref(view)), std::move(alive),
                             std::move(command), g_get_monotonic_time() + limit.count() * 1000};
  ask(wait);
}

}  // namespace kv
