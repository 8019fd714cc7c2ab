#include "source/IText.h"

#include <algorithm>

#include "forth/Forth.h"
#include "foundation/StrUtils.h"

namespace velt {

namespace {

const std::string kEmpty;

// Raises ERangeError unless 0 <= v <= max.
void CheckRange(const char* what, int32_t v, int32_t max) {
    if (v < 0 || v > max) throw ERangeError(std::string(what) + " " + IntToStr(v) + " out of range");
}

}  // namespace

TIText::TIText() : Lines(std::make_unique<TStringList>()) {}

TIText::~TIText() = default;

void TIText::LoadFromFile() {
    Lines->LoadFromFile(FileName);
    freshLoad_ = true;
}

void TIText::SetLinesText(std::string_view text) {
    // As TStringList::SetText, with one allocation per line: whole units
    // are loaded before every command.
    Lines->Clear();
    std::string line;
    size_t i = 0, start = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            line.assign(text.substr(start, i - start));
            Lines->Add(line);
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) Lines->Add(std::string(text.substr(start)));
    freshLoad_ = true;
}

void TIText::SaveToFile() { Lines->SaveToFile(FileName); }

const std::string& TIText::LineAt(int i) const {
    if (i < 0 || i >= Lines->Count()) return kEmpty;
    return Lines->Strings()[size_t(i)];
}

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
