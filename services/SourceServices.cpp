#include "services/SourceServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMetaProperty>
#include <QTimer>
#include <QWidget>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "foundation/CommMsg.h"
#include "foundation/Dialogs.h"
#include "foundation/MemIni.h"
#include "foundation/RegKey.h"
#include "foundation/RootDir.h"
#include "foundation/SysExcpt.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ShortCut.h"
#include "services/EditorText.h"
#include "services/ProjectTree.h"
#include "services/ServiceForms.h"

namespace velt {

ComPtr<TSourceServices> SourceServices;

namespace {

constexpr char kClassesRegistryError[] = "Error in Classes Registry";
// Beyond this a buffer is not a unit (and 32-bit positions would overflow).
constexpr int64_t kMaxBufferBytes = int64_t(1) << 30;

std::string Right6(int32_t n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%6d", int(n));
    return buf;
}

int16_t EditCol(int32_t col) { return int16_t(std::clamp<int32_t>(col, 1, INT16_MAX)); }

// A boolean setting: the stored integer, or the current value when there is
// none or it is of another kind (said on the console).
bool ReadFlag(TKey& key, const char* name, bool current) {
    try {
        return key.GetAsInteger(name, current ? 1 : 0) != 0;
    } catch (const Exception& e) {
        Q(std::string("Setting ") + name + " ignored: " + e.what());
        return current;
    }
}

std::string ReadText(TKey& key, const char* name, const std::string& current) {
    try {
        return key.GetAsString(name, current);
    } catch (const Exception& e) {
        Q(std::string("Setting ") + name + " ignored: " + e.what());
        return current;
    }
}

// "object Name: Class", its properties and its children, "end".
void DumpObject(const QObject& o, int indent, TStringList& out) {
    const std::string pad(size_t(indent), ' ');
    const QMetaObject* meta = o.metaObject();
    out.Add(pad + "object " + o.objectName().toStdString() + ": " + meta->className());
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        out.Add(pad + "  " + p.name() + ": " + p.typeName());
    }
    for (const QObject* child : o.children()) DumpObject(*child, indent + 2, out);
    out.Add(pad + "end");
}

QObject* FindEditWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("AppBuilder"))
            return w->findChild<QObject*>(QStringLiteral("EditWindow_0"));
    return nullptr;
}

// The sections of an INI text in file order, each with its lines.
std::vector<std::pair<std::string, std::vector<std::string>>> SectionsInOrder(const std::string& text) {
    std::vector<std::pair<std::string, std::vector<std::string>>> sections;
    for (const std::string& line : SplitLines(text)) {
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
            sections.emplace_back(line.substr(1, line.size() - 2), std::vector<std::string>{});
        else if (!sections.empty())
            sections.back().second.push_back(line);
    }
    return sections;
}

// The entries of a history section: "H0" .. "H<Count-1>". A count that is
// missing, no number or beyond the section's lines counts the entries
// that are there from "H0" on. Next is the first index from the count on
// that names no entry: a new answer goes there and never over an old one.
struct THistory {
    std::vector<std::string> Entries;
    int32_t Next = 0;
};

// The index of a key "H<n>" (any letter case, n in decimal without leading
// zeros) below limit, else -1.
int32_t HistoryIndex(std::string_view key, int32_t limit) {
    if (key.size() < 2 || key.size() > 11 || (key[0] != 'H' && key[0] != 'h') || (key[1] == '0' && key.size() > 2))
        return -1;
    int64_t n = 0;
    for (char c : key.substr(1)) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n < limit ? int32_t(n) : -1;
}

