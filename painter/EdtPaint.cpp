#include "painter/EdtPaint.h"

#include <QApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHelpEvent>
#include <QMetaObject>
#include <QResizeEvent>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "foundation/CommMsg.h"
#include "foundation/SysUtils.h"
#include "painter/ClipUtil.h"
#include "painter/EdtClip.h"
#include "painter/EdtComp.h"
#include "painter/IGrfTopo.h"
#include "painter/TopoUtil.h"
#include "painter/dPainter.h"
#include "platform/ui/Colors.h"
#include "platform/ui/Cursors.h"
#include "platform/ui/ExceptionReporter.h"

namespace velt {

// ---- the hinter --------------------------------------------------------------------

namespace {
// How far, in pixels, a component's drawing may reach beyond its rectangle.
constexpr float kPaintReach = 4;

QPointer<TGrfHinter>& SharedHinter() {
    static QPointer<TGrfHinter> hinter;
    return hinter;
}


template <class I>
ComPtr<I> ItemAs(IIntfList& list, int index) {
    ComPtr<IUnknown> item = list.GetItems(index);
    return ComQuery<I>(item.get());
}

// The items of a list as one interface, skipping those without it: a copy,
// so handlers may change the list while it is walked.
template <class I>
std::vector<ComPtr<I>> Snapshot(IIntfList* list) {
    std::vector<ComPtr<I>> out;
    if (!list) return out;
    const int n = list->GetCount();
    out.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        if (ComPtr<I> p = ItemAs<I>(*list, i)) out.push_back(std::move(p));
    return out;
}

bool Within(TVerUdov* comp, TVerUdov* ancestor) {
    for (TVerUdov* o = comp; o; o = o->GetOwner())
        if (o == ancestor) return true;
    return false;
}
}  // namespace

// The canvas as the link routines see it while a move runs: the same canvas,
// whose edited list holds only the components the moving ones are linked
// to. Following links looks every moved object's partners up on every
// step; the whole drawing need not be walked for them.
class TMoveScope final : public virtual IPainter {
public:
    TMoveScope(TEditGraphPaint& canvas, ComPtr<IGVIntfList> linked) : canvas_(canvas), linked_(std::move(linked)) {}
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (iid == IID_IUnknown) {
            _AddRef();
            *obj = static_cast<IUnknown*>(this);
            return S_OK;
        }
        return QueryFor<IPainter>(this, iid, obj);
    }
    // Counted, never deleting: the canvas holds it for the move.
    int32_t _AddRef() override { return ++refs_; }
    int32_t _Release() override { return --refs_; }

    TGraphPaint* Box() override { return canvas_.Box(); }
    void BeginDrawComp(IGraphEdit& comp, TSPoint p) override { canvas_.BeginDrawComp(comp, p); }
    void MoveNextPoint() override { canvas_.MoveNextPoint(); }
    void BeginMoveObj(IGraphEdit& comp) override { canvas_.BeginMoveObj(comp); }
    void BeginMove() override { canvas_.BeginMove(); }
    void MovingObj(IGraphEdit& comp, TEditInfo& info) override { canvas_.MovingObj(comp, info); }
    void Moving() override { canvas_.Moving(); }
    void EndMoveObj(IGraphEdit& comp) override { canvas_.EndMoveObj(comp); }
    void EndMove() override { canvas_.EndMove(); }
    void SelectAll(bool value) override { canvas_.SelectAll(value); }
    ComPtr<IGVIntfList> GetEdited() override { return linked_; }
    ComPtr<IGVIntfList> GetSelected() override { return canvas_.GetSelected(); }
    void SelectComp(IGraphEdit& comp, bool value) override { canvas_.SelectComp(comp, value); }

private:
    TEditGraphPaint& canvas_;
    ComPtr<IGVIntfList> linked_;
    int32_t refs_ = 1;
};

TGrfHinter::TGrfHinter(QObject* parent) : QObject(parent), palette_(QToolTip::palette()), font_(QToolTip::font()) {}

QPalette TGrfHinter::Colored(TColor color) const {
    QPalette p = palette_;
    const QColor c = ColorToQColor(color);
    p.setColor(QPalette::ToolTipBase, c);
    p.setColor(QPalette::Window, c);
    return p;
}

TGrfHinter* GrfHinter() { return SharedHinter().data(); }

// ---- creation ----------------------------------------------------------------------

TEditGraphPaint::TEditGraphPaint(QWidget* parent) : TGraphPaint(parent) {
    selected_ = TGrfViewIntfList::Create();
    edited_ = TGrfViewIntfList::Create();
    visible_ = TGrfViewIntfList::Create();
    tasks_ = TIntfList::Create();
    pending_ = ulAll;
    multiLevelEdit_ = CreatePO<TMultiLevelEdit>();
    setAcceptDrops(true);
    if (!SharedHinter()) SharedHinter() = new TGrfHinter(QCoreApplication::instance());
}

TEditGraphPaint::~TEditGraphPaint() {
    // The host may be half gone: no handler runs from here on.
    OnSelectedChanged = nullptr;
    OnChangeRoot = nullptr;
    OnPopupMenu = nullptr;
    OnPropertyEdit = nullptr;
    try {
        if (workMode_ == wmDraw) EndMove();
    } catch (...) {
    }
    try {
        if (root_) {
            for (const auto& ge : Snapshot<IGraphEdit>(GetSelected().get())) ge->PutSelected(false);
            root_->SetBox(nullptr);
        }
    } catch (...) {
    }
    dropTarget_.reset();
    rootObj_.reset();
    root_.reset();
    for (TVerUdov* r : ownRoots_) Release(r);
    ownRoots_.clear();
    clipFormats_.reset();
}

HResult TEditGraphPaint::QueryInterface(const Guid& iid, void** obj) {
    if (iid == IID_IUnknown) {
        IUnknown* p = static_cast<IPainter*>(this);
        p->_AddRef();
        *obj = p;
        return S_OK;
    }
    return QueryFor<IPainter, IPropertyEdit>(this, iid, obj);
}

