#include "painter/TopoUtil.h"

#include <algorithm>
#include <vector>

namespace velt {

namespace {

std::vector<ComPtr<ILinkedObject>> Others(IPainter& container, ILinkedObject& obj) {
    std::vector<ComPtr<ILinkedObject>> out;
    ComPtr<IGVIntfList> list = container.GetEdited();
    if (!list) return out;
    // An object answers with one ILinkedObject, so the pointer tells Obj.
    const int n = list->GetCount();
    out.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        ComPtr<IUnknown> item = list->GetItems(i);
        ComPtr<ILinkedObject> lo = ComQuery<ILinkedObject>(item.get());
        if (lo && lo.get() != &obj) out.push_back(std::move(lo));
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
std::vector<ILinkedObject*>& MovingChain() {
    static std::vector<ILinkedObject*> chain;
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
    TConnList& list = obj.GetConnList();
    // Obj's leading points: connected and not following in this drag.
    std::vector<std::pair<int, int32_t>> leads;
    for (int i = 0; i < list.GetCount(); ++i) {
        const TConnectionInfo* p = list.Conn(i);
        if (p->Connected() && !p->GetAttr(cnaSlaveMoved)) leads.push_back({i, p->Connection});
    }
    if (leads.empty()) return;
    ComPtr<IGVIntfList> edited = container.GetEdited();
    if (!edited) return;
    const int level = obj.Level();
    // One pass over the others' points, without a copy of the list: this
    // runs for every moved object on every drag step. Moving a follower may
    // change the point lists, so every index is checked again.
    for (int k = 0; k < edited->GetCount(); ++k) {
        ComPtr<IUnknown> item = edited->GetItems(k);
        ComPtr<ILinkedObject> o = ComQuery<ILinkedObject>(item.get());
        if (!o || o.get() == &obj) continue;
        TConnList& ol = o->GetConnList();
        for (int j = 0; j < ol.GetCount(); ++j) {
            const int32_t id = ol.Conn(j)->Connection;
            for (const auto& [i, lead] : leads) {
                if (lead != id || !list.ValidIndex(i) || list.Conn(i)->Connection != id) continue;
                if (level < o->Level())
                    MoveConn(container, obj, i, ol.GetCoord(j));
                else
                    MoveConn(container, *o, j, list.GetCoord(i));
                if (!ol.ValidIndex(j)) break;
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
    ILinkedObject* self = &obj;
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
        std::vector<ILinkedObject*>& c;
        ~Pop() { c.pop_back(); }
    } pop{chain};
    if (!edit->GetMoved()) container.BeginMoveObj(*edit);
    container.MovingObj(*edit, info);
}

}  // namespace velt
