#include "platform/ide/MemoryHost.h"

#include <cstring>

namespace velt {

class MemoryHost::TMemoryBuffer final : public TEditBuffer {
public:
    TMemoryBuffer(const std::string& fileName, std::string bytes, const TViewSize& viewSize)
        : TEditBuffer(fileName), Bytes(std::move(bytes)), ViewSize_(viewSize) {}

    std::string Text() override { return Bytes; }
    int32_t Size() override { return static_cast<int32_t>(Bytes.size()); }
    int32_t Read(int32_t pos, char* buffer, int32_t count) override {
        std::memcpy(buffer, Bytes.data() + pos, size_t(count));
        return count;
    }
    void Replace(int32_t pos, int32_t length, std::string_view text) override {
        Bytes.replace(size_t(pos), size_t(length), text);
        IsModified = true;
    }
    void BeginUndoStep() override {
        if (Depth++ == 0) Before = Bytes;
    }
    void EndUndoStep() override {
        if (--Depth == 0 && Bytes != Before) Undo.push_back(std::move(Before));
    }
    bool Modified() override { return IsModified; }
    void SetModified(bool modified) override { IsModified = modified; }
    TEditPos GetCursorPos() override { return Cursor; }
    void SetCursorPos(const TEditPos& pos) override { Cursor = pos; }
    TEditPos GetTopPos() override { return Top; }
    void SetTopPos(const TEditPos& pos) override { Top = pos; }
    TViewSize GetViewSize() override { return ViewSize_; }

    std::string Bytes;
    std::vector<std::string> Undo;  // the text before each step
    bool IsModified = false;
    TEditPos Cursor;
    TEditPos Top;

private:
    const TViewSize& ViewSize_;
    int Depth = 0;
    std::string Before;
};

MemoryHost::MemoryHost() = default;
MemoryHost::~MemoryHost() = default;

MemoryHost::TMemoryBuffer* MemoryHost::Memory(const std::string& fileName) const {
    return static_cast<TMemoryBuffer*>(FindBuffer(fileName).get());
}

std::string MemoryHost::ReadFileBytes(const std::string& fileName) {
    const auto it = Disk.find(fileName);
    return it != Disk.end() ? it->second : THostServices::ReadFileBytes(fileName);
}

void MemoryHost::WriteFileBytes(const std::string& fileName, const std::string& bytes) { Disk[fileName] = bytes; }

std::shared_ptr<TEditBuffer> MemoryHost::CreateBuffer(const std::string& fileName, std::string bytes) {
    return std::make_shared<TMemoryBuffer>(fileName, std::move(bytes), ViewSize);
}

TSaveAnswer MemoryHost::AskSave(const std::string& fileName) {
    SaveQuestions.push_back(fileName);
    return CloseAnswer;
}

std::string MemoryHost::Text(const std::string& fileName) const {
    const TMemoryBuffer* b = Memory(fileName);
    return b ? b->Bytes : std::string();
}

void MemoryHost::SetText(const std::string& fileName, std::string bytes) {
    if (TMemoryBuffer* b = Memory(fileName)) {
        b->Bytes = std::move(bytes);
        b->IsModified = true;
    }
}

bool MemoryHost::Modified(const std::string& fileName) const {
    const TMemoryBuffer* b = Memory(fileName);
    return b && b->IsModified;
}

int MemoryHost::UndoCount(const std::string& fileName) const {
    const TMemoryBuffer* b = Memory(fileName);
    return b ? static_cast<int>(b->Undo.size()) : 0;
}

bool MemoryHost::Undo(const std::string& fileName) {
    TMemoryBuffer* b = Memory(fileName);
    if (!b || b->Undo.empty()) return false;
    b->Bytes = std::move(b->Undo.back());
    b->Undo.pop_back();
    b->IsModified = true;
    return true;
}

void MemoryHost::SetCursor(const std::string& fileName, TEditPos cursor, TEditPos top) {
    if (TMemoryBuffer* b = Memory(fileName)) {
        b->Cursor = cursor;
        b->Top = top;
    }
}

TEditPos MemoryHost::Cursor(const std::string& fileName) const {
    const TMemoryBuffer* b = Memory(fileName);
    return b ? b->Cursor : TEditPos{};
}

TEditPos MemoryHost::Top(const std::string& fileName) const {
    const TMemoryBuffer* b = Memory(fileName);
    return b ? b->Top : TEditPos{};
}

}  // namespace velt