std::vector<uint16_t> TEditGraphPaint::ClipboardFormats() const {
    return clipFormats_ ? *clipFormats_ : std::vector<uint16_t>{};
}

void TEditGraphPaint::AddClipboradFormmat(uint16_t format) {
    if (format == 0) return;
    if (!clipFormats_) clipFormats_ = std::make_unique<std::vector<uint16_t>>();
    if (std::find(clipFormats_->begin(), clipFormats_->end(), format) == clipFormats_->end())
        clipFormats_->push_back(format);
}

void TEditGraphPaint::Cancel() { cancel_ = true; }

// ---- root ----------------------------------------------------------------------------

bool TEditGraphPaint::IsMainRoot(IUnknown* comp) {
    return comp && root_ && comp == static_cast<IUnknown*>(root_.get());
}

void TEditGraphPaint::SetMainRoot(TGrfEditComp* comp) {
    if (comp == root_.get()) return;
    EndDrag();
    SelectAll(false);
    // The new root first: it may lie inside the old one.
    ComPtr<TGrfEditComp> taken(comp);
    ComPtr<TGrfEditComp> old = std::move(root_);
    if (old) old->SetBox(nullptr);
    root_ = taken;
    rootObj_ = comp ? ComQuery<IGrfObject>(static_cast<IUnknown*>(comp)) : ComPtr<IGrfObject>();
    dropTarget_.reset();
    // A root made here goes now, unless the new one lies in it: then it
    // goes with the canvas.
    if (old) {
        auto it = std::find(ownRoots_.begin(), ownRoots_.end(), static_cast<TVerUdov*>(old.get()));
        if (it != ownRoots_.end() && !Within(comp, *it)) {
            TVerUdov* r = *it;
            ownRoots_.erase(it);
            Release(r);
        }
    }
    old.reset();
    if (comp) comp->SetBox(this);
    UpdateLists(ulAll);
    if (OnChangeRoot) OnChangeRoot(this);
    Invalidate();
}

TGrfEditComp* TEditGraphPaint::GetRoot() {
    if (!root_) {
        TGrfRootComp* r = TVerUdov::NewRoot<TGrfRootComp>().release();
        ownRoots_.push_back(r);
        SetMainRoot(r);
    }
    return root_.get();
}

ComPtr<IIntfList> TEditGraphPaint::Tasks() {
    tasks_->Clear();
    if (rootObj_) rootObj_->EnumInterface(IID_ITask, *tasks_);
    return tasks_;
}

// ---- lists ----------------------------------------------------------------------------

void TEditGraphPaint::UpdateLists(TUpdateListSet set) {
    if (set == 0 || (set & UpdateListBit(ulEdt))) set = ulAll;
    pending_ |= set;
    paintFailures_ = 0;
}

void TEditGraphPaint::WalkChildren(TVerUdov* parent, TUpdateListSet rebuild, const QRect& client) {
    const int n = parent->GetComponentCount();
    for (int i = 0; i < n; ++i) {
        TVerUdov* child = parent->GetComponent(i);
        ComPtr<IGraphView> gv = ComQuery<IGraphView>(child);
        if (!gv || !gv->GetVisible() || gv->GetMustDie()) continue;
        if (rebuild & UpdateListBit(ulEdt)) edited_->AddView(gv.get());
        if (rebuild & UpdateListBit(ulVis)) {
            TSRect r;
            gv->GetInvalidateRect(r);
            TRect d = ConvertRect(r);
            if (d.Left > d.Right) std::swap(d.Left, d.Right);
            if (d.Top > d.Bottom) std::swap(d.Top, d.Bottom);
            if (d.Right >= client.left() && d.Left <= client.right() + 1 && d.Bottom >= client.top() &&
                d.Top <= client.bottom() + 1)
                visible_->AddView(gv.get());
        }
        if (rebuild & UpdateListBit(ulSel)) {
            ComPtr<IGraphEdit> ge = ComQuery<IGraphEdit>(child);
            if (ge && ge->GetSelected()) selected_->AddView(gv.get());
        }
        if (multiLevelEdit_->Enabled() || multiLevelEdit_->DrawEnabled()) WalkChildren(child, rebuild, client);
    }
}

void TEditGraphPaint::InternalUpdateLists() {
    if (!pending_) return;
    const TUpdateListSet rebuild = pending_;
    if (rebuild & UpdateListBit(ulSel)) selected_->Clear();
    if (rebuild & UpdateListBit(ulVis)) visible_->Clear();
    if (rebuild & UpdateListBit(ulEdt)) edited_->Clear();
    if (root_) WalkChildren(root_.get(), rebuild, rect());
    pending_ &= TUpdateListSet(~rebuild);
}

ComPtr<IGVIntfList> TEditGraphPaint::GetSelected() {
    if (pending_ & UpdateListBit(ulSel)) InternalUpdateLists();
    return ComPtr<IGVIntfList>(selected_.get());
}

ComPtr<IGVIntfList> TEditGraphPaint::GetEdited() {
    if (pending_ & UpdateListBit(ulEdt)) InternalUpdateLists();
    return ComPtr<IGVIntfList>(edited_.get());
}

ComPtr<IGVIntfList> TEditGraphPaint::GetVisibled() {
    if (pending_ & UpdateListBit(ulVis)) InternalUpdateLists();
    return ComPtr<IGVIntfList>(visible_.get());
}

void TEditGraphPaint::RemoveFromLists(IUnknown* item) {
    visible_->Remove(item);
    edited_->Remove(item);
    selected_->Remove(item);
}

int TEditGraphPaint::EnumInterface(const Guid& iid, IIntfList& source, IIntfList& dest) {
    dest.Clear();
    const int n = source.GetCount();
    for (int i = 0; i < n; ++i) {
        ComPtr<IUnknown> item = source.GetItems(i);
        if (!item) continue;
        // The query's reference goes back through whichever object answered.
        if (QueryAnswerer(item.get(), iid)) dest.Add(item.get());
    }
    return dest.GetCount();
}

