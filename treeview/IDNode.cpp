#include "treeview/IDNode.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace velt {

// GetNodeByID for the merge without a walk over the children per entry: the
// first child of each ID and how many children have it, kept up to date as
// the merge adds and removes. The hooks a merge calls must leave the node's
// children alone.
class TIDListNode::TChildIndex {
public:
    TChildIndex(const TIDListNode& owner, int64_t& lookups) : owner_(owner), lookups_(lookups) {
        ids_.reserve(size_t(owner.GetSubnodeCount()));
        for (int i = owner.GetSubnodeCount() - 1; i >= 0; --i)
            if (auto* node = dynamic_cast<TIDNode*>(owner.GetNodes(i))) {
                TEntry& e = ids_[node->GetID()];
                e.First = node;
                ++e.Count;
            }
    }
    TIDNode* Find(int32_t id) const {
        ++lookups_;
        auto it = ids_.find(id);
        return it == ids_.end() ? nullptr : it->second.First;
    }
    void Added(TIDNode* node) {
        ++lookups_;
        TEntry& e = ids_[node->GetID()];
        // With a repeated ID the one that stands first counts.
        if (!e.First || owner_.IndexOfNode(node) < owner_.IndexOfNode(e.First)) e.First = node;
        ++e.Count;
    }
    bool IsFirst(const TIDNode* node) const {
        auto it = ids_.find(node->GetID());
        return it != ids_.end() && it->second.First == node;
    }
    // After a child of the ID has left; First: the one that counted.
    void Removed(int32_t id, bool first) {
        ++lookups_;
        auto it = ids_.find(id);
        if (it == ids_.end()) return;
        if (--it->second.Count <= 0) {
            ids_.erase(it);
        } else if (first) {
            // A repeated ID: the next child that has it.
            it->second.First = owner_.GetNodeByID(id);
            lookups_ += owner_.GetSubnodeCount();
        }
    }

private:
    struct TEntry {
        TIDNode* First = nullptr;
        int Count = 0;
    };
    const TIDListNode& owner_;
    int64_t& lookups_;
    std::unordered_map<int32_t, TEntry> ids_;
};

// The old list as the merge uses it up: its head, each ID's next entry, and
// what is left. An entry leaves as the head or as the first entry of its
// ID, so each ID's entries leave in their order.
class TIDListNode::TOldEntries {
public:
    TOldEntries(const TIDList& old, int64_t& lookups) : lookups_(lookups), gone_(size_t(old.GetCount())) {
        const int count = old.GetCount();
        ids_.reserve(size_t(count));
        positions_.reserve(size_t(count));
        for (int i = 0; i < count; ++i) ids_.push_back(old.GetID(i));
        for (int i = 0; i < count; ++i) positions_[ids_[size_t(i)]].At.push_back(i);
        left_ = count;
        // A Fenwick tree of the entries left, all of them for now.
        tree_.assign(size_t(count) + 1, 0);
        for (int i = 1; i <= count; ++i) {
            tree_[size_t(i)] += 1;
            const int up = i + (i & -i);
            if (up <= count) tree_[size_t(up)] += tree_[size_t(i)];
        }
    }
    // How many entries are left before position.
    int LeftBefore(int position) const {
        int n = 0;
        for (int i = position; i > 0; i -= i & -i) n += tree_[size_t(i)];
        return n;
    }
    bool Empty() const { return left_ == 0; }
    int32_t HeadID() {
        while (gone_[size_t(head_)]) ++head_;
        return ids_[size_t(head_)];
    }
    // The first entry left with that ID, -1 when none.
    int FirstOf(int32_t id) const {
        ++lookups_;
        auto it = positions_.find(id);
        if (it == positions_.end() || it->second.Next >= it->second.At.size()) return -1;
        return it->second.At[it->second.Next];
    }
    void TakeHead() {
        HeadID();
        Take(head_);
    }
    void Take(int position) {
        ++lookups_;
        gone_[size_t(position)] = 1;
        ++positions_[ids_[size_t(position)]].Next;
        --left_;
        for (int i = position + 1; i < int(tree_.size()); i += i & -i) --tree_[size_t(i)];
    }
    // The entries left, in their order.
    template <class F>
    void ForEachLeft(F&& f) const {
        for (size_t i = 0; i < ids_.size(); ++i)
            if (!gone_[i]) f(int(i), ids_[i]);
    }

private:
    struct TPositions {
        std::vector<int> At;
        size_t Next = 0;
    };
    int64_t& lookups_;
    std::vector<int32_t> ids_;
    std::vector<char> gone_;
    std::unordered_map<int32_t, TPositions> positions_;
    std::vector<int> tree_;
    int head_ = 0;
    int left_ = 0;
};

// ---- TIDNode ------------------------------------------------------------------

void TIDNode::UpdateParent() {
    if (TGeneralNode* parent = GetParent()) parent->Update();
}

void TIDNode::AssignTo(TPersistent* Dest) const {
    if (auto* node = dynamic_cast<TIDNode*>(Dest)) node->SetID(ID);
    TGeneralNode::AssignTo(Dest);
}

// ---- TIDListNode ----------------------------------------------------------------

bool TIDListNode::GetCanExpand() {
    if (!HasItemsKnown) {
        std::unique_ptr<TIDList> list = GetIDList();
        HasItems = list && list->GetCount() > 0;
        HasItemsKnown = true;
    }
    return HasItems;
}

void TIDListNode::Expand() {
    TIDNode::Expand();
    Update();
    Expanded = true;
}

void TIDListNode::Collapse() { Expanded = false; }

