#include "foundation/TreeList.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace velt {

namespace {

int32_t EntryAt(TPureIDList& list, int pos) {
    int32_t v;
    std::memcpy(&v, list.GetItem(pos), 4);
    return v;
}

void SetEntry(TPureIDList& list, int pos, int32_t v) { std::memcpy(list.GetItem(pos), &v, 4); }

int32_t ReadInt(const void* rec, int32_t offset) {
    int32_t v;
    std::memcpy(&v, static_cast<const char*>(rec) + offset, 4);
    return v;
}

void WriteInt(void* rec, int32_t offset, int32_t v) { std::memcpy(static_cast<char*>(rec) + offset, &v, 4); }

// Removes the entry naming record index; with renumber, entries above it
// move down by one.
void RemoveEntry(TPureIDList& list, int index, bool renumber) {
    const int n = list.GetCount();
    int at = -1;
    for (int p = 0; p < n; ++p) {
        const int32_t v = EntryAt(list, p);
        if (v == index && at < 0) at = p;
        else if (renumber && v > index) SetEntry(list, p, v - 1);
    }
    if (at >= 0) list.Delete(at);
}

}  // namespace

TTreeList::TTreeList(int32_t itemSize) : TPlainList(itemSize) {}

TTreeList::~TTreeList() = default;

TPureIDList* TTreeList::GetIndexes(int key) {
    EnsureKeys();
    if (key < 0 || key >= KeyCount) RaiseListError(this);
    return size_t(key) < Indexes.size() ? Indexes[size_t(key)].get() : nullptr;
}

void TTreeList::SetIndexes(int key, std::unique_ptr<TPureIDList> list) {
    EnsureKeys();
    if (key < 0 || key >= KeyCount || !list || !Indexes[size_t(key)]) RaiseListError(this);
    const TKeyInfo k = CheckedKey(key);
    if (list->GetCount() != Count) RaiseListError(this);
    std::vector<char> seen(static_cast<size_t>(Count), 0);
    for (int p = 0; p < Count; ++p) {
        const int32_t r = EntryAt(*list, p);
        if (r < 0 || r >= Count || seen[size_t(r)]) RaiseListError(this);
        seen[size_t(r)] = 1;
        if (p > 0 && CompareRecords(k, GetItem(EntryAt(*list, p - 1)), GetItem(r)) > 0) RaiseListError(this);
    }
    Indexes[size_t(key)] = std::move(list);
}

void TTreeList::EmptyIndexes() {
    for (auto& list : Indexes)
        if (list) list->Clear();
}

void TTreeList::Clear() {
    TPlainList::Clear();
    EmptyIndexes();
}

int TTreeList::Add(const void* rec) {
    EnsureKeys();
    const int index = TPlainList::Add(rec);
    iFixupIndex(index);
    return index;
}

void TTreeList::Insert(int /*index*/, const void* rec) { Add(rec); }

void TTreeList::AddList(const TGeneralList* source) {
    if (!source || source->GetCount() == 0) return;
    EnsureKeys();
    // A copy: the source may be this table, whose storage Add moves.
    const int n = source->GetCount();
    const int32_t srcSize = source->GetItemSize();
    std::vector<char> src(static_cast<const char*>(source->GetFirst()),
                          static_cast<const char*>(source->GetFirst()) + int64_t(n) * srcSize);
    std::vector<char> rec(static_cast<size_t>(ItemSize), 0);
    const size_t keep = size_t(std::min(srcSize, ItemSize));
    for (int i = 0; i < n; ++i) {
        std::fill(rec.begin(), rec.end(), 0);
        if (keep) std::memcpy(rec.data(), src.data() + int64_t(i) * srcSize, keep);
        Add(rec.data());
    }
}

void TTreeList::Delete(int index) {
    if (index < 0 || index >= Count) RaiseListError(this);
    EnsureKeys();
    iDeleteIndex(index);
    TPlainList::Delete(index);
}

void TTreeList::SetItem(int index, const void* rec) {
    if (index < 0 || index >= Count) RaiseListError(this);
    TPlainList::SetItem(index, rec);
    RefreshIndexes(index);
}

void TTreeList::LoadFromStream(TStream& stream) {
    EnsureKeys();
    try {
        TPlainList::LoadFromStream(stream);
    } catch (...) {
        EmptyIndexes();  // the failed load left no records
        throw;
    }
    RebuildIndexes();
}

void TTreeList::LoadFromReader(TReader& reader) {
    EnsureKeys();
    TPlainList::LoadFromReader(reader);
    // The records were filled after they were added.
    RebuildIndexes();
}

