#pragma once

#include <glibmm/ustring.h>

namespace kv {

// Turns a caption whose "&" marks the access key ("&Mail & News", "Sa&ve") into the
// toolkit's form ("_Mail & News", "Sa_ve"). The first "&" before a character marks it;
// "&&" and an "&" before a blank stay a literal ampersand.
Glib::ustring mnemonic_caption(const Glib::ustring& caption);

}  // namespace kv
