#include "source/IText.h"

#include <algorithm>
#include <cstring>

#include "forth/Forth.h"
#include "foundation/StrUtils.h"

namespace velt {

namespace {

const std::string kEmpty;

// The length of the common beginning of a and b.
size_t CommonPrefix(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (size_t block : {size_t(4096), size_t(64)})
        while (i + block <= n && std::memcmp(a.data() + i, b.data() + i, block) == 0) i += block;
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

// The length of the common end of a and b, at most max.
size_t CommonSuffix(std::string_view a, std::string_view b, size_t max) {
    size_t i = 0;
    for (size_t block : {size_t(4096), size_t(64)})
        while (i + block <= max &&
               std::memcmp(a.data() + a.size() - i - block, b.data() + b.size() - i - block, block) == 0)
            i += block;
    while (i < max && a[a.size() - 1 - i] == b[b.size() - 1 - i]) ++i;
    return i;
}

// Raises ERangeError unless 0 <= v <= max.
void CheckRange(const char* what, int32_t v, int32_t max) {
    if (v < 0 || v > max) throw ERangeError(std::string(what) + " " + IntToStr(v) + " out of range");
}

}  // namespace

TIText::TIText() : Lines(std::make_unique<TStringList>()) {}

TIText::~TIText() = default;

void TIText::LoadFromFile() { SetLinesText(ReadWholeFile(FileName)); }

void TIText::SetLinesText(std::string_view text) {
    freshLoad_ = true;
    // The host loads the editor's text before every command, mostly the text
    // it loaded the time before or an edit of it. While the lines are as the
    // last text left them, the two texts are compared as blocks of bytes, and
    // only the lines between their common beginning and their common end are
    // split and put: the others, and what is known about them, stay as they
    // are.
    const bool known = Lines->Version() == loaded_.Version;
    int first = 0, count = Lines->Count();
    size_t from = 0, to = text.size();
    if (known) {
        const std::string& old = loaded_.Text;
        const std::vector<size_t>& starts = loaded_.Starts;
        const size_t head = CommonPrefix(old, text);
        if (head == old.size() && head == text.size()) return;
        // The lines before the one that holds the last common byte stay (a
        // CR ending that line might become a CR LF).
        auto lineOf = [&](size_t offset) {  // the index of the first line starting after offset
            return int(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin());
        };
        if (head > 0) first = std::max(lineOf(head - 1) - 1, 0);
        from = first < int(starts.size()) ? starts[size_t(first)] : old.size();
        // The lines that start inside the common end stay.
        const size_t tail = CommonSuffix(old, text, std::min(old.size(), text.size()) - head);
        const int last = lineOf(old.size() - tail);
        count = std::max(last - first, 0);
        if (last < int(starts.size())) to = starts[size_t(last)] + text.size() - old.size();
    }
    std::vector<std::string_view>& middle = loaded_.Views;
    LineViews(text.substr(from, to - from), middle);
    Lines->ReplaceLines(first, count, middle);
    // What the next load compares with: the text, where the old one had
    // the middle replaced, and its line starts.
    std::vector<size_t>& starts = loaded_.Starts;
    if (known) {
        const size_t keep = size_t(first + count);
        for (size_t i = keep; i < starts.size(); ++i) starts[i] = starts[i] + text.size() - loaded_.Text.size();
        starts.erase(starts.begin() + first, starts.begin() + ptrdiff_t(keep));
        loaded_.Text.replace(from, loaded_.Text.size() - (text.size() - to) - from, text.substr(from, to - from));
    } else {
        starts.clear();
        loaded_.Text.assign(text);
    }
    starts.insert(starts.begin() + first, middle.size(), 0);
    for (size_t i = 0; i < middle.size(); ++i) starts[size_t(first) + i] = size_t(middle[i].data() - text.data());
    middle.clear();  // views into text, which the caller keeps
    loaded_.Version = Lines->Version();
}

void TIText::SaveToFile() { Lines->SaveToFile(FileName); }

const std::string& TIText::EmptyLine() { return kEmpty; }

// Existing lines are always reachable, beyond them up to MaxCursorLine.
int32_t TIText::MaxLine() const { return std::max(MaxCursorLine, Lines->Count() - 1); }

void TIText::SetCursorLine(int32_t v) {
    CheckRange("Cursor line", v, MaxLine());
    CursorLine = v;
}

void TIText::SetCursorCol(int32_t v) {
    CheckRange("Cursor column", v, MaxCursorCol);
    CursorCol = v;
}

void TIText::SetMargin(int32_t v) {
    CheckRange("Margin", v, MaxCursorCol);
    Margin = v;
}

int32_t TIText::LineInRange(int64_t v) const { return int32_t(std::clamp<int64_t>(v, 0, MaxLine())); }

int32_t TIText::ColumnInRange(int64_t v) { return int32_t(std::clamp<int64_t>(v, 0, MaxCursorCol)); }

void TIText::CheckCursor() const {
    CheckRange("Cursor line", CursorLine, MaxLine());
    CheckRange("Cursor column", CursorCol, MaxCursorCol);
}

void TIText::ClearLines() {
    Lines->Clear();
    CursorCol = 1;
    CursorLine = 0;
}

void TIText::ValidateCursor() {
    CheckCursor();
    while (Lines->Count() <= CursorLine) Lines->Add("");
    const std::string& line = Lines->Strings()[size_t(CursorLine)];
    if (int64_t(line.size()) <= CursorCol)
        Lines->Put(CursorLine, line + std::string(size_t(CursorCol) + 1 - line.size(), ' '));
}

void TIText::OutText(const std::string& s) {
    ValidateCursor();
    std::string line = Lines->Strings()[size_t(CursorLine)];
    // Column 0 (the value after creation) inserts at the start like column 1.
    size_t at = size_t(std::max(CursorCol, 1) - 1);
    line.insert(at, s);
    Lines->Put(CursorLine, line);
    int64_t col = int64_t(CursorCol) + int64_t(s.size());
    CursorCol = int32_t(std::min<int64_t>(col, INT32_MAX));
    SetModified(true);
}

void TIText::DeleteChars(int32_t n) {
    CheckRange("Cursor line", CursorLine, INT32_MAX);
    CheckRange("Cursor column", CursorCol, INT32_MAX);
    std::string line = Lines->Get(CursorLine);  // list-index error when missing
    if (n <= 0 || CursorCol < 1 || size_t(CursorCol) > line.size()) return;
    line.erase(size_t(CursorCol) - 1, size_t(n));
    Lines->Put(CursorLine, line);
}

void TIText::BreakLine(int32_t indent) {
    ValidateCursor();
    std::string line = Lines->Strings()[size_t(CursorLine)];
    size_t at = size_t(std::max(CursorCol, 1) - 1);
    Lines->Put(CursorLine, line.substr(0, at));
    Lines->Insert(CursorLine + 1, Blanks(indent) + line.substr(at));
    ++CursorLine;
    CursorCol = indent + 1;
    SetModified(true);
}

void TIText::CRLF() { BreakLine(0); }

void TIText::mCRLF() {
    CheckRange("Margin", Margin, MaxCursorCol);
    BreakLine(Margin);
}

void TIText::ClearLines(TForth&) { ClearLines(); }
void TIText::ValidateCursor(TForth&) { ValidateCursor(); }
void TIText::CRLF(TForth&) { CRLF(); }
void TIText::mCRLF(TForth&) { mCRLF(); }

void TIText::Delete(TForth& Sender) {
    TCell c;
    Sender.Pop(c);
    DeleteChars(c.Value);
}

const ClassInfo& TIText::StaticForthClass() {
    static const PropInfo props[] = {
        OrdProp<TIText, &TIText::GetModified, &TIText::SetModified>("Modified", pkEnumeration),
        StrProp<TIText, &TIText::GetFileName, &TIText::SetFileName>("FileName"),
        ObjProp<TIText, &TIText::GetLines>("Lines"),
        StrProp<TIText, &TIText::GetText, &TIText::SetText>("Text"),
        OrdProp<TIText, &TIText::GetCursorLine, &TIText::SetCursorLine>("CursorLine"),
        OrdProp<TIText, &TIText::GetCursorCol, &TIText::SetCursorCol>("CursorCol"),
        OrdProp<TIText, &TIText::GetMargin, &TIText::SetMargin>("Margin"),
    };
    static const MethodInfo methods[] = {
        WordMethod<TIText, &TIText::ClearLines>("ClearLines"),
        WordMethod<TIText, &TIText::ValidateCursor>("ValidateCursor"),
        WordMethod<TIText, &TIText::Delete>("Delete"),
        WordMethod<TIText, &TIText::CRLF>("CRLF"),
        WordMethod<TIText, &TIText::mCRLF>("mCRLF"),
    };
    static const ClassInfo info{"TIText", nullptr, props, methods};
    return info;
}

}  // namespace velt