void TEditGraphPaint::InvalidateSelected() {
    ComPtr<IGVIntfList> sel = GetSelected();
    const int n = sel->GetCount();
    if (n == 0) return;
    TSRect u{};
    for (int i = 0; i < n; ++i) {
        TSRect r;
        sel->GetView(i)->GetInvalidateRect(r);
        if (i == 0) {
            u = r;
        } else {
            u.Left = std::min(u.Left, r.Left), u.Top = std::min(u.Top, r.Top);
            u.Right = std::max(u.Right, r.Right), u.Bottom = std::max(u.Bottom, r.Bottom);
        }
    }
    InvalidateRect(u);
}

void TEditGraphPaint::InvalidateComp(IGraphView& comp) {
    comp.Invalidate(this);
    InvalidateRect(PaddedRect(comp));
}

TSRect TEditGraphPaint::PaddedRect(IGraphView& comp) {
    // A component's rectangle holds its points; its pen, the dots on its
    // ends and its marks reach a few pixels beyond (a straight line has a
    // rectangle without area).
    TSRect r;
    comp.GetInvalidateRect(r);
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    const float d = Mst() > 0 ? kPaintReach / Mst() : 0;
    r.Inflate(d, d);
    return r;
}

void TEditGraphPaint::PaintSelected() {
    for (const auto& ge : Snapshot<IGraphEdit>(GetSelected().get())) ge->PaintActiv(*this);
    Canvas().EndPaint();
    update();
}

// ---- painting ---------------------------------------------------------------------------

void TEditGraphPaint::Paint() {
    try {
        std::vector<ComPtr<IOverDraw>> overs;
        if (rootObj_) {
            ComPtr<TIntfList> l = TIntfList::Create();
            rootObj_->EnumInterface(IID_IOverDraw, *l);
            overs = Snapshot<IOverDraw>(l.get());
        }
        for (const auto& o : overs)
            if (o->GetOverrideMode() == omBefore) o->OverDraw(*this);
        TGraphPaint::Paint();
        // A repaint of part of the control paints only the components whose
        // rectangles meet that part.
        const QRegion* clip = GetDeviceContext().ClipRegion();
        // (QRegion::contains of a rectangle answers whether they overlap.)
        const bool partial = clip && !QRegion(rect()).subtracted(*clip).isEmpty();
        const auto meets = [&](IGraphView& gv) {
            if (!partial) return true;
            TRect d = ConvertRect(PaddedRect(gv));
            if (d.Left > d.Right) std::swap(d.Left, d.Right);
            if (d.Top > d.Bottom) std::swap(d.Top, d.Bottom);
            return clip->intersects(QRect(QPoint(d.Left, d.Top), QPoint(d.Right, d.Bottom)));
        };
        ComPtr<IGVIntfList> vis = GetVisibled();
        for (int i = 0; i < vis->GetCount(); ++i) {
            ComPtr<IGraphView> gv = vis->GetView(i);
            // One released behind the canvas's back waits for the next rebuild.
            if (gv && !gv->GetMustDie() && gv->CanPaint() && meets(*gv)) gv->Paint(*this);
        }
        ComPtr<IGVIntfList> edt = GetEdited();
        for (int i = 0; i < edt->GetCount(); ++i) {
            ComPtr<IGraphEdit> ge = ItemAs<IGraphEdit>(*edt, i);
            if (ge && !ge->GetMustDie() && (ge->GetSelected() || ge->GetMoved()) && meets(*ge)) ge->PaintActiv(*this);
        }
        for (const auto& o : overs)
            if (o->GetOverrideMode() == omAfter) o->OverDraw(*this);
        paintFailures_ = 0;
    } catch (const std::exception& e) {
        ReportPaintFailure(e.what());
    } catch (...) {
        ReportPaintFailure("Unknown exception");
    }
}

void TEditGraphPaint::ReportPaintFailure(const std::string& text) {
    // A drawing that always fails is painted once more, then not until the
    // drawing, the lists or the view change; the message shows once, after
    // the paint.
    pending_ = ulAll;
    if (++paintFailures_ > 1) return;
    Invalidate();
    QMetaObject::invokeMethod(
        this, [text] { ReportException(Exception(text)); }, Qt::QueuedConnection);
}

void TEditGraphPaint::DeviceChanged() {
    pending_ |= UpdateListBit(ulVis);
    paintFailures_ = 0;
    TGraphPaint::DeviceChanged();
}

void TEditGraphPaint::resizeEvent(QResizeEvent* e) {
    pending_ |= UpdateListBit(ulVis);
    TGraphPaint::resizeEvent(e);
}

void TEditGraphPaint::PaintRectSelectRect(const TPoint& a, const TPoint& b) {
    TCanvas& c = Canvas();
    c.Pen.Color = clBlack;
    c.Pen.Width = 1;
    c.Pen.Style = psSolid;
    c.Pen.Mode = pmNot;
    c.Brush.Style = bsClear;
    c.Rectangle(a.X, a.Y, b.X, b.Y);
    c.Pen.Mode = pmCopy;
    c.EndPaint();
    update();
}

// ---- selection ---------------------------------------------------------------------------

void TEditGraphPaint::SelectedChanged(int oldCount) {
    const int n = GetSelected()->GetCount();
    if (n == oldCount) return;
    if (n > 0) UpdateToolbars();
    if (OnSelectedChanged) OnSelectedChanged(this);
}

void TEditGraphPaint::SelectComp(IGraphEdit& comp, bool value) {
    ComPtr<IGVIntfList> sel = GetSelected();
    const int old = sel->GetCount();
    comp.PaintActiv(*this);
    comp.PutSelected(value);
    comp.PaintActiv(*this);
    Canvas().EndPaint();
    update();
    IUnknown* item = static_cast<IUnknown*>(&comp);
    const bool now = comp.GetSelected();
    if (now && !sel->Exists(item)) sel->Add(item);
    if (!now) sel->Remove(item);
    SelectedChanged(old);
}

