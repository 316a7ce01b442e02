#include "about/about_texts.h"

namespace kv::about_text {

const char* const kCaption = "About - Kestrivane™ © 2004 Palvenna inc.";

const char* const kCopyrightLine = "Copyright © 2004 Palvenna inc.";

// Wrapped by hand; the last line is left long on purpose and wraps in the box.
const char* const kDisclaimer =
    "Version 1.0.0 Kestrivane™\r\n"
    "This scrappy little browser was hacked\r\n"
    "together by Pellimar, warts and all.\r\n"
    "No one may tamper with, patch or alter\r\n"
    "this program in any way. Warning: this\r\n"
    "program is protected by copyright law\r\n"
    "and by the international treaties.\r\n"
    "Copying or handing out this program, or any part of it, without written permission may "
    "well bring severe civil and criminal penalties, and offenders will be prosecuted as far "
    "as the law will allow.\r\n";

const char* const kDisclaimerTip = "© Read for more info";

const char* const kTesters =
    "Quillon, Tarnwick, Brisa, Mossel, Vantor, Ketterly, \r\n"
    "Juno,\r\n";

const char* const kFirstThreeTesters = "Quillon, Tarnwick, Brisa, ";

const char* const kAuthorAddress = "pellimar@palvenna.example";

}  // namespace kv::about_text
