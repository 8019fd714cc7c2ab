#pragma once
// The mouse button and shift state of the platform's mouse events, one byte
// each (the component model stores them), and their link to Qt.

#include <cstdint>

#include <Qt>

namespace velt {

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
enum TShiftStateBit : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
// Set of TShiftStateBit, bit n for ordinal n.
using TShiftState = uint8_t;
static_assert(sizeof(TMouseButton) == 1 && sizeof(TShiftState) == 1);
constexpr TShiftState ShiftBit(TShiftStateBit b) { return TShiftState(1u << unsigned(b)); }

inline TShiftState ShiftFromQt(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (mods & Qt::ShiftModifier) s |= ShiftBit(ssShift);
    if (mods & Qt::AltModifier) s |= ShiftBit(ssAlt);
    if (mods & Qt::ControlModifier) s |= ShiftBit(ssCtrl);
    if (buttons & Qt::LeftButton) s |= ShiftBit(ssLeft);
    if (buttons & Qt::RightButton) s |= ShiftBit(ssRight);
    if (buttons & Qt::MiddleButton) s |= ShiftBit(ssMiddle);
    return s;
}

inline TMouseButton ButtonFromQt(Qt::MouseButton b) {
    return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}

}  // namespace velt
