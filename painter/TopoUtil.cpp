#include "painter/TopoUtil.h"

#include <algorithm>
#include <deque>
#include <set>
#include <utility>
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

// One drag step's walk of followers. The first TopoMoveObject indexes the
// points of the drawing by identifier once; a TopoMoveObject reached through
// the container while the walk runs (a follower being moved) only joins the
// queue, so a chain of followers costs one lookup each and no recursion.
struct TFollowWalk {
    struct TEntry {
        int32_t Id;
        int Object;
        int Point;
        int Next;  // the next entry of the identifier, in drawing order; -1 ends
    };
    // Open addressing by identifier; a slot of an older walk (another
    // Stamp) counts as empty, so the table is kept between walks and never
    // cleared.
    struct TSlot {
        uint32_t Stamp;
        int32_t Id;
        int First, Last;
    };
    IPainter* Container = nullptr;
    std::vector<ComPtr<ILinkedObject>> Objects;
    std::vector<TEntry> Entries;
    std::vector<TSlot> Slots;
    uint32_t Stamp = 0;
    std::deque<ComPtr<ILinkedObject>> Queue;
    // The points moved in this walk: each follows once, so a follower that
    // rounds its position cannot pull its leader back and forth.
    std::set<std::pair<ILinkedObject*, int>> Moved;

    size_t Slot(int32_t id) const {
        const size_t mask = Slots.size() - 1;
        size_t k = (uint32_t(id) * 2654435761u) & mask;
        while (Slots[k].Stamp == Stamp && Slots[k].Id != id) k = (k + 1) & mask;
        return k;
    }

    // The first entry of an identifier, or -1.
    int First(int32_t id) const {
        if (id == 0 || Slots.empty()) return -1;
        const TSlot& s = Slots[Slot(id)];
        return s.Stamp == Stamp ? s.First : -1;
    }

    void Build(IGVIntfList& edited, uint32_t stamp) {
        const int n = edited.GetCount();
        Objects.reserve(size_t(n));
        Entries.clear();
        for (int k = 0; k < n; ++k) {
            ComPtr<IUnknown> item = edited.GetItems(k);
            ComPtr<ILinkedObject> o = ComQuery<ILinkedObject>(item.get());
            if (!o) continue;
            TConnList& ol = o->GetConnList();
            const int object = int(Objects.size());
            for (int j = 0; j < ol.GetCount(); ++j) {
                const int32_t id = ol.Conn(j)->Connection;
                if (id != 0) Entries.push_back({id, object, j, -1});
            }
            Objects.push_back(std::move(o));
        }
        Stamp = stamp;
        size_t size = 16;
        while (size < 2 * Entries.size()) size *= 2;
        if (Slots.size() < size) Slots.assign(size, TSlot{0, 0, -1, -1});
        for (int e = 0; e < int(Entries.size()); ++e) {
            TSlot& s = Slots[Slot(Entries[size_t(e)].Id)];
            if (s.Stamp != Stamp) {
                s = TSlot{Stamp, Entries[size_t(e)].Id, e, e};
            } else {
                Entries[size_t(s.Last)].Next = e;
                s.Last = e;
            }
        }
    }

    void Move(ILinkedObject& o, int j, const TSPoint& p) {
        TConnList& ol = o.GetConnList();
        if (!ol.ValidIndex(j) || PtEQ(ol.GetCoord(j), p)) return;
        if (!Moved.insert({&o, j}).second) return;
        MoveConn(*Container, o, j, p);
    }

    // Obj's leading points (connected, not following in this drag) pull
    // their partners, or follow them when Obj is of the lower level.
    void Follow(ILinkedObject& obj) {
        TConnList& list = obj.GetConnList();
        std::vector<std::pair<int, int32_t>> leads;
        for (int i = 0; i < list.GetCount(); ++i) {
            const TConnectionInfo* p = list.Conn(i);
            if (p->Connected() && !p->GetAttr(cnaSlaveMoved) && p->Connection != 0)
                leads.push_back({i, p->Connection});
        }
        if (leads.empty()) return;
        const int level = obj.Level();
        for (const auto& lead : leads) {
            // Plain names: structured bindings cannot be captured by every compiler we build with.
            const int i = lead.first;
            const int32_t id = lead.second;
            ForEachPartner(obj, id, [&](ILinkedObject& o, int j) {
                if (!list.ValidIndex(i) || list.Conn(i)->Connection != id) return false;
                TConnList& ol = o.GetConnList();
                if (level < o.Level())
                    Move(obj, i, ol.GetCoord(j));
                else
                    Move(o, j, list.GetCoord(i));
                return true;
            });
        }
    }

