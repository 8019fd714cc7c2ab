#pragma once
// Field navigators and structured tables.
//
// A navigator is a list of field descriptors (type, offset, size, and in
// TDBInfoNavigator a name, identifier, nested navigator ...) that describes
// at run time the record layout of a structured table. Every field of the
// navigator is also a key of the table, in field order. Chainable builders
// (TCField, TCDBField) fill one descriptor in a single expression:
//
//     TDBFieldInfo fi;
//     TCDBField::Create().Key(tkString).Name("NFA").Size(32).SetIndex().Apply(fi);
//     nav->AddField(fi);
//
// Field sizes follow the type: tkBoolean 1; tkString and tkBinary as given;
// tkCurrency and tkDateTime 8; all other known types 4. A tkString field is
// a counted string (length byte plus Size - 1 characters). A tkPString field
// is handled like tkString, inside its own 4 bytes (three characters).
// tkObject and tkTreeList fields hold 32-bit object handles (ObjectHandles);
// a table frees the object of each tkObject field when the record goes.
//
// Navigator stream: the record-list stream (Int32 count, Int32 record size
// 104, the 104-byte records), then, for each tkTreeList field in order that
// has a nested navigator, that navigator's stream, recursively. In a stream
// the Navigator slot of a record is 1 when a nested stream follows, else 0.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/DateUtils.h"
#include "foundation/TreeList.h"

namespace velt {

// The 16-byte descriptor of TInfoNavigator (the layout of TKeyInfo).
using TFieldInfo = TKeyInfo;

// The 104-byte descriptor of TDBInfoNavigator, held and streamed raw.
struct TDBFieldInfo {
    TKeyKind Key = tkInteger;    // 0
    uint8_t Unused1[3] = {};     // 1-3
    int32_t Offset = 0;          // 4-7: 0 when added means after the fields already there
    int32_t Size = 0;            // 8-11
    uint8_t Index = 0;           // 12: Boolean, the key keeps a sorted index
    uint8_t Unused2[3] = {};     // 13-15
    uint32_t Navigator = 0;      // 16-19: handle of the nested navigator of a tkTreeList field
    uint8_t Name[17] = {};       // 20-36: counted string, 16 characters
    uint8_t ShortName[17] = {};  // 37-53: counted string, 16 characters
    uint8_t Unused3[2] = {};     // 54-55
    int32_t ID = 0;              // 56-59
    int32_t Tag = 0;             // 60-63
    uint8_t Visible = 0;         // 64: Boolean
    uint8_t FullName[33] = {};   // 65-97: counted string, 32 characters
    uint8_t Unused4[2] = {};     // 98-99
    int32_t Domain = 0;          // 100-103

    static constexpr int NameLength = 16;
    static constexpr int FullNameLength = 32;
    std::string GetName() const;
    std::string GetShortName() const;
    std::string GetFullName() const;
};
static_assert(sizeof(TDBFieldInfo) == 104);
static_assert(offsetof(TDBFieldInfo, Navigator) == 16 && offsetof(TDBFieldInfo, Name) == 20 &&
              offsetof(TDBFieldInfo, ShortName) == 37 && offsetof(TDBFieldInfo, ID) == 56 &&
              offsetof(TDBFieldInfo, Tag) == 60 && offsetof(TDBFieldInfo, Visible) == 64 &&
              offsetof(TDBFieldInfo, FullName) == 65 && offsetof(TDBFieldInfo, Domain) == 100);

// The size a field of this type takes (given: the declared size of tkString
// and tkBinary); 0 for tkUnknown and codes above 12.
int32_t FieldSizeByType(TKeyKind kind, int32_t given);

// ---- builders --------------------------------------------------------------

// Fills one zero-initialised TFieldInfo; Apply copies it out.
class TCField : public TObject {
public:
    static TCField Create() { return TCField(); }
    std::string ClassName() const override { return "TCField"; }
    TCField& Key(TKeyKind key) { Info.Key = key; return *this; }
    TCField& Offset(int32_t offset) { Info.Offset = offset; return *this; }
    TCField& Size(int32_t size) { Info.Size = size; return *this; }
    TCField& Index(bool index) { Info.Index = index ? 1 : 0; return *this; }
    TCField& SetIndex() { return Index(true); }
    void Apply(TFieldInfo& dest) const { dest = Info; }

