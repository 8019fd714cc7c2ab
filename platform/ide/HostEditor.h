#pragma once
// The editor side of a host: one TEditBuffer per open file (bytes, undo
// steps, caret and scroll position), and the module, editor, view, reader
// and undoable writer interfaces over it, which every host shares. A host
// supplies the buffer: a byte string in memory or a QScintilla document.

#include <memory>
#include <string>
#include <vector>

#include "platform/ide/ToolsApi.h"

namespace velt {

class THostServices;

// Every reader, writer and view call, one line each, e.g.
//   "Reader.GetText(0,32000)=57", "Writer.CopyTo(5)", "Writer.Insert(abc)",
//   "View.SetCursorPos(3,4)", "View.GetViewSize=(80,25)".
using TOperationLog = std::vector<std::string>;

class TEditBuffer {
public:
    explicit TEditBuffer(std::string fileName) : FileName_(std::move(fileName)) {}
    virtual ~TEditBuffer() = default;
    TEditBuffer(const TEditBuffer&) = delete;
    TEditBuffer& operator=(const TEditBuffer&) = delete;

    const std::string& FileName() const { return FileName_; }
    // False once the file's editor has been closed; interfaces still held
    // then raise Exception.
    bool IsOpen() const { return Open_; }
    void MarkClosed() { Open_ = false; }

    // The buffer's bytes.
    virtual std::string Text() = 0;
    virtual int32_t Size() = 0;
    // Copies up to count bytes from pos (both within the buffer); answers how many.
    virtual int32_t Read(int32_t pos, char* buffer, int32_t count) = 0;
    // Replaces length bytes at pos with text.
    virtual void Replace(int32_t pos, int32_t length, std::string_view text) = 0;
    // Everything between the two is one undo step.
    virtual void BeginUndoStep() = 0;
    virtual void EndUndoStep() = 0;
    virtual bool Modified() = 0;
    virtual void SetModified(bool modified) = 0;

    virtual TEditPos GetCursorPos() = 0;
    virtual void SetCursorPos(const TEditPos& pos) = 0;
    virtual TEditPos GetTopPos() = 0;
    virtual void SetTopPos(const TEditPos& pos) = 0;
    virtual TViewSize GetViewSize() = 0;

private:
    std::string FileName_;
    bool Open_ = true;
};

// The module interface of an open buffer; the host stays alive while any
// of these interfaces is held.
ComPtr<TIModuleInterface> MakeModuleInterface(THostServices& host, std::shared_ptr<TEditBuffer> buffer);

}  // namespace velt
