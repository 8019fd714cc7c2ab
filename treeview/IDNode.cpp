#include "treeview/IDNode.h"

namespace velt {

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

TIDNode* TIDListNode::CreateEntry(const TIDList& New, int I, TIDNode* Prev) {
    const void* info = New.GetItem(I);
    std::unique_ptr<TIDNode> node = CreateNodeByInfo(info);
    if (!node) throw Exception(ClassName() + " made no node for ID " + IntToStr(New.GetID(I)));
    node->SetID(New.GetID(I));
    return static_cast<TIDNode*>(InsertNodeEx(Prev, std::move(node)));
}

void TIDListNode::Update() {
    DoBeforeUpdate();
    std::unique_ptr<TIDList> newList = InternalGetIDList();
    const TIDList& New = *newList;
    TIDList& Old = *OldList;
    TIDNode* prev = nullptr;
    for (int i = 0; i < New.GetCount(); ++i) {
        const int32_t id = New.GetID(i);
        TIDNode* node = nullptr;
        while (!node) {
            if (Old.GetCount() == 0) {
                node = CreateEntry(New, i, prev);
                break;
            }
            const int32_t head = Old.GetID(0);
            if (head == id) {
                if (TIDNode* child = GetNodeByID(id)) {
                    UpdateNodeByInfo(child, New.GetItem(i));
                    node = child;
                } else {
                    node = CreateEntry(New, i, prev);
                }
                Old.Delete(0);
            } else if (New.IndexByID(head) >= 0) {
                const int b = Old.IndexByID(id);
                if (b < 0) {
                    node = CreateEntry(New, i, prev);
                } else {
                    // The entry moved: shown, its node moves with it; not
                    // shown, it stays where it is.
                    TIDNode* child = GetNodeByID(id);
                    if (child == prev) child = nullptr;  // a repeated ID
                    if (GetLink() || !child) {
                        if (child) RemoveNode(child);
                        node = CreateEntry(New, i, prev);
                    } else {
                        node = child;
                    }
                    Old.Delete(b);
                }
            } else {
                if (TIDNode* gone = GetNodeByID(head)) RemoveNode(gone);
                Old.Delete(0);
            }
        }
        prev = node;
    }
    for (int i = 0; i < Old.GetCount(); ++i)
        if (TIDNode* gone = GetNodeByID(Old.GetID(i))) RemoveNode(gone);
    Old.SetList(&New);
    HasItems = New.GetCount() > 0;
    HasItemsKnown = true;
    newList.reset();
    DoAfterUpdate();
}

}  // namespace velt
