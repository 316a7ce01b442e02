#pragma once

#include <string>
#include <string_view>

namespace kv {

// The entry that one line of fav.Dat holds, as UTF-8. A line that is valid UTF-8 is
// taken as it stands (the result is `line` itself); any other line was written in
// Windows-1252, as files from the original platform were, and is converted into
// `scratch`. A 0 byte cannot live in a list item and becomes U+FFFD; nothing else of
// the line is lost.
std::string_view entry_text(std::string_view line, std::string& scratch);

// One Windows-1252 byte as a Unicode code point. The five bytes the code page leaves
// undefined map to the C1 controls of the same value, as the platform itself maps them.
char32_t windows1252_code_point(unsigned char byte);

}  // namespace kv
