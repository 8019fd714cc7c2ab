#pragma once
// Record lists whose records begin with a 32-bit ID, and the small lists
// that fix a record layout on top of them.
//
// Lookups walk the records from index 0 and stop at the first match; IDs need
// not be unique. Nothing here keeps an index: a lookup costs time linear in
// the list (the keyed tables add sorted indexes where that matters).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/GeneralList.h"

namespace velt {

// Record layouts, read and written with memcpy.
#pragma pack(push, 1)
struct TPureIDRec {
    int32_t ID;
};
struct T2IntRec {
    int32_t ID;
    int32_t Second;
};
struct TNameRec {
    int32_t ID;
    uint8_t NameLen;  // counted string: length byte, then the characters
    char Name[255];
};
struct TShortNameRec {
    int32_t ID;
    uint8_t NameLen;
    char Name[19];
};
#pragma pack(pop)
static_assert(sizeof(TPureIDRec) == 4);
static_assert(sizeof(T2IntRec) == 8);
static_assert(sizeof(TNameRec) == 260);
static_assert(sizeof(TShortNameRec) == 24);

// Declared without a GUID: reached by a cast, not by QueryInterface.
class IIDList : public virtual IGeneralList {
public:
    virtual void* GetIDItems(int index) = 0;
    virtual int32_t GetID(int index) const = 0;
    virtual void SetID(int index, int32_t id) = 0;
    virtual void* GetListItemByID(int32_t id) = 0;
    virtual int AddID(int32_t id) = 0;
};

class TIDList : public TGeneralList, public virtual IIDList {
public:
    // Record size 0 is the bare list (as its virtual constructor makes it);
    // otherwise a record holds at least the ID.
    explicit TIDList(int32_t itemSize = 0);
    std::string ClassName() const override { return "TIDList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override;

    // Any record list: Clear, then AddList. Other sources are ignored.
    void Assign(const TPersistent* source) override;
    bool GetCanSort() const override { return true; }
    // Every record of source through the virtual Add; records of another
    // size are cut or zero-padded to this list's size.
    void AddList(const TGeneralList* source) override;
    // By ID, signed: -1, 0 or 1.
    int Compare(int index1, int index2) override;
    // "0 -> 5  1 -> 7  ": index, arrow and ID of every record.
    void ___(std::string& s) const override;
    // Produces no list: always raises.
    virtual std::unique_ptr<TIDList> GetLimitedList(int32_t a, int32_t b);

    void* GetIDItems(int index) override { return GetItem(index); }
    int32_t GetID(int index) const override;
    void SetID(int index, int32_t id) override;
    // Address of the first record with that ID, or null.
    void* GetListItemByID(int32_t id) override;
    bool Exists(int32_t id) const { return IndexByID(id) >= 0; }
    // Index of the first record with that ID, or -1.
    int IndexByID(int32_t id) const;
    int IndexOf(int32_t id) const { return IndexByID(id); }
    // Appends a zero-filled record holding id; returns its index.
    int AddID(int32_t id) override;
    TIDList* _(int32_t id) {
        AddID(id);
        return this;
    }
    int AddUniqueID(int32_t id);
    // -1 when rec's ID is present, else Add(rec).
    int AddUnique(const void* rec);
    // Writes the next ID (1 on an empty list, else the last record's ID +
    // Step) into rec's first four bytes and adds it.
    int AddAutoinc(void* rec);
    // Appends each record of source whose ID is not here yet.
    void Uniqualize(const TIDList* source);
    // The same test on source's IDs; appends the data offset bytes into each
    // source record (zero-padded where the source record ends).
    void UniqualizeWithOffset(const TIDList* source, int offset);
    // New lists of this class; the caller owns them.
    std::unique_ptr<TIDList> Intersect(const TIDList* other) const;
    std::unique_ptr<TIDList> Subtract(const TIDList* other) const;
    // Same count and the same IDs in index order.
    bool EqualTo(const TIDList* other) const;

protected:
    // A record of this list's size holding id (zero elsewhere).
    std::vector<char> MakeRec(int32_t id) const;
    // A copy of n bytes at src cut or zero-padded to this list's record size.
    std::vector<char> FitRec(const void* src, int64_t n) const;
};

class TPureIDList : public TIDList {
public:
    TPureIDList() : TIDList(4) {}
    std::string ClassName() const override { return "TPureIDList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TPureIDList>(); }
    // Appends 1, 2, ..., n.
    TPureIDList* Enumerate(int n);
};

// Reference counters held in the ID position.
class TRefList : public TIDList {
public:
    TRefList() : TIDList(4) {}
    std::string ClassName() const override { return "TRefList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TRefList>(); }
    int32_t GetRefCount(int index) const { return GetID(index); }
    // The new value; a counter at 0 stays in the list.
    int32_t AddRef(int index);
    int32_t Release(int index);
};

class T2IntList : public TIDList {
public:
    T2IntList() : TIDList(8) {}
    std::string ClassName() const override { return "T2IntList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<T2IntList>(); }
    // Appends through the base list's own Add, not the virtual one.
    int Add2Int(int32_t id, int32_t second);
    // The second integer of the first record with that ID; "General List
    // Error" when there is none.
    int32_t GetSecondID(int32_t id) const;
    T2IntRec GetRec(int index) const;
};

// ID and a counted-string name that runs to the end of the record (255
// characters at most). Names are cut to the field when written and clamped
// to it when read.
class TNameList : public TIDList {
public:
    TNameList() : TIDList(260) {}
    std::string ClassName() const override { return "TNameList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TNameList>(); }
    bool GetCanSort() const override { return true; }
    // By name, ASCII case-insensitive.
    int Compare(int index1, int index2) override;
    virtual int GetNameOfs() const { return 4; }
    // Characters the name field holds.
    int NameCapacity() const;

    void GetNames(int index, std::string& s) const;
    // "General List Error" when no record has the ID.
    void GetNameByID(int32_t id, std::string& s) const;
    // First record whose name equals name exactly, or null.
    void* GetListItemByName(std::string_view name);
    int AddIDName(int32_t id, std::string_view name);

protected:
    explicit TNameList(int32_t itemSize) : TIDList(itemSize) {}
    std::string NameAt(const void* rec) const;
};

class TShortNameList : public TNameList {
public:
    TShortNameList() : TNameList(24) {}
    std::string ClassName() const override { return "TShortNameList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TShortNameList>(); }
    TShortNameRec GetRec(int index) const;
};

}  // namespace velt
