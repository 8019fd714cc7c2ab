#pragma once
// Editable graphic components: the component the editing canvas shows,
// selects, moves and deletes, the root of a drawing that knows its canvas,
// the list used for copying components, and their companions: the extension
// base that reaches its component's editor interface, the typed view list,
// the standard tasks and the dragged object of the editing canvas.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <QPointer>
#include <QtGlobal>

#include "painter/CoComp.h"
#include "painter/EdtTypes.h"
#include "painter/GrfPaint.h"
#include "painter/GrfViewIntfList.h"
#include "painter/IGrfEdit.h"
#include "painter/grfClass.h"
#include "platform/ui/Colors.h"
#include "treeview/GeneralNode.h"

namespace velt {

class TMenuList;

// Message codes of Msg.
inline constexpr int32_t cmShow = 100;     // sent by Create: the component becomes visible
inline constexpr int32_t cmDestroy = 103;  // sent by Destroy

// An editable graphic component: a component of the tree with an attribute
// set, a position and a list of extension objects it aggregates. Made with
// TVerUdov::New<T>(owner) (or CreateEx); discarded with Release.
class TGrfEditComp : public TVerUdov, public virtual IGraphEdit {
public:
    static const TGrfClassDesc& Class();
    const TGrfClassDesc& ClassType() const override { return Class(); }

    // New<T>(owner), then AddInterface of each extension in order.
    template <class T = TGrfEditComp>
    static T* CreateEx(TVerUdov* owner, std::initializer_list<IUnknown*> interfaces) {
        T* comp = TVerUdov::New<T>(owner);
        try {
            for (IUnknown* i : interfaces) comp->AddInterface(i);
        } catch (...) {
            Release(comp);
            throw;
        }
        return comp;
    }

    // ---- from the component tree ----
    // Own interfaces first, then the extensions' in list order; a query that
    // comes back while the extensions are asked finds none of theirs.
    HResult QueryInterface(const Guid& iid, void** obj) override;
    // Attributes, position, and the extensions whose class is registered
    // (the others stay in memory, unsaved). Reading assigns nothing until
    // everything has read.
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;
    // Clears caLocked.
    void Loaded() override;
    // Msg(cmDestroy), the extensions let go of (and told their controller
    // is gone), caInvalid, then the tree's Destroy.
    void Destroy() override;

    // Code cmShow makes the component visible; others are ignored here.
    virtual void Msg(int32_t code, int32_t param);

    // ---- attributes ----
    // Attributes above 31 read false and are not stored.
    bool GetAttr(int attr) const { return Attr.Has(attr); }
    void SetAttr(int attr, bool value) { Attr.Set(attr, value); }
    TCompAttrSet GetAttrSet() const { return Attr; }
    bool GetUseColor() const { return GetAttr(caUseColor); }
    void BeginEdit() { SetAttr(caEdit, true); }
    void EndEdit() { SetAttr(caEdit, false); }
    void Modified() { SetAttr(caChanged, true); }

    // ---- position ----
    float GetX() const { return X; }
    float GetY() const { return Y; }
    // Move with one coordinate replaced.
    void SetX(float x) { Move(x, Y); }
    void SetY(float y) { Move(X, y); }

    // ---- IGrfObject ----
    // Raises for the component itself.
    void AddInterface(IUnknown* extension) override;
    void ReplaceInterface(IUnknown* extension) override;
    void RemoveInterface(IUnknown* extension) override;
    int EnumInterface(const Guid& iid, IIntfList& list) override;
    int EnumObjects(const Guid& iid, IIntfList& list) override;
    ComPtr<IPainter> GetPainter() override;
    void SetPainter(IPainter* painter) override;

