#include "foundation/GeneralList.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "foundation/Filer.h"
#include "foundation/Utils.h"

namespace velt {

static_assert(std::endian::native == std::endian::little, "record streams are little-endian memory images");

namespace {

// True when the n bytes at p overlap the list's storage, which an append may
// move.
bool Overlaps(const TMemoryStream& data, const void* p, int64_t n) {
    auto b = reinterpret_cast<uintptr_t>(data.Memory());
    auto q = reinterpret_cast<uintptr_t>(p);
    return b != 0 && q < b + uintptr_t(data.Size()) && q + uintptr_t(n) > b;
}

struct RegisterGeneralList {
    RegisterGeneralList() {
        RegisterClass("TGeneralList", [] { return new TGeneralList(); });
    }
} registerGeneralList;

}  // namespace

TGeneralList::TGeneralList(int32_t itemSize) : ItemSize(itemSize) {
    if (itemSize < 0) Error();
}

TGeneralList::~TGeneralList() = default;

void TGeneralList::AssignTo(TPersistent* dest) const {
    if (auto* d = dynamic_cast<TGeneralList*>(dest)) d->SetList(this);
}

void TGeneralList::DefineProperties(TFiler* filer) {
    filer->DefineBinaryProperty(
        "DataGeneralList", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, true);
}

std::unique_ptr<TGeneralList> TGeneralList::NewInstance() const { return std::make_unique<TGeneralList>(0); }

std::unique_ptr<TGeneralList> TGeneralList::GetCopyObject() const {
    auto copy = NewInstance();
    copy->SetItemSizeEmpty(ItemSize);
    return copy;
}

void TGeneralList::ReadData(TStream& stream) {
    // An empty list is stored as an empty value.
    if (stream.Remaining() == 0) {
        Clear();
        return;
    }
    LoadFromStream(stream);
}

void TGeneralList::WriteData(TStream& stream) {
    if (Count != 0) SaveToStream(stream);
}

void* TGeneralList::GetItemsWithOffset(int index, int offset) {
    return static_cast<char*>(GetItem(index)) + offset;
}

int TGeneralList::GetIndexByPtr(const void* p) const {
    if (ItemSize <= 0) Error();
    int64_t diff = reinterpret_cast<intptr_t>(p) - reinterpret_cast<intptr_t>(GetFirst());
    // Floor division: an address below the block gives a negative index.
    int64_t idx = diff >= 0 ? diff / ItemSize : -((-diff + ItemSize - 1) / ItemSize);
    return int(std::clamp<int64_t>(idx, INT32_MIN, INT32_MAX));
}

void TGeneralList::CopyRec(const void* /*source*/, void* /*dest*/) {}

void TGeneralList::DestroyRec(int /*index*/) {}

void TGeneralList::Error() const { throw Exception("General List Error"); }

void TGeneralList::Clear() {
    for (int i = 0; i < Count; ++i) DestroyRec(i);
    Count = 0;
    Data.Clear();
}

int TGeneralList::Add(const void* rec) {
    CheckRoom(1);
    std::vector<char> tmp;
    const void* src = rec;
    if (Overlaps(Data, rec, ItemSize)) {
        tmp.assign(static_cast<const char*>(rec), static_cast<const char*>(rec) + ItemSize);
        src = tmp.data();
    }
    Data.SetPosition(Data.Size());
    Data.WriteBuffer(src, ItemSize);
    int index = Count;
    CopyRec(src, GetItem(index));
    ++Count;
    return index;
}

void TGeneralList::Insert(int index, const void* rec) {
    if (index < 0) Error();
    if (index >= Count) {
        Add(rec);
        return;
    }
    CheckRoom(1);
    // A copy first: rec may lie in the run that the insertion shifts.
    std::vector<char> tmp(static_cast<const char*>(rec), static_cast<const char*>(rec) + ItemSize);
    int64_t at = int64_t(index) * ItemSize;
    int64_t oldSize = Data.Size();
    Data.SetSize(oldSize + ItemSize);
    char* m = Data.Memory();
    std::memmove(m + at + ItemSize, m + at, size_t(oldSize - at));
    if (ItemSize) std::memcpy(m + at, tmp.data(), size_t(ItemSize));
    ++Count;
    CopyRec(tmp.data(), GetItem(index));
}

void TGeneralList::AddList(const TGeneralList* source) {
    if (!source || source->Count == 0) return;
    if (ItemSize == 0 && Count == 0) SetItemSizeEmpty(source->ItemSize);
    // A copy of the source's storage: it may be this list's own.
    const int n = source->Count;
    const int32_t srcSize = source->ItemSize;
    CheckRoom(n);
    std::vector<char> src(source->Data.Memory(), source->Data.Memory() + int64_t(n) * srcSize);
    const int first = Count;
    if (srcSize == ItemSize) {
        Data.SetPosition(Data.Size());
        Data.WriteBuffer(src.data(), int64_t(src.size()));
    } else {
        Data.SetSize(Data.Size() + int64_t(n) * ItemSize);
        const size_t m = size_t(std::min(srcSize, ItemSize));
        for (int i = 0; i < n; ++i)
            if (m) std::memcpy(static_cast<char*>(GetItem(first + i)), src.data() + int64_t(i) * srcSize, m);
    }
    Count = first + n;
    for (int i = 0; i < n; ++i) CopyRec(src.data() + int64_t(i) * srcSize, GetItem(first + i));
}

void TGeneralList::Delete(int index) {
    if (index < 0 || index >= Count) Error();
    DestroyRec(index);
    int64_t at = int64_t(index) * ItemSize;
    int64_t size = Data.Size();
    char* m = Data.Memory();
    if (ItemSize) std::memmove(m + at, m + at + ItemSize, size_t(size - at - ItemSize));
    Data.SetSize(size - ItemSize);
    --Count;
}

void TGeneralList::DeleteByPtr(const void* p) {
    if (Count == 0) Error();
    int index = GetIndexByPtr(p);
    if (index < 0 || index >= Count) Error();
    Delete(index);
}

int TGeneralList::AddEmpty() {
    std::vector<char> zero(size_t(ItemSize), 0);
    return Add(zero.data());
}

int TGeneralList::Compare(int /*index1*/, int /*index2*/) { throw EAbstractError("Abstract Error"); }

void TGeneralList::AdjustItemSize(int delta) {
    const int64_t newSize = int64_t(ItemSize) + delta;
    if (newSize < 0 || newSize > INT32_MAX) Error();
    std::unique_ptr<TGeneralList> copy = Clone();
    Clear();
    const int32_t oldSize = ItemSize;
    ItemSize = int32_t(newSize);
    std::vector<char> rec(size_t(ItemSize), 0);
    const size_t keep = size_t(std::min(oldSize, ItemSize));
    for (int i = 0; i < copy->Count; ++i) {
        std::fill(rec.begin(), rec.end(), 0);
        if (keep) std::memcpy(rec.data(), copy->GetItem(i), keep);
        Add(rec.data());
    }
}

void TGeneralList::SaveToWriter(TWriter& writer) {
    writer.Write(&Count, 4);
    writer.Write(&ItemSize, 4);
    for (int i = 0; i < Count; ++i) WriteRecordData(writer, i);
}

void TGeneralList::LoadFromReader(TReader& reader) {
    Clear();
    try {
        int32_t count = 0, storedSize = 0;
        reader.Read(&count, 4);
        reader.Read(&storedSize, 4);
        CheckStoredCount(count, reader.Remaining(), GetRecordDataSize());
        for (int i = 0; i < count; ++i) ReadRecordData(reader, AddEmpty());
    } catch (...) {
        Clear();
        throw;
    }
}

void TGeneralList::SaveToStream(TStream& stream) {
    WriteInteger(stream, Count);
    WriteInteger(stream, ItemSize);
    if (Data.Size()) stream.WriteBuffer(Data.Memory(), Data.Size());
}

void TGeneralList::LoadFromStream(TStream& stream) {
    // The records discarded here are not finalised (they are replaced as raw
    // storage, as they were stored).
    Data.Clear();
    Count = 0;
    try {
        if (stream.Remaining() < 8) throw EReadError("Record list stream is truncated");
        const int32_t count = ReadInteger(stream);
        const int32_t storedSize = ReadInteger(stream);
        if (count < 0) throw EReadError("Invalid record count in list stream");
        // Records stored without bytes are those of a list of record size 0;
        // they hold nothing to fill records of a real size with.
        if (storedSize < 0 || storedSize > MaxStreamItemSize || (storedSize == 0 && count > 0 && ItemSize != 0))
            throw EReadError("Invalid record size in list stream");
        if (int64_t(count) * storedSize > stream.Remaining()) throw EReadError("Record list stream is truncated");
        CheckStoredCount(count, stream.Remaining(), storedSize);
        // A list made without a record size takes the stored one.
        if (ItemSize == 0) ItemSize = storedSize;
        if (count == 0) return;
        if (storedSize == ItemSize) {
            Data.SetSize(int64_t(count) * ItemSize);
            stream.ReadBuffer(Data.Memory(), Data.Size());
        } else {
            // Each stored record gives what fits; the rest is skipped or
            // left zero.
            Data.SetSize(int64_t(count) * ItemSize);
            std::vector<char> rec(static_cast<size_t>(storedSize));
            const size_t keep = size_t(std::min(storedSize, ItemSize));
            for (int i = 0; i < count; ++i) {
                stream.ReadBuffer(rec.data(), storedSize);
                if (keep) std::memcpy(Data.Memory() + int64_t(i) * ItemSize, rec.data(), keep);
            }
        }
        Count = count;
    } catch (...) {
        Data.Clear();
        Count = 0;
        throw;
    }
}

void TGeneralList::WriteRecordData(TWriter& /*writer*/, int /*index*/) {}

void TGeneralList::ReadRecordData(TReader& /*reader*/, int /*index*/) {}

void TGeneralList::___(std::string& s) const { s = "Count: " + IntToStr(Count); }

void TGeneralList::SetItem(int index, const void* rec) {
    std::vector<char> tmp(static_cast<const char*>(rec), static_cast<const char*>(rec) + ItemSize);
    DestroyRec(index);
    if (ItemSize) std::memcpy(GetItem(index), tmp.data(), size_t(ItemSize));
    CopyRec(tmp.data(), GetItem(index));
}

void TGeneralList::Exchange(int i, int j) {
    if (i == j || ItemSize == 0) return;
    char* a = static_cast<char*>(GetItem(i));
    char* b = static_cast<char*>(GetItem(j));
    std::swap_ranges(a, a + ItemSize, b);
}

void TGeneralList::SetList(const TGeneralList* source) {
    if (source == this) return;  // already holds its own records
    Clear();
    AddList(source);
}

void* TGeneralList::GetItemAutoAdd(int index) {
    if (index < 0) Error();
    if (index >= Count) {
        CheckRoom(int64_t(index) - Count + 1);
        AppendZeroed(index - Count + 1);
    }
    return GetItem(index);
}

std::unique_ptr<TGeneralList> TGeneralList::Clone() const {
    auto copy = GetCopyObject();
    copy->Assign(this);
    return copy;
}

std::unique_ptr<TGeneralList> TGeneralList::GetSortedList() const {
    auto copy = Clone();
    if (copy->Count > 0 && GetCanSort()) copy->QuickSort(0, copy->Count - 1);
    return copy;
}

void TGeneralList::Sort() { QuickSort(0, Count - 1); }

void TGeneralList::QuickSort(int l, int r) {
    if (l >= r) return;
    if (l < 0 || r >= Count) Error();
    // Partitions that keep splitting badly (sorted or equal keys) hand the
    // rest to a heap sort, so the time stays n log n.
    int depth = 2 * std::bit_width(unsigned(r - l + 1)) + 2;
    QuickSortRange(l, r, depth);
}

void TGeneralList::QuickSortRange(int l, int r, int depth) {
    while (l < r) {
        if (depth-- <= 0) {
            HeapSortRange(l, r);
            return;
        }
        // Pivot at l.
        int i = l, j = r;
        do {
            while (Compare(i, l) <= 0 && i < r) ++i;
            while (j > l && Compare(j, l) > 0) --j;
            if (i < j) Exchange(i, j);
        } while (i < j);
        Exchange(l, j);
        // Recurse into the smaller part, loop on the larger.
        if (j - l < r - j) {
            QuickSortRange(l, j - 1, depth);
            l = j + 1;
        } else {
            QuickSortRange(j + 1, r, depth);
            r = j - 1;
        }
    }
}

void TGeneralList::SiftDown(int l, int root, int end) {
    for (;;) {
        int64_t child = 2 * int64_t(root) + 1;
        if (child > end) return;
        int top = root;
        if (Compare(l + top, l + int(child)) < 0) top = int(child);
        if (child + 1 <= end && Compare(l + top, l + int(child) + 1) < 0) top = int(child) + 1;
        if (top == root) return;
        Exchange(l + root, l + top);
        root = top;
    }
}

void TGeneralList::HeapSortRange(int l, int r) {
    const int n = r - l + 1;
    for (int start = n / 2 - 1; start >= 0; --start) SiftDown(l, start, n - 1);
    for (int end = n - 1; end > 0; --end) {
        Exchange(l, l + end);
        SiftDown(l, 0, end - 1);
    }
}

void TGeneralList::DefineField(int offset, int32_t kind) {
    if (!Fields) Fields = std::make_unique<std::vector<uint32_t>>();
    Fields->push_back(uint32_t(kind) * 65536u + (uint32_t(offset) & 0xFFFFu));
}

HResult TGeneralList::QueryInterface(const Guid& iid, void** obj) {
    return QueryFor<IUnknown, IGeneralList>(this, iid, obj);
}

int32_t TGeneralList::_Release() {
    int32_t r = --RefCount;
    if (r == 0) delete this;
    return r;
}

void TGeneralList::CheckStoredCount(int32_t count, int64_t remaining, int64_t perRecord) const {
    if (count < 0 || (perRecord > 0 && count > remaining / perRecord))
        throw EReadError("Invalid record count in list data");
    // What each record holds beyond the bytes it reads; a record that reads
    // nothing counts at least one byte, so that its count stays bounded too.
    const int64_t unbacked =
        perRecord > 0 ? std::max<int64_t>(ItemSize - perRecord, 0) : std::max<int64_t>(ItemSize, 1);
    if (int64_t(count) * unbacked > MaxUnbackedBytes) throw EReadError("Invalid record count in list data");
}

void TGeneralList::CheckRoom(int64_t more) const {
    if (more < 0 || Count + more > INT32_MAX) Error();
}

void TGeneralList::AppendZeroed(int n) {
    if (n <= 0) return;
    CheckRoom(n);
    Data.SetSize(Data.Size() + int64_t(n) * ItemSize);
    Count += n;
}

void TGeneralList::SetItemSizeEmpty(int32_t itemSize) {
    if (Count != 0 || itemSize < 0) Error();
    ItemSize = itemSize;
}

std::unique_ptr<TGeneralList> CreateGeneralList(const std::string& className) {
    std::unique_ptr<TPersistent> obj(FindClass(className)());
    auto* list = dynamic_cast<TGeneralList*>(obj.get());
    if (!list) throw EClassNotFound("Class " + className + " is not a record list");
    obj.release();
    return std::unique_ptr<TGeneralList>(list);
}

}  // namespace velt
