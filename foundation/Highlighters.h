#pragma once
// The line scanners of the colouring rich edit: each cuts one line of INI
// text, RTF source or HTML into runs of text with the colour each run is
// written in. The runs joined are exactly the line, and every step of a
// scanner takes at least one character, so any bytes end.

#include <string>
#include <string_view>
#include <vector>

namespace velt {

// The colours the scanners use; the editor maps them to its TColor values.
enum THighlightColour { hcBlack, hcBlue, hcRed, hcGreen, hcGray };

struct THighlightRun {
    std::string Text;
    THighlightColour Colour = hcBlack;
    bool operator==(const THighlightRun&) const = default;
};
using THighlightRuns = std::vector<THighlightRun>;

// "[Section]rest": the text before "]" and "]" blue, the rest black.
// "key=value;comment": "key=" red, the value green, ";comment" grey (the
// comment is looked for after the first "=" only). Anything else black.
THighlightRuns ScanIniLine(std::string_view line);
// Groups "{...}" red (an open group without "}" runs to the end), control
// words (backslash, letters and digits) and control symbols (backslash and
// the next character, or a lone backslash at the end) blue, other text
// black.
THighlightRuns ScanRichLine(std::string_view line);
// The whole line black.
THighlightRuns ScanHTMLLine(std::string_view line);

}  // namespace velt
