#pragma once
// The interfaces between editable components, their extensions and the
// editing canvas. Plain C++: the canvas and Qt types are only named here.

#include <cstdint>
#include <string>

#include "foundation/ComPtr.h"
#include "foundation/Support.h"
#include "graphics/GrfUtils.h"
#include "painter/CoComp.h"
#include "painter/EdtTypes.h"

class QWidget;

namespace velt {

class TGraphPaint;
class TMenuList;
class IPainter;
class IGraphView;

// {DC9EF540-EAF0-11D0-B336-D57066066721}
inline constexpr Guid IID_IGrfObject{0xDC9EF540, 0xEAF0, 0x11D0, {0xB3, 0x36, 0xD5, 0x70, 0x66, 0x06, 0x67, 0x21}};
// {45023F44-C2C7-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IGraphView{0x45023F44, 0xC2C7, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {45023F43-C2C7-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IGraphEdit{0x45023F43, 0xC2C7, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {0B5B1EE6-B0B3-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IPainter{0x0B5B1EE6, 0xB0B3, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {2CB4C5E3-C612-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IGVIntfList{0x2CB4C5E3, 0xC612, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {B96E2DA4-D2BA-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_ITask{0xB96E2DA4, 0xD2BA, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {B96E2DA3-D2BA-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IGroupMove{0xB96E2DA3, 0xD2BA, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
inline constexpr Guid IID_IGroupEdit = IID_IGroupMove;
// {2CB4C5E4-C612-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IOverDraw{0x2CB4C5E4, 0xC612, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {2CB4C5E5-C612-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IOverEdit{0x2CB4C5E5, 0xC612, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {45023F45-C2C7-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IToolbarEdit{0x45023F45, 0xC2C7, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {817C9308-AF6F-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IInplaceEdit{0x817C9308, 0xAF6F, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {0B5B1EE5-B0B3-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IGraphPainter{0x0B5B1EE5, 0xB0B3, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {0B5B1EE0-B0B3-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IMouseClickSupport{0x0B5B1EE0, 0xB0B3, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {0B5B1EE3-B0B3-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IMouseSupport{0x0B5B1EE3, 0xB0B3, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {0B5B1EE1-B0B3-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IKeyboardSupport{0x0B5B1EE1, 0xB0B3, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {BF2E4B26-AFE8-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IClipboard{0xBF2E4B26, 0xAFE8, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {BC2F7EE2-B03C-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IPopupMenu{0xBC2F7EE2, 0xB03C, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};

// What every editable component offers: its extensions, its children and
// the canvas that shows it.
class IGrfObject : public virtual ITreeController {
public:
    static constexpr Guid IID = IID_IGrfObject;
    virtual void AddInterface(IUnknown* extension) = 0;
    virtual void ReplaceInterface(IUnknown* extension) = 0;
    virtual void RemoveInterface(IUnknown* extension) = 0;
    // Appends the component's own interface iid and every extension's;
    // the number appended.
    virtual int EnumInterface(const Guid& iid, IIntfList& list) = 0;
    // The same over the direct children.
    virtual int EnumObjects(const Guid& iid, IIntfList& list) = 0;
    virtual ComPtr<IPainter> GetPainter() = 0;
    virtual void SetPainter(IPainter* painter) = 0;
};

class IGraphView : public virtual IGrfObject {
public:
    static constexpr Guid IID = IID_IGraphView;
    virtual bool GetVisible() = 0;
    virtual void SetVisible(bool value) = 0;
    virtual ComPtr<IGraphView> GetParent() = 0;
    virtual TSRect GetRect() = 0;
    virtual void SetRect(const TSRect& r) = 0;
    virtual void Paint(TGraphPaint& painter) = 0;
    virtual void Hide(TGraphPaint& painter) = 0;
    virtual void Draw(TGraphPaint& painter) = 0;
    virtual void Invalidate(TGraphPaint* painter) = 0;
    virtual bool CanPaint() = 0;
    virtual void GetInvalidateRect(TSRect& r) = 0;
    virtual void GetHint(const TEditInfo& info, std::string& s) = 0;
    virtual int16_t GetCursor(const TSPoint& p) = 0;
    virtual bool GetMustDie() = 0;
    virtual void SetMustDie(bool value) = 0;
};

class IGraphEdit : public virtual IGraphView {
public:
    static constexpr Guid IID = IID_IGraphEdit;
    virtual bool GetSelected() = 0;
    virtual void PutSelected(bool value) = 0;
    virtual bool GetMoved() = 0;
    virtual void PutMoved(bool value) = 0;
    virtual bool GetLocked() = 0;
    virtual void PutLocked(bool value) = 0;
    virtual TGraphPaint* GetBox() = 0;
    virtual void SetBox(TGraphPaint* box) = 0;
    virtual void BeginMove(TEditInfo& info) = 0;
    virtual bool PredMoving(TEditInfo& info) = 0;
    virtual void Moving(TEditInfo& info) = 0;
    virtual void PostMoving(TEditInfo& info) = 0;
    virtual void EndMove(TEditInfo& info) = 0;
    virtual void Move(float x, float y) = 0;
    virtual void MoveRel(float dx, float dy) = 0;
    // Info carries the mouse point in X, Y; answers through its edit type.
    virtual void Find(TGraphPaint* painter, TEditInfo& info) = 0;
    virtual void CheckPointVisible(TGraphPaint& painter, TEditPointInfo& info) = 0;
    virtual bool CanDelete() = 0;
    virtual void DeleteSelf() = 0;
    virtual void SendToBack() = 0;
    virtual void BringToFront() = 0;
    virtual void PaintActiv(TGraphPaint& painter) = 0;
    virtual void DrawActiv(TGraphPaint& painter) = 0;
    virtual void QueryFirstPoint(TEditInfo& info) = 0;
    virtual void QueryNextPoint(TEditInfo& info) = 0;
    virtual bool EditMouseDown(uint8_t button, uint8_t shift, float x, float y) = 0;
    virtual void EditMenu(TMenuList& menu) = 0;
};

// Typed access to a list of views. The names differ from the base list's,
// which they cannot overload by return type.
class IGVIntfList : public virtual IIntfList {
public:
    static constexpr Guid IID = IID_IGVIntfList;
    virtual ComPtr<IGraphView> GetView(int index) = 0;
    virtual void SetView(int index, IGraphView* view) = 0;
    virtual int AddView(IGraphView* view) = 0;
};

// The editing canvas as the components and the link routines see it.
// MoveNextPoint, BeginMove, Moving and EndMove act on its own edit record.
class IPainter : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IPainter;
    virtual TGraphPaint* Box() = 0;
    virtual void BeginDrawComp(IGraphEdit& comp, TSPoint p) = 0;
    virtual void MoveNextPoint() = 0;
    virtual void BeginMoveObj(IGraphEdit& comp) = 0;
    virtual void BeginMove() = 0;
    virtual void MovingObj(IGraphEdit& comp, TEditInfo& info) = 0;
    virtual void Moving() = 0;
    virtual void EndMoveObj(IGraphEdit& comp) = 0;
    virtual void EndMove() = 0;
    virtual void SelectAll(bool value) = 0;
    virtual ComPtr<IGVIntfList> GetEdited() = 0;
    virtual ComPtr<IGVIntfList> GetSelected() = 0;
    virtual void SelectComp(IGraphEdit& comp, bool value) = 0;
};

