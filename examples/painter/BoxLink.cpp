#include "examples/painter/BoxLink.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "foundation/CodePages.h"
#include "foundation/CommMsg.h"
#include "foundation/SysUtils.h"
#include "foundation/Utils.h"
#include "painter/TopoUtil.h"
#include "platform/ui/DrawText.h"
#include "treeview/MenuList.h"

namespace velt {

namespace {

// How near, in pixels, a link's end must come to a pin to connect.
constexpr float kPinReach = 6;
// How near, in pixels, the mouse must come to a link's segment to take it.
constexpr float kLineReach = 4;
// Caption height, world units.
constexpr float kCaptionHeight = 5;
constexpr TColor kBoxFill = 0xE0FFFF;  // a pale yellow
// The cursor of a link's points: the cross.
constexpr int16_t kPointCursor = -3;

bool Finite(float v) { return std::isfinite(v); }

bool SizeOK(float w, float h) {
    return w >= TGrfBox::kMinSize && w <= TGrfBox::kMaxSize && h >= TGrfBox::kMinSize && h <= TGrfBox::kMaxSize;
}

float ReadCoord(TStream& s) {
    const float v = ReadFloat(s);
    if (!Finite(v)) throw EReadError("Invalid coordinate in a component record");
    return v;
}

// The distance from p to the segment a-b, in world units.
float SegmentDistance(const TSPoint& p, const TSPoint& a, const TSPoint& b) {
    const double dx = double(b.X) - a.X, dy = double(b.Y) - a.Y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((double(p.X) - a.X) * dx + (double(p.Y) - a.Y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double qx = a.X + t * dx - p.X, qy = a.Y + t * dy - p.Y;
    return float(std::sqrt(qx * qx + qy * qy));
}

// A list stream held in a text property's binary block.
void WriteListBlock(TTextWriter& writer, const std::string& name, TGeneralList& list) {
    TMemoryStream m;
    list.SaveToStream(m);
    writer.WB(name, m.Memory(), m.GetSize());
}

std::unique_ptr<TMemoryStream> ReadListBlock(TTextReader& reader, const std::string& name) {
    std::unique_ptr<TMemoryStream> m = reader.RStream(name);
    m->SetPosition(0);
    return m;
}

}  // namespace

int32_t epLinkPoint() {
    static const int32_t kind = RegisterEditPoint();
    return kind;
}

int32_t epLinkEnd() {
    static const int32_t kind = RegisterEditPoint();
    return kind;
}

// ---- pins and ends --------------------------------------------------------

TSPoint TBoxPins::GetCoord(int index) { return box_ && ValidIndex(index) ? box_->PinPos(GetConn(index).ConnID) : TSPoint{}; }

TSPoint TLinkEnds::GetCoord(int index) {
    if (!link_ || !ValidIndex(index) || link_->Points().GetCount() == 0) return TSPoint{};
    const TLinkPoints& pts = link_->Points();
    return GetConn(index).Kind == ctLineBeg ? pts.At(0) : pts.At(pts.GetCount() - 1);
}

void TLinkEnds::SetCoord(int index, const TSPoint& p) {
    if (!link_ || !ValidIndex(index)) return;
    link_->MoveEnd(GetConn(index).Kind == ctLineBeg ? 0 : 1, p);
}

// ---- the name page ------------------------------------------------------------

TBoxNameDlg::TBoxNameDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Box"));
    PC = new QTabWidget(this);
    PC->setGeometry(0, 0, 240, 90);
    TSName = new QWidget;
    TSName->setObjectName(QStringLiteral("TSName"));
    TSName->resize(232, 60);
    PC->addTab(TSName, QStringLiteral("Name"));
    auto* label = new QLabel(QStringLiteral("Name:"), TSName);
    label->setGeometry(8, 14, 50, 20);
    EdName = new QLineEdit(TSName);
    EdName->setObjectName(QStringLiteral("EdName"));
    EdName->setGeometry(60, 12, 160, 22);
    setProperty(kTagProperty, 0);
    // The tag marks a changed name; the editor clears it before it shows.
    connect(EdName, &QLineEdit::textEdited, this, [this] { setProperty(kTagProperty, 1); });
}

// ---- the box ------------------------------------------------------------------

const TGrfClassDesc& TGrfBox::Class() {
    static const TGrfClassDesc d("TGrfBox", &TGrfEditComp::Class(), MakeComponent<TGrfBox>);
    return d;
}

TGrfBox::TGrfBox() : Pins(std::make_unique<TBoxPins>(this)) { ResetPins(); }

HResult TGrfBox::QueryInterface(const Guid& iid, void** obj) {
    if (QueryFor<ILinkedObject, IPropertyEdit>(this, iid, obj) == S_OK) return S_OK;
    return TGrfEditComp::QueryInterface(iid, obj);
}

void TGrfBox::ResetPins() {
    Pins->Clear();
    for (uint8_t i = 0; i < 4; ++i) {
        TConnectionInfo c;
        c.Init(i, ctPin);
        c.SetAttr(cnaCanConnect, false);
        Pins->Add(c);
    }
}

void TGrfBox::SetSize(float w, float h) {
    if (!(SizeOK(w, h)))
        throw ERangeError("A box's sides lie between 0.001 and 100000");
    W = w;
    H = h;
    Modified();
}

TSPoint TGrfBox::PinPos(int index) const {
    const float x = GetX(), y = GetY();
    switch (index) {
    case 0: return {x + W / 2, y};
    case 1: return {x + W, y + H / 2};
    case 2: return {x + W / 2, y + H};
    case 3: return {x, y + H / 2};
    default: return {x, y};
    }
}

int TGrfBox::PinAt(const TSPoint& p) {
    TGraphPaint* box = GetBox();
    const float reach = box && box->Mst() > 0 ? kPinReach / box->Mst() : 0;
    for (int i = 0; i < Pins->GetCount(); ++i) {
        const TConnectionInfo c = Pins->GetConn(i);
        if (!c.GetAttr(cnaEnabled)) continue;
        const TSPoint q = PinPos(c.ConnID);
        if (reach > 0 ? std::fabs(q.X - p.X) <= reach && std::fabs(q.Y - p.Y) <= reach : PtEQ(q, p)) return i;
    }
    return -1;
}

void TGrfBox::SetName(const std::string& name) {
    if (!CodePages::Representable(name, CodePages::TCodePage::cp1251))
        Err("The name \"" + name + "\" cannot be stored: code page 1251 lacks some of its characters");
    Name = name;
    Modified();
}

void TGrfBox::WriteData(TStream& stream) {
    TGrfEditComp::WriteData(stream);
    WriteFloat(stream, W);
    WriteFloat(stream, H);
    Pins->SaveToStream(stream);
}

void TGrfBox::ReadPins(TStream& stream) {
    TConnList read;
    read.LoadFromStream(stream);
    if (read.GetCount() != 4) throw EReadError("A box has four pins");
    for (int i = 0; i < 4; ++i) {
        const TConnectionInfo c = read.GetConn(i);
        if (c.Kind != ctPin || c.ConnID != i) throw EReadError("A box's pin is not one of its four");
    }
    Pins->Clear();
    for (int i = 0; i < 4; ++i) Pins->Add(read.GetConn(i));
}

void TGrfBox::ReadData(TStream& stream) {
    TGrfEditComp::ReadData(stream);
    const float w = ReadCoord(stream), h = ReadCoord(stream);
    if (!(SizeOK(w, h))) throw EReadError("A box's size is out of range");
    ReadPins(stream);
    W = w;
    H = h;
}

void TGrfBox::TextWriteState(TTextWriter& writer) {
    TGrfEditComp::TextWriteState(writer);
    writer.WReal("X", GetX());
    writer.WReal("Y", GetY());
    writer.WReal("W", W);
    writer.WReal("H", H);
    WriteListBlock(writer, "Pins", *Pins);
}

void TGrfBox::TextReadState(TTextReader& reader) {
    TGrfEditComp::TextReadState(reader);
    const float x = reader.RReal("X"), y = reader.RReal("Y"), w = reader.RReal("W"), h = reader.RReal("H");
    if (!Finite(x) || !Finite(y) || !(SizeOK(w, h)))
        throw EReadError("TGrfBox \"" + Name + "\": position or size out of range");
    std::unique_ptr<TMemoryStream> pins = ReadListBlock(reader, "Pins");
    if (pins->GetSize() > 0) ReadPins(*pins);
    PutPos(x, y);
    W = w;
    H = h;
}

TSRect TGrfBox::GetRect() { return TSRect{GetX(), GetY(), GetX() + W, GetY() + H}; }

void TGrfBox::Draw(TGraphPaint& p) {
    const TSRect r = GetRect();
    p.DefPen(psSolid, clBlack, 0);
    p.DefBrush(bsSolid, kBoxFill);
    p.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    if (p.DrawMode() == dmDrag) return;
    p.DefBrush(bsClear, clWhite);
    p.DefFont(clBlack, 0, "");
    if (!Name.empty()) p.TextOutRect(r, Name, DT_CENTER | DT_VCENTER | DT_SINGLELINE, kCaptionHeight);
    // The pins: small dark squares on the sides.
    p.DefPen(psSolid, clNavy, 0);
    p.DefBrush(bsSolid, clNavy);
    const float s = p.Mst() > 0 ? 2 / p.Mst() : 0;
    for (int i = 0; i < 4; ++i) {
        const TSPoint q = PinPos(i);
        p.Rectangle(q.X - s, q.Y - s, q.X + s, q.Y + s);
    }
}

void TGrfBox::DrawActiv(TGraphPaint& p) {
    TGrfEditComp::DrawActiv(p);
    if (!GetSelected() || GetMoved()) return;
    const TSRect r = GetRect();
    for (const TSPoint& q : {TSPoint{r.Left, r.Top}, TSPoint{r.Right, r.Top}, TSPoint{r.Right, r.Bottom},
                             TSPoint{r.Left, r.Bottom}})
        p.GridPtEx(q.X, q.Y, 0, true);
}

void TGrfBox::Moving(TEditInfo& info) {
    if (info.EditType != etMove) return;
    PutPos(GetX() + info.DX, GetY() + info.DY);
    Modified();
}

void TGrfBox::QueryFirstPoint(TEditInfo& info) {
    TEditPointInfo pi;
    pi.Init();
    pi.X = GetX();
    pi.Y = GetY();
    info._PI(pi)._ET(etMove);
}

bool TGrfBox::TryConnect(ILinkedObject& other, int index, bool force) {
    TConnList& ends = other.GetConnList();
    if (&ends == Pins.get() || !ends.ValidIndex(index)) return false;
    const TConnectionInfo c = ends.GetConn(index);
    if ((c.Kind != ctLineBeg && c.Kind != ctLineEnd) || !c.GetAttr(cnaEnabled)) return false;
    const int pin = PinAt(ends.GetCoord(index));
    if (pin < 0 || Pins->GetConn(pin).Group != c.Group) return false;
    if (force) return true;
    ends.Conn(index)->Connect(*Pins->Conn(pin));
    ends.SetCoord(index, PinPos(Pins->GetConn(pin).ConnID));
    return true;
}

void TGrfBox::SetupSheet(TPropEditor& editor) {
    TBoxNameDlg* dlg = editor.AddDlgClass<TBoxNameDlg>();
    dlg->EdName->setText(QString::fromStdString(Name));
}

void TGrfBox::ApplyData(QDialog& dialog) {
    auto* dlg = qobject_cast<TBoxNameDlg*>(&dialog);
    if (!dlg || dlg->property(kTagProperty).toInt() != 1) return;
    SetName(dlg->EdName->text().toStdString());
}

// ---- the link -----------------------------------------------------------------

const TGrfClassDesc& TGrfLink::Class() {
    static const TGrfClassDesc d("TGrfLink", &TGrfEditComp::Class(), MakeComponent<TGrfLink>);
    return d;
}

TGrfLink::TGrfLink() : Line(std::make_unique<TLinkPoints>()), Ends(std::make_unique<TLinkEnds>(this)) {
    ResetEnds();
}

HResult TGrfLink::QueryInterface(const Guid& iid, void** obj) {
    if (QueryFor<ILinkedObject>(this, iid, obj) == S_OK) return S_OK;
    return TGrfEditComp::QueryInterface(iid, obj);
}

void TGrfLink::ResetEnds() {
    Ends->Clear();
    TConnectionInfo c;
    c.Init(0, ctLineBeg);
    Ends->Add(c);
    c.Init(1, ctLineEnd);
    Ends->Add(c);
}

void TGrfLink::SyncPos() {
    if (Line->GetCount() > 0) {
        const TSPoint p = Line->At(0);
        PutPos(p.X, p.Y);
    }
}

void TGrfLink::AddPoint(const TSPoint& p) {
    if (Line->GetCount() >= kMaxPoints) throw ERangeError("A link has at most 10000 points");
    Line->Add(p);  // the rest of the record (Fixed) stays zero
    SyncPos();
}

int TGrfLink::EndPoint(int connIndex) const {
    if (!Ends->ValidIndex(connIndex) || Line->GetCount() == 0) return -1;
    return Ends->GetConn(connIndex).Kind == ctLineBeg ? 0 : Line->GetCount() - 1;
}

int TGrfLink::EndConn(int pointIndex) const {
    const int n = Line->GetCount();
    for (int i = 0; i < Ends->GetCount(); ++i) {
        const uint8_t kind = Ends->GetConn(i).Kind;
        if ((kind == ctLineBeg && pointIndex == 0) || (kind == ctLineEnd && pointIndex == n - 1)) return i;
    }
    return -1;
}

void TGrfLink::MoveEnd(int end, const TSPoint& p) {
    int n = Line->GetCount();
    if (n == 0) return;
    if (n == 1) {
        Line->Put(0, p);
        SyncPos();
        Modified();
        return;
    }
    if (n == 2) {
        // Two bends halfway, so that moving one end leaves the other: across
        // the middle of a vertical line, else down the middle.
        const TSPoint a = Line->At(0), b = Line->At(1);
        const bool vertical = a.X == b.X && a.Y != b.Y;
        const float mx = (a.X + b.X) / 2, my = (a.Y + b.Y) / 2;
        // Whole records: the list's records are longer than a point.
        const TLinkPointInfo m1{vertical ? TSPoint{a.X, my} : TSPoint{mx, a.Y}, 0, 0};
        const TLinkPointInfo m2{vertical ? TSPoint{b.X, my} : TSPoint{mx, b.Y}, 0, 0};
        Line->Insert(1, static_cast<const void*>(&m2));
        Line->Insert(1, static_cast<const void*>(&m1));
        n = 4;
    }
    // The end E, its neighbour N and the point K after that. The end's
    // segment keeps its direction: N slides along N-K when that segment
    // runs across it; otherwise (N-K in line with E-N, or N fixed) a bend
    // is put between E and N.
    const int e = end == 0 ? 0 : n - 1, nb = end == 0 ? 1 : n - 2, far = end == 0 ? 2 : n - 3;
    const TSPoint old = Line->At(e);
    TLinkPointInfo N = Line->GetInfo(nb);
    const bool horizontal = old.Y == N.P.Y || old.X != N.P.X;
    if (horizontal ? p.Y != N.P.Y : p.X != N.P.X) {
        const bool canSlide = !N.Fixed && far >= 0 && far < n &&
                              (horizontal ? Line->At(far).X == N.P.X : Line->At(far).Y == N.P.Y);
        if (canSlide) {
            (horizontal ? N.P.Y : N.P.X) = horizontal ? p.Y : p.X;
            std::memcpy(Line->GetItem(nb), &N, sizeof N);
        } else {
            if (n >= kMaxPoints) throw ERangeError("A link has at most 10000 points");
            const TLinkPointInfo bend{horizontal ? TSPoint{N.P.X, p.Y} : TSPoint{p.X, N.P.Y}, 0, 0};
            Line->Insert(end == 0 ? 1 : n - 1, static_cast<const void*>(&bend));
            ++n;
        }
    }
    Line->Put(end == 0 ? 0 : n - 1, p);
    SyncPos();
    Modified();
}

void TGrfLink::WriteData(TStream& stream) {
    TGrfEditComp::WriteData(stream);
    Line->SaveToStream(stream);
    Ends->SaveToStream(stream);
}

void TGrfLink::ReadLine(TStream& points, TStream* ends) {
    TLinkPoints read;
    read.LoadFromStream(points);
    if (read.GetCount() > kMaxPoints) throw EReadError("A link has at most 10000 points");
    for (int i = 0; i < read.GetCount(); ++i) {
        const TSPoint p = read.At(i);
        if (!Finite(p.X) || !Finite(p.Y)) throw EReadError("Invalid coordinate in a link");
    }
    TConnList readEnds;
    if (ends) {
        readEnds.LoadFromStream(*ends);
        if (readEnds.GetCount() != 2 || readEnds.GetConn(0).Kind != ctLineBeg || readEnds.GetConn(1).Kind != ctLineEnd)
            throw EReadError("A link has two ends");
    }
    Line->Clear();
    for (int i = 0; i < read.GetCount(); ++i) Line->Add(read.GetItem(i));
    if (ends) {
        Ends->Clear();
        Ends->Add(readEnds.GetConn(0));
        Ends->Add(readEnds.GetConn(1));
    }
    SyncPos();
}

void TGrfLink::ReadData(TStream& stream) {
    TGrfEditComp::ReadData(stream);
    ReadLine(stream, &stream);
}

void TGrfLink::TextWriteState(TTextWriter& writer) {
    TGrfEditComp::TextWriteState(writer);
    WriteListBlock(writer, "Points", *Line);
    WriteListBlock(writer, "Ends", *Ends);
}

void TGrfLink::TextReadState(TTextReader& reader) {
    TGrfEditComp::TextReadState(reader);
    std::unique_ptr<TMemoryStream> points = ReadListBlock(reader, "Points");
    std::unique_ptr<TMemoryStream> ends = ReadListBlock(reader, "Ends");
    if (points->GetSize() == 0) return;
    ReadLine(*points, ends->GetSize() > 0 ? ends.get() : nullptr);
}

void TGrfLink::GetPoints(int index, TEditPointInfo& info) {
    info.Init();
    if (index < 0 || index >= Line->GetCount()) return;
    const TSPoint p = Line->At(index);
    // An end is told by its number, not its place: bends put in while it
    // is dragged do not make the gesture take another point.
    const bool isEnd = EndConn(index) >= 0;
    info.Kind = isEnd ? epLinkEnd() : epLinkPoint();
    info.Index = isEnd ? (index == 0 ? 0 : 1) : index;
    info.X = p.X;
    info.Y = p.Y;
    info.Cursor = kPointCursor;
    // Ends are circles, bends squares.
    info.Shape = isEnd ? 1 : 0;
}

void TGrfLink::Draw(TGraphPaint& p) {
    if (Line->GetCount() < 2) return;
    p.DefPen(psSolid, clBlack, 0);
    p.PolylineEx(*Line);
    if (p.DrawMode() == dmDrag) return;
    // A connected end shows as a dot on its pin.
    p.DefBrush(bsSolid, clBlack);
    const float s = p.Mst() > 0 ? 1.5f / p.Mst() : 0;
    for (int i = 0; i < Ends->GetCount(); ++i) {
        if (!Ends->GetConn(i).Connected()) continue;
        const TSPoint q = Ends->GetCoord(i);
        p.Ellipse(q.X - s, q.Y - s, q.X + s, q.Y + s);
    }
}

void TGrfLink::DrawActiv(TGraphPaint& p) {
    TGrfEditComp::DrawActiv(p);
    Ends->DrawActiv(p);
}

void TGrfLink::Find(TGraphPaint* painter, TEditInfo& info) {
    info.EditType = etNone;
    if (!painter || Line->GetCount() == 0) return;
    const TSPoint m{info.X, info.Y};
    for (int i = Line->GetCount() - 1; i >= 0; --i) {
        const TSPoint q = Line->At(i);
        if (painter->PtInAct(m.X, m.Y, q.X, q.Y)) {
            TEditPointInfo pi;
            InternalGetPoints(i, pi);
            info._PI(pi)._ET(etMovePoint);
            return;
        }
    }
    const float reach = painter->Mst() > 0 ? kLineReach / painter->Mst() : 0;
    for (int i = 1; i < Line->GetCount(); ++i)
        if (SegmentDistance(m, Line->At(i - 1), Line->At(i)) <= reach) {
            info._ET(etMove);
            return;
        }
}

void TGrfLink::Moving(TEditInfo& info) {
    const int n = Line->GetCount();
    if (info.EditType == etMove) {
        Line->Offset(info.DX, info.DY);
        SyncPos();
        Modified();
        return;
    }
    if (info.EditType != etMovePoint || n == 0) return;
    const TSPoint p{info.X, info.Y};
    if (info.PointInfo.Kind == epMoveConn()) {
        // An end follows the pin it is connected to.
        const int i = EndPoint(info.PointInfo.Index);
        if (i >= 0) MoveEnd(i == 0 ? 0 : 1, p);
        return;
    }
    int i = -1;
    if (info.PointInfo.Kind == epLinkEnd()) {
        if (info.PointInfo.Index == 0) i = 0;
        else if (info.PointInfo.Index == 1) i = n - 1;
    } else if (info.PointInfo.Kind == epLinkPoint()) {
        i = info.PointInfo.Index;
    }
    if (i < 0 || i >= n) return;
    if (drawing_ && i == n - 1 && n >= 2) {
        // The point being placed: straight across or straight down from
        // the one before, whichever is nearer the mouse.
        const TSPoint prev = Line->At(n - 2);
        const TSPoint q = std::fabs(p.X - prev.X) >= std::fabs(p.Y - prev.Y) ? TSPoint{p.X, prev.Y} : TSPoint{prev.X, p.Y};
        Line->Put(i, q);
        SyncPos();
        return;
    }
    const int conn = EndConn(i);
    if (conn >= 0) {
        // An end pulled by the mouse leaves its pin.
        if (Ends->GetConn(conn).Connected())
            if (ComPtr<IPainter> painter = GetPainter()) TopoDisconnect(*painter, *this, conn);
        MoveEnd(i == 0 ? 0 : 1, p);
        return;
    }
    Line->MovePoint(i, p);
    SyncPos();
    Modified();
}

void TGrfLink::EndMove(TEditInfo& info) {
    TGrfEditComp::EndMove(info);
    if (!drawing_) return;
    drawing_ = false;
    // The clicks that ended the drawing leave points on top of each other.
    for (int i = Line->GetCount() - 1; i > 0 && Line->GetCount() > 2; --i)
        if (PtEQ(Line->At(i), Line->At(i - 1))) Line->Delete(i);
    SyncPos();
}

void TGrfLink::QueryFirstPoint(TEditInfo& info) {
    const TSPoint p{info.X, info.Y};
    if (Line->GetCount() == 0) {
        AddPoint(p);
        AddPoint(p);
        drawing_ = true;
    }
    GetPoints(Line->GetCount() - 1, info.PointInfo);
    info._ET(etMovePoint);
}

void TGrfLink::QueryNextPoint(TEditInfo& info) {
    if (!drawing_ || Line->GetCount() >= kMaxPoints) {
        info._ET(etNone);
        return;
    }
    AddPoint(Line->At(Line->GetCount() - 1));
    GetPoints(Line->GetCount() - 1, info.PointInfo);
    info._ET(etMovePoint);
}

void RegisterPainterExampleClasses() {
    static bool done = false;
    if (done) return;
    RegisterEditComps();
    RegisterGrfClasses({&TGrfBox::Class(), &TGrfLink::Class()});
    done = true;
}

}  // namespace velt