    // ---- IGraphView ----
    bool GetVisible() override { return GetAttr(caVisible); }
    void SetVisible(bool value) override { SetAttr(caVisible, value); }
    ComPtr<IGraphView> GetParent() override;
    TSRect GetRect() override;
    void SetRect(const TSRect& r) override;
    void Paint(TGraphPaint& painter) override;
    void Hide(TGraphPaint& painter) override;
    void Draw(TGraphPaint& painter) override;
    void Invalidate(TGraphPaint* painter) override;
    bool CanPaint() override { return !GetAttr(caDraw); }
    void GetInvalidateRect(TSRect& r) override;
    void GetHint(const TEditInfo& info, std::string& s) override;
    int16_t GetCursor(const TSPoint& p) override;
    bool GetMustDie() override { return GetAttr(caInvalid); }
    void SetMustDie(bool value) override { SetAttr(caInvalid, value); }

    // ---- IGraphEdit ----
    bool GetSelected() override { return GetAttr(caSelected); }
    // Asks every IOverEdit extension first (when selecting); one refusal
    // changes nothing. Then tells them all and sets caSelected.
    void PutSelected(bool value) override;
    bool GetMoved() override { return GetAttr(caDraw); }
    void PutMoved(bool value) override { SetAttr(caDraw, value); }
    bool GetLocked() override { return GetAttr(caLocked); }
    void PutLocked(bool value) override { SetAttr(caLocked, value); }
    // The owner's box; the root keeps its own.
    TGraphPaint* GetBox() override;
    void SetBox(TGraphPaint* box) override;
    void BeginMove(TEditInfo& info) override;
    bool PredMoving(TEditInfo& info) override;
    void Moving(TEditInfo& info) override;
    void PostMoving(TEditInfo& info) override;
    void EndMove(TEditInfo& info) override;
    // An etMove record with the displacement, passed to Moving; caChanged.
    void Move(float x, float y) override;
    void MoveRel(float dx, float dy) override;
    void Find(TGraphPaint* painter, TEditInfo& info) override;
    void CheckPointVisible(TGraphPaint& painter, TEditPointInfo& info) override;
    bool CanDelete() override;
    void DeleteSelf() override;
    // To the first place of the owner's children: drawn first, underneath.
    void SendToBack() override;
    // To the last place: drawn last, on top.
    void BringToFront() override;
    void PaintActiv(TGraphPaint& painter) override;
    void DrawActiv(TGraphPaint& painter) override;
    void QueryFirstPoint(TEditInfo& info) override;
    void QueryNextPoint(TEditInfo& info) override;
    bool EditMouseDown(uint8_t button, uint8_t shift, float x, float y) override;
    void EditMenu(TMenuList& menu) override;

    // ---- geometry of descendants ----
    virtual bool GetRectAsChild(TGraphPaint* painter, TSRect& r);
    virtual int GetPointsCount();
    // Init, then the component's X, Y.
    virtual void GetPoints(int index, TEditPointInfo& info);
    virtual bool DrawWhenActiv();
    // GetPoints, editable cleared when locked.
    void InternalGetPoints(int index, TEditPointInfo& info);
    // Union of the children's GetRectAsChild rectangles that answer true;
    // their number (the rectangle empty for 0).
    int GetChildRect(TGraphPaint* painter, TSRect& r);

    // ---- mouse ----
    virtual void MouseMove(uint8_t shift, float x, float y);
    virtual void MouseDown(uint8_t button, uint8_t shift, float x, float y);
    virtual void MouseDouble(uint8_t button, uint8_t shift, float x, float y);
    virtual void MouseUp(uint8_t button, uint8_t shift, float x, float y);

    // ---- colours ----
    // color with caUseColor, else the box canvas's pen / brush colour; color
    // itself without a box.
    TColor PColor(TColor color);
    TColor BColor(TColor color);

    // ---- extensions and children ----
    int GetExIntfCount() const;
    // Null outside the list.
    ComPtr<IUnknown> GetExIntf(int index) const;
    // That child as an editable component; null when it is another class.
    TGrfEditComp* GetEdComp(int index) const;
    // The cached IOverDraw (for tests and descendants).
    IOverDraw* GetOverDraw() const { return OverDraw.get(); }

