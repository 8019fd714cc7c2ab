#include "foundation/Navigator.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>

#include "foundation/SysExcpt.h"
#include "foundation/Utils.h"

namespace velt {

namespace {

template <class T>
T Load(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T>
void Store(void* p, const T& v) {
    std::memcpy(p, &v, sizeof v);
}

constexpr size_t kSlot = offsetof(TDBFieldInfo, Navigator);

uint32_t SlotOf(const void* rec) { return Load<uint32_t>(static_cast<const char*>(rec) + kSlot); }
void SetSlot(void* rec, uint32_t h) { Store(static_cast<char*>(rec) + kSlot, h); }
TKeyKind KindOf(const void* rec) { return Load<TKeyKind>(rec); }

TDBInfoNavigator* LiveNested(uint32_t handle) {
    return dynamic_cast<TDBInfoNavigator*>(ObjectHandles::Lookup(handle));
}

void FreeNested(uint32_t handle) {
    TDBInfoNavigator* nested = LiveNested(handle);
    ObjectHandles::Unregister(handle);
    delete nested;
}

[[noreturn]] void BadField(const std::string& what) { throw Exception("Invalid field descriptor: " + what); }

[[noreturn]] void BadStream(const std::string& what) { throw EReadError("Invalid navigator stream: " + what); }

[[noreturn]] void LayoutLocked() {
    throw Exception("The fields of a table that holds records can only be added or removed at the end");
}

// A descriptor as AddField leaves it: known type, the type's size, a place
// inside the largest record a list may hold, an index only where the type
// compares.
std::string DescriptorFault(const TFieldInfo& f) {
    if (f.Key == tkUnknown || f.Key > tkObject) return "field type " + IntToStr(f.Key) + " has no size";
    if (f.Offset < 0) return "negative offset " + IntToStr(f.Offset);
    const bool sized = f.Key == tkString || f.Key == tkBinary;
    if (sized ? f.Size < 1 : f.Size != FieldSizeByType(f.Key, f.Size))
        return "size " + IntToStr(f.Size) + " does not suit field type " + IntToStr(f.Key);
    if (int64_t(f.Offset) + f.Size > TGeneralList::MaxStreamItemSize)
        return "field at " + IntToStr(f.Offset) + " of size " + IntToStr(f.Size) + " is too large";
    if (f.Index && !KeyKindHasComparison(f.Key)) return "field type " + IntToStr(f.Key) + " cannot be indexed";
    return {};
}

// "yyyy-mm-dd" or "yyyy-mm-dd hh:nn:ss", the forms DateTimeToStr writes.
TDateTime ParseDateTime(std::string_view text) {
    const std::string s = Trim(text);
    auto bad = [&]() -> int { throw EConvertError("'" + std::string(text) + "' is not a valid date and time"); };
    auto num = [&](size_t pos, size_t len) {
        int v = 0;
        for (size_t i = pos; i < pos + len; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(s[i]))) return bad();
            v = v * 10 + (s[i] - '0');
        }
        return v;
    };
    if (s.size() != 10 && s.size() != 19) bad();
    if (s[4] != '-' || s[7] != '-') bad();
    TDateTime dt = EncodeDate(num(0, 4), num(5, 2), num(8, 2));
    if (s.size() == 19) {
        if (s[10] != ' ' || s[13] != ':' || s[16] != ':') bad();
        const TDateTime t = EncodeTime(num(11, 2), num(14, 2), num(17, 2), 0);
        dt = dt < 0 ? dt - t : dt + t;  // the fraction counts forward from midnight
    }
    return dt;
}

// Characters a counted-string field of size bytes holds.
int Capacity(int32_t size) { return std::clamp(size - 1, 0, 255); }

}  // namespace

// ---- descriptors and builders ------------------------------------------------

std::string TDBFieldInfo::GetName() const { return GetCountedString(Name, NameLength); }
std::string TDBFieldInfo::GetShortName() const { return GetCountedString(ShortName, NameLength); }
std::string TDBFieldInfo::GetFullName() const { return GetCountedString(FullName, FullNameLength); }

int32_t FieldSizeByType(TKeyKind kind, int32_t given) {
    switch (kind) {
        case tkBoolean:
            return 1;
        case tkString:
        case tkBinary:
            return given;
        case tkCurrency:
        case tkDateTime:
            return 8;
        case tkInteger:
        case tkTreeList:
        case tkPointer:
        case tkPString:
        case tkParent:
        case tkSingle:
        case tkObject:
            return 4;
        default:
            return 0;
    }
}

TCDBField& TCDBField::Name(std::string_view name) {
    SetCountedString(Info.Name, TDBFieldInfo::NameLength, name);
    return *this;
}

TCDBField& TCDBField::ShortName(std::string_view name) {
    SetCountedString(Info.ShortName, TDBFieldInfo::NameLength, name);
    return *this;
}

