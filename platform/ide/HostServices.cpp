#include "platform/ide/HostServices.h"

#include <algorithm>
#include <filesystem>

#include "foundation/Classes.h"
#include "foundation/SysUtils.h"
#include "platform/ide/ProjectFile.h"

namespace velt {

THostServices::THostServices() : MainMenu_(new THostMainMenu) {
    THostMainMenu& menu = *MainMenu_;
    THostMenuItem& bar = menu.Root();
    const ComPtr<THostMenuItem> file = menu.AddHostItem(bar, "&File", "FileMenu");
    menu.AddHostItem(*file, "&Open ...", "FileOpenItem");
    menu.AddHostItem(*file, "&Save", "FileSaveItem");
    menu.AddHostItem(*file, "&Close", "FileCloseItem");
    menu.AddHostItem(*file, "-", "FileSeparator");
    menu.AddHostItem(*file, "E&xit", "FileExitItem");
    const ComPtr<THostMenuItem> project = menu.AddHostItem(bar, "&Project", "ProjectMenu");
    menu.AddHostItem(*project, "&Open Project ...", "ProjectOpenItem");
    menu.AddHostItem(*project, "&Add to Project ...", "ProjectAddItem");
    menu.AddHostItem(*project, "&Remove from Project ...", "ProjectRemoveItem");
    menu.AddHostItem(*project, "&Close Project", "ProjectCloseItem");
    menu.AddHostItem(bar, "&Tools", "ToolsMenu");
    const ComPtr<THostMenuItem> help = menu.AddHostItem(bar, "&Help", "HelpMenu");
    menu.AddHostItem(*help, "&About ...", "HelpAboutItem");
}

THostServices::~THostServices() {
    MainMenu_->OnChange = nullptr;
    for (const std::shared_ptr<TEditBuffer>& buffer : Buffers_) buffer->MarkClosed();
}

HResult THostServices::QueryInterface(const Guid& iid, void** obj) {
    if (iid == IID_IUnknown) {
        *obj = static_cast<IUnknown*>(this);
        _AddRef();
        return S_OK;
    }
    *obj = nullptr;
    return E_NOINTERFACE;
}

// ---- experts and notifiers ------------------------------------------------------------

bool THostServices::RegisterLibraryExpert(const ComPtr<TIExpert>& Expert) {
    if (!Expert) return false;
    TIExpert& e = *Expert;
    AddLog("Expert.GetName=" + e.GetName());
    AddLog("Expert.GetAuthor=" + e.GetAuthor());
    AddLog("Expert.GetComment=" + e.GetComment());
    AddLog("Expert.GetPage=" + e.GetPage());
    AddLog("Expert.GetGlyph=" + IntToStr(e.GetGlyph()));
    AddLog("Expert.GetStyle=" + IntToStr(e.GetStyle()));
    AddLog("Expert.GetState=" + IntToStr(e.GetState()));
    AddLog("Expert.GetIDString=" + e.GetIDString());
    AddLog("Expert.GetMenuText=" + e.GetMenuText());
    Experts_.push_back({Expert, LoadingPackage_});
    return true;
}

void THostServices::ReleaseExperts(int tag) {
    // Moved out first: a release may run the expert's destructor, which may
    // call back into the host.
    std::vector<TExpertEntry> released;
    auto keep = std::stable_partition(Experts_.begin(), Experts_.end(),
                                      [tag](const TExpertEntry& e) { return e.Package != tag; });
    std::move(keep, Experts_.end(), std::back_inserter(released));
    Experts_.erase(keep, Experts_.end());
    released.clear();
}

void THostServices::DropPackageReferences() {
    std::vector<ComPtr<TIAddInNotifier>> notifiers = std::move(Notifiers_);
    Notifiers_.clear();
    notifiers.clear();
    std::vector<TExpertEntry> experts = std::move(Experts_);
    Experts_.clear();
    experts.clear();
    MainMenu_->DropPackageItems();
}

bool THostServices::AddNotifier(const ComPtr<TIAddInNotifier>& AddInNotifier) {
    if (!AddInNotifier) return false;
    Notifiers_.push_back(AddInNotifier);
    return true;
}

bool THostServices::RemoveNotifier(const ComPtr<TIAddInNotifier>& AddInNotifier) {
    const auto it = std::find(Notifiers_.begin(), Notifiers_.end(), AddInNotifier);
    if (it == Notifiers_.end()) return false;
    const ComPtr<TIAddInNotifier> removed = *it;  // released after the list is consistent
    Notifiers_.erase(it);
    return true;
}

bool THostServices::FireNotification(TFileNotification code, const std::string& fileName) {
    bool cancel = false;
    // A copy: a notifier may add or remove notifiers while it is told.
    const std::vector<ComPtr<TIAddInNotifier>> notifiers = Notifiers_;
    for (const ComPtr<TIAddInNotifier>& n : notifiers) n->FileNotification(code, fileName, cancel);
    return cancel;
}

void THostServices::RaiseException(const std::string& Message) {
    Messages.push_back(Message);
    ShowError(Message);
}

void THostServices::ReportFailure(const std::string& what) { RaiseException(what); }

// ---- menus ---------------------------------------------------------------------------------

namespace {

bool RunGuarded(THostServices& host, THostMenuItem& item) {
    try {
        return item.RunClick();
    } catch (...) {
        host.RaiseException(ReleaseException());
        return true;
    }
}

}  // namespace

bool THostServices::Click(THostMenuItem& item) {
    for (THostMenuItem* i = &item; i && i->Parent(); i = i->Parent())
        if (!i->Enabled() || !i->Visible()) return false;
    if (!item.Parent()) return false;  // destroyed or the bar itself
    return RunGuarded(*this, item);
}

bool THostServices::ClickByName(const std::string& name) {
    const ComPtr<THostMenuItem> item = MainMenu_->Find(name);
    return item && Click(*item);
}

bool THostServices::PressShortCut(TShortCut shortCut) {
    const ComPtr<THostMenuItem> item = MainMenu_->FindShortCut(shortCut);
    return item && RunGuarded(*this, *item);
}

// ---- files -----------------------------------------------------------------------------------

std::string THostServices::ReadFileBytes(const std::string& fileName) { return ReadWholeFile(fileName); }

void THostServices::WriteFileBytes(const std::string& fileName, const std::string& bytes) {
    AtomicWriteFile(fileName, bytes.data(), bytes.size());
}

std::shared_ptr<TEditBuffer> THostServices::FindBuffer(const std::string& fileName) const {
    for (const std::shared_ptr<TEditBuffer>& b : Buffers_)
        if (b->FileName() == fileName) return b;
    return nullptr;
}

std::vector<std::string> THostServices::OpenFiles() const {
    std::vector<std::string> names;
    for (const std::shared_ptr<TEditBuffer>& b : Buffers_) names.push_back(b->FileName());
    return names;
}

bool THostServices::IsFileOpen(const std::string& FileName) {
    return FindBuffer(NormalizeFileName(FileName)) != nullptr;
}

bool THostServices::OpenFile(const std::string& FileName) {
    if (FileName.empty()) return false;
    const std::string name = NormalizeFileName(FileName);
    if (const std::shared_ptr<TEditBuffer> open = FindBuffer(name)) {
        CurrentFile_ = name;
        ActivateBuffer(*open);
        StateChanged();
        return true;
    }
    std::string bytes;
    try {
        bytes = ReadFileBytes(name);
    } catch (const std::exception&) {
        return false;
    }
    return OpenBuffer(name, std::move(bytes));
}

bool THostServices::OpenFileReporting(const std::string& FileName) {
    if (OpenFile(FileName)) return true;
    if (FileName.empty()) return false;
    const std::string name = NormalizeFileName(FileName);
    try {
        ReadFileBytes(name);  // names the reason
        ReportFailure("Cannot open file " + name);
    } catch (const std::exception& e) {
        ReportFailure(e.what());
    }
    return false;
}

bool THostServices::OpenBuffer(const std::string& fileName, std::string bytes) {
    const std::string name = NormalizeFileName(fileName);
    if (name.empty() || FindBuffer(name)) return false;
    std::shared_ptr<TEditBuffer> buffer = CreateBuffer(name, std::move(bytes));
    Buffers_.push_back(buffer);
    CurrentFile_ = name;
    ActivateBuffer(*buffer);
    StateChanged();
    FireNotification(fnFileOpened, name);
    return true;
}

bool THostServices::SaveFile(const std::string& FileName) {
    const std::shared_ptr<TEditBuffer> buffer = FindBuffer(NormalizeFileName(FileName));
    if (!buffer) return false;
    try {
        WriteFileBytes(buffer->FileName(), buffer->Text());
    } catch (const std::exception& e) {
        ReportFailure("Cannot save file " + buffer->FileName() + ": " + e.what());
        return false;
    }
    buffer->SetModified(false);
    StateChanged();
    return true;
}

bool THostServices::CloseFile(const std::string& FileName) {
    const std::shared_ptr<TEditBuffer> buffer = FindBuffer(NormalizeFileName(FileName));
    return buffer && CloseBuffer(buffer, true);
}

bool THostServices::CloseBuffer(const std::shared_ptr<TEditBuffer>& buffer, bool ask) {
    const std::string name = buffer->FileName();
    if (ask && buffer->Modified()) {
        switch (AskSave(name)) {
            case TSaveAnswer::Cancel:
                return false;
            case TSaveAnswer::Save:
                if (!SaveFile(name)) return false;
                break;
            case TSaveAnswer::Discard:
                break;
        }
    }
    if (FireNotification(fnFileClosing, name)) return false;
    Buffers_.erase(std::find(Buffers_.begin(), Buffers_.end(), buffer));
    DestroyBuffer(*buffer);
    buffer->MarkClosed();
    if (CurrentFile_ == name || (!CurrentFile_.empty() && !FindBuffer(CurrentFile_))) {
        CurrentFile_.clear();
        if (!Buffers_.empty()) {
            CurrentFile_ = Buffers_.back()->FileName();
            ActivateBuffer(*Buffers_.back());
        }
    }
    StateChanged();
    return true;
}

ComPtr<TIModuleInterface> THostServices::GetModuleInterface(const std::string& FileName) {
    const std::shared_ptr<TEditBuffer> buffer = FindBuffer(NormalizeFileName(FileName));
    if (!buffer) return nullptr;
    return MakeModuleInterface(*this, buffer);
}

// ---- project ---------------------------------------------------------------------------------

std::string THostServices::GetUnitName(int32_t Index) {
    if (Index < 0 || Index >= GetUnitCount()) return {};
    return Units_[Index];
}

void THostServices::SetProject(const std::string& projectName, std::vector<std::string> units) {
    ProjectName_ = projectName;
    Units_ = std::move(units);
    StateChanged();
}

bool THostServices::OpenProject(const std::string& ProjName) {
    if (ProjName.empty()) return false;
    const std::string name = NormalizeFileName(ProjName);
    std::vector<std::string> units;
    try {
        const std::string text = ReadFileBytes(name);
        for (const std::string& unit : ProjectUnitPaths(ParseProjectSource(text, name), name))
            units.push_back(NormalizeFileName(unit));
    } catch (const std::exception& e) {
        ReportFailure("Cannot open project " + name + ": " + e.what());
        return false;
    }
    if (FireNotification(fnProjectOpening, name)) return false;
    if (!ProjectName_.empty() && !CloseProject()) return false;
    SetProject(name, std::move(units));
    return true;
}

bool THostServices::CloseProject() {
    if (ProjectName_.empty()) return false;
    if (FireNotification(fnProjectClosing, ProjectName_)) return false;
    std::vector<std::string> files = Units_;
    files.push_back(ProjectName_);
    for (const std::string& file : files)
        if (const std::shared_ptr<TEditBuffer> buffer = FindBuffer(file))
            if (!CloseBuffer(buffer, true)) return false;
    SetProject({}, {});
    return true;
}

bool THostServices::UpdateProjectSource(const std::string& fileName, bool add) {
    namespace fs = std::filesystem;
    try {
        const std::string text = ReadFileBytes(ProjectName_);
        const TProjectSource source = ParseProjectSource(text, ProjectName_);
        std::string changed;
        if (add) {
            const fs::path folder = fs::path(ProjectName_).parent_path();
            const std::string path = fs::path(fileName).lexically_proximate(folder).generic_string();
            changed = AddProjectEntry(text, source, fs::path(fileName).stem().string(), path);
        } else {
            const std::vector<std::string> paths = ProjectUnitPaths(source, ProjectName_);
            size_t unit = 0;
            size_t index = source.Entries.size();
            for (size_t i = 0; i < source.Entries.size(); ++i) {
                if (source.Entries[i].Path.empty()) continue;
                if (NormalizeFileName(paths[unit++]) == fileName) index = i;
            }
            changed = RemoveProjectEntry(text, source, index);
        }
        WriteFileBytes(ProjectName_, changed);
        std::vector<std::string> units;
        for (const std::string& unit : ProjectUnitPaths(ParseProjectSource(changed, ProjectName_), ProjectName_))
            units.push_back(NormalizeFileName(unit));
        SetProject(ProjectName_, std::move(units));
        return true;
    } catch (const std::exception& e) {
        ReportFailure("Cannot change project " + ProjectName_ + ": " + e.what());
        return false;
    }
}

bool THostServices::AddToProject(const std::string& fileName) {
    const std::string name = NormalizeFileName(fileName);
    if (ProjectName_.empty() || name.empty() || std::find(Units_.begin(), Units_.end(), name) != Units_.end())
        return false;
    if (!UpdateProjectSource(name, true)) return false;
    FireNotification(fnAddedToProject, name);
    return true;
}

bool THostServices::RemoveFromProject(const std::string& fileName) {
    const std::string name = NormalizeFileName(fileName);
    if (ProjectName_.empty() || std::find(Units_.begin(), Units_.end(), name) == Units_.end()) return false;
    if (!UpdateProjectSource(name, false)) return false;
    FireNotification(fnRemovedFromProject, name);
    return true;
}

}  // namespace velt
