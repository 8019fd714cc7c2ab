// The colouring rich edit and the component group: a 10,000-line INI text
// loaded through HighlightIniLine, one colouring key typed in that text
// (only its line is written again), and one late-bound put of Enabled to
// 1,000 buttons.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextBlock>
#include <memory>
#include <string>

#include "bench/BenchApp.h"
#include "foundation/VarDisp.h"
#include "treeview/CompList.h"
#include "treeview/Highlight.h"

using namespace velt;

namespace {

QApplication& App() { return velt::bench::BenchApp(); }

TStringList IniText(int lines) {
    TStringList list;
    for (int i = 0; i < lines; ++i) {
        if (i % 20 == 0) list.Add("[Section" + std::to_string(i / 20) + "]");
        else list.Add("Key" + std::to_string(i) + "=value of key " + std::to_string(i) + ";note " + std::to_string(i));
    }
    return list;
}

std::unique_ptr<THighlight> IniEditor() {
    auto e = THighlight::Create();
    e->OnHighlightLine = HighlightIniLine;
    e->SetKeyChars("=;]");
    e->resize(600, 400);
    e->show();
    return e;
}

void BM_SetLinesIni10000(benchmark::State& state) {
    App();
    auto e = IniEditor();
    const TStringList text = IniText(10000);
    for (auto _ : state) {
        e->SetLines(text);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_SetLinesIni10000)->Unit(benchmark::kMillisecond);

// Keys typed at the end of line 5001. Never shown, the time is the line's
// rewrite alone; shown, it includes Qt's own relayout and repaint of the
// document, which a plain key not in KeyChars costs as well (the last
// benchmark, for comparison).
void TypeKeys(benchmark::State& state, bool shown, Qt::Key key, const char* text) {
    App();
    auto e = THighlight::Create();
    e->OnHighlightLine = HighlightIniLine;
    e->SetKeyChars("=;]");
    e->resize(600, 400);
    if (shown) e->show();
    e->SetLines(IniText(10000));
    QTextCursor c(e->document()->findBlockByNumber(5001));
    c.movePosition(QTextCursor::EndOfBlock);
    e->setTextCursor(c);
    QApplication::processEvents();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(e.get(), &press);
        QApplication::processEvents();
    }
}

void BM_KeyCharInIni10000(benchmark::State& state) { TypeKeys(state, false, Qt::Key_Semicolon, ";"); }
BENCHMARK(BM_KeyCharInIni10000)->Unit(benchmark::kMicrosecond);
void BM_KeyCharInIni10000Shown(benchmark::State& state) { TypeKeys(state, true, Qt::Key_Semicolon, ";"); }
BENCHMARK(BM_KeyCharInIni10000Shown)->Unit(benchmark::kMicrosecond);
void BM_PlainKeyInIni10000Shown(benchmark::State& state) { TypeKeys(state, true, Qt::Key_X, "x"); }
BENCHMARK(BM_PlainKeyInIni10000Shown)->Unit(benchmark::kMicrosecond);

void BM_BroadcastEnabled1000(benchmark::State& state) {
    App();
    InstallCompListDispatcher();
    QWidget owner;
    TCompList list(&owner);
    for (int i = 0; i < 1000; ++i) list.Add(new QPushButton(&owner));
    bool on = false;
    for (auto _ : state) {
        DispPut(list.AsVariant(), "Enabled", on);
        on = !on;
    }
    RestoreCompListDispatcher();
}
BENCHMARK(BM_BroadcastEnabled1000)->Unit(benchmark::kMillisecond);

}  // namespace
