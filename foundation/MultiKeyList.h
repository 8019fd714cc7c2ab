#pragma once
// Keyed record tables: record lists whose records are searched by typed keys.
//
// A key names one field of the record by its type (TKeyKind), byte offset and
// size. TMultiKeyList holds the key descriptors, the per-type comparisons and
// the search, copy, delete and update families; TPlainList searches by walking
// the records; TTreeList (TreeList.h) adds sorted indexes.
//
// Keys are declared by the subclass in GetKeyList. C++ constructors do not
// dispatch virtually, so the key list is read on first use (or when the
// subclass calls GetKeys() at the end of its own constructor).
//
// Counted strings in records: a tkString (and tkPString) field of Size bytes
// holds a length byte and at most Size - 1 characters (255 at most). A length
// byte larger than that (a damaged record) is clamped on every read.

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/GeneralList.h"
#include "foundation/IDList.h"
#include "foundation/Types.h"

namespace velt {

// ---- 32-bit handles for object references held in records -------------------
//
// A record field that refers to an object (tkObject, tkTreeList) holds a
// handle from this table, never the raw pointer. A handle whose object has
// been destroyed looks up as null, so a stale field never reaches freed
// memory. Handles are not reused while the process runs (until the 32-bit
// range wraps) and mean nothing in a stream.
namespace ObjectHandles {
// The handle of obj (the same one while obj lives); 0 for null.
uint32_t Register(TObject* obj);
// The live object of a handle, or null (0, unknown, or destroyed).
TObject* Lookup(uint32_t handle);
// Forgets a handle; its object is not touched.
void Unregister(uint32_t handle);
}  // namespace ObjectHandles

// The list's Error ("General List Error"), for callers that need the
// compiler to know it does not return.
[[noreturn]] void RaiseListError(const TGeneralList* list);

// ---- key descriptors --------------------------------------------------------

// One key (16 bytes as held in the key list). The same layout is a field
// descriptor of the navigators (TFieldInfo).
struct TKeyInfo {
    TKeyKind Key = tkInteger;     // 0
    uint8_t Unused1[3] = {};      // 1-3
    int32_t Offset = 0;           // 4-7: byte offset of the field in the record
    int32_t Size = 0;             // 8-11: size of the field in bytes
    uint8_t Index = 0;            // 12: Boolean, the key keeps a sorted index
    uint8_t Unused2[3] = {};      // 13-15
};
static_assert(sizeof(TKeyInfo) == 16);
static_assert(offsetof(TKeyInfo, Offset) == 4 && offsetof(TKeyInfo, Size) == 8 && offsetof(TKeyInfo, Index) == 12);

// Bytes that a search or write touches in a field of this kind: the fixed
// width of the numeric kinds, the declared size for tkString, tkPString and
// tkBinary, 0 for tkUnknown and codes above 12.
int32_t KeyKindWidth(TKeyKind kind, int32_t declaredSize);

// Whether keys of this kind compare (and so may be searched, sorted or indexed).
bool KeyKindHasComparison(TKeyKind kind);

// A record list of TKeyInfo.
class TKeyList : public TGeneralList {
public:
    TKeyList() : TGeneralList(int32_t(sizeof(TKeyInfo))) {}
    std::string ClassName() const override { return "TKeyList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TKeyList>(); }
    void* GetPItems(int index) { return GetItem(index); }
    // A copy of descriptor index; "General List Error" outside the list.
    TKeyInfo GetKeyInfo(int index) const;
    int AddKey(TKeyKind key, int32_t offset, int32_t size, bool index);
};

// Condition of the conditional searches, applied to the comparison result r.
enum TCompareKind : uint8_t { ckEqu, ckNeq, ckLess, ckGreat, ckLessEqu, ckGreatEqu };

// ---- tagged values ------------------------------------------------------------

// One element of an argument list of values (search values, new field
// values). Integers, booleans and strings are what the tables compare;
// floats, currency and object references serve the typed fields.
class TKeyValue {
public:
    enum TTag : uint8_t {
        vtInteger,     // 32-bit integer
        vtBoolean,
        vtAnsiString,  // a long string
        vtString,      // a counted (short) string
        vtPointer,     // an address (tkBinary: the bytes to copy)
        vtExtended,    // a float
        vtCurrency,
        vtObject,      // an object reference
    };

    template <std::integral T>
        requires(!std::same_as<T, bool>)
    TKeyValue(T v) : Tag(vtInteger), VInteger(int32_t(v)) {}
    TKeyValue(bool b) : Tag(vtBoolean), VBoolean(b) {}
    TKeyValue(const char* s) : Tag(vtAnsiString), VString(s ? s : "") {}
    TKeyValue(const std::string& s) : Tag(vtAnsiString), VString(s) {}
    TKeyValue(std::string_view s) : Tag(vtAnsiString), VString(s) {}
    template <std::floating_point T>
    TKeyValue(T v) : Tag(vtExtended), VExtended(v) {}
    TKeyValue(Currency c) : Tag(vtCurrency), VCurrency(c.Units) {}
    TKeyValue(TObject* o) : Tag(vtObject), VObject(o) {}
    TKeyValue(const TObject* o) : Tag(vtObject), VObject(const_cast<TObject*>(o)) {}
    TKeyValue(const void* p) : Tag(vtPointer), VPointer(p) {}
    TKeyValue(std::nullptr_t) : Tag(vtPointer) {}
    // A counted-string value (only its first 255 characters count).
    static TKeyValue ShortString(std::string_view s) {
        TKeyValue v(s);
        v.Tag = vtString;
        return v;
    }

