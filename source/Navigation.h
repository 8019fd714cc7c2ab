#pragma once
// Navigation records of the source commands: one hyperjump place
// (TLinkInfo), the 16-place undo/redo ring (THyperJumpStack), the remembered
// place of each method visited (THyperJumpList), and the component lists the
// unit model fills with the classes, types and routines of a unit
// (TUnitComponentList) or the members of a class (TClassComponentList).
//
// The lists are record lists. Their names, texts and file names are kept
// whole in memory: a record holds 32-bit handles into a string pool owned by
// the list, never a C++ object. The fixed field limits (64 for names, 255
// for texts, 80 for file names) apply only to the record stream
// (SaveToStream / LoadFromStream), which uses counted strings at those sizes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/GeneralList.h"

namespace velt {

// Limits of the counted-string fields in the record streams.
inline constexpr int kNameLimit = 64;
inline constexpr int kTextLimit = 255;
inline constexpr int kFileNameLimit = 80;

// One hyperjump place. TopLine and CursorLine are relative to the anchor line
// (the method's implementation header or the class header).
struct TLinkInfo {
    std::string MethodName;  // empty for a class place
    std::string ClassName;   // empty for a unit-level routine
    int32_t TopLine = 0;
    int32_t TopCol = 0;
    int32_t CursorLine = 0;
    int32_t CursorCol = 0;
    std::string FileName;
};

// The places left by jumps: a ring of 16; the newest has the lowest index and
// a full stack drops its oldest place on Push.
class THyperJumpStack : public TObject {
public:
    static constexpr int Capacity = 16;
    std::string ClassName() const override { return "THyperJumpStack"; }

    void Push(const TLinkInfo& place);
    // Copies the top place out and removes it; an empty stack leaves place
    // unchanged and answers false.
    bool Pop(TLinkInfo& place);
    void Drop();
    bool Empty() const { return Top >= Capacity; }
    int Depth() const { return Capacity - Top; }
    // Place i from the top (0 is the next Pop); ERangeError unless
    // 0 <= i < Depth().
    const TLinkInfo& At(int i) const;

private:
    std::array<TLinkInfo, Capacity> Items{};
    int Top = Capacity;
};

// A record list whose string fields are handles into a pool the list owns.
// Every stored copy of a record owns its strings (CopyRec duplicates them,
// DestroyRec releases them), so Clone, Assign, Sort and Exchange work as for
// plain records. Subclasses give the offsets of their string fields and the
// counted-string layout of their record stream.
class TPooledRecordList : public TGeneralList {
public:
    ~TPooledRecordList() override;
    std::string ClassName() const override { return "TPooledRecordList"; }

    void CopyRec(const void* source, void* dest) override;
    void DestroyRec(int index) override;
    void Clear() override;
    void AddList(const TGeneralList* source) override;
    // Count, the stored record size, then each record in its stored layout.
    void SaveToStream(TStream& stream) override;
    // Reads that form; checks the count and record size against what the
    // stream holds (EReadError) and adds every record through the subclass.
    void LoadFromStream(TStream& stream) override;

protected:
    TPooledRecordList(int32_t itemSize, std::vector<int> stringOffsets);

    // The string of handle field `offset` of a record.
    const std::string& FieldString(const void* rec, int offset) const;
    // Handle for a new copy of s (0 for the empty string).
    uint32_t PutString(std::string_view s);
    // Sets a handle field of a record under construction (not yet stored).
    void SetField(void* rec, int offset, std::string_view s);
    // Releases the handles of a record buffer that was never stored.
    void ReleaseBuffer(void* rec);
    // Stores a record buffer built with SetField as a new record / over
    // record index, then releases the buffer's handles.
    int AddBuffer(void* rec);
    void PutBuffer(int index, void* rec);
    // Index of the first record whose byte at kindOffset is kind and whose
    // string at nameOffset is exactly name, else -1.
    int FindKindAndName(int kindOffset, uint8_t kind, int nameOffset, std::string_view name) const;

