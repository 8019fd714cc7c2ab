#include "foundation/MultiKeyList.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "foundation/SysExcpt.h"
#include "foundation/Utils.h"

namespace velt {

// ---- object handles ------------------------------------------------------------

namespace ObjectHandles {
namespace {

struct Entry {
    TObject* Obj;
    std::weak_ptr<void> Alive;
};

struct Table {
    std::mutex M;
    std::unordered_map<uint32_t, Entry> ByHandle;
    std::unordered_map<TObject*, uint32_t> ByObject;
    uint32_t Next = 1;
};

Table& table() {
    static Table* t = new Table();  // lives until exit, also for static destructors
    return *t;
}

void forget(Table& t, uint32_t h) {
    auto it = t.ByHandle.find(h);
    if (it == t.ByHandle.end()) return;
    auto r = t.ByObject.find(it->second.Obj);
    if (r != t.ByObject.end() && r->second == h) t.ByObject.erase(r);
    t.ByHandle.erase(it);
}

}  // namespace

uint32_t Register(TObject* obj) {
    if (!obj) return 0;
    std::weak_ptr<void> alive = obj->AliveToken();
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.M);
    auto r = t.ByObject.find(obj);
    if (r != t.ByObject.end()) {
        auto h = t.ByHandle.find(r->second);
        // The same address may belong to a newer object than the one registered.
        if (h != t.ByHandle.end() && !h->second.Alive.expired() && !h->second.Alive.owner_before(alive) &&
            !alive.owner_before(h->second.Alive))
            return r->second;
        forget(t, r->second);
    }
    while (t.Next == 0 || t.ByHandle.count(t.Next)) ++t.Next;
    uint32_t h = t.Next++;
    t.ByHandle.emplace(h, Entry{obj, alive});
    t.ByObject[obj] = h;
    return h;
}

TObject* Lookup(uint32_t handle) {
    if (handle == 0) return nullptr;
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.M);
    auto it = t.ByHandle.find(handle);
    if (it == t.ByHandle.end()) return nullptr;
    if (it->second.Alive.expired()) {
        forget(t, handle);
        return nullptr;
    }
    return it->second.Obj;
}

void Unregister(uint32_t handle) {
    if (handle == 0) return;
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.M);
    forget(t, handle);
}

}  // namespace ObjectHandles

// ---- key descriptors -------------------------------------------------------------

void RaiseListError(const TGeneralList* list) {
    list->Error();
    throw Exception("General List Error");  // an override of Error that returned
}

int32_t KeyKindWidth(TKeyKind kind, int32_t declaredSize) {
    switch (kind) {
        case tkBoolean:
            return 1;
        case tkInteger:
        case tkTreeList:
        case tkPointer:
        case tkParent:
        case tkSingle:
        case tkObject:
            return 4;
        case tkCurrency:
        case tkDateTime:
            return 8;
        case tkString:
        case tkPString:
        case tkBinary:
            return std::max(declaredSize, 0);
        default:
            return 0;
    }
}

TKeyInfo TKeyList::GetKeyInfo(int index) const {
    if (index < 0 || index >= Count) RaiseListError(this);
    TKeyInfo k;
    std::memcpy(&k, GetItem(index), sizeof k);
    return k;
}

int TKeyList::AddKey(TKeyKind key, int32_t offset, int32_t size, bool index) {
    TKeyInfo k;
    k.Key = key;
    k.Offset = offset;
    k.Size = size;
    k.Index = index ? 1 : 0;
    return Add(&k);
}

std::vector<int> KeyIndexesOf(const TIDList& list) {
    std::vector<int> keys(size_t(list.GetCount()));
    for (int i = 0; i < list.GetCount(); ++i) keys[size_t(i)] = list.GetID(i);
    return keys;
}

// ---- comparisons -------------------------------------------------------------------