    TFieldInfo Info{};
};

// Fills one zero-initialised TDBFieldInfo; names are cut to their fields.
class TCDBField : public TObject {
public:
    static TCDBField Create() { return TCDBField(); }
    std::string ClassName() const override { return "TCDBField"; }
    TCDBField& Key(TKeyKind key) { Info.Key = key; return *this; }
    TCDBField& Offset(int32_t offset) { Info.Offset = offset; return *this; }
    TCDBField& Size(int32_t size) { Info.Size = size; return *this; }
    TCDBField& Index(bool index) { Info.Index = index ? 1 : 0; return *this; }
    TCDBField& SetIndex() { return Index(true); }
    TCDBField& Name(std::string_view name);
    TCDBField& ShortName(std::string_view name);
    TCDBField& ID(int32_t id) { Info.ID = id; return *this; }
    TCDBField& Tag(int32_t tag) { Info.Tag = tag; return *this; }
    TCDBField& Visible(bool visible) { Info.Visible = visible ? 1 : 0; return *this; }
    TCDBField& FullName(std::string_view name);
    TCDBField& Domain(int32_t domain) { Info.Domain = domain; return *this; }
    void Apply(TDBFieldInfo& dest) const { dest = Info; }

    TDBFieldInfo Info{};
};

// ---- navigators ----------------------------------------------------------------

class TVirtualTreeList;

// Field descriptors of 16 bytes.
//
// The navigator of a table that holds records changes only at the end: a
// field added with AddField (the records grow) or the last field removed
// (they shrink). Every other change of the descriptors (load, clear, delete
// of another field, replace, insert, move) would leave the records in the
// old layout, so it raises Exception while the owning table holds records;
// on an empty table it goes through and the table's keys follow the fields.
class TInfoNavigator : public TGeneralList {
public:
    TInfoNavigator() : TInfoNavigator(int32_t(sizeof(TFieldInfo))) {}
    std::string ClassName() const override { return "TInfoNavigator"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TInfoNavigator>(); }

    // The 16 leading bytes of descriptor i ("General List Error" outside).
    TFieldInfo GetFieldInfo(int i) const;
    void* GetFieldInfoPtr(int i) { return GetItem(i); }
    int GetFieldCount() const { return Count; }
    // The record size the fields describe: the sum of their sizes, and never
    // less than the end of the field that reaches furthest. Numbered error
    // 40000003 for a field type without a size.
    int32_t GetFieldInfoSize() const;
    // Fills Size from the type and, for Offset 0, places the field after
    // those already there; sets NextOffset. Numbered error 40000003 for a
    // type without a size; Exception for an offset or size it cannot take.
    void CountOffset(TFieldInfo& fi);
    // CountOffset, append; the owning table's records grow with the field.
    virtual int AddField(TFieldInfo& fi);
    // Removes the last field (Delete of the last index); the owning table's
    // records shrink with it.
    void DeleteLastField();
    bool IsHasObjects() const;
    bool GetHasObjects() const { return HasObjects; }
    int32_t GetNextOffset() const { return NextOffset; }
    // The table whose records the navigator describes, or null.
    TVirtualTreeList* GetOwner() const { return Owner; }
    void SetOwner(TVirtualTreeList* owner) { Owner = owner; }
    // A copy of the descriptors (nested navigators included).
    virtual std::unique_ptr<TInfoNavigator> CopyNavigator() const;

    // Layout changes (see above).
    void Clear() override;
    int Add(const void* rec) override;
    void Insert(int index, const void* rec) override;
    void Delete(int index) override;
    void SetItem(int index, const void* rec) override;
    void AddList(const TGeneralList* source) override;
    // The record-list stream; every descriptor is checked as AddField would.
    void LoadFromStream(TStream& stream) override;
    void LoadFromReader(TReader& reader) override;
    void Exchange(int i, int j) override;
    void QuickSort(int l, int r) override;
    void* GetItemAutoAdd(int index) override;
    // The descriptor size is fixed: always "General List Error".
    void AdjustItemSize(int delta) override;

protected:
    explicit TInfoNavigator(int32_t itemSize) : TGeneralList(itemSize) {}
    // HasObjects and NextOffset from the fields.
    void Recount();
    // Tells the owning table that the layout changed.
    void NotifyOwner();
    // Before a layout change: raises Exception when the owning table holds
    // records.
    void CheckLayoutFree() const;
    // After a layout change: Recount, then NotifyOwner.
    void LayoutChanged();
    // CheckLayoutFree, load, then LayoutChanged also when the load fails.
    void Reload(const std::function<void()>& load);

    bool HasObjects = false;
    int32_t NextOffset = 0;
    TVirtualTreeList* Owner = nullptr;
};

// Field descriptors of 104 bytes with names, identifiers and nested
// navigators. A tkTreeList field owns the nested navigator its Navigator
// slot refers to: copying a descriptor in (Add, AddField, AddList, SetItem)
// copies the nested navigator, removing one frees it.
class TDBInfoNavigator : public TInfoNavigator {
public:
    TDBInfoNavigator() : TInfoNavigator(int32_t(sizeof(TDBFieldInfo))) {}
    ~TDBInfoNavigator() override;
    std::string ClassName() const override { return "TDBInfoNavigator"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TDBInfoNavigator>(); }

