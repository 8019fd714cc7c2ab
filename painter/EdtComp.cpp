#include "painter/EdtComp.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <vector>

#include "foundation/Utils.h"
#include "graphics/GrfUtils.h"
#include "platform/ui/Cursors.h"

namespace velt {

using CoComp::TCoClassDesc;
using CoComp::TCoObject;

namespace {

// Records from this version on carry the extensions.
constexpr int32_t ExtensionsVer = 19970504;
// The smallest extension record: class GUID, a reserved int32, the data flag.
constexpr int64_t MinExRecordSize = 16 + 4 + 1;

// Whether u answers iid. The reference the query added is given back
// through the object that answered, which may be another one than u.
bool Answers(IUnknown* u, const Guid& iid) { return bool(QueryAnswerer(u, iid)); }

// The class GUID of an extension; none for a class without one.
std::optional<Guid> ClassIDOf(ICoObject& co) {
    try {
        return co.GetClassID();
    } catch (const EAbstractError&) {
        return std::nullopt;
    }
}

// Whether the extension goes into the stored form: only one whose class is
// registered can be read back.
bool Stored(IUnknown* ext) {
    ComPtr<ICoObject> co = ComQuery<ICoObject>(ext);
    if (!co) return false;
    std::optional<Guid> cls = ClassIDOf(*co);
    return cls && CoComp::FindCoClass(*cls);
}

bool SameObject(IUnknown* a, IUnknown* b) {
    ComPtr<IUnknown> ia = ComQuery<IUnknown>(a);
    ComPtr<IUnknown> ib = ComQuery<IUnknown>(b);
    return ia && ia == ib;
}

// An extension whose controller is comp lets go of it.
void Detach(IUnknown* ext, IUnknown* comp) {
    if (ComPtr<ICoObject> co = ComQuery<ICoObject>(ext)) {
        ComPtr<IUnknown> c = co->GetController();
        if (c && SameObject(c.get(), comp)) co->PutController(nullptr);
    }
}

}  // namespace

// ---- TGrfEditComp ------------------------------------------------------------------

const TGrfClassDesc& TGrfEditComp::Class() {
    static const TGrfClassDesc d("TGrfEditComp", &TVerUdov::Class(), &MakeComponent<TGrfEditComp>);
    return d;
}

void TGrfEditComp::Create(TVerUdov* owner) {
    TVerUdov::Create(owner);
    Msg(cmShow, 0);
}

void TGrfEditComp::Destroy() {
    if (IsDestroyed()) return;
    Msg(cmDestroy, 0);
    // The extensions may outlive the component: none keeps a controller
    // that is gone. They are let go of from a snapshot, since one may leave
    // the list when told its controller is gone.
    ComPtr<IIntfList> list = std::move(ExList);
    OverDraw.reset();
    if (list) {
        IUnknown* self = static_cast<IGraphEdit*>(this);
        std::vector<ComPtr<IUnknown>> items;
        for (int i = 0; i < list->GetCount(); ++i) items.push_back(list->GetItems(i));
        list.reset();
        for (const ComPtr<IUnknown>& e : items) Detach(e.get(), self);
    }
    SetMustDie(true);
    TVerUdov::Destroy();
}

void TGrfEditComp::Msg(int32_t code, int32_t) {
    if (code == cmShow) SetVisible(true);
}

HResult TGrfEditComp::QueryInterface(const Guid& iid, void** obj) {
    if (QueryFor<IGraphEdit, IGraphView, IGrfObject, ITreeController, IController>(this, iid, obj) == S_OK)
        return S_OK;
    if (TVerUdov::QueryInterface(iid, obj) == S_OK) return S_OK;
    // An extension that forwards what it lacks to its controller comes back
    // here while the extensions are asked: that query finds nothing more.
    if (ExList && !askingExtensions_) {
        askingExtensions_ = true;
        struct TDone {
            bool& flag;
            ~TDone() { flag = false; }
        } done{askingExtensions_};
        ComPtr<IIntfList> list = ExList;  // an extension may change the list
        for (int i = 0; i < list->GetCount(); ++i) {
            ComPtr<IUnknown> e = list->GetItems(i);
            if (e && e->QueryInterface(iid, obj) == S_OK) return S_OK;
        }
    }
    *obj = nullptr;
    return E_NOINTERFACE;
}

// ---- stored form ----

void TGrfEditComp::WriteData(TStream& stream) {
    // The readers take no position that is not a number.
    if (!std::isfinite(X) || !std::isfinite(Y))
        throw EWriteError(ClassName() + " \"" + Name + "\": the position is not a number");
    TVerUdov::WriteData(stream);
    WriteInteger(stream, int32_t(Attr.Bits));
    WriteFloat(stream, X);
    WriteFloat(stream, Y);
    WriteInteger(stream, 0);
    WriteInteger(stream, 0);
    int64_t at = stream.GetPosition();
    WriteInteger(stream, 0);
    int32_t n = 0;
    // Extensions of unregistered classes or of none stay in memory only.
    for (int i = 0; i < GetExIntfCount(); ++i) {
        ComPtr<IUnknown> e = GetExIntf(i);
        if (Stored(e.get()) && CoComp::WriteExInterface(stream, e.get())) ++n;
    }
    int64_t end = stream.GetPosition();
    stream.SetPosition(at);
    WriteInteger(stream, n);
    stream.SetPosition(end);
}

void TGrfEditComp::ReadData(TStream& stream) {
    // Everything is read before the component takes any of it.
    std::string name = ReadName(stream);
    TCompAttrSet attr;
    attr.Bits = uint32_t(ReadInteger(stream));
    attr.Set(caSelected, false);
    float x = ReadFloat(stream);
    float y = ReadFloat(stream);
    if (!std::isfinite(x) || !std::isfinite(y)) throw EReadError("Invalid coordinate in a component record");
    std::vector<ComPtr<IUnknown>> read;
    const bool withExtensions = ReadVer() >= ExtensionsVer;
    if (withExtensions) {
        ReadInteger(stream);
        ReadInteger(stream);
        int32_t n = ReadInteger(stream);
        if (n < 0 || n > stream.Remaining() / MinExRecordSize) throw EReadError("Invalid extension count");
        read.reserve(size_t(n));
        for (int32_t i = 0; i < n; ++i) read.push_back(CoComp::ReadExInterface(stream));
    }
    Name = std::move(name);
    Attr = attr;
    X = x;
    Y = y;
    if (!withExtensions) return;
    // The stored extensions replace those that would have been stored, so
    // that loading again does not double them; the others stay.
    if (ExList) {
        IUnknown* self = static_cast<IGraphEdit*>(this);
        for (int i = ExList->GetCount() - 1; i >= 0; --i) {
            ComPtr<IUnknown> e = ExList->GetItems(i);
            if (Stored(e.get())) {
                ExList->Delete(i);
                Detach(e.get(), self);
            }
        }
        UpdateOverDraw();
    }
    for (const ComPtr<IUnknown>& e : read) AddInterface(e.get());
}

void TGrfEditComp::Loaded() {
    TVerUdov::Loaded();
    SetAttr(caLocked, false);
}

// ---- extensions ----

void TGrfEditComp::AddInterface(IUnknown* extension) {
    if (!extension) return;
    if (SameObject(extension, static_cast<IGraphEdit*>(this)))
        throw Exception(ClassName() + " cannot be an extension of itself");
    if (!ExList) ExList = ComPtr<IIntfList>(TIntfList::Create().get());
    ExList->Add(extension);
    if (ComPtr<ICoObject> co = ComQuery<ICoObject>(extension))
        co->PutController(static_cast<IGraphEdit*>(this));
    if (!OverDraw) OverDraw = ComQuery<IOverDraw>(extension);
}

void TGrfEditComp::ReplaceInterface(IUnknown* extension) {
    if (ExList) {
        ComPtr<ICoObject> co = ComQuery<ICoObject>(extension);
        // A class without a GUID matches nothing.
        if (std::optional<Guid> cls = co ? ClassIDOf(*co) : std::nullopt) {
            IUnknown* self = static_cast<IGraphEdit*>(this);
            // Every listed extension is examined, the last one included.
            for (int i = ExList->GetCount() - 1; i >= 0; --i) {
                ComPtr<IUnknown> e = ExList->GetItems(i);
                if (Answers(e.get(), *cls)) {
                    ExList->Delete(i);
                    if (!SameObject(e.get(), extension)) Detach(e.get(), self);
                }
            }
            UpdateOverDraw();
        }
    }
    AddInterface(extension);
}

void TGrfEditComp::RemoveInterface(IUnknown* extension) {
    if (!ExList || !extension) return;
    for (int i = 0; i < ExList->GetCount(); ++i) {
        ComPtr<IUnknown> e = ExList->GetItems(i);
        if (SameObject(e.get(), extension)) {
            ExList->Delete(i);
            Detach(e.get(), static_cast<IGraphEdit*>(this));
            break;
        }
    }
    UpdateOverDraw();
}

void TGrfEditComp::UpdateOverDraw() {
    OverDraw.reset();
    for (int i = 0; i < GetExIntfCount() && !OverDraw; ++i) OverDraw = ComQuery<IOverDraw>(GetExIntf(i).get());
}

int TGrfEditComp::EnumInterface(const Guid& iid, IIntfList& list) {
    int n = 0;
    void* p = nullptr;
    if (QueryFor<IGraphEdit, IGraphView, IGrfObject, ITreeController, IController, IUnknown>(this, iid, &p) ==
        S_OK) {
        static_cast<IUnknown*>(static_cast<IGraphEdit*>(this))->_Release();
        list.Add(static_cast<IGraphEdit*>(this));
        ++n;
    }
    for (int i = 0; i < GetExIntfCount(); ++i) {
        ComPtr<IUnknown> e = GetExIntf(i);
        if (Answers(e.get(), iid)) {
            list.Add(e.get());
            ++n;
        }
    }
    return n;
}

int TGrfEditComp::EnumObjects(const Guid& iid, IIntfList& list) {
    int n = 0;
    for (int i = 0; i < GetComponentCount(); ++i) {
        IUnknown* c = GetComponent(i);
        if (Answers(c, iid)) {
            list.Add(c);
            ++n;
        }
    }
    return n;
}

int TGrfEditComp::GetExIntfCount() const { return ExList ? ExList->GetCount() : 0; }

ComPtr<IUnknown> TGrfEditComp::GetExIntf(int index) const {
    if (index < 0 || index >= GetExIntfCount()) return {};
    return ExList->GetItems(index);
}

TGrfEditComp* TGrfEditComp::GetEdComp(int index) const {
    if (index < 0 || index >= GetComponentCount()) return nullptr;
    return dynamic_cast<TGrfEditComp*>(GetComponent(index));
}

// ---- box ----

TGraphPaint* TGrfEditComp::GetBox() {
    auto* owner = dynamic_cast<TGrfEditComp*>(GetOwner());
    return owner ? owner->GetBox() : nullptr;
}

void TGrfEditComp::SetBox(TGraphPaint* box) {
    if (auto* owner = dynamic_cast<TGrfEditComp*>(GetOwner())) owner->SetBox(box);
}

ComPtr<IPainter> TGrfEditComp::GetPainter() {
    return ComPtr<IPainter>(dynamic_cast<IPainter*>(GetBox()));
}

void TGrfEditComp::SetPainter(IPainter* painter) { SetBox(painter ? painter->Box() : nullptr); }

ComPtr<IGraphView> TGrfEditComp::GetParent() { return ComQuery<IGraphView>(GetOwner()); }

// ---- selection ----

void TGrfEditComp::PutSelected(bool value) {
    if (value == GetSelected()) return;
    std::vector<ComPtr<IOverEdit>> editors;
    for (int i = 0; i < GetExIntfCount(); ++i)
        if (ComPtr<IOverEdit> e = ComQuery<IOverEdit>(GetExIntf(i).get())) editors.push_back(e);
    // Every one asked before any is told: a late refusal leaves all as they were.
    if (value)
        for (const auto& e : editors)
            if (!e->CanSelect()) return;
    for (const auto& e : editors) e->SelectChanged(value);
    SetAttr(caSelected, value);
}

// ---- geometry ----

int TGrfEditComp::GetPointsCount() { return 0; }

void TGrfEditComp::GetPoints(int, TEditPointInfo& info) {
    info.Init();
    info.X = X;
    info.Y = Y;
}

void TGrfEditComp::InternalGetPoints(int index, TEditPointInfo& info) {
    GetPoints(index, info);
    if (GetLocked()) info.Editable = 0;
}

bool TGrfEditComp::DrawWhenActiv() { return true; }

TSRect TGrfEditComp::GetRect() {
    const int n = GetPointsCount();
    TSRect r;
    if (n <= 0) {
        r.SetPt(TSPoint{X, Y});
        return r;
    }
    for (int i = 0; i < n; ++i) {
        TEditPointInfo pi;
        InternalGetPoints(i, pi);
        const TSPoint p{pi.X, pi.Y};
        if (i == 0)
            r.SetPt(p);
        else
            r.AddPt(p);
    }
    return r;
}

void TGrfEditComp::SetRect(const TSRect& r) { Move(r.Left, r.Top); }

bool TGrfEditComp::GetRectAsChild(TGraphPaint*, TSRect& r) {
    r = GetRect();
    return true;
}

int TGrfEditComp::GetChildRect(TGraphPaint* painter, TSRect& r) {
    r = TSRect{};
    int n = 0;
    for (int i = 0; i < GetComponentCount(); ++i) {
        TGrfEditComp* c = GetEdComp(i);
        TSRect cr;
        if (!c || !c->GetRectAsChild(painter, cr)) continue;
        if (n == 0)
            r = cr;
        else
            r.AddRect(cr);
        ++n;
    }
    return n;
}

void TGrfEditComp::GetInvalidateRect(TSRect& r) {
    r = GetRect();
    TGraphPaint* box = GetBox();
    if (box && GetSelected() && box->Mst() > 0) {
        const float d = 4 / box->Mst() + 1;
        r.Inflate(d, d);
    }
}

void TGrfEditComp::Invalidate(TGraphPaint* painter) {
    if (!painter) return;
    TSRect r;
    GetInvalidateRect(r);
    painter->InvalidateRect(r);
}

// ---- drawing ----

void TGrfEditComp::InternalDraw(TGraphPaint& painter) {
    ComPtr<IOverDraw> over = OverDraw;  // it may leave the list while drawing
    if (!over || GetAttr(caDraw)) {
        Draw(painter);
        return;
    }
    switch (over->GetOverrideMode()) {
        case omNone:
            over->OverDraw(painter);
            break;
        case omNoOver:
            Draw(painter);
            break;
        case omBefore:
            over->OverDraw(painter);
            Draw(painter);
            break;
        case omAfter:
            Draw(painter);
            over->OverDraw(painter);
            break;
    }
}

void TGrfEditComp::Paint(TGraphPaint& painter) { InternalDraw(painter); }

void TGrfEditComp::Draw(TGraphPaint&) {}

void TGrfEditComp::Hide(TGraphPaint& painter) {
    painter.SetDrawMode(dmHide);
    try {
        Paint(painter);
    } catch (...) {
        painter.SetDrawMode(dmNone);
        throw;
    }
    painter.SetDrawMode(dmNone);
}

void TGrfEditComp::PaintActiv(TGraphPaint& painter) {
    painter.DefPen(psSolid, TColor(0xFFFFFF), 0);
    painter.DefBrush(bsClear, TColor(0xFFFFFF));
    painter.SetDrawMode(dmDrag);
    try {
        DrawActiv(painter);
    } catch (...) {
        painter.SetDrawMode(dmNone);
        throw;
    }
    painter.SetDrawMode(dmNone);
}

void TGrfEditComp::DrawActiv(TGraphPaint& painter) {
    if (GetAttr(caDraw)) {
        if (DrawWhenActiv()) InternalDraw(painter);
        return;
    }
    if (!GetSelected()) return;
    const int n = GetPointsCount();
    for (int i = 0; i < n; ++i) {
        TEditPointInfo pi;
        InternalGetPoints(i, pi);
        CheckPointVisible(painter, pi);
        if (pi.Editable) painter.GridPtEx(pi.X, pi.Y, pi.Shape, pi.Filled != 0);
    }
}

void TGrfEditComp::CheckPointVisible(TGraphPaint&, TEditPointInfo&) {}

// ---- editing ----

void TGrfEditComp::Find(TGraphPaint* painter, TEditInfo& info) {
    info.EditType = etNone;
    const int n = painter ? GetPointsCount() : 0;
    const TSPoint at{info.X, info.Y};
    TSRect r;
    for (int i = n - 1; i >= 0; --i) {
        TEditPointInfo pi;
        InternalGetPoints(i, pi);
        if (painter->PtInAct(at.X, at.Y, pi.X, pi.Y)) {
            info.EditType = etMovePoint;
            info.PointInfo = pi;
            return;
        }
        const TSPoint p{pi.X, pi.Y};
        if (i == n - 1)
            r.SetPt(p);
        else
            r.AddPt(p);
    }
    if (n == 0) r = GetRect();
    if (GrfUtils::PtInSRect(at, r)) info.EditType = etMove;
}

void TGrfEditComp::QueryFirstPoint(TEditInfo& info) {
    if (GetPointsCount() <= 0) return;
    TEditPointInfo pi;
    InternalGetPoints(0, pi);
    info.PointInfo = pi;
    info.EditType = etMovePoint;
}

void TGrfEditComp::QueryNextPoint(TEditInfo& info) { info.EditType = etNone; }

int16_t TGrfEditComp::GetCursor(const TSPoint& p) {
    TEditInfo info;
    info.Init(p.X, p.Y);
    Find(GetBox(), info);
    if (info.EditType == etMovePoint && info.PointInfo.Editable) return info.PointInfo.Cursor;
    if (info.EditType == etMove) return crDrag;
    return crDefault;
}

void TGrfEditComp::GetHint(const TEditInfo& info, std::string& s) {
    s.clear();
    if (!GetSelected()) return;
    if (info.EditType == etMove)
        s = "Drag Object";
    else if (info.EditType == etMovePoint)
        s = "Move Point";
}

void TGrfEditComp::Move(float x, float y) {
    if (x == X && y == Y) return;
    TEditInfo info;
    info.Init(x, y)._ET(etMove)._MT(mtManual)._DX(x - X)._DY(y - Y);
    Moving(info);
    Modified();
}

void TGrfEditComp::MoveRel(float dx, float dy) { Move(X + dx, Y + dy); }

void TGrfEditComp::BeginMove(TEditInfo&) {}
bool TGrfEditComp::PredMoving(TEditInfo&) { return true; }
void TGrfEditComp::Moving(TEditInfo&) {}
void TGrfEditComp::PostMoving(TEditInfo&) {}
void TGrfEditComp::EndMove(TEditInfo&) {}

void TGrfEditComp::SendToBack() { SetComponentIndex(0); }

void TGrfEditComp::BringToFront() {
    if (TVerUdov* owner = GetOwner()) SetComponentIndex(owner->GetComponentCount() - 1);
}

bool TGrfEditComp::EditMouseDown(uint8_t, uint8_t, float, float) { return false; }
void TGrfEditComp::EditMenu(TMenuList&) {}
bool TGrfEditComp::CanDelete() { return true; }
void TGrfEditComp::DeleteSelf() { Release(this); }

void TGrfEditComp::MouseMove(uint8_t, float, float) {}
void TGrfEditComp::MouseDown(uint8_t, uint8_t, float, float) {}
void TGrfEditComp::MouseDouble(uint8_t, uint8_t, float, float) {}
void TGrfEditComp::MouseUp(uint8_t, uint8_t, float, float) {}

TColor TGrfEditComp::PColor(TColor color) {
    if (GetUseColor()) return color;
    TGraphPaint* box = GetBox();
    return box ? box->Canvas().Pen.Color : color;
}

TColor TGrfEditComp::BColor(TColor color) {
    if (GetUseColor()) return color;
    TGraphPaint* box = GetBox();
    return box ? box->Canvas().Brush.Color : color;
}

// ---- TGrfRootComp ------------------------------------------------------------------

const TGrfClassDesc& TGrfRootComp::Class() {
    static const TGrfClassDesc d("TGrfRootComp", &TGrfEditComp::Class(), &MakeComponent<TGrfRootComp>);
    return d;
}

void TGrfRootComp::Loaded() {
    TGrfEditComp::Loaded();
    if (OnLoaded) OnLoaded(this);
}

void TGrfRootComp::Destroy() {
    if (IsDestroyed()) return;
    // Nothing of the root is touched after the inherited Destroy: it may
    // free the object.
    OnLoaded = nullptr;
    TGrfEditComp::Destroy();
}

// ---- TGrfEditCompList -------------------------------------------------------------

TGrfEditComp* TGrfEditCompList::Get(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return Items[size_t(index)].get();
}

int TGrfEditCompList::Add(TGrfEditComp* comp) {
    Items.emplace_back(comp);
    return Count() - 1;
}

void TGrfEditCompList::SaveToStream(TStream& stream) const {
    WriteInteger(stream, Count());
    for (const auto& c : Items) WriteVerUdov(stream, c.get());
}

void TGrfEditCompList::LoadFromStream(TStream& stream, TVerUdov* owner) {
    if (!owner) throw EReadError("Components cannot be read without an owner");
    // No count at all (an empty clipboard): nothing to read.
    if (stream.Remaining() < 4) return;
    const int32_t n = ReadInteger(stream);
    std::vector<TGrfEditComp*> read;
    try {
        // Missing records are absent: the reading stops at the stream's end.
        for (int32_t i = 0; i < n; ++i) {
            TVerUdov* c = ReadVerUdov(stream, owner);
            if (!c) break;
            auto* e = dynamic_cast<TGrfEditComp*>(c);
            if (!e) {
                const std::string name = c->ClassName();
                Release(c);
                throw EReadError("Not an editable component: " + name);
            }
            read.push_back(e);
        }
    } catch (...) {
        // Side effects only for a whole read: the owner gets nothing.
        for (auto it = read.rbegin(); it != read.rend(); ++it) Release(*it);
        throw;
    }
    for (TGrfEditComp* e : read) {
        e->SetAttr(caSelected, true);
        Add(e);
    }
}

void RegisterEditComps() {
    static const bool done = (RegisterGrfClasses({&TGrfEditComp::Class(), &TGrfRootComp::Class()}), true);
    (void)done;
}

// ---- TVerUdovEx ----------------------------------------------------------------

const TCoClassDesc& TVerUdovEx::Class() {
    static const TCoClassDesc d("TVerUdovEx", &TCoObject::Class(), std::nullopt, nullptr);
    return d;
}

ComPtr<IGraphEdit> TVerUdovEx::GetIGE() { return ComQuery<IGraphEdit>(Controller); }

// ---- tasks -------------------------------------------------------------------------

const TCoClassDesc& TStdTask::Class() {
    static const TCoClassDesc d("TStdTask", &TCoObject::Class(), std::nullopt, nullptr);
    return d;
}

HResult TStdTask::QueryInterface(const Guid& iid, void** obj) {
    if (QueryFor<ITask>(this, iid, obj) == S_OK) return S_OK;
    return TCoObject::QueryInterface(iid, obj);
}

void TStdTask::PutController(IUnknown* controller) {
    TCoObject::PutController(controller);
    // Held uncounted: the controller holds the task.
    ComPtr<IGrfObject> root = ComQuery<IGrfObject>(controller);
    Root = root.get();
}

const TCoClassDesc& TStdThreadTask::Class() {
    static const TCoClassDesc d("TStdThreadTask", &TStdTask::Class(), std::nullopt, nullptr);
    return d;
}

}  // namespace velt
