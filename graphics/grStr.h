#pragma once
// String and number helpers of the graphics units: word extraction, hex
// dumps of byte buffers, number text with trailing zeros trimmed, and
// lenient number reading.
//
// Strings are byte strings; "blanks" are spaces. Number text never depends
// on the C locale: the decimal separator is always ".".

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

namespace velt::grStr {

// A set of 8-bit characters, as the Pascal "set of Char".
class CharSet {
public:
    CharSet() = default;
    CharSet(std::string_view chars) {  // NOLINT: a set is written as its characters
        for (char c : chars) bits_.set(static_cast<unsigned char>(c));
    }
    CharSet(const char* chars) : CharSet(std::string_view(chars)) {}  // NOLINT
    bool Has(char c) const { return bits_.test(static_cast<unsigned char>(c)); }
    bool Empty() const { return bits_.none(); }

private:
    std::bitset<256> bits_;
};

// "<program name>.INI" in RootDir: the running program's file name with its
// extension, if any, replaced by ".INI".
std::string GetIniName();
// The folder of the running program, without a trailing separator.
std::string GetMyPath();

// The first character; character 0 for empty text.
char FirstChar(std::string_view s);
// Scans s: until the capture starts, a character of startSet starts it and
// is dropped (an empty startSet starts at the first character); then a
// character of stopSet ends the scan and every other one is kept. Leading
// and trailing blanks of the capture are removed.
std::string StrIn(std::string_view s, const CharSet& startSet, const CharSet& stopSet);
// ASCII case ignored: the text between the end of the first start (the
// beginning of s when start is empty) and the first stop, both searched from
// the beginning; blanks trimmed. Empty when start or stop is missing (an
// empty stop is missing) or stop lies before the end of start.
std::string StrInWord(std::string_view s, std::string_view start, std::string_view stop);
// The n-th word of s (the first is 1), empty when there are fewer. Outside
// double quotes a word is a run of letters, digits, "_" and the double quote
// (bytes from 0x80 up count as letters, so UTF-8 words stay whole); inside
// them every byte from the blank to 0xFE belongs to the word. The double
// quote toggles the quoted state and is kept.
std::string GetSubStr(int n, std::string_view s);
// The text between the first pair of delimiters drawn from double quote and
// apostrophe; s itself when that text is empty.
std::string StrLap(std::string_view s);

// Two upper-case hexadecimal digits.
std::string byte_Hex(uint8_t b);
// 2 x count hexadecimal digits of the bytes at buf. Raises Exception
// "Whery Long HEX String Buffer", converting nothing, when count is above 127.
std::string Buf_Hex(const void* buf, int count);
// The same limit; zeroes count bytes of buf, then fills min(count, length
// of hex div 2) of them from pairs of hex digits. An invalid pair raises
// EConvertError (the bytes before it are filled).
void Hex_Buf(std::string_view hex, void* buf, int count);

// Every ASCII letter in upper case.
std::string UpCaseStr(std::string_view s);
inline std::string UCS(std::string_view s) { return UpCaseStr(s); }
// Upper-cases ASCII letters outside quoted stretches; each character of
// quotes toggles the quoted state and is kept.
std::string UpCaseStrLap(std::string_view s, const CharSet& quotes);

// Lenient readers: never raise, 0 for text that is no number. Str_Int takes
// optional blanks, a sign and decimal digits (or "$" and hex digits).
// Str_Real takes blanks around, a sign, digits with an optional decimal
// point and an optional exponent; a point with no digit on one side ("3.",
// ".5"), as Real_str writes whole numbers, is read too.
int32_t Str_Int(std::string_view s);
double Str_Real(std::string_view s);
// Str_Real after putting "0" in front of a leading "." and behind a trailing ".".
double Str_RealEx(std::string_view s);
// Str_Real of s without every character other than "+", "-", ".", digits,
// "E" and "e".
double NumOnly(std::string_view s);

// Decimal text. A negative width pads with leading "0" to at least -width
// characters; a positive width shorter than the text keeps its first width
// characters.
std::string int_str(int32_t value, int width);
// The number label: 0 gives "0."; otherwise the value reduced to exactly 6
// significant digits, in fixed notation with decimals decimals (10 for 0),
// trailing zeros removed (a whole number keeps its point: "3."). When width
// is above 0 and the text is longer, the value in the scientific form of a
// field of width characters instead (see SciStr).
std::string Real_str(int width, int decimals, double value);
// As Real_str with 3 significant digits, 0 giving "0.0", a point at the end
// followed by "0", and the magnitude scaled into a band with its unit prefix
// appended, in code page 866 bytes: "к" (x 1e-3 above 100), "M" (x 1e-6
// above 1e5), "Г" (x 1e-9 above 1e8), "m" (x 1e3 at 0.1 and below), "mк"
// (x 1e6 at 1e-4 and below), "н" (x 1e9 at 1e-7 and below), "пк" (x 1e12 at
// 1e-10 and below); nothing beyond 1e11 or at 1e-13 and below.
std::string Real_str1(int width, int decimals, double value);
// The scientific form of the Pascal text routines: a blank or "-", one
// digit, ".", max(1, width - 9) digits (at most 17), "E", the exponent's
// sign and four digits; blanks in front fill a wider field. "NAN", "INF"
// and "-INF" for the values that are no numbers.
std::string SciStr(double value, int width);

// s without any blank.
std::string delspace(std::string_view s);
// Removes leading and trailing blanks in place.
void delendspace(std::string& s);
// The string p points to; empty for none.
inline std::string GetStr(const std::string* p) { return p ? *p : std::string(); }

}  // namespace velt::grStr

namespace velt {
using grStr::Buf_Hex;
using grStr::byte_Hex;
using grStr::CharSet;
using grStr::delendspace;
using grStr::delspace;
using grStr::FirstChar;
using grStr::GetIniName;
using grStr::GetMyPath;
using grStr::GetStr;
using grStr::GetSubStr;
using grStr::Hex_Buf;
using grStr::int_str;
using grStr::NumOnly;
using grStr::Real_str;
using grStr::Real_str1;
using grStr::SciStr;
using grStr::Str_Int;
using grStr::Str_Real;
using grStr::Str_RealEx;
using grStr::StrIn;
using grStr::StrInWord;
using grStr::StrLap;
using grStr::UCS;
using grStr::UpCaseStr;
using grStr::UpCaseStrLap;
}  // namespace velt
