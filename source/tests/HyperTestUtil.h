#pragma once
// Helpers of the hyperjump tests: the fixture unit with scripted dialogs and
// recorded messages, cursor placement by text, and golden snapshots (the
// questions asked, the messages shown, cursor and view, then the text).

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/CommMsg.h"
#include "foundation/Dialogs.h"
#include "source/HyperSourceCode.h"
#include "source/tests/SourceTestUtil.h"

namespace velt::test {

// Index of the nth line (from 0) holding needle, or -1.
inline int FindLineOf(const TIText& t, std::string_view needle, int nth = 0) {
    for (int i = 0; i < t.Lines->Count(); ++i)
        if (t.Lines->Get(i).find(needle) != std::string::npos && nth-- == 0) return i;
    return -1;
}

// The source object over a fixture of data/hyper, with the dialogs
// scripted and the messages recorded for the lifetime of the fixture.
struct THyperFixture {
    TIHyperSourceCode Src;
    TScriptedDialogPort Port;
    TRecordingSink Sink;
    TDialogPortGuard PortGuard{&Port};
    TMessageSink* PreviousSink = nullptr;

    explicit THyperFixture(const std::string& fixture = "shapes.pas") {
        PreviousSink = SetMessageSink(&Sink);
        Open(DataPath("hyper/" + fixture));
    }
    ~THyperFixture() { SetMessageSink(PreviousSink); }
    THyperFixture(const THyperFixture&) = delete;
    THyperFixture& operator=(const THyperFixture&) = delete;

    // Cursor on the nth line holding needle, at column col.
    int At(std::string_view needle, int nth = 0, int col = 1) {
        int l = FindLineOf(Src, needle, nth);
        EXPECT_GE(l, 0) << "no line holds " << needle;
        Src.SetCursorLine(std::max(l, 0));
        Src.SetCursorCol(col);
        return l;
    }
    // HyperJump from the first line holding needle, the questions answered.
    void Jump(std::string_view needle, std::initializer_list<bool> answers = {}) {
        At(needle);
        Answer(answers);
        Src.HyperJump();
    }
    // The unit of file as the model's text.
    void Open(const std::string& file) {
        Src.SetLinesText(ReadWholeFile(file));
        Src.FileName = file;
        Src.ValidateLines();
    }
    int LineOf(std::string_view needle, int nth = 0) const { return FindLineOf(Src, needle, nth); }
    std::string CursorText() const { return L(Src, Src.GetCursorLine()); }
    void Answer(std::initializer_list<bool> answers) {
        for (bool a : answers) Port.Confirms.push_back(a);
    }
};

// Questions, messages, cursor and view (1-based lines), then the text; CR
// inside a question shows as "\r".
inline std::string Snapshot(const THyperFixture& f) {
    std::string r;
    auto escaped = [](const std::string& s) {
        std::string e;
        for (char c : s) e += c == '\r' ? std::string("\\r") : std::string(1, c);
        return e;
    };
    for (const auto& q : f.Port.Log) r += "-- asked " + escaped(q) + "\n";
    for (const auto& m : f.Sink.Lines) r += "-- shown " + m + "\n";
    r += "-- cursor " + std::to_string(f.Src.GetCursorLine() + 1) + ":" + std::to_string(f.Src.GetCursorCol()) + " top " +
         std::to_string(f.Src.GetTopLine() + 1) + ":" + std::to_string(f.Src.GetTopCol()) +
         (f.Src.GetModified() ? " modified" : "") + "\n";
    for (const auto& l : f.Src.Lines->Strings()) r += l + "\n";
    return r;
}

// Compares the snapshot with data/hyper/golden/<name>.
inline void ExpectSnapshot(const THyperFixture& f, const std::string& name) {
    ExpectGoldenFile(Snapshot(f), "hyper/golden/" + name);
}

}  // namespace velt::test
