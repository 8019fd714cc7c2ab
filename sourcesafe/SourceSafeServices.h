#pragma once
// TSourceSafeServices: the add-in expert of the SourceSafe package. It
// borrows the interpreter of the main package's SourceServices (object
// "SourceSafe"), keeps its settings under the registry keys, puts the
// "SourceS&afe" menu just before the Tools menu, logs on to the database
// through the automation objects and reacts to the IDE's file events.
//
// The road of one operation: a menu item, a word or a file event runs
// SourceSafeClick with the operation's dialog and callback; the dialog is
// filled for the file and run; on OK the operation goes through the
// automation objects (box "COM") or through the ss client, closing the
// file in the IDE before and opening it again after ("Reload in IDE").
//
// Menu handlers and file events report their failures through the IDE's
// RaiseException; the words hand them to the interpreter.

#include <memory>
#include <string>
#include <vector>

#include "forth/Forth.h"
#include "foundation/RegKeys.h"
#include "platform/ide/ToolsApi.h"
#include "platform/vss/VssAutomation.h"
#include "sourcesafe/SafeFiles.h"

namespace velt {

class TSafeSourceForm;
class TSourceSafeExplorer;
struct TSsCommandLine;
class TSourceSafeServices;

inline constexpr char kSafeSettingsKeyPath[] = "Software\\Trel\\VELT Services for Delphi\\SourceSafe Services";
inline constexpr char kSafeMachineKeyPath[] = "SOFTWARE\\Microsoft\\SourceSafe";
inline constexpr uint32_t kSafeKeyAccess = 0x2001F;

// Answers to the file events: do it, skip it, ask first.
enum TSafeAnswer : int32_t { saYes = 0, saNo = 1, saAsk = 2 };

// The operation callbacks: (comment, item path, working folder, flag word).
using TSourceSafeEvent = void (TSourceSafeServices::*)(const std::string& comment, const std::string& spec,
                                                       const std::string& folder, int32_t flags);
// Makes an operation dialog.
using TSafeSourceFormClass = std::unique_ptr<TSafeSourceForm> (*)();

class TSourceSafeNotifier : public TInterfacedObject<TIAddInNotifier> {
public:
    explicit TSourceSafeNotifier(TSourceSafeServices* services) : Services(services) {}
    void FileNotification(TFileNotification NotifyCode, const std::string& FileName, bool& Cancel) override;
    // Cleared when the services go.
    TSourceSafeServices* Services;
};

class TSourceSafeServices : public TInterfacedObject<TIExpert>, public TObject, public ForthObject {
public:
    VELT_FORTH_CLASS(TSourceSafeServices)

    // Opens the keys and makes the notifier; nothing is read yet. The
    // demonstration build (demo set) runs without the IDE: no notifier, the
    // menu is built under SourceSafeMenu, a root item the host sets and
    // keeps, the database is the fixed one of DemoDatabase, and a check-in
    // of a file not checked out is warned about first.
    explicit TSourceSafeServices(TIToolServices& tools, bool demo = false);
    ~TSourceSafeServices() override;
    TSourceSafeServices(const TSourceSafeServices&) = delete;
    TSourceSafeServices& operator=(const TSourceSafeServices&) = delete;
    std::string ClassName() const override { return "TSourceSafeServices"; }
    bool Demo() const { return demo_; }
    // The database folder of the demonstration build's logon.
    static std::string DemoDatabase();

    // ---- TIExpert ----------------------------------------------------------------
    std::string GetName() override { return "SourceSafe Expert"; }
    std::string GetAuthor() override { return "Trel"; }
    std::string GetComment() override { return "SourceSafe services of VELT"; }
    std::string GetPage() override { return "Projects"; }
    intptr_t GetGlyph() override { return 0; }
    TExpertStyle GetStyle() override { return esAddIn; }
    TExpertState GetState() override { return esEnabled; }
    std::string GetIDString() override { return "Trel.SourceSafeServices"; }
    std::string GetMenuText() override { return "SourceSafeMenu"; }
    void Execute() override {}

