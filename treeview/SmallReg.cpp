#include "treeview/SmallReg.h"

#include "platform/ui/ComponentPalette.h"
#include "treeview/CheckedListView.h"
#include "treeview/Highlight.h"

namespace velt {

namespace {

template <typename T>
TComponentFactory Factory() {
    return [] { return std::unique_ptr<QWidget>(T::Create().release()); };
}

}  // namespace

void RegisterSmallControls() {
    RegisterComponents("Varno", {
                                    {"TCheckedListView", Factory<TCheckedListView>()},
                                    {"THighlight", Factory<THighlight>()},
                                });
}

}  // namespace velt