void TIDListNode::AssignTo(TPersistent* Dest) const {
    auto* node = dynamic_cast<TIDListNode*>(Dest);
    if (node && node->OldList && OldList) node->OldList->Assign(OldList.get());
    TIDNode::AssignTo(Dest);
}

TIDNode* TIDListNode::GetNodeByID(int32_t ID) const {
    for (int i = 0; i < GetSubnodeCount(); ++i)
        if (auto* node = dynamic_cast<TIDNode*>(GetNodes(i)); node && node->GetID() == ID) return node;
    return nullptr;
}

void TIDListNode::ClearOldList() {
    if (!OldList) return;
    while (GetSubnodeCount() > 0) RemoveNode(GetNodes(GetSubnodeCount() - 1));
    OldList->Clear();
}

std::unique_ptr<TIDList> TIDListNode::InternalGetIDList() {
    std::unique_ptr<TIDList> list = GetIDList();
    if (!list) throw Exception(ClassName() + " gave no ID list");
    if (!OldList)
        SetCList(*list);
    else if (list->ClassName() != OldList->ClassName() || list->GetItemSize() != OldList->GetItemSize())
        throw Exception(ClassName() + " gave a " + list->ClassName() + " where it gave a " + OldList->ClassName());
    if (list->GetItemSize() < 4) throw Exception(list->ClassName() + " records hold no ID");
    return list;
}

void TIDListNode::SetCList(const TIDList& List) {
    OldList = ListAs<TIDList>(List.GetCopyObject(), List);
}

TIDNode* TIDListNode::CreateEntry(const TIDList& New, int I, TIDNode* Prev, TChildIndex& Index) {
    const void* info = New.GetItem(I);
    std::unique_ptr<TIDNode> node = CreateNodeByInfo(info);
    if (!node) throw Exception(ClassName() + " made no node for ID " + IntToStr(New.GetID(I)));
    node->SetID(New.GetID(I));
    auto* made = static_cast<TIDNode*>(InsertNodeEx(Prev, std::move(node)));
    Index.Added(made);
    return made;
}

void TIDListNode::RemoveEntry(TIDNode* Child, TChildIndex& Index) {
    const int32_t id = Child->GetID();
    const bool first = Index.IsFirst(Child);
    RemoveNode(Child);
    Index.Removed(id, first);
}

void TIDListNode::Update() {
    DoBeforeUpdate();
    std::unique_ptr<TIDList> newList = InternalGetIDList();
    const TIDList& New = *newList;
    TIDList& Old = *OldList;
    mergeLookups_ = 0;
    // Each list is indexed by ID once: looking IDs up in the lists
    // themselves made a merge whose entries moved quadratic.
    std::unordered_set<int32_t> inNew;
    inNew.reserve(size_t(New.GetCount()));
    for (int i = 0; i < New.GetCount(); ++i) inNew.insert(New.GetID(i));
    auto listedInNew = [&](int32_t id) {
        ++mergeLookups_;
        return inNew.count(id) > 0;
    };
    TOldEntries old(Old, mergeLookups_);
    TChildIndex children(*this, mergeLookups_);
    TIDNode* prev = nullptr;
    int i = 0;
    try {
        for (; i < New.GetCount(); ++i) {
            const int32_t id = New.GetID(i);
            TIDNode* node = nullptr;
            while (!node) {
                if (old.Empty()) {
                    node = CreateEntry(New, i, prev, children);
                    break;
                }
                const int32_t head = old.HeadID();
                if (head == id) {
                    if (TIDNode* child = children.Find(id)) {
                        UpdateNodeByInfo(child, New.GetItem(i));
                        node = child;
                    } else {
                        node = CreateEntry(New, i, prev, children);
                    }
                    old.TakeHead();
                } else if (listedInNew(head)) {
                    const int b = old.FirstOf(id);
                    if (b < 0) {
                        node = CreateEntry(New, i, prev, children);
                    } else {
                        // The entry moved: shown, its node moves with it; not
                        // shown, it stays where it is.
                        TIDNode* child = children.Find(id);
                        if (child == prev) child = nullptr;  // a repeated ID
                        if (GetLink() || !child) {
                            // Shown, the children are the entries done, then
                            // the old ones left in their order.
                            HintIndex(child, i + old.LeftBefore(b));
                            if (child) RemoveEntry(child, children);
                            node = CreateEntry(New, i, prev, children);
                        } else {
                            node = child;
                        }
                        old.Take(b);
                    }
                } else {
                    if (TIDNode* gone = children.Find(head)) {
                        HintIndex(gone, i);
                        RemoveEntry(gone, children);
                    }
                    old.TakeHead();
                }
            }
            prev = node;
        }
        old.ForEachLeft([&](int, int32_t id) {
            if (TIDNode* gone = children.Find(id)) {
                HintIndex(gone, New.GetCount());
                RemoveEntry(gone, children);
            }
        });
    } catch (...) {
        // What the children are now: the entries done, then the old ones
        // left. The next merge must not take the nodes made so far for new.
        std::unique_ptr<TIDList> now = ListAs<TIDList>(Old.GetCopyObject(), Old);
        for (int k = 0; k < i && k < New.GetCount(); ++k) now->Add(New.GetItem(k));
        old.ForEachLeft([&](int position, int32_t) { now->Add(Old.GetItem(position)); });
        Old.SetList(now.get());
        throw;
    }
    Old.SetList(&New);
    HasItems = New.GetCount() > 0;
    HasItemsKnown = true;
    newList.reset();
    DoAfterUpdate();
}

}  // namespace velt
