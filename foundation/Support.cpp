#include "foundation/Support.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "foundation/MultiKeyList.h"
#include "foundation/Utils.h"

namespace velt {

namespace {

struct RegisterSupportLists {
    RegisterSupportLists() {
        RegisterClass("TListList", [] { return new TListList(); });
        RegisterClass("TGUIDList", [] { return new TGUIDList(); });
    }
} registerSupportLists;

}  // namespace

void ListIndexError(int index) { throw EListError("List index out of bounds (" + IntToStr(index) + ")"); }

// ---- TClassList ---------------------------------------------------------------

void TClassList::AssignTo(TPersistent* dest) const {
    if (auto* d = dynamic_cast<TClassList*>(dest)) {
        if (d == this) return;
        d->Clear();
        for (const TClassDesc* c : Items) d->Add(c);
        return;
    }
    TPersistent::AssignTo(dest);
}

const TClassDesc* TClassList::GetClasses(int index) const {
    if (index < 0 || index >= GetCount()) ListIndexError(index);
    return Items[size_t(index)];
}

int TClassList::Add(const TClassDesc* cls) {
    Items.push_back(cls);
    return GetCount() - 1;
}

void TClassList::Insert(int index, const TClassDesc* cls) {
    if (index < 0 || index > GetCount()) ListIndexError(index);
    Items.insert(Items.begin() + index, cls);
}

void TClassList::Delete(int index) {
    if (index < 0 || index >= GetCount()) ListIndexError(index);
    Items.erase(Items.begin() + index);
}

int TClassList::IndexOf(const TClassDesc* cls) const {
    auto it = std::find(Items.begin(), Items.end(), cls);
    return it == Items.end() ? -1 : int(it - Items.begin());
}

bool TClassList::Contains(const TClassList& other) const {
    for (const TClassDesc* c : other.Items)
        if (!Exists(c)) return false;
    return true;
}

// ---- TObjectList ---------------------------------------------------------------

TObjectList::~TObjectList() { TObjectList::Clear(); }

void TObjectList::AssignTo(TPersistent* dest) const {
    if (auto* d = dynamic_cast<TObjectList*>(dest)) {
        if (d == this) return;
        // Dest frees only what this list does not refer to, so assigning
        // back and forth never frees a shared object. Dest keeps owning when
        // every object it takes was its own and this list does not own them.
        bool keepsOwning = d->OwnsObjects && !OwnsObjects;
        for (TObject* o : Items)
            if (!d->Exists(o)) keepsOwning = false;
        std::vector<TObject*> old;
        old.swap(d->Items);
        d->Items = Items;
        if (d->OwnsObjects) {
            std::sort(old.begin(), old.end());
            old.erase(std::unique(old.begin(), old.end()), old.end());
            for (TObject* o : old)
                if (!Exists(o)) delete o;
        }
        d->OwnsObjects = keepsOwning;
        return;
    }
    TPersistent::AssignTo(dest);
}

void TObjectList::Clear() {
    std::vector<TObject*> items;
    items.swap(Items);
    if (OwnsObjects)
        for (TObject* o : items) delete o;
}

TObject* TObjectList::GetObjects(int index) const {
    if (index < 0 || index >= GetCount()) ListIndexError(index);
    return Items[size_t(index)];
}

void TObjectList::SetObjects(int index, TObject* obj) {
    if (index < 0 || index >= GetCount()) ListIndexError(index);
    Items[size_t(index)] = obj;
}

int TObjectList::Add(TObject* obj) {
    Items.push_back(obj);
    return GetCount() - 1;
}

void TObjectList::Insert(int index, TObject* obj) {
    if (index < 0 || index > GetCount()) ListIndexError(index);
    Items.insert(Items.begin() + index, obj);
}

int TObjectList::IndexOf(const TObject* obj) const {
    auto it = std::find(Items.begin(), Items.end(), obj);
    return it == Items.end() ? -1 : int(it - Items.begin());
}

TObject* TObjectList::Delete(int index) {
    if (index < 0 || index >= GetCount()) ListIndexError(index);
    TObject* o = Items[size_t(index)];
    Items.erase(Items.begin() + index);
    return o;
}

TObject* TObjectList::Remove(TObject* obj) {
    int i = IndexOf(obj);
    if (i >= 0) Items.erase(Items.begin() + i);
    return obj;
}

// ---- TListList ------------------------------------------------------------------

namespace {
uint32_t HandleAt(const TGeneralList& l, int index) {
    uint32_t h;
    std::memcpy(&h, l.GetItem(index), 4);
    return h;
}
void FreeHandle(uint32_t h) {
    if (h == 0) return;
    TObject* o = ObjectHandles::Lookup(h);
    ObjectHandles::Unregister(h);
    delete o;
}
}  // namespace

TListList::~TListList() { Clear(); }

int TListList::AddOwnedList(std::unique_ptr<TGeneralList> list) {
    CheckRoom(1);
    uint32_t h = ObjectHandles::Register(list.get());
    list.release();
    // Stored raw: Add would run CopyRec and copy the list.
    AppendZeroed(1);
    std::memcpy(GetItem(Count - 1), &h, 4);
    return Count - 1;
}

TGeneralList* TListList::GetLists(int index) const {
    if (index < 0 || index >= Count) ListIndexError(index);
    return dynamic_cast<TGeneralList*>(ObjectHandles::Lookup(HandleAt(*this, index)));
}

void TListList::CopyRec(const void* source, void* dest) {
    uint32_t h;
    std::memcpy(&h, source, 4);
    uint32_t copy = 0;
    if (auto* l = dynamic_cast<TGeneralList*>(ObjectHandles::Lookup(h))) copy = ObjectHandles::Register(l->Clone().release());
    std::memcpy(dest, &copy, 4);
}

void TListList::DestroyRec(int index) {
    uint32_t h = HandleAt(*this, index);
    std::memset(GetItem(index), 0, 4);
    FreeHandle(h);
}

namespace {
// Lists of lists being loaded or saved, the outermost counted as 1; what
// a load refuses is not saved either.
thread_local int listListDepth = 0;
template <class E>
struct TListListDepth {
    TListListDepth() {
        if (++listListDepth > MaxListListDepth) {
            --listListDepth;
            throw E("Lists of lists nested deeper than " + IntToStr(MaxListListDepth) + " levels");
        }
    }
    ~TListListDepth() { --listListDepth; }
    TListListDepth(const TListListDepth&) = delete;
    TListListDepth& operator=(const TListListDepth&) = delete;
};
}  // namespace

void TListList::SaveToStream(TStream& stream) {
    TListListDepth<EWriteError> depth;
    WriteInteger(stream, Count);
    for (int i = 0; i < Count; ++i) {
        TGeneralList* l = GetLists(i);
        if (!l) throw EWriteError("List " + IntToStr(i) + " of the list of lists is gone");
        std::string name = l->ClassName();
        WriteInteger(stream, int32_t(name.size()));
        WriteShortString(stream, name);
        l->SaveToStream(stream);
    }
}


void TListList::LoadFromStream(TStream& stream) {
    TListListDepth<EReadError> depth;
    int32_t n = ReadInteger(stream);
    // Each entry takes at least its name length, a length byte and a
    // record stream's count and size.
    if (n < 0 || n > stream.Remaining() / 13) throw EReadError("Invalid list count in list data");
    std::vector<std::unique_ptr<TGeneralList>> lists;
    lists.reserve(size_t(n));
    for (int32_t i = 0; i < n; ++i) {
        int32_t len = ReadInteger(stream);
        if (len < 0 || len > 255) throw EReadError("Invalid class name length in list data");
        std::string name = ReadShortString(stream);
        if (int32_t(name.size()) != len) throw EReadError("Class name length does not match in list data");
        std::unique_ptr<TGeneralList> l = CreateGeneralList(name);
        l->LoadFromStream(stream);
        lists.push_back(std::move(l));
    }
    Clear();
    for (auto& l : lists) AddOwnedList(std::move(l));
}

// ---- TDupStringList ---------------------------------------------------------------

int TDupStringList::AddObject(const std::string& s, TObject* obj) {
    // What is known about the strings holds while the list is changed only
    // here; any other change starts it again.
    if (Version() != knownVersion_) {
        present_.clear();
        nextFree_.clear();
        for (const std::string& t : Strings()) present_.insert(UpperCase(t));
    }
    std::string key = UpperCase(s);
    std::string added = s;
    if (present_.count(key)) {
        // Every number below next-free is taken.
        int64_t& n = nextFree_[key];
        if (n == 0) n = 1;
        for (;; ++n) {
            std::string candidate = s + "_" + IntToStr(n);
            if (!present_.count(UpperCase(candidate))) {
                added = std::move(candidate);
                ++n;
                break;
            }
        }
    }
    int index = TStringList::AddObject(added, obj);
    present_.insert(UpperCase(added));
    knownVersion_ = Version();
    return index;
}

// ---- events ----------------------------------------------------------------------

namespace {
template <class Rec>
std::vector<Rec> Records(const TGeneralList& l) {
    std::vector<Rec> r(size_t(l.GetCount()));
    if (!r.empty()) std::memcpy(r.data(), l.GetFirst(), r.size() * sizeof(Rec));
    return r;
}
}  // namespace

void TMultiNotifyEvent::AddHandler(const TMethod& key, const TMethod& handler) {
    TMultiNotifyRec r{key, handler};
    Add(&r);
}

void TMultiNotifyEvent::RemoveHandler(const TMethod& key, const TMethod& handler) {
    for (int i = 0; i < Count; ++i) {
        TMultiNotifyRec r;
        std::memcpy(&r, GetItem(i), sizeof r);
        if (MethodsEqual(r.Key, key) && MethodsEqual(r.Handler, handler)) {
            DeleteByPtr(GetItem(i));
            return;
        }
    }
}

void TMultiNotifyEvent::CallHandlers(TObject* sender, const TMethod& key) {
    for (const TMultiNotifyRec& r : Records<TMultiNotifyRec>(*this))
        if (MethodsEqual(r.Key, key)) r.Handler(sender);
}

void TMultiIDNotifyEvent::AddHandler(int32_t id, const TMethod& handler) {
    TMultiIDNotifyRec r{id, 0, handler};
    Add(&r);
}

void TMultiIDNotifyEvent::RemoveHandler(int32_t id, const TMethod& handler) {
    for (int i = 0; i < Count; ++i) {
        TMultiIDNotifyRec r;
        std::memcpy(&r, GetItem(i), sizeof r);
        if (r.ID == id && MethodsEqual(r.Handler, handler)) {
            DeleteByPtr(GetItem(i));
            return;
        }
    }
}

void TMultiIDNotifyEvent::CallHandlers(int32_t id, TObject* /*sender*/) {
    for (const TMultiIDNotifyRec& r : Records<TMultiIDNotifyRec>(*this))
        if (r.ID == id) r.Handler(this);
}

void TEventList::GetItems(int index, TMethod& m) const {
    if (index < 0 || index >= Count) ListIndexError(index);
    std::memcpy(&m, GetItem(index), sizeof m);
}

// ---- TIDObjects ---------------------------------------------------------------------

void TIDObjects::AssignTo(TPersistent* dest) const {
    if (auto* d = dynamic_cast<TIDObjects*>(dest)) {
        if (d == this) return;
        // The objects go through the object list's assignment, which frees
        // none that this one refers to.
        d->IDs.Assign(&IDs);
        Objects.AssignTo(&d->Objects);
        return;
    }
    TPersistent::AssignTo(dest);
}

void TIDObjects::AddObject(int32_t id, TObject* obj) {
    IDs.AddID(id);
    Objects.Add(obj);
}

TObject* TIDObjects::GetObjects(int32_t id) const {
    int i = IndexOf(id);
    return i < 0 ? nullptr : Objects.GetObjects(i);
}

TObject* TIDObjects::Delete(int32_t id) {
    int i = IndexOf(id);
    if (i < 0) return nullptr;
    IDs.Delete(i);
    return Objects.Delete(i);
}

TObject* TIDObjects::DeleteObject(int32_t id, TObject* obj) {
    bool found = false;
    for (int i = GetCount() - 1; i >= 0; --i)
        if (IDs.GetID(i) == id && Objects.GetObjects(i) == obj) {
            IDs.Delete(i);
            Objects.Delete(i);
            found = true;
        }
    return found ? obj : nullptr;
}

void TIDObjects::Remove(TObject* obj) {
    int i = Objects.IndexOf(obj);
    if (i < 0) return;
    IDs.Delete(i);
    Objects.Delete(i);
}

void TIDObjects::DeleteAll(int32_t id, bool freeObjects) {
    while (IndexOf(id) >= 0) {
        std::unique_ptr<TObject> o(Delete(id));
        if (!freeObjects || !Objects.OwnsObjects) o.release();
    }
}

void TIDObjects::Clear() {
    IDs.Clear();
    Objects.Clear();
}

// ---- TIDClasses -----------------------------------------------------------------------

void TIDClasses::AssignTo(TPersistent* dest) const {
    if (auto* d = dynamic_cast<TIDClasses*>(dest)) {
        if (d == this) return;
        d->Clear();
        d->IDs.Assign(&IDs);
        Classes.AssignTo(&d->Classes);
        return;
    }
    TPersistent::AssignTo(dest);
}

void TIDClasses::AddClass(int32_t id, const TClassDesc* cls) {
    IDs.AddID(id);
    Classes.Add(cls);
}

const TClassDesc* TIDClasses::GetClasses(int32_t id) const {
    int i = IndexOf(id);
    return i < 0 ? nullptr : Classes.GetClasses(i);
}

const TClassDesc* TIDClasses::Delete(int32_t id) {
    int i = IndexOf(id);
    if (i < 0) return nullptr;
    const TClassDesc* c = Classes.GetClasses(i);
    IDs.Delete(i);
    Classes.Delete(i);
    return c;
}

void TIDClasses::Clear() {
    IDs.Clear();
    Classes.Clear();
}

// ---- TObjectNode -------------------------------------------------------------------------

void TObjectNode::AssignTo(TPersistent* dest) const {
    if (assigning_ || dest == nullptr) {
        TPersistent::AssignTo(dest);
        return;
    }
    assigning_ = true;
    try {
        dest->Assign(this);
    } catch (...) {
        assigning_ = false;
        throw;
    }
    assigning_ = false;
}

TObjectNode* TObjectNode::GetNodes(int index) const {
    TObject* o = Nodes.GetObjects(index);
    auto* n = dynamic_cast<TObjectNode*>(o);
    if (!n) throw EInvalidCast("Invalid class typecast");
    return n;
}

TObjectNode* TObjectNode::GetNodeByID(int32_t id) const {
    int i = IndexOf(id);
    return i < 0 ? nullptr : GetNodes(i);
}

int TObjectNode::IndexOf(int32_t id) const {
    for (int i = 0; i < GetCount(); ++i)
        if (auto* n = dynamic_cast<TObjectNode*>(Nodes.GetObjects(i)); n && n->ID == id) return i;
    return -1;
}

TObjectNode* TObjectNode::GetNodeByName(const std::string& name) const {
    for (int i = 0; i < GetCount(); ++i)
        if (auto* n = dynamic_cast<TObjectNode*>(Nodes.GetObjects(i)); n && n->Name == name) return n;
    return nullptr;
}

TObjectNode* TObjectNode::FindNode(const TIDList& path) {
    TObjectNode* n = this;
    for (int i = 0; n && i < path.GetCount(); ++i) n = n->GetNodeByID(path.GetID(i));
    return n;
}

void TObjectNode::Add(std::unique_ptr<TObjectNode> node) {
    if (!node) return;
    Nodes.Add(node.get());
    node.release();
}

std::unique_ptr<TObjectNode> TObjectNode::Delete(int index) {
    GetNodes(index);
    return std::unique_ptr<TObjectNode>(static_cast<TObjectNode*>(Nodes.Delete(index)));
}

std::unique_ptr<TObjectNode> TObjectNode::Remove(TObjectNode* node) {
    int i = Nodes.IndexOf(node);
    if (i < 0) return nullptr;
    return Delete(i);
}

// ---- TIntfList ---------------------------------------------------------------------------

ComPtr<TIntfList> TIntfList::Create() { return ComPtr<TIntfList>(new TIntfList()); }

void TIntfList::CheckIndex(int index) const {
    if (index < 0 || index >= GetCount()) ListIndexError(index);
}

void TIntfList::Assign(IIntfList* source) {
    if (source == nullptr || source == static_cast<IIntfList*>(this)) {
        if (!source) Clear();
        return;
    }
    ComPtr<IIntfList> keep(source);
    Clear();
    for (int i = 0; i < source->GetCount(); ++i) Add(source->GetItems(i).get());
}

ComPtr<IUnknown> TIntfList::GetItems(int index) const {
    CheckIndex(index);
    return Items[size_t(index)];
}

void TIntfList::SetItems(int index, IUnknown* item) {
    CheckIndex(index);
    Items[size_t(index)] = ComPtr<IUnknown>(item);
}

void TIntfList::QueryInterfaces(const Guid& iid, ComPtr<IIntfList>& list) {
    ComPtr<TIntfList> r = Create();
    std::vector<ComPtr<IUnknown>> items = Items;  // a member may change the list
    for (const ComPtr<IUnknown>& item : items) {
        // The object that answered holds the query's own reference.
        if (ComPtr<IUnknown> a = QueryAnswerer(item.get(), iid)) r->Items.push_back(std::move(a));
    }
    list = ComPtr<IIntfList>(r.get());
}

int TIntfList::Add(IUnknown* item) {
    Items.emplace_back(item);
    return GetCount() - 1;
}

void TIntfList::Insert(int index, IUnknown* item) {
    if (index < 0 || index > GetCount()) ListIndexError(index);
    Items.insert(Items.begin() + index, ComPtr<IUnknown>(item));
}

int TIntfList::IndexOf(const IUnknown* item) const {
    for (size_t i = 0; i < Items.size(); ++i)
        if (Items[i].get() == item) return int(i);
    return -1;
}

void TIntfList::Remove(IUnknown* item) {
    int i = IndexOf(item);
    if (i >= 0) Delete(i);
}

void TIntfList::Delete(int index) {
    CheckIndex(index);
    ComPtr<IUnknown> old = std::move(Items[size_t(index)]);
    Items.erase(Items.begin() + index);
}

void TIntfList::Exchange(int i, int j) {
    CheckIndex(i);
    CheckIndex(j);
    std::swap(Items[size_t(i)], Items[size_t(j)]);
}

HResult TIntfList::QueryInterface(const Guid& iid, void** obj) {
    if (QueryFor<IUnknown, IIntfList>(this, iid, obj) == S_OK) return S_OK;
    if (iid == IID_IUnknown || iid == IID_IIntfList || querying_) return E_NOINTERFACE;
    // A list that holds itself, directly or through another list, is asked
    // again while it asks: that query finds nothing.
    querying_ = true;
    struct TDone {
        bool& flag;
        ~TDone() { flag = false; }
    } done{querying_};
    std::vector<ComPtr<IUnknown>> items = Items;  // a member may change the list
    for (const ComPtr<IUnknown>& item : items)
        if (item && item->QueryInterface(iid, obj) == S_OK) return S_OK;
    *obj = nullptr;
    return E_NOINTERFACE;
}

int32_t TIntfList::_Release() {
    int32_t r = --RefCount;
    if (r == 0) {
        RefCount = int32_t(1) << 30;
        delete this;
    }
    return r;
}

// ---- TGUIDList ------------------------------------------------------------------------------

const Guid* TGUIDList::GetItems(int index) const {
    if (index < 0 || index >= Count) ListIndexError(index);
    return static_cast<const Guid*>(GetItem(index));
}

int TGUIDList::IndexOf(const Guid& g) const {
    for (int i = 0; i < Count; ++i)
        if (IsEqualGUID(*static_cast<const Guid*>(GetItem(i)), g)) return i;
    return -1;
}

HResult TGUIDList::QueryInterface(const Guid& iid, void** obj) {
    if (QueryFor<IGUIDList>(this, iid, obj) == S_OK) return S_OK;
    return TGeneralList::QueryInterface(iid, obj);
}

}  // namespace velt
