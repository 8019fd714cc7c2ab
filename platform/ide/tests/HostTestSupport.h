#pragma once
// Helpers for the host tests: a notifier that records the events, a message
// sink that records the console lines, and a scratch folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/CommMsg.h"
#include "foundation/SysUtils.h"
#include "platform/ide/ToolsApi.h"

namespace velt::test {

class TRecordingNotifier final : public TInterfacedObject<TIAddInNotifier> {
public:
    void FileNotification(TFileNotification NotifyCode, const std::string& FileName, bool& Cancel) override {
        Events.push_back(IntToStr(NotifyCode) + " " + std::filesystem::path(FileName).filename().string());
        if (NotifyCode == CancelCode) Cancel = true;
    }
    std::vector<std::string> Events;  // "code file-name-without-folder"
    int CancelCode = -1;
};

// Installed while it lives.
class TLinesSink : public TMessageSink {
public:
    TLinesSink() : previous_(SetMessageSink(this)) {}
    ~TLinesSink() override { SetMessageSink(previous_); }
    void Info(std::string_view text) override { Lines.emplace_back(text); }
    void Warning(std::string_view text) override { Lines.emplace_back(text); }
    void Line(std::string_view text) override { Lines.emplace_back(text); }
    bool Query(std::string_view) override { return false; }
    void Beep() override {}
    std::vector<std::string> Lines;

private:
    TMessageSink* previous_;
};

class TScratchDir {
public:
    TScratchDir() {
        Path = std::filesystem::temp_directory_path() /
               ("velt-ide-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(Path);
        std::filesystem::create_directories(Path);
    }
    ~TScratchDir() { std::filesystem::remove_all(Path); }
    std::string File(const std::string& name) const { return (Path / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        AtomicWriteFile(File(name), bytes.data(), bytes.size());
        return File(name);
    }
    std::string Read(const std::string& name) const { return ReadWholeFile(File(name)); }
    std::filesystem::path Path;
};

}  // namespace velt::test