namespace {

template <class T>
int Order(T f, T a) {
    return f < a ? -1 : (f > a ? 1 : 0);
}

// Floats in a total order (NaN above every number), so sorting stays sound.
template <class T>
int OrderFloat(T f, T a) {
    if (std::isnan(f)) return std::isnan(a) ? 0 : 1;
    if (std::isnan(a)) return -1;
    return Order(f, a);
}

template <class T>
T Load(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Characters a counted-string field of size bytes can hold.
int CountedCapacity(int32_t size) { return std::clamp(size - 1, 0, 255); }

int CompareCounted(const uint8_t* f, int flen, const uint8_t* a, int alen) {
    int c = std::memcmp(f, a, size_t(std::min(flen, alen)));
    if (c != 0) return c < 0 ? -1 : 1;
    return Order(flen, alen);
}

// The field of the given kind at f against the value at a, uncounted.
int CompareField(TKeyKind kind, const uint8_t* f, int32_t size, const void* a) {
    switch (kind) {
        case tkInteger:
        case tkParent:
            return Order(Load<int32_t>(f), Load<int32_t>(a));
        case tkBoolean:
            return Order(f[0], *static_cast<const uint8_t*>(a));
        case tkString:
        case tkPString: {
            const auto* s = static_cast<const uint8_t*>(a);
            return CompareCounted(f + 1, std::min<int>(f[0], CountedCapacity(size)), s + 1, s[0]);
        }
        case tkSingle:
            return OrderFloat(Load<float>(f), Load<float>(a));
        case tkCurrency:
            return Order(Load<int64_t>(f), Load<int64_t>(a));
        case tkDateTime:
            return OrderFloat(Load<double>(f), Load<double>(a));
        default:
            return 0;
    }
}

bool Holds(TCompareKind c, int r) {
    switch (c) {
        case ckEqu:
            return r == 0;
        case ckNeq:
            return r != 0;
        case ckLess:
            return r < 0;
        case ckGreat:
            return r > 0;
        case ckLessEqu:
            return r <= 0;
        case ckGreatEqu:
            return r >= 0;
    }
    return false;
}

// One counted comparison of the field at offset in p against a.
int Counted(int32_t& count, TKeyKind kind, const void* p, int32_t offset, int32_t size, const void* a) {
    ++count;
    return CompareField(kind, static_cast<const uint8_t*>(p) + offset, size, a);
}

}  // namespace

bool KeyKindHasComparison(TKeyKind kind) {
    switch (kind) {
        case tkInteger:
        case tkParent:
        case tkBoolean:
        case tkString:
        case tkPString:
        case tkSingle:
        case tkCurrency:
        case tkDateTime:
            return true;
        default:
            return false;
    }
}

int TMultiKeyList::CompareInteger(const void* p, int32_t offset, int32_t size, const void* a) {
    return Counted(CompareCount, tkInteger, p, offset, size, a);
}
int TMultiKeyList::CompareBoolean(const void* p, int32_t offset, int32_t size, const void* a) {
    return Counted(CompareCount, tkBoolean, p, offset, size, a);
}
int TMultiKeyList::CompareString(const void* p, int32_t offset, int32_t size, const void* a) {
    return Counted(CompareCount, tkString, p, offset, size, a);
}
int TMultiKeyList::ComparePString(const void* p, int32_t offset, int32_t size, const void* a) {
    return Counted(CompareCount, tkPString, p, offset, size, a);
}
int TMultiKeyList::CompareSingle(const void* p, int32_t offset, int32_t size, const void* a) {
    return Counted(CompareCount, tkSingle, p, offset, size, a);
}
int TMultiKeyList::CompareCurrency(const void* p, int32_t offset, int32_t size, const void* a) {
    return Counted(CompareCount, tkCurrency, p, offset, size, a);
}
int TMultiKeyList::CompareDateTime(const void* p, int32_t offset, int32_t size, const void* a) {
    return Counted(CompareCount, tkDateTime, p, offset, size, a);
}

// ---- the table -------------------------------------------------------------------------

TMultiKeyList::TMultiKeyList(int32_t itemSize) : TGeneralList(itemSize), Keys(std::make_unique<TKeyList>()) {}

TMultiKeyList::~TMultiKeyList() = default;

std::unique_ptr<TGeneralList> TMultiKeyList::NewInstance() const {
    ErrAbstract(ClassName(), "Create");
}

void TMultiKeyList::GetKeyList(const TAddKeyProc& /*addKey*/) { throw EAbstractError("Abstract Error"); }

int TMultiKeyList::Search(int, int32_t, int32_t, const void*, TItemsCompareProc) {
    throw EAbstractError("Abstract Error");
}

void TMultiKeyList::GetKeys() {
    if (readingKeys_) RaiseListError(this);  // GetKeyList reached back into the keys
    readingKeys_ = true;
    auto keys = std::make_unique<TKeyList>();
    try {
        GetKeyList([&keys](TKeyKind key, int32_t offset, int32_t size, bool index) {
            keys->AddKey(key, offset, size, index);
            return true;
        });
    } catch (...) {
        readingKeys_ = false;
        throw;
    }
    readingKeys_ = false;
    for (int i = 0; i < keys->GetCount(); ++i) {
        TKeyInfo k = keys->GetKeyInfo(i);
        const int64_t end = int64_t(k.Offset) + KeyKindWidth(k.Key, k.Size);
        // A counted string needs at least its length byte.
        const bool sized = (k.Key != tkString && k.Key != tkPString) || k.Size >= 1;
        if (k.Offset < 0 || k.Size < 0 || !sized || end > ItemSize) RaiseListError(this);
        if (k.Index && !KeyKindHasComparison(k.Key)) RaiseListError(this);
    }
    Keys = std::move(keys);
    KeyCount = Keys->GetCount();
    keysRead_ = true;
    if (SortIndex >= KeyCount) {
        SortIndex = -1;
        SortProc = nullptr;
        SortKey = TKeyInfo{};
    } else if (SortIndex >= 0) {
        SortKey = Keys->GetKeyInfo(SortIndex);
        if (!KeyKindHasComparison(SortKey.Key)) {
            SortIndex = -1;
            SortProc = nullptr;
        } else {
            SortProc = GetCompareProc(SortIndex);
        }
    }
    AfterGetKeyList();
}

void TMultiKeyList::EnsureKeys() {
    if (!keysRead_) GetKeys();
}

int TMultiKeyList::GetKeyCount() {
    EnsureKeys();
    return KeyCount;
}

TKeyInfo TMultiKeyList::GetKeyInfo(int key) { return CheckedKey(key); }

const TKeyList& TMultiKeyList::GetKeyListObject() {
    EnsureKeys();
    return *Keys;
}

TKeyInfo TMultiKeyList::CheckedKey(int key) {
    EnsureKeys();
    if (key < 0 || key >= KeyCount) RaiseListError(this);
    const TKeyInfo k = Keys->GetKeyInfo(key);
    // The record size may have changed since the keys were read.
    if (int64_t(k.Offset) + KeyKindWidth(k.Key, k.Size) > ItemSize) RaiseListError(this);
    return k;
}

TItemsCompareProc TMultiKeyList::GetCompareProc(int key) {
    switch (CheckedKey(key).Key) {
        case tkInteger:
        case tkParent:
            return &TMultiKeyList::CompareInteger;
        case tkBoolean:
            return &TMultiKeyList::CompareBoolean;
        case tkString:
            return &TMultiKeyList::CompareString;
        case tkPString:
            return &TMultiKeyList::ComparePString;
        case tkSingle:
            return &TMultiKeyList::CompareSingle;
        case tkCurrency:
            return &TMultiKeyList::CompareCurrency;
        case tkDateTime:
            return &TMultiKeyList::CompareDateTime;
        default:
            RaiseListError(this);
    }
}

void TMultiKeyList::SetSortIndex(int key) {
    TItemsCompareProc proc = GetCompareProc(key);
    SortKey = CheckedKey(key);
    SortIndex = key;
    SortProc = proc;
}

int TMultiKeyList::Add(const void* rec) { return TGeneralList::Add(rec); }

int TMultiKeyList::Compare(int index1, int index2) {
    if (SortIndex == -1 || !SortProc) RaiseListError(this);
    const TKeyInfo k = CheckedKey(SortIndex);
    TPreparedValue v;
    const void* a = PrepareFieldValue(k, GetItem(index2), v);
    return (this->*SortProc)(GetItem(index1), k.Offset, k.Size, a);
}

void TMultiKeyList::Exchange(int i, int j) {
    if (i < 0 || j < 0 || i >= Count || j >= Count) RaiseListError(this);
    TGeneralList::Exchange(i, j);
}

std::unique_ptr<TGeneralList> TMultiKeyList::GetCopyObject() const {
    std::unique_ptr<TGeneralList> copy = TGeneralList::GetCopyObject();
    InheritSortKey(copy.get());
    return copy;
}

void TMultiKeyList::InheritSortKey(TGeneralList* copy) const {
    auto* table = dynamic_cast<TMultiKeyList*>(copy);
    if (table && SortIndex != -1) table->SetSortIndex(SortIndex);
}

// ---- values ---------------------------------------------------------------------------

const void* TMultiKeyList::PrepareValue(const TKeyInfo& key, const TKeyValue& value, TPreparedValue& out) const {
    uint8_t* b = out.Buf;
    switch (key.Key) {
        case tkInteger:
        case tkParent: {
            int32_t i;
            if (value.Tag == TKeyValue::vtInteger) i = value.VInteger;
            else if (value.Tag == TKeyValue::vtBoolean) i = value.VBoolean ? 1 : 0;
            else RaiseListError(this);
            std::memcpy(b, &i, 4);
            return b;
        }
        case tkBoolean:
            if (value.Tag == TKeyValue::vtBoolean) b[0] = value.VBoolean ? 1 : 0;
            else if (value.Tag == TKeyValue::vtInteger) b[0] = uint8_t(value.VInteger);
            else RaiseListError(this);
            return b;
        case tkString:
        case tkPString:
            if (value.Tag != TKeyValue::vtAnsiString && value.Tag != TKeyValue::vtString) RaiseListError(this);
            SetCountedString(b, 255, value.VString);
            return b;
        case tkSingle: {
            float f;
            if (value.Tag == TKeyValue::vtExtended) f = float(value.VExtended);
            else if (value.Tag == TKeyValue::vtInteger) f = float(value.VInteger);
            else if (value.Tag == TKeyValue::vtCurrency) f = float(Currency::FromUnits(value.VCurrency).ToFloat());
            else RaiseListError(this);
            std::memcpy(b, &f, 4);
            return b;
        }
        case tkCurrency: {
            int64_t c;
            if (value.Tag == TKeyValue::vtCurrency) c = value.VCurrency;
            else if (value.Tag == TKeyValue::vtInteger) c = Currency::FromInt(value.VInteger).Units;
            else if (value.Tag == TKeyValue::vtExtended) c = Currency::FromFloat(value.VExtended).Units;
            else RaiseListError(this);
            std::memcpy(b, &c, 8);
            return b;
        }
        case tkDateTime: {
            double d;
            if (value.Tag == TKeyValue::vtExtended) d = double(value.VExtended);
            else if (value.Tag == TKeyValue::vtInteger) d = value.VInteger;
            else RaiseListError(this);
            std::memcpy(b, &d, 8);
            return b;
        }
        default:
            RaiseListError(this);
    }
}

const void* TMultiKeyList::PrepareFieldValue(const TKeyInfo& key, const void* rec, TPreparedValue& out) const {
    const uint8_t* f = static_cast<const uint8_t*>(rec) + key.Offset;
    if (key.Key == tkString || key.Key == tkPString) {
        const int n = std::min<int>(f[0], CountedCapacity(key.Size));
        out.Buf[0] = uint8_t(n);
        std::memcpy(out.Buf + 1, f + 1, size_t(n));
    } else {
        const int32_t w = std::min<int32_t>(KeyKindWidth(key.Key, key.Size), int32_t(sizeof out.Buf));
        if (w > 0) std::memcpy(out.Buf, f, size_t(w));
    }
    return out.Buf;
}

int TMultiKeyList::CompareRecords(const TKeyInfo& key, const void* a, const void* b) const {
    TPreparedValue v;
    const void* value = PrepareFieldValue(key, b, v);
    return CompareField(key.Key, static_cast<const uint8_t*>(a) + key.Offset, key.Size, value);
}

int TMultiKeyList::IndexOfAddress(const void* rec) const {
    if (Count == 0 || ItemSize <= 0) return -1;
    const auto base = reinterpret_cast<uintptr_t>(GetFirst());
    const auto p = reinterpret_cast<uintptr_t>(rec);
    if (p < base || p - base >= uintptr_t(int64_t(Count) * ItemSize)) return -1;
    return int((p - base) / uintptr_t(ItemSize));
}

// ---- searches ---------------------------------------------------------------------------

int TMultiKeyList::FindKey(int key, const void* value) {
    CompareCount = 0;
    const TKeyInfo k = CheckedKey(key);
    TItemsCompareProc proc = GetCompareProc(key);
    return Search(key, k.Offset, k.Size, value, proc);
}

int TMultiKeyList::FindKeyEx(int key, const TKeyValue& value) {
    const TKeyInfo k = CheckedKey(key);
    TPreparedValue v;
    return FindKey(key, PrepareValue(k, value, v));
}

int TMultiKeyList::Scan(int start, const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                        const std::vector<TCompareKind>* conditions) {
    if (values.size() < keys.size()) RaiseListError(this);
    if (conditions && conditions->size() < keys.size()) RaiseListError(this);
    const size_t n = keys.size();
    std::vector<TKeyInfo> infos(n);
    std::vector<TItemsCompareProc> procs(n);
    std::vector<TPreparedValue> prepared(n);
    std::vector<const void*> args(n);
    for (size_t i = 0; i < n; ++i) {
        infos[i] = CheckedKey(keys[i]);
        procs[i] = GetCompareProc(keys[i]);
        args[i] = PrepareValue(infos[i], values[i], prepared[i]);
        if (conditions && (*conditions)[i] > ckGreatEqu) RaiseListError(this);
    }
    for (int r = std::max(start, 0); r < Count; ++r) {
        const void* rec = GetItem(r);
        bool ok = true;
        for (size_t i = 0; i < n && ok; ++i) {
            const int res = (this->*procs[i])(rec, infos[i].Offset, infos[i].Size, args[i]);
            ok = conditions ? Holds((*conditions)[i], res) : res == 0;
        }
        if (ok) return r;
    }
    return -1;
}

int TMultiKeyList::InternalFind(int start, const std::vector<int>& keys, const std::vector<TKeyValue>& values) {
    return Scan(start, keys, values, nullptr);
}

int TMultiKeyList::InternalFindEx(int start, const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                                  const std::vector<TCompareKind>& conditions) {
    return Scan(start, keys, values, &conditions);
}

int TMultiKeyList::InternalFindList(int start, const TIDList& keys, const std::vector<TKeyValue>& values) {
    return Scan(start, KeyIndexesOf(keys), values, nullptr);
}

int TMultiKeyList::InternalFindListEx(int start, const TIDList& keys, const std::vector<TKeyValue>& values,
                                      const std::vector<TCompareKind>& conditions) {
    return Scan(start, KeyIndexesOf(keys), values, &conditions);
}

int TMultiKeyList::FindFirst(const std::vector<int>& keys, const std::vector<TKeyValue>& values) {
    return FindIndex = InternalFind(0, keys, values);
}

int TMultiKeyList::FindNext(const std::vector<int>& keys, const std::vector<TKeyValue>& values) {
    return FindIndex = InternalFind(FindIndex + 1, keys, values);
}

int TMultiKeyList::FindFirstEx(const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                               const std::vector<TCompareKind>& conditions) {
    return FindIndex = InternalFindEx(0, keys, values, conditions);
}

int TMultiKeyList::FindNextEx(const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                              const std::vector<TCompareKind>& conditions) {
    return FindIndex = InternalFindEx(FindIndex + 1, keys, values, conditions);
}

int TMultiKeyList::FindFirstList(const TIDList& keys, const std::vector<TKeyValue>& values) {
    return FindIndex = InternalFindList(0, keys, values);
}

int TMultiKeyList::FindNextList(const TIDList& keys, const std::vector<TKeyValue>& values) {
    return FindIndex = InternalFindList(FindIndex + 1, keys, values);
}

int TMultiKeyList::FindFirstListEx(const TIDList& keys, const std::vector<TKeyValue>& values,
                                   const std::vector<TCompareKind>& conditions) {
    return FindIndex = InternalFindListEx(0, keys, values, conditions);
}

int TMultiKeyList::FindNextListEx(const TIDList& keys, const std::vector<TKeyValue>& values,
                                  const std::vector<TCompareKind>& conditions) {
    return FindIndex = InternalFindListEx(FindIndex + 1, keys, values, conditions);
}

// ---- copy, delete, update ---------------------------------------------------------------

std::unique_ptr<TMultiKeyList> TMultiKeyList::NewCopy() const {
    return ListAs<TMultiKeyList>(GetCopyObject(), *this);
}

std::unique_ptr<TMultiKeyList> TMultiKeyList::CopyWhere(const std::vector<int>& keys,
                                                        const std::vector<TKeyValue>& values) {
    auto copy = NewCopy();
    for (int i = FindFirst(keys, values); i != -1; i = FindNext(keys, values)) copy->Add(GetItem(i));
    return copy;
}

std::unique_ptr<TMultiKeyList> TMultiKeyList::CopyWhereEx(const std::vector<int>& keys,
                                                          const std::vector<TKeyValue>& values,
                                                          const std::vector<TCompareKind>& conditions) {
    auto copy = NewCopy();
    for (int i = FindFirstEx(keys, values, conditions); i != -1; i = FindNextEx(keys, values, conditions))
        copy->Add(GetItem(i));
    return copy;
}

std::unique_ptr<TMultiKeyList> TMultiKeyList::CopyWhereList(const TIDList& keys, const std::vector<TKeyValue>& values) {
    auto copy = NewCopy();
    for (int i = FindFirstList(keys, values); i != -1; i = FindNextList(keys, values)) copy->Add(GetItem(i));
    return copy;
}

std::unique_ptr<TMultiKeyList> TMultiKeyList::CopyWhereListEx(const TIDList& keys, const std::vector<TKeyValue>& values,
                                                              const std::vector<TCompareKind>& conditions) {
    auto copy = NewCopy();
    for (int i = FindFirstListEx(keys, values, conditions); i != -1; i = FindNextListEx(keys, values, conditions))
        copy->Add(GetItem(i));
    return copy;
}

template <class Find>
void TMultiKeyList::CollectAndDelete(Find&& find) {
    TPureIDList found;
    for (int i = find(true); i != -1; i = find(false)) found.AddID(i);
    DeleteCollected(found);
}

void TMultiKeyList::DeleteCollected(const TPureIDList& indexes) {
    for (int i = indexes.GetCount() - 1; i >= 0; --i) Delete(indexes.GetID(i));
}

void TMultiKeyList::DeleteWhere(const std::vector<int>& keys, const std::vector<TKeyValue>& values) {
    CollectAndDelete([&](bool first) { return first ? FindFirst(keys, values) : FindNext(keys, values); });
}

void TMultiKeyList::DeleteWhereEx(const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                                  const std::vector<TCompareKind>& conditions) {
    CollectAndDelete([&](bool first) {
        return first ? FindFirstEx(keys, values, conditions) : FindNextEx(keys, values, conditions);
    });
}

void TMultiKeyList::DeleteWhereList(const TIDList& keys, const std::vector<TKeyValue>& values) {
    CollectAndDelete([&](bool first) { return first ? FindFirstList(keys, values) : FindNextList(keys, values); });
}

void TMultiKeyList::UpdateWhere(const std::vector<int>& keys, const std::vector<TKeyValue>& values,
                                const std::vector<int>& updateKeys) {
    if (values.size() != keys.size() + updateKeys.size()) RaiseListError(this);
    const std::vector<TKeyValue> search(values.begin(), values.begin() + std::ptrdiff_t(keys.size()));
    for (int i = FindFirst(keys, search); i != -1; i = FindNext(keys, search))
        SetItemValues(i, updateKeys, int(keys.size()), values);
}

void TMultiKeyList::UpdateWhereList(const TIDList& keys, const std::vector<TKeyValue>& values,
                                    const TIDList& updateKeys) {
    const std::vector<int> k = KeyIndexesOf(keys);
    const std::vector<int> u = KeyIndexesOf(updateKeys);
    if (values.size() != k.size() + u.size()) RaiseListError(this);
    const std::vector<TKeyValue> search(values.begin(), values.begin() + std::ptrdiff_t(k.size()));
    for (int i = FindFirstList(keys, search); i != -1; i = FindNextList(keys, search))
        SetItemValues(i, u, int(k.size()), values);
}

void TMultiKeyList::SetItemValues(int index, const std::vector<int>& updateKeys, int firstValue,
                                  const std::vector<TKeyValue>& values) {
    if (index < 0 || index >= Count || firstValue < 0) RaiseListError(this);
    if (size_t(firstValue) + updateKeys.size() > values.size()) RaiseListError(this);
    for (size_t i = 0; i < updateKeys.size(); ++i)
        SetItemValue(GetItem(index), updateKeys[i], values[size_t(firstValue) + i]);
}

void TMultiKeyList::SetItemValuesList(int index, const TIDList& updateKeys, int firstValue,
                                      const std::vector<TKeyValue>& values) {
    SetItemValues(index, KeyIndexesOf(updateKeys), firstValue, values);
}

void TMultiKeyList::SetItemValue(void* rec, int key, const TKeyValue& value) {
    const TKeyInfo k = CheckedKey(key);
    uint8_t* f = static_cast<uint8_t*>(rec) + k.Offset;
    switch (k.Key) {
        case tkInteger:
        case tkTreeList:
        case tkPointer:
        case tkParent:
        case tkObject: {
            int32_t v;
            if (value.Tag == TKeyValue::vtInteger) v = value.VInteger;
            else if (value.Tag == TKeyValue::vtBoolean) v = value.VBoolean ? 1 : 0;
            else if (value.Tag == TKeyValue::vtObject && (k.Key == tkObject || k.Key == tkTreeList || k.Key == tkPointer))
                v = int32_t(ObjectHandles::Register(value.VObject));
            else if (value.Tag == TKeyValue::vtPointer && value.VPointer == nullptr) v = 0;
            else RaiseListError(this);  // a 64-bit address does not fit the field
            std::memcpy(f, &v, 4);
            break;
        }
        case tkBoolean:
            if (value.Tag == TKeyValue::vtBoolean) f[0] = value.VBoolean ? 1 : 0;
            else if (value.Tag == TKeyValue::vtInteger) f[0] = uint8_t(value.VInteger);
            else RaiseListError(this);
            break;
        case tkString:
        case tkPString:
            if (value.Tag != TKeyValue::vtAnsiString && value.Tag != TKeyValue::vtString) RaiseListError(this);
            SetCountedString(f, CountedCapacity(k.Size), value.VString);
            break;
        case tkBinary:
            if (value.Tag != TKeyValue::vtPointer || !value.VPointer) RaiseListError(this);
            if (k.Size > 0) std::memmove(f, value.VPointer, size_t(k.Size));
            break;
        case tkSingle: {
            float v;
            if (value.Tag == TKeyValue::vtExtended) v = float(value.VExtended);
            else if (value.Tag == TKeyValue::vtInteger) v = float(value.VInteger);
            else if (value.Tag == TKeyValue::vtCurrency) v = float(Currency::FromUnits(value.VCurrency).ToFloat());
            else RaiseListError(this);
            std::memcpy(f, &v, 4);
            break;
        }
        case tkCurrency: {
            int64_t v;
            if (value.Tag == TKeyValue::vtCurrency) v = value.VCurrency;
            else if (value.Tag == TKeyValue::vtInteger) v = Currency::FromInt(value.VInteger).Units;
            else if (value.Tag == TKeyValue::vtExtended) v = Currency::FromFloat(value.VExtended).Units;
            else RaiseListError(this);
            std::memcpy(f, &v, 8);
            break;
        }
        default:  // tkUnknown, tkDateTime, unknown codes
            RaiseListError(this);
    }
    const int index = IndexOfAddress(rec);
    if (index >= 0) FieldWritten(index, key);
}

void TMultiKeyList::FieldWritten(int /*index*/, int /*key*/) {}

// ---- plain list ----------------------------------------------------------------------------

int TPlainList::Search(int /*key*/, int32_t offset, int32_t size, const void* value, TItemsCompareProc proc) {
    for (int r = 0; r < Count; ++r)
        if ((this->*proc)(GetItem(r), offset, size, value) == 0) return r;
    return -1;
}

}  // namespace velt