    // Calls f(o, j) for each point j of another object o with identifier
    // id, until f answers false. Moving a follower may change the point
    // lists: every index is checked again, and a point that moved within
    // its list is looked up there.
    template <class F>
    void ForEachPartner(ILinkedObject& obj, int32_t id, F&& f) {
        for (int e = First(id); e >= 0; e = Entries[size_t(e)].Next) {
            ILinkedObject& o = *Objects[size_t(Entries[size_t(e)].Object)];
            if (&o == &obj) continue;
            TConnList& ol = o.GetConnList();
            int j = Entries[size_t(e)].Point;
            if (!ol.ValidIndex(j) || ol.Conn(j)->Connection != id) {
                for (j = 0; j < ol.GetCount() && ol.Conn(j)->Connection != id; ++j) {
                }
                if (j == ol.GetCount()) continue;
            }
            if (!f(o, j)) return;
        }
    }
};

TFollowWalk*& CurrentWalk() {
    static TFollowWalk* walk = nullptr;
    return walk;
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
    // A follower starts moving inside a walk: its index gives the partners,
    // so a chain does not scan the drawing once per follower.
    TFollowWalk* walk = CurrentWalk();
    if (walk && walk->Container != &container) walk = nullptr;
    std::vector<ComPtr<ILinkedObject>> others;
    if (!walk) others = Others(container, obj);
    TConnList& list = obj.GetConnList();
    const int level = obj.Level();
    for (int i = 0; i < list.GetCount(); ++i) {
        TConnectionInfo* p = list.Conn(i);
        if (!p->Connected()) {
            p->SetAttr(cnaCanConnect, false);
            continue;
        }
        const int32_t id = p->Connection;
        if (p->GetAttr(cnaSlaveMoved) || id == 0) continue;
        auto partner = [&](ILinkedObject& o, int j) {
            TConnectionInfo* q = o.GetConnList().Conn(j);
            if (level < o.Level()) obj.SetFollow(i, !o.IsRigid());
            if (q->Connected()) q->SetAttr(cnaSlaveMoved, true);
            return true;
        };
        if (walk) {
            walk->ForEachPartner(obj, id, partner);
            continue;
        }
        for (const auto& o : others) {
            TConnList& ol = o->GetConnList();
            for (int j = 0; j < ol.GetCount(); ++j)
                if (ol.Conn(j)->Connection == id) partner(*o, j);
        }
    }
}

void TopoMoveObject(IPainter& container, ILinkedObject& obj) {
    TFollowWalk*& current = CurrentWalk();
    if (current && current->Container == &container) {
        current->Queue.push_back(ComPtr<ILinkedObject>(&obj));
        return;
    }
    TConnList& list = obj.GetConnList();
    bool leads = false;
    for (int i = 0; i < list.GetCount() && !leads; ++i) {
        const TConnectionInfo* p = list.Conn(i);
        leads = p->Connected() && !p->GetAttr(cnaSlaveMoved) && p->Connection != 0;
    }
    if (!leads) return;
    ComPtr<IGVIntfList> edited = container.GetEdited();
    if (!edited) return;
    // The tables of the last walk, taken over while this one runs: a drag
    // step builds its index without allocating.
    static std::vector<TFollowWalk::TSlot> spareSlots;
    static std::vector<TFollowWalk::TEntry> spareEntries;
    static uint32_t stamp = 0;
    if (++stamp == 0) {
        spareSlots.clear();
        stamp = 1;
    }
    TFollowWalk walk;
    walk.Container = &container;
    walk.Slots = std::move(spareSlots);
    walk.Entries = std::move(spareEntries);
    walk.Build(*edited, stamp);
    TFollowWalk* const outer = current;
    current = &walk;
    struct Restore {
        TFollowWalk*& c;
        TFollowWalk* outer;
        TFollowWalk& walk;
        ~Restore() {
            c = outer;
            // Tables much larger than this drawing needs are let go.
            if (walk.Slots.size() <= 8 * std::max<size_t>(16, 2 * walk.Entries.size())) {
                spareSlots = std::move(walk.Slots);
                spareEntries = std::move(walk.Entries);
            }
        }
    } restore{current, outer, walk};
    walk.Follow(obj);
    while (!walk.Queue.empty()) {
        const ComPtr<ILinkedObject> next = std::move(walk.Queue.front());
        walk.Queue.pop_front();
        walk.Follow(*next);
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
        const int32_t id = list.Conn(i)->Connection;
        // The partners: the others' points and Obj's own other points with
        // the identifier. Identifier 0 is no one's.
        TConnectionInfo* only = nullptr;
        int found = 0;
        auto count = [&](TConnList& l, int self) {
            for (int j = 0; j < l.GetCount(); ++j) {
                if (j == self || l.Conn(j)->Connection != id) continue;
                ++found;
                only = l.Conn(j);
            }
        };
        if (id != 0) {
            count(list, i);
            for (const auto& o : others) count(o->GetConnList(), -1);
        }
        // Both fresh identifiers before either point changes: when none is
        // left the link stays whole.
        const int32_t mine = CreateNewConnection();
        if (found == 1) {
            only->Connection = CreateNewConnection();
            only->SetAttr(cnaConnected, false);
        }
        TConnectionInfo* p = list.Conn(i);
        p->Connection = mine;
        p->SetAttr(cnaConnected, false);
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
