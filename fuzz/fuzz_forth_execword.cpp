// Loads arbitrary bytes as a command file and runs a few words by name
// against a fixed set of host objects. Any failure must be an exception of
// the system; nothing may crash or hang.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "forth/Forth.h"
#include "foundation/CommMsg.h"
#include "fuzz/FuzzSupport.h"

using namespace velt;

namespace {

class TFuzzHost : public TPersistent, public ForthObject {
public:
    VELT_FORTH_CLASS(TFuzzHost)
    int32_t Count = 0;
    uint8_t Mode = 0;
    char Letter = 'a';
    std::string Caption;
    TObject* Child = nullptr;
    TStringList* Lines = nullptr;
    void Hello(TForth& Sender) { Sender.PushString("hello"); }
    void Shrink(TForth& Sender) {
        TCell c;
        Sender.Pop(c);
        if (Lines->Count() > 0) Lines->Delete(0);
    }
};

const ClassInfo& TFuzzHost::StaticForthClass() {
    static const PropInfo props[] = {
        OrdProp<TFuzzHost, &TFuzzHost::Count, &TFuzzHost::Count>("Count"),
        EnumProp<TFuzzHost, &TFuzzHost::Mode, &TFuzzHost::Mode>("Mode"),
        CharProp<TFuzzHost, &TFuzzHost::Letter, &TFuzzHost::Letter>("Letter"),
        StrProp<TFuzzHost, &TFuzzHost::Caption, &TFuzzHost::Caption>("Caption"),
        ObjProp<TFuzzHost, &TFuzzHost::Child>("Child"),
        ObjProp<TFuzzHost, &TFuzzHost::Lines>("Lines"),
        OtherProp("Ratio", pkFloat),
    };
    static const MethodInfo methods[] = {
        WordMethod<TFuzzHost, &TFuzzHost::Hello>("Hello"),
        WordMethod<TFuzzHost, &TFuzzHost::Shrink>("Shrink"),
    };
    static const ClassInfo info{"TFuzzHost", nullptr, props, methods};
    return info;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Silence();
    std::string text(reinterpret_cast<const char*>(data), size);
    // INCLUDE reads any file the text names (devices included); the
    // interpreter's own handling of it is covered by the unit tests.
    if (fuzz::ContainsNoCase(text, "include")) return 0;

    TStringList lines;
    lines.Add("one");
    lines.Add("two");
    lines.Add("three");
    TFuzzHost host;
    host.Lines = &lines;
    TObject plain;

    TForth forth;
    forth.StepLimit = 20000;
    forth.Objects.AddObject("Host", &host);
    forth.Objects.AddObject("Plain", &plain);
    forth.Aliases.AddObject("Alias", &host);

    forth.SetText(text + " ");
    static const char* const words[] = {"Startup", "Main", "A", "OpenUnitSource", "x", ""};
    for (const char* w : words) {
        forth.Pos = 1;
        try {
            forth.ExecWord(w);
        } catch (const Exception&) {
        }
    }
    try {
        forth.ExecForth(text);
    } catch (const Exception&) {
    }
    return 0;
}
