#pragma once

namespace kv::about_text {

// The About box's caption: the product name and a short copyright notice.
extern const char* const kCaption;
// The maker's copyright line under the disclaimer.
extern const char* const kCopyrightLine;
// The disclaimer: eight lines, each ending in CR LF.
extern const char* const kDisclaimer;
extern const char* const kDisclaimerTip;
// The testers list: seven nicknames, and the first three of them.
extern const char* const kTesters;
extern const char* const kFirstThreeTesters;
// Where "Send Email to programmer" and the About box's Email button write to.
extern const char* const kAuthorAddress;

}  // namespace kv::about_text
