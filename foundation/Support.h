#pragma once
// Containers of references: class and object lists, a list of owned record
// lists, a string list that renames duplicates, multicast events, maps from
// IDs to objects and classes, a tree of named nodes, a counted list of
// interfaces that answers queries for its members, and a list of GUIDs.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/ComPtr.h"
#include "foundation/GeneralList.h"
#include "foundation/IDList.h"

namespace velt {

// ---- class references --------------------------------------------------------

// What a class reference stands for: a name and the parent class. An
// object, so that string lists can carry it and records hold its handle.
struct TClassDesc : TObject {
    explicit TClassDesc(std::string name, const TClassDesc* parent = nullptr)
        : Name(std::move(name)), Parent(parent) {}
    std::string ClassName() const override { return "TClassDesc"; }
    std::string Name;
    const TClassDesc* Parent = nullptr;
    // True for this class and every class it descends from.
    bool InheritsFrom(const TClassDesc* cls) const {
        for (const TClassDesc* p = this; p; p = p->Parent)
            if (p == cls) return true;
        return false;
    }
};

// ---- methods ---------------------------------------------------------------

// A notification method: a thunk per handler and the object it runs on.
using TNotifyCode = void (*)(void* data, TObject* sender);
struct TMethod {
    TNotifyCode Code = nullptr;
    void* Data = nullptr;
    void operator()(TObject* sender) const {
        if (Code) Code(Data, sender);
    }
    explicit operator bool() const { return Code != nullptr; }
};
static_assert(sizeof(TMethod) == 16);

// The method obj->F(sender) as a TMethod; each F has its own thunk, so two
// methods are equal exactly when they run the same member on the same object.
template <auto F, class C>
TMethod MakeMethod(C* obj) {
    return TMethod{[](void* data, TObject* sender) { (static_cast<C*>(data)->*F)(sender); }, obj};
}

// Code and data equal.
inline bool MethodsEqual(const TMethod& a, const TMethod& b) { return a.Code == b.Code && a.Data == b.Data; }

// Raises EListError "List index out of bounds (N)".
[[noreturn]] void ListIndexError(int index);

// ---- class and object lists ------------------------------------------------

class TClassList : public TPersistent {
public:
    std::string ClassName() const override { return "TClassList"; }
    // Into a TClassList: its Clear, then every class in order.
    void AssignTo(TPersistent* dest) const override;
    virtual void Clear() { Items.clear(); }

    int GetCount() const { return int(Items.size()); }
    const TClassDesc* GetClasses(int index) const;
    int Add(const TClassDesc* cls);
    void Insert(int index, const TClassDesc* cls);
    void Delete(int index);
    int IndexOf(const TClassDesc* cls) const;
    bool Exists(const TClassDesc* cls) const { return IndexOf(cls) >= 0; }
    // Every class of other is here (true for an empty other).
    bool Contains(const TClassList& other) const;

private:
    std::vector<const TClassDesc*> Items;
};

// Objects, freed by Clear and destruction while OwnsObjects (true when made).
class TObjectList : public TPersistent {
public:
    TObjectList() = default;
    ~TObjectList() override;
    TObjectList(const TObjectList&) = delete;
    TObjectList& operator=(const TObjectList&) = delete;
    std::string ClassName() const override { return "TObjectList"; }
    // Into a TObjectList: Dest frees the objects it owns that this list does
    // not refer to, then refers to the same objects; it owns them only when
    // they all were its own and this list does not own them, so each is
    // freed once, also after assigning back and forth.
    void AssignTo(TPersistent* dest) const override;
    virtual void Clear();

    bool OwnsObjects = true;

