#include "treeview/IDNode.h"

#include <unordered_map>

namespace velt {

// GetNodeByID for the merge without a walk over the children per entry: the
// first child of each ID, kept up to date as the merge adds and removes.
// The hooks a merge calls must leave the node's children alone.
class TIDListNode::TChildIndex {
public:
    explicit TChildIndex(const TIDListNode& owner) : owner_(owner) {
        for (int i = owner.GetSubnodeCount() - 1; i >= 0; --i)
            if (auto* node = dynamic_cast<TIDNode*>(owner.GetNodes(i))) first_[node->GetID()] = node;
    }
    TIDNode* Find(int32_t id) const {
        auto it = first_.find(id);
        return it == first_.end() ? nullptr : it->second;
    }
    void Added(TIDNode* node) {
        TIDNode*& first = first_[node->GetID()];
        // With a repeated ID the one that stands first counts.
        if (!first || owner_.IndexOfNode(node) < owner_.IndexOfNode(first)) first = node;
    }
    // After the first child of the ID has left.
    void Refind(int32_t id) {
        first_.erase(id);
        if (TIDNode* other = owner_.GetNodeByID(id)) first_[id] = other;
    }

private:
    const TIDListNode& owner_;
    std::unordered_map<int32_t, TIDNode*> first_;
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
    const bool first = Index.Find(id) == Child;
    RemoveNode(Child);
    if (first) Index.Refind(id);
}

void TIDListNode::Update() {
    DoBeforeUpdate();
    std::unique_ptr<TIDList> newList = InternalGetIDList();
    const TIDList& New = *newList;
    TIDList& Old = *OldList;
    TChildIndex children(*this);
    TIDNode* prev = nullptr;
    for (int i = 0; i < New.GetCount(); ++i) {
        const int32_t id = New.GetID(i);
        TIDNode* node = nullptr;
        while (!node) {
            if (Old.GetCount() == 0) {
                node = CreateEntry(New, i, prev, children);
                break;
            }
            const int32_t head = Old.GetID(0);
            if (head == id) {
                if (TIDNode* child = children.Find(id)) {
                    UpdateNodeByInfo(child, New.GetItem(i));
                    node = child;
                } else {
                    node = CreateEntry(New, i, prev, children);
                }
                Old.Delete(0);
            } else if (New.IndexByID(head) >= 0) {
                const int b = Old.IndexByID(id);
                if (b < 0) {
                    node = CreateEntry(New, i, prev, children);
                } else {
                    // The entry moved: shown, its node moves with it; not
                    // shown, it stays where it is.
                    TIDNode* child = children.Find(id);
                    if (child == prev) child = nullptr;  // a repeated ID
                    if (GetLink() || !child) {
                        if (child) RemoveEntry(child, children);
                        node = CreateEntry(New, i, prev, children);
                    } else {
                        node = child;
                    }
                    Old.Delete(b);
                }
            } else {
                if (TIDNode* gone = children.Find(head)) RemoveEntry(gone, children);
                Old.Delete(0);
            }
        }
        prev = node;
    }
    for (int i = 0; i < Old.GetCount(); ++i)
        if (TIDNode* gone = children.Find(Old.GetID(i))) RemoveEntry(gone, children);
    Old.SetList(&New);
    HasItems = New.GetCount() > 0;
    HasItemsKnown = true;
    newList.reset();
    DoAfterUpdate();
}

}  // namespace velt