THistory ReadHistory(const TStringList* lines) {
    THistory h;
    if (!lines) return h;
    const int32_t n = lines->Count();
    // One pass; the first line of a name is its value, as Values reads it.
    std::vector<const std::string*> byIndex(size_t(n), nullptr);
    const std::string* count = nullptr;
    for (const std::string& line : lines->Strings()) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string_view key = std::string_view(line).substr(0, eq);
        if (!count && CompareText(key, "Count") == 0) count = &line;
        const int32_t i = HistoryIndex(key, n);
        if (i >= 0 && !byIndex[size_t(i)]) byIndex[size_t(i)] = &line;
    }
    int32_t stored = -1;
    if (count && !TryStrToInt(Trim(count->substr(count->find('=') + 1)), stored)) stored = -1;
    int32_t used = 0;
    if (stored >= 0 && stored <= n) {
        used = int32_t(stored);
    } else {
        while (used < n && byIndex[size_t(used)]) ++used;
    }
    for (int32_t i = 0; i < used; ++i)
        h.Entries.push_back(byIndex[size_t(i)] ? byIndex[size_t(i)]->substr(byIndex[size_t(i)]->find('=') + 1)
                                               : std::string());
    h.Next = used;
    while (h.Next < n && byIndex[size_t(h.Next)]) ++h.Next;
    return h;
}

// An exclusive lock on a file beside the one it guards, for the life of
// the object; every store of that file takes it.
class TFileLock {
public:
    explicit TFileLock(const std::string& file) : fd_(::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_ < 0) throw Exception("Cannot lock " + file + ": " + std::strerror(errno));
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd_);
            throw Exception("Cannot lock " + file + ": " + std::strerror(e));
        }
    }
    ~TFileLock() { ::close(fd_); }
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

private:
    int fd_;
};

// Adds value to the history section of the desktop file, read afresh under
// its lock so that what others wrote since stays. What the INI text cannot
// hold is not kept, and the console says so; the answer itself is never lost.
void KeepInHistory(const std::string& desktop, const std::string& section, const std::string& value) {
    const auto breaks = [](std::string_view t) { return t.find_first_of("\r\n") != std::string_view::npos; };
    if (breaks(section) || section.find(']') != std::string::npos) {
        Q("The answer is not kept in the history: its name \"" + section.substr(section.find('\\') + 1) +
          "\" holds \"]\" or a line break.");
        return;
    }
    if (breaks(value)) {
        Q("The answer is not kept in the history: it holds a line break.");
        return;
    }
    const TFileLock lock(desktop);
    TMemIni ini;
    if (FileExists(desktop)) ini.LoadFromFile(desktop);
    const THistory h = ReadHistory(ini.SectionLines(section));
    if (std::find(h.Entries.begin(), h.Entries.end(), value) != h.Entries.end()) return;
    ini.WriteString(section, "Count", IntToStr(h.Next + 1));
    ini.WriteString(section, "H" + IntToStr(h.Next), value);
    ini.SaveToFile(desktop);
}

constexpr const char* kLogo[] = {
    "##   ##  #######  ##       ########",
    "##   ##  ##       ##          ##   ",
    "##   ##  ##       ##          ##   ",
    "##   ##  #####    ##          ##   ",
    " ## ##   ##       ##          ##   ",
    " ## ##   ##       ##          ##   ",
    "  ###    ##       ##          ##   ",
    "   #     #######  #######     ##   ",
};

}  // namespace

struct TSourceServices::TEditorAccess {
    ComPtr<TIModuleInterface> Module;
    ComPtr<TIEditorInterface> Editor;
    ComPtr<TIEditView> View;
};

// ---- failures -------------------------------------------------------------------------

void TSourceServices::ReportCurrentException() { tools_.RaiseException(ReleaseException()); }

template <class F>
void TSourceServices::Guarded(F&& f) {
    try {
        f();
    } catch (...) {
        ReportCurrentException();
    }
}

template <class F>
void TSourceServices::Command(F&& f) {
    Guarded(std::forward<F>(f));
    // What a command left on the stack, or pushed before it failed, would
    // pile up for ever.
    forth_->ClearStack();
}

// ---- creation --------------------------------------------------------------------