    int GetCount() const { return int(Items.size()); }
    TObject* GetObjects(int index) const;
    // Replaces the reference (the old object is not freed).
    void SetObjects(int index, TObject* obj);
    int Add(TObject* obj);
    void Insert(int index, TObject* obj);
    int IndexOf(const TObject* obj) const;
    bool Exists(const TObject* obj) const { return IndexOf(obj) >= 0; }
    // Take the reference out and hand the object back, not freed: the
    // caller owns it from then on.
    TObject* Delete(int index);
    TObject* Remove(TObject* obj);

private:
    std::vector<TObject*> Items;
};

// Deepest nesting of lists of lists a load accepts, the outermost being 1.
inline constexpr int MaxListListDepth = 256;

// Owned record lists, one 4-byte record (an ObjectHandles handle) each.
class TListList : public TGeneralList {
public:
    TListList() : TGeneralList(4) {}
    ~TListList() override;
    std::string ClassName() const override { return "TListList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TListList>(); }

    // Appends a list, owned from then on.
    int AddOwnedList(std::unique_ptr<TGeneralList> list);
    TGeneralList* GetLists(int index) const;

    // N, then per list its class name (int32 length, short string) and its
    // own record stream. Loading checks N and every length against the
    // bytes left, refuses nesting deeper than MaxListListDepth (EReadError;
    // saving such lists raises EWriteError) and replaces the held lists
    // (freed) only once all are read.
    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;

    // A record's list is freed with it; a copied record gets a copy.
    void CopyRec(const void* source, void* dest) override;
    void DestroyRec(int index) override;
};

// Adds a string that IndexOf already finds as S_1, S_2, ..., the first free.
// The strings present and the next free number of each name are kept, so
// adding many equal names stays linear.
class TDupStringList : public TStringList {
public:
    std::string ClassName() const override { return "TDupStringList"; }
    int AddObject(const std::string& s, TObject* obj) override;

protected:
    bool AddKeepsText() const override { return false; }

private:
    uint64_t knownVersion_ = 0;
    std::unordered_set<std::string> present_;  // upper-cased
    std::unordered_map<std::string, int64_t> nextFree_;
};

// ---- events ----------------------------------------------------------------

#pragma pack(push, 1)
struct TMultiNotifyRec {
    TMethod Key;
    TMethod Handler;
};
struct TMultiIDNotifyRec {
    int32_t ID;
    int32_t Unused;
    TMethod Handler;
};
#pragma pack(pop)
static_assert(sizeof(TMultiNotifyRec) == 32);
static_assert(sizeof(TMultiIDNotifyRec) == 24);

// Handlers keyed by a method; records are never streamed (they hold addresses).
class TMultiNotifyEvent : public TGeneralList {
public:
    TMultiNotifyEvent() : TGeneralList(sizeof(TMultiNotifyRec)) {}
    std::string ClassName() const override { return "TMultiNotifyEvent"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TMultiNotifyEvent>(); }
    void AddHandler(const TMethod& key, const TMethod& handler);
    void RemoveHandler(const TMethod& key, const TMethod& handler);
    // Over a copy of the records, so handlers may add or remove handlers.
    void CallHandlers(TObject* sender, const TMethod& key);
};

class TMultiIDNotifyEvent : public TGeneralList {
public:
    TMultiIDNotifyEvent() : TGeneralList(sizeof(TMultiIDNotifyRec)) {}
    std::string ClassName() const override { return "TMultiIDNotifyEvent"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TMultiIDNotifyEvent>(); }
    void AddHandler(int32_t id, const TMethod& handler);
    void RemoveHandler(int32_t id, const TMethod& handler);
    // The handlers of id, each given this list as Sender.
    void CallHandlers(int32_t id, TObject* sender);
};

class TEventList : public TGeneralList {
public:
    TEventList() : TGeneralList(sizeof(TMethod)) {}
    std::string ClassName() const override { return "TEventList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TEventList>(); }
    void GetItems(int index, TMethod& m) const;
};

// ---- maps from IDs -----------------------------------------------------------

// Entry I pairs IDs record I with Objects item I; the objects are owned.
class TIDObjects : public TPersistent {
public:
    std::string ClassName() const override { return "TIDObjects"; }
    // Into a TIDObjects: the same IDs, and the references as the object
    // list assigns them (none this one refers to is freed).
    void AssignTo(TPersistent* dest) const override;

    void AddObject(int32_t id, TObject* obj);
    TObject* GetObjects(int32_t id) const;
    int IndexOf(int32_t id) const { return IDs.IndexOf(id); }
    bool Exists(int32_t id) const { return IndexOf(id) >= 0; }
    int GetCount() const { return IDs.GetCount(); }
    // The object of the first entry with id, taken out (not freed), or null.
    TObject* Delete(int32_t id);
    // Removes the entries of id holding obj; obj, or null when there was none.
    TObject* DeleteObject(int32_t id, TObject* obj);
    void Remove(TObject* obj);
    void DeleteAll(int32_t id, bool freeObjects);
    void Clear();

    const TPureIDList& GetIDs() const { return IDs; }
    const TObjectList& GetObjectList() const { return Objects; }

private:
    TPureIDList IDs;
    TObjectList Objects;
};

class TIDClasses : public TPersistent {
public:
    std::string ClassName() const override { return "TIDClasses"; }
    void AssignTo(TPersistent* dest) const override;

    void AddClass(int32_t id, const TClassDesc* cls);
    const TClassDesc* GetClasses(int32_t id) const;
    int IndexOf(int32_t id) const { return IDs.IndexOf(id); }
    bool Exists(int32_t id) const { return IndexOf(id) >= 0; }
    int GetCount() const { return IDs.GetCount(); }
    const TClassDesc* Delete(int32_t id);
    void Clear();

private:
    TPureIDList IDs;
    TClassList Classes;
};

// ---- named node tree ----------------------------------------------------------

class TObjectNode : public TPersistent {
public:
    std::string ClassName() const override { return "TObjectNode"; }
    // Dest's Assign with this node; a Dest whose Assign comes back here
    // gets the assignment error instead of an endless loop.
    void AssignTo(TPersistent* dest) const override;

    int32_t ID = 0;
    std::string Name;