class ITask : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_ITask;
    virtual ComPtr<IGrfObject> GetRoot() = 0;
    virtual void SetRoot(IGrfObject* root) = 0;
    virtual void Execute() = 0;
    virtual void Terminate() = 0;
    virtual void ListChanged(TListChanges change) = 0;
};

// Told when a group move or a property edit of the selection begins and
// ends. One GUID serves both names, so they are one interface.
class IGroupMove : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IGroupMove;
    virtual void BeginGroup() = 0;
    virtual void EndGroup() = 0;
};
using IGroupEdit = IGroupMove;

// An extension that draws instead of, before or after its component.
class IOverDraw : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IOverDraw;
    virtual TOverrideMode GetOverrideMode() = 0;
    virtual void OverDraw(TGraphPaint& painter) = 0;
};

// An extension that may veto selecting its component.
class IOverEdit : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IOverEdit;
    virtual bool CanSelect() = 0;
    virtual void SelectChanged(bool selected) = 0;
};

class IToolbarEdit : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IToolbarEdit;
    virtual void ControlChanged(QWidget* control, bool& changed) = 0;
    virtual void UpdateToolbar() = 0;
};

class IInplaceEdit : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IInplaceEdit;
    virtual bool IsEditing() = 0;
    virtual void CloseEditor() = 0;
};

class IMouseClickSupport : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IMouseClickSupport;
    virtual void DoubleClick(TGraphPaint& painter) = 0;
};

// Interfaces that nothing calls: only their identity is known.
class IGraphPainter : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IGraphPainter;
};
class IMouseSupport : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IMouseSupport;
};
class IKeyboardSupport : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IKeyboardSupport;
};
class IClipboard : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IClipboard;
};
class IPopupMenu : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IPopupMenu;
};

}  // namespace velt
