#include "foundation/IDList.h"

#include <algorithm>
#include <cstring>

#include "foundation/Utils.h"

namespace velt {

namespace {

// Two's-complement wrap, as the counters and automatic IDs always had.
int32_t WrapAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }

struct RegisterIDLists {
    RegisterIDLists() {
        RegisterClass("TIDList", [] { return new TIDList(); });
        RegisterClass("TPureIDList", [] { return new TPureIDList(); });
        RegisterClass("TRefList", [] { return new TRefList(); });
        RegisterClass("T2IntList", [] { return new T2IntList(); });
        RegisterClass("TNameList", [] { return new TNameList(); });
        RegisterClass("TShortNameList", [] { return new TShortNameList(); });
    }
} registerIDLists;

}  // namespace

// ---- TIDList ---------------------------------------------------------------

TIDList::TIDList(int32_t itemSize) : TGeneralList(itemSize) {
    if (itemSize != 0 && itemSize < 4) Error();
}

std::unique_ptr<TGeneralList> TIDList::NewInstance() const { return std::make_unique<TIDList>(); }

void TIDList::Assign(const TPersistent* source) {
    auto* src = dynamic_cast<const TGeneralList*>(source);
    if (!src || src == this) return;
    Clear();
    AddList(src);
}

void TIDList::AddList(const TGeneralList* source) {
    if (!source || source->GetCount() == 0) return;
    if (ItemSize == 0 && Count == 0) SetItemSizeEmpty(source->GetItemSize());
    // Work from a copy: the source may be this list, whose block moves.
    const int n = source->GetCount();
    const int32_t srcSize = source->GetItemSize();
    const char* first = static_cast<const char*>(source->GetFirst());
    std::vector<char> src(first, first + int64_t(n) * srcSize);
    for (int i = 0; i < n; ++i) {
        std::vector<char> rec = FitRec(src.data() + int64_t(i) * srcSize, srcSize);
        Add(rec.data());
    }
}

int TIDList::Compare(int index1, int index2) {
    int32_t a = GetID(index1), b = GetID(index2);
    return a < b ? -1 : a > b ? 1 : 0;
}

void TIDList::___(std::string& s) const {
    s.clear();
    for (int i = 0; i < Count; ++i) s += IntToStr(i) + " -> " + IntToStr(GetID(i)) + "  ";
}

std::unique_ptr<TIDList> TIDList::GetLimitedList(int32_t, int32_t) {
    throw Exception("GetLimitedList is not available for " + ClassName());
}

int32_t TIDList::GetID(int index) const {
    int32_t id = 0;
    if (ItemSize >= 4)
        std::memcpy(&id, GetItem(index), 4);
    else if (ItemSize > 0)
        std::memcpy(&id, GetItem(index), size_t(ItemSize));
    return id;
}

void TIDList::SetID(int index, int32_t id) {
    if (ItemSize > 0) std::memcpy(GetItem(index), &id, size_t(std::min(ItemSize, 4)));
}

void* TIDList::GetListItemByID(int32_t id) {
    int i = IndexByID(id);
    return i < 0 ? nullptr : GetItem(i);
}

int TIDList::IndexByID(int32_t id) const {
    if (ItemSize < 4) {
        for (int i = 0; i < Count; ++i)
            if (GetID(i) == id) return i;
        return -1;
    }
    const char* p = static_cast<const char*>(GetFirst());
    for (int i = 0; i < Count; ++i, p += ItemSize) {
        int32_t v;
        std::memcpy(&v, p, 4);
        if (v == id) return i;
    }
    return -1;
}

std::vector<char> TIDList::MakeRec(int32_t id) const {
    std::vector<char> rec(size_t(ItemSize), 0);
    if (ItemSize > 0) std::memcpy(rec.data(), &id, size_t(std::min(ItemSize, 4)));
    return rec;
}

std::vector<char> TIDList::FitRec(const void* src, int64_t n) const {
    std::vector<char> rec(size_t(ItemSize), 0);
    int64_t keep = std::min<int64_t>(n, ItemSize);
    if (keep > 0) std::memcpy(rec.data(), src, size_t(keep));
    return rec;
}

int TIDList::AddID(int32_t id) {
    std::vector<char> rec = MakeRec(id);
    return Add(rec.data());
}

int TIDList::AddUniqueID(int32_t id) {
    std::vector<char> rec = MakeRec(id);
    return AddUnique(rec.data());
}

int TIDList::AddUnique(const void* rec) {
    int32_t id = 0;
    if (ItemSize > 0) std::memcpy(&id, rec, size_t(std::min(ItemSize, 4)));
    if (Exists(id)) return -1;
    return Add(rec);
}

int TIDList::AddAutoinc(void* rec) {
    int32_t id = Count == 0 ? 1 : WrapAdd(GetID(Count - 1), Step);
    std::memcpy(rec, &id, 4);
    return Add(rec);
}

