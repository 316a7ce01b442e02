#include "engine/pages/local_scheme.h"

#include <gio/gio.h>

#include <utility>

#include "desktop/glib_handles.h"

namespace kv {

void register_local_scheme(WebKitWebContext* context, const char* scheme,
                           WebKitURISchemeRequestCallback handler) {
  if (context == nullptr) return;
  const std::string key = std::string("kv-local-scheme:") + scheme;
  if (g_object_get_data(G_OBJECT(context), key.c_str()) != nullptr) return;
  g_object_set_data(G_OBJECT(context), key.c_str(), GINT_TO_POINTER(1));
  webkit_web_context_register_uri_scheme(context, scheme, handler, nullptr, nullptr);
  webkit_security_manager_register_uri_scheme_as_local(
      webkit_web_context_get_security_manager(context), scheme);
}

void finish_with_html(WebKitURISchemeRequest* request, std::string html) {
  auto* owned = new std::string(std::move(html));
  const auto size = static_cast<gint64>(owned->size());
  const OwnedBytes bytes(g_bytes_new_with_free_func(
      owned->data(), owned->size(), [](gpointer p) { delete static_cast<std::string*>(p); },
      owned));
  const ObjectRef<GInputStream> stream(g_memory_input_stream_new_from_bytes(bytes.get()));
  webkit_uri_scheme_request_finish(request, stream.get(), size, "text/html");
}

void finish_not_found(WebKitURISchemeRequest* request, const char* reason) {
  const OwnedError error(g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, reason));
  webkit_uri_scheme_request_finish_error(request, error.get());
}

}  // namespace kv
