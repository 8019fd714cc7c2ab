#pragma once
// The two 8-bit code pages that stored formats of the system fix: 1251
// (Windows Cyrillic: font names, the painter's Ukrainian texts) and 866 (DOS
// Cyrillic: the unit prefixes of number labels). Text inside the program is
// UTF-8; these convert at the boundary of such a format.

#include <string>
#include <string_view>

namespace velt::CodePages {

enum class TCodePage { cp1251, cp866 };

// Every byte becomes its character; ASCII stays as it is. The one byte 1251
// leaves unassigned (0x98) becomes U+0098, so that no byte is lost.
std::string ToUtf8(std::string_view bytes, TCodePage cp);
// Every character becomes its byte; a character the code page lacks, and
// each byte of malformed UTF-8, becomes replacement.
std::string FromUtf8(std::string_view utf8, TCodePage cp, char replacement = '?');
// Whether every character of utf8 has a byte in the code page.
bool Representable(std::string_view utf8, TCodePage cp);

inline std::string Cp1251ToUtf8(std::string_view s) { return ToUtf8(s, TCodePage::cp1251); }
inline std::string Utf8ToCp1251(std::string_view s) { return FromUtf8(s, TCodePage::cp1251); }
inline std::string Cp866ToUtf8(std::string_view s) { return ToUtf8(s, TCodePage::cp866); }
inline std::string Utf8ToCp866(std::string_view s) { return FromUtf8(s, TCodePage::cp866); }

}  // namespace velt::CodePages

namespace velt {
using CodePages::Cp1251ToUtf8;
using CodePages::Cp866ToUtf8;
using CodePages::Utf8ToCp1251;
using CodePages::Utf8ToCp866;
}  // namespace velt