TSourceServices::TSourceServices(TIToolServices& tools, bool demo)
    : tools_(tools), demo_(demo), deferred_(std::make_unique<QObject>()) {
    auto user = std::make_unique<TRegistryKey>(winreg::HKEY_CURRENT_USER);
    settingsKey_.reset(user.release()->SubKey(kSettingsKeyPath));
    hotkeysKey_.reset(settingsKey_->CreateSubKey("Hotkeys"));
    auto machine = std::make_unique<TRegistryKey>(winreg::HKEY_LOCAL_MACHINE);
    machine->Access = kProductKeyAccess;
    productKey_.reset(machine.release()->SubKey(demo ? kDemoProductKeyPath : kProductKeyPath));

    sourceCode_ = std::make_unique<TIHyperSourceCode>();
    sourceCode_->ProductKey = productKey_.get();
    forth_ = std::make_unique<TForth>();
    forth_->Objects.AddObject("SourceCode", sourceCode_.get());
    forth_->Objects.AddObject("Expert", this);
    forth_->OnInputQuery = [](const std::string& caption, const std::string& prompt, std::string& value) {
        return GetDialogPort().InputQuery(caption, prompt, value);
    };
    sourceCode_->Forth = forth_.get();
    commandFileName_ = ReadText(*settingsKey_, "CommandFileName", "");
}

TSourceServices::~TSourceServices() {
    deferred_.reset();
    FreeProjectTreeForm();  // its menus run words with this interpreter
    if (demo_)
        DestroyItems();
    else if (VELTMenu)
        VELTMenu->DestroyMenuItem();
    sourceCode_->Forth = nullptr;
}

void TSourceServices::Startup() {
    if (!commandFileName_.empty()) return;
    // The stored settings first, so that OK keeps what the user had.
    OpenRegistry();
    Msg("VELT Forth file not found");
    OptionsClick(nullptr);
}

// ---- settings ----------------------------------------------------------------------

void TSourceServices::InstallAddIn() {
    OpenRegistry();
    Initialize();
}

void TSourceServices::OpenRegistry() {
    TKey& k = *settingsKey_;
    TIHyperSourceCode& m = *sourceCode_;
    m.AutoRefreshHeader = ReadFlag(k, "AutoRefreshHeader", m.AutoRefreshHeader);
    m.ConfirmAutoCreate = ReadFlag(k, "ConfirmAutoCreate", m.ConfirmAutoCreate);
    m.AdaNestingComments = ReadFlag(k, "AdaNestingComments", m.AdaNestingComments);
    m.CaseSensitive = ReadFlag(k, "CaseSensitive", m.CaseSensitive);
    m.ClassesRegistry.FileName = ReadText(k, "ClassesRegistryFileName", m.ClassesRegistry.FileName);
    commandFileName_ = ReadText(k, "CommandFileName", commandFileName_);
}

void TSourceServices::SaveRegistry() {
    TKey& k = *settingsKey_;
    const TIHyperSourceCode& m = *sourceCode_;
    k.SetVInteger("AutoRefreshHeader", m.AutoRefreshHeader);
    k.SetVInteger("ConfirmAutoCreate", m.ConfirmAutoCreate);
    k.SetVInteger("AdaNestingComments", m.AdaNestingComments);
    k.SetVInteger("CaseSensitive", m.CaseSensitive);
    k.SetVString("ClassesRegistryFileName", m.ClassesRegistry.FileName);
    k.SetVString("CommandFileName", commandFileName_);
    for (const ComPtr<TIMenuItemIntf>& item : MenusList) {
        const std::string name = item->GetName();
        if (!name.empty()) hotkeysKey_->SetVString(name, ShortCutToText(item->GetShortCut()));
    }
}

// ---- the menu ----------------------------------------------------------------------

