#pragma once
// Sorted tree lists: keyed tables that keep, for every key marked Index, a
// sorted index (a TPureIDList of record numbers in the order of that key's
// field). Searches on an indexed key bisect the index; other keys walk the
// records. Records stay in the order they were added.
//
// Invariant: every index holds each record number exactly once, ordered so
// that the records' key fields ascend (equal keys in any order). Every
// mutator of the table keeps it: add, insert, delete, set, exchange, sort,
// auto-add, load, and writes through SetItemValue, also when they are called
// through a TGeneralList pointer. A caller that changes a key field in place
// through a record address calls RefreshIndexes.
//
// TParentableList adds a parent relation: a tkParent key is a 32-bit field
// holding the parent's record number; any value that is not a record number
// marks a root.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/MultiKeyList.h"

namespace velt {

class TTreeList : public TPlainList {
public:
    explicit TTreeList(int32_t itemSize);
    ~TTreeList() override;
    std::string ClassName() const override { return "TTreeList"; }

    // The index of key, or null for a key without one.
    TPureIDList* GetIndexes(int key);
    // Replaces the index of an indexed key. "General List Error" unless the
    // list names every record once in key order.
    void SetIndexes(int key, std::unique_ptr<TPureIDList> list);

    void Clear() override;
    // Appends the record and enters it in every index; returns its number.
    int Add(const void* rec) override;
    // Appends, like Add: the position is not used.
    void Insert(int index, const void* rec) override;
    // Adds every record of source with Add (cut or zero-padded to this size).
    void AddList(const TGeneralList* source) override;
    void Delete(int index) override;
    void SetItem(int index, const void* rec) override;
    void LoadFromStream(TStream& stream) override;
    void LoadFromReader(TReader& reader) override;
    // Bisects the key's index, or walks the records for a key without one.
    int Search(int key, int32_t offset, int32_t size, const void* value, TItemsCompareProc proc) override;
    // Builds the indexes (for the records already held, when keys are read again).
    void AfterGetKeyList() override;

    // Orders records l to r by the sort key (stable), then rebuilds the
    // indexes; "General List Error" without a sort key.
    void QuickSort(int l, int r) override;
    void Exchange(int i, int j) override;
    void* GetItemAutoAdd(int index) override;

    // Moves record index to its sorted place in every index, after a key
    // field of it was changed in place.
    void RefreshIndexes(int index);
    // One bisection over the index being searched, between positions lo and
    // hi; pos receives the last probe. Returns the last comparison result.
    int BSearch(int lo, int hi, const void* value, int32_t& pos);
    int32_t GetSearchPos() const { return SearchPos; }
    int32_t GetSearchResult() const { return SearchResult; }

protected:
    void FieldWritten(int index, int key) override;
    // Records moved: record i of before now stands at newIndexOfOld[i]. A
    // subclass fixes references to record numbers held in the records and
    // answers whether it changed any field.
    virtual bool RecordsMoved(const std::vector<int>& newIndexOfOld);
    void RebuildIndexes();
    void RebuildIndex(int key);
    // Enters record index in every index (its entry must not be there yet).
    void iFixupIndex(int index);
    void iFixupKey(int key, int index);
    // Removes record index from every index and renumbers the entries above it.
    void iDeleteIndex(int index);

    std::vector<std::unique_ptr<TPureIDList>> Indexes;
    // Context of the current bisection.
    TPureIDList* SearchList = nullptr;
    int32_t SearchOffset = 0;
    int32_t SearchSize = 0;
    TItemsCompareProc SearchProc = nullptr;
    int32_t SearchPos = 0;
    int32_t SearchResult = 0;

private:
    void EmptyIndexes();
    void PermuteRecords(const std::vector<int>& order);
};

class TParentableList : public TTreeList {
public:
    using TTreeList::TTreeList;
    std::string ClassName() const override { return "TParentableList"; }

    // Deletes the record and all its descendants (through any tkParent key);
    // the parent fields of the records that stay keep naming the same
    // records. A cycle in the parent references ends the walk.
    void Delete(int index) override;
    // Whether ancestor is met walking up from node through every tkParent
    // key (at most Count steps). A node is not its own subnode; a table
    // without tkParent keys answers true.
    bool IsSubnode(int ancestor, int node);

protected:
    // The delete families remove the matches and their descendants at once.
    void DeleteCollected(const TPureIDList& indexes) override;
    bool RecordsMoved(const std::vector<int>& newIndexOfOld) override;
    std::vector<TKeyInfo> ParentKeys();
    // Deletes the roots and every descendant of them.
    void CascadeDelete(const std::vector<int>& roots);
};

}  // namespace velt