TCDBField& TCDBField::FullName(std::string_view name) {
    SetCountedString(Info.FullName, TDBFieldInfo::FullNameLength, name);
    return *this;
}

// ---- TInfoNavigator ------------------------------------------------------------

TFieldInfo TInfoNavigator::GetFieldInfo(int i) const {
    if (i < 0 || i >= Count) RaiseListError(this);
    return Load<TFieldInfo>(GetItem(i));
}

int32_t TInfoNavigator::GetFieldInfoSize() const {
    int64_t sum = 0, end = 0;
    for (int i = 0; i < Count; ++i) {
        const TFieldInfo f = Load<TFieldInfo>(GetItem(i));
        if (f.Key == tkUnknown || f.Key > tkObject) SysError(seUnknownFieldType);
        const int32_t size = FieldSizeByType(f.Key, f.Size);
        sum += size;
        end = std::max(end, int64_t(f.Offset) + size);
    }
    const int64_t total = std::max(sum, end);
    if (total > MaxStreamItemSize) throw Exception("Record of " + IntToStr(total) + " bytes is too large");
    return int32_t(total);
}

void TInfoNavigator::CountOffset(TFieldInfo& fi) {
    if (fi.Key == tkUnknown || fi.Key > tkObject) SysError(seUnknownFieldType);
    fi.Size = FieldSizeByType(fi.Key, fi.Size);
    if (fi.Offset == 0) fi.Offset = GetFieldInfoSize();
    const std::string fault = DescriptorFault(fi);
    if (!fault.empty()) BadField(fault);
    NextOffset = fi.Offset + fi.Size;
}

int TInfoNavigator::AddField(TFieldInfo& fi) {
    CountOffset(fi);
    const int index = TGeneralList::Add(&fi);
    LayoutChanged();
    return index;
}

void TInfoNavigator::DeleteLastField() {
    if (Count == 0) RaiseListError(this);
    Delete(Count - 1);
}

bool TInfoNavigator::IsHasObjects() const {
    for (int i = 0; i < Count; ++i)
        if (KindOf(GetItem(i)) == tkObject) return true;
    return false;
}

void TInfoNavigator::Recount() {
    HasObjects = IsHasObjects();
    if (Count == 0) {
        NextOffset = 0;
        return;
    }
    const TFieldInfo last = Load<TFieldInfo>(GetItem(Count - 1));
    NextOffset = int32_t(std::clamp<int64_t>(int64_t(last.Offset) + last.Size, INT32_MIN, INT32_MAX));
}

void TInfoNavigator::NotifyOwner() {
    if (Owner) Owner->NavigatorChanged();
}

void TInfoNavigator::CheckLayoutFree() const {
    if (Owner && Owner->GetCount() > 0) LayoutLocked();
}

void TInfoNavigator::LayoutChanged() {
    Recount();
    NotifyOwner();
}

std::unique_ptr<TInfoNavigator> TInfoNavigator::CopyNavigator() const {
    return ListAs<TInfoNavigator>(Clone(), *this);
}

void TInfoNavigator::Clear() {
    if (Count > 0) CheckLayoutFree();
    TGeneralList::Clear();
    LayoutChanged();
}

int TInfoNavigator::Add(const void* rec) {
    CheckLayoutFree();
    const int index = TGeneralList::Add(rec);
    LayoutChanged();
    return index;
}

void TInfoNavigator::Insert(int index, const void* rec) {
    if (index >= Count) {
        Add(rec);
        return;
    }
    CheckLayoutFree();
    TGeneralList::Insert(index, rec);
    LayoutChanged();
}

void TInfoNavigator::Delete(int index) {
    if (index < 0 || index >= Count) RaiseListError(this);
    if (index != Count - 1) CheckLayoutFree();
    if (Owner) Owner->ReleaseFieldObjects(index);
    TGeneralList::Delete(index);
    LayoutChanged();
}

void TInfoNavigator::SetItem(int index, const void* rec) {
    if (index < 0 || index >= Count) RaiseListError(this);
    CheckLayoutFree();
    TGeneralList::SetItem(index, rec);
    LayoutChanged();
}

void TInfoNavigator::AddList(const TGeneralList* source) {
    if (!source || source->GetCount() == 0) return;
    CheckLayoutFree();
    TGeneralList::AddList(source);
    LayoutChanged();
}

void TInfoNavigator::Reload(const std::function<void()>& load) {
    CheckLayoutFree();
    try {
        load();
    } catch (...) {
        LayoutChanged();  // the failed load left no fields
        throw;
    }
    LayoutChanged();
}

void TInfoNavigator::LoadFromStream(TStream& stream) {
    Reload([&] {
        TGeneralList::LoadFromStream(stream);
        for (int i = 0; i < Count; ++i) {
            const std::string fault = DescriptorFault(Load<TFieldInfo>(GetItem(i)));
            if (!fault.empty()) {
                TGeneralList::Clear();
                BadStream("field " + IntToStr(i) + ": " + fault);
            }
        }
    });
}

