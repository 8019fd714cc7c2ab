#pragma once
// Free helpers on strings, plus a few on files and the environment.
//
// They live in velt::StrUtils, so callers may write StrUtils::CopyBefore as
// the rest of the system names them; each is also brought into namespace velt
// by a using-declaration, so plain CopyBefore works inside velt as well.
// Positions are 1-based, as in the rest of the class library.

#include <cstdint>
#include <string>
#include <string_view>

namespace velt::StrUtils {

// True when the file's date stamp differs from Stamp, which then takes the
// new stamp. The stamp is the last-write time packed as a DOS date-time
// (local time, 2-second steps); a file that cannot be opened has stamp -1.
// Start Stamp at 0 so that the first call on an existing file answers True.
bool FileModified(const std::string& fileName, int32_t& stamp);

// The folder for temporary files: $TEMP, else $TMPDIR, else "/tmp".
// Nothing is added to or removed from the end of the value.
std::string GetTemporaryFolder();

inline std::string sif(bool flag, const std::string& a, const std::string& b) { return flag ? a : b; }
inline int32_t iif(bool flag, int32_t a, int32_t b) { return flag ? a : b; }

// N spaces; empty when N <= 0.
std::string Blanks(int32_t n);

// The identifier (0-9, A-Z, _, a-z) around the 1-based position pos: the run
// of identifier characters ending just before pos, followed by the run
// starting at pos. Positions outside the text hold no identifier character.
std::string GetIdent(std::string_view s, int pos);

// S without TAB, LF, CR and space.
std::string KillBlanks(std::string_view s);

// Wildcard match: '?' is one character, '*' a run of characters, anything
// else one character equal to it ignoring ASCII case. A mask longer than the
// text never matches (so "ab*" does not match "ab").
bool Like(std::string_view mask, std::string_view s);

// Whether S begins with Prefix, ignoring ASCII case.
bool isPrefix(std::string_view prefix, std::string_view s);

// The part of S before the first occurrence of Sub (case-sensitive); all of
// S when Sub does not occur or is empty.
std::string CopyBefore(std::string_view sub, std::string_view s);
// The part of S after the first occurrence of Sub; empty when Sub does not
// occur or is empty.
std::string CopyAfter(std::string_view sub, std::string_view s);

// Scanning helpers of the source model: identifier characters are 0-9, A-Z,
// a-z and "_"; blanks are every character up to the space (TAB included).
inline bool IsIdentChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
inline bool IsBlankChar(char c) { return static_cast<unsigned char>(c) <= ' '; }
// s without its leading (and trailing) blanks, as a view into s.
std::string_view TrimLeftView(std::string_view s);
std::string_view TrimView(std::string_view s);
// Index of the first whole word w in s at or after from, ignoring ASCII
// case; npos when there is none.
size_t FindWord(std::string_view s, std::string_view w, size_t from = 0);
inline bool HasWord(std::string_view s, std::string_view w) { return FindWord(s, w) != std::string_view::npos; }

}  // namespace velt::StrUtils

namespace velt {
using StrUtils::Blanks;
using StrUtils::CopyAfter;
using StrUtils::CopyBefore;
using StrUtils::FileModified;
using StrUtils::GetIdent;
using StrUtils::GetTemporaryFolder;
using StrUtils::iif;
using StrUtils::isPrefix;
using StrUtils::KillBlanks;
using StrUtils::Like;
using StrUtils::sif;
using StrUtils::IsIdentChar;
using StrUtils::IsBlankChar;
using StrUtils::TrimLeftView;
using StrUtils::TrimView;
using StrUtils::FindWord;
using StrUtils::HasWord;
}  // namespace velt
