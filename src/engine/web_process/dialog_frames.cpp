// The program's extension in each web process: it tells the program which frame of a
// page asks for an alert, a confirm or a prompt, which the engine's dialog does not say.
//
// The engine clears a frame's window object in the page's world before any script of
// the page runs in it (also before the first touch from another frame). Right then,
// while the window is as the engine made it, its dialog functions are replaced: each
// replacement puts a mark before the message (the frame's origin, under the run's
// secret) and calls the engine's own function, which only the replacement holds. So no
// script of the page can reach an unmarked dialog function, or mark a message itself. A
// frame can call only its own functions, or those of frames of its origin (the engine
// keeps the other windows closed to it), and each names the window it was made for; a
// window whose document has gone shows nothing, as the engine's own function does.
//
// Loaded into every web process: it links nothing but the engine's extension library and
// GLib, and works only when a window is made and when a page calls a dialog. It makes no
// script world of its own: the engine would make one in every frame.
#include <webkit2/webkit-web-extension.h>

#include <string>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "engine/profile/dialog_mark.h"

namespace kv {
namespace {

std::string* secret = nullptr;  // for the whole life of the web process

// Run in the page's world on a window no script has touched: the engine's functions and
// the language's own are as they came. Messages are read as the engine reads them
// (toString, and what it throws, first), so that nothing of the page's runs between the
// mark and the dialog; `this` is ignored, so each function shows its own window's dialog.
constexpr const char* kReplaceDialogs = R"((mark => {
  const apply = Reflect.apply;
  const text = value => `${value}`;
  const unanswered = { alert: undefined, confirm: false, prompt: null };
  const replaced = {
    alert(...values) {
      const marked = mark(values.length > 0 ? text(values[0]) : '');
      return marked === null ? unanswered.alert : apply(real.alert, undefined, [marked]);
    },
    confirm(...values) {
      const marked = mark(values.length > 0 ? text(values[0]) : '');
      return marked === null ? unanswered.confirm : apply(real.confirm, undefined, [marked]);
    },
    prompt(...values) {
      const message = values.length > 0 ? text(values[0]) : '';
      const preset = values.length > 1 && values[1] !== undefined ? text(values[1]) : '';
      const marked = mark(message);
      return marked === null ? unanswered.prompt
                             : apply(real.prompt, undefined, [marked, preset]);
    },
  };
  const real = { alert: window.alert, confirm: window.confirm, prompt: window.prompt };
  for (const name of ['alert', 'confirm', 'prompt'])
    Object.defineProperty(window, name,
        { value: replaced[name], writable: true, enumerable: true, configurable: true });
}))";

// What one window's mark says of it; plain data, so that the mark holds no script object.
struct Asker {
  DialogAsker asker;
  std::string origin;  // of the window's document, read before the page could touch it
};

// The page's text as a string of bytes, NUL characters kept.
std::string bytes_of(JSCValue* value) {
  const OwnedBytes bytes(jsc_value_to_string_as_bytes(value));
  gsize size = 0;
  const auto* data =
      bytes ? static_cast<const char*>(g_bytes_get_data(bytes.get(), &size)) : nullptr;
  return data != nullptr ? std::string(data, size) : std::string();
}

JSCValue* on_mark(GPtrArray* values, gpointer data) {
  const auto* asker = static_cast<const Asker*>(data);
  JSCContext* context = jsc_context_get_current();
  JSCValue* marked = nullptr;
  guarded([&] {
    if (values->len < 1 || secret == nullptr) return;
    const std::string text = mark_dialog_message(
        *secret, asker->asker, asker->origin, bytes_of(static_cast<JSCValue*>(values->pdata[0])));
    const OwnedBytes bytes(g_bytes_new(text.data(), text.size()));
    marked = jsc_value_new_string_from_bytes(context, bytes.get());
  });
  return marked != nullptr ? marked : jsc_value_new_null(context);
}

void on_window_cleared(WebKitScriptWorld* world, WebKitWebPage* /*page*/, WebKitFrame* frame,
                       gpointer /*data*/) {
  guarded([&] {
    const ObjectRef<JSCContext> context(webkit_frame_get_js_context_for_script_world(frame, world));
    const ObjectRef<JSCValue> window(jsc_context_get_global_object(context.get()));
    // The document's own origin ("null" when sandboxed, its creator's for about:blank).
    const ObjectRef<JSCValue> origin(jsc_value_object_get_property(window.get(), "origin"));
    auto* asker = new Asker{
        webkit_frame_is_main_frame(frame) != FALSE ? DialogAsker::kMainFrame : DialogAsker::kFrame,
        origin && jsc_value_is_string(origin.get()) != FALSE
            ? take_string(jsc_value_to_string(origin.get()))
            : std::string()};
    const ObjectRef<JSCValue> mark(jsc_value_new_function_variadic(
        context.get(), nullptr, G_CALLBACK(on_mark), asker,
        [](gpointer data) { delete static_cast<Asker*>(data); }, JSC_TYPE_VALUE));
    const ObjectRef<JSCValue> replace(jsc_context_evaluate(context.get(), kReplaceDialogs, -1));
    const ObjectRef<JSCValue> done(
        jsc_value_function_call(replace.get(), JSC_TYPE_VALUE, mark.get(), G_TYPE_NONE));
    jsc_context_clear_exception(context.get());
  });
}

}  // namespace
}  // namespace kv

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* /*web_extension*/, GVariant* user_data) {
  if (user_data == nullptr || g_variant_is_of_type(user_data, G_VARIANT_TYPE_STRING) == FALSE) {
    return;  // not started by the program: pages keep their dialogs, unmarked
  }
  // Kept until the process ends.
  kv::secret = new std::string(g_variant_get_string(user_data, nullptr));
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                   G_CALLBACK(kv::on_window_cleared), nullptr);
}