    TDBFieldInfo GetDBFieldInfo(int i) const;
    // A plain descriptor gets zero names and no nested navigator.
    int AddField(TFieldInfo& fi) override;
    int AddField(TDBFieldInfo& fi);
    // The nested navigator of field i, or null.
    TDBInfoNavigator* GetNestedNavigator(int field) const;
    // Gives field i (a tkTreeList field) its nested navigator, freeing the old one.
    void SetNestedNavigator(int field, std::unique_ptr<TDBInfoNavigator> nested);
    std::unique_ptr<TDBInfoNavigator> CloneNavigator() const;
    std::unique_ptr<TInfoNavigator> CopyNavigator() const override;

    void SaveToStream(TStream& stream) override;
    // Reads a navigator stream. Counts, record sizes, field types, offsets,
    // sizes and name lengths are checked against the stream and the record,
    // nesting is limited to MaxNesting levels; a stream that fails raises
    // EReadError (or a numbered error) and leaves the navigator unchanged.
    void LoadFromStream(TStream& stream) override;
    void CopyRec(const void* source, void* dest) override;
    void DestroyRec(int index) override;
    void SetItem(int index, const void* rec) override;
    // Records of a smaller layout (TInfoNavigator) are widened with zeros.
    void AddList(const TGeneralList* source) override;

    static constexpr int MaxNesting = 16;

private:
    void SaveLevel(TStream& stream, int depth) const;
    void LoadLevel(TStream& stream, int depth);
};

// Removes fields from the last backward while their Tag is 1 or more; field
// 0 always stays.
void DeleteTaggedFields(TDBInfoNavigator& navigator);

// ---- structured tables ------------------------------------------------------------

// A sorted tree list whose record layout is its navigator's. The table owns
// the navigator. Accessors by record index check the index; all check the
// field index and that the field lies inside the record.
//
// Subclasses: Create2 makes a table of the same class around a navigator
// (GetCopyObject, Clone and the copy searches use it), so a subclass whose
// copies must keep its class overrides Create2 (or GetCopyObject).
class TVirtualTreeList : public TTreeList {
public:
    // CreateEx: takes the navigator; the record size is its GetFieldInfoSize.
    explicit TVirtualTreeList(std::unique_ptr<TInfoNavigator> navigator);
    ~TVirtualTreeList() override;
    std::string ClassName() const override { return "TVirtualTreeList"; }

    // The plain virtual constructor: a table needs a navigator, so it raises
    // numbered error 4 for "Create".
    std::unique_ptr<TGeneralList> NewInstance() const override;
    // An empty table of the same class with a copy of the navigator.
    std::unique_ptr<TGeneralList> GetCopyObject() const override;
    // Frees the objects of the record's tkObject fields.
    void DestroyRec(int index) override;
    // An object that the new record still refers to is not freed.
    void SetItem(int index, const void* rec) override;
    // One key per field, in field order.
    void GetKeyList(const TAddKeyProc& addKey) override;
    // Object handles mean nothing in a stream: loaded tkObject and
    // tkTreeList fields are cleared. The records held before are freed.
    void LoadFromStream(TStream& stream) override;
    // Resizes the records in place (no record is finalised); never below
    // the navigator's record size.
    void AdjustItemSize(int delta) override;
    virtual std::unique_ptr<TVirtualTreeList> Create2(std::unique_ptr<TInfoNavigator> navigator) const;
    virtual void Init() {}

    TInfoNavigator* GetNavigator() const { return Navigator.get(); }
    // Replaces the navigator of a table without records (the keys follow
    // it); Exception while the table holds records, which would keep the
    // old layout.
    void SetNavigator(std::unique_ptr<TInfoNavigator> navigator);
    // The navigator's layout changed: records follow its size, keys and
    // indexes are read again.
    void NavigatorChanged();
    // Frees the objects held in a tkObject field of every record.
    void ReleaseFieldObjects(int field);

    virtual TKeyKind GetKey(int field) const;
    virtual int32_t GetOffset(int field) const;
    virtual int32_t GetSize(int field) const;
    virtual int GetFieldCount() const;
    virtual int32_t GetInfoSize() const;
    virtual bool GetHasObjects() const;
    virtual void* GetInfoPtr(int index);
    virtual void* GetFieldPtr(int index, int field);

