#include "source/IText.h"

#include <algorithm>

#include "forth/Forth.h"
#include "foundation/StrUtils.h"

namespace velt {

namespace {
const std::string kEmpty;
}

TIText::TIText() : Lines(std::make_unique<TStringList>()) {}

TIText::~TIText() = default;

void TIText::LoadFromFile() { Lines->LoadFromFile(FileName); }

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
}

void TIText::SaveToFile() { Lines->SaveToFile(FileName); }

const std::string& TIText::LineAt(int i) const {
    if (i < 0 || i >= Lines->Count()) return kEmpty;
    return Lines->Strings()[size_t(i)];
}

void TIText::SetCursorLine(int32_t v) {
    if (v < 0 || (v > MaxCursorLine && v >= Lines->Count()))
        throw ERangeError("Cursor line " + IntToStr(v) + " out of range");
    CursorLine = v;
}

void TIText::SetCursorCol(int32_t v) {
    if (v < 0 || v > MaxCursorCol) throw ERangeError("Cursor column " + IntToStr(v) + " out of range");
    CursorCol = v;
}

void TIText::SetMargin(int32_t v) {
    if (v < 0 || v > MaxCursorCol) throw ERangeError("Margin " + IntToStr(v) + " out of range");
    Margin = v;
}

void TIText::CheckCursor() const {
    if (CursorLine < 0 || (CursorLine > MaxCursorLine && CursorLine >= Lines->Count()))
        throw ERangeError("Cursor line " + IntToStr(CursorLine) + " out of range");
    if (CursorCol < 0 || CursorCol > MaxCursorCol)
        throw ERangeError("Cursor column " + IntToStr(CursorCol) + " out of range");
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
    Modified = true;
}

void TIText::DeleteChars(int32_t n) {
    if (CursorLine < 0) throw ERangeError("Cursor line " + IntToStr(CursorLine) + " out of range");
    if (CursorCol < 0) throw ERangeError("Cursor column " + IntToStr(CursorCol) + " out of range");
    std::string line = Lines->Get(CursorLine);  // list-index error when missing
    if (n <= 0 || CursorCol < 1 || size_t(CursorCol) > line.size()) return;
    line.erase(size_t(CursorCol) - 1, size_t(n));
    Lines->Put(CursorLine, line);
}

void TIText::CRLF() {
    ValidateCursor();
    std::string line = Lines->Strings()[size_t(CursorLine)];
    size_t at = size_t(std::max(CursorCol, 1) - 1);
    Lines->Put(CursorLine, line.substr(0, at));
    Lines->Insert(CursorLine + 1, line.substr(at));
    ++CursorLine;
    CursorCol = 1;
    Modified = true;
}

void TIText::mCRLF() {
    if (Margin < 0 || Margin > MaxCursorCol) throw ERangeError("Margin " + IntToStr(Margin) + " out of range");
    ValidateCursor();
    std::string line = Lines->Strings()[size_t(CursorLine)];
    size_t at = size_t(std::max(CursorCol, 1) - 1);
    Lines->Put(CursorLine, line.substr(0, at));
    Lines->Insert(CursorLine + 1, Blanks(Margin) + line.substr(at));
    ++CursorLine;
    CursorCol = Margin + 1;
    Modified = true;
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
