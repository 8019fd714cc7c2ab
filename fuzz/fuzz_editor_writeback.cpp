// The write-back of a command on arbitrary old and new texts (split at the
// first NUL byte; without one, the new text is the old one with its middle
// byte doubled): the writer's calls applied to the old text give exactly the
// new text, keep the longest common prefix and suffix, walk forward only,
// and no writer is made for equal texts. The other way round, patching the
// lines of the old text gives the lines of the new one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/Classes.h"
#include "platform/ide/ToolsApi.h"
#include "services/EditorText.h"

namespace {

using namespace velt;

// Applies the calls to a copy of the old text, as an editor's writer does.
class TApplyingWriter final : public TInterfacedObject<TIEditWriter> {
public:
    explicit TApplyingWriter(std::string_view old) : old_(old) {}
    bool CopyTo(int32_t Position) override {
        Check(Position);
        Result.append(old_.substr(size_t(pos_), size_t(Position - pos_)));
        pos_ = Position;
        return true;
    }
    bool DeleteTo(int32_t Position) override {
        Check(Position);
        pos_ = Position;
        return true;
    }
    bool Insert(std::string_view Text) override {
        Result.append(Text);
        return true;
    }
    int32_t Position() override { return pos_; }
    // What the buffer holds once the writer is released.
    std::string Finished() const { return Result + std::string(old_.substr(size_t(pos_))); }
    std::string Result;

private:
    void Check(int32_t position) const {
        if (position < pos_ || position > int32_t(old_.size())) std::abort();
    }
    std::string_view old_;
    int32_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string oldText, newText;
    const size_t nul = input.find('\0');
    if (nul != std::string_view::npos) {
        oldText = input.substr(0, nul);
        newText = input.substr(nul + 1);
    } else {
        oldText = newText = std::string(input);
        if (!input.empty()) newText.insert(input.size() / 2, 1, input[input.size() / 2]);
    }

    ComPtr<TApplyingWriter> writer;
    const bool wrote = WriteBack(oldText, newText, [&] {
        if (writer) std::abort();  // one writer per write-back
        writer = ComPtr<TApplyingWriter>(new TApplyingWriter(oldText));
        return ComPtr<TIEditWriter>(writer);
    });
    if (wrote != (oldText != newText) || wrote != bool(writer)) std::abort();
    if (writer && writer->Finished() != newText) std::abort();

    // The changed middle is as small as it can be.
    const TTextChange c = MinimalChange(oldText, newText);
    const size_t first = size_t(c.First), oldTail = oldText.size() - size_t(c.OldEnd);
    const size_t newTail = newText.size() - size_t(c.NewEnd);
    if (oldTail != newTail || first + oldTail > std::min(oldText.size(), newText.size())) std::abort();
    if (first < std::min(oldText.size(), newText.size()) && oldText[first] == newText[first]) std::abort();
    if (first + oldTail < std::min(oldText.size(), newText.size()) &&
        oldText[size_t(c.OldEnd) - 1] == newText[size_t(c.NewEnd) - 1])
        std::abort();

    TStringList lines;
    for (const std::string& l : SplitLines(oldText)) lines.Add(l);
    if (LineCountOf(oldText) != lines.Count()) std::abort();
    if (PatchLines(lines, oldText, newText) && lines.Strings() != SplitLines(newText)) std::abort();
    return 0;
}