    TGrfEditComp() = default;

protected:
    ~TGrfEditComp() override = default;
    // Joins the owner, then Msg(cmShow).
    void Create(TVerUdov* owner) override;
    // Stores the position without Moving: for descendants applying a move.
    void PutPos(float x, float y) { X = x, Y = y; }
    // The component's own drawing, with the extension that overrides it.
    void InternalDraw(TGraphPaint& painter);

private:
    // The first extension's IOverDraw, or none.
    void UpdateOverDraw();
    TCompAttrSet Attr{};
    ComPtr<IIntfList> ExList;
    ComPtr<IOverDraw> OverDraw;
    float X = 0;
    float Y = 0;
    bool askingExtensions_ = false;
};

// The root of a drawing: it knows the canvas that shows it.
class TGrfRootComp : public TGrfEditComp {
public:
    static const TGrfClassDesc& Class();
    const TGrfClassDesc& ClassType() const override { return Class(); }

    // Inherited, then OnLoaded(this) when set.
    void Loaded() override;
    void Destroy() override;
    TGraphPaint* GetBox() override { return Box.data(); }
    void SetBox(TGraphPaint* box) override { Box = box; }

    TCompNotifyEvent OnLoaded;

    TGrfRootComp() = default;

protected:
    ~TGrfRootComp() override = default;

private:
    QPointer<TGraphPaint> Box;
};

// A list of editable components, as copied and pasted. The components are
// held by their owner; the list keeps each one's memory while it is listed.
class TGrfEditCompList {
public:
    int Count() const { return int(Items.size()); }
    // Null outside the list.
    TGrfEditComp* Get(int index) const;
    int Add(TGrfEditComp* comp);
    void Clear() { Items.clear(); }

    // int32 count, then a component record per item.
    void SaveToStream(TStream& stream) const;
    // The count and that many records, each read as a new child of owner,
    // selected and appended. Refuses a null owner before reading (EReadError),
    // a record of a class that is not an editable component (released, then
    // EReadError); a negative count reads nothing; missing records are absent.
    void LoadFromStream(TStream& stream, TVerUdov* owner);

private:
    std::vector<ComPtr<TGrfEditComp>> Items;
};

// Registers TGrfEditComp and TGrfRootComp; later calls do nothing.
void RegisterEditComps();

// An extension that works on its component as an editable one.
class TVerUdovEx : public CoComp::TCoObject {
public:
    static const CoComp::TCoClassDesc& Class();
    const CoComp::TCoClassDesc& ClassType() const override { return Class(); }
    // The controller's IGraphEdit; null without a controller or when it
    // lacks the interface.
    ComPtr<IGraphEdit> GetIGE();

protected:
    ~TVerUdovEx() override = default;
};

// A task of a drawing's root. The root is held uncounted: it owns the task.
class TStdTask : public CoComp::TCoObject, public virtual ITask {
public:
    TStdTask() = default;
    static const CoComp::TCoClassDesc& Class();
    const CoComp::TCoClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override;

    // The controller's IGrfObject becomes the root; a controller without
    // one (or none) leaves no root, so it never outlives its component.
    void PutController(IUnknown* controller) override;
    ComPtr<IGrfObject> GetRoot() override { return ComPtr<IGrfObject>(Root); }
    void SetRoot(IGrfObject* root) override { Root = root; }
    void Execute() override {}
    void Terminate() override {}
    void ListChanged(TListChanges) override { Execute(); }

protected:
    ~TStdTask() override = default;
    IGrfObject* Root = nullptr;
};

// The same task; it starts no thread.
class TStdThreadTask : public TStdTask {
public:
    TStdThreadTask() = default;
    static const CoComp::TCoClassDesc& Class();
    const CoComp::TCoClassDesc& ClassType() const override { return Class(); }

protected:
    ~TStdThreadTask() override = default;
};

// What the editing canvas drags: one reference-sized value.
class TDragIDObject : public TCustomDragObject {
public:
    quintptr ID = 0;
};

}  // namespace velt
