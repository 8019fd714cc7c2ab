#pragma once
// The edit records that a component and the editing canvas pass between
// them while points are found, moved and drawn, and the attribute set of
// an editable component. Plain C++: the mouse button and shift state are
// held as the bytes of the surface's own types.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>

namespace velt {

enum TEditType : uint8_t { etNone, etMove, etMovePoint, etMoveLine };
enum TMoveType : uint8_t { mtManual, mtMove, mtUser };

enum TCompAttr : uint8_t {
    caInvalid,
    caCreated,
    caChanged,
    caSelected,
    ca_MultiSelect,
    caDraw,
    ca_Master,
    caVisible,
    caLocked,
    caEdit,
    ca_WinEdit,
    caLibIncluded,
    caReadOnlyParam,
    caDontHide,
    caTemp,
    caDraft,
    caUseColor,
    ceRes2,
    ceRes3,
    ceRes4,
    ceRes5,
    ceRes6,
    ceRes7,
    ceRes8,
    ceRes9
};

// One 32-bit word, bit n for attribute n. Bits above 31 read false and are
// not stored.
struct TCompAttrSet {
    uint32_t Bits = 0;
    bool Has(int a) const { return a >= 0 && a < 32 && (Bits >> a) & 1u; }
    void Set(int a, bool on) {
        if (a < 0 || a >= 32) return;
        if (on)
            Bits |= 1u << a;
        else
            Bits &= ~(1u << a);
    }
    bool operator==(const TCompAttrSet&) const = default;
};
static_assert(sizeof(TCompAttrSet) == 4);

enum TOverrideMode : uint8_t { omNone, omNoOver, omBefore, omAfter };
enum TListChanges : uint8_t { lcRebuild, lcInsert, lcRemove };

class TGrfEditComp;
// Handler with one argument, the component.
using TCompNotifyEvent = std::function<void(TGrfEditComp* comp)>;

#pragma pack(push, 1)

struct TEditPointInfo {
    int32_t Kind;       // for the component that reports the point
    int32_t Index;      // likewise
    float X;
    float Y;
    uint8_t Filled;     // marker drawn filled
    uint8_t Editable;   // false for locked components
    uint8_t Spare1[2];
    int16_t Cursor;     // shown over the point
    uint8_t Spare2[2];
    uint8_t Shape;      // 0 square, 1 circle, 2 vertical bar, 3 horizontal bar
    uint8_t Spare3[3];

    void Init();
    bool CanEdit() const { return Filled && Editable; }
};

struct TMouseInfo {
    uint8_t Valid;
    uint8_t Button;  // a TMouseButton value
    uint8_t Shift;   // a TShiftState value
    float X;
    float Y;

    void Init(uint8_t button, uint8_t shift, float x, float y);
};

struct TEditInfo {
    uint8_t MoveType;  // TMoveType
    uint8_t EditType;  // TEditType
    TEditPointInfo PointInfo;
    float X;   // the point under the mouse
    float Y;
    float DX;  // a displacement
    float DY;
    TMouseInfo Mouse;

    // All zero, then the point into X and Y.
    TEditInfo& Init(float x, float y);
    TEditInfo& Clear();
    TEditInfo& _X(float v) { X = v; return *this; }
    TEditInfo& _Y(float v) { Y = v; return *this; }
    TEditInfo& _DX(float v) { DX = v; return *this; }
    TEditInfo& _DY(float v) { DY = v; return *this; }
    TEditInfo& _PI(const TEditPointInfo& v) { PointInfo = v; return *this; }
    TEditInfo& _MT(TMoveType v) { MoveType = v; return *this; }
    TEditInfo& _ET(TEditType v) { EditType = v; return *this; }
};

#pragma pack(pop)

static_assert(sizeof(TEditPointInfo) == 28);
static_assert(offsetof(TEditPointInfo, X) == 8 && offsetof(TEditPointInfo, Y) == 12);
static_assert(offsetof(TEditPointInfo, Filled) == 16 && offsetof(TEditPointInfo, Editable) == 17);
static_assert(offsetof(TEditPointInfo, Cursor) == 20 && offsetof(TEditPointInfo, Shape) == 24);
static_assert(sizeof(TMouseInfo) == 11);
static_assert(offsetof(TMouseInfo, Shift) == 2 && offsetof(TMouseInfo, X) == 3 && offsetof(TMouseInfo, Y) == 7);
static_assert(sizeof(TEditInfo) == 57);
static_assert(offsetof(TEditInfo, PointInfo) == 2 && offsetof(TEditInfo, X) == 30);
static_assert(offsetof(TEditInfo, DX) == 38 && offsetof(TEditInfo, DY) == 42 && offsetof(TEditInfo, Mouse) == 46);

// A new point kind for the whole process: 1, then 2, 3 and so on.
int32_t RegisterEditPoint();
// Whether kind is one of kinds.
bool IsPt(int32_t kind, std::initializer_list<int32_t> kinds);

}  // namespace velt
