#include "services/EditorText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/Classes.h"
#include "platform/ide/ToolsApi.h"
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

// Calls f(i) for the index of every byte below 0x20 (line breaks among
// them), in order, until f answers false.
template <class F>
void ForEachControlByte(std::string_view text, F&& f) {
    for (size_t i = 0; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) < 0x20 && !f(i)) return;
}

// One walk over a text's control bytes: refuses binary data and overlong
// lines, counts the lines (as SplitLines makes them) and, when asked, stops
// at the first line that starts with "end.".
class TUnitScan {
public:
    TUnitScan(std::string_view text, const std::string& fileName) : text_(text), fileName_(fileName) {}

    TUnitText Run(bool findFinalEnd) {
        size_t finalStart = std::string_view::npos;
        ForEachControlByte(text_, [&](size_t i) {
            if (!Visit(i)) return true;
            if (findFinalEnd && IsFinalEnd(text_, i + 1)) finalStart = i + 1;
            return finalStart == std::string_view::npos;
        });
        if (!findFinalEnd) {
            EndLine(text_.size());
            return {text_.size(), lineStart_ < text_.size() ? line_ : line_ - 1};
        }
        if (finalStart == std::string_view::npos) throw EInvalidSourceCode(fileName_ + ": Final end. not found");
        // The rest of the "end." line.
        const size_t end = PastLineEnd(text_, finalStart);
        for (size_t i = finalStart; i < end; ++i)
            if (static_cast<unsigned char>(text_[i]) < 0x20) Visit(i);
        if (lineStart_ < end) EndLine(end);
        return {end, lineStart_ < end ? line_ : line_ - 1};
    }

private:
    // A control byte: true when it ends a line.
    bool Visit(size_t i) {
        const unsigned char c = static_cast<unsigned char>(text_[i]);
        if (c == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') return false;  // the LF ends the line
        if (c == '\n' || c == '\r') {
            EndLine(c == '\n' && i > lineStart_ && text_[i - 1] == '\r' ? i - 1 : i);
            ++line_;
            lineStart_ = i + 1;
            return true;
        }
        if (c != '\t' && c != '\f' && c != 0x1A) {
            char code[8];
            std::snprintf(code, sizeof code, "%02X", unsigned(c));
            throw EInvalidSourceCode(fileName_ + ": binary data (byte $" + code + ") in line " + IntToStr(line_));
        }
        return false;
    }
    void EndLine(size_t end) const {
        if (end - lineStart_ > size_t(TIText::MaxCursorCol))
            throw EInvalidSourceCode(fileName_ + ": line " + IntToStr(line_) + " is longer than " +
                                     IntToStr(TIText::MaxCursorCol) + " characters");
    }

    std::string_view text_;
    const std::string& fileName_;
    int32_t line_ = 1;  // the line being walked, 1-based
    size_t lineStart_ = 0;
};

// Sixteen bytes at a time (vector extensions of GCC and Clang): a unit is
// checked before every command.
typedef unsigned char TBytes16 __attribute__((vector_size(16)));
typedef signed char TMask16 __attribute__((vector_size(16)));

bool IsBinary(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != '\r' && c != 0x1A;
}

bool Any(const TMask16& m) {
    uint64_t h[2];
    std::memcpy(h, &m, 16);
    return (h[0] | h[1]) != 0;
}

// One pass, sixteen places at a time: the LFs and, when asked, the first LF
// that starts an "end." line (any letter case; npos when none). False when a
// binary byte or a CR without its LF comes before it: the exact walk then
// decides.
bool FastScan(std::string_view t, bool findFinalEnd, size_t& breaks, size_t& finalLF) {
    const char* p = t.data();
    const size_t n = t.size();
    size_t i = 0;
    breaks = 0;
    finalLF = std::string_view::npos;
    TMask16 counts = {};  // minus the LFs seen, per lane
    TMask16 bad = {};
    int pending = 0;
    auto flush = [&] {
        for (int k = 0; k < 16; ++k) breaks += size_t(-counts[k]);
        counts = TMask16{};
        pending = 0;
    };
    for (; n - i >= 20; i += 16) {
        TBytes16 v0, v1, v2, v3, v4;
        std::memcpy(&v0, p + i, 16);
        std::memcpy(&v1, p + i + 1, 16);
        const TMask16 lf = v0 == '\n';
        const TMask16 allowed = (v0 == '\t') | lf | (v0 == '\f') | (v0 == '\r') | (v0 == 0x1A);
        bad |= ((v0 < 0x20) & ~allowed) | ((v0 == '\r') & (v1 != '\n'));
        if (findFinalEnd) {
            std::memcpy(&v2, p + i + 2, 16);
            std::memcpy(&v3, p + i + 3, 16);
            std::memcpy(&v4, p + i + 4, 16);
            if (Any(lf & ((v1 | 0x20) == 'e') & ((v2 | 0x20) == 'n') & ((v3 | 0x20) == 'd') & (v4 == '.')))
                break;  // the exact place below
        }
        counts += lf;
        if (++pending == 127) flush();
    }
    flush();
    if (Any(bad)) return false;
    for (; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (IsBinary(c) || (c == '\r' && (i + 1 == n || p[i + 1] != '\n'))) return false;
        if (c != '\n') continue;
        if (findFinalEnd && IsFinalEnd(t, i + 1)) {
            finalLF = i;
            return true;
        }
        ++breaks;
    }
    return true;
}

// Whether every line (LF or CR LF ends) fits the model's cursor.
bool LinesFit(std::string_view t) {
    for (size_t pos = 0; pos < t.size();) {
        const size_t lf = std::min(t.find('\n', pos), t.size());
        if (lf - pos - (lf < t.size() && lf > pos && t[lf - 1] == '\r') > size_t(TIText::MaxCursorCol)) return false;
        pos = lf + 1;
    }
    return true;
}

// The common case fast: line breaks are LF or CR LF, every line fits and no
// byte is binary. False when the text is not such a text, or has no final
// "end."; the exact walk then decides and names the fault.
bool FastUnitText(std::string_view text, bool findFinalEnd, TUnitText& unit) {
    size_t breaks = 0, finalLF = 0;
    if (!FastScan(text, findFinalEnd, breaks, finalLF)) return false;
    size_t end = text.size();
    size_t lines = breaks + (!text.empty() && text.back() != '\n');
    if (findFinalEnd) {
        if (finalLF == std::string_view::npos) return false;
        end = PastLineEnd(text, finalLF + 1);
        if (text[end - 1] == '\r') return false;  // a CR alone ends the "end." line
        for (size_t i = finalLF + 1; i < end; ++i)
            if (IsBinary(static_cast<unsigned char>(text[i]))) return false;
        lines = breaks + 2;  // the line that LF ends, and the "end." line
    }
    if (end > size_t(TIText::MaxCursorCol) && !LinesFit(text.substr(0, end))) return false;
    unit = {end, int32_t(lines)};
    return true;
}

}  // namespace