void TEditGraphPaint::SelectAll(bool value) {
    EndDrag();
    const auto edited = Snapshot<IGraphEdit>(GetEdited().get());
    selected_->Clear();
    for (const auto& ge : edited) {
        if (ge->GetSelected() != value) {
            ge->PaintActiv(*this);
            ge->PutSelected(value);
            ge->PaintActiv(*this);
        }
        if (ge->GetSelected()) selected_->Add(static_cast<IUnknown*>(ge.get()));
    }
    pending_ &= TUpdateListSet(~UpdateListBit(ulSel));
    Canvas().EndPaint();
    update();
    UpdateToolbars();
    if (OnSelectedChanged) OnSelectedChanged(this);
}

void TEditGraphPaint::SelectByKey(uint16_t key) {
    EndDrag();
    ComPtr<IGVIntfList> sel = GetSelected();
    if (sel->GetCount() == 0) return;
    ComPtr<IGraphEdit> target = ItemAs<IGraphEdit>(*sel, 0);
    if (key == 27 && target) {
        ComPtr<IGraphView> parent = target->GetParent();
        // The root is the drawing itself, never a selection.
        if (!parent || IsMainRoot(static_cast<IUnknown*>(parent.get()))) return;
        target = ComQuery<IGraphEdit>(static_cast<IUnknown*>(parent.get()));
    }
    if (!target) return;
    SelectAll(false);
    SelectComp(*target, true);
}

// ---- hit test ------------------------------------------------------------------------------

void TEditGraphPaint::SearchComp(TEditInfo& info, bool visibleOnly, ComPtr<IGraphEdit>& found) {
    found.reset();
    ComPtr<IGVIntfList> list = visibleOnly ? GetVisibled() : GetEdited();
    TEditInfo best = info;
    best.EditType = etNone;
    for (int i = list->GetCount() - 1; i >= 0; --i) {
        ComPtr<IGraphEdit> ge = ItemAs<IGraphEdit>(*list, i);
        if (!ge || ge->GetMustDie()) continue;
        const bool selected = ge->GetSelected();
        if (found && !selected) continue;
        TEditInfo t = info;
        t.EditType = etNone;
        ge->Find(this, t);
        if (t.EditType == etMovePoint) {
            ge->CheckPointVisible(*this, t.PointInfo);
            if (!t.PointInfo.Editable) t.EditType = etNone;
        }
        if (t.EditType == etNone) continue;
        if (!found) {
            found = ge;
            best = t;
        } else if (t.EditType == etMovePoint) {
            found = ge;
            best = t;
        }
        // A point of a selected component is the best there is.
        if (best.EditType == etMovePoint && found->GetSelected()) break;
    }
    info = best;
}

// ---- mouse ----------------------------------------------------------------------------------

void TEditGraphPaint::CloseInplaced() {
    for (const auto& ie : Snapshot<IInplaceEdit>(GetEdited().get()))
        if (ie->IsEditing()) ie->CloseEditor();
}

void TEditGraphPaint::RealMouseDown(TMouseButton button, TShiftState shift, float x, float y) {
    if (QWidget* host = parentWidget()) host->setFocus(Qt::MouseFocusReason);
    gestureBlocked_ = false;
    std::unique_ptr<TMenuList> menu;
    if (button == mbRight) menu = std::make_unique<TMenuList>();
    if (workMode_ == wmDraw) {
        if (newComp_) {
            bool handled = false;
            for (const auto& ge : Snapshot<IGraphEdit>(GetSelected().get())) {
                if (!handled) handled = ge->EditMouseDown(button, shift, x, y);
                if (menu) ge->EditMenu(*menu);
            }
        }
    } else if (workMode_ == wmNone) {
        CloseInplaced();
        TEditInfo info;
        info.Init(x, y);
        info.Mouse.Init(button, shift, x, y);
        ComPtr<IGraphEdit> found;
        SearchComp(info, false, found);
        if (!found) {
            SelectAll(false);
        } else if (found->GetSelected()) {
            if (shift & ShiftBit(ssShift)) {
                SelectComp(*found, false);
                // Its point must not drag the others.
                gestureBlocked_ = true;
                info.EditType = etNone;
            }
        } else {
            if (!(shift & ShiftBit(ssShift))) SelectAll(false);
            SelectComp(*found, true);
            ChangeCursor();
        }
        info.X = x, info.Y = y;
        info.Mouse.Init(button, shift, x, y);
        editInfo_ = info;
        if (menu) {
            for (const auto& ge : Snapshot<IGraphEdit>(GetSelected().get())) ge->EditMenu(*menu);
            if (OnPopupMenu) OnPopupMenu(this, *menu);
            if (menu->GetCount() > 0) menu->AddLine();
            QPointer<TEditGraphPaint> self(this);
            menu->AddItem("Властивості", true, [self](QObject*) {
                if (self) CallReporting([&] { self->PropertiesClick(); });
            });
        }
    }
    if (menu && menu->GetCount() > 0)
        PopupMenuList(-1, -1, *menu);
    else
        TGraphPaint::RealMouseDown(button, shift, x, y);
}

void TEditGraphPaint::RealMouseMove(TShiftState shift, float x, float y) {
    TGraphPaint::RealMouseMove(shift, x, y);
    editInfo_.DX = float(double(x) - editInfo_.X);
    editInfo_.DY = float(double(y) - editInfo_.Y);
    editInfo_.X = x, editInfo_.Y = y;
    editInfo_.Mouse.Init(editInfo_.Mouse.Button, shift, x, y);
    const bool left = shift & ShiftBit(ssLeft);
    if (workMode_ == wmNone && left) {
        const int n = GetSelected()->GetCount();
        if (gestureBlocked_ || n == 0) editInfo_.EditType = etNone;
        else if (n > 1) editInfo_.EditType = etMove;
        if (editInfo_.EditType != etNone) BeginMove();
    }
    // The move that began the gesture moves too: the components keep up
    // with the mouse from the first step.
    if (workMode_ == wmDraw && editInfo_.EditType != etNone) Moving();
    editInfo_.Mouse.Valid = 0;
    if (workMode_ == wmNone && !left) {
        QToolTip::hideText();
        ChangeCursor();
    }
}