    // Stored layout of one record (the record stream).
    virtual int32_t StoredSize() const = 0;
    virtual void StoreRecord(int index, char* out) const = 0;
    virtual void LoadRecord(const char* in) = 0;

private:
    const std::string& GetString(uint32_t h) const;
    void FreeString(uint32_t h);
    std::vector<int> offsets_;
    std::vector<std::string> pool_;  // handle h is pool_[h - 1]
    std::vector<uint32_t> free_;
    bool foreignCopy_ = false;
};

// The remembered place of every method visited, in insertion order.
class THyperJumpList : public TPooledRecordList {
public:
    THyperJumpList();
    ~THyperJumpList() override;
    std::string ClassName() const override { return "THyperJumpList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override;

    // Overwrites the entry of the same method and class name (exact,
    // case-sensitive), else appends. Answers the entry's index.
    int Add(const TLinkInfo& place);
    using TGeneralList::Add;
    TLinkInfo Items(int index) const;

protected:
    int32_t StoredSize() const override;
    void StoreRecord(int index, char* out) const override;
    void LoadRecord(const char* in) override;
};

// A list of unit or class components, sorted by kind first, that counts the
// records added per kind 0..Kinds-1.
template <int Kinds>
class TComponentList : public TPooledRecordList {
public:
    int Counter(int kind) const { return kind >= 0 && kind < Kinds ? Counters[size_t(kind)] : 0; }
    bool GetCanSort() const override { return true; }
    void Clear() override {
        TPooledRecordList::Clear();
        Counters.fill(0);
    }

    std::array<int, Kinds> Counters{};

protected:
    using TPooledRecordList::TPooledRecordList;
    void CountKind(uint8_t kind) {
        if (kind < Kinds) ++Counters[kind];
    }
};

// A member of a class: kind 1 field, 2 property, 3 method, 0 taken out;
// scope 0 private, 1 protected, 2 public, 3 published.
struct TClassComponent {
    uint8_t Scope = 0;
    std::string Name;
    std::string Text;  // the trimmed declaration line
    uint8_t Kind = 0;
};

class TClassComponentList : public TComponentList<4> {
public:
    TClassComponentList();
    ~TClassComponentList() override;
    std::string ClassName() const override { return "TClassComponentList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override;

    // The text is trimmed; the kind is counted (kinds 0 to 3).
    int AddClassComponent(uint8_t kind, uint8_t scope, std::string_view name, std::string_view text);
    // Index of the first record with exactly that name and kind, else -1.
    int FindClassComponentByName(uint8_t kind, std::string_view name) const;
    TClassComponent GetClassComponent(int index) const;
    void SetClassComponent(int index, const TClassComponent& c);
    // Sets the kind of record index (0 takes the member out).
    void SetKind(int index, uint8_t kind);

    // Kind, then scope, then name ignoring ASCII case.
    int Compare(int index1, int index2) override;

protected:
    int32_t StoredSize() const override;
    void StoreRecord(int index, char* out) const override;
    void LoadRecord(const char* in) override;
};

// A component of a unit: kind 1 interface, 2 class, 3 object, 4 type,
// 5 constant, 6 routine.
struct TUnitComponent {
    std::string Name;
    std::string Text;
    uint8_t Kind = 0;
};

class TUnitComponentList : public TComponentList<7> {
public:
    TUnitComponentList();
    ~TUnitComponentList() override;
    std::string ClassName() const override { return "TUnitComponentList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override;

    int AddUnitComponent(uint8_t kind, std::string_view name, std::string_view text);
    int FindUnitComponentByName(uint8_t kind, std::string_view name) const;
    TUnitComponent GetUnitComponent(int index) const;
    void SetUnitComponent(int index, const TUnitComponent& c);

    // Kind, then name ignoring ASCII case.
    int Compare(int index1, int index2) override;

protected:
    int32_t StoredSize() const override;
    void StoreRecord(int index, char* out) const override;
    void LoadRecord(const char* in) override;
};

// "pi", "pt", "pu", "pb" for scopes 0..3; any other scope leaves s unchanged.
void ScopeToStr(int scope, std::string& s);

}  // namespace velt
