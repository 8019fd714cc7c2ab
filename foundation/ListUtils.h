#pragma once
// Record-list helpers: streaming a list together with its class name,
// sorting any list by its leading ID, index and comparison helpers, the
// list whose records stream themselves, and the form-filer list helpers.

#include <memory>
#include <string>

#include "foundation/Filer.h"
#include "foundation/GeneralList.h"
#include "foundation/IDList.h"

namespace velt {

// A record list whose records stream themselves: the count, then each
// record as WriteItem writes it. ReadItem adds the record it reads.
class TNonStucturedList : public TGeneralList {
public:
    using TGeneralList::TGeneralList;
    std::string ClassName() const override { return "TNonStucturedList"; }
    virtual void ReadItem(TStream& stream) = 0;
    virtual void WriteItem(int index, TStream& stream) = 0;
    // The fewest bytes ReadItem reads for one item (an item may stream
    // nothing).
    virtual int32_t GetItemStreamSize() const { return 0; }
    void SaveToStream(TStream& stream) override;
    // Reads the count and calls ReadItem that many times, adding to the
    // records already held. A count that CheckStoredCount refuses (against
    // GetItemStreamSize) raises EReadError.
    void LoadFromStream(TStream& stream) override;
};

// Sorts list by the first 32-bit integer of its records; returns list.
TGeneralList* SortListByID(TGeneralList* list);
// For each record of list, the index in reference of the first record with
// the same ID, or -1. The caller owns the result.
std::unique_ptr<TPureIDList> CreateIndexIDList(const TIDList* list, const TIDList* reference);
// Same count, same record size and equal storage byte for byte.
bool BinaryCompareLists(const TGeneralList* a, const TGeneralList* b);

// The class name as a short string, then the list's own record stream.
void WriteGeneralList(TStream& stream, TGeneralList* list);
// Creates the list through its registered class and loads it. EClassNotFound
// for a name that is not a registered record list.
std::unique_ptr<TGeneralList> ReadGeneralList(TStream& stream);

// The list's SaveToWriter.
void GeneralListFWrite(TWriter& writer, TGeneralList* list);
// A new list from listClass, loaded by LoadFromReader; freed when that raises.
std::unique_ptr<TGeneralList> GeneralListFRead(TReader& reader,
                                               const std::function<std::unique_ptr<TGeneralList>()>& listClass);
template <class T>
std::unique_ptr<T> GeneralListFRead(TReader& reader) {
    auto list = std::make_unique<T>();
    list->LoadFromReader(reader);
    return list;
}

}  // namespace velt
