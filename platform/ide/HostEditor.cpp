#include "platform/ide/HostEditor.h"

#include <algorithm>

#include "foundation/SysUtils.h"
#include "platform/ide/HostServices.h"

namespace velt {

namespace {

std::string PosText(const TEditPos& p) { return "(" + IntToStr(p.Col) + "," + IntToStr(p.Line) + ")"; }

// Base of the interfaces over one buffer: counts itself among the host's
// live editor interfaces, so a test sees every one released.
template <class Intf>
class TBufferInterface : public TInterfacedObject<Intf> {
public:
    TBufferInterface(THostServices& host, std::shared_ptr<TEditBuffer> buffer)
        : host_(host), buffer_(std::move(buffer)) {
        ++host_.LiveEditorInterfaces;
    }
    ~TBufferInterface() override { --host_.LiveEditorInterfaces; }

protected:
    void Log(std::string line) { host_.AddLog(std::move(line)); }
    TEditBuffer& Buffer() {
        if (!buffer_->IsOpen()) throw Exception("The editor of " + buffer_->FileName() + " is closed");
        return *buffer_;
    }

    THostServices& host_;
    std::shared_ptr<TEditBuffer> buffer_;
};

class TReader final : public TBufferInterface<TIEditReader> {
public:
    using TBufferInterface::TBufferInterface;

    int32_t GetText(int32_t Position, char* Buffer, int32_t Count) override {
        TEditBuffer& buffer = TBufferInterface::Buffer();
        if (Position < 0 || Count < 0 || (Count > 0 && !Buffer))
            throw Exception("GetText: invalid position " + IntToStr(Position) + " or count " + IntToStr(Count));
        const int32_t size = buffer.Size();
        const int32_t n = Position >= size ? 0 : buffer.Read(Position, Buffer, std::min(Count, size - Position));
        Log("Reader.GetText(" + IntToStr(Position) + "," + IntToStr(Count) + ")=" + IntToStr(n));
        return n;
    }
};

class TWriter final : public TBufferInterface<TIEditWriter> {
public:
    TWriter(THostServices& host, std::shared_ptr<TEditBuffer> buffer)
        : TBufferInterface(host, std::move(buffer)), size_(buffer_->Size()) {
        buffer_->BeginUndoStep();
    }
    ~TWriter() override {
        Log("Writer.Release");
        if (buffer_->IsOpen()) buffer_->EndUndoStep();
    }

    bool CopyTo(int32_t Position) override {
        Log("Writer.CopyTo(" + IntToStr(Position) + ")");
        MoveTo(Position);
        return true;
    }
    bool DeleteTo(int32_t Position) override {
        Log("Writer.DeleteTo(" + IntToStr(Position) + ")");
        const int32_t from = pos_;
        MoveTo(Position);
        Buffer().Replace(from + delta_, Position - from, {});
        delta_ -= Position - from;
        return true;
    }
    bool Insert(std::string_view Text) override {
        Log("Writer.Insert(" + std::string(Text) + ")");
        Buffer().Replace(pos_ + delta_, 0, Text);
        delta_ += static_cast<int32_t>(Text.size());
        return true;
    }
    int32_t Position() override { return pos_; }

private:
    void MoveTo(int32_t position) {
        Buffer();
        const std::string where = "Editor writer of " + buffer_->FileName() + ": position " + IntToStr(position);
        if (position < pos_) throw Exception(where + " is behind the current position " + IntToStr(pos_));
        if (position > size_) throw Exception(where + " is beyond the end of the buffer (" + IntToStr(size_) + ")");
        pos_ = position;
    }

    const int32_t size_;  // of the buffer when the writer was made
    int32_t pos_ = 0;     // in that buffer
    int32_t delta_ = 0;   // what the writer's changes have added before pos_
};

class TView final : public TBufferInterface<TIEditView> {
public:
    using TBufferInterface::TBufferInterface;

    TEditPos GetCursorPos() override {
        const TEditPos p = Buffer().GetCursorPos();
        Log("View.GetCursorPos=" + PosText(p));
        return p;
    }
    void SetCursorPos(const TEditPos& Pos) override {
        Log("View.SetCursorPos" + PosText(Pos));
        Buffer().SetCursorPos(Pos);
    }
    TEditPos GetTopPos() override {
        const TEditPos p = Buffer().GetTopPos();
        Log("View.GetTopPos=" + PosText(p));
        return p;
    }
    void SetTopPos(const TEditPos& Pos) override {
        Log("View.SetTopPos" + PosText(Pos));
        Buffer().SetTopPos(Pos);
    }
    TViewSize GetViewSize() override {
        const TViewSize s = Buffer().GetViewSize();
        Log("View.GetViewSize=(" + IntToStr(s.cx) + "," + IntToStr(s.cy) + ")");
        return s;
    }
};

class TEditor final : public TBufferInterface<TIEditorInterface> {
public:
    using TBufferInterface::TBufferInterface;

    std::string FileName() override { return buffer_->FileName(); }
    int32_t GetViewCount() override { return buffer_->IsOpen() ? 1 : 0; }
    ComPtr<TIEditView> GetView(int32_t Index) override {
        Log("Editor.GetView(" + IntToStr(Index) + ")");
        if (Index != 0 || !buffer_->IsOpen()) return nullptr;
        return ComPtr<TIEditView>(new TView(host_, buffer_));
    }
    ComPtr<TIEditReader> CreateReader() override {
        Log("Editor.CreateReader");
        Buffer();
        return ComPtr<TIEditReader>(new TReader(host_, buffer_));
    }
    ComPtr<TIEditWriter> CreateUndoableWriter() override {
        Log("Editor.CreateUndoableWriter");
        Buffer();
        return ComPtr<TIEditWriter>(new TWriter(host_, buffer_));
    }
};

class TModule final : public TBufferInterface<TIModuleInterface> {
public:
    using TBufferInterface::TBufferInterface;

    ComPtr<TIEditorInterface> GetEditorInterface() override {
        Log("Module.GetEditorInterface");
        if (!buffer_->IsOpen()) return nullptr;
        return ComPtr<TIEditorInterface>(new TEditor(host_, buffer_));
    }
    bool Save() override { return buffer_->IsOpen() && host_.SaveFile(buffer_->FileName()); }
    bool Close() override { return buffer_->IsOpen() && host_.CloseFile(buffer_->FileName()); }
};

}  // namespace

ComPtr<TIModuleInterface> MakeModuleInterface(THostServices& host, std::shared_ptr<TEditBuffer> buffer) {
    return ComPtr<TIModuleInterface>(new TModule(host, std::move(buffer)));
}

}  // namespace velt
