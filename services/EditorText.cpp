#include "services/EditorText.h"

#include <algorithm>
#include <cstdio>

#include "foundation/Classes.h"
#include "source/IText.h"
#include "source/SourceCode.h"

namespace velt {

namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

bool IsFinalEnd(std::string_view text, size_t at) {
    static constexpr char kEnd[] = "end.";
    if (text.size() - at < 4) return false;
    for (size_t i = 0; i < 4; ++i)
        if ((text[at + i] | 0x20) != kEnd[i]) return false;  // '.' | 0x20 is '.' itself
    return true;
}

// Index just past the line break that ends the line holding at (the text's
// end when the line has none).
size_t PastLineEnd(std::string_view text, size_t at) {
    const size_t br = text.find_first_of("\r\n", at);
    if (br == std::string_view::npos) return text.size();
    return br + ((text[br] == '\r' && br + 1 < text.size() && text[br + 1] == '\n') ? 2 : 1);
}

}  // namespace

std::string CutAtFinalEnd(std::string_view text, const std::string& fileName) {
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (IsBreak(text[i]) && IsFinalEnd(text, i + 1))
            return std::string(text.substr(0, PastLineEnd(text, i + 1)));
    throw EInvalidSourceCode(fileName + ": Final end. not found");
}

void CheckEditorText(std::string_view text, const std::string& fileName) {
    int32_t line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        const unsigned char c = end ? '\n' : static_cast<unsigned char>(text[i]);
        if (c == '\n' || c == '\r') {
            if (i - lineStart > size_t(TIText::MaxCursorCol))
                throw EInvalidSourceCode(fileName + ": line " + IntToStr(line) + " is longer than " +
                                         IntToStr(TIText::MaxCursorCol) + " characters");
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++line;
            lineStart = i + 1;
        } else if (c < 0x20 && c != '\t' && c != '\f' && c != 0x1A) {
            char code[8];
            std::snprintf(code, sizeof code, "%02X", unsigned(c));
            throw EInvalidSourceCode(fileName + ": binary data (byte $" + code + ") in line " + IntToStr(line));
        }
    }
}

std::string_view LineBreakOf(std::string_view text) {
    const size_t br = text.find_first_of("\r\n");
    if (br == std::string_view::npos || text[br] == '\n') return br == std::string_view::npos ? "\r\n" : "\n";
    return (br + 1 < text.size() && text[br + 1] == '\n') ? "\r\n" : "\r";
}

std::string JoinLines(const TStringList& lines, std::string_view lineBreak, bool finalBreak) {
    size_t size = 0;
    for (const std::string& s : lines.Strings()) size += s.size() + lineBreak.size();
    std::string r;
    r.reserve(size);
    const int n = lines.Count();
    for (int i = 0; i < n; ++i) {
        r += lines[i];
        if (i + 1 < n || finalBreak) r += lineBreak;
    }
    return r;
}

std::string TextForBuffer(const TStringList& lines, std::string_view oldText) {
    const bool finalBreak = oldText.empty() || IsBreak(oldText.back());
    return JoinLines(lines, LineBreakOf(oldText), finalBreak);
}

TTextChange MinimalChange(std::string_view oldText, std::string_view newText) {
    const size_t shorter = std::min(oldText.size(), newText.size());
    const size_t prefix =
        size_t(std::mismatch(oldText.begin(), oldText.begin() + ptrdiff_t(shorter), newText.begin()).first -
               oldText.begin());
    const size_t room = shorter - prefix;
    const size_t suffix =
        size_t(std::mismatch(oldText.rbegin(), oldText.rbegin() + ptrdiff_t(room), newText.rbegin()).first -
               oldText.rbegin());
    return {int32_t(prefix), int32_t(oldText.size() - suffix), int32_t(newText.size() - suffix)};
}

int32_t ClampLine(int32_t line, int32_t count) { return std::clamp(line, 0, std::max(count - 1, 0)); }

}  // namespace velt
