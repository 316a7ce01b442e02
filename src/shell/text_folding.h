#pragma once

#include <string>
#include <string_view>

namespace kv {

// What the address box matches typed words against: text in one case and without
// accents, so that "cafe" finds "Café" and "STRASSE" finds "Straße". Invalid UTF-8 is
// repaired first; control characters become spaces.
std::string fold_text(std::string_view text);

// An address as it is matched: percent-escapes decoded where they make text, without
// "http://", "https://" and "www." in front, folded. "https://www.Kestrivane.org/caf%C3%A9"
// is "kestrivane.org/cafe".
std::string address_stem(std::string_view address);

// The host part of a stem: up to the first '/', '?', '#' or ':'.
std::string_view stem_host(std::string_view stem);

// The same for typed text, already folded: a scheme and "www." in front go, unless
// nothing would be left.
std::string_view typed_stem(std::string_view folded);

}  // namespace kv
