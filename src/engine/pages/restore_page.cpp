#include "engine/pages/restore_page.h"

#include <utility>

#include "desktop/glib_handles.h"
#include "desktop/page_title.h"

namespace kv {
namespace {

// Only addresses of pages are loaded from the lost session's file; a script address or
// one of our own schemes in it would run with this view's rights.
bool loadable(const std::string& address) {
  const OwnedChars scheme(g_uri_parse_scheme(address.c_str()));
  if (!scheme) return false;
  const std::string name(scheme.get());
  return name == "http" || name == "https" || name == "file";
}

// A title or address from the lost session is the page's own text: kept short, so that a
// page cannot fill the notice with it.
constexpr std::size_t kLongestText = 300;

std::string shortened(std::string text) {
  if (text.size() <= kLongestText) return text;
  std::size_t cut = kLongestText;
  // Never cut inside a UTF-8 sequence.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0U) == 0x80U) --cut;
  text.resize(cut);
  return text + "…";
}

}  // namespace

std::string restore_entry_text(const RestoreEntry& entry) {
  // A session file from before kept titles as pages gave them.
  const std::string title = shown_title(entry.title);
  if (title.empty() || title == entry.address) return shortened(entry.address);
  return shortened(title) + " — " + shortened(entry.address);
}

Notice restore_notice(const std::vector<RestoreEntry>& windows, bool can_reopen,
                      std::function<void()> reopen, std::function<void()> start_afresh) {
  Notice notice;
  notice.kind = "restore";
  notice.title = "Kestrivane did not close properly";
  notice.heading = "Kestrivane did not close properly";
  if (can_reopen) {
    notice.paragraphs.push_back(windows.size() == 1 ? "This window was open:"
                                                    : "These windows were open:");
    for (const RestoreEntry& entry : windows) notice.points.push_back(restore_entry_text(entry));
    notice.links.push_back({"Reopen these windows", [run = std::move(reopen)](WebKitWebView*) {
                              if (run) run();
                            }});
  } else {
    // The windows came back a moment ago and ended again: offering them once more could
    // end the same way, so each is only a link.
    notice.paragraphs.emplace_back(
        "It also ended soon after its windows were reopened, so they are not reopened "
        "again. These windows were open; a link opens its page here:");
    for (const RestoreEntry& entry : windows) {
      notice.links.push_back(
          {restore_entry_text(entry), [address = entry.address](WebKitWebView* view) {
             if (loadable(address)) {
               webkit_web_view_load_uri(view, address.c_str());
             }
           }});
    }
  }
  notice.links.push_back({"Start afresh", [run = std::move(start_afresh)](WebKitWebView*) {
                            if (run) run();
                          }});
  return notice;
}

}  // namespace kv