void TInfoNavigator::LoadFromReader(TReader& reader) {
    Reload([&] { TGeneralList::LoadFromReader(reader); });
}

void TInfoNavigator::Exchange(int i, int j) {
    if (i < 0 || j < 0 || i >= Count || j >= Count) RaiseListError(this);
    if (i == j) return;
    CheckLayoutFree();
    TGeneralList::Exchange(i, j);
    LayoutChanged();
}

void TInfoNavigator::QuickSort(int l, int r) {
    if (l >= r) return;
    CheckLayoutFree();
    TGeneralList::QuickSort(l, r);
    LayoutChanged();
}

void* TInfoNavigator::GetItemAutoAdd(int index) {
    if (index < Count) return TGeneralList::GetItemAutoAdd(index);
    CheckLayoutFree();
    TGeneralList::GetItemAutoAdd(index);
    LayoutChanged();
    return GetItem(index);
}

void TInfoNavigator::AdjustItemSize(int /*delta*/) { RaiseListError(this); }

// ---- TDBInfoNavigator --------------------------------------------------------------

TDBInfoNavigator::~TDBInfoNavigator() { TGeneralList::Clear(); }

TDBFieldInfo TDBInfoNavigator::GetDBFieldInfo(int i) const {
    if (i < 0 || i >= Count) RaiseListError(this);
    return Load<TDBFieldInfo>(GetItem(i));
}

int TDBInfoNavigator::AddField(TFieldInfo& fi) {
    TDBFieldInfo d;
    std::memcpy(static_cast<void*>(&d), &fi, sizeof fi);
    const int index = AddField(d);
    std::memcpy(static_cast<void*>(&fi), &d, sizeof fi);
    return index;
}

int TDBInfoNavigator::AddField(TDBFieldInfo& fi) {
    TFieldInfo head;
    std::memcpy(static_cast<void*>(&head), &fi, sizeof head);
    CountOffset(head);
    std::memcpy(static_cast<void*>(&fi), &head, sizeof head);
    const int index = TGeneralList::Add(&fi);
    LayoutChanged();
    return index;
}

TDBInfoNavigator* TDBInfoNavigator::GetNestedNavigator(int field) const {
    if (field < 0 || field >= Count) RaiseListError(this);
    const void* rec = GetItem(field);
    return KindOf(rec) == tkTreeList ? LiveNested(SlotOf(rec)) : nullptr;
}

void TDBInfoNavigator::SetNestedNavigator(int field, std::unique_ptr<TDBInfoNavigator> nested) {
    if (field < 0 || field >= Count || KindOf(GetItem(field)) != tkTreeList) RaiseListError(this);
    if (nested.get() == this) RaiseListError(this);
    const uint32_t old = SlotOf(GetItem(field));
    SetSlot(GetItem(field), 0);
    if (old) FreeNested(old);
    SetSlot(GetItem(field), ObjectHandles::Register(nested.release()));
}

std::unique_ptr<TDBInfoNavigator> TDBInfoNavigator::CloneNavigator() const {
    TMemoryStream s;
    SaveLevel(s, 0);
    s.SetPosition(0);
    auto copy = std::make_unique<TDBInfoNavigator>();
    copy->LoadLevel(s, 0);
    return copy;
}

std::unique_ptr<TInfoNavigator> TDBInfoNavigator::CopyNavigator() const { return CloneNavigator(); }

void TDBInfoNavigator::CopyRec(const void* source, void* dest) {
    // The copy gets a navigator of its own (or none), never the source's.
    const uint32_t from = SlotOf(source);
    SetSlot(dest, 0);
    if (KindOf(source) != tkTreeList) return;
    if (TDBInfoNavigator* nested = LiveNested(from)) {
        std::unique_ptr<TDBInfoNavigator> copy = nested->CloneNavigator();
        SetSlot(dest, ObjectHandles::Register(copy.release()));
    }
}

void TDBInfoNavigator::DestroyRec(int index) {
    void* rec = GetItem(index);
    const uint32_t h = SlotOf(rec);
    SetSlot(rec, 0);
    if (h && KindOf(rec) == tkTreeList) FreeNested(h);
}

void TDBInfoNavigator::SetItem(int index, const void* rec) {
    if (index < 0 || index >= Count) RaiseListError(this);
    CheckLayoutFree();
    const uint32_t h = SlotOf(GetItem(index));
    if (h != 0 && h == SlotOf(rec) && KindOf(rec) == tkTreeList && KindOf(GetItem(index)) == tkTreeList) {
        // The same nested navigator stays where it is.
        std::memmove(GetItem(index), rec, sizeof(TDBFieldInfo));
    } else {
        TGeneralList::SetItem(index, rec);
    }
    LayoutChanged();
}

