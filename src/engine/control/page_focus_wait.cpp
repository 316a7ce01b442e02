#include "engine/control/page_focus_wait.h"

#include <utility>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "engine/profile/program_world.h"

namespace kv {
namespace {

constexpr guint kPollIntervalMs = 20;

struct FocusWait {
  ObjectRef<WebKitWebView> view;
  std::weak_ptr<bool> alive;
  std::function<void()> command;
  gint64 deadline;
};

void ask(FocusWait* wait);

void finish(FocusWait* wait, bool run) {
  if (run && !wait->alive.expired()) guarded([&] { wait->command(); });
  delete wait;  // NOLINT(cppcoreguidelines-owning-memory): owned by the pending call
}

void on_answer(GObject* view, GAsyncResult* result, gpointer data) {
  auto* wait = static_cast<FocusWait*>(data);
  const ObjectRef<JSCValue> value(
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr));
  const bool focused = value && jsc_value_is_boolean(value.get()) != FALSE &&
                       jsc_value_to_boolean(value.get()) != FALSE;
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
  webkit_web_view_evaluate_javascript(wait->view.get(), "document.hasFocus()", -1, kProgramWorld,
                                      nullptr, nullptr, on_answer, wait);
}

}  // namespace

void run_when_page_has_focus(WebKitWebView* view, std::weak_ptr<bool> alive,
                             std::function<void()> command, std::chrono::milliseconds limit) {
  auto* wait = new FocusWait{ref_object(view), std::move(alive), std::move(command),
                             g_get_monotonic_time() + limit.count() * 1000};
  ask(wait);
}

}  // namespace kv