void TSourceServices::Initialize() {
    TClassesRegistry& registry = sourceCode_->ClassesRegistry;
    if (!registry.FileName.empty() && FileExists(registry.FileName)) Guarded([&] { registry.Load(); });

    bool loaded = false;
    if (commandFileName_.empty()) {
        forth_->SetText("");
        Q("VELT Forth file not found");
    } else {
        try {
            forth_->LoadFromFile(commandFileName_);
            loaded = true;
        } catch (...) {
            forth_->SetText("");  // nothing of an older file runs
            ReportCurrentException();
        }
    }

    if (demo_) {
        if (!VELTMenu) throw Exception("The host gave no menu item for V&ELT");
    } else {
        MainMenu = tools_.GetMainMenu();
        if (!MainMenu) throw Exception("The IDE has no main menu");
        MenuItems = MainMenu->GetMenuItems();
        if (!MenuItems) throw Exception("The IDE's main menu has no items");
        const ComPtr<TIMenuItemIntf> help = MainMenu->FindMenuItem("HelpMenu");
        const int32_t at = help ? help->GetIndex() : MenuItems->GetItemCount();
        VELTMenu = MenuItems->InsertItem(at, "V&ELT", "VELTMenu", "", 0, 0, 0, kVisibleItem, nullptr);
        if (!VELTMenu) throw Exception("The V&ELT menu could not be inserted");
    }

    MenusList.clear();
    if (loaded) Guarded([&] { forth_->ExecWord("Startup"); });
    forth_->ClearStack();
    AppendBuiltInItems();
}

void TSourceServices::Finalize() {
    forth_->ClearStack();
    if (demo_) {
        DestroyItems();
        return;
    }
    if (VELTMenu) {
        const ComPtr<TIMenuItemIntf> menu = std::move(VELTMenu);
        VELTMenu = nullptr;
        menu->DestroyMenuItem();
    }
    MenusList.clear();
}

void TSourceServices::DestroyItems() {
    std::vector<ComPtr<TIMenuItemIntf>> items;
    items.swap(MenusList);
    for (const ComPtr<TIMenuItemIntf>& item : items) item->DestroyMenuItem();
}

ComPtr<TIMenuItemIntf> TSourceServices::AppendItem(const std::string& caption, const std::string& name,
                                                   TShortCut shortCut, TIMenuFlags flags, TIMenuClickEvent handler) {
    if (!VELTMenu) throw Exception("The V&ELT menu is not installed");
    ComPtr<TIMenuItemIntf> item =
        VELTMenu->InsertItem(VELTMenu->GetItemCount(), caption, name, "", shortCut, 0, 0, flags, std::move(handler));
    if (!item) throw Exception("Menu item " + caption + " could not be inserted");
    MenusList.push_back(item);
    return item;
}

void TSourceServices::AppendBuiltInItems() {
    struct BuiltIn {
        const char* Caption;
        const char* ShortCut;
        void (TSourceServices::*Click)(TIMenuItemIntf*);
    };
    static constexpr BuiltIn kItems[] = {
        {"-", "", nullptr},
        {"Reinitialize", "", &TSourceServices::ReinitializeClick},
        {"Register Source", "Ctrl+Alt+Enter", &TSourceServices::RegisterSourceClick},
        {"ReRegister All Source", "", &TSourceServices::ReRegisterAllSourceClick},
        {"Show Documentation Window", "", &TSourceServices::ShowDocWndClick},
        {"&Options ...", "", &TSourceServices::OptionsClick},
        {"Project Tree", "F10", &TSourceServices::ProjectTreeClick},
        {"Parlet Bureau", "", &TSourceServices::ParletBureauClick},
    };
    // Built-in items have no names, so "Hotkeys" holds nothing for them and
    // their default shortcuts apply.
    for (const BuiltIn& b : kItems) {
        TIMenuClickEvent handler;
        if (b.Click) handler = [this, click = b.Click](TIMenuItemIntf* sender) { (this->*click)(sender); };
        AppendItem(b.Caption, "", TextToShortCut(b.ShortCut), kVisibleItem, std::move(handler));
    }
}

// ---- handlers ---------------------------------------------------------------------------

