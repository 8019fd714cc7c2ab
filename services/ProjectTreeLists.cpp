#include "services/ProjectTreeLists.h"

#include <algorithm>
#include <cstring>

#include "foundation/MemIni.h"
#include "foundation/SysUtils.h"

namespace velt {

namespace {

std::string Counted(uint8_t length, const char* chars, size_t capacity) {
    return std::string(chars, std::min<size_t>(length, capacity));
}

template <size_t N>
void SetCounted(uint8_t& length, char (&chars)[N], std::string_view s) {
    const size_t n = std::min(s.size(), N);
    length = uint8_t(n);
    std::memcpy(chars, s.data(), n);
}

// A counted string as the table's string comparison takes it.
struct TCountedValue {
    uint8_t Bytes[256] = {};
    explicit TCountedValue(std::string_view s) {
        const size_t n = std::min<size_t>(s.size(), 255);
        Bytes[0] = uint8_t(n);
        std::memcpy(Bytes + 1, s.data(), n);
    }
};

template <class Rec>
Rec ReadRec(const TGeneralList& list, int index) {
    if (index < 0 || index >= list.GetCount()) list.Error();
    Rec r;
    std::memcpy(&r, list.GetItem(index), sizeof r);
    return r;
}

}  // namespace

std::string TDomainRec::GetDomainName() const { return Counted(DomainNameLen, DomainName, sizeof DomainName); }
std::string TModuleRec::GetModuleName() const { return Counted(ModuleNameLen, ModuleName, sizeof ModuleName); }
std::string TModuleRec::GetFileField() const { return Counted(FileNameLen, FileName, sizeof FileName); }
std::string TClassRec::GetClassName() const { return Counted(ClassNameLen, ClassName, sizeof ClassName); }
std::string TClassRec::GetAncestorName() const {
    return Counted(AncestorNameLen, AncestorName, sizeof AncestorName);
}

// ---- TProjectTreeList ---------------------------------------------------------------

TProjectTreeList::TProjectTreeList(std::unique_ptr<TDBInfoNavigator> navigator, int32_t recordSize, int line,
                                   int32_t firstID)
    : TStructuredTreeList(Checked(std::move(navigator), recordSize, line)), FirstID(firstID), LastID(firstID - 1) {}

std::unique_ptr<TDBInfoNavigator> TProjectTreeList::Checked(std::unique_ptr<TDBInfoNavigator> navigator,
                                                            int32_t recordSize, int line) {
    if (navigator->GetFieldInfoSize() != recordSize)
        throw EAssertionFailed("Assertion failure (_ProjTree, line " + IntToStr(line) + ")");
    return navigator;
}

void TProjectTreeList::AddField(TDBInfoNavigator& navigator, TKeyKind kind, std::string_view name, int32_t size,
                                bool index) {
    TDBFieldInfo fi;
    TCDBField::Create().Key(kind).Name(name).Size(size).Index(index).Apply(fi);
    navigator.AddField(fi);
}

void TProjectTreeList::Clear() {
    TStructuredTreeList::Clear();
    LastID = FirstID - 1;
}

int TProjectTreeList::IndexOfID(int32_t id) { return FindKey(fiID, &id); }

std::vector<int> TProjectTreeList::RecordsWhere(int field, int32_t value) { return RecordsWhere(field, &value); }

std::vector<int> TProjectTreeList::RecordsWhere(int field, std::string_view value) {
    const TCountedValue counted(value);
    return RecordsWhere(field, counted.Bytes);
}

std::vector<int> TProjectTreeList::RecordsWhere(int field, const void* value) {
    const TKeyInfo key = GetKeyInfo(field);
    const TItemsCompareProc compare = GetCompareProc(field);
    const auto order = [&](int record) { return (this->*compare)(GetItem(record), key.Offset, key.Size, value); };
    std::vector<int> found;
    if (TPureIDList* index = GetIndexes(field)) {
        // The first entry that is not less, then the run of equal ones.
        int lo = 0, hi = index->GetCount();
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (order(index->GetID(mid)) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        for (int i = lo; i < index->GetCount() && order(index->GetID(i)) == 0; ++i) found.push_back(index->GetID(i));
        std::sort(found.begin(), found.end());
    } else {
        for (int i = 0; i < GetCount(); ++i)
            if (order(i) == 0) found.push_back(i);
    }
    return found;
}

// ---- the three tables ---------------------------------------------------------------------

namespace {

std::unique_ptr<TDBInfoNavigator> NewNavigator() { return std::make_unique<TDBInfoNavigator>(); }

}  // namespace

TDomainList::TDomainList()
    : TProjectTreeList(
          [] {
              auto nav = NewNavigator();
              AddField(*nav, tkInteger, "ID", 4, true);
              AddField(*nav, tkInteger, "ParentID", 4, false);
              AddField(*nav, tkString, "DomainName", 64, false);
              return nav;
          }(),
          sizeof(TDomainRec), __LINE__, 1) {}

int32_t TDomainList::AddDomain(int32_t ParentID, std::string_view DomainName) {
    TDomainRec r{};
    r.ID = NextID();
    r.ParentID = ParentID;
    SetCounted(r.DomainNameLen, r.DomainName, DomainName);
    Add(&r);
    return r.ID;
}

TDomainRec TDomainList::GetRec(int index) const { return ReadRec<TDomainRec>(*this, index); }

TModuleList::TModuleList()
    : TProjectTreeList(
          [] {
              auto nav = NewNavigator();
              AddField(*nav, tkInteger, "ID", 4, true);
              AddField(*nav, tkInteger, "DomainID", 4, true);
              AddField(*nav, tkString, "ModuleName", 64, false);
              AddField(*nav, tkString, "FileName", 128, false);
              AddField(*nav, tkInteger, "_type", 4, false);
              return nav;
          }(),
          sizeof(TModuleRec), __LINE__, 1) {}

void TModuleList::Clear() {
    TProjectTreeList::Clear();
    longFileNames_.clear();
}

int32_t TModuleList::AddModule(int32_t DomainID, std::string_view ModuleName, int32_t _type,
                               std::string_view FileName) {
    TModuleRec r{};
    r.ID = NextID();
    r.DomainID = DomainID;
    SetCounted(r.ModuleNameLen, r.ModuleName, ModuleName);
    SetCounted(r.FileNameLen, r.FileName, FileName);
    r._type = _type;
    if (FileName.size() > sizeof r.FileName) longFileNames_[r.ID] = std::string(FileName);
    Add(&r);
    return r.ID;
}

TModuleRec TModuleList::GetRec(int index) const { return ReadRec<TModuleRec>(*this, index); }

std::string TModuleList::GetFileName(int index) const {
    const TModuleRec r = GetRec(index);
    std::string field = r.GetFileField();
    const auto whole = longFileNames_.find(r.ID);
    // Only while the record still holds the start of that path.
    if (whole != longFileNames_.end() && whole->second.starts_with(field) && field.size() == sizeof r.FileName)
        return whole->second;
    return field;
}

TClassList::TClassList()
    : TProjectTreeList(
          [] {
              auto nav = NewNavigator();
              AddField(*nav, tkInteger, "ID", 4, true);
              AddField(*nav, tkInteger, "UnitID", 4, true);
              AddField(*nav, tkInteger, "DomainID", 4, false);
              AddField(*nav, tkString, "ClassName", 64, false);
              AddField(*nav, tkString, "AncestorName", 64, true);
              return nav;
          }(),
          sizeof(TClassRec), __LINE__, 0) {}

int32_t TClassList::AddClass(int32_t UnitID, int32_t DomainID, std::string_view ClassName,
                             std::string_view AncestorName) {
    TClassRec r{};
    r.ID = NextID();
    r.UnitID = UnitID;
    r.DomainID = DomainID;
    SetCounted(r.ClassNameLen, r.ClassName, ClassName);
    SetCounted(r.AncestorNameLen, r.AncestorName, AncestorName);
    Add(&r);
    return r.ID;
}

TClassRec TClassList::GetRec(int index) const { return ReadRec<TClassRec>(*this, index); }

// ---- building from the Classes Registry -------------------------------------------------------

void TProjectTreeLists::Build(const TMemIni& registry, const std::vector<std::string>& projectFiles) {
    std::vector<std::string> project;
    project.reserve(projectFiles.size());
    for (const std::string& f : projectFiles) project.push_back(UpperCase(f));
    std::sort(project.begin(), project.end());

    DomainList.Clear();
    ModuleList.Clear();
    ClassList.Clear();
    ClassList.AddClass(-1, -1, "", "**");
    DomainList.AddDomain(0, "Project");
    DomainList.AddDomain(0, "External");

    for (const std::string& section : registry.Strings()) {
        if (section.find(".Classes") != std::string::npos) continue;
        const std::string source = registry.ReadString(section, "Source", "");
        const int32_t domain =
            std::binary_search(project.begin(), project.end(), UpperCase(source)) ? ProjectDomain : ExternalDomain;
        const std::string file = ExtractFileName(source);
        const int32_t module = ModuleList.AddModule(domain, ChangeFileExt(file, ""), 1, source);
        const TStringList* classes = registry.SectionLines(ChangeFileExt(file, ".Classes"));
        if (!classes) continue;
        for (const std::string& line : classes->Strings()) {
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            const std::string name = Trim(std::string_view(line).substr(0, eq));
            if (name.empty()) continue;
            ClassList.AddClass(module, domain, name, Trim(std::string_view(line).substr(eq + 1)));
        }
    }
}

}  // namespace velt
