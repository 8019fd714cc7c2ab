#include "treeview/SmallReg.h"

#include "platform/ui/ComponentPalette.h"
#include "treeview/CheckedListView.h"
#include "treeview/Highlight.h"

namespace velt {

void RegisterSmallControls() {
    RegisterComponents("Varno", {
                                    {"TCheckedListView", ComponentFactory<TCheckedListView>()},
                                    {"THighlight", ComponentFactory<THighlight>()},
                                });
}

}  // namespace velt