int TTreeList::Search(int key, int32_t offset, int32_t size, const void* value, TItemsCompareProc proc) {
    if (key < 0 || size_t(key) >= Indexes.size() || !Indexes[size_t(key)])
        return TPlainList::Search(key, offset, size, value, proc);
    SearchList = Indexes[size_t(key)].get();
    SearchOffset = offset;
    SearchSize = size;
    SearchProc = proc;
    SearchResult = 1;
    SearchPos = 0;
    if (SearchList->GetCount() == 0) return -1;
    SearchResult = BSearch(0, SearchList->GetCount(), value, SearchPos);
    return SearchResult == 0 ? EntryAt(*SearchList, SearchPos) : -1;
}

int TTreeList::BSearch(int lo, int hi, const void* value, int32_t& pos) {
    if (!SearchList || !SearchProc || lo < 0 || hi > SearchList->GetCount() || lo >= hi) RaiseListError(this);
    for (;;) {
        const int mid = lo + (hi - lo) / 2;
        pos = mid;
        const int r = (this->*SearchProc)(GetItem(EntryAt(*SearchList, mid)), SearchOffset, SearchSize, value);
        if (hi - lo < 2 || r == 0) return r;
        if (r < 0) lo = mid;
        else hi = mid;
    }
}

void TTreeList::AfterGetKeyList() {
    Indexes.clear();
    Indexes.resize(size_t(KeyCount));
    for (int k = 0; k < KeyCount; ++k)
        if (Keys->GetKeyInfo(k).Index) Indexes[size_t(k)] = std::make_unique<TPureIDList>();
    RebuildIndexes();
}

void TTreeList::iFixupKey(int key, int index) {
    TPureIDList& list = *Indexes[size_t(key)];
    TPreparedValue v;
    const void* value = PrepareFieldValue(CheckedKey(key), GetItem(index), v);
    FindKey(key, value);
    int32_t at = SearchPos;
    if (SearchResult < 0) ++at;  // after a smaller entry; before an equal or greater one
    list.Insert(at, &index);
}

void TTreeList::iFixupIndex(int index) {
    for (size_t k = 0; k < Indexes.size(); ++k)
        if (Indexes[k]) iFixupKey(int(k), index);
}

void TTreeList::iDeleteIndex(int index) {
    for (auto& list : Indexes)
        if (list) RemoveEntry(*list, index, true);
}

void TTreeList::RefreshIndexes(int index) {
    if (index < 0 || index >= Count) RaiseListError(this);
    EnsureKeys();
    for (size_t k = 0; k < Indexes.size(); ++k) {
        if (!Indexes[k]) continue;
        RemoveEntry(*Indexes[k], index, false);
        iFixupKey(int(k), index);
    }
}

void TTreeList::FieldWritten(int index, int /*key*/) {
    // Keys may share bytes, so every index of the record is refreshed.
    RefreshIndexes(index);
}

void TTreeList::RebuildIndex(int key) {
    TPureIDList& list = *Indexes[size_t(key)];
    list.Clear();
    const TKeyInfo k = CheckedKey(key);
    std::vector<int32_t> order(static_cast<size_t>(Count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int32_t a, int32_t b) { return CompareRecords(k, GetItem(a), GetItem(b)) < 0; });
    for (int32_t r : order) list.Add(&r);
}

void TTreeList::RebuildIndexes() {
    for (size_t k = 0; k < Indexes.size(); ++k)
        if (Indexes[k]) RebuildIndex(int(k));
}

bool TTreeList::RecordsMoved(const std::vector<int>& /*newIndexOfOld*/) { return false; }

void TTreeList::PermuteRecords(const std::vector<int>& order) {
    // order[k] is the old number of the record that goes to position k.
    const size_t size = size_t(ItemSize);
    std::vector<char> moved(static_cast<size_t>(Count) * size);
    for (size_t k = 0; k < order.size(); ++k)
        if (size) std::memcpy(moved.data() + k * size, GetItem(order[k]), size);
    if (!moved.empty()) std::memcpy(Data.Memory(), moved.data(), moved.size());
    std::vector<int> newIndexOfOld(order.size());
    for (size_t k = 0; k < order.size(); ++k) newIndexOfOld[size_t(order[k])] = int(k);
    RecordsMoved(newIndexOfOld);
}

