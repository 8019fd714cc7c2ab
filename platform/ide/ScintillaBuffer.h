#pragma once
// An editor tab: a QScintilla editor holding a file's exact bytes. The
// document runs in 8-bit mode, so each byte is one position and the byte
// offsets of the IDE interfaces are document positions; the file's line
// ends stay as they are, and new lines get the file's own kind.

#include <QPointer>
#include <Qsci/qsciscintilla.h>
#include <string>

#include "platform/ide/HostEditor.h"

namespace velt {

// A Pascal editor with line numbers.
QsciScintilla* CreatePascalEditor(QWidget* parent);

class TScintillaBuffer final : public TEditBuffer {
public:
    // Loads bytes into the editor, with an empty undo history, unmodified.
    TScintillaBuffer(const std::string& fileName, QsciScintilla* editor, std::string_view bytes);

    QsciScintilla* Editor() const { return editor_; }

    std::string Text() override;
    int32_t Size() override;
    int32_t Read(int32_t pos, char* buffer, int32_t count) override;
    void Replace(int32_t pos, int32_t length, std::string_view text) override;
    void BeginUndoStep() override;
    void EndUndoStep() override;
    bool Modified() override;
    void SetModified(bool modified) override;
    TEditPos GetCursorPos() override;
    void SetCursorPos(const TEditPos& pos) override;
    TEditPos GetTopPos() override;
    void SetTopPos(const TEditPos& pos) override;
    TViewSize GetViewSize() override;

private:
    QsciScintilla& Sci();
    long Send(unsigned int msg, unsigned long wParam = 0, long lParam = 0);
    int32_t CharWidth();
    // The document position of a 1-based line and byte column, kept inside
    // the document and the line.
    long PositionOf(const TEditPos& pos);

    QPointer<QsciScintilla> editor_;
    bool forcedModified_ = false;
};

}  // namespace velt