    TTag Tag;
    int32_t VInteger = 0;
    bool VBoolean = false;
    std::string VString;
    const void* VPointer = nullptr;
    long double VExtended = 0;
    int64_t VCurrency = 0;
    TObject* VObject = nullptr;
};

// ---- the keyed table -------------------------------------------------------------

class TMultiKeyList;

// A comparison: the field at record p + Offset (Size bytes) against the value
// at a; -1, 0 or 1.
using TItemsCompareProc = int (TMultiKeyList::*)(const void* p, int32_t offset, int32_t size, const void* a);
// Declares one key; always answers true.
using TAddKeyProc = std::function<bool(TKeyKind key, int32_t offset, int32_t size, bool index)>;

class TMultiKeyList : public TGeneralList {
public:
    // Kreate: the record list with that record size and no sort key.
    explicit TMultiKeyList(int32_t itemSize);
    ~TMultiKeyList() override;
    std::string ClassName() const override { return "TMultiKeyList"; }

    // The virtual constructor. A table's keys belong to its class, so each
    // concrete table class returns its own kind; the base raises.
    std::unique_ptr<TGeneralList> NewInstance() const override;

    // ---- virtual operations -----------------------------------------------
    // Declares the keys, in key-index order, by one call of addKey per key.
    // Raises EAbstractError unless a subclass overrides it.
    virtual void GetKeyList(const TAddKeyProc& addKey);
    // The index of a record whose key field compares equal to value, or -1.
    // Raises EAbstractError here; TPlainList walks, TTreeList bisects.
    virtual int Search(int key, int32_t offset, int32_t size, const void* value, TItemsCompareProc proc);
    virtual void AfterGetKeyList() {}
    // New tables of this class holding the matching records in record
    // order; the caller owns them.
    virtual std::unique_ptr<TMultiKeyList> CopyWhere(const std::vector<int>& keys, const std::vector<TKeyValue>& values);
    virtual void DeleteWhere(const std::vector<int>& keys, const std::vector<TKeyValue>& values);
    virtual std::unique_ptr<TMultiKeyList> CopyWhereEx(const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                                                       const std::vector<TCompareKind>& conditions);
    virtual void DeleteWhereEx(const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                               const std::vector<TCompareKind>& conditions);
    virtual std::unique_ptr<TMultiKeyList> CopyWhereList(const TIDList& keys, const std::vector<TKeyValue>& values);
    virtual void DeleteWhereList(const TIDList& keys, const std::vector<TKeyValue>& values);
    virtual std::unique_ptr<TMultiKeyList> CopyWhereListEx(const TIDList& keys, const std::vector<TKeyValue>& values,
                                                           const std::vector<TCompareKind>& conditions);

    // True once a sort key is set.
    bool GetCanSort() const override { return SortIndex != -1; }
    int Add(const void* rec) override;
    // Orders records I and J by the sort key; "General List Error" without one.
    int Compare(int index1, int index2) override;

    // "General List Error" for an index outside the table.
    void Exchange(int i, int j) override;
    // An empty table of the same class that has this table's sort key (so
    // that sorted copies sort by it).
    std::unique_ptr<TGeneralList> GetCopyObject() const override;

    // ---- keys ---------------------------------------------------------------
    // Reads the key list again (GetKeyList, then AfterGetKeyList). Raises
    // "General List Error" for a key that does not fit the record or an
    // indexed key whose type has no comparison.
    void GetKeys();
    int GetKeyCount();
    TKeyInfo GetKeyInfo(int key);
    const TKeyList& GetKeyListObject();
    // The comparison of the key's type; "General List Error" for a type
    // without one.
    TItemsCompareProc GetCompareProc(int key);
    // Makes key the sort key ("General List Error" when it cannot compare).
    void SetSortIndex(int key);
    int32_t GetSortIndex() const { return SortIndex; }
    TKeyInfo GetSortKey() const { return SortKey; }
    int32_t GetCompareCount() const { return CompareCount; }
    int32_t GetFindIndex() const { return FindIndex; }

    // ---- searches -------------------------------------------------------------
    // value is the address of a value of the key's representation: a 32-bit
    // integer, a byte, a counted string (length byte and characters), a
    // float, a 64-bit currency or a double. Resets CompareCount.
    int FindKey(int key, const void* value);
    // The same with a tagged value (strings are cut to 255 characters).
    int FindKeyEx(int key, const TKeyValue& value);

