#include "foundation/ListUtils.h"

#include <cstring>

#include "foundation/Utils.h"

namespace velt {

// ---- TNonStucturedList -----------------------------------------------------

void TNonStucturedList::SaveToStream(TStream& stream) {
    WriteInteger(stream, Count);
    for (int i = 0; i < Count; ++i) WriteItem(i, stream);
}

void TNonStucturedList::LoadFromStream(TStream& stream) {
    const int32_t count = ReadInteger(stream);
    CheckStoredCount(count, stream.Remaining(), GetItemStreamSize());
    for (int i = 0; i < count; ++i) ReadItem(stream);
}

// ---- record-list helpers ---------------------------------------------------

TGeneralList* SortListByID(TGeneralList* list) {
    if (!list) return list;
    TIDList ids(list->GetItemSize());
    ids.Assign(list);
    std::unique_ptr<TGeneralList> sorted = ids.GetSortedList();
    list->Assign(sorted.get());
    return list;
}

std::unique_ptr<TPureIDList> CreateIndexIDList(const TIDList* list, const TIDList* reference) {
    auto result = std::make_unique<TPureIDList>();
    if (!list) return result;
    for (int i = 0; i < list->GetCount(); ++i)
        result->AddID(reference ? reference->IndexOf(list->GetID(i)) : -1);
    return result;
}

bool BinaryCompareLists(const TGeneralList* a, const TGeneralList* b) {
    if (!a || !b) return a == b;
    if (a->GetCount() != b->GetCount() || a->GetItemSize() != b->GetItemSize()) return false;
    const size_t n = size_t(int64_t(a->GetCount()) * a->GetItemSize());
    return n == 0 || std::memcmp(a->GetFirst(), b->GetFirst(), n) == 0;
}

void WriteGeneralList(TStream& stream, TGeneralList* list) {
    WriteShortString(stream, list->ClassName());
    list->SaveToStream(stream);
}

std::unique_ptr<TGeneralList> ReadGeneralList(TStream& stream) {
    std::unique_ptr<TGeneralList> list = CreateGeneralList(ReadShortString(stream));
    list->LoadFromStream(stream);
    return list;
}

void GeneralListFWrite(TWriter& writer, TGeneralList* list) { list->SaveToWriter(writer); }

std::unique_ptr<TGeneralList> GeneralListFRead(TReader& reader,
                                               const std::function<std::unique_ptr<TGeneralList>()>& listClass) {
    std::unique_ptr<TGeneralList> list = listClass();
    if (!list) throw EClassNotFound("No record-list class to read into");
    list->LoadFromReader(reader);
    return list;
}

}  // namespace velt
