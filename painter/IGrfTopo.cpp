#include "painter/IGrfTopo.h"

#include <cstring>
#include <limits>
#include <vector>

#include "foundation/SysUtils.h"

namespace velt {

namespace {
// 64 bits, so that reaching the top of the 32-bit range is seen, not wrapped.
int64_t connectionCounter = 0;
}  // namespace

int32_t CreateNewConnection() {
    if (connectionCounter >= std::numeric_limits<int32_t>::max())
        throw Exception("No connection identifiers are left");
    return int32_t(++connectionCounter);
}

void RaiseConnectionCounter(int32_t id) {
    if (id > connectionCounter) connectionCounter = id;
}

void ResetConnectionCounter() { connectionCounter = 0; }

int32_t epMoveConn() {
    static const int32_t kind = RegisterEditPoint();
    return kind;
}

// ---- one record ---------------------------------------------------------------

void TConnectionInfo::Init(uint8_t connID, TConnType kind) {
    std::memset(this, 0, sizeof(*this));
    ConnID = connID;
    Kind = kind;
    SetAttr(cnaEnabled, true);
    Num = -1;
}

void TConnectionInfo::SetAttr(int a, bool on) {
    if (a < 0 || a > 15) return;
    if (on)
        Attr = uint16_t(Attr | (1u << a));
    else
        Attr = uint16_t(Attr & ~(1u << a));
}

bool TConnectionInfo::GetAttr(int a) const { return a >= 0 && a <= 15 && (Attr >> a) & 1u; }

int32_t TConnectionInfo::GetNewID() {
    if (Connection == 0) Connection = CreateNewConnection();
    return Connection;
}

void TConnectionInfo::Connect(TConnectionInfo& other) {
    Connection = other.GetNewID();
    SetAttr(cnaConnected, true);
    other.SetAttr(cnaConnected, true);
}

void TConnectionInfo::Disconnect() {
    // The fresh identifier first: when none is left the point stays linked.
    Connection = CreateNewConnection();
    SetAttr(cnaConnected, false);
}

void TConnectionInfo::PutNum(int32_t n, bool check) {
    if (check && GetAttr(cnaFixedNum)) return;
    Num = n;
}

void TConnectionInfo::Assign(const TConnectionInfo& src) {
    Group = src.Group;
    Num = src.Num;
    for (int a : {cnaCreateNode, cnaFixedNum, cnaIn, cnaOut}) SetAttr(a, src.GetAttr(a));
}

// ---- the list -------------------------------------------------------------------

void TConnList::LoadFromStream(TStream& stream) {
    TGeneralList::LoadFromStream(stream);
    for (int i = 0; i < Count; ++i) {
        TConnectionInfo* c = Conn(i);
        if (c->Connection > 0 && c->Connection <= MaxLoadedConnection) {
            RaiseConnectionCounter(c->Connection);
        } else {
            c->Connection = 0;
            c->SetAttr(cnaConnected, false);
        }
    }
}

int32_t TConnList::GetGroup(int) { return 0; }
TSPoint TConnList::GetCoord(int) { return TSPoint(); }

void TConnList::GetName(int index, std::string& s) {
    static const char* const names[] = {"Зображення", "Вивід", "Поч.Лінії", "Кін.Лінії", "Лінія", "Додаткове"};
    s.clear();
    if (!ValidIndex(index)) return;
    const uint8_t kind = GetConn(index).Kind;
    if (kind < 6) s = names[kind];
}

void TConnList::SetNum(int index, int32_t n) {
    if (ValidIndex(index)) Conn(index)->PutNum(n, true);
}

void TConnList::SetCoord(int, const TSPoint&) {}
void TConnList::ResetNum(int index) { SetNum(index, -1); }

void TConnList::CreateNum(int index, int32_t& counter) {
    ++counter;
    SetNum(index, counter);
}

TConnectionInfo TConnList::GetConn(int index) const {
    TConnectionInfo c;
    if (index < 0 || index >= Count) throw EListError("Connection index out of range");
    std::memcpy(&c, GetItem(index), sizeof c);
    return c;
}

int TConnList::GetConnIndex(uint8_t connID, uint8_t kind) const {
    for (int i = 0; i < Count; ++i) {
        const TConnectionInfo c = GetConn(i);
        if (c.ConnID == connID && c.Kind == kind) return i;
    }
    return -1;
}

void TConnList::Invalidate(TConnTypes types) {
    for (int i = 0; i < Count; ++i)
        if (InConnTypes(types, Conn(i)->Kind)) Conn(i)->SetAttr(cnaRemoved, true);
}

void TConnList::Validate(int index) {
    if (ValidIndex(index)) Conn(index)->SetAttr(cnaRemoved, false);
}

void TConnList::ClearInvalids() {
    int i = 0;
    while (i < Count) {
        if (Conn(i)->GetAttr(cnaRemoved))
            Delete(i);
        else
            ++i;
    }
}

void TConnList::MergeFrom(TConnList& source, TConnTypes types, bool addNew, TConnCompare compare) {
    // The marks are kept apart from the records: the source's own
    // cnaCanConnect bits stay as they are.
    std::vector<char> marked(size_t(source.GetCount()), 0);
    for (int i = 0; i < Count; ++i) {
        TConnectionInfo* p = Conn(i);
        p->SetAttr(cnaRemoved, false);
        if (!InConnTypes(types, p->Kind)) continue;
        p->SetAttr(cnaRemoved, true);
        for (int k = 0; k < source.GetCount(); ++k) {
            const TConnectionInfo s = source.GetConn(k);
            if (s.Kind != p->Kind) continue;
            marked[size_t(k)] = 1;
            const bool match = compare == ccGroup ? s.Group == p->Group
                               : compare == ccConnID ? s.ConnID == p->ConnID
                                                     : true;
            if (match) {
                p->SetAttr(cnaRemoved, false);
                p->Assign(s);
            }
        }
    }
    for (int k = 0; k < source.GetCount(); ++k) {
        const TConnectionInfo s = source.GetConn(k);
        if (addNew && !marked[size_t(k)] && InConnTypes(types, s.Kind)) {
            TConnectionInfo copy = s;
            copy.SetAttr(cnaRemoved, false);
            Insert(k < Count ? k : Count, &copy);
        }
    }
    ClearInvalids();
}

bool TConnList::CanConnect(TConnList& other, int index, int& found) {
    found = -1;
    if (!other.ValidIndex(index)) return false;
    const TConnectionInfo o = other.GetConn(index);
    if (!o.GetAttr(cnaEnabled)) return false;
    const TSPoint at = other.GetCoord(index);
    for (int i = 0; i < Count; ++i) {
        const TConnectionInfo* c = Conn(i);
        if (c->GetAttr(cnaEnabled) && c->Group == o.Group && PtEQ(GetCoord(i), at)) {
            found = i;
            return true;
        }
    }
    return false;
}

bool TConnList::CanCreateByInform(TConnList& other, int index, int& found) {
    found = -1;
    if (!other.ValidIndex(index)) return false;
    const TConnectionInfo o = other.GetConn(index);
    if (!o.GetAttr(cnaEnabled)) return false;
    for (int i = 0; i < Count; ++i) {
        const TConnectionInfo c = GetConn(i);
        if (c.Kind == ctInform && c.Group == o.Group && c.GetAttr(cnaEnabled)) {
            found = i;
            return true;
        }
    }
    return false;
}

// ---- link line points ------------------------------------------------------------

void TLinkPoints::Offset(float dx, float dy) {
    for (int i = 0; i < Count; ++i) {
        TLinkPointInfo r = GetInfo(i);
        if (r.Fixed) continue;
        r.P.Offset(dx, dy);
        std::memcpy(GetItem(i), &r, sizeof r);
    }
}

TLinkPointInfo TLinkPoints::GetInfo(int index) const {
    if (index < 0 || index >= Count) throw EListError("Link point index out of range");
    TLinkPointInfo r;
    std::memcpy(&r, GetItem(index), sizeof r);
    return r;
}

void TLinkPoints::MovePoint(int index, const TSPoint& p) {
    if (index < 0) return;
    if (index >= Count) Put(index, p);
    if (KeepOrtho) {
        const TSPoint old = Get(index);
        for (int n : {index - 1, index + 1}) {
            if (n < 0 || n >= Count) continue;
            TLinkPointInfo r = GetInfo(n);
            if (r.Fixed) continue;
            bool vertical = r.P.X == old.X;
            if (vertical && r.P.Y == old.Y) {
                // A segment of no length tells nothing: the neighbour keeps
                // its other segment straight instead.
                const int m = 2 * n - index;
                if (m >= 0 && m < Count) {
                    const TSPoint q = Get(m);
                    if (q.X == r.P.X && q.Y != r.P.Y) vertical = false;
                }
            }
            if (vertical)
                r.P.X = p.X;
            else if (r.P.Y == old.Y)
                r.P.Y = p.Y;
            else
                continue;
            std::memcpy(GetItem(n), &r, sizeof r);
        }
    }
    Put(index, p);
}

}  // namespace velt
