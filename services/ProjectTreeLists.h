#pragma once
// The data of the project tree window: three structured tables built from
// the Classes Registry, one record per domain, module (unit) and class.
//
//   TDomainList  72 bytes:  "ID" Int32, "ParentID" Int32, "DomainName" string 63
//   TModuleList 204 bytes:  "ID" Int32, "DomainID" Int32, "ModuleName" string 63,
//                           "FileName" string 127, "_type" Int32
//   TClassList  140 bytes:  "ID" Int32, "UnitID" Int32, "DomainID" Int32,
//                           "ClassName" string 63, "AncestorName" string 63
//
// Strings are counted strings cut to their fields. A file path that does not
// fit its field is kept whole beside the record, so what the tree opens is
// the real file. Each table numbers its records itself: the counter goes up
// before every add, and Clear starts it again (domains and modules at 1,
// classes at 0, the root of the class hierarchy).
//
// Keys: every table keeps an index on "ID", the modules one on "DomainID";
// the classes keep ones on "AncestorName" and "UnitID" too, so that a class
// of the hierarchy or a unit finds its children without walking the whole
// table (a class's domain is looked up by a walk: domains are few and
// large).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/Navigator.h"

namespace velt {

class TForth;
class TIToolServices;
class TMemIni;

#pragma pack(push, 1)
struct TDomainRec {
    int32_t ID;
    int32_t ParentID;
    uint8_t DomainNameLen;
    char DomainName[63];

    std::string GetDomainName() const;
};
struct TModuleRec {
    int32_t ID;
    int32_t DomainID;
    uint8_t ModuleNameLen;
    char ModuleName[63];
    uint8_t FileNameLen;
    char FileName[127];
    int32_t _type;

    std::string GetModuleName() const;
    // The file as far as the field holds it (TModuleList::GetFileName has it whole).
    std::string GetFileField() const;
};
struct TClassRec {
    int32_t ID;
    int32_t UnitID;
    int32_t DomainID;
    uint8_t ClassNameLen;
    char ClassName[63];
    uint8_t AncestorNameLen;
    char AncestorName[63];

    std::string GetClassName() const;
    std::string GetAncestorName() const;
};
#pragma pack(pop)
static_assert(sizeof(TDomainRec) == 72 && offsetof(TDomainRec, DomainNameLen) == 8);
static_assert(sizeof(TModuleRec) == 204 && offsetof(TModuleRec, ModuleNameLen) == 8 &&
              offsetof(TModuleRec, FileNameLen) == 72 && offsetof(TModuleRec, _type) == 200);
static_assert(sizeof(TClassRec) == 140 && offsetof(TClassRec, ClassNameLen) == 12 &&
              offsetof(TClassRec, AncestorNameLen) == 76);

class TProjectTreeList : public TStructuredTreeList {
public:
    // Field 0 of every table.
    static constexpr int fiID = 0;

    std::string ClassName() const override { return "TProjectTreeList"; }
    // Empties the table and starts the numbering again.
    void Clear() override;
    // The ID the last add gave.
    int32_t GetLastID() const { return LastID; }
    // The position of the record with that ID, or -1.
    int IndexOfID(int32_t id);
    // Positions of the records whose integer / string field equals value, in
    // record order; through the field's index when it has one.
    std::vector<int> RecordsWhere(int field, int32_t value);
    std::vector<int> RecordsWhere(int field, std::string_view value);

protected:
    // The navigator must describe records of recordSize bytes: an
    // "Assertion failure" naming this unit and the caller's line otherwise.
    TProjectTreeList(std::unique_ptr<TDBInfoNavigator> navigator, int32_t recordSize, int line, int32_t firstID);
    // A field of the navigator; fields follow each other from offset 0.
    static void AddField(TDBInfoNavigator& navigator, TKeyKind kind, std::string_view name, int32_t size, bool index);
    // The ID of the next record.
    int32_t NextID() { return ++LastID; }

private:
    static std::unique_ptr<TDBInfoNavigator> Checked(std::unique_ptr<TDBInfoNavigator> navigator, int32_t recordSize,
                                                     int line);
    std::vector<int> RecordsWhere(int field, const void* value);
    int32_t FirstID;
    int32_t LastID;
};

class TDomainList : public TProjectTreeList {
public:
    enum : int { fiParentID = 1, fiDomainName = 2 };
    TDomainList();
    std::string ClassName() const override { return "TDomainList"; }
    // The new domain's ID.
    int32_t AddDomain(int32_t ParentID, std::string_view DomainName);
    TDomainRec GetRec(int index) const;
};

class TModuleList : public TProjectTreeList {
public:
    enum : int { fiDomainID = 1, fiModuleName = 2, fiFileName = 3, fi_type = 4 };
    TModuleList();
    std::string ClassName() const override { return "TModuleList"; }
    void Clear() override;
    // The new module's ID.
    int32_t AddModule(int32_t DomainID, std::string_view ModuleName, int32_t _type, std::string_view FileName);
    TModuleRec GetRec(int index) const;
    // The module's file, whole.
    std::string GetFileName(int index) const;

private:
    // Paths longer than the field, by module ID.
    std::unordered_map<int32_t, std::string> longFileNames_;
};

class TClassList : public TProjectTreeList {
public:
    enum : int { fiUnitID = 1, fiDomainID = 2, fiClassName = 3, fiAncestorName = 4 };
    TClassList();
    std::string ClassName() const override { return "TClassList"; }
    // The new class's ID.
    int32_t AddClass(int32_t UnitID, int32_t DomainID, std::string_view ClassName, std::string_view AncestorName);
    TClassRec GetRec(int index) const;
};

// The three tables of one project tree, the interpreter that its menus
// run words with and the IDE that hears of their failures (not owned).
struct TProjectTreeLists {
    TDomainList DomainList;
    TModuleList ModuleList;
    TClassList ClassList;
    TForth* Forth = nullptr;
    TIToolServices* Tools = nullptr;

    // The domain IDs that every build makes.
    static constexpr int32_t ProjectDomain = 1;
    static constexpr int32_t ExternalDomain = 2;

    // Fills the tables from the Classes Registry: the root class, the
    // domains "Project" and "External", and for every unit section its
    // module (under "Project" when its "Source" is one of projectFiles,
    // ASCII case ignored) and the classes of its ".Classes" section.
    void Build(const TMemIni& registry, const std::vector<std::string>& projectFiles);
};

}  // namespace velt