void TDBInfoNavigator::AddList(const TGeneralList* source) {
    if (!source || source->GetCount() == 0) return;
    CheckLayoutFree();
    // A copy: the source may be this navigator, whose storage Add moves.
    const int n = source->GetCount();
    const int32_t size = source->GetItemSize();
    const char* first = static_cast<const char*>(source->GetFirst());
    std::vector<char> src(first, first + int64_t(n) * size);
    for (int i = 0; i < n; ++i) {
        TDBFieldInfo d;
        std::memcpy(static_cast<void*>(&d), src.data() + int64_t(i) * size,
                    std::min(sizeof d, size_t(std::max(size, 0))));
        TGeneralList::Add(&d);
    }
    LayoutChanged();
}

void TDBInfoNavigator::SaveToStream(TStream& stream) { SaveLevel(stream, 0); }

void TDBInfoNavigator::SaveLevel(TStream& stream, int depth) const {
    if (depth > MaxNesting) throw Exception("Navigator nesting is deeper than " + IntToStr(MaxNesting) + " levels");
    WriteInteger(stream, Count);
    WriteInteger(stream, ItemSize);
    std::vector<const TDBInfoNavigator*> nested(static_cast<size_t>(Count), nullptr);
    for (int i = 0; i < Count; ++i) {
        TDBFieldInfo f = Load<TDBFieldInfo>(GetItem(i));
        if (f.Key == tkTreeList) nested[size_t(i)] = LiveNested(f.Navigator);
        f.Navigator = nested[size_t(i)] ? 1 : 0;
        stream.WriteBuffer(&f, sizeof f);
    }
    for (const TDBInfoNavigator* n : nested)
        if (n) n->SaveLevel(stream, depth + 1);
}

void TDBInfoNavigator::LoadFromStream(TStream& stream) {
    CheckLayoutFree();
    TDBInfoNavigator loaded;
    loaded.LoadLevel(stream, 0);
    // Take over the loaded records with their nested navigators.
    TGeneralList::Clear();
    Data.SetSize(loaded.Data.Size());
    if (loaded.Data.Size()) std::memcpy(Data.Memory(), loaded.Data.Memory(), size_t(loaded.Data.Size()));
    Count = loaded.Count;
    for (int i = 0; i < loaded.Count; ++i) SetSlot(loaded.GetItem(i), 0);
    LayoutChanged();
}

void TDBInfoNavigator::LoadLevel(TStream& stream, int depth) {
    if (depth > MaxNesting) BadStream("nesting is deeper than " + IntToStr(MaxNesting) + " levels");
    const int64_t start = stream.GetPosition();
    if (stream.Remaining() < 8) BadStream("the stream ends inside a list header");
    const int32_t count = ReadInteger(stream);
    const int32_t size = ReadInteger(stream);
    if (count < 0) BadStream("negative field count " + IntToStr(count));
    if (size != ItemSize) BadStream("record size " + IntToStr(size) + ", expected " + IntToStr(ItemSize));
    if (int64_t(count) * size > stream.Remaining())
        BadStream(IntToStr(count) + " fields do not fit the " + IntToStr(stream.Remaining()) + " bytes left");
    stream.SetPosition(start);
    TGeneralList::LoadFromStream(stream);

    std::vector<char> hasNested(static_cast<size_t>(Count), 0);
    for (int i = 0; i < Count; ++i) {
        void* rec = GetItem(i);
        const TDBFieldInfo f = Load<TDBFieldInfo>(rec);
        hasNested[size_t(i)] = f.Key == tkTreeList && f.Navigator != 0;
        SetSlot(rec, 0);  // a stored reference means nothing here
        std::string fault = DescriptorFault(Load<TFieldInfo>(rec));
        if (fault.empty() && (f.Name[0] > TDBFieldInfo::NameLength || f.ShortName[0] > TDBFieldInfo::NameLength ||
                              f.FullName[0] > TDBFieldInfo::FullNameLength))
            fault = "name longer than its field";
        if (!fault.empty()) BadStream("field " + IntToStr(i) + ": " + fault);
    }
    GetFieldInfoSize();  // the record the fields describe must be one a list can hold
    for (int i = 0; i < Count; ++i) {
        if (!hasNested[size_t(i)]) continue;
        auto nested = std::make_unique<TDBInfoNavigator>();
        nested->LoadLevel(stream, depth + 1);
        SetSlot(GetItem(i), ObjectHandles::Register(nested.release()));
    }
    Recount();
}

void DeleteTaggedFields(TDBInfoNavigator& navigator) {
    while (navigator.GetFieldCount() > 1 && navigator.GetDBFieldInfo(navigator.GetFieldCount() - 1).Tag >= 1)
        navigator.DeleteLastField();
}

// ---- TVirtualTreeList ----------------------------------------------------------------

int32_t TVirtualTreeList::RecordSizeOf(const TInfoNavigator* navigator) {
    if (!navigator) throw Exception("A structured table needs a navigator");
    return navigator->GetFieldInfoSize();
}

