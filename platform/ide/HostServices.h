#pragma once
// What both hosts share: the tool services over a set of open buffers, a
// project, the main menu, the registered experts and notifiers. A host
// derives from it and supplies the buffers (editor tabs) and the questions
// to the user; everything a package can observe happens here, so the
// in-memory host and the Qt window behave alike.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ide/HostEditor.h"
#include "platform/ide/HostMenu.h"
#include "platform/ide/ToolsApi.h"

namespace velt {

enum class TSaveAnswer { Save, Discard, Cancel };

class THostServices : public TIToolServices {
public:
    THostServices();
    ~THostServices() override;
    THostServices(const THostServices&) = delete;
    THostServices& operator=(const THostServices&) = delete;

    // ---- IUnknown: counted, but the host's owner frees it --------------------
    HResult QueryInterface(const Guid& iid, void** obj) override;
    int32_t _AddRef() override { return ++RefCount_; }
    int32_t _Release() override { return --RefCount_; }

    // ---- TIToolServices --------------------------------------------------------
    bool RegisterLibraryExpert(const ComPtr<TIExpert>& Expert) override;
    std::string GetCurrentFile() override { return CurrentFile_; }
    bool IsFileOpen(const std::string& FileName) override;
    // False, saying nothing, when the file cannot be read: the package that
    // asked reports it (once, through RaiseException).
    bool OpenFile(const std::string& FileName) override;
    bool CloseFile(const std::string& FileName) override;
    bool SaveFile(const std::string& FileName) override;
    ComPtr<TIModuleInterface> GetModuleInterface(const std::string& FileName) override;
    std::string GetProjectName() override { return ProjectName_; }
    int32_t GetUnitCount() override { return static_cast<int32_t>(Units_.size()); }
    std::string GetUnitName(int32_t Index) override;
    bool OpenProject(const std::string& ProjName) override;
    bool CloseProject() override;
    ComPtr<TIMainMenuIntf> GetMainMenu() override { return MainMenu_; }
    bool AddNotifier(const ComPtr<TIAddInNotifier>& AddInNotifier) override;
    bool RemoveNotifier(const ComPtr<TIAddInNotifier>& AddInNotifier) override;
    void RaiseException(const std::string& Message) override;

    // ---- host operations ---------------------------------------------------------
    // OpenFile for the user (File > Open, the command line): a file that
    // cannot be read is reported.
    bool OpenFileReporting(const std::string& FileName);
    // Opens a buffer with the given bytes without reading a file (fires
    // fnFileOpened like OpenFile); false when the file is open already.
    bool OpenBuffer(const std::string& fileName, std::string bytes);
    // Adds a file to the project's uses clause (and saves the project file),
    // then fires fnAddedToProject; false without a project or when the file
    // is a unit already.
    bool AddToProject(const std::string& fileName);
    // Takes a unit out of the project, then fires fnRemovedFromProject.
    bool RemoveFromProject(const std::string& fileName);
    // Tells every notifier (in the order added); answers whether one cancelled.
    bool FireNotification(TFileNotification code, const std::string& fileName);
    // A click on a menu item or a key press: runs the item's handler; a
    // failure in it is shown like RaiseException. False when nothing ran
    // (for a click: the item or one of its menus disabled or hidden).
    bool Click(THostMenuItem& item);
    bool ClickByName(const std::string& name);
    bool PressShortCut(TShortCut shortCut);
    void SetCurrentFile(const std::string& fileName) { CurrentFile_ = fileName; }

    // Files in the order opened.
    std::vector<std::string> OpenFiles() const;
    std::shared_ptr<TEditBuffer> FindBuffer(const std::string& fileName) const;
    THostMainMenu& MainMenu() { return *MainMenu_; }

    // Experts by package: while a package's entry points run, its tag is
    // set; ReleaseExperts drops the host's references to that package's
    // experts.
    void SetLoadingPackage(int tag) { LoadingPackage_ = tag; }
    void ReleaseExperts(int tag);
    // What the host still holds of the packages: notifiers, experts, and the
    // packages' menu items with their click handlers.
    void DropPackageReferences();
    struct TExpertEntry {
        ComPtr<TIExpert> Expert;
        int Package = 0;
    };
    const std::vector<TExpertEntry>& Experts() const { return Experts_; }
    size_t NotifierCount() const { return Notifiers_.size(); }

    // The operation log; a host for people keeps none (KeepLog false).
    TOperationLog Log;
    bool KeepLog = true;
    void AddLog(std::string line) {
        if (KeepLog) Log.push_back(std::move(line));
    }
    std::vector<std::string> Messages;  // every RaiseException, in order
    int LiveEditorInterfaces = 0;       // modules, editors, views, readers, writers held

protected:
    // The name under which a file is kept (the Qt host makes it absolute).
    virtual std::string NormalizeFileName(const std::string& fileName) { return fileName; }
    // Reads or writes a whole file; the read raises Exception when it cannot.
    virtual std::string ReadFileBytes(const std::string& fileName);
    virtual void WriteFileBytes(const std::string& fileName, const std::string& bytes);
    // Makes the buffer (and its editor tab) for a newly opened file.
    virtual std::shared_ptr<TEditBuffer> CreateBuffer(const std::string& fileName, std::string bytes) = 0;
    // Drops the file's editor; the buffer is marked closed afterwards.
    virtual void DestroyBuffer(TEditBuffer& buffer) = 0;
    // Brings the file's editor to the front.
    virtual void ActivateBuffer(TEditBuffer& buffer) = 0;
    virtual TSaveAnswer AskSave(const std::string& fileName) = 0;
    // Shows an error (after it is recorded in Messages).
    virtual void ShowError(const std::string& message) = 0;
    // The project or the open files changed (for a window's captions).
    virtual void StateChanged() {}

    // Reports a failure of a host operation through RaiseException.
    void ReportFailure(const std::string& what);
    void SetProject(const std::string& projectName, std::vector<std::string> units);
    std::string CurrentFile_;

private:
    bool CloseBuffer(const std::shared_ptr<TEditBuffer>& buffer, bool ask);
    bool UpdateProjectSource(const std::string& fileName, bool add);

    int32_t RefCount_ = 0;
    std::vector<std::shared_ptr<TEditBuffer>> Buffers_;
    std::string ProjectName_;
    std::vector<std::string> Units_;
    ComPtr<THostMainMenu> MainMenu_;
    std::vector<ComPtr<TIAddInNotifier>> Notifiers_;
    std::vector<TExpertEntry> Experts_;
    int LoadingPackage_ = 0;
};

}  // namespace velt
