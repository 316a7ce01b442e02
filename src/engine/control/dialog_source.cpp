#include "engine/control/dialog_source.h"

#include "engine/profile/dialog_mark.h"
#include "engine/profile/site_permissions.h"

namespace kv {
namespace {

// An origin as the engine writes it, when it is a site's: its host and port.
std::string site_of_origin(const std::string& origin) {
  return origin_of(origin) == origin ? origin_display_name(origin) : std::string();
}

}  // namespace

DialogSource dialog_source(std::string_view text, const std::string& page_address,
                           std::string_view secret) {
  const auto mark = read_dialog_mark(secret, text);
  if (!mark) return {};
  if (mark->asker == DialogAsker::kOtherFrame) {
    std::string site = site_of_origin(mark->origin);
    if (site.empty()) return {};
    return {DialogSource::kFrame, std::move(site), mark->message};
  }
  // The page's own document, which may not yet be the one the view's address names (a
  // page that asks while the next one is on its way): its origin, when it is a site's;
  // otherwise (a local file, a data address) the page's address.
  std::string site = site_of_origin(mark->origin);
  if (site.empty()) site = page_site_name(page_address);
  return {DialogSource::kPage, std::move(site), mark->message};
}

std::string dialog_speaker(const DialogSource& source) {
  if (source.kind == DialogSource::kFrame) return source.site + ", in a frame of this page, says:";
  return source.site + " says:";
}

}  // namespace kv
