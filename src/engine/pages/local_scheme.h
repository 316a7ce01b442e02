#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace kv {

// Registers `scheme` with `handler` on `context`, once per context and scheme, as a local
// scheme: web pages can neither load its pages nor link to them, so only the program
// (and other local pages) can show them.
void register_local_scheme(WebKitWebContext* context, const char* scheme,
                           WebKitURISchemeRequestCallback handler);

// Answers `request` with an HTML page.
void finish_with_html(WebKitURISchemeRequest* request, std::string html);

// Answers `request` with "not found" and the given reason.
void finish_not_found(WebKitURISchemeRequest* request, const char* reason);

}  // namespace kv
