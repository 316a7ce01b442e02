#include "engine/control/spare_view.h"

#include "engine/control/web_engine.h"

namespace kv {
namespace {

// The first as soon as the page that asked for it has loaded, before a user types an
// address; the next ones once the window that took one has had time for its own page:
// starting a web process costs a core for a moment.
constexpr guint kFirstAfterMs = 100;
constexpr guint kNextAfterMs = 1500;

struct Spare {
  bool kept = false;
  guint timer = 0;
  ObjectRef<WebKitWebView> view;
};

// Lives until exit, as the shared context does.
Spare& spare() {
  static Spare* const made = new Spare;
  return *made;
}

void make_spare() {
  Spare& s = spare();
  if (s.view) return;
  GtkWidget* made =
      GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", shared_web_context(), "settings",
                              shared_web_settings(), nullptr));
  s.view.reset(WEBKIT_WEB_VIEW(g_object_ref_sink(made)));
  // A script starts the view's web process without a page or a Back entry; the first
  // load of the view's own (any site) reuses that process.
  webkit_web_view_evaluate_javascript(s.view.get(), "0", -1, nullptr, nullptr, nullptr, nullptr,
                                      nullptr);
}

void make_spare_soon(guint after_ms) {
  Spare& s = spare();
  if (!s.kept || s.view || s.timer != 0) return;
  s.timer = g_timeout_add_full(
      G_PRIORITY_LOW, after_ms,
      [](gpointer) -> gboolean {
        spare().timer = 0;
        make_spare();
        return G_SOURCE_REMOVE;
      },
      nullptr, nullptr);
}

}  // namespace

void keep_spare_view() {
  spare().kept = true;
  make_spare_soon(kFirstAfterMs);
}

ObjectRef<WebKitWebView> take_spare_view() {
  ObjectRef<WebKitWebView> taken = std::move(spare().view);
  if (taken) make_spare_soon(kNextAfterMs);
  return taken;
}

}  // namespace kv
