#pragma once
// The editing canvas: a drawing surface that shows the component tree of a
// root, selects its components with the mouse and the keyboard, moves them
// and their points, deletes, orders, copies and pastes them, opens the
// property editor and offers a context menu built from the components.
// Components reach it as their IPainter; its own settings take part in the
// property editor through IPropertyEdit.
//
// Counting: IPainter and IPropertyEdit references are counted, but the count
// never deletes the widget; its Qt parent (or whoever made it) does.

#include <QFont>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/ComPtr.h"
#include "foundation/Support.h"
#include "painter/EdtComp.h"
#include "painter/EdtTypes.h"
#include "painter/GrfPaint.h"
#include "painter/GrfViewIntfList.h"
#include "painter/IDrag2.h"
#include "painter/IGrfEdit.h"
#include "painter/dPropEdt.h"
#include "treeview/MenuList.h"

class QDialog;

namespace velt {

class TEditGraphPaint;
class TMoveScope;

enum TWorkMode : uint8_t { wmNone, wmSelectRect, wmDraw };

enum TUpdateList : uint8_t { ulSel, ulVis, ulEdt };
// Set of TUpdateList, bit n for list n.
using TUpdateListSet = uint8_t;
constexpr TUpdateListSet UpdateListBit(TUpdateList l) { return TUpdateListSet(1u << unsigned(l)); }
inline constexpr TUpdateListSet ulAll = UpdateListBit(ulSel) | UpdateListBit(ulVis) | UpdateListBit(ulEdt);

using TEditGraphEvent = std::function<void(TEditGraphPaint* Sender, TGrfEditComp* Comp)>;
using TIntfListEvent = std::function<void(TEditGraphPaint* Sender, IIntfList& IL)>;
using TGraphViewListEvent = std::function<void(TEditGraphPaint* Sender, IGVIntfList& IL)>;
using TCanvasDragOverEvent =
    std::function<void(TEditGraphPaint* Sender, const TDragSource& Source, int X, int Y, TDragState State, bool& Accept)>;
using TCanvasDragDropEvent = std::function<void(TEditGraphPaint* Sender, const TDragSource& Source, int X, int Y)>;

// The hint being asked for: where the mouse is (client pixels) and the
// colour the hint window takes (a TColor).
struct THintInfo {
    TPoint CursorPos{};
    TColor HintColor = 0;
};

// Hint colours of the canvas.
inline constexpr TColor kHintSelectedColor = 0xFFFF00;  // aqua
inline constexpr TColor kHintColor = 0xE0E0FF;          // RGB (255, 224, 224)

// Settings of the canvas: Enabled (edit) and DrawEnabled (draw) make the
// components' own children part of the lists.
class TMultiLevelEdit : public TPainterObject {
public:
    using TPainterObject::TPainterObject;
    bool DrawEnabled() const { return drawEnabled_; }
    void SetDrawEnabled(bool on) { drawEnabled_ = on; }

private:
    bool drawEnabled_ = false;
};

// The application's hint settings as they were when the first canvas was
// made: the tool-tip palette and font. Coloured canvas hints are built on
// this copy and leave the application's own settings alone. It lives as a
// child of the application object.
class TGrfHinter : public QObject {
public:
    explicit TGrfHinter(QObject* parent = nullptr);
    const QPalette& Palette() const { return palette_; }
    const QFont& Font() const { return font_; }
    // The saved palette with the hint background set to color (a TColor).
    QPalette Colored(TColor color) const;

private:
    QPalette palette_;
    QFont font_;
};

// The shared hinter; null before the first canvas.
TGrfHinter* GrfHinter();

class TEditGraphPaint : public TGraphPaint, public virtual IPainter, public virtual IPropertyEdit {
    Q_OBJECT
public:
    explicit TEditGraphPaint(QWidget* parent = nullptr);
    // Ends a drag, deselects, clears the root's box and lets the root go.
    ~TEditGraphPaint() override;

    // ---- IUnknown: counted, never deleting ----
    HResult QueryInterface(const Guid& iid, void** obj) override;
    int32_t _AddRef() override { return ++refCount_; }
    int32_t _Release() override { return --refCount_; }
    int32_t RefCount() const { return refCount_; }