    int GetCount() const { return Nodes.GetCount(); }
    // EInvalidCast when the child is not a node.
    TObjectNode* GetNodes(int index) const;
    TObjectNode* GetNodeByID(int32_t id) const;
    int IndexOf(int32_t id) const;
    bool Exists(int32_t id) const { return IndexOf(id) >= 0; }
    // Exact (case-sensitive) name.
    TObjectNode* GetNodeByName(const std::string& name) const;
    // GetNodeByID for each ID of path in turn; this node for an empty path.
    TObjectNode* FindNode(const TIDList& path);
    void Add(std::unique_ptr<TObjectNode> node);
    // Take the child out, not freed: the caller owns it.
    std::unique_ptr<TObjectNode> Delete(int index);
    std::unique_ptr<TObjectNode> Remove(TObjectNode* node);
    void Clear() { Nodes.Clear(); }

private:
    TObjectList Nodes;
    mutable bool assigning_ = false;
};

// ---- interface list -----------------------------------------------------------

class IIntfList;

// {3845B370-9E12-11D0-8FB5-F8C59B9C076B}
inline constexpr Guid IID_IIntfList{0x3845B370, 0x9E12, 0x11D0, {0x8F, 0xB5, 0xF8, 0xC5, 0x9B, 0x9C, 0x07, 0x6B}};

class IIntfList : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IIntfList;
    virtual void Assign(IIntfList* source) = 0;
    virtual int GetCount() const = 0;
    virtual ComPtr<IUnknown> GetItems(int index) const = 0;
    virtual void SetItems(int index, IUnknown* item) = 0;
    // A new list of the objects that answer iid for the members, each as
    // its IUnknown holding the query's reference.
    virtual void QueryInterfaces(const Guid& iid, ComPtr<IIntfList>& list) = 0;
    virtual void Clear() = 0;
    virtual int Add(IUnknown* item) = 0;
    virtual void Insert(int index, IUnknown* item) = 0;
    virtual int IndexOf(const IUnknown* item) const = 0;
    virtual bool Exists(const IUnknown* item) const = 0;
    virtual void Remove(IUnknown* item) = 0;
    virtual void Delete(int index) = 0;
    virtual void Exchange(int i, int j) = 0;
};

// Holds one reference per item (null items allowed); freed when the last
// interface reference goes. Queries for other interfaces go to the members.
class TIntfList : public TPersistent, public virtual IIntfList {
public:
    static ComPtr<TIntfList> Create();
    std::string ClassName() const override { return "TIntfList"; }
    using TPersistent::Assign;

    void Assign(IIntfList* source) override;
    int GetCount() const override { return int(Items.size()); }
    ComPtr<IUnknown> GetItems(int index) const override;
    void SetItems(int index, IUnknown* item) override;
    void QueryInterfaces(const Guid& iid, ComPtr<IIntfList>& list) override;
    void Clear() override { Items.clear(); }
    int Add(IUnknown* item) override;
    void Insert(int index, IUnknown* item) override;
    int IndexOf(const IUnknown* item) const override;
    bool Exists(const IUnknown* item) const override { return IndexOf(item) >= 0; }
    void Remove(IUnknown* item) override;
    void Delete(int index) override;
    void Exchange(int i, int j) override;

    // IUnknown and IIntfList for itself; any other IID from the first
    // member that answers it. A query that comes back while the members are
    // asked (a list holding itself) answers E_NOINTERFACE.
    HResult QueryInterface(const Guid& iid, void** obj) override;
    int32_t _AddRef() override { return ++RefCount; }
    int32_t _Release() override;
    int32_t GetRefCount() const { return RefCount; }

protected:
    TIntfList() = default;
    ~TIntfList() override = default;
    void CheckIndex(int index) const;

private:
    std::vector<ComPtr<IUnknown>> Items;
    int32_t RefCount = 0;
    bool querying_ = false;
};

// ---- GUID list --------------------------------------------------------------

// {395EDE58-DCC7-11D0-B02A-0000B46A6442}
inline constexpr Guid IID_IGUIDList{0x395EDE58, 0xDCC7, 0x11D0, {0xB0, 0x2A, 0x00, 0x00, 0xB4, 0x6A, 0x64, 0x42}};

class IGUIDList : public virtual IGeneralList {
public:
    static constexpr Guid IID = IID_IGUIDList;
    virtual const Guid* GetItems(int index) const = 0;
    virtual int IndexOf(const Guid& g) const = 0;
};

class TGUIDList : public TGeneralList, public virtual IGUIDList {
public:
    TGUIDList() : TGeneralList(sizeof(Guid)) {}
    std::string ClassName() const override { return "TGUIDList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TGUIDList>(); }
    // EListError for an index outside the list.
    const Guid* GetItems(int index) const override;
    int IndexOf(const Guid& g) const override;
    HResult QueryInterface(const Guid& iid, void** obj) override;
};

}  // namespace velt
