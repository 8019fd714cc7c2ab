#pragma once
// TGeneralList: fixed-size records kept back to back in one memory block.
//
// Records are raw bytes at fixed sizes and offsets: read and write their
// fields with memcpy (see the packed, static_assert'ed record structs of the
// subclasses). A record never holds a C++ object; a pointer slot in a record
// that is streamed holds a 32-bit handle, never a raw pointer. Record
// addresses stay valid only until the next operation that adds or removes
// records.
//
// A subclass passes its record size to the constructor and overrides
// ClassName (its system name), NewInstance (its virtual constructor, used by
// GetCopyObject, Clone and the set operations) and what else it needs
// (Compare, GetCanSort, the streaming hooks). To be read back by class name
// it registers itself with RegisterClass under that name. C++ destructors do
// not dispatch virtually: a subclass that overrides DestroyRec must call
// Clear() in its own destructor.
//
// Held by interface (ComPtr<IGeneralList>), a list frees itself when the last
// reference goes; a list that is owned directly must not be handed out so.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/ComPtr.h"

namespace velt {

class TGeneralList;

// {395EDE59-DCC7-11D0-B02A-0000B46A6442}
inline constexpr Guid IID_IGeneralList{0x395EDE59, 0xDCC7, 0x11D0, {0xB0, 0x2A, 0x00, 0x00, 0xB4, 0x6A, 0x64, 0x42}};

class IGeneralList : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IGeneralList;
    virtual void* GetItem(int index) = 0;
    virtual int GetIndexByPtr(const void* p) const = 0;
    virtual int GetCount() const = 0;
    virtual void Clear() = 0;
    virtual int Add(const void* rec) = 0;
    virtual void SetItem(int index, const void* rec) = 0;
    virtual void Insert(int index, const void* rec) = 0;
    virtual void Delete(int index) = 0;
    virtual void DeleteLast() = 0;
    virtual void DeleteByPtr(const void* p) = 0;
    virtual void Next(void*& p) const = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    virtual void LoadFromStream(TStream& stream) = 0;
};

// Managed-field kinds of DefineField. Records are raw bytes, so the base list
// keeps the descriptors only; a subclass whose records hold references
// overrides CopyRec and DestroyRec.
enum : int32_t { fkString = 1, fkInterface = 2 };

class TGeneralList : public TPersistent, public virtual IGeneralList {
public:
    // Kreate: the real constructor. Raises "General List Error" for a
    // negative size.
    explicit TGeneralList(int32_t itemSize = 0);
    ~TGeneralList() override;
    TGeneralList(const TGeneralList&) = delete;
    TGeneralList& operator=(const TGeneralList&) = delete;

    std::string ClassName() const override { return "TGeneralList"; }

    // ---- virtual operations ------------------------------------------------
    // Into another record list: Dest->SetList(this). Other destinations are
    // ignored without error.
    void AssignTo(TPersistent* dest) const override;
    // Binary property "DataGeneralList" holding the record stream.
    void DefineProperties(TFiler* filer) override;
    // The virtual constructor: a new, empty list of the object's own class.
    // Subclasses with a fixed record size return it with that size.
    virtual std::unique_ptr<TGeneralList> NewInstance() const;
    // NewInstance with this list's record size.
    virtual std::unique_ptr<TGeneralList> GetCopyObject() const;
    virtual void ReadData(TStream& stream);
    virtual void WriteData(TStream& stream);
    virtual void* GetItemsWithOffset(int index, int offset);
    // Index of the record holding address p (truncating); no range check.
    int GetIndexByPtr(const void* p) const override;
    virtual bool GetCanSort() const { return false; }
    // Reference hooks for managed fields; nothing to do for raw records.
    virtual void CopyRec(const void* source, void* dest);
    virtual void DestroyRec(int index);
    // Raises Exception "General List Error".
    [[noreturn]] virtual void Error() const;
    void Clear() override;
    int Add(const void* rec) override;
    // Index >= Count appends through Add.
    void Insert(int index, const void* rec) override;
    // Appends source's records; a source of another record size has each
    // record cut or zero-padded to this list's size.
    virtual void AddList(const TGeneralList* source);
    // Raises "General List Error" for an index outside the list.
    void Delete(int index) override;
    void DeleteByPtr(const void* p) override;
    virtual int AddEmpty();
    // Ordering of two records; the base raises EAbstractError "Abstract Error".
    virtual int Compare(int index1, int index2);
    // Changes the record size keeping the records (cut, or zero-padded).
    virtual void AdjustItemSize(int delta);
    // Count and record size as raw 4-byte integers, then WriteRecordData for
    // each record.
    virtual void SaveToWriter(TWriter& writer);
    // Clear, then one zero-filled record per stored record, each filled by
    // ReadRecordData. A count that CheckStoredCount refuses raises EReadError
    // and leaves the list empty.
    virtual void LoadFromReader(TReader& reader);
    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;
    virtual void WriteRecordData(TWriter& writer, int index);
    virtual void ReadRecordData(TReader& reader, int index);
    // The fewest bytes ReadRecordData reads for one record; the base hooks
    // stream nothing.
    virtual int32_t GetRecordDataSize() const { return 0; }
    // One-line description for debugging.
    virtual void ___(std::string& s) const;

