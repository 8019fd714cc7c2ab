#pragma once
// The IDE operations the services call, answered by the demonstration
// form: the memo is the one open editor, its file the current file; there
// is no project, and notifiers are accepted and never called.

#include <string>

#include "platform/ide/ToolsApi.h"

namespace velt {

class TDemoForm;

class TDemoTools final : public TInterfacedObject<TIToolServices> {
public:
    explicit TDemoTools(TDemoForm& form) : form_(form) {}

    bool RegisterLibraryExpert(const ComPtr<TIExpert>&) override { return true; }
    std::string GetCurrentFile() override;
    bool IsFileOpen(const std::string& FileName) override;
    // Reloads the memo (and the status panel): a get or a check-out may have
    // changed the file and its write permission.
    bool OpenFile(const std::string& FileName) override;
    // The memo stays; unsaved edits are asked about.
    bool CloseFile(const std::string& FileName) override;
    bool SaveFile(const std::string& FileName) override;
    ComPtr<TIModuleInterface> GetModuleInterface(const std::string& FileName) override;
    // The fixed project of the demonstration build (for the history lists).
    std::string GetProjectName() override;
    int32_t GetUnitCount() override { return 0; }
    std::string GetUnitName(int32_t) override { return {}; }
    bool OpenProject(const std::string&) override { return false; }
    bool CloseProject() override { return true; }
    ComPtr<TIMainMenuIntf> GetMainMenu() override;
    bool AddNotifier(const ComPtr<TIAddInNotifier>&) override { return true; }
    bool RemoveNotifier(const ComPtr<TIAddInNotifier>&) override { return true; }
    void RaiseException(const std::string& Message) override;

private:
    TDemoForm& form_;
};

}  // namespace velt
