#pragma once
// Numbers formatted by a picture and read back with the locale's decimal
// separator.
//
// A format has up to three sections, "positive;negative;zero". With one
// section every value uses it (a negative value gets a leading "-"); an
// empty negative or zero section means the first. In a section:
//   0      a digit, always shown
//   #      a digit, shown when it counts (not a leading or trailing zero)
//   .      the decimal separator (the first one; others are ignored); it is
//          left out when no fraction digit follows
//   ,      thousand separators in groups of three
//   E+ E- e+ e-  scientific notation; the 0s after it give the least number
//          of exponent digits; "+" always shows the exponent's sign, "-"
//          only a minus
//   "xx" 'xx'  literal text; any other character is literal too
// Values are rounded on their first 18 significant digits, halves away
// from zero. A value that the section shows as zero takes the zero form
// (the zero section, else the first one without a sign). Integer parts of
// more than 18 digits, and an empty format, are written as FloatToStr
// writes them (with the decimal separator); so are NaN and the infinities.

#include <string>
#include <string_view>

namespace velt {

// Each separator is one character (UTF-8; a locale may use a no-break
// space); CurrencyString is text.
struct TFormatSettings {
    std::string DecimalSeparator = ".";
    std::string ThousandSeparator = ",";
    std::string CurrencyString = "$";
};

// The settings the controls format and read with: these defaults until the
// window layer loads the locale's (or a test sets them).
TFormatSettings& FormatSettings();

std::string FormatFloat(std::string_view format, long double value, const TFormatSettings& settings);
std::string FormatFloat(std::string_view format, long double value);

// text as a literal of a format: each run of characters in the quote that
// it does not contain.
std::string QuoteFormatLiteral(std::string_view text);

// StrToFloat with settings.DecimalSeparator as the decimal point ("."
// is then no part of a number unless it is the separator).
bool TryTextToFloat(std::string_view text, long double& out, const TFormatSettings& settings);
// EConvertError "'S' is not a valid floating point value" otherwise.
long double StrToFloat(std::string_view text, const TFormatSettings& settings);

}  // namespace velt