TVirtualTreeList::TVirtualTreeList(std::unique_ptr<TInfoNavigator> navigator)
    : TTreeList(RecordSizeOf(navigator.get())), Navigator(std::move(navigator)) {
    Navigator->SetOwner(this);
    GetKeys();
}

TVirtualTreeList::~TVirtualTreeList() {
    Clear();  // frees the records' objects while this class's DestroyRec still runs
    if (Navigator) Navigator->SetOwner(nullptr);
}

std::unique_ptr<TGeneralList> TVirtualTreeList::NewInstance() const { AbstractCall(ClassName(), "Create"); }

std::unique_ptr<TGeneralList> TVirtualTreeList::GetCopyObject() const {
    std::unique_ptr<TGeneralList> copy = Create2(Navigator->CopyNavigator());
    InheritSortKey(copy.get());
    return copy;
}

std::unique_ptr<TVirtualTreeList> TVirtualTreeList::Create2(std::unique_ptr<TInfoNavigator> navigator) const {
    return std::make_unique<TVirtualTreeList>(std::move(navigator));
}

void TVirtualTreeList::GetKeyList(const TAddKeyProc& addKey) {
    for (int i = 0; i < Navigator->GetFieldCount(); ++i) {
        const TFieldInfo f = Navigator->GetFieldInfo(i);
        addKey(f.Key, f.Offset, f.Size, f.Index != 0);
    }
}

void TVirtualTreeList::ClearObjectFields(void* rec, bool free) {
    for (int i = 0; i < Navigator->GetFieldCount(); ++i) {
        const TFieldInfo f = Navigator->GetFieldInfo(i);
        if ((f.Key != tkObject && f.Key != tkTreeList) || int64_t(f.Offset) + 4 > ItemSize) continue;
        char* p = static_cast<char*>(rec) + f.Offset;
        const uint32_t h = Load<uint32_t>(p);
        Store<uint32_t>(p, 0);
        if (free && f.Key == tkObject && h) {
            TObject* obj = ObjectHandles::Lookup(h);
            ObjectHandles::Unregister(h);
            delete obj;
        }
    }
}

void TVirtualTreeList::DestroyRec(int index) {
    if (!Navigator || !Navigator->GetHasObjects()) return;
    // Only tkObject fields own their objects; tree-list references stay.
    for (int i = 0; i < Navigator->GetFieldCount(); ++i) {
        const TFieldInfo f = Navigator->GetFieldInfo(i);
        if (f.Key != tkObject || int64_t(f.Offset) + 4 > ItemSize) continue;
        char* p = static_cast<char*>(GetItem(index)) + f.Offset;
        const uint32_t h = Load<uint32_t>(p);
        Store<uint32_t>(p, 0);
        if (!h) continue;
        TObject* obj = ObjectHandles::Lookup(h);
        ObjectHandles::Unregister(h);
        delete obj;
    }
}

void TVirtualTreeList::SetItem(int index, const void* rec) {
    if (index < 0 || index >= Count) RaiseListError(this);
    std::vector<char> copy(static_cast<const char*>(rec), static_cast<const char*>(rec) + ItemSize);
    // Objects the new record keeps are taken out of the old one first, so
    // that DestroyRec leaves them alive.
    for (int i = 0; i < Navigator->GetFieldCount(); ++i) {
        const TFieldInfo f = Navigator->GetFieldInfo(i);
        if (f.Key != tkObject || int64_t(f.Offset) + 4 > ItemSize) continue;
        char* old = static_cast<char*>(GetItem(index)) + f.Offset;
        if (Load<uint32_t>(old) == Load<uint32_t>(copy.data() + f.Offset)) Store<uint32_t>(old, 0);
    }
    TTreeList::SetItem(index, copy.data());
}

void TVirtualTreeList::ReleaseFieldObjects(int field) {
    const TFieldInfo f = Navigator->GetFieldInfo(field);
    if (f.Key != tkObject || int64_t(f.Offset) + 4 > ItemSize) return;
    for (int r = 0; r < Count; ++r) {
        char* p = static_cast<char*>(GetItem(r)) + f.Offset;
        const uint32_t h = Load<uint32_t>(p);
        Store<uint32_t>(p, 0);
        if (!h) continue;
        TObject* obj = ObjectHandles::Lookup(h);
        ObjectHandles::Unregister(h);
        delete obj;
    }
}

void TVirtualTreeList::LoadFromStream(TStream& stream) {
    Clear();
    TTreeList::LoadFromStream(stream);
    for (int r = 0; r < Count; ++r) ClearObjectFields(GetItem(r), false);
}

