#include "painter/TopoUtil.h"

#include <algorithm>
#include <vector>

namespace velt {

namespace {

IUnknown* Identity(IUnknown& u) {
    // The controlling unknown, without keeping the reference.
    ComPtr<IUnknown> id = ComQuery<IUnknown>(&u);
    return id ? id.get() : &u;
}

std::vector<ComPtr<ILinkedObject>> Others(IPainter& container, ILinkedObject& obj) {
    std::vector<ComPtr<ILinkedObject>> out;
    ComPtr<IGVIntfList> list = container.GetEdited();
    if (!list) return out;
    IUnknown* self = Identity(obj);
    const int n = list->GetCount();
    out.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        ComPtr<IUnknown> item = list->GetItems(i);
        ComPtr<ILinkedObject> lo = ComQuery<ILinkedObject>(item.get());
        if (lo && Identity(*lo) != self) out.push_back(std::move(lo));
    }
    return out;
}

// The chosen points: all for -1, else the one; none for an index outside.
bool Range(TConnList& list, int index, int& from, int& to) {
    if (index == -1) {
        from = 0;
        to = list.GetCount();
        return true;
    }
    if (!list.ValidIndex(index)) return false;
    from = index;
    to = index + 1;
    return true;
}

// The objects MoveConn is moving further up the current chain: a follower
// that moves its leader back is passed over instead of recursing.
std::vector<IUnknown*>& MovingChain() {
    static std::vector<IUnknown*> chain;
    return chain;
}

}  // namespace

void TopoBeginMoveConnection(IPainter&, ILinkedObject& obj, int index) {
    TConnList& list = obj.GetConnList();
    int from, to;
    if (!Range(list, index, from, to)) return;
    for (int i = from; i < to; ++i) {
        TConnectionInfo* c = list.Conn(i);
        c->SetAttr(cnaCanConnect, c->GetAttr(cnaConnected));
    }
}

void TopoBeginMoveObject(IPainter& container, ILinkedObject& obj) {
    const auto others = Others(container, obj);
    TConnList& list = obj.GetConnList();
    const int level = obj.Level();
    for (int i = 0; i < list.GetCount(); ++i) {
        TConnectionInfo* p = list.Conn(i);
        if (!p->Connected()) {
            p->SetAttr(cnaCanConnect, false);
            continue;
        }
        if (p->GetAttr(cnaSlaveMoved)) continue;
        const int32_t id = p->Connection;
        for (const auto& o : others) {
            TConnList& ol = o->GetConnList();
            for (int j = 0; j < ol.GetCount(); ++j) {
                TConnectionInfo* q = ol.Conn(j);
                if (q->Connection != id) continue;
                if (level < o->Level()) obj.SetFollow(i, !o->IsRigid());
                if (q->Connected()) q->SetAttr(cnaSlaveMoved, true);
            }
        }
    }
}

void TopoMoveObject(IPainter& container, ILinkedObject& obj) {
    const auto others = Others(container, obj);
    TConnList& list = obj.GetConnList();
    const int level = obj.Level();
    // Moving a follower may change the lists; every index is checked again.
    for (int i = 0; i < list.GetCount(); ++i) {
        const TConnectionInfo p = list.GetConn(i);
        if (!p.Connected() || p.GetAttr(cnaSlaveMoved)) continue;
        for (const auto& o : others) {
            TConnList& ol = o->GetConnList();
            for (int j = 0; j < ol.GetCount(); ++j) {
                if (ol.GetConn(j).Connection != p.Connection) continue;
                if (level < o->Level())
                    MoveConn(container, obj, i, ol.GetCoord(j));
                else if (list.ValidIndex(i))
                    MoveConn(container, *o, j, list.GetCoord(i));
                if (!list.ValidIndex(i)) break;
            }
        }
    }
}

void TopoMoveConnection(IPainter& container, ILinkedObject& obj, int index, bool force) {
    TConnList& list = obj.GetConnList();
    int from, to;
    if (!Range(list, index, from, to)) return;
    std::vector<ComPtr<ILinkedObject>> others;
    bool haveOthers = false;
    for (int i = from; i < to && i < list.GetCount(); ++i) {
        if (list.GetConn(i).Connected()) {
            if (index == -1) continue;
            TopoDisconnect(container, obj, i);
        }
        if (!force && !list.GetConn(i).GetAttr(cnaCanConnect)) continue;
        list.Conn(i)->SetAttr(cnaCanConnect, false);
        if (!haveOthers) {
            others = Others(container, obj);
            haveOthers = true;
        }
        for (const auto& o : others) {
            if (o->TryConnect(obj, i, force)) {
                if (list.ValidIndex(i)) list.Conn(i)->SetAttr(cnaCanConnect, true);
                break;
            }
        }
    }
}

void TopoDisconnect(IPainter& container, ILinkedObject& obj, int index) {
    TConnList& list = obj.GetConnList();
    int from, to;
    if (!Range(list, index, from, to)) return;
    const auto others = Others(container, obj);
    for (int i = from; i < to; ++i) {
        TConnectionInfo* p = list.Conn(i);
        const int32_t id = p->Connection;
        if (id != 0) {
            TConnectionInfo* only = nullptr;
            int found = 0;
            for (const auto& o : others) {
                TConnList& ol = o->GetConnList();
                for (int j = 0; j < ol.GetCount(); ++j) {
                    if (ol.Conn(j)->Connection != id) continue;
                    ++found;
                    only = ol.Conn(j);
                }
            }
            if (found == 1) only->Disconnect();
        }
        p->Disconnect();
    }
}

void TopoResetConnection(ILinkedObject& obj, int index) {
    TConnList& list = obj.GetConnList();
    int from, to;
    if (!Range(list, index, from, to)) return;
    int i = from;
    while (i < to && i < list.GetCount()) {
        TConnectionInfo* c = list.Conn(i);
        c->SetAttr(cnaCanConnect, false);
        c->SetAttr(cnaSlaveMoved, false);
        if (!c->Connected() && (c->Kind == ctObject || c->Kind == ctLine)) {
            list.Delete(i);
            --to;
        } else {
            ++i;
        }
    }
}

void MoveConn(IPainter& container, ILinkedObject& obj, int index, const TSPoint& p) {
    TConnList& list = obj.GetConnList();
    if (!list.ValidIndex(index) || obj.IsRigid()) return;
    ComPtr<IGraphEdit> edit = ComQuery<IGraphEdit>(&obj);
    if (!edit) return;
    if (PtEQ(list.GetCoord(index), p)) return;
    IUnknown* self = Identity(obj);
    auto& chain = MovingChain();
    if (std::find(chain.begin(), chain.end(), self) != chain.end()) return;

    TEditPointInfo point;
    point.Init();
    point.Kind = epMoveConn();
    point.Index = index;
    point.X = p.X;
    point.Y = p.Y;
    TEditInfo info;
    info.Init(p.X, p.Y)._ET(etMovePoint)._PI(point);

    chain.push_back(self);
    struct Pop {
        std::vector<IUnknown*>& c;
        ~Pop() { c.pop_back(); }
    } pop{chain};
    if (!edit->GetMoved()) container.BeginMoveObj(*edit);
    container.MovingObj(*edit, info);
}

}  // namespace velt
