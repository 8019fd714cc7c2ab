#pragma once
// A temporary installation for the services tests: its own registry and
// installation folders, a command file, an in-memory IDE and a record of
// every console line and note.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/CommMsg.h"
#include "foundation/RegKey.h"
#include "platform/ide/MemoryHost.h"
#include "services/SourceServices.h"

namespace velt::test {

class RecordingSink : public TMessageSink {
public:
    void Info(std::string_view text) override { Notes.emplace_back(text); }
    void Warning(std::string_view text) override { Notes.emplace_back(text); }
    void Line(std::string_view text) override { Lines.emplace_back(text); }
    bool Query(std::string_view) override { return false; }
    void Beep() override {}
    bool HasLine(std::string_view text) const {
        for (const std::string& l : Lines)
            if (l == text) return true;
        return false;
    }
    std::vector<std::string> Notes;
    std::vector<std::string> Lines;
};

// Sets an environment variable for the lifetime of the guard.
class EnvGuard {
public:
    EnvGuard(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        setenv(name, value.c_str(), 1);
    }
    ~EnvGuard() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

inline std::filesystem::path MakeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velt-services-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

class Installation {
public:
    Installation()
        : Dir(MakeTempDir()),
          registry_("VELT_REGISTRY_DIR", (Dir / "registry").string()),
          root_("VELT_ROOTDIR", (Dir / "root").string()) {
        std::filesystem::create_directories(Dir / "root");
        previous_ = SetMessageSink(&Sink);
    }
    ~Installation() {
        SetMessageSink(previous_);
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }

    std::string Path(const std::string& name) const { return (Dir / name).string(); }
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string p = Path(name);
        std::filesystem::create_directories(std::filesystem::path(p).parent_path());
        AtomicWriteFile(p, text.data(), text.size());
        return p;
    }
    static std::unique_ptr<TKey> Settings() {
        auto user = std::make_unique<TRegistryKey>(winreg::HKEY_CURRENT_USER);
        return std::unique_ptr<TKey>(user.release()->SubKey(kSettingsKeyPath));
    }
    // Writes the command file and names it in the settings.
    std::string CommandFile(const std::string& text) {
        const std::string p = Write("velt.4th", text);
        Settings()->SetVString("CommandFileName", p);
        return p;
    }

    std::filesystem::path Dir;
    RecordingSink Sink;

private:
    EnvGuard registry_;
    EnvGuard root_;
    TMessageSink* previous_ = nullptr;
};

// The captions of the "V&ELT" menu, with " (hidden)" after hidden ones.
inline std::vector<std::string> VeltItems(MemoryHost& host) {
    std::vector<std::string> r;
    const ComPtr<THostMenuItem> menu = host.MainMenu().Find("VELTMenu");
    if (!menu) return r;
    for (const ComPtr<THostMenuItem>& item : menu->Children())
        r.push_back(item->GetCaption() + (item->Visible() ? "" : " (hidden)"));
    return r;
}

inline ComPtr<THostMenuItem> VeltItem(MemoryHost& host, const std::string& caption) {
    const ComPtr<THostMenuItem> menu = host.MainMenu().Find("VELTMenu");
    if (menu)
        for (const ComPtr<THostMenuItem>& item : menu->Children())
            if (item->GetCaption() == caption) return item;
    return nullptr;
}

inline const std::vector<std::string> kBuiltInItems = {
    "-", "Reinitialize", "Register Source", "ReRegister All Source", "Show Documentation Window",
    "&Options ...", "Project Tree", "Parlet Bureau"};

}  // namespace velt::test