    // ---- set-up and shut-down -------------------------------------------------------
    // Joins the interpreter of forth, reads the settings and the file list,
    // adds the notifier, builds the menu and logs on.
    void InstallAddIn(TForth& forth);
    // Removes the menu, the notifier, the object "SourceSafe" and the tree
    // (tab, toolbar and explorer form); drops the database. Runs once.
    void Finalize();
    // The settings; a value of the wrong kind or out of range keeps the
    // current one and is reported on the console.
    void OpenRegistry();
    void SaveRegistry();
    // "filelist.vss" of the current database into FileList.
    void LoadFileList();
    // Opens the database as UserName; raises on failure (Database is then null).
    void Logon();

    // ---- menu handlers ---------------------------------------------------------------
    // From the menu (Sender set) and at start-up (none): on OK logs on again.
    void LogonClick(TIMenuItemIntf* Sender);
    void OptionsClick(TIMenuItemIntf* Sender);
    void RunExplorerClick(TIMenuItemIntf* Sender);
    void BuildFileListClick(TIMenuItemIntf* Sender);
    void AddFilesClick(TIMenuItemIntf* Sender);
    void CheckInClick(TIMenuItemIntf* Sender);
    void CheckOutClick(TIMenuItemIntf* Sender);
    void UndoCheckOutClick(TIMenuItemIntf* Sender);
    void GetLatestVersionClick(TIMenuItemIntf* Sender);

    // ---- operations ------------------------------------------------------------------
    // The driver: fills the dialog for file, runs it and carries the
    // operation out. flag: the item is the file's own path, not the file
    // list's. A given item (an item path of the tree) is the item instead, with
    // the user's check-out folder of it. Raises what the operation raises.
    void SourceSafeClick(TSafeSourceFormClass formClass, bool flag, TSourceSafeEvent callback,
                         const std::string& file, const std::string& item = {});
    void _AddFiles(const std::string& comment, const std::string& spec, const std::string& folder, int32_t flags);
    void _CheckIn(const std::string& comment, const std::string& spec, const std::string& folder, int32_t flags);
    void _CheckOut(const std::string& comment, const std::string& spec, const std::string& folder, int32_t flags);
    void _UndoCheckOut(const std::string& comment, const std::string& spec, const std::string& folder,
                       int32_t flags);
    void _GetLatestVersion(const std::string& comment, const std::string& spec, const std::string& folder,
                           int32_t flags);
    // Runs ss once with args (and -y<user>; the password goes in the
    // environment). False when the client is missing ("File does not
    // exists"); raises when it fails, is stopped or cannot start.
    bool RunSSCommand(const std::vector<std::string>& args, const std::string& workingFolder = {});
    // The database's item of an open file: the child named like the file of
    // its project; null when the project has none. Raises when not logged on.
    ComPtr<vss::IVSSItem> GetVSSItem(const std::string& file);
    // The file list from "ss dir -r" output, as the demonstration program
    // builds it; BuildFileListClick uses it while not logged on.
    void BuildFileListWithClient();

    // ---- file events --------------------------------------------------------------------
    // The name is copied: the IDE's own may change while the event is handled.
    void FileNotification(TFileNotification code, std::string file);

    // ---- words ("SourceSafe") ------------------------------------------------------------
    // An empty file with a SourceSafe item path ("$...") as the flag: the item path is
    // the item (the tree's menu runs the words so).
    void AddFiles(TForth& Sender);          // ( flag file -- )
    void CheckIn(TForth& Sender);           // ( flag file -- )
    void CheckOut(TForth& Sender);          // ( flag file -- )
    void UndoCheckOut(TForth& Sender);      // ( flag file -- )
    void GetLatestVersion(TForth& Sender);  // ( flag file -- )
    // The explorer's tab and toolbar into the project tree window, once.
    void StartupSourceSafeTree(TForth& Sender);

