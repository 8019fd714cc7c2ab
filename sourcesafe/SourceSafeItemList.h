#pragma once
// The children of one SourceSafe project as the explorer tree lists them:
// sub-projects first, then checked-out files, then the other files, each
// group by name (ASCII case ignored).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/IDList.h"

namespace velt {

// Item types of the tree, as the automation objects give them.
enum TSourceSafeItemType : int32_t { ssitProject = 0, ssitFile = 1 };

#pragma pack(push, 1)
struct TSourceSafeItemRec {
    int32_t ID;
    int32_t Type;     // TSourceSafeItemType
    int32_t State;    // the file's IsCheckedOut; 0 for a project
    uint8_t NameLen;  // counted string of at most 128 characters
    char Name[128];
    char Reserved[3];
};
#pragma pack(pop)
static_assert(sizeof(TSourceSafeItemRec) == 144);

class TSourceSafeItemList : public TIDList {
public:
    TSourceSafeItemList() : TIDList(sizeof(TSourceSafeItemRec)) {}
    std::string ClassName() const override { return "TSourceSafeItemList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TSourceSafeItemList>(); }

    // A name longer than the field is cut.
    int AddItem(int32_t ID, int32_t Type, std::string_view Name, int32_t State);
    // A copy of record index, its length clamped to the field.
    TSourceSafeItemRec GetItems(int index) const;
    // Type ascending, State descending, Name ASCII case-insensitively.
    int Compare(int index1, int index2) override;

    static TSourceSafeItemRec RecOf(const void* Info);
    static std::string NameOf(const TSourceSafeItemRec& Rec);
};

}  // namespace velt
