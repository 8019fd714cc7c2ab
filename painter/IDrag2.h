#pragma once
// Drag and drop onto components of the editing canvas. The drag source and
// state are the tree view's, so this header belongs to the Qt side.

#include "foundation/ComPtr.h"
#include "platform/ui/GdiTypes.h"
#include "treeview/GeneralNode.h"

namespace velt {

// {5BB18021-C3E9-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IDrop{0x5BB18021, 0xC3E9, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {5BB18022-C3E9-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IDrag{0x5BB18022, 0xC3E9, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};

class IDrop : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IDrop;
    // Whether the drop would be accepted at p.
    virtual bool DragOver(const TDragSource& source, TDragState state, TPoint p) = 0;
    virtual void Drop(const TDragSource& source, TPoint p) = 0;
};

// Nothing calls it: only its identity is known.
class IDrag : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IDrag;
};

}  // namespace velt