    // ---- events, in the order of the data model ----
    TNotifyEvent OnSpecialPaste;  // never fired
    TNotifyEvent OnChangeRoot;
    TPopupMenuEvent OnPopupMenu;
    TNotifyEvent OnSelectedChanged;
    TEditGraphEvent OnCreateComponent;  // never fired
    TNotifyEvent OnClipboardChanged;    // never fired
    TIntfListEvent OnPropertyEdit;
    TGraphViewListEvent OnGetList;  // never fired
    // The control's own drag-and-drop handling, used where no component
    // under the pointer takes part.
    TCanvasDragOverEvent OnDragOver;
    TCanvasDragDropEvent OnDragDrop;

    // ---- state ----
    TWorkMode WorkMode() const { return workMode_; }
    // Set while a component made by BeginDrawComp is being drawn.
    bool NewComp() const { return newComp_; }
    const TEditInfo& EditInfo() const { return editInfo_; }
    TMultiLevelEdit& MultiLevelEdit() { return *multiLevelEdit_; }
    // The formats AddClipboradFormmat added, in order.
    std::vector<uint16_t> ClipboardFormats() const;
    TUpdateListSet PendingLists() const { return pending_; }
    // The component that currently receives drag-and-drop events, or null.
    ComPtr<IDrop> DropTarget() const { return dropTarget_; }

    // ---- IPainter ----
    TGraphPaint* Box() override { return this; }
    // Ends a running move, deselects all and starts drawing comp from p.
    // A missing interface (EIntfCastError) is reported as Err("Edit
    // Interface Not Supported"); other failures pass on as they are.
    void BeginDrawComp(IGraphEdit& comp, TSPoint p) override;
    void MoveNextPoint() override;
    void BeginMoveObj(IGraphEdit& comp) override;
    void BeginMove() override;
    void MovingObj(IGraphEdit& comp, TEditInfo& info) override;
    void Moving() override;
    void EndMoveObj(IGraphEdit& comp) override;
    void EndMove() override;
    void SelectAll(bool value) override;
    ComPtr<IGVIntfList> GetEdited() override;
    ComPtr<IGVIntfList> GetSelected() override;
    void SelectComp(IGraphEdit& comp, bool value) override;

    // ---- IPropertyEdit: the painter setup page ----
    void SetupSheet(TPropEditor& editor) override;
    // Saves the setup dialog back when it was changed (its Tag is 1); other
    // dialogs are not the canvas's and are ignored.
    void ApplyData(QDialog& dialog) override;

    // ---- editing ----
    // Copy, then Delete when Copy put something on the clipboard.
    void Cut();
    // The selected components less those with a selected ancestor, in list
    // order, as a component list on the clipboard. False with none selected.
    bool Copy();
    // The clipboard's components at the end of the root, selected alone. A
    // broken payload raises and changes nothing. False with nothing to paste.
    bool Paste();
    // The selected components that may be deleted (never the root).
    void Delete();
    // Esc (27) selects the first selected component's parent (never the
    // root); other keys that component alone.
    void SelectByKey(uint16_t key);
    // Back: the selection to the first place of its owners (drawn below);
    // else to the last place.
    void SendTo(bool back);
    void ZoomIn();
    void ZoomOut();
    // Fits the edited components into the control; nothing without area or
    // without components.
    void ZoomAll();
    // The scale about the mouse (in the client area) or the centre.
    void View(float scale);

    // ---- root ----
    // Takes comp as the drawing shown; null is refused.
    void SetMainRoot(TGrfEditComp* comp);
    // The root; a new empty TGrfRootComp (released with the canvas) when
    // there is none.
    TGrfEditComp* GetRoot();
    // The root's ITask interfaces.
    ComPtr<IIntfList> Tasks();