void TSourceServices::ReinitializeClick(TIMenuItemIntf*) {
    auto reinitialize = [this] {
        Command([this] {
            Finalize();
            Initialize();
        });
    };
    if (QCoreApplication::instance())
        QTimer::singleShot(0, deferred_.get(), reinitialize);
    else
        reinitialize();
}

void TSourceServices::RegisterSourceClick(TIMenuItemIntf*) {
    Command([this] { sourceCode_->RegisterSource(*forth_); });
}

void TSourceServices::ReRegisterAllSourceClick(TIMenuItemIntf*) {
    Command([this] { ReRegisterAllSource(); });
}

void TSourceServices::ShowDocWndClick(TIMenuItemIntf*) {}

void TSourceServices::OptionsClick(TIMenuItemIntf*) {
    Command([this] {
        TIHyperSourceCode& m = *sourceCode_;
        TSourceOptionsForm form;
        form.AutoRefreshHeader->setChecked(m.AutoRefreshHeader);
        form.ConfirmAutoCreate->setChecked(m.ConfirmAutoCreate);
        form.AdaNestingComments->setChecked(m.AdaNestingComments);
        form.CaseSensitive->setChecked(m.CaseSensitive);
        form.edClassRegFileName->setText(QString::fromStdString(m.ClassesRegistry.FileName));
        form.edCmdFileName->setText(QString::fromStdString(commandFileName_));
        if (RunDialog(form) != mrOk) return;
        m.AutoRefreshHeader = form.AutoRefreshHeader->isChecked();
        m.ConfirmAutoCreate = form.ConfirmAutoCreate->isChecked();
        m.AdaNestingComments = form.AdaNestingComments->isChecked();
        m.CaseSensitive = form.CaseSensitive->isChecked();
        m.ClassesRegistry.FileName = form.edClassRegFileName->text().toStdString();
        commandFileName_ = form.edCmdFileName->text().toStdString();
        SaveRegistry();
    });
}

void TSourceServices::ProjectTreeClick(TIMenuItemIntf*) {
    Command([this] { ShowProjectTree(tools_, *forth_, sourceCode_->ClassesRegistry.Ini()); });
}

void TSourceServices::ParletBureauClick(TIMenuItemIntf*) {
    Command([this] { ParletBureau(); });
}

void TSourceServices::ExecForth(TIMenuItemIntf* Sender) {
    Command([&] {
        if (!Sender) throw Exception("A command needs its menu item");
        forth_->PushString(tools_.GetCurrentFile());
        forth_->ExecWord("LoadFromIDE");
        forth_->ExecWord(Sender->GetName());
        forth_->ExecWord("SaveToIDE");
    });
}

// ---- built-in commands ---------------------------------------------------------------------

void TSourceServices::ReRegisterAllSource() {
    TClassesRegistry& registry = sourceCode_->ClassesRegistry;
    std::vector<std::string> units;
    for (const std::string& section : registry.Ini().Strings())
        if (section.find('.') == std::string::npos) units.push_back(section);
    int failed = 0;
    for (const std::string& unit : units) {
        const std::string source = registry.Ini().ReadString(unit, "Source", kClassesRegistryError);
        try {
            registry.InternalRegisterSource(*sourceCode_, *forth_, source);
        } catch (const std::exception& e) {
            ++failed;
            forth_->ClearStack();
            Q("Failed to register " + source + ": " + e.what());
        }
    }
    registry.Save();
    if (failed) Q(IntToStr(failed) + " of " + IntToStr(int64_t(units.size())) + " units failed to register.");
    Q("Done.");
}

std::string TSourceServices::ParletBureauFileName() {
    return MapSystemPath("h:\\varno\\rvelt\\parletbureau.velt");
}

std::string TSourceServices::NewsFileName() { return MapSystemPath("h:\\varno\\rvelt\\news.ini"); }