void TEditGraphPaint::RealMouseUp(TMouseButton button, TShiftState shift, float x, float y) {
    if (workMode_ == wmDraw && button == mbLeft) MoveNextPoint();
    TGraphPaint::RealMouseUp(button, shift, x, y);
}

void TEditGraphPaint::RealMouseDbl(TMouseButton button, TShiftState shift, float x, float y) {
    if (workMode_ == wmDraw) {
        EndMove();
    } else if (workMode_ == wmNone && button == mbLeft) {
        const auto sel = Snapshot<IGraphEdit>(GetSelected().get());
        bool clicked = false;
        for (const auto& ge : sel) {
            if (ComPtr<IMouseClickSupport> m = ComQuery<IMouseClickSupport>(static_cast<IUnknown*>(ge.get()))) {
                m->DoubleClick(*this);
                clicked = true;
                break;
            }
        }
        if (!clicked) {
            ComPtr<TIntfList> list = TIntfList::Create();
            for (const auto& ge : sel)
                if (ComQuery<IPropertyEdit>(static_cast<IUnknown*>(ge.get()))) list->Add(static_cast<IUnknown*>(ge.get()));
            if (list->GetCount() > 0) ExecPropertyEditor(list.get());
        }
    }
    TGraphPaint::RealMouseDbl(button, shift, x, y);
}

void TEditGraphPaint::ChangeCursor() {
    ComPtr<IGVIntfList> sel = GetSelected();
    const int n = sel->GetCount();
    int16_t cursor = 0;
    for (int i = n - 1; i >= 0; --i) {
        ComPtr<IGraphView> gv = sel->GetView(i);
        if (!gv) continue;
        const int16_t c = gv->GetCursor(LastPt());
        if (n > 1 && c != 0) {
            cursor = crMultiDrag;
            break;
        }
        cursor = c;
    }
    setCursor(QCursor(CursorShapeOf(cursor)));
}

// ---- moving --------------------------------------------------------------------------------

void TEditGraphPaint::EndDrag() {
    if (workMode_ == wmDraw) EndMove();
}

void TEditGraphPaint::BeginMoveObj(IGraphEdit& comp) {
    // Linked objects stay connected: their links follow.
    comp.PaintActiv(*this);
    comp.PutMoved(true);
    TEditInfo info = editInfo_;
    comp.BeginMove(info);
    if (ComPtr<ILinkedObject> lo = ComQuery<ILinkedObject>(static_cast<IUnknown*>(&comp)))
        TopoBeginMoveObject(*this, *lo);
    comp.PaintActiv(*this);
    // Where it was before the drag: repainted when the drag ends.
    comp.Invalidate(this);
    movedFrom_.push_back(PaddedRect(comp));
}

ComPtr<IGVIntfList> TEditGraphPaint::LinkedToSelection() {
    // What a move's links can reach, in the edited list's order: the
    // selected linked objects and everything sharing a connection with one
    // of them, then on through the objects that follow (rigid ones never
    // do). A connection held by a rigid object that stays where it is keeps
    // its other members there too: those are taken, not followed further.
    ComPtr<IGVIntfList> edt = GetEdited();
    const int n = edt->GetCount();
    std::vector<ComPtr<ILinkedObject>> objs(static_cast<size_t>(n));
    std::unordered_map<IUnknown*, int> indexOf;
    std::unordered_map<int32_t, std::vector<int>> byId;
    for (int i = 0; i < n; ++i) {
        ComPtr<IUnknown> item = edt->GetItems(i);
        objs[size_t(i)] = ComQuery<ILinkedObject>(item.get());
        if (!objs[size_t(i)]) continue;
        indexOf.emplace(item.get(), i);
        TConnList& l = objs[size_t(i)]->GetConnList();
        for (int j = 0; j < l.GetCount(); ++j)
            if (const int32_t id = l.Conn(j)->Connection; id != 0) byId[id].push_back(i);
    }
    std::vector<char> taken(size_t(n), 0), moving(size_t(n), 0);
    std::vector<int> open;
    ComPtr<IGVIntfList> sel = GetSelected();
    for (int i = 0; i < sel->GetCount(); ++i) {
        ComPtr<IUnknown> item = sel->GetItems(i);
        auto it = indexOf.find(item.get());
        if (it == indexOf.end() || taken[size_t(it->second)]) continue;
        taken[size_t(it->second)] = moving[size_t(it->second)] = 1;
        open.push_back(it->second);
    }
    while (!open.empty()) {
        const int k = open.back();
        open.pop_back();
        TConnList& l = objs[size_t(k)]->GetConnList();
        for (int j = 0; j < l.GetCount(); ++j) {
            auto found = byId.find(l.Conn(j)->Connection);
            if (found == byId.end()) continue;
            bool anchored = false;
            for (const int p : found->second) anchored = anchored || (!moving[size_t(p)] && objs[size_t(p)]->IsRigid());
            for (const int p : found->second) {
                if (taken[size_t(p)]) continue;
                taken[size_t(p)] = 1;
                if (!anchored && !objs[size_t(p)]->IsRigid()) {
                    moving[size_t(p)] = 1;
                    open.push_back(p);
                }
            }
        }
    }
    ComPtr<TGrfViewIntfList> out = TGrfViewIntfList::Create();
    for (int i = 0; i < n; ++i)
        if (taken[size_t(i)]) out->Add(edt->GetItems(i).get());
    return ComPtr<IGVIntfList>(out.get());
}

void TEditGraphPaint::BeginMove() {
    std::vector<ComPtr<IGroupMove>> groups = Snapshot<IGroupMove>(Tasks().get());
    workMode_ = wmDraw;
    BeginInvalidate();
    try {
        moveScope_ = std::make_unique<TMoveScope>(*this, LinkedToSelection());
        for (const auto& g : groups) g->BeginGroup();
        for (const auto& ge : Snapshot<IGraphEdit>(GetSelected().get())) BeginMoveObj(*ge);
        Canvas().EndPaint();
        update();
    } catch (...) {
        EndMove();
        throw;
    }
}