    // Plain family: every key equal to its value. An empty key set matches
    // every record. FindFirst starts at record 0, FindNext after FindIndex.
    int FindFirst(const std::vector<int>& keys, const std::vector<TKeyValue>& values);
    int FindNext(const std::vector<int>& keys, const std::vector<TKeyValue>& values);
    // Conditional family: one condition per key.
    int FindFirstEx(const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                    const std::vector<TCompareKind>& conditions);
    int FindNextEx(const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                   const std::vector<TCompareKind>& conditions);
    // Listed families: the key indexes are the IDs of a TIDList.
    int FindFirstList(const TIDList& keys, const std::vector<TKeyValue>& values);
    int FindNextList(const TIDList& keys, const std::vector<TKeyValue>& values);
    int FindFirstListEx(const TIDList& keys, const std::vector<TKeyValue>& values,
                        const std::vector<TCompareKind>& conditions);
    int FindNextListEx(const TIDList& keys, const std::vector<TKeyValue>& values,
                       const std::vector<TCompareKind>& conditions);

    // values holds the search values, then the new values of updateKeys.
    void UpdateWhere(const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                     const std::vector<int>& updateKeys);
    void UpdateWhereList(const TIDList& keys, const std::vector<TKeyValue>& values, const TIDList& updateKeys);
    // For each i: SetItemValue(record index, updateKeys[i], values[firstValue + i]).
    void SetItemValues(int index, const std::vector<int>& updateKeys, int firstValue,
                       const std::vector<TKeyValue>& values);
    void SetItemValuesList(int index, const TIDList& updateKeys, int firstValue, const std::vector<TKeyValue>& values);
    // Writes value into the key's field of the record at rec. Strings longer
    // than the field are cut to it. "General List Error" for tkUnknown,
    // tkDateTime, unknown codes and values of a tag the type cannot take.
    void SetItemValue(void* rec, int key, const TKeyValue& value);

    // ---- comparisons (each adds one to CompareCount) --------------------------
    int CompareInteger(const void* p, int32_t offset, int32_t size, const void* a);
    int CompareBoolean(const void* p, int32_t offset, int32_t size, const void* a);
    int CompareString(const void* p, int32_t offset, int32_t size, const void* a);
    int ComparePString(const void* p, int32_t offset, int32_t size, const void* a);
    int CompareSingle(const void* p, int32_t offset, int32_t size, const void* a);
    int CompareCurrency(const void* p, int32_t offset, int32_t size, const void* a);
    int CompareDateTime(const void* p, int32_t offset, int32_t size, const void* a);

protected:
    // Value of a key in its record representation (see FindKey).
    struct TPreparedValue {
        alignas(8) uint8_t Buf[256];
    };

    // Reads the keys when that has not happened yet.
    void EnsureKeys();
    // The descriptor of key, checked against the key list and the record size.
    TKeyInfo CheckedKey(int key);
    // Converts a tagged value to the key's representation.
    const void* PrepareValue(const TKeyInfo& key, const TKeyValue& value, TPreparedValue& out) const;
    // A copy of a record's field in the key's representation (string length
    // clamped to the field).
    const void* PrepareFieldValue(const TKeyInfo& key, const void* rec, TPreparedValue& out) const;
    // Compares the key field of records a and b, without counting.
    int CompareRecords(const TKeyInfo& key, const void* a, const void* b) const;

    int InternalFind(int start, const std::vector<int>& keys, const std::vector<TKeyValue>& values);
    int InternalFindEx(int start, const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                       const std::vector<TCompareKind>& conditions);
    int InternalFindList(int start, const TIDList& keys, const std::vector<TKeyValue>& values);
    int InternalFindListEx(int start, const TIDList& keys, const std::vector<TKeyValue>& values,
                           const std::vector<TCompareKind>& conditions);

    // Deletes the collected record indexes (ascending, distinct); the base
    // deletes them from the highest down with the virtual Delete.
    virtual void DeleteCollected(const TPureIDList& indexes);
    // Called after SetItemValue wrote key's field of record index.
    virtual void FieldWritten(int index, int key);
    // Record index of an address inside the storage, or -1.
    int IndexOfAddress(const void* rec) const;
    // Gives a new copy of this table the same sort key.
    void InheritSortKey(TGeneralList* copy) const;

    mutable int32_t CompareCount = 0;
    int32_t FindIndex = -1;
    int32_t SortIndex = -1;
    TItemsCompareProc SortProc = nullptr;
    TKeyInfo SortKey{};
    std::unique_ptr<TKeyList> Keys;
    int32_t KeyCount = 0;

private:
    int Scan(int start, const std::vector<int>& keys, const std::vector<TKeyValue>& values,
             const std::vector<TCompareKind>* conditions);
    std::unique_ptr<TMultiKeyList> NewCopy() const;
    template <class Find>
    void CollectAndDelete(Find&& find);
    bool keysRead_ = false;
    bool readingKeys_ = false;
};

// Searches by walking the records from 0 upward.
class TPlainList : public TMultiKeyList {
public:
    using TMultiKeyList::TMultiKeyList;
    std::string ClassName() const override { return "TPlainList"; }
    int Search(int key, int32_t offset, int32_t size, const void* value, TItemsCompareProc proc) override;
};

// Key indexes of a TIDList as a vector.
std::vector<int> KeyIndexesOf(const TIDList& list);

}  // namespace velt