void TSourceServices::ParletBureau() {
    Q("VELT Parlet Bureau");
    TStringList dump;
    if (const QObject* editWindow = FindEditWindow()) DumpObject(*editWindow, 0, dump);
    dump.SaveToFile(ParletBureauFileName());
    Q("Done.");
}

void TSourceServices::WriteBanner() {
    const std::string indent(17, ' ');
    for (const char* line : {"Welcome to VELT Services for Delphi3 1.0", "Copyright (c) Trel. All rights reserved.", "",
                             "Thanks for using VELT !", "", "Trel, VELT Services for Delphi", "",
                             "Don't close this window, just minimize it !!!", "Use it to diagnoze glukes", "", ""})
        Q(line);
    for (const char* line : kLogo) Q(indent + line);
    Q("");
    Q("");
}

void TSourceServices::WriteNews() {
    const std::string file = NewsFileName();
    if (!FileExists(file)) return;
    for (const auto& [name, lines] : SectionsInOrder(ReadWholeFile(file))) {
        if (StrToIntDef(Trim(name), 0) <= 2) continue;
        Q("");
        Q("Get latest version of VELT NOW !");
        for (const std::string& line : lines) Q(line);
    }
}

// ---- the editor buffer ------------------------------------------------------------------------

TSourceServices::TEditorAccess TSourceServices::OpenEditor(const std::string& fileName) {
    if (fileName.empty()) throw Exception("No file is open in the editor");
    TEditorAccess a;
    a.Module = tools_.GetModuleInterface(fileName);
    if (!a.Module) throw Exception(fileName + " is not open in the editor");
    a.Editor = a.Module->GetEditorInterface();
    if (!a.Editor) throw Exception(fileName + " has no editor");
    a.View = a.Editor->GetView(0);
    if (!a.View) throw Exception(fileName + " has no editor view");
    return a;
}

void TSourceServices::ReadBuffer(TIEditorInterface& editor, std::string& text) {
    const ComPtr<TIEditReader> reader = editor.CreateReader();
    if (!reader) throw Exception("The editor gave no reader");
    text.clear();
    int32_t position = 0;
    for (;;) {
        // Straight into the text, whose storage is kept from command to command.
        text.resize(size_t(position) + EditorChunkSize);
        const int32_t count = reader->GetText(position, text.data() + position, EditorChunkSize);
        if (count < 0 || count > EditorChunkSize) throw Exception("The editor's reader answered " + IntToStr(count));
        position += count;
        text.resize(size_t(position));
        if (count != EditorChunkSize) break;
        if (int64_t(position) + EditorChunkSize > kMaxBufferBytes) throw Exception("The editor buffer is too large");
    }
}

int32_t TSourceServices::ReadUnitText(TIEditorInterface& editor, const std::string& fileName, std::string& text) {
    ReadBuffer(editor, text);
    const TUnitText unit = UnitTextOf(text, fileName);
    text.resize(unit.Length);
    return unit.Lines;
}

void TSourceServices::LoadFromIDE(const std::string& fileName) {
    const TEditorAccess a = OpenEditor(fileName);
    const int32_t lines = ReadUnitText(*a.Editor, fileName, scratch_);
    const TEditPos cursor = a.View->GetCursorPos();
    const TEditPos top = a.View->GetTopPos();
    // Below the unit the model has no lines: a command would write after
    // "end." instead of at the cursor.
    if (cursor.Line > lines) throw EInvalidAction("The cursor is after the final end.");

    TIHyperSourceCode& m = *sourceCode_;
    // Splitting a large unit into lines is most of a command's time. A model
    // that still holds the text of the last load (or write-back) of this
    // file only takes the lines the user changed since.
    const bool sameFile = m.GetFileName() == fileName;
    if (!sameFile) {
        m.HyperJumps->Clear();
        m.SetFileName(fileName);
    }
    TakeUnitText(m, sameFile, loadedText_, loadedLines_, scratch_);
    loadedText_.swap(scratch_);
    loadedLines_ = lines;
    m.ValidateLines();
    Q("intf: " + Right6(m.IntfLine) + " impl: " + Right6(m.ImplLine) + " implend: " + Right6(m.ImplEndLine) +
      " end: " + Right6(m.EndLine));
    m.SetCursorLine(std::clamp<int32_t>(cursor.Line - 1, 0, TIText::MaxCursorLine));
    m.SetCursorCol(std::clamp<int32_t>(cursor.Col, 1, TIText::MaxCursorCol));
    m.SetTopLine(std::clamp<int32_t>(top.Line - 1, 0, TIText::MaxCursorLine));
    m.SetTopCol(std::clamp<int32_t>(top.Col, 1, TIText::MaxCursorCol));
}

