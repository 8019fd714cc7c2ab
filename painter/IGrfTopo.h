#pragma once
// Connection points of graphic objects and the lists that hold them. Two
// points of different objects that share a connection identifier are
// linked. Plain C++; the two drawing operations of the list live with the
// canvas.

#include <cstdint>
#include <string>

#include "foundation/ComPtr.h"
#include "foundation/GeneralList.h"
#include "graphics/GrfUtils.h"
#include "painter/IGrfEdit.h"

namespace velt {

enum TConnType : uint8_t { ctObject, ctPin, ctLineBeg, ctLineEnd, ctLine, ctInform };
// Set of TConnType, bit n for kind n.
using TConnTypes = uint8_t;
constexpr TConnTypes ConnTypeBit(TConnType t) { return TConnTypes(1u << t); }
constexpr bool InConnTypes(TConnTypes s, uint8_t kind) { return kind < 8 && (s >> kind) & 1u; }

enum TConnObject : uint8_t { coNone, coNode, coLine, coStar };

enum TConnectionAttr : uint8_t {
    cnaEnabled,
    cnaRemoved,
    cnaLocked,
    cnaConnected,
    cnaCanConnect,
    cnaCreateNode,
    cnaIsNode,
    cnaFixedNum,
    cnaIn,
    cnaOut,
    cnaSlaveMoved,
    cnres4,
    cnres5,
    cnres6,
    cnres7
};

enum TConnCompare : uint8_t { ccNone, ccGroup, ccConnID };

#pragma pack(push, 1)
struct TConnectionInfo {
    int32_t Connection;  // shared by linked points; 0 = none yet
    uint16_t Attr;       // bit n = TConnectionAttr n
    uint8_t Kind;        // TConnType
    int32_t Group;       // points connect only within one group
    int32_t Num;         // display number; -1 = none
    uint8_t ConnID;      // number of the point within its object

    void Init(uint8_t connID, TConnType kind);
    void SetAttr(int a, bool on);
    bool GetAttr(int a) const;
    int32_t GetNewID();
    void Connect(TConnectionInfo& other);
    void Disconnect();
    bool Connected() const { return GetAttr(cnaConnected); }
    void PutNum(int32_t n, bool check);
    void Assign(const TConnectionInfo& src);
};
#pragma pack(pop)
static_assert(sizeof(TConnectionInfo) == 16);
static_assert(offsetof(TConnectionInfo, Attr) == 4 && offsetof(TConnectionInfo, Kind) == 6);
static_assert(offsetof(TConnectionInfo, Group) == 7 && offsetof(TConnectionInfo, Num) == 11);
static_assert(offsetof(TConnectionInfo, ConnID) == 15);

// The next identifier of the process-wide counter (1 first). Raises once
// the identifiers of 32 bits are used up, rather than wrap onto 0 ("none")
// or onto one in use.
int32_t CreateNewConnection();
// Raises the counter to at least id.
void RaiseConnectionCounter(int32_t id);
// Starts the counter again from 0, for a process that begins afresh (each
// input of a fuzz run).
void ResetConnectionCounter();
// The highest identifier a list takes from a stream: the rest of the range
// stays free for the identifiers made after loading.
inline constexpr int32_t MaxLoadedConnection = int32_t(1) << 30;

// One object's connection points, 16-byte records.
class TConnList : public TGeneralList {
public:
    TConnList() : TGeneralList(int32_t(sizeof(TConnectionInfo))) {}
    std::string ClassName() const override { return "TConnList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TConnList>(); }

    // Then raises the connection counter to every loaded identifier. A
    // point whose identifier is 0 or outside 1..MaxLoadedConnection loads
    // unconnected with identifier 0: it would be linked to every fresh point
    // or use up the counter.
    void LoadFromStream(TStream& stream) override;

    virtual int32_t GetGroup(int index);
    virtual TSPoint GetCoord(int index);
    virtual void GetName(int index, std::string& s);
    virtual void SetNum(int index, int32_t n);
    virtual void SetCoord(int index, const TSPoint& p);
    virtual void ResetNum(int index);
    virtual void CreateNum(int index, int32_t& counter);

    bool ValidIndex(int index) const { return index >= 0 && index < Count; }
    // The record of a valid index (records are byte-aligned).
    TConnectionInfo* Conn(int index) { return static_cast<TConnectionInfo*>(GetItem(index)); }
    TConnectionInfo GetConn(int index) const;
    int32_t GetNum(int index) const { return GetConn(index).Num; }
    int GetConnIndex(uint8_t connID, uint8_t kind) const;
    int Add(const TConnectionInfo& c) { return TGeneralList::Add(&c); }
    using TGeneralList::Add;

    void Invalidate(TConnTypes types);
    void Validate(int index);
    void ClearInvalids();
    void MergeFrom(TConnList& source, TConnTypes types, bool addNew, TConnCompare compare);
    bool CanConnect(TConnList& other, int index, int& found);
    bool CanCreateByInform(TConnList& other, int index, int& found);
    void EndMove() {}

    // Drawing lives with the canvas (the Qt library): the numbers of node
    // points, and the rings of candidate points while dragging.
    void Draw(TGraphPaint& surface);
    void DrawActiv(TGraphPaint& surface);
};

// A link line's points: a TSPoint, a Fixed byte and one unused byte.
#pragma pack(push, 1)
struct TLinkPointInfo {
    TSPoint P;
    uint8_t Fixed;
    uint8_t Spare;
};
#pragma pack(pop)
static_assert(sizeof(TLinkPointInfo) == 10);

class TLinkPoints : public TPoints {
public:
    TLinkPoints() : TPoints(int32_t(sizeof(TLinkPointInfo))) {}
    std::string ClassName() const override { return "TLinkPoints"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TLinkPoints>(); }

