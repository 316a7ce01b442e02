#include "engine/control/web_engine.h"

#include <string>
#include <vector>

#include "engine/downloads/downloads.h"
#include "engine/profile/notification_decisions.h"
#include "engine/profile/spelling_languages.h"
#include "engine/profile/web_profile.h"
#include "engine/profile/web_sandbox.h"

namespace kv {

WebKitWebContext* shared_web_context() {
  static WebKitWebContext* const context = [] {
    WebKitWebContext* made = new_profile_context();
    // Before the first view, which starts the first web process.
    confine_web_content(made);
    follow_website_data_deletion(made);
    watch_downloads(made);
    // Pages are documents, not applications: keep the cache model of a browser.
    webkit_web_context_set_cache_model(made, WEBKIT_CACHE_MODEL_WEB_BROWSER);
    offer_notification_decisions(made);
    // A language without a dictionary was left out, and with none the checker only
    // finds nothing: spelling never stops the program.
    std::vector<const gchar*> languages;
    const std::vector<std::string> wanted = locale_spelling_languages();
    for (const std::string& language : wanted) languages.push_back(language.c_str());
    languages.push_back(nullptr);
    webkit_web_context_set_spell_checking_languages(made, languages.data());
    webkit_web_context_set_spell_checking_enabled(made, TRUE);
    return made;
  }();
  return context;
}

WebKitSettings* shared_web_settings() {
  static WebKitSettings* const settings = [] {
    WebKitSettings* made = webkit_settings_new();
    // Every script request for a window must reach NewWindow2, where the window's
    // pop-up button decides; the engine's own pop-up blocking would decide first.
    webkit_settings_set_javascript_can_open_windows_automatically(made, TRUE);
    // Accelerated compositing costs about 80 MiB in every web process where GL is drawn
    // in software, and a third of that again for each further window; pages draw the
    // same without it.
    webkit_settings_set_hardware_acceleration_policy(made,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    // Camera, microphone and calls; each page still asks the user first.
    webkit_settings_set_enable_media_stream(made, TRUE);
    webkit_settings_set_enable_webrtc(made, TRUE);
    // "Inspect Element" in the page's menu, and the inspector.
    webkit_settings_set_enable_developer_extras(made, TRUE);
    return made;
  }();
  return settings;
}

}  // namespace kv