void TSourceServices::SaveToIDE() {
    TIHyperSourceCode& m = *sourceCode_;
    const std::string fileName = m.GetFileName();
    if (fileName.empty()) throw Exception("No unit is loaded");
    // A unit that the word went to comes to the front (opened when it is not open yet).
    const bool front = tools_.IsFileOpen(fileName) && tools_.GetCurrentFile() == fileName;
    if (!front && !tools_.OpenFile(fileName)) {
        // The IDE does not say why; a file it cannot read is the reason it has.
        std::error_code ec;
        if (!std::filesystem::is_regular_file(fileName, ec)) throw EFOpenError("Cannot open file \"" + fileName + "\"");
        throw Exception("The editor cannot open " + fileName);
    }
    const TEditorAccess a = OpenEditor(fileName);
    const int32_t count = m.GetLines()->Count();

    if (m.GetModified()) {
        // The buffer as it is now: the user or a word may have changed it,
        // and the model may hold another unit than the one loaded.
        std::string& oldText = scratch_;
        ReadBuffer(*a.Editor, oldText);
        oldText.resize(UnitTextOf(oldText, fileName).Length);
        std::string newText = TextForBuffer(*m.GetLines(), oldText);
        WriteBack(oldText, newText, [&] { return a.Editor->CreateUndoableWriter(); });
        loadedText_ = std::move(newText);
        loadedLines_ = LineCountOf(loadedText_);
        m.SetModified(false);
    }

    const int32_t line = ClampLine(m.GetCursorLine(), count);
    a.View->SetCursorPos({EditCol(m.GetCursorCol()), line + 1});

    // A cursor outside the view re-centres it: below it when the cursor's
    // line (1-based) lies more than a view's height past the top line
    // (0-based), above it when it lies above the top line.
    int32_t topLine = m.GetTopLine();
    const int32_t cursorLine = a.View->GetCursorPos().Line;
    const int32_t height = a.View->GetViewSize().cy;
    if (int64_t(cursorLine) - topLine > height || cursorLine - 1 < topLine) topLine = cursorLine - height / 2;
    a.View->SetTopPos({EditCol(m.GetTopCol()), ClampLine(topLine, count) + 1});
}

std::string TSourceServices::LoadFromIDEOrFile(const std::string& fileName) {
    if (tools_.IsFileOpen(fileName)) {
        const TEditorAccess a = OpenEditor(fileName);
        std::string text;
        ReadUnitText(*a.Editor, fileName, text);
        return text;
    }
    std::string text = ReadWholeFile(fileName);
    CheckEditorText(text, fileName);
    return text;
}

std::string TSourceServices::InputQueryWithHistory(const std::string& name, const std::string& caption,
                                                   const std::string& prompt, const std::string& def) {
    const std::string section = "HistoryLists\\" + name;
    // Without a project there is no desktop file: no history is read or kept.
    const std::string project = tools_.GetProjectName();
    const std::string desktop = project.empty() ? std::string() : ChangeFileExt(project, ".dsk");
    TMemIni ini;
    if (!desktop.empty() && FileExists(desktop)) ini.LoadFromFile(desktop);

    TInputQueryForm form;
    form.setWindowTitle(QString::fromStdString(caption));
    form.Prompt->setText(QString::fromStdString(prompt));
    const std::vector<std::string> history = ReadHistory(ini.SectionLines(section)).Entries;
    for (const std::string& entry : history) form.Default->addItem(QString::fromStdString(entry));
    form.Default->setEditText(QString::fromStdString(def));

    if (RunDialog(form) != mrOk) return def;
    const std::string value = form.Default->currentText().toStdString();
    if (!desktop.empty() && std::find(history.begin(), history.end(), value) == history.end())
        KeepInHistory(desktop, section, value);
    return value;
}

