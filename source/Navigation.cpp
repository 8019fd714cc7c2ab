#include "source/Navigation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "foundation/Utils.h"

namespace velt {

namespace {

// In-memory records: string fields are pool handles.
struct LinkRec {
    uint32_t Method;
    uint32_t Class;
    int32_t TopLine;
    int32_t TopCol;
    int32_t CursorLine;
    int32_t CursorCol;
    uint32_t File;
};
static_assert(sizeof(LinkRec) == 28);

struct ClassRec {
    uint8_t Scope;
    uint8_t Kind;
    uint8_t Pad[2];
    uint32_t Name;
    uint32_t Text;
};
static_assert(sizeof(ClassRec) == 12);

struct UnitRec {
    uint32_t Name;
    uint32_t Text;
    uint8_t Kind;
    uint8_t Pad[3];
};
static_assert(sizeof(UnitRec) == 12);

// Stored layouts (record stream): counted strings at their limits.
constexpr int kLinkStored = (kNameLimit + 1) * 2 + 16 + (kFileNameLimit + 1);  // 227
constexpr int kClassStored = 1 + (kNameLimit + 1) + (kTextLimit + 1) + 1;       // 323
constexpr int kUnitStored = (kNameLimit + 1) + (kTextLimit + 1) + 1;            // 322

template <class R>
R ReadRec(const void* p) {
    R r;
    std::memcpy(&r, p, sizeof(R));
    return r;
}

int32_t GetInt(const char* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void PutInt(char* p, int32_t v) { std::memcpy(p, &v, 4); }

}  // namespace

// ---- THyperJumpStack ---------------------------------------------------------

void THyperJumpStack::Push(const TLinkInfo& place) {
    if (Top <= 0) {
        // Full: the oldest place (highest index) falls off the end.
        for (int i = Capacity - 1; i > 0; --i) Items[size_t(i)] = std::move(Items[size_t(i - 1)]);
        Items[0] = place;
        return;
    }
    --Top;
    Items[size_t(Top)] = place;
}

bool THyperJumpStack::Pop(TLinkInfo& place) {
    if (Empty()) return false;
    place = Items[size_t(Top)];
    ++Top;
    return true;
}

void THyperJumpStack::Drop() {
    if (!Empty()) ++Top;
}

const TLinkInfo& THyperJumpStack::At(int i) const {
    if (i < 0 || i >= Depth()) throw ERangeError("Place " + IntToStr(i) + " out of range");
    return Items[size_t(Top + i)];
}

// ---- TPooledRecordList --------------------------------------------------------

TPooledRecordList::TPooledRecordList(int32_t itemSize, std::vector<int> stringOffsets)
    : TGeneralList(itemSize), offsets_(std::move(stringOffsets)) {
    for (int off : offsets_) DefineField(off, fkString);
}

TPooledRecordList::~TPooledRecordList() { TPooledRecordList::Clear(); }

const std::string& TPooledRecordList::GetString(uint32_t h) const {
    static const std::string empty;
    if (h == 0 || h > pool_.size()) return empty;
    return pool_[h - 1];
}

uint32_t TPooledRecordList::PutString(std::string_view s) {
    if (s.empty()) return 0;
    if (!free_.empty()) {
        uint32_t h = free_.back();
        free_.pop_back();
        pool_[h - 1].assign(s);
        return h;
    }
    pool_.emplace_back(s);
    return uint32_t(pool_.size());
}

void TPooledRecordList::FreeString(uint32_t h) {
    if (h == 0 || h > pool_.size()) return;
    // The text stays until the slot is reused, so a record copied from one
    // that is being overwritten (SetItem with its own record) still reads it.
    free_.push_back(h);
}

const std::string& TPooledRecordList::FieldString(const void* rec, int offset) const {
    uint32_t h;
    std::memcpy(&h, static_cast<const char*>(rec) + offset, 4);
    return GetString(h);
}

void TPooledRecordList::SetField(void* rec, int offset, std::string_view s) {
    uint32_t h = PutString(s);
    std::memcpy(static_cast<char*>(rec) + offset, &h, 4);
}

void TPooledRecordList::ReleaseBuffer(void* rec) {
    for (int off : offsets_) {
        uint32_t h;
        std::memcpy(&h, static_cast<char*>(rec) + off, 4);
        FreeString(h);
        h = 0;
        std::memcpy(static_cast<char*>(rec) + off, &h, 4);
    }
}

int TPooledRecordList::AddBuffer(void* rec) {
    const int index = TGeneralList::Add(rec);
    ReleaseBuffer(rec);
    return index;
}

void TPooledRecordList::PutBuffer(int index, void* rec) {
    SetItem(index, rec);
    ReleaseBuffer(rec);
}

int TPooledRecordList::FindKindAndName(int kindOffset, uint8_t kind, int nameOffset, std::string_view name) const {
    for (int i = 0; i < Count; ++i) {
        const void* p = GetItem(i);
        if (static_cast<const uint8_t*>(p)[kindOffset] == kind && FieldString(p, nameOffset) == name) return i;
    }
    return -1;
}

void TPooledRecordList::CopyRec(const void* /*source*/, void* dest) {
    // dest is a byte copy: give it handles of its own. All texts are read
    // before any slot is reused.
    std::vector<std::string> texts;
    texts.reserve(offsets_.size());
    for (int off : offsets_) texts.push_back(foreignCopy_ ? std::string() : FieldString(dest, off));
    for (size_t i = 0; i < offsets_.size(); ++i) {
        uint32_t h = PutString(texts[i]);
        std::memcpy(static_cast<char*>(dest) + offsets_[i], &h, 4);
    }
}

void TPooledRecordList::DestroyRec(int index) {
    if (index < 0 || index >= Count) return;
    ReleaseBuffer(GetItem(index));
}

void TPooledRecordList::Clear() {
    TGeneralList::Clear();
    pool_.clear();
    free_.clear();
}

void TPooledRecordList::AddList(const TGeneralList* source) {
    if (!source || source->GetCount() == 0) return;
    auto* pooled = dynamic_cast<const TPooledRecordList*>(source);
    if (pooled && pooled->ItemSize == ItemSize && pooled->offsets_ == offsets_) {
        if (pooled == this) {
            // Appending to itself: work from a snapshot.
            auto copy = Clone();
            AddList(copy.get());
            return;
        }
        std::vector<char> buf(static_cast<size_t>(ItemSize));
        for (int i = 0; i < pooled->Count; ++i) {
            const void* src = pooled->GetItem(i);
            std::memcpy(buf.data(), src, buf.size());
            for (int off : offsets_) SetField(buf.data(), off, pooled->FieldString(src, off));
            TGeneralList::Add(buf.data());  // CopyRec gives the stored copy its own handles
            ReleaseBuffer(buf.data());
        }
        return;
    }
    // Raw records of another kind of list: their handle fields mean nothing
    // here, so the copies get empty strings.
    foreignCopy_ = true;
    try {
        TGeneralList::AddList(source);
    } catch (...) {
        foreignCopy_ = false;
        throw;
    }
    foreignCopy_ = false;
}

void TPooledRecordList::SaveToStream(TStream& stream) {
    const int32_t size = StoredSize();
    WriteInteger(stream, Count);
    WriteInteger(stream, size);
    std::vector<char> buf(static_cast<size_t>(size));
    for (int i = 0; i < Count; ++i) {
        std::fill(buf.begin(), buf.end(), 0);
        StoreRecord(i, buf.data());
        stream.WriteBuffer(buf.data(), size);
    }
}

void TPooledRecordList::LoadFromStream(TStream& stream) {
    Clear();
    const int32_t count = ReadInteger(stream);
    const int32_t size = ReadInteger(stream);
    if (count < 0) throw EReadError("Stream read error: negative record count");
    if (size < 0 || size > MaxStreamItemSize) throw EReadError("Stream read error: bad record size");
    if (int64_t(count) * size > stream.Remaining())
        throw EReadError("Stream read error: the stream ends before its records");
    const int32_t own = StoredSize();
    std::vector<char> in(static_cast<size_t>(size));
    std::vector<char> rec(static_cast<size_t>(own));
    for (int i = 0; i < count; ++i) {
        stream.ReadBuffer(in.data(), size);
        std::fill(rec.begin(), rec.end(), 0);
        std::memcpy(rec.data(), in.data(), size_t(std::min(size, own)));
        LoadRecord(rec.data());
    }
}

// ---- THyperJumpList ------------------------------------------------------------

THyperJumpList::THyperJumpList()
    : TPooledRecordList(sizeof(LinkRec), {offsetof(LinkRec, Method), offsetof(LinkRec, Class), offsetof(LinkRec, File)}) {}

THyperJumpList::~THyperJumpList() = default;

std::unique_ptr<TGeneralList> THyperJumpList::NewInstance() const { return std::make_unique<THyperJumpList>(); }

int THyperJumpList::Add(const TLinkInfo& place) {
    LinkRec r{};
    r.TopLine = place.TopLine;
    r.TopCol = place.TopCol;
    r.CursorLine = place.CursorLine;
    r.CursorCol = place.CursorCol;
    SetField(&r, offsetof(LinkRec, Method), place.MethodName);
    SetField(&r, offsetof(LinkRec, Class), place.ClassName);
    SetField(&r, offsetof(LinkRec, File), place.FileName);
    for (int i = 0; i < Count; ++i) {
        const void* p = GetItem(i);
        if (FieldString(p, offsetof(LinkRec, Method)) == place.MethodName &&
            FieldString(p, offsetof(LinkRec, Class)) == place.ClassName) {
            PutBuffer(i, &r);
            return i;
        }
    }
    return AddBuffer(&r);
}

TLinkInfo THyperJumpList::Items(int index) const {
    if (index < 0 || index >= Count) Error();
    const void* p = GetItem(index);
    LinkRec r = ReadRec<LinkRec>(p);
    TLinkInfo li;
    li.MethodName = FieldString(p, offsetof(LinkRec, Method));
    li.ClassName = FieldString(p, offsetof(LinkRec, Class));
    li.TopLine = r.TopLine;
    li.TopCol = r.TopCol;
    li.CursorLine = r.CursorLine;
    li.CursorCol = r.CursorCol;
    li.FileName = FieldString(p, offsetof(LinkRec, File));
    return li;
}

int32_t THyperJumpList::StoredSize() const { return kLinkStored; }

void THyperJumpList::StoreRecord(int index, char* out) const {
    TLinkInfo li = Items(index);
    SetCountedString(out, kNameLimit, li.MethodName);
    SetCountedString(out + 65, kNameLimit, li.ClassName);
    PutInt(out + 130, li.TopLine);
    PutInt(out + 134, li.TopCol);
    PutInt(out + 138, li.CursorLine);
    PutInt(out + 142, li.CursorCol);
    SetCountedString(out + 146, kFileNameLimit, li.FileName);
}

void THyperJumpList::LoadRecord(const char* in) {
    TLinkInfo li;
    li.MethodName = GetCountedString(in, kNameLimit);
    li.ClassName = GetCountedString(in + 65, kNameLimit);
    li.TopLine = GetInt(in + 130);
    li.TopCol = GetInt(in + 134);
    li.CursorLine = GetInt(in + 138);
    li.CursorCol = GetInt(in + 142);
    li.FileName = GetCountedString(in + 146, kFileNameLimit);
    Add(li);
}

// ---- TClassComponentList ---------------------------------------------------------

TClassComponentList::TClassComponentList()
    : TComponentList(sizeof(ClassRec), {offsetof(ClassRec, Name), offsetof(ClassRec, Text)}) {}

TClassComponentList::~TClassComponentList() = default;

std::unique_ptr<TGeneralList> TClassComponentList::NewInstance() const {
    return std::make_unique<TClassComponentList>();
}

int TClassComponentList::AddClassComponent(uint8_t kind, uint8_t scope, std::string_view name, std::string_view text) {
    ClassRec r{};
    r.Scope = scope;
    r.Kind = kind;
    SetField(&r, offsetof(ClassRec, Name), name);
    SetField(&r, offsetof(ClassRec, Text), Trim(text));
    const int index = AddBuffer(&r);
    CountKind(kind);
    return index;
}

int TClassComponentList::FindClassComponentByName(uint8_t kind, std::string_view name) const {
    return FindKindAndName(offsetof(ClassRec, Kind), kind, offsetof(ClassRec, Name), name);
}

TClassComponent TClassComponentList::GetClassComponent(int index) const {
    if (index < 0 || index >= Count) Error();
    const void* p = GetItem(index);
    ClassRec r = ReadRec<ClassRec>(p);
    return {r.Scope, FieldString(p, offsetof(ClassRec, Name)), FieldString(p, offsetof(ClassRec, Text)), r.Kind};
}

void TClassComponentList::SetClassComponent(int index, const TClassComponent& c) {
    if (index < 0 || index >= Count) Error();
    ClassRec r{};
    r.Scope = c.Scope;
    r.Kind = c.Kind;
    SetField(&r, offsetof(ClassRec, Name), c.Name);
    SetField(&r, offsetof(ClassRec, Text), c.Text);
    PutBuffer(index, &r);
}

void TClassComponentList::SetKind(int index, uint8_t kind) {
    if (index < 0 || index >= Count) Error();
    static_cast<ClassRec*>(GetItem(index))->Kind = kind;
}

int TClassComponentList::Compare(int index1, int index2) {
    const void* a = GetItem(index1);
    const void* b = GetItem(index2);
    ClassRec ra = ReadRec<ClassRec>(a), rb = ReadRec<ClassRec>(b);
    if (ra.Kind != rb.Kind) return ra.Kind < rb.Kind ? -1 : 1;
    if (ra.Scope != rb.Scope) return ra.Scope < rb.Scope ? -1 : 1;
    return CompareText(FieldString(a, offsetof(ClassRec, Name)), FieldString(b, offsetof(ClassRec, Name)));
}

int32_t TClassComponentList::StoredSize() const { return kClassStored; }

void TClassComponentList::StoreRecord(int index, char* out) const {
    TClassComponent c = GetClassComponent(index);
    out[0] = char(c.Scope);
    SetCountedString(out + 1, kNameLimit, c.Name);
    SetCountedString(out + 66, kTextLimit, c.Text);
    out[322] = char(c.Kind);
}

void TClassComponentList::LoadRecord(const char* in) {
    AddClassComponent(uint8_t(in[322]), uint8_t(in[0]), GetCountedString(in + 1, kNameLimit),
                      GetCountedString(in + 66, kTextLimit));
}

// ---- TUnitComponentList -------------------------------------------------------------

TUnitComponentList::TUnitComponentList()
    : TComponentList(sizeof(UnitRec), {offsetof(UnitRec, Name), offsetof(UnitRec, Text)}) {}

TUnitComponentList::~TUnitComponentList() = default;

std::unique_ptr<TGeneralList> TUnitComponentList::NewInstance() const {
    return std::make_unique<TUnitComponentList>();
}

int TUnitComponentList::AddUnitComponent(uint8_t kind, std::string_view name, std::string_view text) {
    UnitRec r{};
    r.Kind = kind;
    SetField(&r, offsetof(UnitRec, Name), name);
    SetField(&r, offsetof(UnitRec, Text), Trim(text));
    const int index = AddBuffer(&r);
    CountKind(kind);
    return index;
}

int TUnitComponentList::FindUnitComponentByName(uint8_t kind, std::string_view name) const {
    return FindKindAndName(offsetof(UnitRec, Kind), kind, offsetof(UnitRec, Name), name);
}

TUnitComponent TUnitComponentList::GetUnitComponent(int index) const {
    if (index < 0 || index >= Count) Error();
    const void* p = GetItem(index);
    return {FieldString(p, offsetof(UnitRec, Name)), FieldString(p, offsetof(UnitRec, Text)), ReadRec<UnitRec>(p).Kind};
}

void TUnitComponentList::SetUnitComponent(int index, const TUnitComponent& c) {
    if (index < 0 || index >= Count) Error();
    UnitRec r{};
    r.Kind = c.Kind;
    SetField(&r, offsetof(UnitRec, Name), c.Name);
    SetField(&r, offsetof(UnitRec, Text), c.Text);
    PutBuffer(index, &r);
}

int TUnitComponentList::Compare(int index1, int index2) {
    const void* a = GetItem(index1);
    const void* b = GetItem(index2);
    uint8_t ka = ReadRec<UnitRec>(a).Kind, kb = ReadRec<UnitRec>(b).Kind;
    if (ka != kb) return ka < kb ? -1 : 1;
    return CompareText(FieldString(a, offsetof(UnitRec, Name)), FieldString(b, offsetof(UnitRec, Name)));
}

int32_t TUnitComponentList::StoredSize() const { return kUnitStored; }

void TUnitComponentList::StoreRecord(int index, char* out) const {
    TUnitComponent c = GetUnitComponent(index);
    SetCountedString(out, kNameLimit, c.Name);
    SetCountedString(out + 65, kTextLimit, c.Text);
    out[321] = char(c.Kind);
}

void TUnitComponentList::LoadRecord(const char* in) {
    AddUnitComponent(uint8_t(in[321]), GetCountedString(in, kNameLimit), GetCountedString(in + 65, kTextLimit));
}

void ScopeToStr(int scope, std::string& s) {
    switch (scope) {
        case 0: s = "pi"; break;
        case 1: s = "pt"; break;
        case 2: s = "pu"; break;
        case 3: s = "pb"; break;
        default: break;
    }
}

}  // namespace velt
