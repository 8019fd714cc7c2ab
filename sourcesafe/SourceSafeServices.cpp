#include "sourcesafe/SourceSafeServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <cstdlib>
#include <filesystem>

#include "foundation/Classes.h"
#include "foundation/CommMsg.h"
#include "foundation/Dialogs.h"
#include "foundation/RegKey.h"
#include "foundation/RootDir.h"
#include "foundation/StrUtils.h"
#include "foundation/SysUtils.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ShortCut.h"
#include "platform/vss/LocalFiles.h"
#include "platform/vss/SsCommand.h"
#include "platform/vss/VssNames.h"
#include "services/ProjectTree.h"
#include "services/SourceServices.h"
#include "sourcesafe/SafeForms.h"
#include "sourcesafe/SafeProcess.h"
#include "sourcesafe/SourceSafeExplorer.h"

namespace velt {

ComPtr<TSourceSafeServices> SourceSafeServices;

namespace {

constexpr char kFileListName[] = "filelist.vss";

std::string PopString(TForth& f) {
    TCell c;
    f.Pop(c);
    if (c.Kind != ckString) throw EStack("Type mismatch");
    return c.S;
}

// A setting: the stored integer when it lies in [lo, hi], else the current
// value (a value of another kind or out of range is said on the console).
int32_t ReadInteger(TKey& key, const char* name, int32_t current, int32_t lo, int32_t hi) {
    try {
        const int32_t v = key.GetAsInteger(name, current);
        if (v >= lo && v <= hi) return v;
        Q(std::string("Setting ") + name + " ignored: " + IntToStr(v) + " is out of range");
    } catch (const Exception& e) {
        Q(std::string("Setting ") + name + " ignored: " + e.what());
    }
    return current;
}

std::string ReadText(TKey& key, const std::string& name, const std::string& current) {
    try {
        return key.GetAsString(name, current);
    } catch (const Exception& e) {
        Q("Setting " + name + " ignored: " + e.what());
        return current;
    }
}

std::unique_ptr<TKey> OpenKey(winreg::HKEY root, const char* path) {
    auto key = std::make_unique<TRegistryKey>(root);
    key->Access = kSafeKeyAccess;
    return std::unique_ptr<TKey>(key.release()->SubKey(path));
}

template <class Form>
std::unique_ptr<TSafeSourceForm> MakeForm() {
    return std::make_unique<Form>();
}

class TWaitCursor {
public:
    TWaitCursor() : on_(qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        if (on_) QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TWaitCursor() {
        if (on_) QApplication::restoreOverrideCursor();
    }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    bool on_;
};

// Sets a variable for the lifetime of the guard.
template <class T>
class TSetFor {
public:
    TSetFor(T& variable, T value) : variable_(variable), old_(std::move(variable)) { variable_ = std::move(value); }
    ~TSetFor() { variable_ = std::move(old_); }
    TSetFor(const TSetFor&) = delete;
    TSetFor& operator=(const TSetFor&) = delete;

private:
    T& variable_;
    T old_;
};

ComPtr<vss::IVSSItem> ItemOf(vss::IVSSDatabase& db, const std::string& spec) {
    ComPtr<vss::IVSSItem> item = db.VSSItem(spec, false);
    if (!item) throw Exception(spec + " is not an existing filename or project");
    return item;
}

// The folder the user checked the file at item path out to; empty when none.
std::string CheckoutFolder(vss::IVSSDatabase* db, const std::string& spec) {
    if (!db) return {};
    const ComPtr<vss::IVSSItem> item = db->VSSItem(spec, false);
    if (!item || item->Type() != vss::VSSITEM_FILE) return {};
    const ComPtr<vss::IVSSCheckouts> checkouts = item->Checkouts();
    for (int32_t i = 1; i <= checkouts->Count(); ++i)
        if (const ComPtr<vss::IVSSCheckout> c = checkouts->Item(i); SameText(c->Username(), db->UserName()))
            return c->LocalSpec();
    return {};
}

std::string FirstLine(const std::string& text) {
    const std::vector<std::string> lines = SplitLines(text);
    for (const std::string& line : lines)
        if (!Trim(line).empty()) return Trim(line);
    return {};
}

}  // namespace

class TSourceSafeServices::TOwnFileOps {
public:
    explicit TOwnFileOps(TSourceSafeServices& s) : s_(s) { ++s_.ownFileOps_; }
    ~TOwnFileOps() { --s_.ownFileOps_; }
    TOwnFileOps(const TOwnFileOps&) = delete;
    TOwnFileOps& operator=(const TOwnFileOps&) = delete;

private:
    TSourceSafeServices& s_;
};

void TSourceSafeNotifier::FileNotification(TFileNotification NotifyCode, const std::string& FileName, bool&) {
    if (Services) Services->FileNotification(NotifyCode, FileName);
}

// ---- creation ------------------------------------------------------------------------------

TSourceSafeServices::TSourceSafeServices(TIToolServices& tools, bool demo)
    : tools_(tools),
      demo_(demo),
      settingsKey_(OpenKey(winreg::HKEY_CURRENT_USER, kSafeSettingsKeyPath)),
      machineKey_(OpenKey(winreg::HKEY_LOCAL_MACHINE, kSafeMachineKeyPath)),
      notifier_(new TSourceSafeNotifier(this)) {
    hotkeysKey_.reset(settingsKey_->CreateSubKey("Hotkeys"));
}

TSourceSafeServices::~TSourceSafeServices() {
    Finalize();
    notifier_->Services = nullptr;
    if (!privateFolder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(privateFolder_, ec);
    }
}

template <class F>
void TSourceSafeServices::Guarded(F&& f) {
    try {
        f();
    } catch (...) {
        tools_.RaiseException(ReleaseException());
    }
}

std::string TSourceSafeServices::PrivateFile(const std::string& name) {
    if (privateFolder_.empty()) {
        std::string pattern = JoinSafe(GetTemporaryFolder(), "velt-sourcesafe-XXXXXX");
        if (!mkdtemp(pattern.data()))
            throw Exception("Cannot make a private temporary folder in " + GetTemporaryFolder());
        privateFolder_ = pattern;
    }
    return JoinSafe(privateFolder_, name);
}

// ---- set-up and shut-down ----------------------------------------------------------------

void TSourceSafeServices::InstallAddIn(TForth& forth) {
    forth_ = &forth;
    forth.Objects.AddObject("SourceSafe", this);
    OpenRegistry();
    LoadFileList();
    if (!demo_) tools_.AddNotifier(notifier_);
    BuildMenu();
    StartupLogon();
}

void TSourceSafeServices::Finalize() {
    if (finalized_) return;
    finalized_ = true;
    if (demo_) {
        // The root item is the host's: only the items go.
        for (const ComPtr<TIMenuItemIntf>& item : SafeMenusList) item->DestroyMenuItem();
        SourceSafeMenu = nullptr;
    } else if (SourceSafeMenu) {
        const ComPtr<TIMenuItemIntf> menu = std::move(SourceSafeMenu);
        SourceSafeMenu = nullptr;
        menu->DestroyMenuItem();
    }
    SafeMenusList.clear();
    MenuItems = nullptr;
    MainMenu = nullptr;
    if (forth_) {
        const int index = forth_->Objects.IndexOfObject(this);
        if (index >= 0) forth_->Objects.Delete(index);
        forth_ = nullptr;
    }
    if (!demo_) tools_.RemoveNotifier(notifier_);
    explorer_.reset();
    database_ = nullptr;
}

void TSourceSafeServices::OpenRegistry() {
    TKey& k = *settingsKey_;
    OpeningCheckOut = ReadInteger(k, "OpeningCheckOut", OpeningCheckOut, saYes, saAsk);
    ClosingCheckIn = ReadInteger(k, "ClosingCheckIn", ClosingCheckIn, saYes, saAsk);
    AutoSourceSafeAdding = ReadInteger(k, "AutoSourceSafeAdding", AutoSourceSafeAdding, saYes, saAsk);
    AutoSourceSafeRemoving = ReadInteger(k, "AutoSourceSafeRemoving", AutoSourceSafeRemoving, saYes, saAsk);
    AutoLogon = ReadInteger(k, "AutoLogon", AutoLogon ? 1 : 0, INT32_MIN, INT32_MAX) != 0;
    CurrentDatabase = demo_ ? DemoDatabase() : ReadText(*machineKey_, "Current Database", CurrentDatabase);
    SSDir = SafeFolder(ReadText(*machineKey_, "SCCServerPath", JoinSafe(CurrentDatabase, "win32/ss")));
}

void TSourceSafeServices::SaveRegistry() {
    TKey& k = *settingsKey_;
    k.SetVInteger("OpeningCheckOut", OpeningCheckOut);
    k.SetVInteger("ClosingCheckIn", ClosingCheckIn);
    k.SetVInteger("AutoSourceSafeAdding", AutoSourceSafeAdding);
    k.SetVInteger("AutoSourceSafeRemoving", AutoSourceSafeRemoving);
    k.SetVInteger("AutoLogon", AutoLogon ? 1 : 0);
    for (const ComPtr<TIMenuItemIntf>& item : SafeMenusList) {
        const std::string name = item->GetName();
        if (!name.empty()) hotkeysKey_->SetVString(name, ShortCutToText(item->GetShortCut()));
    }
}

void TSourceSafeServices::LoadFileList() {
    fileList_.Clear();
    fileList_.ModiTime = 0;
    const std::string file = JoinSafe(CurrentDatabase, kFileListName);
    if (CurrentDatabase.empty() || !FileExists(file)) {
        Q("SourceSafe's CurrentDatabase[" + CurrentDatabase + "] file list does not exists. Build it!, ");
        Q("or logon another database,");
        Q("or check registry key and its value: "
          "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\SourceSafe\\Current Database");
        return;
    }
    Q("SourceSafe CurrentDatabase: " + CurrentDatabase);
    try {
        FileModified(file, fileList_.ModiTime);
        const TSafeFileList::TLoadReport report = fileList_.LoadFromFile(file);
        for (const std::string& problem : report.Problems) Q("SourceSafe file list " + file + ": " + problem);
        if (report.Loaded == 0 && report.Skipped == 0) Q("SourceSafe file list " + file + " is empty.");
    } catch (const std::exception& e) {
        Q("SourceSafe file list " + file + " cannot be read: " + e.what());
    }
}

std::string TSourceSafeServices::DemoDatabase() { return MapSystemPath("d:\\vss"); }

void TSourceSafeServices::Logon() {
    database_ = nullptr;
    ComPtr<vss::IVSSDatabase> db = vss::CoVSSDatabase::Create();
    db->Open(JoinSafe(CurrentDatabase, "srcsafe.ini"), UserName, Password);
    database_ = db;
}

bool TSourceSafeServices::TryLogon() {
    try {
        Logon();
        database_->SetCurrentProject("$/");
        if (explorer_) explorer_->SetDatabase(database_);
        Q("SourceSafe: " + UserName + " logged on to " + CurrentDatabase);
        return true;
    } catch (...) {
        database_ = nullptr;
        tools_.RaiseException("SourceSafe logon failed: " + ReleaseException());
        return false;
    }
}

void TSourceSafeServices::StartupLogon() {
    if (AutoLogon)
        LogonClick(nullptr);
    else
        Q("SourceSafe: Auto Logon is off; SourceS&afe > Lo&gon ... logs on.");
}

void TSourceSafeServices::BuildMenu() {
    if (demo_) {
        if (!SourceSafeMenu) throw Exception("The host gave no menu item for SourceS&afe");
    } else {
        MainMenu = tools_.GetMainMenu();
        if (!MainMenu) throw Exception("The IDE has no main menu");
        MenuItems = MainMenu->GetMenuItems();
        if (!MenuItems) throw Exception("The IDE's main menu has no items");
        const ComPtr<TIMenuItemIntf> tools = MainMenu->FindMenuItem("ToolsMenu");
        const int32_t at = tools ? tools->GetIndex() : MenuItems->GetItemCount();
        SourceSafeMenu =
            MenuItems->InsertItem(at, "SourceS&afe", "SourceSafeMenu", "", 0, 0, 0, kVisibleItem, nullptr);
        if (!SourceSafeMenu) throw Exception("The SourceS&afe menu could not be inserted");
    }

    struct TItem {
        const char* Caption;
        const char* Name;
        const char* ShortCut;
        void (TSourceSafeServices::*Click)(TIMenuItemIntf*);
    };
    static constexpr TItem kItems[] = {
        {"&Add Files ...", "ssAddFilesItem", "Ctrl+Shift+A", &TSourceSafeServices::AddFilesClick},
        {"-", "", "", nullptr},
        {"Check &In ...", "ssCheckInItem", "Ctrl+Shift+I", &TSourceSafeServices::CheckInClick},
        {"Chec&k Out ...", "ssCheckOutItem", "Ctrl+Shift+K", &TSourceSafeServices::CheckOutClick},
        {"&Undo Check Out ...", "ssUndoCheckOutItem", "Ctrl+Shift+U", &TSourceSafeServices::UndoCheckOutClick},
        {"Get &Latest Version ...", "ssGetLatestVersionItem", "Ctrl+Shift+L",
         &TSourceSafeServices::GetLatestVersionClick},
        {"-", "", "", nullptr},
        {"Build File List", "ssBuildFileList", "", &TSourceSafeServices::BuildFileListClick},
        {"-", "", "", nullptr},
        {"&Options ...", "ssOptionsItem", "", &TSourceSafeServices::OptionsClick},
        {"Lo&gon ...", "ssLogon", "", &TSourceSafeServices::LogonClick},
        {"-", "", "", nullptr},
        {"Run Visual SourceSafe Explorer", "ssRunExplorer", "", &TSourceSafeServices::RunExplorerClick},
    };
    SafeMenusList.clear();
    for (const TItem& i : kItems) {
        const std::string name = i.Name;
        const TShortCut shortCut = name.empty() ? 0 : TextToShortCut(ReadText(*hotkeysKey_, name, i.ShortCut));
        TIMenuClickEvent handler;
        if (i.Click) handler = [this, click = i.Click](TIMenuItemIntf* sender) { (this->*click)(sender); };
        ComPtr<TIMenuItemIntf> item = SourceSafeMenu->InsertItem(SourceSafeMenu->GetItemCount(), i.Caption, name, "",
                                                                 shortCut, 0, 0, kVisibleItem, std::move(handler));
        if (!item) throw Exception(std::string("Menu item ") + i.Caption + " could not be inserted");
        SafeMenusList.push_back(item);
    }
}

// ---- menu handlers -------------------------------------------------------------------------

void TSourceSafeServices::LogonClick(TIMenuItemIntf* Sender) {
    Guarded([&] {
        TLogonForm form;
        form.EUser->setText(QString::fromStdString(ReadText(*settingsKey_, "LastUser", UserName)));
        form.ECurrentDatabase->setText(QString::fromStdString(CurrentDatabase));
        if (!form.Execute()) {
            if (!Sender) Q("SourceSafe logon cancelled: not logged on.");
            return;
        }
        UserName = form.EUser->text().toStdString();
        Password = form.EPassword->text().toStdString();
        settingsKey_->SetVString("LastUser", UserName);
        if (form.ECurrentDatabase->isModified()) {
            CurrentDatabase = form.ECurrentDatabase->text().toStdString();
            machineKey_->SetVString("Current Database", CurrentDatabase);
            LoadFileList();
        }
        TryLogon();
    });
}

void TSourceSafeServices::OptionsClick(TIMenuItemIntf*) {
    Guarded([this] {
        TSourceSafeOptionsForm form;
        form.OpenCheck->setCurrentIndex(OpeningCheckOut);
        form.CloseCheck->setCurrentIndex(ClosingCheckIn);
        form.OpenAdd->setCurrentIndex(AutoSourceSafeAdding);
        form.CloseRemove->setCurrentIndex(AutoSourceSafeRemoving);
        form.AutoLogon->setChecked(AutoLogon);
        form.MenusList = &SafeMenusList;
        if (RunDialog(form) != mrOk) return;
        OpeningCheckOut = form.OpenCheck->currentIndex();
        ClosingCheckIn = form.CloseCheck->currentIndex();
        AutoSourceSafeAdding = form.OpenAdd->currentIndex();
        AutoSourceSafeRemoving = form.CloseRemove->currentIndex();
        AutoLogon = form.AutoLogon->isChecked();
        SaveRegistry();
    });
}

void TSourceSafeServices::RunExplorerClick(TIMenuItemIntf*) {
    Guarded([this] {
        TProcessRequest request;
        request.Program = JoinSafe(SSDir, "SSExp");
        if (!UserName.empty()) request.Arguments.push_back("-y" + UserName);
        request.Environment = ClientEnvironment();
        Q(request.Program + " " + ArgumentsText(request.Arguments));
        if (!FileExists(request.Program)) {
            Q("File does not exists");
            return;
        }
        if (!StartDetachedProcess(request)) throw Exception("Cannot start " + request.Program);
    });
}

void TSourceSafeServices::SaveFileList() {
    if (CurrentDatabase.empty()) throw Exception("No SourceSafe database is chosen: see Lo&gon ...");
    const std::string file = JoinSafe(CurrentDatabase, kFileListName);
    fileList_.SaveToFile(file);
    FileModified(file, fileList_.ModiTime);
    Q("SourceSafe file list " + file + ": " + IntToStr(int64_t(fileList_.Count())) + " files.");
}

void TSourceSafeServices::BuildFileListClick(TIMenuItemIntf*) {
    Guarded([this] {
        if (!database_) {
            BuildFileListWithClient();
            return;
        }
        {
            TWaitCursor wait;
            BuildFileList(*database_, fileList_);
        }
        SaveFileList();
    });
}

void TSourceSafeServices::BuildFileListWithClient() {
    const std::string listing = PrivateFile("ss.out");
    std::filesystem::remove(listing);
    if (!RunSSCommand({"cp", "$/"}) || !RunSSCommand({"dir", "-r", "-o@" + listing})) return;
    BuildFileListFromDirListing(ReadWholeFile(listing), fileList_);
    SaveFileList();
}

void TSourceSafeServices::AddFilesClick(TIMenuItemIntf*) {
    Guarded([this] {
        SourceSafeClick(&MakeForm<TAddFilesForm>, false, &TSourceSafeServices::_AddFiles, tools_.GetCurrentFile());
    });
}

void TSourceSafeServices::CheckInClick(TIMenuItemIntf*) {
    Guarded([this] {
        SourceSafeClick(&MakeForm<TCheckInForm>, false, &TSourceSafeServices::_CheckIn, tools_.GetCurrentFile());
    });
}

void TSourceSafeServices::CheckOutClick(TIMenuItemIntf*) {
    Guarded([this] {
        SourceSafeClick(&MakeForm<TCheckOutForm>, false, &TSourceSafeServices::_CheckOut, tools_.GetCurrentFile());
    });
}

void TSourceSafeServices::UndoCheckOutClick(TIMenuItemIntf*) {
    Guarded([this] {
        SourceSafeClick(&MakeForm<TUndoCheckOutForm>, false, &TSourceSafeServices::_UndoCheckOut,
                        tools_.GetCurrentFile());
    });
}

void TSourceSafeServices::GetLatestVersionClick(TIMenuItemIntf*) {
    Guarded([this] {
        SourceSafeClick(&MakeForm<TGetLatestVersionForm>, false, &TSourceSafeServices::_GetLatestVersion,
                        tools_.GetCurrentFile());
    });
}

// ---- the driver ----------------------------------------------------------------------------

void TSourceSafeServices::SourceSafeClick(TSafeSourceFormClass formClass, bool flag, TSourceSafeEvent callback,
                                          const std::string& file, const std::string& item) {
    const std::unique_ptr<TSafeSourceForm> form = formClass();
    form->DatabaseFolder = CurrentDatabase;
    form->FileList = &fileList_;
    form->HeldByUser = [this](const TSafeFileList::TEntry& e) { return HeldByUser(e); };
    form->CommentFile = CommentFileName();
    form->SetFileName(file);
    if (!item.empty()) {
        form->SourceSafeItem->setEditText(QString::fromStdString(item));
        form->WorkingFolder->setEditText(QString::fromStdString(CheckoutFolder(database_.get(), item)));
    } else if (flag) {
        form->SourceSafeItem->setEditText(QString::fromStdString(FileNameToSafeSource(file)));
    }
    form->Database = database_;
    if (RunDialog(*form) != mrOk) return;
    if (Trim(form->ItemText()).empty()) throw Exception("No SourceSafe item is given");
    TWaitCursor wait;
    if (form->_COM->isChecked())
        RunAutomation(*form, callback);
    else
        RunCommandLine(*form, file);
}

vss::IVSSDatabase& TSourceSafeServices::OpenDatabase() {
    if (!database_) throw Exception("Not logged on to SourceSafe: see SourceS&afe > Lo&gon ...");
    return *database_;
}

bool TSourceSafeServices::CloseInIde(const std::string& file) {
    if (file.empty() || file == closingFile_ || !tools_.IsFileOpen(file)) return false;
    TOwnFileOps own(*this);
    return tools_.CloseFile(file);
}

void TSourceSafeServices::OpenInIde(const std::string& file) {
    if (file.empty() || file == closingFile_ || !FileExists(file)) return;
    TOwnFileOps own(*this);
    if (!tools_.OpenFile(file)) Q(file + " was not opened in the editor again.");
}

void TSourceSafeServices::RunAutomation(TSafeSourceForm& form, TSourceSafeEvent callback) {
    vss::IVSSDatabase& db = OpenDatabase();
    const std::string item = form.ItemText();
    const std::string folder = form.FolderText();
    const std::string comment = form.CommentMemo->toPlainText().toStdString();
    const int32_t flags = form.GetFlags();
    const bool reload = form._IDE->isChecked();

    const auto run = [&](const std::string& spec) {
        const std::string local = JoinSafe(folder, SafeName(spec));
        const bool closed = reload && CloseInIde(local);
        try {
            (this->*callback)(comment, spec, folder, flags);
        } catch (...) {
            if (closed) OpenInIde(local);
            throw;
        }
        if (!reload) return;
        const ComPtr<vss::IVSSItem> done = ItemOf(db, spec);
        if (done->Type() == vss::VSSITEM_FILE && !done->Binary()) OpenInIde(local);
    };

    if (!vss::HasWildcard(item)) {
        run(item);
        return;
    }
    const std::string project = SafeFolder(item);
    const std::string pattern = SafeName(item);
    std::vector<std::string> names;
    if (callback == &TSourceSafeServices::_AddFiles) {
        // New files are not in the database yet: the pattern picks local files.
        for (const vss::TLocalEntry& e : vss::ListLocalFolder(folder.empty() ? "." : folder))
            if (!e.IsFolder && Like(pattern, e.Name)) names.push_back(e.Name);
    } else {
        const ComPtr<vss::IVSSItems> children = ItemOf(db, project)->Items(false);
        for (int32_t i = 1; i <= children->Count(); ++i) {
            const ComPtr<vss::IVSSItem> child = children->Item(i);
            if (child && Like(pattern, child->Name())) names.push_back(child->Name());
        }
    }
    // A pattern that matches nothing would otherwise do nothing and say nothing.
    if (names.empty())
        throw Exception(callback == &TSourceSafeServices::_AddFiles
                            ? "No file matches " + JoinSafe(folder.empty() ? "." : folder, pattern)
                            : "No SourceSafe item matches " + item);
    for (const std::string& name : names) run(JoinSafe(project, name));
}

void TSourceSafeServices::RunCommandLine(TSafeSourceForm& form, const std::string& file) {
    const bool reload = form._IDE->isChecked();
    const TSsCommandLine line = form.GetCommandLine();
    if (reload) CloseInIde(file);
    try {
        for (const std::vector<std::string>& part : line.Parts)
            if (!RunSSCommand(part, line.WorkingFolder)) break;
    } catch (...) {
        if (reload) OpenInIde(file);
        throw;
    }
    if (reload) OpenInIde(file);
}

std::vector<std::pair<std::string, std::string>> TSourceSafeServices::ClientEnvironment() const {
    std::vector<std::pair<std::string, std::string>> env = {{vss::kPasswordVariable, Password}};
    if (!CurrentDatabase.empty()) env.emplace_back(vss::kDatabaseVariable, CurrentDatabase);
    return env;
}

bool TSourceSafeServices::RunSSCommand(const std::vector<std::string>& args, const std::string& workingFolder) {
    const std::string verb = args.empty() ? std::string() : args.front();
    TProcessRequest request;
    request.Program = JoinSafe(SSDir, "ss");
    request.Arguments = args;
    Q(request.Program + " " + ArgumentsText(args));
    if (!FileExists(request.Program)) {
        Q("File does not exists");
        return false;
    }
    if (!UserName.empty()) request.Arguments.push_back("-y" + UserName);
    request.WorkingFolder = workingFolder;
    request.Environment = ClientEnvironment();
    request.TimeLimitMs = SsTimeLimitMs;
    request.Caption = "ss " + verb + " is running ...";
    TProcessResult result;
    {
        TWaitCursor wait;
        result = RunChildProcess(request);
    }
    for (const std::string& line : SplitLines(result.Output)) Q(line);
    for (const std::string& line : SplitLines(result.Errors)) Q(line);
    if (!result.Started) throw Exception("Cannot start " + request.Program + ": " + result.StartError);
    // ss ends with 0 after a stop only when it had done all its work by then.
    if ((result.TimedOut || result.Cancelled) && result.ExitCode == 0) {
        Q("ss " + verb + " had finished its work when it was stopped");
        Q("Done.");
        return true;
    }
    if (result.TimedOut)
        throw Exception("ss " + verb + " did not finish within " + IntToStr(SsTimeLimitMs / 1000) +
                        " s and was stopped");
    if (result.Cancelled) throw Exception("ss " + verb + " was stopped");
    if (!result.Finished) throw Exception("ss " + verb + " crashed");
    if (result.ExitCode != 0) {
        const std::string why = FirstLine(result.Errors);
        throw Exception("ss " + verb + " failed with exit code " + IntToStr(result.ExitCode) +
                        (why.empty() ? "" : ": " + why));
    }
    Q("Done.");
    return true;
}

// ---- callbacks -------------------------------------------------------------------------------

void TSourceSafeServices::_AddFiles(const std::string& comment, const std::string& spec, const std::string& folder,
                                    int32_t flags) {
    ItemOf(OpenDatabase(), SafeFolder(spec))->Add(JoinSafe(folder, SafeName(spec)), comment, flags);
}

void TSourceSafeServices::_CheckIn(const std::string& comment, const std::string& spec, const std::string& folder,
                                   int32_t flags) {
    const ComPtr<vss::IVSSItem> item = ItemOf(OpenDatabase(), spec);
    // The message box breaks lines at "\n".
    if (demo_ && item->IsCheckedOut() == vss::VSSFILE_NOTCHECKEDOUT)
        Msg("Hey ma'an! What are you doing?\nFile " + spec + " is not currently checked out.");
    item->Checkin(comment, JoinSafe(folder, SafeName(spec)), flags);
}

void TSourceSafeServices::_CheckOut(const std::string& comment, const std::string& spec, const std::string& folder,
                                    int32_t flags) {
    ItemOf(OpenDatabase(), spec)->Checkout(comment, JoinSafe(folder, SafeName(spec)), flags);
}

void TSourceSafeServices::_UndoCheckOut(const std::string&, const std::string& spec, const std::string& folder,
                                        int32_t flags) {
    ItemOf(OpenDatabase(), spec)->UndoCheckout(JoinSafe(folder, SafeName(spec)), flags);
}

void TSourceSafeServices::_GetLatestVersion(const std::string&, const std::string& spec, const std::string& folder,
                                            int32_t flags) {
    ItemOf(OpenDatabase(), spec)->Get(JoinSafe(folder, SafeName(spec)), flags);
}

bool TSourceSafeServices::HeldByUser(const TSafeFileList::TEntry& entry) {
    if (!database_) return false;
    try {
        const ComPtr<vss::IVSSItem> item = database_->VSSItem(JoinSafe(entry.Project, entry.Name), false);
        if (!item || item->IsCheckedOut() == 0) return false;
        const ComPtr<vss::IVSSCheckouts> checkouts = item->Checkouts();
        const std::string user = database_->UserName();
        for (int32_t i = 1; checkouts && i <= checkouts->Count(); ++i)
            if (const ComPtr<vss::IVSSCheckout> c = checkouts->Item(i); c && SameText(c->Username(), user)) return true;
    } catch (const std::exception&) {
        // An entry whose item is gone is no check-out of the user's.
    }
    return false;
}

ComPtr<vss::IVSSItem> TSourceSafeServices::GetVSSItem(const std::string& file) {
    const ComPtr<vss::IVSSItems> children =
        ItemOf(OpenDatabase(), fileList_.GetSourceSafeProject(
                                   file, [this](const TSafeFileList::TEntry& e) { return HeldByUser(e); }))
            ->Items(false);
    const std::string name = ExtractFileName(file);
    for (int32_t i = 1; i <= children->Count(); ++i) {
        ComPtr<vss::IVSSItem> child = children->Item(i);
        if (child && SameText(child->Name(), name)) return child;
    }
    return nullptr;
}

// ---- file events -----------------------------------------------------------------------------

bool TSourceSafeServices::Answer(int32_t setting, const char* question, const std::string& file) {
    if (setting == saYes) return true;
    if (setting != saAsk) return false;
    std::string text = question;
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, file);
    return GetDialogPort().Confirm(text);
}

ComPtr<vss::IVSSItem> TSourceSafeServices::ListedItem(const std::string& file) {
    if (!fileList_.FileInSourceSafe(file)) return nullptr;
    if (!database_) {
        Q("Not logged on to SourceSafe: " + file + " is left alone.");
        return nullptr;
    }
    ComPtr<vss::IVSSItem> item = GetVSSItem(file);
    if (!item) Q("SourceSafe has no item for " + file + ": build the file list again.");
    return item;
}

void TSourceSafeServices::FileNotification(TFileNotification code, std::string file) {
    // The package's own closing and reopening of a file says nothing new.
    if (ownFileOps_ > 0) return;
    Guarded([&] {
        switch (code) {
            case fnFileOpened:
                if (fileList_.FileInSourceSafe(file) && Answer(OpeningCheckOut, "Check out file %s?", file))
                    SourceSafeClick(&MakeForm<TCheckOutForm>, false, &TSourceSafeServices::_CheckOut, file);
                break;
            case fnFileClosing: {
                // The file whose closing is being handled (the project file
                // while the project closes) is checked in by that.
                if (file == closingFile_) break;
                const ComPtr<vss::IVSSItem> item = ListedItem(file);
                if (item && item->IsCheckedOut() == vss::VSSFILE_CHECKEDOUT_ME &&
                    Answer(ClosingCheckIn, "Check in file %s?", file)) {
                    TSetFor<std::string> closing(closingFile_, file);
                    SourceSafeClick(&MakeForm<TCheckInForm>, false, &TSourceSafeServices::_CheckIn, file);
                }
                break;
            }
            case fnProjectOpening: {
                const ComPtr<vss::IVSSItem> item = ListedItem(file);
                if (item && item->IsCheckedOut() == vss::VSSFILE_NOTCHECKEDOUT)
                    SourceSafeClick(&MakeForm<TCheckOutForm>, false, &TSourceSafeServices::_CheckOut, file);
                break;
            }
            case fnProjectClosing: {
                // Closing the project below tells us again.
                if (projectClosing_) break;
                const ComPtr<vss::IVSSItem> item = ListedItem(file);
                if (item && item->IsCheckedOut() == vss::VSSFILE_CHECKEDOUT_ME &&
                    Answer(ClosingCheckIn, "Check in file %s?", file)) {
                    TSetFor<bool> closingProject(projectClosing_, true);
                    TSetFor<std::string> closing(closingFile_, file);
                    tools_.CloseProject();
                    SourceSafeClick(&MakeForm<TCheckInForm>, false, &TSourceSafeServices::_CheckIn, file);
                }
                break;
            }
            case fnAddedToProject:
                if (Answer(AutoSourceSafeAdding, "Da ya wanna to add file %s to SourceSafe?", file))
                    SourceSafeClick(&MakeForm<TAddFilesForm>, false, &TSourceSafeServices::_AddFiles, file);
                break;
            case fnRemovedFromProject:
                if (fileList_.FileInSourceSafe(file) &&
                    Answer(AutoSourceSafeRemoving, "Would you like to remove the file %s from SourceSafe?", file))
                    if (const ComPtr<vss::IVSSItem> item = ListedItem(file)) item->SetDeleted(true);
                break;
            default:
                break;
        }
    });
}

// ---- words -----------------------------------------------------------------------------------

void TSourceSafeServices::Operation(TSafeSourceFormClass formClass, TSourceSafeEvent callback, TForth& forth) {
    const std::string file = PopString(forth);
    const std::string flag = PopString(forth);
    if (file.empty() && isPrefix("$", flag))
        SourceSafeClick(formClass, true, callback, file, flag);
    else
        SourceSafeClick(formClass, !flag.empty(), callback, file);
}

void TSourceSafeServices::AddFiles(TForth& Sender) {
    Operation(&MakeForm<TAddFilesForm>, &TSourceSafeServices::_AddFiles, Sender);
}

void TSourceSafeServices::CheckIn(TForth& Sender) {
    Operation(&MakeForm<TCheckInForm>, &TSourceSafeServices::_CheckIn, Sender);
}

void TSourceSafeServices::CheckOut(TForth& Sender) {
    Operation(&MakeForm<TCheckOutForm>, &TSourceSafeServices::_CheckOut, Sender);
}

void TSourceSafeServices::UndoCheckOut(TForth& Sender) {
    Operation(&MakeForm<TUndoCheckOutForm>, &TSourceSafeServices::_UndoCheckOut, Sender);
}

void TSourceSafeServices::GetLatestVersion(TForth& Sender) {
    Operation(&MakeForm<TGetLatestVersionForm>, &TSourceSafeServices::_GetLatestVersion, Sender);
}

void TSourceSafeServices::StartupSourceSafeTree(TForth&) {
    if (!ProjectTreeForm) {
        Q("StartupSourceSafeTree: there is no project tree window to take the SourceSafe tree.");
        return;
    }
    if (explorer_ && explorer_->Docked()) {
        Q("StartupSourceSafeTree: the SourceSafe tree is in the project tree window already.");
        return;
    }
    // The form itself is never shown: its tab and toolbar move.
    auto explorer = std::make_unique<TSourceSafeExplorer>();
    explorer->Database = database_;
    explorer->Mode = TSourceSafeExplorer::emTab;
    explorer->Forth = forth_;
    explorer->DockInto(*ProjectTreeForm);
    explorer->SetRoot();
    explorer_ = std::move(explorer);
}

const ClassInfo& TSourceSafeServices::StaticForthClass() {
    static const MethodInfo methods[] = {
        WordMethod<TSourceSafeServices, &TSourceSafeServices::AddFiles>("AddFiles"),
        WordMethod<TSourceSafeServices, &TSourceSafeServices::CheckIn>("CheckIn"),
        WordMethod<TSourceSafeServices, &TSourceSafeServices::CheckOut>("CheckOut"),
        WordMethod<TSourceSafeServices, &TSourceSafeServices::UndoCheckOut>("UndoCheckOut"),
        WordMethod<TSourceSafeServices, &TSourceSafeServices::GetLatestVersion>("GetLatestVersion"),
        WordMethod<TSourceSafeServices, &TSourceSafeServices::StartupSourceSafeTree>("StartupSourceSafeTree"),
    };
    static const ClassInfo info{"TSourceSafeServices", nullptr, {}, methods};
    return info;
}

}  // namespace velt