void TVirtualTreeList::ResizeRecords(int32_t newSize) {
    if (newSize < 0) RaiseListError(this);
    if (newSize == ItemSize) return;
    std::vector<char> resized(static_cast<size_t>(Count) * size_t(newSize), 0);
    const size_t keep = size_t(std::min(ItemSize, newSize));
    for (int r = 0; r < Count && keep; ++r)
        std::memcpy(resized.data() + size_t(r) * size_t(newSize), GetItem(r), keep);
    Data.SetSize(int64_t(resized.size()));
    if (!resized.empty()) std::memcpy(Data.Memory(), resized.data(), resized.size());
    ItemSize = newSize;
}

void TVirtualTreeList::AdjustItemSize(int delta) {
    const int64_t newSize = int64_t(ItemSize) + delta;
    if (newSize < Navigator->GetFieldInfoSize() || newSize > MaxStreamItemSize) RaiseListError(this);
    ResizeRecords(int32_t(newSize));
}

void TVirtualTreeList::NavigatorChanged() {
    ResizeRecords(Navigator->GetFieldInfoSize());
    GetKeys();
}

void TVirtualTreeList::SetNavigator(std::unique_ptr<TInfoNavigator> navigator) {
    if (!navigator) RaiseListError(this);
    if (Count > 0) LayoutLocked();
    std::unique_ptr<TInfoNavigator> old = std::move(Navigator);
    Navigator = std::move(navigator);
    Navigator->SetOwner(this);
    if (old) old->SetOwner(nullptr);
    NavigatorChanged();
}

// ---- field access -------------------------------------------------------------------

TKeyKind TVirtualTreeList::GetKey(int field) const { return Navigator->GetFieldInfo(field).Key; }
int32_t TVirtualTreeList::GetOffset(int field) const { return Navigator->GetFieldInfo(field).Offset; }
int32_t TVirtualTreeList::GetSize(int field) const { return Navigator->GetFieldInfo(field).Size; }
int TVirtualTreeList::GetFieldCount() const { return Navigator->GetFieldCount(); }
int32_t TVirtualTreeList::GetInfoSize() const { return ItemSize; }
bool TVirtualTreeList::GetHasObjects() const { return Navigator->GetHasObjects(); }
void* TVirtualTreeList::GetInfoPtr(int index) { return CheckedRecord(index); }

TFieldInfo TVirtualTreeList::CheckedField(int field) const {
    const TFieldInfo f = Navigator->GetFieldInfo(field);
    if (f.Offset < 0 || int64_t(f.Offset) + KeyKindWidth(f.Key, f.Size) > ItemSize) RaiseListError(this);
    return f;
}

void* TVirtualTreeList::CheckedRecord(int index) {
    if (index < 0 || index >= Count) RaiseListError(this);
    return GetItem(index);
}

void TVirtualTreeList::Written(const void* rec, int field) {
    const int index = IndexOfAddress(rec);
    if (index >= 0) FieldWritten(index, field);
}

void* TVirtualTreeList::GetFieldPtr(int index, int field) { return GetFieldPtrI(CheckedRecord(index), field); }
void* TVirtualTreeList::GetFieldPtrP(void* rec, int field) { return GetFieldPtrI(rec, field); }
void* TVirtualTreeList::GetFieldPtrI(void* rec, int field) { return static_cast<char*>(rec) + CheckedField(field).Offset; }

// By index: the record's address, then the I form.
float TVirtualTreeList::GetAsFloat(int i, int f) { return GetAsFloatI(CheckedRecord(i), f); }
void TVirtualTreeList::SetAsFloat(int i, int f, double v) { SetAsFloatI(CheckedRecord(i), f, v); }
std::string TVirtualTreeList::GetAsString(int i, int f) { return GetAsStringI(CheckedRecord(i), f); }
void TVirtualTreeList::SetAsString(int i, int f, std::string_view v) { SetAsStringI(CheckedRecord(i), f, v); }
bool TVirtualTreeList::GetAsBoolean(int i, int f) { return GetAsBooleanI(CheckedRecord(i), f); }
void TVirtualTreeList::SetAsBoolean(int i, int f, bool v) { SetAsBooleanI(CheckedRecord(i), f, v); }
int32_t TVirtualTreeList::GetAsInteger(int i, int f) { return GetAsIntegerI(CheckedRecord(i), f); }
void TVirtualTreeList::SetAsInteger(int i, int f, int32_t v) { SetAsIntegerI(CheckedRecord(i), f, v); }
Currency TVirtualTreeList::GetAsCurrency(int i, int f) { return GetAsCurrencyI(CheckedRecord(i), f); }
void TVirtualTreeList::SetAsCurrency(int i, int f, Currency v) { SetAsCurrencyI(CheckedRecord(i), f, v); }
TDateTime TVirtualTreeList::GetAsDateTime(int i, int f) { return GetAsDateTimeI(CheckedRecord(i), f); }
void TVirtualTreeList::SetAsDateTime(int i, int f, TDateTime v) { SetAsDateTimeI(CheckedRecord(i), f, v); }
TObject* TVirtualTreeList::GetAsObject(int i, int f) { return GetAsObjectI(CheckedRecord(i), f); }
void TVirtualTreeList::SetAsObject(int i, int f, TObject* v) { SetAsObjectI(CheckedRecord(i), f, v); }

