// Loads arbitrary bytes as a record stream into several record-list classes
// (the first byte chooses the class and the way in: plain stream, stream
// with class name, or form-file property). A load either raises one of the
// system's exceptions and leaves the list empty, or gives a list whose saved
// stream loads back to the same bytes. Name lookups, sorting and the set
// operations then run over whatever was loaded.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "foundation/Filer.h"
#include "foundation/IDList.h"
#include "foundation/ListUtils.h"

using namespace velt;

namespace {

std::unique_ptr<TGeneralList> Make(int kind) {
    switch (kind) {
        case 0: return std::make_unique<TGeneralList>(0);
        case 1: return std::make_unique<TGeneralList>(16);
        case 2: return std::make_unique<TIDList>(0);
        case 3: return std::make_unique<TPureIDList>();
        case 4: return std::make_unique<T2IntList>();
        case 5: return std::make_unique<TNameList>();
        default: return std::make_unique<TShortNameList>();
    }
}

void Check(bool ok) {
    if (!ok) std::abort();
}

void Exercise(TGeneralList& list) {
    Check(list.GetData().Size() == int64_t(list.GetCount()) * list.GetItemSize());

    TMemoryStream saved;
    list.SaveToStream(saved);
    saved.SetPosition(0);
    std::unique_ptr<TGeneralList> again = list.GetCopyObject();
    again->LoadFromStream(saved);
    Check(saved.GetPosition() == saved.Size());
    Check(BinaryCompareLists(again.get(), &list));

    auto* ids = dynamic_cast<TIDList*>(&list);
    if (!ids || list.GetItemSize() < 4 || list.GetCount() > 2000) return;
    std::string s;
    if (auto* names = dynamic_cast<TNameList*>(ids)) {
        for (int i = 0; i < names->GetCount(); ++i) {
            names->GetNames(i, s);
            Check(int(s.size()) <= names->NameCapacity());
            Check(names->GetListItemByName(s) != nullptr);
        }
    }
    auto sorted = ids->GetSortedList();
    Check(sorted->GetCount() == ids->GetCount());
    auto common = ids->Intersect(dynamic_cast<TIDList*>(sorted.get()));
    Check(common->GetCount() == ids->GetCount());
    auto rest = ids->Subtract(dynamic_cast<TIDList*>(sorted.get()));
    Check(rest->GetCount() == 0);
    ids->Uniqualize(ids);
    Check(ids->GetCount() == sorted->GetCount());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int mode = data[0] % 3;
    const int kind = (data[0] / 3) % 7;
    TMemoryStream in;
    in.WriteBuffer(data + 1, int64_t(size - 1));
    in.SetPosition(0);

    std::unique_ptr<TGeneralList> list;
    try {
        if (mode == 0) {
            list = Make(kind);
            list->LoadFromStream(in);
        } else if (mode == 1) {
            list = ReadGeneralList(in);
        } else {
            list = Make(kind);
            TReader reader(in);
            reader.ReadProperties(list.get());
        }
    } catch (const Exception&) {
        // A failed stream load leaves an empty list behind.
        if (mode == 0) Check(list->GetCount() == 0 && list->GetData().Size() == 0);
        return 0;
    }
    Exercise(*list);
    return 0;
}