TUnitText UnitTextOf(std::string_view text, const std::string& fileName) {
    TUnitText unit;
    if (FastUnitText(text, true, unit)) return unit;
    return TUnitScan(text, fileName).Run(true);
}

std::string CutAtFinalEnd(std::string_view text, const std::string& fileName) {
    return std::string(text.substr(0, UnitTextOf(text, fileName).Length));
}

int32_t CheckEditorText(std::string_view text, const std::string& fileName) {
    TUnitText unit;
    if (FastUnitText(text, false, unit)) return unit.Lines;
    return TUnitScan(text, fileName).Run(false).Lines;
}

bool SameLines(const TStringList& lines, std::string_view text, int32_t lineCount) {
    if (lines.Count() != lineCount) return false;
    size_t pos = 0;
    for (const std::string& line : lines.Strings()) {
        if (text.compare(pos, line.size(), line) != 0) return false;
        pos += line.size();
        if (pos == text.size()) continue;  // the last line without a break
        if (!IsBreak(text[pos]) || (!line.empty() && line.back() == '\r' && text[pos] == '\n')) return false;
        pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
    }
    return pos == text.size();
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
    // The old lines with their own line ends (the last one's may be empty).
    struct TOldLine {
        std::string_view Text, End;
    };
    std::vector<TOldLine> old;
    for (size_t pos = 0; pos < oldText.size();) {
        const size_t br = std::min(oldText.find_first_of("\r\n", pos), oldText.size());
        const size_t next = br == oldText.size() ? br
                            : br + ((oldText[br] == '\r' && br + 1 < oldText.size() && oldText[br + 1] == '\n') ? 2 : 1);
        old.push_back({oldText.substr(pos, br - pos), oldText.substr(br, next - br)});
        pos = next;
    }
    const size_t nOld = old.size(), nNew = size_t(lines.Count());
    // Lines equal at the start and at the end keep their line ends; a changed
    // line keeps the end of the old line in its place; a new line has none
    // of its own and takes its neighbour's.
    size_t head = 0;
    while (head < nOld && head < nNew && old[head].Text == lines[int(head)]) ++head;
    size_t tail = 0;
    while (tail < nOld - head && tail < nNew - head && old[nOld - 1 - tail].Text == lines[int(nNew - 1 - tail)]) ++tail;
    std::vector<std::string_view> ends(nNew);
    for (size_t i = 0; i < nNew; ++i) {
        if (i < head || (i < nNew - tail && i < nOld - tail))
            ends[i] = old[i].End;
        else if (i >= nNew - tail)
            ends[i] = old[i - nNew + nOld].End;
    }
    const bool finalBreak = oldText.empty() || IsBreak(oldText.back());
    // The nearest line end below each line, for new lines at the top.
    std::vector<std::string_view> below(nNew + 1);
    below[nNew] = LineBreakOf(oldText);
    for (size_t i = nNew; i > 0; --i) below[i - 1] = ends[i - 1].empty() ? below[i] : ends[i - 1];
    size_t size = 0;
    for (const std::string& s : lines.Strings()) size += s.size() + 2;
    std::string r;
    r.reserve(size);
    std::string_view above;
    for (size_t i = 0; i < nNew; ++i) {
        r += lines[int(i)];
        std::string_view end = ends[i];
        if (end.empty()) end = above.empty() ? below[i] : above;
        // After a CR an empty line's LF would read as one CR LF: the line
        // would be gone.
        if (end == "\n" && lines[int(i)].empty() && !r.empty() && r.back() == '\r') end = "\r";
        // An empty last line is there only with a break after it.
        if (i + 1 < nNew || finalBreak || lines[int(i)].empty()) r += end;
        above = end;
    }
    return r;
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

bool WriteBack(std::string_view oldText, std::string_view newText,
               const std::function<ComPtr<TIEditWriter>()>& createWriter) {
    const TTextChange c = MinimalChange(oldText, newText);
    if (c.Empty()) return false;
    const ComPtr<TIEditWriter> writer = createWriter();
    if (!writer) throw Exception("The editor gave no writer");
    writer->CopyTo(c.First);
    writer->DeleteTo(c.OldEnd);
    writer->Insert(newText.substr(size_t(c.First), size_t(c.NewEnd - c.First)));
    return true;
}

namespace {

// A line ends at index i of t: an LF, or a CR that no LF follows.
bool EndsLine(std::string_view t, size_t i) {
    return t[i] == '\n' || (t[i] == '\r' && (i + 1 == t.size() || t[i + 1] != '\n'));
}

size_t CountLineEnds(std::string_view t) {
    size_t n = 0;
    for (size_t i = 0; i < t.size(); ++i)
        n += int(t[i] == '\n') | (int(t[i] == '\r') & int(i + 1 == t.size() || t[i + 1] != '\n'));
    return n;
}

// At most this many lines are inserted or deleted one by one; a larger
// change reloads the whole text.
constexpr size_t kMaxPatchedLines = 256;

}  // namespace

int32_t LineCountOf(std::string_view text) {
    return int32_t(CountLineEnds(text) + (!text.empty() && !EndsLine(text, text.size() - 1)));
}

bool PatchLines(TStringList& lines, std::string_view oldText, std::string_view newText) {
    const TTextChange c = MinimalChange(oldText, newText);
    if (c.Empty()) return true;
    // Widen the change to whole lines. A line end counts as a boundary only
    // where both texts agree on it: before the change a CR must not be the
    // last byte of the common prefix (its LF may differ), after it every
    // byte decides the same way in both texts.
    size_t start = size_t(c.First);
    while (start > 0) {
        const size_t y = start - 1;
        if (oldText[y] == '\n' || (oldText[y] == '\r' && y + 1 < size_t(c.First) && oldText[y + 1] != '\n')) break;
        --start;
    }
    size_t oldEnd = size_t(c.OldEnd);
    while (oldEnd < oldText.size() && !EndsLine(oldText, oldEnd)) ++oldEnd;
    if (oldEnd < oldText.size()) ++oldEnd;
    const size_t newEnd = oldEnd - size_t(c.OldEnd) + size_t(c.NewEnd);

    const size_t first = CountLineEnds(oldText.substr(0, start));
    const std::vector<std::string> was = SplitLines(oldText.substr(start, oldEnd - start));
    std::vector<std::string> now = SplitLines(newText.substr(start, newEnd - start));
    const size_t grow = now.size() > was.size() ? now.size() - was.size() : was.size() - now.size();
    if (grow > kMaxPatchedLines || first + was.size() > size_t(lines.Count())) return false;
    const size_t common = std::min(was.size(), now.size());
    for (size_t i = 0; i < common; ++i) lines.Put(int(first + i), now[i]);
    for (size_t i = common; i < was.size(); ++i) lines.Delete(int(first + common));
    for (size_t i = common; i < now.size(); ++i) lines.Insert(int(first + i), now[i]);
    return true;
}

void TakeUnitText(TIText& model, bool sameUnit, std::string_view loaded, int32_t loadedLines, std::string_view text) {
    const bool holdsLoaded = sameUnit && !model.GetModified() && SameLines(*model.GetLines(), loaded, loadedLines);
    if (!holdsLoaded || (text != loaded && !PatchLines(*model.GetLines(), loaded, text))) model.SetLinesText(text);
}

int32_t ClampLine(int32_t line, int32_t count) { return std::clamp(line, 0, std::max(count - 1, 0)); }

}  // namespace velt