void TEditGraphPaint::MovingObj(IGraphEdit& comp, TEditInfo& info) {
    if (comp.GetLocked() || !comp.GetMoved() || !comp.PredMoving(info)) return;
    ComPtr<ILinkedObject> lo = ComQuery<ILinkedObject>(static_cast<IUnknown*>(&comp));
    comp.PaintActiv(*this);
    comp.Moving(info);
    if (lo) TopoMoveConnection(*this, *lo, -1, true);
    comp.PaintActiv(*this);
    if (lo) {
        if (moveScope_) TopoMoveObject(*moveScope_, *lo);
        else TopoMoveObject(*this, *lo);
    }
    comp.PostMoving(info);
}

void TEditGraphPaint::Moving() {
    try {
        for (const auto& ge : Snapshot<IGraphEdit>(GetSelected().get())) {
            TEditInfo info = editInfo_;
            MovingObj(*ge, info);
        }
        Canvas().EndPaint();
        update();
    } catch (...) {
        EndMove();
        throw;
    }
}

void TEditGraphPaint::EndMoveObj(IGraphEdit& comp) {
    ComPtr<ILinkedObject> lo = ComQuery<ILinkedObject>(static_cast<IUnknown*>(&comp));
    if (lo) {
        TopoMoveConnection(*this, *lo, -1, false);
        TopoResetConnection(*lo, -1);
    }
    const bool moved = comp.GetMoved();
    if (moved) {
        comp.PaintActiv(*this);
        TEditInfo info = editInfo_;
        comp.EndMove(info);
        comp.PutMoved(false);
    }
    if (moved || lo) InvalidateComp(comp);
}

