#include "platform/ui/Cursors.h"

namespace velt {

Qt::CursorShape CursorShapeOf(TCursor cursor) {
    switch (cursor) {
        case crDrag:
            return Qt::DragMoveCursor;
        case crMultiDrag:
            return Qt::DragCopyCursor;
        default:
            return Qt::ArrowCursor;
    }
}

}  // namespace velt