// By address: the I forms.
float TVirtualTreeList::GetAsFloatP(const void* r, int f) { return GetAsFloatI(r, f); }
void TVirtualTreeList::SetAsFloatP(void* r, int f, double v) { SetAsFloatI(r, f, v); }
std::string TVirtualTreeList::GetAsStringP(const void* r, int f) { return GetAsStringI(r, f); }
void TVirtualTreeList::SetAsStringP(void* r, int f, std::string_view v) { SetAsStringI(r, f, v); }
bool TVirtualTreeList::GetAsBooleanP(const void* r, int f) { return GetAsBooleanI(r, f); }
void TVirtualTreeList::SetAsBooleanP(void* r, int f, bool v) { SetAsBooleanI(r, f, v); }
int32_t TVirtualTreeList::GetAsIntegerP(const void* r, int f) { return GetAsIntegerI(r, f); }
void TVirtualTreeList::SetAsIntegerP(void* r, int f, int32_t v) { SetAsIntegerI(r, f, v); }
Currency TVirtualTreeList::GetAsCurrencyP(const void* r, int f) { return GetAsCurrencyI(r, f); }
void TVirtualTreeList::SetAsCurrencyP(void* r, int f, Currency v) { SetAsCurrencyI(r, f, v); }
TDateTime TVirtualTreeList::GetAsDateTimeP(const void* r, int f) { return GetAsDateTimeI(r, f); }
void TVirtualTreeList::SetAsDateTimeP(void* r, int f, TDateTime v) { SetAsDateTimeI(r, f, v); }
TObject* TVirtualTreeList::GetAsObjectP(const void* r, int f) { return GetAsObjectI(r, f); }
void TVirtualTreeList::SetAsObjectP(void* r, int f, TObject* v) { SetAsObjectI(r, f, v); }

namespace {

const char* At(const void* rec, const TFieldInfo& f) { return static_cast<const char*>(rec) + f.Offset; }
char* At(void* rec, const TFieldInfo& f) { return static_cast<char*>(rec) + f.Offset; }

std::string Text(const void* rec, const TFieldInfo& f) { return GetCountedString(At(rec, f), Capacity(f.Size)); }

void SetText(void* rec, const TFieldInfo& f, std::string_view s) {
    if (int64_t(s.size()) > Capacity(f.Size)) SysError(seStringTooLong);
    SetCountedString(At(rec, f), Capacity(f.Size), s);
}

[[noreturn]] void WrongType() { SysError(seWrongType); }

}  // namespace

float TVirtualTreeList::GetAsFloatI(const void* rec, int field) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkInteger: return float(Load<int32_t>(At(rec, f)));
        case tkSingle: return Load<float>(At(rec, f));
        case tkCurrency: return float(Currency::FromUnits(Load<int64_t>(At(rec, f))).ToFloat());
        case tkDateTime: return float(Load<double>(At(rec, f)));
        default: WrongType();
    }
}

void TVirtualTreeList::SetAsFloatI(void* rec, int field, double value) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkInteger: Store(At(rec, f), RoundToInt32(value)); break;
        case tkSingle: Store(At(rec, f), float(value)); break;
        case tkCurrency: Store(At(rec, f), Currency::FromFloat(value).Units); break;
        default: WrongType();
    }
    Written(rec, field);
}

std::string TVirtualTreeList::GetAsStringI(const void* rec, int field) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkInteger: return IntToStr(Load<int32_t>(At(rec, f)));
        case tkBoolean: return BoolToStr(*At(rec, f) != 0);
        case tkString:
        case tkPString: return Text(rec, f);
        case tkPointer: return IntToHex(Load<uint32_t>(At(rec, f)), 8);
        case tkSingle: return FloatToStr(Load<float>(At(rec, f)));
        case tkCurrency: return CurrToStr(Currency::FromUnits(Load<int64_t>(At(rec, f))));
        case tkDateTime: return DateTimeToStr(Load<double>(At(rec, f)));
        default: WrongType();
    }
}

void TVirtualTreeList::SetAsStringI(void* rec, int field, std::string_view value) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkInteger: Store(At(rec, f), StrToInt(value)); break;
        case tkBoolean: *At(rec, f) = StrToBool(value) ? 1 : 0; break;
        case tkString:
        case tkPString: SetText(rec, f, value); break;
        case tkSingle: Store(At(rec, f), float(StrToFloat(value))); break;
        case tkCurrency: Store(At(rec, f), StrToCurr(value).Units); break;
        case tkDateTime: Store(At(rec, f), ParseDateTime(value)); break;
        default: WrongType();
    }
    Written(rec, field);
}

bool TVirtualTreeList::GetAsBooleanI(const void* rec, int field) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkBoolean: return *At(rec, f) != 0;
        case tkString: return StrToBool(Text(rec, f));
        default: WrongType();
    }
}

