#pragma once
// The SourceSafe database as a lazily expanded tree: TSourceSafeNode asks
// the server for a project's children only when that project expands, and
// TSourceSafeExplorer shows the tree, either as the "SourceSafe" tab of the
// project tree window (with its toolbar) or as the operation dialogs'
// project picker.
//
// A child's node ID is a stable identity of its item (its type and name),
// not its position in the project: items added, removed or checked out
// between two expansions leave the other children's nodes in place, and a
// kept node is refreshed from the new listing.

#include <QPointer>
#include <memory>
#include <string>
#include <unordered_map>

#include "foundation/ComPtr.h"
#include "platform/vss/VssAutomation.h"
#include "services/ServiceForms.h"
#include "sourcesafe/SourceSafeItemList.h"
#include "treeview/IDNode.h"

class QAction;
class QPushButton;
class QTabWidget;
class QToolBar;

namespace velt {

class TForth;
class TImageList;
class TProjectTreeForm;
class T__GeneralTreeView;

// Image indexes of the tree.
enum TSourceSafeImage : int32_t { ssiProject = 0, ssiFile = 1, ssiCheckedOut = 2, ssiCheckedOutMany = 3 };

class TSourceSafeNode : public TIDListNode {
public:
    using TIDListNode::TIDListNode;
    std::string ClassName() const override { return "TSourceSafeNode"; }
    std::unique_ptr<TGeneralNode> NewInstance() const override { return std::make_unique<TSourceSafeNode>(); }

    // A project's live children (only its sub-projects in picker mode), in
    // one listing from the server; nothing for a file.
    std::unique_ptr<TIDList> GetIDList() override;
    std::unique_ptr<TIDNode> CreateNodeByInfo(const void* Info) override;
    // Caption, type, images and item path from the item's new listing.
    void UpdateNodeByInfo(TIDNode* Node, const void* Info) override;
    void DoAfterUpdate() override;
    // From the type until the first expansion: asking would cost a server
    // call per new child.
    bool GetCanExpand() override;
    // Nothing in picker mode; only "Check &In ..." acts.
    void GetMenuList(TMenuList& List) override;

    // The item path of a project node; for a file, its item path before the last "/".
    std::string GetProject() const;
    // Runs the word "CheckIn" with this node's item path as the item.
    void CheckInClick();

    ComPtr<vss::IVSSDatabase> Database;
    int32_t Type = ssitProject;
    std::string Spec;
    bool OnlyProjects = false;
    TForth* Forth = nullptr;

private:
    // Caption, type, images and item path of a child from its listing.
    void Apply(TSourceSafeNode& Child, const vss::TVssListEntry& Entry) const;
    const vss::TVssListEntry& EntryOf(const void* Info) const;

    // The ID of every child name seen so far ("<type><folded name>").
    std::unordered_map<std::string, int32_t> ids_;
    // The listing of the update under way, by ID.
    std::unordered_map<int32_t, vss::TVssListEntry> listing_;
};

class TSourceSafeExplorer : public TModalForm {
    Q_OBJECT
public:
    // Picker: projects only, no menus; Tab: the project tree window's tab.
    enum TMode : int32_t { emPicker = 0, emTab = 1 };

    explicit TSourceSafeExplorer(QWidget* parent = nullptr);
    ~TSourceSafeExplorer() override;

    QToolBar* SourceSafeToolbar;
    QAction* CreateProjectButton;
    QAction* AddFilesButton;
    QAction* DeleteFiles;
    QAction* CheckInButton;
    QAction* CheckOutButton;
    QAction* UndoCheckOutButton;
    QAction* GetLatestVersionButton;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QTabWidget* PageControl;
    QWidget* SourceSafeTabSheet;
    T__GeneralTreeView* SourceSafeTree;
    TImageList* Images;

    ComPtr<vss::IVSSDatabase> Database;
    int32_t Mode = emPicker;
    TForth* Forth = nullptr;

    // A new root "$/" of the form's database; picker mode by Mode.
    TSourceSafeNode* SetRoot();
    // A new database: the tree starts again from its root.
    void SetDatabase(const ComPtr<vss::IVSSDatabase>& Value);
    // The root as the tree's first node.
    void FormShow();
    // "Check In Files/Project": the selected node's check-in.
    void CheckInButtonClick();
    TSourceSafeNode* GetSelectedNode() const;
    TSourceSafeNode* GetRoot() const;

    // The tab joins the window's pages and the toolbar the window.
    void DockInto(TProjectTreeForm& Window);
    // Whether the tab still lives in a project tree window.
    bool Docked() const;
    // Deletes the docked tab and toolbar (the tree and its nodes with them).
    void Undock();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> tab_;
    QPointer<QToolBar> toolbar_;
};

}  // namespace velt
