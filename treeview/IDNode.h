#pragma once
// Tree nodes that carry an integer ID, and nodes whose children mirror an
// ID list that a descendant fetches on demand. Every fetch is merged into
// the existing children: children whose entries are still there keep their
// node objects (and with them their expansion and their items), new entries
// get new nodes at their place, vanished entries lose theirs.

#include <memory>

#include "foundation/IDList.h"
#include "treeview/GeneralNode.h"

namespace velt {

class TIDNode : public TGeneralNode {
public:
    using TGeneralNode::TGeneralNode;
    std::string ClassName() const override { return "TIDNode"; }
    std::unique_ptr<TGeneralNode> NewInstance() const override { return std::make_unique<TIDNode>(); }

    int32_t GetID() const { return ID; }
    virtual void SetID(int32_t Value) { ID = Value; }
    // A flag for descendants.
    virtual bool GetOpen() { return Open; }
    virtual void SetOpen(bool Value) { Open = Value; }
    virtual void UpdateByParent() {}
    // The parent fetches its list again.
    void UpdateParent() override;
    // ID, then what every node copies.
    void AssignTo(TPersistent* Dest) const override;

protected:
    int32_t ID = -1;
    bool Open = false;
};

class TIDListNode : public TIDNode {
public:
    using TIDNode::TIDNode;
    std::string ClassName() const override { return "TIDListNode"; }

    virtual void DoBeforeUpdate() {}
    virtual void DoAfterUpdate() {}
    // A new list whose records start with the 32-bit ID, in display order;
    // always of one class.
    virtual std::unique_ptr<TIDList> GetIDList() = 0;
    // A new node, not yet inserted anywhere, for the record Info.
    virtual std::unique_ptr<TIDNode> CreateNodeByInfo(const void* Info) = 0;
    // May refresh an existing child from its record.
    virtual void UpdateNodeByInfo(TIDNode* /*Node*/, const void* /*Info*/) {}

    // Whether the list has entries: fetched once, then what the last merge
    // found.
    bool GetCanExpand() override;
    // Merges, then Expanded.
    void Expand() override;
    // Only Expanded goes: the children stay, so the next expansion merges.
    void Collapse() override;
    // The merge.
    void Update() override;
    // The last merged list too, when the destination has one.
    void AssignTo(TPersistent* Dest) const override;

    // The first child with that ID, null when none.
    TIDNode* GetNodeByID(int32_t ID) const;
    // Removes every child, last first, and empties the last merged list.
    void ClearOldList();
    // GetIDList, learning the list's class from the first one.
    std::unique_ptr<TIDList> InternalGetIDList();
    void SetCList(const TIDList& List);
    // The list as of the last merge; null before the first fetch.
    const TIDList* GetOldList() const { return OldList.get(); }
    bool GetHasItemsKnown() const { return HasItemsKnown; }
    // The IDs the last merge compared while it looked entries and children
    // up: what its work grows with.
    int64_t GetMergeLookups() const { return mergeLookups_; }

protected:
    bool HasItems = false;
    bool HasItemsKnown = false;
    std::unique_ptr<TIDList> OldList;

private:
    int64_t mergeLookups_ = 0;
    class TChildIndex;
    class TOldEntries;
    // New entry i as a new child right after Prev.
    TIDNode* CreateEntry(const TIDList& New, int I, TIDNode* Prev, TChildIndex& Index);
    void RemoveEntry(TIDNode* Child, TChildIndex& Index);
};

}  // namespace velt
