#include "engine/control/web_engine.h"

#include <optional>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "desktop/internet_settings.h"
#include "engine/control/gpu_drawing.h"
#include "engine/downloads/downloads.h"
#include "engine/profile/notification_decisions.h"
#include "engine/profile/spelling_languages.h"
#include "engine/profile/web_process_extension.h"
#include "engine/profile/web_profile.h"
#include "engine/profile/web_sandbox.h"

namespace kv {
namespace {

struct ProxyChoice {
  std::string proxy;
  std::vector<std::string> direct;
};

std::optional<ProxyChoice>& proxy_choice() {
  static std::optional<ProxyChoice> choice;
  return choice;
}

void apply_proxy(WebKitWebContext* context) {
  WebKitWebsiteDataManager* data = webkit_web_context_get_website_data_manager(context);
  const std::optional<ProxyChoice>& choice = proxy_choice();
  if (!choice) {
    webkit_website_data_manager_set_network_proxy_settings(data, WEBKIT_NETWORK_PROXY_MODE_DEFAULT,
                                                           nullptr);
    return;
  }
  std::vector<const gchar*> direct;
  for (const std::string& host : choice->direct) direct.push_back(host.c_str());
  direct.push_back(nullptr);
  const std::unique_ptr<WebKitNetworkProxySettings, void (*)(WebKitNetworkProxySettings*)> settings(
      webkit_network_proxy_settings_new(choice->proxy.c_str(), direct.data()),
      webkit_network_proxy_settings_free);
  webkit_website_data_manager_set_network_proxy_settings(data, WEBKIT_NETWORK_PROXY_MODE_CUSTOM,
                                                         settings.get());
}

// What every context of the program has, the private one too.
void prepare_context(WebKitWebContext* made) {
  // Before the first view, which starts the first web process.
  confine_web_content(made);
  load_web_process_extension(made);
  watch_downloads(made);
  // Pages are documents, not applications: keep the cache model of a browser.
  webkit_web_context_set_cache_model(made, WEBKIT_CACHE_MODEL_WEB_BROWSER);
  // A language without a dictionary was left out, and with none the checker only
  // finds nothing: spelling never stops the program.
  std::vector<const gchar*> languages;
  const std::vector<std::string> wanted = locale_spelling_languages();
  for (const std::string& language : wanted) languages.push_back(language.c_str());
  languages.push_back(nullptr);
  webkit_web_context_set_spell_checking_languages(made, languages.data());
  webkit_web_context_set_spell_checking_enabled(made, TRUE);
  if (proxy_choice()) apply_proxy(made);
}

// Decided once, before the first view: the engine takes its drawing from the settings
// that the first view is made with.
bool pages_drawn_with_gpu() {
  if (const std::optional<bool> forced =
          forced_gpu_drawing(g_getenv("KESTRIVANE_HARDWARE_ACCELERATION"))) {
    return *forced;
  }
  if (software_gl_forced(g_getenv("LIBGL_ALWAYS_SOFTWARE"))) return false;
  return draw_pages_with_gpu(find_render_nodes(), use_hardware_acceleration());
}

std::weak_ptr<WebKitWebContext>& private_context_now() {
  static std::weak_ptr<WebKitWebContext> context;
  return context;
}

}  // namespace

WebKitWebContext* shared_web_context() {
  static WebKitWebContext* const context = [] {
    WebKitWebContext* made = new_profile_context();
    prepare_context(made);
    follow_website_data_deletion(made);
    offer_notification_decisions(made);
    return made;
  }();
  return context;
}

std::shared_ptr<WebKitWebContext> private_web_context() {
  if (std::shared_ptr<WebKitWebContext> held = private_context_now().lock()) return held;
  // The remembered decisions of the user's profile are not offered: a private window
  // starts with none.
  std::shared_ptr<WebKitWebContext> made = ObjectRef<WebKitWebContext>(new_private_context());
  prepare_context(made.get());
  private_context_now() = made;
  return made;
}

WebKitSettings* shared_web_settings() {
  static WebKitSettings* const settings = [] {
    WebKitSettings* made = webkit_settings_new();
    // Every script request for a window must reach NewWindow2, where the window's
    // pop-up button decides; the engine's own pop-up blocking would decide first.
    webkit_settings_set_javascript_can_open_windows_automatically(made, TRUE);
    // With a GPU, the engine's own policy: pages, scrolling, animations and video drawn by
    // it. Without one, accelerated compositing costs about 80 MiB in every web process
    // (GL drawn in software), and a third of that again for each further window, for
    // pages that draw the same without it.
    if (!pages_drawn_with_gpu()) {
      webkit_settings_set_hardware_acceleration_policy(made,
                                                       WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    }
    // Camera, microphone and calls; each page still asks the user first.
    webkit_settings_set_enable_media_stream(made, TRUE);
    webkit_settings_set_enable_webrtc(made, TRUE);
    // "Inspect Element" in the page's menu, and the inspector.
    webkit_settings_set_enable_developer_extras(made, TRUE);
    return made;
  }();
  return settings;
}

void use_network_proxy(const char* proxy, const char* const* direct) {
  if (proxy == nullptr) {
    proxy_choice().reset();
  } else {
    ProxyChoice choice{proxy, {}};
    for (; direct != nullptr && *direct != nullptr; ++direct) choice.direct.emplace_back(*direct);
    proxy_choice() = std::move(choice);
  }
  apply_proxy(shared_web_context());
  if (std::shared_ptr<WebKitWebContext> held = private_context_now().lock()) {
    apply_proxy(held.get());
  }
}

}  // namespace kv
