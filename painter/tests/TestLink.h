#pragma once
// A straight link of two points for tests and benchmarks: each end follows
// what it is connected to, and the whole moves by a drag.

#include "painter/EdtComp.h"
#include "painter/GrfPaint.h"
#include "painter/IGrfTopo.h"

namespace velt::test {

// A link of two points; each follows what it is connected to.
class TTestLink : public TGrfEditComp, public virtual ILinkedObject {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TTestLink", &TGrfEditComp::Class(), &MakeComponent<TTestLink>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (QueryFor<ILinkedObject>(this, iid, obj) == S_OK) return S_OK;
        return TGrfEditComp::QueryInterface(iid, obj);
    }
    class TLinkConns : public TConnList {
    public:
        explicit TLinkConns(TTestLink* o) : owner(o) {}
        TSPoint GetCoord(int i) override { return owner->P[i == 0 ? 0 : 1]; }
        TTestLink* owner;
    };
    int GetPointsCount() override { return 2; }
    void GetPoints(int index, TEditPointInfo& info) override {
        info.Init();
        info.Index = index;
        info.X = P[index ? 1 : 0].X, info.Y = P[index ? 1 : 0].Y;
    }
    void Moving(TEditInfo& info) override {
        if (info.EditType == etMovePoint) {
            P[info.PointInfo.Index == 0 ? 0 : 1] = TSPoint{info.X, info.Y};
        } else {
            for (TSPoint& p : P) p.X += info.DX, p.Y += info.DY;
        }
    }
    void Draw(TGraphPaint& p) override {
        p.DefPen(psSolid, clBlack, 0);
        p.Line(P[0].X, P[0].Y, P[1].X, P[1].Y);
    }
    void WriteData(TStream& s) override {
        TGrfEditComp::WriteData(s);
        s.WriteBuffer(P, sizeof P);
        Conns.SaveToStream(s);
    }
    void ReadData(TStream& s) override {
        TGrfEditComp::ReadData(s);
        s.ReadBuffer(P, sizeof P);
        Conns.LoadFromStream(s);
    }
    TConnList& GetConnList() override { return Conns; }
    TConnObject GetConnObject() override { return coLine; }
    bool IsRigid() override { return false; }
    bool TryConnect(ILinkedObject&, int, bool) override { return false; }
    void SetFollow(int, bool) override {}
    int Level() override { return 0; }

    TSPoint P[2]{};
    TLinkConns Conns{this};

protected:
    ~TTestLink() override = default;
};

}  // namespace velt::test
