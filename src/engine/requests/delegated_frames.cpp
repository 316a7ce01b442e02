#include "engine/requests/delegated_frames.h"

#include <memory>
#include <utility>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "engine/profile/program_world.h"

namespace kv {
namespace {

// The names of the `allow` attribute that hand `permission` on; none for what no frame
// of another site can be handed.
const char* policy_names(SitePermission permission) {
  switch (permission) {
    case SitePermission::kLocation:
      return "'geolocation'";
    case SitePermission::kCamera:
      return "'camera'";
    case SitePermission::kMicrophone:
      return "'microphone'";
    case SitePermission::kCameraAndMicrophone:
      return "'camera', 'microphone'";
    case SitePermission::kScreen:
      return "'display-capture'";
    case SitePermission::kClipboard:
      return "'clipboard-read'";
    default:
      return nullptr;
  }
}

// Run in the program's world, where the page cannot change what the script sees of
// its frames; frames of the page's own site are looked into, others only at.
constexpr const char* kFramesScript =
    "(wanted => { const origins = new Set();"
    " const visit = doc => { for (const frame of doc.querySelectorAll('iframe, frame')) {"
    "   let inner = null; try { inner = frame.contentDocument; } catch (e) {}"
    "   if (inner) { visit(inner); continue; }"
    "   const allow = (frame.getAttribute('allow') || '').split(';')"
    "       .map(d => d.trim().split(/\\s+/)[0]);"
    "   if (!allow.some(name => wanted.includes(name))) continue;"
    "   let origin = '?'; try { origin = new URL(frame.src).origin; } catch (e) {}"
    "   if (origin !== location.origin) origins.add(origin); } };"
    " visit(document); return [...origins].join(' '); })";

struct Lookup {
  std::function<void(std::optional<std::string>)> done;
};

void on_answer(GObject* view, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<Lookup> lookup(static_cast<Lookup*>(data));
  OwnedError error;
  const ObjectRef<JSCValue> value(
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, out(error)));
  std::optional<std::string> found;
  if (value && jsc_value_is_string(value.get()) != FALSE) {
    const std::string origins = take_string(jsc_value_to_string(value.get()));
    if (origins.empty()) {
      found = "";
    } else if (origins.find(' ') == std::string::npos && origin_of(origins) == origins) {
      found = origins;
    }
  }
  guarded([&] { lookup->done(found); });
}

}  // namespace

void find_delegated_frame(WebKitWebView* view, SitePermission permission,
                          std::function<void(std::optional<std::string>)> done) {
  const char* names = policy_names(permission);
  if (names == nullptr) {
    done("");
    return;
  }
  const std::string script = std::string(kFramesScript) + "([" + names + "])";
  webkit_web_view_evaluate_javascript(view, script.c_str(), -1, kProgramWorld, nullptr, nullptr,
                                      &on_answer, new Lookup{std::move(done)});
}

}  // namespace kv