void TEditGraphPaint::EndMove() {
    if (workMode_ != wmDraw) return;
    std::exception_ptr failure;
    try {
        for (const auto& ge : Snapshot<IGraphEdit>(GetEdited().get())) EndMoveObj(*ge);
    } catch (...) {
        failure = std::current_exception();
        // Whatever failed, nothing stays in the moving state.
        try {
            for (const auto& ge : Snapshot<IGraphEdit>(GetEdited().get())) ge->PutMoved(false);
        } catch (...) {
        }
    }
    try {
        for (const auto& g : Snapshot<IGroupMove>(Tasks().get())) g->EndGroup();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    workMode_ = wmNone;
    newComp_ = false;
    editInfo_.EditType = etNone;
    moveScope_.reset();
    UpdateLists(ulAll);
    try {
        // Every moved or linked component where it was when the drag began.
        const std::vector<TSRect> from = std::move(movedFrom_);
        movedFrom_.clear();
        for (const TSRect& r : from) InvalidateRect(r);
        EndInvalidate();
        Canvas().EndPaint();
        update();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    if (failure) std::rethrow_exception(failure);
}

void TEditGraphPaint::MoveNextPoint() {
    bool more = false;
    for (const auto& ge : Snapshot<IGraphEdit>(GetSelected().get())) {
        TEditInfo info = editInfo_;
        ge->QueryNextPoint(info);
        if (info.EditType != etNone) {
            editInfo_ = info;
            more = true;
        }
    }
    if (!more) EndMove();
}

void TEditGraphPaint::BeginDrawComp(IGraphEdit& comp, TSPoint p) {
    try {
        EndDrag();
        SelectAll(false);
        TEditInfo info;
        info.Init(p.X, p.Y);
        info.Mouse.Init(mbLeft, ShiftBit(ssLeft), p.X, p.Y);
        comp.QueryFirstPoint(info);
        if (info.EditType == etNone) info.EditType = etMovePoint;
        comp.Move(p.X, p.Y);
        UpdateLists(ulAll);
        SelectComp(comp, true);
        info.X = p.X, info.Y = p.Y;
        editInfo_ = info;
        newComp_ = true;
        BeginMove();
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        try {
            EndDrag();
        } catch (...) {
        }
        newComp_ = false;
        // A component without the interface an edit needs is told so; any
        // other failure keeps its own message.
        try {
            std::rethrow_exception(failure);
        } catch (const EIntfCastError&) {
            Err("Edit Interface Not Supported");
        }
    }
}

// ---- commands ----------------------------------------------------------------------------

void TEditGraphPaint::Delete() {
    EndDrag();
    const int old = GetSelected()->GetCount();
    const auto sel = Snapshot<IGraphEdit>(GetSelected().get());
    dropTarget_.reset();
    ChangeTree(old, [&] {
        for (auto it = sel.rbegin(); it != sel.rend(); ++it) {
            IGraphEdit& ge = **it;
            IUnknown* item = static_cast<IUnknown*>(&ge);
            if (!ge.CanDelete() || IsMainRoot(item)) continue;
            if (ComPtr<ILinkedObject> lo = ComQuery<ILinkedObject>(item)) TopoDisconnect(*this, *lo, -1);
            RemoveFromLists(item);
            InvalidateComp(ge);
            ge.DeleteSelf();
        }
    });
}

template <class F>
void TEditGraphPaint::ChangeTree(int oldSelected, F change) {
    // Invalidation is batched; the lists are rebuilt even when the change fails.
    BeginInvalidate();
    try {
        change();
    } catch (...) {
        UpdateLists(ulAll);
        EndInvalidate();
        throw;
    }
    UpdateLists(ulAll);
    EndInvalidate();
    SelectedChanged(oldSelected);
}

bool TEditGraphPaint::Copy() {
    // Components being dragged carry their drag state: it is not stored.
    EndDrag();
    const auto sel = Snapshot<IGraphEdit>(GetSelected().get());
    std::unordered_set<TVerUdov*> chosen;
    std::vector<TGrfEditComp*> comps;
    for (const auto& ge : sel)
        if (auto* c = dynamic_cast<TGrfEditComp*>(ge.get())) {
            chosen.insert(c);
            comps.push_back(c);
        }
    TGrfEditCompList list;
    for (TGrfEditComp* c : comps) {
        bool under = false;
        for (TVerUdov* o = c->GetOwner(); o && !under; o = o->GetOwner()) under = chosen.count(o) > 0;
        if (!under) list.Add(c);
    }
    if (list.Count() == 0) return false;
    SaveToClipboard(list, CF_GRCOMP());
    return true;
}

void TEditGraphPaint::Cut() {
    EndDrag();
    if (Copy()) Delete();
}

bool TEditGraphPaint::Paste() {
    EndDrag();
    std::unique_ptr<TMemoryStream> s = LoadStreamFromCLB(CF_GRCOMP());
    if (!s || s->Size() == 0) return false;
    // All or nothing: the payload is read into a root of its own first.
    TVerUdovPtr<TGrfRootComp> temp = TVerUdov::NewRoot<TGrfRootComp>();
    ReadPastePayload(*s, *temp);
    if (temp->GetComponentCount() == 0) return false;
    TGrfEditComp* root = GetRoot();
    SelectAll(false);
    const int old = GetSelected()->GetCount();
    ChangeTree(old, [&] {
        while (temp->GetComponentCount() > 0) {
            TVerUdov* c = temp->GetComponent(0);
            root->InsertComponent(c);
            if (auto* e = dynamic_cast<TGrfEditComp*>(c)) {
                e->SetAttr(caSelected, true);
                InvalidateComp(*e);
            }
        }
    });
    return true;
}

void TEditGraphPaint::SendTo(bool back) {
    EndDrag();
    const auto sel = Snapshot<IGraphEdit>(GetSelected().get());
    ComPtr<IGVIntfList> edt = GetEdited();
    for (auto it = sel.rbegin(); it != sel.rend(); ++it) {
        IGraphEdit& ge = **it;
        if (!edt->Exists(static_cast<IUnknown*>(&ge))) continue;
        if (back) ge.SendToBack();
        else ge.BringToFront();
        InvalidateComp(ge);
    }
    UpdateLists(ulAll);
}

// ---- zoom ------------------------------------------------------------------------------------

void TEditGraphPaint::ZoomIn() {
    float m = Mst() * 1.5f;
    // The table may snap the step back onto the same entry.
    if (StandartScale && ResolveMst(m, true, Mst()) == Mst()) m = NextStdMst(true, Mst());
    View(m);
}

void TEditGraphPaint::ZoomOut() {
    float m = Mst() * 2 / 3;
    if (StandartScale && ResolveMst(m, true, Mst()) == Mst()) m = NextStdMst(false, Mst());
    View(m);
}

void TEditGraphPaint::View(float scale) {
    const float resolved = ResolveMst(scale, StandartScale, Mst());
    QPoint anchor = mapFromGlobal(QCursor::pos());
    if (!rect().contains(anchor) || resolved == Mst()) anchor = QPoint(width() / 2, height() / 2);
    const TSPoint world = ToDevice(anchor.x(), anchor.y());
    SetView(world, TPoint{anchor.x(), anchor.y()}, 0, scale);
}

void TEditGraphPaint::ZoomAll() {
    ComPtr<IGVIntfList> edt = GetEdited();
    const int n = edt->GetCount();
    if (n == 0) return;
    TSRect u{};
    for (int i = 0; i < n; ++i) {
        const TSRect r = edt->GetView(i)->GetRect();
        if (i == 0) {
            u = r;
        } else {
            u.Left = std::min(u.Left, r.Left), u.Top = std::min(u.Top, r.Top);
            u.Right = std::max(u.Right, r.Right), u.Bottom = std::max(u.Bottom, r.Bottom);
        }
    }
    const double w = width(), h = height();
    const double rw = std::max(w / 4, 1.2 * (double(u.Right) - u.Left));
    const double rh = std::max(h / 4, 1.2 * (double(u.Bottom) - u.Top));
    const double scale = std::min(w / rw, h / rh);
    // A control without area gives 0 or 0 / 0: nothing to fit.
    if (!(scale > 0) || !std::isfinite(scale)) return;
    const TSPoint centre{float((double(u.Left) + u.Right) / 2), float((double(u.Top) + u.Bottom) / 2)};
    SetView(centre, TPoint{int32_t(w / 2), int32_t(h / 2)}, 0, float(scale));
}

// ---- property editor ---------------------------------------------------------------------------

void TEditGraphPaint::SetupSheet(TPropEditor& editor) {
    TDlgPainterSetup* d = editor.AddDlgClass<TDlgPainterSetup>();
    d->LoadFromBox(this);
}

void TEditGraphPaint::ApplyData(QDialog& dialog) {
    auto* d = dynamic_cast<TDlgPainterSetup*>(&dialog);
    if (d && d->Tag() == 1) d->SaveToBox(this);
}

void TEditGraphPaint::ExecPropertyEditor(IIntfList* list) {
    ComPtr<TIntfList> found = TIntfList::Create();
    if (rootObj_) rootObj_->EnumInterface(IID_IGroupMove, *found);
    const auto groups = Snapshot<IGroupMove>(found.get());
    size_t begun = 0;
    std::unique_ptr<TPropEditor> editor;
    std::exception_ptr failure;
    try {
        for (; begun < groups.size(); ++begun) groups[begun]->BeginGroup();
        editor = CraatePropEditor(list);
        editor->SetPainter(this);
        editor->Execute();
    } catch (...) {
        failure = std::current_exception();
    }
    // The editor goes and the groups end whatever happened.
    if (editor) FreePropEditor(editor);
    for (size_t i = 0; i < begun; ++i) {
        try {
            groups[i]->EndGroup();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

void TEditGraphPaint::SetupDlg() {
    ComPtr<TIntfList> list = TIntfList::Create();
    if (rootObj_) rootObj_->EnumInterface(IID_IPropertyEdit, *list);
    if (OnPropertyEdit) OnPropertyEdit(this, *list);
    list->Add(static_cast<IPropertyEdit*>(this));
    ExecPropertyEditor(list.get());
}

void TEditGraphPaint::PropertiesClick() {
    const auto sel = Snapshot<IGraphEdit>(GetSelected().get());
    ComPtr<TIntfList> list = TIntfList::Create();
    for (const auto& ge : sel)
        if (ComQuery<IPropertyEdit>(static_cast<IUnknown*>(ge.get()))) list->Add(static_cast<IUnknown*>(ge.get()));
    if (list->GetCount() > 0 || !sel.empty()) ExecPropertyEditor(list.get());
    else SetupDlg();
}

// ---- toolbars ------------------------------------------------------------------------------------

void TEditGraphPaint::UpdateToolbars() {
    for (const auto& t : Snapshot<IToolbarEdit>(GetSelected().get())) t->UpdateToolbar();
}

void TEditGraphPaint::EditControlChange(QWidget* control) {
    if (!control) {
        UpdateToolbars();
        return;
    }
    for (const auto& ge : Snapshot<IGraphEdit>(GetSelected().get())) {
        ComPtr<IToolbarEdit> t = ComQuery<IToolbarEdit>(static_cast<IUnknown*>(ge.get()));
        if (!t) continue;
        bool changed = false;
        t->ControlChanged(control, changed);
        if (changed) InvalidateComp(*ge);
    }
}

// ---- hints -------------------------------------------------------------------------------------

void TEditGraphPaint::GetHint(THintInfo& info, std::string& s) {
    s.clear();
    if (workMode_ != wmNone) return;
    TSPoint p = ToDevice(info.CursorPos.X, info.CursorPos.Y);
    ToStep(p.X), ToStep(p.Y);
    TEditInfo e;
    e.Init(p.X, p.Y);
    ComPtr<IGraphEdit> found;
    SearchComp(e, true, found);
    if (!found) return;
    found->GetHint(e, s);
    if (found->GetSelected()) {
        info.HintColor = kHintSelectedColor;
        if (GetSelected()->GetCount() > 1) s = "Drag all";
    } else {
        info.HintColor = kHintColor;
    }
}

void TEditGraphPaint::ShowHint(const THintInfo& info, const std::string& s) {
    QToolTip::showText(mapToGlobal(QPoint(info.CursorPos.X, info.CursorPos.Y)), QString::fromStdString(s), this);
    // The hint window alone takes the colour; the application's tool-tip
    // palette stays as it is.
    if (TGrfHinter* h = GrfHinter())
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("QTipLabel")) w->setPalette(h->Colored(info.HintColor));
}

bool TEditGraphPaint::event(QEvent* e) {
    if (e->type() != QEvent::ToolTip) return TGraphPaint::event(e);
    auto* he = static_cast<QHelpEvent*>(e);
    CallReporting([&] {
        THintInfo info;
        info.CursorPos = TPoint{he->pos().x(), he->pos().y()};
        std::string s;
        GetHint(info, s);
        if (s.empty()) {
            QToolTip::hideText();
            e->ignore();
        } else {
            ShowHint(info, s);
        }
    });
    return true;
}

// ---- drag and drop -------------------------------------------------------------------------------

void TEditGraphPaint::DragOver(const TDragSource& source, int x, int y, TDragState state, bool& accept) {
    accept = false;
    ComPtr<IDrop> target;
    if (state != dsDragLeave) {
        TSPoint p = ToDevice(x, y);
        ComPtr<IGVIntfList> vis = GetVisibled();
        for (int i = vis->GetCount() - 1; i >= 0 && !target; --i) {
            ComPtr<IGraphEdit> ge = ItemAs<IGraphEdit>(*vis, i);
            if (!ge) continue;
            TEditInfo info;
            info.Init(p.X, p.Y);
            ge->Find(this, info);
            if (info.EditType != etNone) target = ComQuery<IDrop>(static_cast<IUnknown*>(ge.get()));
        }
    }
    const TPoint at{x, y};
    ComPtr<IDrop> previous = dropTarget_;
    // Kept before anything is told: a handler may start another drag.
    dropTarget_ = target;
    if (previous && previous != target) previous->DragOver(source, dsDragLeave, at);
    if (target)
        accept = target->DragOver(source, target == previous ? dsDragMove : dsDragEnter, at);
    else if (OnDragOver)
        OnDragOver(this, source, x, y, state, accept);
}

void TEditGraphPaint::DragDrop(const TDragSource& source, int x, int y) {
    // The target is let go of first: it may be deleted by its drop.
    ComPtr<IDrop> target = std::move(dropTarget_);
    dropTarget_.reset();
    if (target) target->Drop(source, TPoint{x, y});
    else if (OnDragDrop) OnDragDrop(this, source, x, y);
}

bool TEditGraphPaint::HandleDrag(QDropEvent* e, TDragState state) {
    TDragSource src;
    src.Control = e->source();
    src.MimeData = e->mimeData();
    const QPoint at = e->position().toPoint();
    dragPoint_ = at;
    bool accept = false;
    CallReporting([&] { DragOver(src, at.x(), at.y(), state, accept); });
    return accept;
}

void TEditGraphPaint::dragEnterEvent(QDragEnterEvent* e) {
    if (HandleDrag(e, dsDragEnter)) {
        e->acceptProposedAction();
    } else {
        // Qt sends the moves only to a widget that took the entry.
        e->accept();
        e->setDropAction(Qt::IgnoreAction);
    }
}

void TEditGraphPaint::dragMoveEvent(QDragMoveEvent* e) {
    if (HandleDrag(e, dsDragMove)) e->acceptProposedAction();
    else e->ignore();
}

void TEditGraphPaint::dragLeaveEvent(QDragLeaveEvent* e) {
    TDragSource src;
    bool accept = false;
    CallReporting([&] { DragOver(src, dragPoint_.x(), dragPoint_.y(), dsDragLeave, accept); });
    e->accept();
}

void TEditGraphPaint::dropEvent(QDropEvent* e) {
    TDragSource src;
    src.Control = e->source();
    src.MimeData = e->mimeData();
    const QPoint at = e->position().toPoint();
    CallReporting([&] { DragDrop(src, at.x(), at.y()); });
    e->acceptProposedAction();
}

}  // namespace velt
