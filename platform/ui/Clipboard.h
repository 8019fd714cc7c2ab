#pragma once
// Private clipboard formats: a 16-bit number per name, as the system's
// clipboard calls know them, bound to a MIME type made from the name alone
// so that two processes that register the same name agree on the data.

#include <cstdint>
#include <string>

namespace velt {

// The first number given to a registered name.
inline constexpr uint16_t kFirstClipboardFormat = 0xC000;

// The number of name: a new one from 0xC000 on for a new name, the same one
// for a name registered before (names that give the same MIME type share it).
// Raises Exception for a name without a letter or digit, a name longer than
// 255 bytes, or when every number is taken.
uint16_t RegisterClipboardFormat(const std::string& name);
// "application/x-" and the name's ASCII letters and digits in lower case,
// every other run of characters as one "-" ("OMBRA Components" gives
// "application/x-ombra-components"); empty when the name has no letter or
// digit.
std::string ClipboardFormatMimeOf(const std::string& name);
// The MIME type of a registered number; empty for any other number.
std::string ClipboardFormatMime(uint16_t format);

}  // namespace velt