void TVirtualTreeList::SetAsBooleanI(void* rec, int field, bool value) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkBoolean: *At(rec, f) = value ? 1 : 0; break;
        case tkString: SetText(rec, f, BoolToStr(value)); break;
        default: WrongType();
    }
    Written(rec, field);
}

int32_t TVirtualTreeList::GetAsIntegerI(const void* rec, int field) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkInteger:
        case tkTreeList:
        case tkParent: return Load<int32_t>(At(rec, f));
        case tkBoolean: return uint8_t(*At(rec, f));
        case tkSingle: return RoundToInt32(Load<float>(At(rec, f)));
        case tkString: return StrToInt(Text(rec, f));
        default: WrongType();
    }
}

void TVirtualTreeList::SetAsIntegerI(void* rec, int field, int32_t value) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkInteger:
        case tkTreeList:
        case tkParent: Store(At(rec, f), value); break;
        case tkBoolean: *At(rec, f) = char(value & 0xFF); break;
        case tkString: SetText(rec, f, IntToStr(value)); break;
        default: WrongType();
    }
    Written(rec, field);
}

Currency TVirtualTreeList::GetAsCurrencyI(const void* rec, int field) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkCurrency: return Currency::FromUnits(Load<int64_t>(At(rec, f)));
        case tkSingle: return Currency::FromFloat(Load<float>(At(rec, f)));
        case tkString: return StrToCurr(Text(rec, f));
        default: WrongType();
    }
}

void TVirtualTreeList::SetAsCurrencyI(void* rec, int field, Currency value) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkCurrency: Store(At(rec, f), value.Units); break;
        case tkSingle: Store(At(rec, f), float(value.ToFloat())); break;
        case tkString: SetText(rec, f, CurrToStr(value)); break;
        default: WrongType();
    }
    Written(rec, field);
}

TDateTime TVirtualTreeList::GetAsDateTimeI(const void* rec, int field) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkDateTime: return Load<double>(At(rec, f));
        case tkString: return ParseDateTime(Text(rec, f));
        default: WrongType();
    }
}

void TVirtualTreeList::SetAsDateTimeI(void* rec, int field, TDateTime value) {
    const TFieldInfo f = CheckedField(field);
    switch (f.Key) {
        case tkDateTime: Store(At(rec, f), double(value)); break;
        case tkString: SetText(rec, f, DateTimeToStr(value)); break;
        default: WrongType();
    }
    Written(rec, field);
}

TObject* TVirtualTreeList::GetAsObjectI(const void* rec, int field) {
    const TFieldInfo f = CheckedField(field);
    if (f.Key != tkTreeList && f.Key != tkObject) WrongType();
    return ObjectHandles::Lookup(Load<uint32_t>(At(rec, f)));
}

void TVirtualTreeList::SetAsObjectI(void* rec, int field, TObject* value) {
    const TFieldInfo f = CheckedField(field);
    if (f.Key != tkTreeList && f.Key != tkObject) WrongType();
    Store(At(rec, f), ObjectHandles::Register(value));
    Written(rec, field);
}

// ---- TStructuredTreeList ------------------------------------------------------------------

TStructuredTreeList::TStructuredTreeList(std::unique_ptr<TDBInfoNavigator> navigator)
    : TVirtualTreeList(std::move(navigator)) {}

std::unique_ptr<TVirtualTreeList> TStructuredTreeList::Create2(std::unique_ptr<TInfoNavigator> navigator) const {
    return std::make_unique<TStructuredTreeList>(ListAs<TDBInfoNavigator>(std::move(navigator), *this));
}

TDBInfoNavigator* TStructuredTreeList::GetDBNavigator() const {
    auto* nav = dynamic_cast<TDBInfoNavigator*>(Navigator.get());
    if (!nav) RaiseListError(this);  // replaced by a plain navigator
    return nav;
}

int TStructuredTreeList::GetFIByName(std::string_view name) const {
    const std::string_view wanted = name.substr(0, TDBFieldInfo::NameLength);
    const TDBInfoNavigator* nav = GetDBNavigator();
    for (int i = 0; i < nav->GetFieldCount(); ++i)
        if (nav->GetDBFieldInfo(i).GetName() == wanted) return i;
    return -1;
}

int32_t TStructuredTreeList::GetFID(int field) const { return GetDBNavigator()->GetDBFieldInfo(field).ID; }

void TStructuredTreeList::SetFID(int field, int32_t id) {
    GetDBNavigator()->GetDBFieldInfo(field);  // range check
    Store(static_cast<char*>(GetDBNavigator()->GetFieldInfoPtr(field)) + offsetof(TDBFieldInfo, ID), id);
}

std::unique_ptr<TDBInfoNavigator> TStructuredTreeList::CreateNavigator() const {
    return std::make_unique<TDBInfoNavigator>();
}

}  // namespace velt