    // Moves the points that are not fixed.
    void Offset(float dx, float dy) override;
    // With KeepOrtho the neighbours keep their segments horizontal or
    // vertical. A negative index does nothing.
    void MovePoint(int index, const TSPoint& p);
    void Optimize() {}
    TLinkPointInfo GetInfo(int index) const;

    bool KeepOrtho = true;
};

// {60639AA0-DD10-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_ILineObject{0x60639AA0, 0xDD10, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {3951DE80-D1EF-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_ILinkedObject{0x3951DE80, 0xD1EF, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {6D6EC984-ED2E-11D0-B336-D57066066721}
inline constexpr Guid IID_ITopoTask{0x6D6EC984, 0xED2E, 0x11D0, {0xB3, 0x36, 0xD5, 0x70, 0x66, 0x06, 0x67, 0x21}};
// {6D6EC985-ED2E-11D0-B336-D57066066721}
inline constexpr Guid IID_IConnGroups{0x6D6EC985, 0xED2E, 0x11D0, {0xB3, 0x36, 0xD5, 0x70, 0x66, 0x06, 0x67, 0x21}};

class ILineObject : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_ILineObject;
};

class ILinkedObject : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_ILinkedObject;
    virtual TConnList& GetConnList() = 0;
    virtual TConnObject GetConnObject() = 0;
    // Its points are not moved to follow others.
    virtual bool IsRigid() = 0;
    // Whether this object accepted a connection for point index of other.
    virtual bool TryConnect(ILinkedObject& other, int index, bool force) = 0;
    virtual void SetFollow(int index, bool flag) = 0;
    // Of two linked objects the lower level follows the other.
    virtual int Level() = 0;
};

class ITopoTask : public virtual ITask {
public:
    static constexpr Guid IID = IID_ITopoTask;
};

class IConnGroups : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IConnGroups;
};

// The edit-point kind of a connection point being moved to follow.
int32_t epMoveConn();

}  // namespace velt