    // By record index.
    virtual float GetAsFloat(int index, int field);
    virtual void SetAsFloat(int index, int field, double value);
    virtual std::string GetAsString(int index, int field);
    virtual void SetAsString(int index, int field, std::string_view value);
    virtual bool GetAsBoolean(int index, int field);
    virtual void SetAsBoolean(int index, int field, bool value);
    virtual int32_t GetAsInteger(int index, int field);
    virtual void SetAsInteger(int index, int field, int32_t value);
    virtual Currency GetAsCurrency(int index, int field);
    virtual void SetAsCurrency(int index, int field, Currency value);
    virtual TDateTime GetAsDateTime(int index, int field);
    virtual void SetAsDateTime(int index, int field, TDateTime value);
    virtual TObject* GetAsObject(int index, int field);
    virtual void SetAsObject(int index, int field, TObject* value);

    // By record address.
    virtual void* GetFieldPtrP(void* rec, int field);
    virtual float GetAsFloatP(const void* rec, int field);
    virtual void SetAsFloatP(void* rec, int field, double value);
    virtual std::string GetAsStringP(const void* rec, int field);
    virtual void SetAsStringP(void* rec, int field, std::string_view value);
    virtual bool GetAsBooleanP(const void* rec, int field);
    virtual void SetAsBooleanP(void* rec, int field, bool value);
    virtual int32_t GetAsIntegerP(const void* rec, int field);
    virtual void SetAsIntegerP(void* rec, int field, int32_t value);
    virtual Currency GetAsCurrencyP(const void* rec, int field);
    virtual void SetAsCurrencyP(void* rec, int field, Currency value);
    virtual TDateTime GetAsDateTimeP(const void* rec, int field);
    virtual void SetAsDateTimeP(void* rec, int field, TDateTime value);
    virtual TObject* GetAsObjectP(const void* rec, int field);
    virtual void SetAsObjectP(void* rec, int field, TObject* value);

    // By record address, converting between the field type and the value
    // type; numbered error 1001 for a pair without conversion, 40000004 for
    // text longer than a string field.
    virtual void* GetFieldPtrI(void* rec, int field);
    virtual float GetAsFloatI(const void* rec, int field);
    virtual void SetAsFloatI(void* rec, int field, double value);
    virtual std::string GetAsStringI(const void* rec, int field);
    virtual void SetAsStringI(void* rec, int field, std::string_view value);
    virtual bool GetAsBooleanI(const void* rec, int field);
    virtual void SetAsBooleanI(void* rec, int field, bool value);
    virtual int32_t GetAsIntegerI(const void* rec, int field);
    virtual void SetAsIntegerI(void* rec, int field, int32_t value);
    virtual Currency GetAsCurrencyI(const void* rec, int field);
    virtual void SetAsCurrencyI(void* rec, int field, Currency value);
    virtual TDateTime GetAsDateTimeI(const void* rec, int field);
    virtual void SetAsDateTimeI(void* rec, int field, TDateTime value);
    virtual TObject* GetAsObjectI(const void* rec, int field);
    virtual void SetAsObjectI(void* rec, int field, TObject* value);

protected:
    // The descriptor of field, checked against the navigator and the record.
    TFieldInfo CheckedField(int field) const;
    // Address of record index ("General List Error" outside the table).
    void* CheckedRecord(int index);
    // After a write through an address: keeps the indexes of a record of
    // this table right.
    void Written(const void* rec, int field);
    void ResizeRecords(int32_t newSize);
    void ClearObjectFields(void* rec, bool free);

    std::unique_ptr<TInfoNavigator> Navigator;

private:
    static int32_t RecordSizeOf(const TInfoNavigator* navigator);
};

// A table described by a TDBInfoNavigator: fields have names and IDs.
class TStructuredTreeList : public TVirtualTreeList {
public:
    explicit TStructuredTreeList(std::unique_ptr<TDBInfoNavigator> navigator);
    std::string ClassName() const override { return "TStructuredTreeList"; }
    // A navigator that is not a TDBInfoNavigator raises "General List Error".
    std::unique_ptr<TVirtualTreeList> Create2(std::unique_ptr<TInfoNavigator> navigator) const override;

    TDBInfoNavigator* GetDBNavigator() const;
    // Index of the first field whose Name is exactly name (cut to 16
    // characters, case-sensitive), or -1.
    virtual int GetFIByName(std::string_view name) const;
    int32_t GetFID(int field) const;
    void SetFID(int field, int32_t id);
    // Fills nothing.
    void GetFName(int /*field*/, std::string& /*name*/) const {}
    virtual std::unique_ptr<TDBInfoNavigator> CreateNavigator() const;
    virtual void EndCreateNavigator() {}
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
};

}  // namespace velt
