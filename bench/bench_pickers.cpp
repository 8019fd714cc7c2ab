// The pickers' popups from the drop-down to their first paint: the colour
// popup over a full palette of 64 colours (goal: under 5 ms) and the font
// popup over 2,000 families (goal: under 50 ms).
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench/BenchApp.h"
#include <QImage>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>

#include "graphics/GRFCtrl.h"
#include "graphics/GraphicsUnits.h"
#include "graphics/GrfSel.h"
#include "graphics/GrfSelFn.h"

using namespace velt;

namespace {

// One offscreen application and a started graphics base for the program.
void Start() {
    static bool started = false;
    if (started) return;
    started = true;
    velt::bench::BenchApp();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "velt_bench_pickers";
    std::filesystem::create_directories(dir);
    GraphicsStartup((dir / "bench.INI").string());
}

// Drops the popup down, paints it (all of it, with its hint line), and
// closes it again.
void DropAndPaint(benchmark::State& state, TCustomGraphSelect& picker) {
    QImage surface(800, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        picker.DropDown();
        picker.Popup()->render(&surface);
        picker.CloseUp();
    }
    if (picker.PopupShown()) state.SkipWithError("the popup stayed open");
    benchmark::DoNotOptimize(surface.bits());
}

void BM_ColourPopupFirstPaint(benchmark::State& state) {
    Start();
    while (PalSize() < PaletteEntries) ChangePalColor(-1, RGB(uint8_t(PalSize() * 4), 64, 200));
    QWidget form;
    form.setGeometry(0, 0, 300, 200);
    auto picker = TGraphSelectColor::Create();
    picker->setParent(&form);
    picker->setGeometry(10, 10, 60, 22);
    form.show();
    QApplication::processEvents();
    picker->ReBuild();
    if (picker->GetItemsCount() != 64) state.SkipWithError("the palette is not full");
    DropAndPaint(state, *picker);
    picker.reset();
}
BENCHMARK(BM_ColourPopupFirstPaint)->Unit(benchmark::kMillisecond);

void BM_FontPopupFirstPaint(benchmark::State& state) {
    Start();
    TFixedFontSource source;
    for (int i = 0; i < 2000; ++i) source.Faces.push_back({"Family " + std::to_string(100000 + i * 7), {204}});
    TFontSource* previous = SetFontSource(&source);
    FreeGraphSelectLists();
    {
        QWidget form;
        form.setGeometry(0, 0, 300, 200);
        auto picker = TGraphSelectFont::Create();
        picker->setParent(&form);
        picker->setGeometry(10, 10, 120, 24);
        form.show();
        QApplication::processEvents();
        picker->SetFontName("Family 107000");
        if (picker->GetItemsCount() != 2000) state.SkipWithError("not 2,000 families");
        DropAndPaint(state, *picker);
    }
    FreeGraphSelectLists();
    SetFontSource(previous);
}
BENCHMARK(BM_FontPopupFirstPaint)->Unit(benchmark::kMillisecond);

}  // namespace
