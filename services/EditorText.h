#pragma once
// The text side of the editor exchange, free of any editor: where a unit's
// text ends in a buffer, whether the model can take it, how the model's
// lines go back with the buffer's own line ends, and the smallest middle
// that turns the old text into the new one.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "foundation/ComPtr.h"

namespace velt {

class TStringList;
class TIEditWriter;
class TIText;

// The buffer is read in pieces of this many bytes.
inline constexpr int32_t EditorChunkSize = 32000;

// The unit's text in a buffer: everything up to its final "end." line (any
// letter case, at the start of a line after CR LF, LF or CR) and that line's
// rest and line break; text after it belongs to the editor only. The text up
// to there is checked as CheckEditorText does; Lines is its line count.
// EInvalidSourceCode "<file>: Final end. not found" when there is none.
struct TUnitText {
    size_t Length = 0;
    int32_t Lines = 0;
};
TUnitText UnitTextOf(std::string_view text, const std::string& fileName);
// The text up to that length.
std::string CutAtFinalEnd(std::string_view text, const std::string& fileName);

// Refuses text the model cannot hold: control bytes other than TAB, line
// ends, form feed and the end-of-file mark (binary data), and lines longer
// than the model's cursor can reach. EInvalidSourceCode naming the file and
// the line. Answers the line count (a final line break adds no line).
int32_t CheckEditorText(std::string_view text, const std::string& fileName);

// Whether lines are exactly the lines of text (split at CR LF, LF or CR),
// which has lineCount of them: the model holds that text already.
bool SameLines(const TStringList& lines, std::string_view text, int32_t lineCount);

// The line break the text uses (its first one): "\r\n", "\n" or "\r"; CR LF
// for a text without any.
std::string_view LineBreakOf(std::string_view text);

// The lines joined by lineBreak, with one after the last line when
// finalBreak is set.
std::string JoinLines(const TStringList& lines, std::string_view lineBreak, bool finalBreak);

// The model's lines as they go back into a buffer that held oldText. Each
// line that is still there (the same text at the start or the end, or a
// changed line in the place of an old one) keeps its own line end, so that
// a unit with mixed line ends is not rewritten; a new line takes the line
// end of the line above it (of the line below at the top, CR LF in an empty
// buffer). A break follows the last line only when oldText ended so, or
// when that line is empty (it would be lost without one).
std::string TextForBuffer(const TStringList& lines, std::string_view oldText);

// Old[First, OldEnd) is replaced by New[First, NewEnd); the common prefix
// [0, First) and the common suffix (from OldEnd / NewEnd on) stay. Both are
// as long as they can be without overlapping.
struct TTextChange {
    int32_t First = 0;
    int32_t OldEnd = 0;
    int32_t NewEnd = 0;
    bool Empty() const { return First == OldEnd && First == NewEnd; }
};
TTextChange MinimalChange(std::string_view oldText, std::string_view newText);

// Turns a buffer that holds oldText (from its start) into newText through
// one writer: CopyTo the common prefix, DeleteTo the end of the old middle,
// Insert the new middle. No writer is made when the texts are equal; the
// answer tells whether one was.
bool WriteBack(std::string_view oldText, std::string_view newText,
               const std::function<ComPtr<TIEditWriter>()>& createWriter);

// The number of lines SplitLines makes of text.
int32_t LineCountOf(std::string_view text);

// Brings lines, which are the lines of oldText, to the lines of newText by
// putting, inserting and deleting only the lines of the changed middle.
// False, with lines untouched, when that middle adds or takes away too
// many lines (a full reload is faster then) or lines is not long enough.
bool PatchLines(TStringList& lines, std::string_view oldText, std::string_view newText);

// Brings the model's lines to those of text, the unit just read from its
// buffer. A model of the same unit that is not modified and still holds
// loaded (the text of its last load or write-back, of loadedLines lines)
// takes only the lines that changed since; any other loads text whole.
void TakeUnitText(TIText& model, bool sameUnit, std::string_view loaded, int32_t loadedLines, std::string_view text);

// A 0-based line of a text of count lines kept on an existing line (0 for
// an empty text).
int32_t ClampLine(int32_t line, int32_t count);

}  // namespace velt
