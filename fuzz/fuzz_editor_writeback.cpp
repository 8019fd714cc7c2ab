// The write-back of a command on arbitrary old and new texts (split at the
// first NUL byte; without one, the new text is the old one with its middle
// byte doubled): the writer's calls applied to the old text give exactly the
// new text, keep the longest common prefix and suffix, walk forward only,
// and no writer is made for equal texts. The other way round, patching the
// lines of the old text gives the lines of the new one.
//
// Then a round trip of commands on the old text, its steps read from the
// bytes of the new one: the user's edits of the buffer, loads into a model,
// the words' changes of the model's lines and write-backs. After every load
// the model holds the lines of the buffer; after every write-back the
// buffer holds the model's lines, and lines that were not changed keep their
// bytes and their line ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/Classes.h"
#include "platform/ide/ToolsApi.h"
#include "services/EditorText.h"
#include "source/IText.h"

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

// The steps' bytes, read one at a time (zero once they are used up).
class TSteps {
public:
    explicit TSteps(std::string_view bytes) : bytes_(bytes) {}
    bool More() const { return at_ < bytes_.size(); }
    size_t Next(size_t below) { return below == 0 ? 0 : (More() ? uint8_t(bytes_[at_++]) : 0) % below; }

private:
    std::string_view bytes_;
    size_t at_ = 0;
};

// Applies a write-back of newText over the buffer that holds oldText.
std::string Written(const std::string& oldText, const std::string& newText) {
    ComPtr<TApplyingWriter> writer;
    WriteBack(oldText, newText, [&] {
        writer = ComPtr<TApplyingWriter>(new TApplyingWriter(oldText));
        return ComPtr<TIEditWriter>(writer);
    });
    return writer ? writer->Finished() : oldText;
}

void RoundTrip(const std::string& start, std::string_view stepBytes) {
    static const char* const kTyped[] = {"", "x", "\r\n", "\n", "\r", "ab\r\ncd", "\n\n", "end."};
    static const char* const kLines[] = {"", "x", "  y: Integer;", "end."};
    TSteps steps(stepBytes.substr(0, 4096));
    std::string buffer = start;
    TIText model;
    model.SetLinesText(buffer);
    std::string loaded = buffer;
    bool sameUnit = true;
    while (steps.More()) {
        switch (steps.Next(5)) {
            case 0: {  // the user types
                const size_t at = steps.Next(buffer.size() + 1);
                buffer.replace(at, std::min(steps.Next(4), buffer.size() - at), kTyped[steps.Next(8)]);
                break;
            }
            case 1:  // another unit was loaded in between
                sameUnit = false;
                break;
            case 2: {  // a load
                TakeUnitText(model, sameUnit, loaded, LineCountOf(loaded), buffer);
                if (model.GetLines()->Strings() != SplitLines(buffer)) std::abort();
                model.SetModified(false);
                loaded = buffer;
                sameUnit = true;
                break;
            }
            case 3: {  // a word changes a line, marking the model modified or not
                TStringList& lines = *model.GetLines();
                const int at = int(steps.Next(size_t(lines.Count()) + 1));
                const char* text = kLines[steps.Next(4)];
                switch (steps.Next(3)) {
                    case 0:
                        if (at < lines.Count()) lines.Put(at, text);
                        break;
                    case 1:
                        lines.Insert(at, text);
                        break;
                    default:
                        if (at < lines.Count()) lines.Delete(at);
                }
                if (steps.Next(4) != 0) model.SetModified(true);
                break;
            }
            default: {  // the write-back
                if (!model.GetModified() || !sameUnit) break;
                const std::string newText = TextForBuffer(*model.GetLines(), buffer);
                const std::string old = buffer;
                buffer = Written(old, newText);
                if (buffer != newText || SplitLines(buffer) != model.GetLines()->Strings()) std::abort();
                // The model's lines as the buffer had them: not a byte changes.
                TStringList same;
                for (const std::string& l : SplitLines(old)) same.Add(l);
                if (TextForBuffer(same, old) != old) std::abort();
                model.SetModified(false);
                loaded = buffer;
            }
        }
    }
}

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

    RoundTrip(oldText, newText);
    return 0;
}
