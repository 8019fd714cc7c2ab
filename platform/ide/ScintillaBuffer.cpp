#include "platform/ide/ScintillaBuffer.h"

#include <Qsci/qscilexerpascal.h>

#include <QFontDatabase>
#include <algorithm>
#include <cstring>
#include <limits>

#include "foundation/SysUtils.h"

namespace velt {

QsciScintilla* CreatePascalEditor(QWidget* parent) {
    auto* editor = new QsciScintilla(parent);
    editor->setUtf8(false);  // one byte, one position
    const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* lexer = new QsciLexerPascal(editor);
    lexer->setDefaultFont(font);
    lexer->setFont(font, -1);
    editor->setLexer(lexer);
    editor->setUtf8(false);
    editor->setMarginType(0, QsciScintilla::NumberMargin);
    editor->setMarginLineNumbers(0, true);
    editor->setMarginWidth(0, QStringLiteral("00000"));
    editor->setMarginsFont(font);
    return editor;
}

TScintillaBuffer::TScintillaBuffer(const std::string& fileName, QsciScintilla* editor, std::string_view bytes)
    : TEditBuffer(fileName), editor_(editor) {
    // New lines get the kind the file starts with (CR LF when it has none).
    const size_t eol = bytes.find_first_of("\r\n");
    QsciScintilla::EolMode mode = QsciScintilla::EolWindows;
    if (eol != std::string_view::npos && bytes[eol] == '\n') mode = QsciScintilla::EolUnix;
    if (eol != std::string_view::npos && bytes[eol] == '\r' && (eol + 1 == bytes.size() || bytes[eol + 1] != '\n'))
        mode = QsciScintilla::EolMac;
    editor->setEolMode(mode);
    Send(QsciScintillaBase::SCI_CLEARALL);
    editor->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()), bytes.data());
    Send(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    Send(QsciScintillaBase::SCI_SETSAVEPOINT);
    Send(QsciScintillaBase::SCI_GOTOPOS, 0);
}

QsciScintilla& TScintillaBuffer::Sci() {
    if (!editor_) throw Exception("The editor of " + FileName() + " is gone");
    return *editor_;
}

long TScintillaBuffer::Send(unsigned int msg, unsigned long wParam, long lParam) {
    return Sci().SendScintilla(msg, wParam, lParam);
}

std::string TScintillaBuffer::Text() {
    const int32_t size = Size();
    std::string bytes(size_t(size), '\0');
    if (size > 0) Read(0, bytes.data(), size);
    return bytes;
}

int32_t TScintillaBuffer::Size() { return static_cast<int32_t>(Send(QsciScintillaBase::SCI_GETLENGTH)); }

int32_t TScintillaBuffer::Read(int32_t pos, char* buffer, int32_t count) {
    // The document's bytes in one piece (Scintilla closes its gap for this).
    const auto* text = static_cast<const char*>(Sci().SendScintillaPtrResult(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
    std::memcpy(buffer, text + pos, size_t(count));
    return count;
}

void TScintillaBuffer::Replace(int32_t pos, int32_t length, std::string_view text) {
    Send(QsciScintillaBase::SCI_SETTARGETRANGE, static_cast<unsigned long>(pos), pos + length);
    const char* bytes = text.empty() ? "" : text.data();  // Scintilla wants a pointer even for nothing
    Sci().SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, static_cast<unsigned long>(text.size()), bytes);
}

void TScintillaBuffer::BeginUndoStep() { Sci().beginUndoAction(); }

void TScintillaBuffer::EndUndoStep() { Sci().endUndoAction(); }

bool TScintillaBuffer::Modified() { return forcedModified_ || Sci().isModified(); }

void TScintillaBuffer::SetModified(bool modified) {
    forcedModified_ = modified;
    if (!modified) Send(QsciScintillaBase::SCI_SETSAVEPOINT);
}

TEditPos TScintillaBuffer::GetCursorPos() {
    const long pos = Send(QsciScintillaBase::SCI_GETCURRENTPOS);
    const long line = Send(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(pos));
    const long col = pos - Send(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)) + 1;
    return {static_cast<int16_t>(std::min<long>(col, std::numeric_limits<int16_t>::max())),
            static_cast<int32_t>(line + 1)};
}

long TScintillaBuffer::PositionOf(const TEditPos& pos) {
    const long lines = Send(QsciScintillaBase::SCI_GETLINECOUNT);
    const long line = std::clamp<long>(pos.Line - 1, 0, lines - 1);
    const long start = Send(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long end = Send(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    return std::min(start + std::max<long>(pos.Col - 1, 0), end);
}

void TScintillaBuffer::SetCursorPos(const TEditPos& pos) {
    Send(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(PositionOf(pos)));
}

int32_t TScintillaBuffer::CharWidth() {
    const long w = Sci().SendScintilla(QsciScintillaBase::SCI_TEXTWIDTH, QsciScintillaBase::STYLE_DEFAULT, "W");
    return static_cast<int32_t>(std::max<long>(w, 1));
}

TEditPos TScintillaBuffer::GetTopPos() {
    const long visible = Send(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE);
    const long line = Send(QsciScintillaBase::SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(visible));
    const long col = Send(QsciScintillaBase::SCI_GETXOFFSET) / CharWidth() + 1;
    return {static_cast<int16_t>(std::min<long>(col, std::numeric_limits<int16_t>::max())),
            static_cast<int32_t>(line + 1)};
}

void TScintillaBuffer::SetTopPos(const TEditPos& pos) {
    const long line = std::max<long>(pos.Line - 1, 0);
    const long visible = Send(QsciScintillaBase::SCI_VISIBLEFROMDOCLINE, static_cast<unsigned long>(line));
    Send(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(visible));
    Send(QsciScintillaBase::SCI_SETXOFFSET, static_cast<unsigned long>(std::max<long>(pos.Col - 1, 0) * CharWidth()));
}

TViewSize TScintillaBuffer::GetViewSize() {
    QsciScintilla& sci = Sci();
    const int32_t columns = sci.viewport()->width() / CharWidth();
    const auto lines = static_cast<int32_t>(Send(QsciScintillaBase::SCI_LINESONSCREEN));
    return {std::max(columns, 1), std::max(lines, 1)};
}

}  // namespace velt
