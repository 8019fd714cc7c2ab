// One hotkey command end to end through the in-memory IDE, as a user runs it:
// the editor buffer read in chunks, cut and checked, loaded into the model,
// HyperJump from the last method implementation to its declaration, the
// write-back (none: the jump changes no text) and the cursor and view set.
// On the largest corpus units: pasresolver.pp (about 30,000 lines; the goal
// is under 3 ms a command) and sharepoint.pp (about 120,000). The second
// argument 1 changes one character of the buffer before every command (as
// typing between two commands does), so the model reads the unit afresh.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/CommMsg.h"
#include "foundation/Dialogs.h"
#include "foundation/RegKey.h"
#include "platform/ide/MemoryHost.h"
#include "platform/ui/ShortCut.h"
#include "services/SourceServices.h"

namespace {

using namespace velt;

const char* const kUnits[] = {
    "/usr/share/fpcsrc/3.2.2/packages/fcl-passrc/src/pasresolver.pp",
    "/usr/share/fpcsrc/3.2.2/packages/odata/src/sharepoint.pp",
};

class TQuiet : public TMessageSink, public TDialogPort {
public:
    void Info(std::string_view) override {}
    void Warning(std::string_view) override {}
    void Line(std::string_view) override {}
    bool Query(std::string_view) override { return false; }
    void Beep() override {}
    bool Confirm(const std::string&) override { return false; }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
    int RefreshHeader(const std::string&, const std::string&, const std::string&, const std::string&, bool) override {
        return mrCancel;
    }
    int ChooseTemplate(const std::vector<TTemplateItem>&) override { return -1; }
};

// A settings folder of its own, naming a command file with one hotkey.
std::string PrepareSettings() {
    std::string dir = (std::filesystem::temp_directory_path() / "velt-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) return {};
    setenv("VELT_REGISTRY_DIR", dir.c_str(), 1);
    const std::string commands = dir + "/bench.4th";
    const std::string text = ": Startup\n\" Hyper Jump\" \" HyperJump\" \" Ctrl+Shift+H\" 1 RegisterHotkey\n;\n";
    AtomicWriteFile(commands, text.data(), text.size());
    auto user = std::make_unique<TRegistryKey>(winreg::HKEY_CURRENT_USER);
    std::unique_ptr<TKey> settings(user.release()->SubKey(kSettingsKeyPath));
    settings->SetVString("CommandFileName", commands);
    return dir;
}

// The last qualified implementation whose class the unit declares, and
// that declaration (0-based lines).
bool FindJump(const std::string& text, int& impl, int& decl, std::string& name) {
    TIHyperSourceCode src;
    src.SetLinesText(text);
    src.ValidateLines();
    std::string c, m;
    for (int i = std::min(src.ImplEndLine, src.GetLines()->Count()) - 1; i > src.ImplLine; --i) {
        int d = 0, h = 0;
        if (src.isValidMethodImpl(src.GetLines()->Get(i), c, m) && !c.empty() && src.FindClass(c, h) &&
            src.FindMethodIntf(c, m, d)) {
            impl = i, decl = d, name = c + "." + m;
            return true;
        }
    }
    return false;
}

void BM_HotkeyCommandEndToEnd(benchmark::State& state) {
    const std::string file = kUnits[state.range(0)];
    const bool typed = state.range(1) != 0;
    std::string text;
    try {
        text = ReadWholeFile(file);
    } catch (const Exception&) {
        state.SkipWithError(("cannot read " + file).c_str());
        return;
    }
    int impl = 0, decl = 0;
    std::string name;
    if (!FindJump(text, impl, decl, name)) {
        state.SkipWithError("no implementation with a declaration");
        return;
    }
    const std::string settings = PrepareSettings();
    TQuiet quiet;
    TMessageSink* previousSink = SetMessageSink(&quiet);
    TDialogPortGuard dialogs(&quiet);
    {
        MemoryHost host;
        host.OpenBuffer(file, text);
        ComPtr<TSourceServices> services(new TSourceServices(host));
        services->InstallAddIn();
        const TShortCut hotkey = TextToShortCut("Ctrl+Shift+H");
        std::string edited = text;
        const size_t typedAt = text.find('\n') - 1;  // the end of the first line
        for (auto _ : state) {
            if (typed) {
                state.PauseTiming();
                edited[typedAt] = edited[typedAt] == ' ' ? '\t' : ' ';
                host.SetText(file, edited);
                state.ResumeTiming();
            }
            host.SetCursor(file, {1, impl + 1}, {1, impl + 1});
            host.PressShortCut(hotkey);
            host.Log.clear();
        }
        if (typed) {  // the unit as it was, for the checks below
            host.SetText(file, text);
            host.SetCursor(file, {1, impl + 1}, {1, impl + 1});
            host.PressShortCut(hotkey);
        }
        if (!host.Messages.empty())
            state.SkipWithError(host.Messages.front().c_str());
        else if (host.Cursor(file).Line != decl + 1)
            state.SkipWithError("did not land on the declaration");
        else if (host.UndoCount(file) != 0 || host.Text(file) != text)
            state.SkipWithError("the unchanged command edited the buffer");
        state.counters["lines"] = double(services->SourceCode().GetLines()->Count());
        state.counters["edits"] = double(host.UndoCount(file));
        state.SetLabel(name);
        services->Finalize();
    }
    SetMessageSink(previousSink);
    std::filesystem::remove_all(settings);
}
BENCHMARK(BM_HotkeyCommandEndToEnd)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
