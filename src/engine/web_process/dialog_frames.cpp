// The program's extension in each web process: it tells the program which frame of a
// page asks for an alert, a confirm or a prompt, which the engine's dialog does not say.
//
// Each frame's window, in the page's own world, gets its dialog functions replaced before
// any script of the page runs (the engine clears the window object before the page's
// first script, and before the first touch from another frame). The replacement marks
// the message with the frame's origin, under the run's secret, and asks the frame's
// dialog in a world of ours, which no page can reach. The page's own functions are gone
// for good: a frame can call only its own, or those of frames of its origin (the engine
// keeps the others' windows closed to it), and each names the frame it was made for.
//
// Loaded into every web process: it links nothing but the engine's extension library and
// GLib, and does its work only when a window is made and when a page calls a dialog.
#include <webkit2/webkit-web-extension.h>

#include <array>
#include <string>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "engine/profile/dialog_mark.h"

namespace kv {
namespace {

struct Extension {
  std::string secret;
  ObjectRef<WebKitScriptWorld> world;  // ours: where the frame's own dialogs are called
};

Extension* extension = nullptr;

enum class Dialog { kAlert, kConfirm, kPrompt };
constexpr std::array<const char*, 3> kNames{"alert", "confirm", "prompt"};

// One replaced function of one window.
struct Call {
  WeakRef<WebKitWebPage> page;
  WeakRef<WebKitFrame> frame;
  std::string origin;  // of the document whose window it was made for
  Dialog dialog;
};

std::string text_of(JSCValue* value) {
  if (value == nullptr || jsc_value_is_string(value) == FALSE) return {};
  return take_string(jsc_value_to_string(value));
}

JSCValue* property(JSCValue* object, const char* name) {
  return jsc_value_object_get_property(object, name);
}

// The origin of the document that `context`'s window shows now: the document's own
// ("null" when sandboxed, its creator's for about:blank), not its address's.
std::string origin_in(JSCContext* context) {
  const ObjectRef<JSCValue> window(jsc_context_get_global_object(context));
  const ObjectRef<JSCValue> origin(property(window.get(), "origin"));
  return text_of(origin.get());
}

std::string current_origin(WebKitFrame* frame) {
  const ObjectRef<JSCContext> ours(
      webkit_frame_get_js_context_for_script_world(frame, extension->world.get()));
  return origin_in(ours.get());
}

// A string as the page's dialog takes it: what the value says of itself (its toString
// runs here, and what it throws goes back to the page), NUL characters kept.
std::optional<std::string> dialog_string(JSCContext* context, JSCValue* value) {
  if (value == nullptr || jsc_value_is_undefined(value) != FALSE) return std::string();
  const OwnedBytes bytes(jsc_value_to_string_as_bytes(value));
  if (jsc_context_get_exception(context) != nullptr || !bytes) return std::nullopt;
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
  return std::string(data != nullptr ? data : "", size);
}

JSCValue* string_value(JSCContext* context, const std::string& text) {
  const OwnedBytes bytes(g_bytes_new(text.data(), text.size()));
  return jsc_value_new_string_from_bytes(context, bytes.get());
}

// What a dialog that is not shown gives: nothing, "no", no text.
JSCValue* unanswered(JSCContext* context, Dialog dialog) {
  switch (dialog) {
    case Dialog::kConfirm:
      return jsc_value_new_boolean(context, FALSE);
    case Dialog::kPrompt:
      return jsc_value_new_null(context);
    default:
      return jsc_value_new_undefined(context);
  }
}

DialogAsker asker_of(WebKitWebPage* page, WebKitFrame* frame, const std::string& origin) {
  if (webkit_frame_is_main_frame(frame) != FALSE) return DialogAsker::kMainFrame;
  // Documents of no origin ("null": sandboxed, data:) are of no one's origin, not even
  // of each other's.
  if (origin == "null" || origin.empty()) return DialogAsker::kOtherFrame;
  WebKitFrame* main = page != nullptr ? webkit_web_page_get_main_frame(page) : nullptr;
  return main != nullptr && current_origin(main) == origin ? DialogAsker::kSameOriginFrame
                                                           : DialogAsker::kOtherFrame;
}

JSCValue* on_call(GPtrArray* args, gpointer data) {
  const auto* call = static_cast<const Call*>(data);
  JSCContext* page = jsc_context_get_current();
  JSCValue* result = nullptr;
  guarded([&] {
    // The page's own code (a message's toString) runs first, so that nothing of the
    // page's runs between the mark and the dialog.
    const auto message =
        dialog_string(page, args->len > 0 ? static_cast<JSCValue*>(args->pdata[0]) : nullptr);
    if (!message) return;
    const auto default_text =
        call->dialog == Dialog::kPrompt
            ? dialog_string(page, args->len > 1 ? static_cast<JSCValue*>(args->pdata[1]) : nullptr)
            : std::optional<std::string>("");
    if (!default_text) return;
    const ObjectRef<WebKitWebPage> web_page = call->page.get();
    const ObjectRef<WebKitFrame> frame = call->frame.get();
    // A window whose frame has gone, or shows another page now, asks nothing, as the
    // engine's own dialogs of such windows do.
    if (!frame || current_origin(frame.get()) != call->origin) {
      result = unanswered(page, call->dialog);
      return;
    }
    const std::string marked =
        mark_dialog_message(extension->secret, asker_of(web_page.get(), frame.get(), call->origin),
                            call->origin, *message);
    const ObjectRef<JSCContext> ours(
        webkit_frame_get_js_context_for_script_world(frame.get(), extension->world.get()));
    const ObjectRef<JSCValue> window(jsc_context_get_global_object(ours.get()));
    const ObjectRef<JSCValue> dialog(
        property(window.get(), kNames.at(static_cast<std::size_t>(call->dialog))));
    const ObjectRef<JSCValue> text(string_value(ours.get(), marked));
    const ObjectRef<JSCValue> preset(string_value(ours.get(), *default_text));
    const ObjectRef<JSCValue> answer(jsc_value_function_call(
        dialog.get(), JSC_TYPE_VALUE, text.get(), JSC_TYPE_VALUE, preset.get(), G_TYPE_NONE));
    jsc_context_clear_exception(ours.get());
    // The answer is a plain value; it is made anew in the page's world.
    if (answer && jsc_value_is_boolean(answer.get()) != FALSE) {
      result = jsc_value_new_boolean(page, jsc_value_to_boolean(answer.get()));
    } else if (answer && jsc_value_is_string(answer.get()) != FALSE) {
      result = string_value(page, *dialog_string(ours.get(), answer.get()));
    } else {
      result = unanswered(page, call->dialog);
    }
  });
  return result;
}

void on_window_cleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                       gpointer /*data*/) {
  guarded([&] {
    const ObjectRef<JSCContext> context(webkit_frame_get_js_context_for_script_world(frame, world));
    // Read before any script of the page has run in this window.
    const std::string origin = origin_in(context.get());
    const ObjectRef<JSCValue> window(jsc_context_get_global_object(context.get()));
    for (std::size_t index = 0; index < kNames.size(); ++index) {
      auto* call = new Call{WeakRef<WebKitWebPage>(page), WeakRef<WebKitFrame>(frame), origin,
                            static_cast<Dialog>(index)};
      const ObjectRef<JSCValue> function(jsc_value_new_function_variadic(
          context.get(), kNames.at(index), G_CALLBACK(on_call), call,
          [](gpointer data) { delete static_cast<Call*>(data); }, JSC_TYPE_VALUE));
      jsc_value_object_define_property_data(
          window.get(), kNames.at(index),
          static_cast<JSCValuePropertyFlags>(JSC_VALUE_PROPERTY_CONFIGURABLE |
                                             JSC_VALUE_PROPERTY_ENUMERABLE |
                                             JSC_VALUE_PROPERTY_WRITABLE),
          function.get());
    }
  });
}

}  // namespace
}  // namespace kv

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* /*web_extension*/, GVariant* user_data) {
  if (user_data == nullptr || g_variant_is_of_type(user_data, G_VARIANT_TYPE_STRING) == FALSE) {
    return;  // not started by the program: pages keep their dialogs, unmarked
  }
  static kv::Extension state{
      g_variant_get_string(user_data, nullptr),
      kv::ObjectRef<WebKitScriptWorld>(webkit_script_world_new_with_name("kestrivane-dialogs"))};
  kv::extension = &state;
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                   G_CALLBACK(kv::on_window_cleared), nullptr);
}