    // ---- state ------------------------------------------------------------------------
    bool AutoLogon = true;
    std::string UserName;
    std::string Password;
    int32_t AutoSourceSafeAdding = saYes;
    int32_t AutoSourceSafeRemoving = saAsk;
    int32_t OpeningCheckOut = saNo;
    int32_t ClosingCheckIn = saAsk;
    std::string SSDir;
    std::string CurrentDatabase;
    // How long one run of ss may take.
    int SsTimeLimitMs = 5 * 60 * 1000;

    TKey& SettingsKey() { return *settingsKey_; }
    TKey& HotkeysKey() { return *hotkeysKey_; }
    TKey& MachineKey() { return *machineKey_; }
    TForth* Forth() const { return forth_; }
    const ComPtr<vss::IVSSDatabase>& Database() const { return database_; }
    TSafeFileList& FileList() { return fileList_; }
    const ComPtr<TSourceSafeNotifier>& Notifier() const { return notifier_; }
    // The explorer whose tab is docked; null before StartupSourceSafeTree.
    TSourceSafeExplorer* Explorer() const { return explorer_.get(); }
    // The comment file, in a folder of this process's own (made on first use).
    std::string CommentFileName() { return PrivateFile("comment.vss"); }
    // Forgets the borrowed interpreter (its owner went first).
    void DetachInterpreter() { forth_ = nullptr; }

    ComPtr<TIMainMenuIntf> MainMenu;
    ComPtr<TIMenuItemIntf> MenuItems;
    ComPtr<TIMenuItemIntf> SourceSafeMenu;
    // The items of the SourceSafe menu, in creation order.
    std::vector<ComPtr<TIMenuItemIntf>> SafeMenusList;

private:
    class TOwnFileOps;
    std::string PrivateFile(const std::string& name);
    void SaveFileList();
    void BuildMenu();
    void StartupLogon();
    // Logon and the current project "$/"; a failure is reported.
    bool TryLogon();
    // A setting's answer to a question about file.
    bool Answer(int32_t setting, const char* question, const std::string& file);
    // The item of file, when the database is open and the file is listed.
    ComPtr<vss::IVSSItem> ListedItem(const std::string& file);
    // Whether the logged-on user has the file of a file-list entry checked
    // out (false when not logged on or the item is gone).
    bool HeldByUser(const TSafeFileList::TEntry& entry);
    void RunAutomation(TSafeSourceForm& form, TSourceSafeEvent callback);
    void RunCommandLine(TSafeSourceForm& form, const std::string& file);
    // Closes or opens a file in the IDE for "Reload in IDE", unless it is
    // the file being closed; the IDE's events about it are ignored.
    bool CloseInIde(const std::string& file);
    void OpenInIde(const std::string& file);
    vss::IVSSDatabase& OpenDatabase();
    std::vector<std::pair<std::string, std::string>> ClientEnvironment() const;
    template <class F>
    void Guarded(F&& f);
    void Operation(TSafeSourceFormClass formClass, TSourceSafeEvent callback, TForth& forth);

    TIToolServices& tools_;
    const bool demo_;
    std::unique_ptr<TKey> settingsKey_;
    std::unique_ptr<TKey> hotkeysKey_;
    std::unique_ptr<TKey> machineKey_;
    ComPtr<TSourceSafeNotifier> notifier_;
    TForth* forth_ = nullptr;
    ComPtr<vss::IVSSDatabase> database_;
    std::unique_ptr<TSourceSafeExplorer> explorer_;
    TSafeFileList fileList_;
    std::string privateFolder_;
    int ownFileOps_ = 0;         // IDE events caused by the package itself are ignored
    std::string closingFile_;    // the file whose closing is being handled
    bool projectClosing_ = false;
    bool finalized_ = false;
};

// The single services object (null before start-up and after shut-down).
extern ComPtr<TSourceSafeServices> SourceSafeServices;

}  // namespace velt