    // ---- plain operations -------------------------------------------------
    int GetCount() const override { return Count; }
    int32_t GetItemSize() const { return ItemSize; }
    int32_t GetStep() const { return Step; }
    void SetStep(int32_t step) { Step = step; }
    // Address of record index; no range check.
    void* GetItem(int index) override { return Data.Memory() + int64_t(index) * ItemSize; }
    const void* GetItem(int index) const { return Data.Memory() + int64_t(index) * ItemSize; }
    // Overwrites record index with a copy of rec (which may lie in this list).
    void SetItem(int index, const void* rec) override;
    void* GetFirst() { return Data.Memory(); }
    const void* GetFirst() const { return Data.Memory(); }
    void SetFirst(void*& p) { p = GetFirst(); }
    void Next(void*& p) const override { p = static_cast<char*>(p) + ItemSize; }
    TGeneralList* Append(const void* rec) {
        Add(rec);
        return this;
    }
    void DeleteLast() override { Delete(Count - 1); }
    // Clear, then AddList(source). Safe with source == this.
    void SetList(const TGeneralList* source);
    // A copy of the same class and records; the caller owns it.
    std::unique_ptr<TGeneralList> Clone() const;

    // Mutators that move or add records behind the subclass's back: virtual,
    // so that a list keeping data about its records (the tree lists'
    // indexes) sees every call, also through a TGeneralList pointer.
    virtual void Exchange(int i, int j);
    // Address of record index, appending zero-filled records up to it.
    // Raises "General List Error" for a negative index or one the count
    // cannot reach.
    virtual void* GetItemAutoAdd(int index);
    // A Clone, sorted with QuickSort when GetCanSort says so.
    virtual std::unique_ptr<TGeneralList> GetSortedList() const;
    // QuickSort over the whole list.
    virtual void Sort();
    virtual void QuickSort(int l, int r);

    void InitRec(const void* source, void* dest) { CopyRec(source, dest); }
    // Records a managed field: kind * 65536 + (offset & 0xFFFF).
    void DefineField(int offset, int32_t kind);
    const std::vector<uint32_t>* GetFields() const { return Fields.get(); }
    // The whole storage: Count * ItemSize bytes.
    const TMemoryStream& GetData() const { return Data; }

    // ---- IUnknown ------------------------------------------------------------
    HResult QueryInterface(const Guid& iid, void** obj) override;
    int32_t _AddRef() override { return ++RefCount; }
    int32_t _Release() override;

    // Largest record size a record stream may declare.
    static constexpr int32_t MaxStreamItemSize = 1 << 24;
    // Most storage a load may allocate beyond the bytes the stream carries
    // (records stored shorter than they are held, or with no data at all).
    static constexpr int64_t MaxUnbackedBytes = int64_t(1) << 26;

protected:
    // Raises EReadError unless count records, each reading at least
    // perRecord of the remaining bytes, are there and fit MaxUnbackedBytes.
    void CheckStoredCount(int32_t count, int64_t remaining, int64_t perRecord) const;
    // "General List Error" when more records would take Count past its range.
    void CheckRoom(int64_t more) const;
    // Appends n zero-filled records as raw storage, without Add.
    void AppendZeroed(int n);
    // Sets the record size of a list that holds no records.
    void SetItemSizeEmpty(int32_t itemSize);

    TMemoryStream Data;
    int32_t ItemSize;
    int32_t Step = 1;
    int32_t RefCount = 0;
    std::unique_ptr<std::vector<uint32_t>> Fields;
    int32_t Count = 0;

private:
    void QuickSortRange(int l, int r, int depth);
    void HeapSortRange(int l, int r);
    void SiftDown(int l, int root, int end);
};

// Name-keyed creation of registered record-list classes: the factory of a
// class registered with RegisterClass, checked to make a record list.
// EClassNotFound for an unknown name or a class that is not a record list.
std::unique_ptr<TGeneralList> CreateGeneralList(const std::string& className);

// p as a T; owner's list error when it is of another class.
template <class T, class U>
std::unique_ptr<T> ListAs(std::unique_ptr<U> p, const TGeneralList& owner) {
    T* t = dynamic_cast<T*>(p.get());
    if (!t) owner.Error();
    p.release();
    return std::unique_ptr<T>(t);
}

}  // namespace velt
