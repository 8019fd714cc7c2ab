#pragma once
// Helpers of the source-model tests: fixture units and golden files.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/CommMsg.h"
#include "source/SourceCode.h"

namespace velt::test {

// Collects messages instead of showing them; questions answer No.
class TRecordingSink : public TMessageSink {
public:
    void Info(std::string_view t) override { Lines.push_back("Info: " + std::string(t)); }
    void Warning(std::string_view t) override { Lines.push_back("Warning: " + std::string(t)); }
    void Line(std::string_view t) override { Lines.push_back(std::string(t)); }
    bool Query(std::string_view t) override {
        Lines.push_back("Query: " + std::string(t));
        return false;
    }
    void Beep() override {}
    std::vector<std::string> Lines;
};

// Records the messages while it lives, then puts the previous sink back.
class TSinkGuard {
public:
    TSinkGuard() : previous_(SetMessageSink(&Sink)) {}
    ~TSinkGuard() { SetMessageSink(previous_); }
    TSinkGuard(const TSinkGuard&) = delete;
    TSinkGuard& operator=(const TSinkGuard&) = delete;
    TRecordingSink Sink;

private:
    TMessageSink* previous_;
};

inline std::string DataPath(const std::string& name) { return std::string(VELT_TEST_DATA_DIR) + "/" + name; }

inline std::string ReadData(const std::string& name) { return ReadWholeFile(DataPath(name)); }

// A source model over a fixture file (sections validated).
inline void LoadFixture(TISourceCode& src, const std::string& name) {
    src.SetLinesText(ReadData(name));
    src.FileName = DataPath(name);
    src.ValidateLines();
}

inline void LoadText(TISourceCode& src, std::string_view text) {
    src.SetLinesText(text);
    src.ValidateLines();
}

// Compares text with the file at path under tests/data/. VELT_UPDATE_GOLDEN=1
// rewrites the file instead.
inline void ExpectGoldenFile(const std::string& text, const std::string& relPath) {
    const std::string path = DataPath(relPath);
    if (std::getenv("VELT_UPDATE_GOLDEN")) {
        AtomicWriteFile(path, text.data(), text.size());
        return;
    }
    std::string expected;
    try {
        expected = ReadWholeFile(path);
    } catch (const Exception&) {
        FAIL() << "golden file missing: " << path;
    }
    EXPECT_EQ(text, expected) << "golden " << relPath;
}

// Compares text with golden/<name> (CR LF lines).
inline void ExpectGolden(const std::string& text, const std::string& name) { ExpectGoldenFile(text, "golden/" + name); }

// Line i of the model's text.
inline std::string L(const TIText& t, int i) { return t.Lines->Get(i); }

// All lines of the model's text.
using TLines = std::vector<std::string>;
inline const TLines& LinesOf(const TIText& t) { return t.Lines->Strings(); }

}  // namespace velt::test