void TIDList::Uniqualize(const TIDList* source) {
    if (!source || source == this) return;  // every ID of this list is here
    const int n = source->GetCount();
    const int32_t srcSize = source->GetItemSize();
    for (int i = 0; i < n; ++i) {
        if (Exists(source->GetID(i))) continue;
        std::vector<char> rec = FitRec(source->GetItem(i), srcSize);
        Add(rec.data());
    }
}

void TIDList::UniqualizeWithOffset(const TIDList* source, int offset) {
    if (!source) return;
    const int32_t srcSize = source->GetItemSize();
    if (offset < 0 || offset > srcSize) Error();
    // A copy: the source may be this list.
    const int n = source->GetCount();
    const char* first = static_cast<const char*>(source->GetFirst());
    std::vector<char> src(first, first + int64_t(n) * srcSize);
    std::vector<int32_t> ids(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) ids[size_t(i)] = source->GetID(i);
    for (int i = 0; i < n; ++i) {
        if (Exists(ids[size_t(i)])) continue;
        std::vector<char> rec = FitRec(src.data() + int64_t(i) * srcSize + offset, srcSize - offset);
        Add(rec.data());
    }
}

std::unique_ptr<TIDList> TIDList::Intersect(const TIDList* other) const {
    std::unique_ptr<TIDList> owned = ListAs<TIDList>(GetCopyObject(), *this);
    if (!other) return owned;
    for (int i = 0; i < other->GetCount(); ++i) {
        int j = IndexByID(other->GetID(i));
        if (j >= 0) owned->Add(GetItem(j));
    }
    return owned;
}

std::unique_ptr<TIDList> TIDList::Subtract(const TIDList* other) const {
    std::unique_ptr<TIDList> owned = ListAs<TIDList>(GetCopyObject(), *this);
    for (int i = 0; i < Count; ++i)
        if (!other || !other->Exists(GetID(i))) owned->Add(GetItem(i));
    return owned;
}

bool TIDList::EqualTo(const TIDList* other) const {
    if (!other || other->GetCount() != Count) return false;
    for (int i = 0; i < Count; ++i)
        if (GetID(i) != other->GetID(i)) return false;
    return true;
}

// ---- small lists ---------------------------------------------------------

TPureIDList* TPureIDList::Enumerate(int n) {
    for (int i = 1; i <= n; ++i) AddID(i);
    return this;
}

int32_t TRefList::AddRef(int index) {
    int32_t v = WrapAdd(GetID(index), 1);
    SetID(index, v);
    return v;
}

int32_t TRefList::Release(int index) {
    int32_t v = WrapAdd(GetID(index), -1);
    SetID(index, v);
    return v;
}

int T2IntList::Add2Int(int32_t id, int32_t second) {
    T2IntRec rec{id, second};
    return TGeneralList::Add(&rec);
}

int32_t T2IntList::GetSecondID(int32_t id) const {
    int i = IndexByID(id);
    if (i < 0) Error();
    return GetRec(i).Second;
}

T2IntRec T2IntList::GetRec(int index) const {
    T2IntRec rec;
    std::memcpy(&rec, GetItem(index), sizeof rec);
    return rec;
}

int TNameList::NameCapacity() const {
    return std::clamp(ItemSize - GetNameOfs() - 1, 0, 255);
}

std::string TNameList::NameAt(const void* rec) const {
    if (GetNameOfs() < 0 || GetNameOfs() >= ItemSize) return {};
    return GetCountedString(static_cast<const char*>(rec) + GetNameOfs(), NameCapacity());
}

int TNameList::Compare(int index1, int index2) {
    return CompareText(NameAt(GetItem(index1)), NameAt(GetItem(index2)));
}

void TNameList::GetNames(int index, std::string& s) const { s = NameAt(GetItem(index)); }

void TNameList::GetNameByID(int32_t id, std::string& s) const {
    int i = IndexByID(id);
    if (i < 0) Error();
    GetNames(i, s);
}

void* TNameList::GetListItemByName(std::string_view name) {
    char* p = static_cast<char*>(GetFirst());
    for (int i = 0; i < Count; ++i, p += ItemSize)
        if (NameAt(p) == name) return p;
    return nullptr;
}

int TNameList::AddIDName(int32_t id, std::string_view name) {
    std::vector<char> rec = MakeRec(id);
    const int ofs = GetNameOfs();
    if (ofs >= 0 && ofs < ItemSize) SetCountedString(rec.data() + ofs, NameCapacity(), std::string(name));
    return Add(rec.data());
}

TShortNameRec TShortNameList::GetRec(int index) const {
    TShortNameRec rec;
    std::memcpy(&rec, GetItem(index), sizeof rec);
    rec.NameLen = std::min<uint8_t>(rec.NameLen, 19);
    return rec;
}

}  // namespace velt
