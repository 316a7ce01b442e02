#pragma once

#include <string>
#include <string_view>

namespace kv {

// Whom a page's alert, confirm or prompt is from, as its box names them, read from the
// mark that the program's web process extension put on it.
struct DialogSource {
  enum Kind {
    kPage,     // the page, or a frame of its origin: named by the page's site
    kFrame,    // a frame of another site: named by that site, as a frame of the page
    kRefused,  // a frame of no site that can be named, or a dialog without our mark
  };
  Kind kind = kRefused;
  std::string site;     // "127.0.0.1:8001", or "" when refused
  std::string message;  // the page's text, without the mark
};

// `text` as the engine gave it, of a dialog asked for while the page at `page_address`
// is shown, whose origin is `page_origin` ("http://127.0.0.1:8001", or "" for a page of
// no site).
DialogSource dialog_source(std::string_view text, const std::string& page_address,
                           const std::string& page_origin, std::string_view secret);

// The box's first line: "127.0.0.1:8001 says:", or for a frame of another site
// "127.0.0.1:8001, in a frame of this page, says:".
std::string dialog_speaker(const DialogSource& source);

}  // namespace kv