void TTreeList::QuickSort(int l, int r) {
    EnsureKeys();
    if (l >= r) return;
    if (l < 0 || r >= Count || SortIndex == -1) RaiseListError(this);
    std::vector<int> order(static_cast<size_t>(Count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin() + l, order.begin() + r + 1, [this](int a, int b) { return Compare(a, b) < 0; });
    PermuteRecords(order);
    RebuildIndexes();
}

void TTreeList::Exchange(int i, int j) {
    if (i < 0 || j < 0 || i >= Count || j >= Count) RaiseListError(this);
    if (i == j) return;
    EnsureKeys();
    TPlainList::Exchange(i, j);
    // The key values change records: the entries swap their numbers.
    for (auto& list : Indexes) {
        if (!list) continue;
        for (int p = 0; p < list->GetCount(); ++p) {
            const int32_t v = EntryAt(*list, p);
            if (v == i) SetEntry(*list, p, j);
            else if (v == j) SetEntry(*list, p, i);
        }
    }
    std::vector<int> moved(static_cast<size_t>(Count));
    std::iota(moved.begin(), moved.end(), 0);
    std::swap(moved[size_t(i)], moved[size_t(j)]);
    if (RecordsMoved(moved)) RebuildIndexes();
}

void* TTreeList::GetItemAutoAdd(int index) {
    if (index < 0) RaiseListError(this);
    EnsureKeys();
    const int before = Count;
    TPlainList::GetItemAutoAdd(index);
    for (int r = before; r < Count; ++r) iFixupIndex(r);
    return GetItem(index);
}

// ---- parentable list ----------------------------------------------------------------

std::vector<TKeyInfo> TParentableList::ParentKeys() {
    std::vector<TKeyInfo> keys;
    for (int k = 0; k < GetKeyCount(); ++k) {
        TKeyInfo info = CheckedKey(k);
        if (info.Key == tkParent) keys.push_back(info);
    }
    return keys;
}

void TParentableList::CascadeDelete(const std::vector<int>& roots) {
    const int n = Count;
    for (int r : roots)
        if (r < 0 || r >= n) RaiseListError(this);
    if (roots.empty()) return;
    const std::vector<TKeyInfo> parents = ParentKeys();

    // Children of every record through any parent key.
    std::vector<std::vector<int>> children(static_cast<size_t>(n));
    for (int r = 0; r < n; ++r)
        for (const TKeyInfo& k : parents) {
            const int32_t p = ReadInt(GetItem(r), k.Offset);
            if (p >= 0 && p < n) children[size_t(p)].push_back(r);
        }

    // The set to delete; marking before visiting ends cycles.
    std::vector<char> doomed(static_cast<size_t>(n), 0);
    std::vector<int> work;
    for (int r : roots)
        if (!doomed[size_t(r)]) {
            doomed[size_t(r)] = 1;
            work.push_back(r);
        }
    while (!work.empty()) {
        const int r = work.back();
        work.pop_back();
        for (int c : children[size_t(r)])
            if (!doomed[size_t(c)]) {
                doomed[size_t(c)] = 1;
                work.push_back(c);
            }
    }

    // Numbers of the survivors once the set is gone. A survivor's parent is
    // a survivor (else it would be a descendant), and the mapping keeps the
    // order, so the indexes of parent keys stay sorted.
    std::vector<int32_t> newIndex(static_cast<size_t>(n));
    int32_t next = 0;
    for (int r = 0; r < n; ++r) newIndex[size_t(r)] = doomed[size_t(r)] ? -1 : next++;
    for (int r = 0; r < n; ++r) {
        if (doomed[size_t(r)]) continue;
        for (const TKeyInfo& k : parents) {
            const int32_t p = ReadInt(GetItem(r), k.Offset);
            if (p >= 0 && p < n) WriteInt(GetItem(r), k.Offset, newIndex[size_t(p)]);
        }
    }
    for (int r = n - 1; r >= 0; --r)
        if (doomed[size_t(r)]) TTreeList::Delete(r);
}

void TParentableList::Delete(int index) {
    if (index < 0 || index >= Count) RaiseListError(this);
    CascadeDelete({index});
}

void TParentableList::DeleteCollected(const TPureIDList& indexes) {
    std::vector<int> roots;
    for (int i = 0; i < indexes.GetCount(); ++i) roots.push_back(indexes.GetID(i));
    CascadeDelete(roots);
}

bool TParentableList::RecordsMoved(const std::vector<int>& newIndexOfOld) {
    const std::vector<TKeyInfo> parents = ParentKeys();
    const int n = int(newIndexOfOld.size());
    for (int r = 0; r < Count; ++r)
        for (const TKeyInfo& k : parents) {
            const int32_t p = ReadInt(GetItem(r), k.Offset);
            if (p >= 0 && p < n) WriteInt(GetItem(r), k.Offset, newIndexOfOld[size_t(p)]);
        }
    return !parents.empty();
}

bool TParentableList::IsSubnode(int ancestor, int node) {
    const std::vector<TKeyInfo> parents = ParentKeys();
    if (parents.empty()) return true;
    if (ancestor == node || node < 0 || node >= Count || ancestor < 0 || ancestor >= Count) return false;
    for (const TKeyInfo& k : parents) {
        bool met = false;
        int32_t cur = node;
        for (int step = 0; step < Count && !met; ++step) {
            const int32_t p = ReadInt(GetItem(cur), k.Offset);
            if (p < 0 || p >= Count) break;
            met = p == ancestor;
            cur = p;
        }
        if (!met) return false;
    }
    return true;
}

}  // namespace velt
