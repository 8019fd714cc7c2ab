#pragma once
// TIText: the editable text every source command works on: the lines of one
// file, a cursor, a left margin and a modified flag. Output is a sequence of
// writes at the cursor (OutText, the property Text) and line breaks (CRLF,
// mCRLF); the cursor may stand anywhere, missing lines and blanks are padded
// in first (ValidateCursor).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "forth/ForthObject.h"

namespace velt {

class TForth;

class TIText : public TPersistent, public ForthObject {
public:
    VELT_FORTH_CLASS(TIText)

    TIText();
    ~TIText() override;
    std::string ClassName() const override { return "TIText"; }

    // Cursor values beyond these would only make the padding eat the
    // memory; they are refused with ERangeError (negative ones too).
    static constexpr int32_t MaxCursorLine = 1024 * 1024;
    static constexpr int32_t MaxCursorCol = 1024 * 1024;

    // Replaces Lines with the content of the file named by FileName / writes
    // Lines there (CR LF line ends). The cursor and Modified stay as they are
    // (a load is fresh: see TakeFreshLoad).
    virtual void LoadFromFile();
    virtual void SaveToFile();

    // Inserts s into the cursor line before CursorCol (after ValidateCursor),
    // advances CursorCol by its length and sets Modified.
    void OutText(const std::string& s);

    // The words, also callable from code.
    void ClearLines();
    void ValidateCursor();
    // Deletes n characters of the cursor line from CursorCol on; neither pads
    // nor sets Modified. EStringListError when the cursor line does not exist.
    void DeleteChars(int32_t n);
    void CRLF();
    void mCRLF();

    // Published words: ( -- ) except Delete ( n -- ).
    void ClearLines(TForth& Sender);
    void ValidateCursor(TForth& Sender);
    void Delete(TForth& Sender);
    void CRLF(TForth& Sender);
    void mCRLF(TForth& Sender);

    // Property accessors. The cursor and margin setters refuse negative or
    // absurd values with ERangeError (what a command file may write).
    bool GetModified() const { return Modified; }
    void SetModified(bool v) {
        Modified = v;
        if (v) freshLoad_ = false;
    }
    const std::string& GetFileName() const { return FileName; }
    void SetFileName(const std::string& v) { FileName = v; }
    TStringList* GetLines() const { return Lines.get(); }
    // Reading Text answers a stored string that nothing assigns (empty);
    // writing it is OutText.
    const std::string& GetText() const { return TextValue; }
    void SetText(const std::string& s) { OutText(s); }
    int32_t GetCursorLine() const { return CursorLine; }
    void SetCursorLine(int32_t v);
    int32_t GetCursorCol() const { return CursorCol; }
    void SetCursorCol(int32_t v);
    int32_t GetMargin() const { return Margin; }
    void SetMargin(int32_t v);

    // The lines as one text with CR LF line ends / set from text (CR LF, LF or
    // CR; a trailing line break adds no empty line; a fresh load). Setting
    // the text the lines already hold changes nothing (Lines->Version()
    // included).
    std::string GetLinesText() const { return Lines->Text(); }
    void SetLinesText(std::string_view text);

    // How many times the searches have read a line (LineAt): a measure of
    // their work that does not depend on the machine.
    uint64_t LineReads() const { return lineReads_; }

    // For code that computes a place: v moved into what SetCursorLine /
    // SetCursorCol and SetMargin accept, so that code never raises where
    // only a command file's value should.
    int32_t LineInRange(int64_t v) const;
    static int32_t ColumnInRange(int64_t v);

    std::string FileName;
    std::unique_ptr<TStringList> Lines;

protected:
    // Whether the lines were loaded whole (SetLinesText, LoadFromFile) and
    // not written to since; ends that state. The source model clears
    // Modified only then: a later re-validation must not hide unsaved edits.
    bool TakeFreshLoad() {
        const bool fresh = freshLoad_;
        freshLoad_ = false;
        return fresh;
    }
    // Raises ERangeError unless the cursor can be validated.
    void CheckCursor() const;
    int32_t MaxLine() const;
    // Splits the cursor line at the cursor; the rest goes to a new line
    // after indent blanks, where the cursor follows.
    void BreakLine(int32_t indent);
    // Line i (0-based) when it exists, else an empty string. Inline: the
    // searches call it for every line they read.
    const std::string& LineAt(int i) const {
        ++lineReads_;
        const std::vector<std::string>& lines = Lines->Strings();
        return size_t(i) < lines.size() ? lines[size_t(i)] : EmptyLine();
    }
    int LineCount() const { return Lines->Count(); }

    std::string TextValue;

private:
    static const std::string& EmptyLine();
    // Reached through the setters only: they keep the ranges and the
    // fresh-load state.
    bool Modified = false;
    int32_t CursorLine = 0;
    int32_t CursorCol = 0;
    int32_t Margin = 1;
    mutable uint64_t lineReads_ = 0;
    // The text last loaded, the offset of each of its lines, and the
    // Version of Lines that it left; Views serves every load again.
    struct {
        std::string Text;
        std::vector<size_t> Starts;
        uint64_t Version = 0;
        std::vector<std::string_view> Views;
    } loaded_;
    bool freshLoad_ = false;
};

}  // namespace velt