    // ---- lists ----
    ComPtr<IGVIntfList> GetVisibled();
    // Records what to rebuild; an empty set, or one with ulEdt, means all.
    void UpdateLists(TUpdateListSet set);
    void InvalidateSelected();
    // The component's own invalidation and its rectangle with room for its
    // pen and marks.
    void InvalidateComp(IGraphView& comp);
    void PaintSelected();
    // Empties dest, appends every item of source offering iid; dest's count.
    int EnumInterface(const Guid& iid, IIntfList& source, IIntfList& dest);
    // The hit test at info's X, Y over the visible (visibleOnly) or the
    // edited list; info receives the hit's edit record.
    void SearchComp(TEditInfo& info, bool visibleOnly, ComPtr<IGraphEdit>& found);

    // ---- property editor ----
    // Runs the property editor on list; the group-move interfaces of the
    // root are told editing begins and, whatever happens, ends.
    void ExecPropertyEditor(IIntfList* list);
    void SetupDlg();
    // The context menu's "Властивості".
    void PropertiesClick();

    // ---- other ----
    void Cancel();
    bool Canceled() const { return cancel_; }
    void AutoChange(bool) {}
    void CloseInplaced();
    void EditControlChange(QWidget* control);
    void UpdateToolbars();
    void ChangeCursor();
    void AddClipboradFormmat(uint16_t format);

    // ---- hints, drag and drop, rubber band ----
    // The hint at info.CursorPos and its colour; empty outside wmNone.
    void GetHint(THintInfo& info, std::string& s);
    void DragOver(const TDragSource& source, int x, int y, TDragState state, bool& accept);
    void DragDrop(const TDragSource& source, int x, int y);
    // The rubber band between two device points, inverting.
    void PaintRectSelectRect(const TPoint& a, const TPoint& b);
    // Selects nothing: no gesture enters wmSelectRect.
    void SelectByRect(const TSRect&) {}

    // ---- surface overridables ----
    void Paint() override;
    void RealMouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void RealMouseDbl(TMouseButton button, TShiftState shift, float x, float y) override;
    void RealMouseMove(TShiftState shift, float x, float y) override;
    void RealMouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void DeviceChanged() override;

protected:
    bool event(QEvent* e) override;
    // A new size shows other components: the visible list is rebuilt.
    void resizeEvent(QResizeEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void InternalUpdateLists();
    void WalkChildren(TVerUdov* parent, TUpdateListSet rebuild, const QRect& client);
    void EndDrag();
    void RemoveFromLists(IUnknown* item);
    void SelectedChanged(int oldCount);
    template <class F>
    void ChangeTree(int oldSelected, F change);
    void ShowHint(const THintInfo& info, const std::string& s);
    bool HandleDrag(QDropEvent* e, TDragState state);
    void ReportPaintFailure(const std::string& text);
    bool IsMainRoot(IUnknown* comp);
    TSRect PaddedRect(IGraphView& comp);
    ComPtr<IGVIntfList> LinkedToSelection();

    int32_t refCount_ = 1;
    // Fields of the data model after the surface's.
    ComPtr<TGrfEditComp> root_;
    ComPtr<IGrfObject> rootObj_;
    TEditInfo editInfo_{};
    bool newComp_ = false;
    TWorkMode workMode_ = wmNone;
    std::unique_ptr<std::vector<uint16_t>> clipFormats_;
    TMultiLevelEdit* multiLevelEdit_ = nullptr;
    ComPtr<TGrfViewIntfList> selected_, edited_, visible_;
    ComPtr<IIntfList> tasks_;
    TUpdateListSet pending_ = ulAll;
    ComPtr<IDrop> dropTarget_;

    // Roots GetRoot made: released with the canvas (or when replaced and
    // the new root does not lie inside them).
    std::vector<TVerUdov*> ownRoots_;
    bool cancel_ = false;
    // After a Shift-click that deselected: no gesture until the next press.
    bool gestureBlocked_ = false;
    // Paint failures in a row since the drawing, lists or view changed.
    int paintFailures_ = 0;
    QPoint dragPoint_;
    // The rectangles of the components a running move took, as they were
    // when it took them.
    std::vector<TSRect> movedFrom_;
    // The link routines' view of the canvas while a move runs.
    std::unique_ptr<TMoveScope> moveScope_;
};

}  // namespace velt
