#include "sourcesafe/SourceSafeItemList.h"

#include <algorithm>
#include <cstring>

#include "foundation/SysUtils.h"
#include "foundation/Utils.h"

namespace velt {

int TSourceSafeItemList::AddItem(int32_t ID, int32_t Type, std::string_view Name, int32_t State) {
    TSourceSafeItemRec rec{};
    rec.ID = ID;
    rec.Type = Type;
    rec.State = State;
    SetCountedString(&rec.NameLen, int(sizeof rec.Name), Name);
    return Add(&rec);
}

TSourceSafeItemRec TSourceSafeItemList::RecOf(const void* Info) {
    TSourceSafeItemRec rec;
    std::memcpy(&rec, Info, sizeof rec);
    rec.NameLen = std::min<uint8_t>(rec.NameLen, uint8_t(sizeof rec.Name));
    return rec;
}

TSourceSafeItemRec TSourceSafeItemList::GetItems(int index) const {
    if (index < 0 || index >= GetCount()) Error();
    return RecOf(GetItem(index));
}

std::string TSourceSafeItemList::NameOf(const TSourceSafeItemRec& Rec) {
    return std::string(Rec.Name, std::min<size_t>(Rec.NameLen, sizeof Rec.Name));
}

int TSourceSafeItemList::Compare(int index1, int index2) {
    const TSourceSafeItemRec a = GetItems(index1);
    const TSourceSafeItemRec b = GetItems(index2);
    if (a.Type != b.Type) return a.Type < b.Type ? -1 : 1;
    if (a.State != b.State) return a.State > b.State ? -1 : 1;
    const int byName = CompareText(NameOf(a), NameOf(b));
    return byName < 0 ? -1 : byName > 0 ? 1 : 0;
}

}  // namespace velt
