#include "foundation/Highlighters.h"

#include "foundation/StrUtils.h"

namespace velt {

namespace {

void Put(THighlightRuns& runs, std::string_view text, THighlightColour colour) {
    if (!text.empty()) runs.push_back({std::string(text), colour});
}

bool IsAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Bytes of the UTF-8 character at i (1 for a byte that starts none), so
// that no run ends inside a character.
size_t CharLength(std::string_view s, size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    size_t want = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (lead >= 0xF8) want = 1;
    size_t n = 1;
    while (n < want && i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
    return n;
}

}  // namespace

THighlightRuns ScanIniLine(std::string_view line) {
    THighlightRuns runs;
    if (line.empty()) return runs;
    if (line[0] == '[') {
        Put(runs, CopyBefore("]", line), hcBlue);
        if (line.find(']') != std::string_view::npos) {
            Put(runs, "]", hcBlue);
            Put(runs, CopyAfter("]", line), hcBlack);
        }
        return runs;
    }
    if (line.find('=') != std::string_view::npos) {
        Put(runs, CopyBefore("=", line) + "=", hcRed);
        const std::string value = CopyAfter("=", line);
        Put(runs, CopyBefore(";", value), hcGreen);
        if (value.find(';') != std::string::npos) Put(runs, ";" + CopyAfter(";", value), hcGray);
        return runs;
    }
    Put(runs, line, hcBlack);
    return runs;
}

THighlightRuns ScanRichLine(std::string_view line) {
    THighlightRuns runs;
    size_t i = 0;
    while (i < line.size()) {
        size_t end;
        THighlightColour colour;
        if (line[i] == '{') {
            const size_t close = line.find('}', i + 1);
            end = close == std::string_view::npos ? line.size() : close + 1;
            colour = hcRed;
        } else if (line[i] == '\\') {
            end = i + 1;
            if (end < line.size() && IsAlnum(line[end])) {
                while (end < line.size() && IsAlnum(line[end])) ++end;
            } else if (end < line.size()) {
                end += CharLength(line, end);
            }
            colour = hcBlue;
        } else {
            end = line.find_first_of("\\{", i);
            if (end == std::string_view::npos) end = line.size();
            colour = hcBlack;
        }
        Put(runs, line.substr(i, end - i), colour);
        i = end;
    }
    return runs;
}

THighlightRuns ScanHTMLLine(std::string_view line) {
    THighlightRuns runs;
    Put(runs, line, hcBlack);
    return runs;
}

}  // namespace velt
