#pragma once
// Walking a project tree window as a user does: expanding nodes and
// clicking their menu items.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <memory>
#include <string>
#include <vector>

#include "services/ProjectTree.h"

namespace velt::test {

// Expands node in its view and answers its children's captions.
inline std::vector<std::string> Open(TGeneralNode* node) {
    if (!node->Expanded) node->GetLink()->ExternalExpand(node);
    std::vector<std::string> r;
    for (int i = 0; i < node->GetSubnodeCount(); ++i) r.push_back(node->GetNodes(i)->GetText());
    return r;
}

// The child with that caption (the node itself, and a failure, when none).
inline TGeneralNode* Child(TGeneralNode* node, const std::string& caption) {
    Open(node);
    for (int i = 0; i < node->GetSubnodeCount(); ++i)
        if (node->GetNodes(i)->GetText() == caption) return node->GetNodes(i);
    ADD_FAILURE() << caption << " is not below " << node->GetText();
    return node;
}

// Runs the node's menu item through the view, as a click does.
inline void ClickMenu(T__GeneralTreeView& view, TGeneralNode* node, const QString& caption) {
    std::unique_ptr<QMenu> menu(view.GetNodeMenu(node));
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions())
        if (a->text() == caption) return a->trigger();
    FAIL() << caption.toStdString() << " is not on the menu of " << node->GetText();
}

}  // namespace velt::test
