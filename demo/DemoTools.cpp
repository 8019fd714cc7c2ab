#include "demo/DemoTools.h"

#include <QTextBlock>
#include <algorithm>
#include <cstring>

#include "demo/DemoForm.h"
#include "foundation/CommMsg.h"
#include "foundation/RootDir.h"

namespace velt {

namespace {

// The memo's text through a reader, its caret through a view.
class TMemoEditor final : public TInterfacedObject<TIEditorInterface> {
public:
    explicit TMemoEditor(TDemoForm& form) : form_(form) {}
    std::string FileName() override { return form_.CurrentFile(); }
    int32_t GetViewCount() override { return 1; }
    ComPtr<TIEditView> GetView(int32_t Index) override;
    ComPtr<TIEditReader> CreateReader() override;
    ComPtr<TIEditWriter> CreateUndoableWriter() override { return nullptr; }

private:
    TDemoForm& form_;
};

class TMemoModule final : public TInterfacedObject<TIModuleInterface> {
public:
    explicit TMemoModule(TDemoForm& form) : form_(form) {}
    ComPtr<TIEditorInterface> GetEditorInterface() override {
        return ComPtr<TIEditorInterface>(new TMemoEditor(form_));
    }
    bool Save() override { return form_.SaveMemo(); }
    bool Close() override { return form_.ConfirmDropEdits(); }

private:
    TDemoForm& form_;
};

class TMemoReader final : public TInterfacedObject<TIEditReader> {
public:
    explicit TMemoReader(std::string text) : text_(std::move(text)) {}
    int32_t GetText(int32_t Position, char* Buffer, int32_t Count) override {
        if (Position < 0 || Count <= 0 || size_t(Position) >= text_.size()) return 0;
        const size_t n = std::min(size_t(Count), text_.size() - size_t(Position));
        std::memcpy(Buffer, text_.data() + Position, n);
        return int32_t(n);
    }

private:
    std::string text_;
};

class TMemoView final : public TInterfacedObject<TIEditView> {
public:
    explicit TMemoView(TDemoForm& form) : form_(form) {}
    TEditPos GetCursorPos() override {
        const QTextCursor c = form_.Memo1->textCursor();
        return {int16_t(std::min(c.positionInBlock() + 1, 0x7FFF)), c.blockNumber() + 1};
    }
    void SetCursorPos(const TEditPos& Pos) override { form_.CaretTo(Pos.Line - 1, Pos.Col); }
    TEditPos GetTopPos() override {
        return {1, form_.Memo1->cursorForPosition(QPoint(0, 0)).blockNumber() + 1};
    }
    void SetTopPos(const TEditPos&) override {}
    TViewSize GetViewSize() override { return {80, 25}; }

private:
    TDemoForm& form_;
};

ComPtr<TIEditView> TMemoEditor::GetView(int32_t Index) {
    if (Index != 0) return nullptr;
    return ComPtr<TIEditView>(new TMemoView(form_));
}

ComPtr<TIEditReader> TMemoEditor::CreateReader() { return ComPtr<TIEditReader>(new TMemoReader(form_.MemoBytes())); }

}  // namespace

// File names are compared exactly: two files may differ only in case.
std::string TDemoTools::GetCurrentFile() { return form_.CurrentFile(); }

bool TDemoTools::IsFileOpen(const std::string& FileName) {
    return !FileName.empty() && FileName == form_.CurrentFile();
}

bool TDemoTools::OpenFile(const std::string& FileName) {
    if (FileName.empty() || !form_.ConfirmDropEdits()) return false;
    // The edits were saved or dropped: the file is read again.
    form_.Memo1->document()->setModified(false);
    return form_.LoadFile(FileName);
}

bool TDemoTools::CloseFile(const std::string& FileName) {
    if (!IsFileOpen(FileName) || !form_.ConfirmDropEdits()) return false;
    form_.Memo1->document()->setModified(false);
    return true;
}

bool TDemoTools::SaveFile(const std::string& FileName) { return IsFileOpen(FileName) && form_.SaveMemo(); }

ComPtr<TIModuleInterface> TDemoTools::GetModuleInterface(const std::string& FileName) {
    if (!IsFileOpen(FileName)) return nullptr;
    return ComPtr<TIModuleInterface>(new TMemoModule(form_));
}

std::string TDemoTools::GetProjectName() { return MapSystemPath("h:\\varno\\rvelt\\rveltx.dpr"); }

ComPtr<TIMainMenuIntf> TDemoTools::GetMainMenu() { return ComPtr<TIMainMenuIntf>(form_.MainMenu1.get()); }

void TDemoTools::RaiseException(const std::string& Message) { Warning(Message); }

}  // namespace velt
