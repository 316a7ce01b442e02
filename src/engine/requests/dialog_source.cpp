#include "engine/requests/dialog_source.h"

#include "engine/profile/dialog_mark.h"
#include "engine/profile/site_permissions.h"

namespace kv {
namespace {

// An origin as the engine writes it, when it is a site's: its host and port.
std::string site_of_origin(const std::string& origin) {
  return origin_of(origin) == origin ? origin_display_name(origin) : std::string();
}

bool is_local_file(const std::string& address) {
  return address.rfind("file:", 0) == 0;
}

}  // namespace

DialogSource dialog_source(std::string_view text, const std::string& page_address,
                           const std::string& page_origin, std::string_view secret) {
  const auto mark = read_dialog_mark(secret, text);
  if (!mark) return {};
  std::string site = site_of_origin(mark->origin);
  if (mark->asker == DialogAsker::kMainFrame) {
    // The page's own document, which may not be the one the view's address names yet (a
    // page that asks while the next one is on its way): named by its own origin when it
    // is a site's, otherwise (a local file, a data: address) by the page's address.
    if (site.empty()) site = page_site_name(page_address);
    return {DialogSource::kPage, std::move(site), mark->message};
  }
  if (!site.empty()) {
    const auto kind = mark->origin == page_origin ? DialogSource::kPage : DialogSource::kFrame;
    return {kind, std::move(site), mark->message};
  }
  // A local file's frames are the user's own files, as the page is.
  if (mark->origin == "file://" && is_local_file(page_address)) {
    return {DialogSource::kPage, page_site_name(page_address), mark->message};
  }
  return {};
}

std::string dialog_speaker(const DialogSource& source) {
  if (source.kind == DialogSource::kFrame) return source.site + ", in a frame of this page, says:";
  return source.site + " says:";
}

}  // namespace kv
