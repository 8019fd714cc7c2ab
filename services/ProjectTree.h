#pragma once
// The "Project Tree" window: the units and classes the Classes Registry
// knows, in three tabs (units by domain, classes by domain, the class
// hierarchy). Its nodes are ID-list nodes that ask the project tree's tables
// for their children when they expand, and answer their menus by running
// the command file's words "OpenUnitSource" ( file -- ) and
// "OpenClassSource" ( class file -- ).
//
// A child's entry in its parent's ID list pairs the child's key (a domain's
// ID, or a module's or class's ID negated: the sign tells the kind) with the
// position of its record. The key is what the merge of the ID-list node
// knows the child by (its node ID); the node keeps the ID of its record
// apart (RecordID), which is what its own children and menus look up.

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "services/ProjectTreeLists.h"
#include "treeview/GeneralTreeView.h"
#include "treeview/IDNode.h"

class QLabel;
class QTabWidget;
class QToolBar;

namespace velt {

class TForth;
class TIToolServices;

// The image indexes of the tree.
enum TProjectTreeImage : int32_t { ptiDomain = 0, ptiUnit = 1, ptiProject = 2, ptiClass = 3 };

class TProjectTreeNode : public TIDListNode {
public:
    using TIDListNode::TIDListNode;
    std::string ClassName() const override { return "TProjectTreeNode"; }

    // The tables the node's record is in; "The project tree has no lists"
    // when none were given.
    TProjectTreeLists& GetLists() const;
    void SetLists(TProjectTreeLists* Lists) { lists_ = Lists; }
    // The ID of the node's record in its table.
    int32_t GetRecordID() const { return recordID_; }
    void SetRecordID(int32_t ID) { recordID_ = ID; }

protected:
    // A new child node of class T for the record with that ID, with these
    // tables, caption and image.
    template <class T>
    std::unique_ptr<T> MakeChild(int32_t RecordID, const std::string& Caption, int32_t Image);
    // Pushes the arguments and runs a word of the interpreter.
    void RunWord(const char* Word, std::initializer_list<std::string> Args);
    // Runs a menu command: a failure is reported once, through the IDE's
    // RaiseException (raised on without an IDE), and the interpreter's
    // stack is empty afterwards either way.
    void RunCommand(const std::function<void()>& Command);

private:
    TProjectTreeLists* lists_ = nullptr;
    int32_t recordID_ = -1;
};

class TDomainNode : public TProjectTreeNode {
public:
    using TProjectTreeNode::TProjectTreeNode;
    std::string ClassName() const override { return "TDomainNode"; }

    std::unique_ptr<TIDList> GetIDList() override;
    std::unique_ptr<TIDNode> CreateNodeByInfo(const void* Info) override;
    // "New Domain ...", "Add Module ...", "-", "Properties ...".
    void GetMenuList(TMenuList& List) override;
    // "Add Module ...": a file of the dialog becomes a module of the domain.
    void AddModuleClick();

    // The children are classes instead of modules.
    bool ClassDomains = false;
    // The children are sub-domains only.
    bool OnlyDomains = false;
};

class TModuleNode : public TProjectTreeNode {
public:
    using TProjectTreeNode::TProjectTreeNode;
    std::string ClassName() const override { return "TModuleNode"; }

    std::unique_ptr<TIDList> GetIDList() override;
    std::unique_ptr<TIDNode> CreateNodeByInfo(const void* Info) override;
    // "Open Source", "Parse Again".
    void GetMenuList(TMenuList& List) override;
    // Pushes the module's file and runs "OpenUnitSource".
    void OpenSourceClick();
    // The module's file, whole.
    std::string GetFileName() const;
};

class TClassNode : public TProjectTreeNode {
public:
    using TProjectTreeNode::TProjectTreeNode;
    std::string ClassName() const override { return "TClassNode"; }

    // Only with Hierarchy: the classes derived from this one. A class that
    // is already on the node's path to the root raises "Circular class
    // refference: ...".
    std::unique_ptr<TIDList> GetIDList() override;
    // A class that derives from one on its own path has children (whose
    // expansion reports the circle).
    bool GetCanExpand() override;
    std::unique_ptr<TIDNode> CreateNodeByInfo(const void* Info) override;
    // "Open Source".
    void GetMenuList(TMenuList& List) override;
    // Pushes the class name, then its unit's file, and runs "OpenClassSource".
    void OpenSourceClick();
    // The file of the class's unit; empty when the unit is unknown.
    std::string GetFileName() const;

    // The children are the classes derived from this one.
    bool Hierarchy = false;
};

class TProjectTreeForm : public QMainWindow {
public:
    explicit TProjectTreeForm(QWidget* parent = nullptr);
    ~TProjectTreeForm() override;

    // The interpreter of the node menus and the IDE whose project decides
    // the domains; not owned, set before the build.
    TForth* Forth = nullptr;
    TIToolServices* ToolServices = nullptr;

    // Rebuilds the tables from the registry and gives the three trees new
    // roots.
    void BuildProjectTreeByClassesRegistry(const TMemIni& Registry);
    // The status bar follows the selected node: its kind, and the file of a
    // module or of a class's unit.
    void UnitTreeChange(T__GeneralTreeView* Sender, TGeneralNode* Node);
    // The text of status panel 0 or 1.
    std::string GetStatusText(int Panel) const;
    TProjectTreeLists& GetLists() { return *lists_; }

    QToolBar* ClassesToolbar;
    QTabWidget* TreePages;
    T__GeneralTreeView* UnitTree;
    T__GeneralTreeView* ClassTree;
    T__GeneralTreeView* HieraTree;
    TImageList* Images;

private:
    QLabel* panels_[2];
    std::unique_ptr<TProjectTreeLists> lists_;
};

// The window once "Project Tree" has made it; null before and after.
extern QPointer<TProjectTreeForm> ProjectTreeForm;

// "Project Tree": the first time, makes the window, builds it from the
// registry with the interpreter and runs "StartupSourceSafeTree" (a failure
// of that word, "not found" without the SourceSafe package, goes to the
// console); every time, shows the window.
void ShowProjectTree(TIToolServices& Tools, TForth& Forth, const TMemIni& Registry);
// Frees the window: before the package that made it goes, or the
// interpreter it runs words with.
void FreeProjectTreeForm();

}  // namespace velt