void TSourceServices::RegisterHotkey(const std::string& caption, const std::string& name,
                                     const std::string& shortCut, bool visible) {
    // An item without its word, or whose hotkey would not work, is not made.
    if (Trim(name).empty()) {
        Q("RegisterHotkey: the item \"" + caption + "\" names no word; it is not added.");
        return;
    }
    const TShortCut key = TextToShortCut(shortCut);
    if (key == 0 && !Trim(shortCut).empty()) {
        Q("RegisterHotkey: \"" + shortCut + "\" of the item \"" + caption + "\" is no shortcut; it is not added.");
        return;
    }
    AppendItem(caption, name, key, visible ? kVisibleItem : kHiddenItem,
               [this](TIMenuItemIntf* sender) { ExecForth(sender); });
}

// ---- words --------------------------------------------------------------------------------------

void TSourceServices::LoadFromIDE(TForth& Sender) { LoadFromIDE(Sender.PopString()); }

void TSourceServices::SaveToIDE(TForth&) { SaveToIDE(); }

void TSourceServices::LoadFromIDEOrFile(TForth& Sender) { Sender.PushString(LoadFromIDEOrFile(Sender.PopString())); }

void TSourceServices::InputQueryWithHistory(TForth& Sender) {
    const std::string def = Sender.PopString();
    const std::string prompt = Sender.PopString();
    const std::string caption = Sender.PopString();
    const std::string name = Sender.PopString();
    Sender.PushString(InputQueryWithHistory(name, caption, prompt, def));
}

void TSourceServices::RegisterHotkey(TForth& Sender) {
    const bool visible = Sender.PopInteger() != 0;
    const std::string shortCut = Sender.PopString();
    const std::string name = Sender.PopString();
    const std::string caption = Sender.PopString();
    RegisterHotkey(caption, name, shortCut, visible);
}

const ClassInfo& TSourceServices::StaticForthClass() {
    static const MethodInfo methods[] = {
        WordMethod<TSourceServices, &TSourceServices::LoadFromIDE>("LoadFromIDE"),
        WordMethod<TSourceServices, &TSourceServices::SaveToIDE>("SaveToIDE"),
        WordMethod<TSourceServices, &TSourceServices::LoadFromIDEOrFile>("LoadFromIDEOrFile"),
        WordMethod<TSourceServices, &TSourceServices::InputQueryWithHistory>("InputQueryWithHistory"),
        WordMethod<TSourceServices, &TSourceServices::RegisterHotkey>("RegisterHotkey"),
    };
    static const ClassInfo info{"TSourceServices", nullptr, {}, methods};
    return info;
}

const ClassInfo* TSourceServices::ForthClass() const {
    if (!demo_) return &StaticForthClass();
    // The host's own LoadFromIDE and SaveToIDE come later in the object
    // table: these must not hide them.
    static const MethodInfo methods[] = {
        WordMethod<TSourceServices, &TSourceServices::LoadFromIDEOrFile>("LoadFromIDEOrFile"),
        WordMethod<TSourceServices, &TSourceServices::InputQueryWithHistory>("InputQueryWithHistory"),
        WordMethod<TSourceServices, &TSourceServices::RegisterHotkey>("RegisterHotkey"),
    };
    static const ClassInfo info{"TSourceServices", nullptr, {}, methods};
    return &info;
}

}  // namespace velt
