// One hotkey command end to end through the in-memory IDE, as a user runs it:
// the editor buffer read in chunks, cut and checked, loaded into the model,
// HyperJump from the last method implementation to its declaration, the
// write-back (none: the jump changes no text) and the cursor and view set.
// On the largest corpus units: pasresolver.pp (about 30,000 lines; the goal
// is under 3 ms a command) and sharepoint.pp (about 120,000). The second
// argument 1 changes one character of the buffer before every command (as
// typing between two commands does), which the model takes in first.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/LargestUnits.h"
#include "foundation/CommMsg.h"
#include "foundation/Dialogs.h"
#include "foundation/RegKey.h"
#include "fuzz/FuzzSupport.h"
#include "platform/ide/MemoryHost.h"
#include "platform/ui/ShortCut.h"
#include "services/SourceServices.h"
#include "source/tests/HyperCorpus.h"

namespace {

using namespace velt;

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

void BM_HotkeyCommandEndToEnd(benchmark::State& state) {
    const bool typed = state.range(1) != 0;
    std::string file, text, name;
    if (!bench::ReadLargestUnit(state, file, text)) return;
    int impl = 0, decl = 0;
    {
        TIHyperSourceCode src;
        corpus::LoadModel(src, text, file);
        if (!bench::FindLastImplementation(state, src, impl, decl, name)) return;
    }
    const std::string settings = PrepareSettings();
    fuzz::TSilentSink quiet;
    TMessageSink* previousSink = SetMessageSink(&quiet);
    corpus::TNoDialogs noDialogs;
    TDialogPortGuard dialogs(&noDialogs);
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
