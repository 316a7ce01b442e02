#include "engine/reading/library_scripts.h"

#include <gio/gio.h>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

std::string resource_text(const char* path) {
  const OwnedBytes bytes(g_resources_lookup_data(path, G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr));
  if (!bytes) return {};
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
  return data != nullptr ? std::string(data, size) : std::string();
}

}  // namespace

const std::string& library_script(LibraryScript which) {
  static const std::string readability =
      resource_text("/org/kestrivane/Kestrivane/page-scripts/readability.js");
  static const std::string dark_reader =
      resource_text("/org/kestrivane/Kestrivane/page-scripts/darkreader.js");
  return which == LibraryScript::kReadability ? readability : dark_reader;
}

}  // namespace kv
