#include "sourcesafe/SourceSafeExplorer.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <functional>

#include "forth/Forth.h"
#include "foundation/Dialogs.h"
#include "foundation/SysUtils.h"
#include "platform/ui/ExceptionReporter.h"
#include "services/ProjectTree.h"
#include "sourcesafe/SafeFiles.h"
#include "treeview/GeneralTreeView.h"
#include "treeview/ImageList.h"

namespace velt {

namespace {

std::string ChildKey(int32_t Type, const std::string& Name) { return char('0' + Type) + LowerCase(Name); }

QPixmap Glyph(const std::function<void(QPainter&)>& Draw) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    Draw(painter);
    return pixmap;
}

// A sheet of paper with Marks red check-out marks on it.
QPixmap FileGlyph(int Marks) {
    return Glyph([Marks](QPainter& p) {
        p.setPen(QColor(90, 90, 90));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 1.5, 9, 13));
        p.setPen(QColor(150, 150, 150));
        for (int y = 4; y <= 12; y += 2) p.drawLine(5, y, 11, y);
        p.setPen(QPen(QColor(200, 30, 30), 2));
        for (int m = 0; m < Marks; ++m) p.drawLine(1 + 4 * m, 9, 3 + 4 * m, 14);
    });
}

void AddImages(TImageList& Images) {
    Images.Add(Glyph([](QPainter& p) {  // project: a folder
        p.setPen(QColor(150, 110, 20));
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
        p.drawRect(QRectF(1.5, 2.5, 5, 2));
    }));
    Images.Add(FileGlyph(0));
    Images.Add(FileGlyph(1));
    Images.Add(FileGlyph(2));
}

}  // namespace

// ---- TSourceSafeNode ----------------------------------------------------------------------

std::unique_ptr<TIDList> TSourceSafeNode::GetIDList() {
    auto list = std::make_unique<TSourceSafeItemList>();
    listing_.clear();
    if (Type != ssitProject) return list;
    if (!Database) throw Exception("Not logged on to SourceSafe: see SourceS&afe > Lo&gon ...");
    std::vector<vss::TVssProjectListing> projects = Database->ListProjects(GetProject(), false);
    if (projects.empty()) throw Exception(Spec + " is not an existing project");
    for (vss::TVssListEntry& e : projects.front().Items) {
        if (OnlyProjects && e.Type != ssitProject) continue;
        int32_t& id = ids_[ChildKey(e.Type, e.Name)];
        if (id == 0) id = int32_t(ids_.size());
        list->AddItem(id, e.Type, e.Name, e.Type == ssitFile ? e.IsCheckedOut : 0);
        listing_.emplace(id, std::move(e));
    }
    list->Sort();
    return list;
}

const vss::TVssListEntry& TSourceSafeNode::EntryOf(const void* Info) const {
    const TSourceSafeItemRec rec = TSourceSafeItemList::RecOf(Info);
    const auto it = listing_.find(rec.ID);
    if (it == listing_.end()) throw Exception(Spec + " has no listed item " + IntToStr(rec.ID));
    return it->second;
}

void TSourceSafeNode::Apply(TSourceSafeNode& Child, const vss::TVssListEntry& Entry) const {
    Child.Type = Entry.Type;
    int32_t image = Entry.Type == ssitProject ? ssiProject : ssiFile;
    if (Entry.Type == ssitFile && Entry.IsCheckedOut != 0)
        image = Entry.Checkouts.size() < 2 ? ssiCheckedOut : ssiCheckedOutMany;
    Child.ImageIndex = image;
    Child.SelectedIndex = image;
    Child.Spec = JoinSafe(Spec, Entry.Name);
    // Last: the text refreshes the item, images too.
    Child.SetText(Entry.Name);
}

std::unique_ptr<TIDNode> TSourceSafeNode::CreateNodeByInfo(const void* Info) {
    const vss::TVssListEntry& entry = EntryOf(Info);
    auto node = CreateChildNode<TSourceSafeNode>(this, {});
    node->Database = Database;
    node->Forth = Forth;
    node->OnlyProjects = OnlyProjects;
    Apply(*node, entry);
    return node;
}

void TSourceSafeNode::UpdateNodeByInfo(TIDNode* Node, const void* Info) {
    auto* child = dynamic_cast<TSourceSafeNode*>(Node);
    if (!child) return;
    Apply(*child, EntryOf(Info));
}

void TSourceSafeNode::DoAfterUpdate() { listing_.clear(); }

bool TSourceSafeNode::GetCanExpand() {
    if (GetHasItemsKnown()) return TIDListNode::GetCanExpand();
    return Type == ssitProject;
}

void TSourceSafeNode::GetMenuList(TMenuList& List) {
    if (OnlyProjects) return;
    if (Type == ssitProject) {
        List.AddItem("Create &Project", true, nullptr);
        List.AddItem("&Add Files ...", true, nullptr);
        List.AddLine();
    }
    const bool file = Type == ssitFile;
    List.AddLine();
    List.AddItem("Check &In ...", file, [this](QObject*) { CheckInClick(); });
    List.AddItem("Chec&k Out ...", file, nullptr);
    List.AddItem("&Undo Check Out ...", file, nullptr);
    List.AddItem("Get &Latest Version ...", file, nullptr);
    List.AddLine();
    List.AddItem("&Delete ...", true, nullptr);
}

std::string TSourceSafeNode::GetProject() const {
    if (Type == ssitProject) return Spec;
    std::string project = SafeFolder(Spec);
    // "$/" stays whole; any other project loses its closing "/".
    if (project.size() > 2 && (project.back() == '/' || project.back() == '\\')) project.pop_back();
    return project;
}

void TSourceSafeNode::CheckInClick() {
    if (!Forth) throw Exception("The SourceSafe tree has no interpreter");
    try {
        Forth->PushString(Spec);
        Forth->PushString("");
        Forth->ExecWord("CheckIn");
    } catch (...) {
        Forth->ClearStack();
        throw;
    }
}

// ---- TSourceSafeExplorer ---------------------------------------------------------------------

TSourceSafeExplorer::TSourceSafeExplorer(QWidget* parent) : TModalForm(parent) {
    setObjectName("SourceSafeExplorer");
    setWindowTitle(QStringLiteral("SourceSafe"));

    SourceSafeToolbar = new QToolBar(QStringLiteral("SourceSafe"), this);
    SourceSafeToolbar->setObjectName("SourceSafeToolbar");
    SourceSafeToolbar->setIconSize(QSize(16, 16));
    const auto button = [this](const char* name, const char* hint, QStyle::StandardPixmap icon) {
        QAction* a = SourceSafeToolbar->addAction(style()->standardIcon(icon), QString::fromLatin1(hint));
        a->setObjectName(name);
        a->setToolTip(QString::fromLatin1(hint));
        return a;
    };
    CreateProjectButton = button("CreateProjectButton", "Create Project", QStyle::SP_FileDialogNewFolder);
    AddFilesButton = button("AddFilesButton", "Add Files", QStyle::SP_FileIcon);
    DeleteFiles = button("DeleteFiles", "Delete Files/Project", QStyle::SP_TrashIcon);
    SourceSafeToolbar->addSeparator();
    CheckInButton = button("CheckInButton", "Check In Files/Project", QStyle::SP_ArrowUp);
    CheckOutButton = button("CheckOutButton", "Check Out Files/Project", QStyle::SP_ArrowDown);
    UndoCheckOutButton = button("UndoCheckOutButton", "Undo Check Out ", QStyle::SP_DialogResetButton);
    GetLatestVersionButton = button("GetLatestVersionButton", "Get Latest Version", QStyle::SP_BrowserReload);
    connect(CheckInButton, &QAction::triggered, this, [this] { CallReporting([this] { CheckInButtonClick(); }); });

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    SourceSafeTabSheet = new QWidget(PageControl);
    SourceSafeTabSheet->setObjectName("SourceSafeTabSheet");
    SourceSafeTree = new T__GeneralTreeView(SourceSafeTabSheet);
    SourceSafeTree->setObjectName("SourceSafeTree");
    // The images go wherever the tree goes.
    Images = new TImageList(16, 16);
    Images->setParent(SourceSafeTree);
    AddImages(*Images);
    SourceSafeTree->SetImages(Images);
    auto* sheet = new QVBoxLayout(SourceSafeTabSheet);
    sheet->setContentsMargins(0, 0, 0, 0);
    sheet->addWidget(SourceSafeTree);
    PageControl->addTab(SourceSafeTabSheet, QStringLiteral("SourceSafe"));
    tab_ = SourceSafeTabSheet;
    toolbar_ = SourceSafeToolbar;

    OKButton = CloseButton(QStringLiteral("&OK"), mrOk, true);
    OKButton->setObjectName("OKButton");
    CancelButton = CloseButton(QStringLiteral("&Cancel"), mrCancel, false);
    CancelButton->setObjectName("CancelButton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SourceSafeToolbar);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
    resize(320, 420);
}

TSourceSafeExplorer::~TSourceSafeExplorer() { Undock(); }

TSourceSafeNode* TSourceSafeExplorer::SetRoot() {
    if (!tab_) return nullptr;
    auto root = std::make_unique<TSourceSafeNode>();
    root->SetID(0);
    root->SetText("$/");
    root->ImageIndex = ssiProject;
    root->SelectedIndex = ssiProject;
    root->Type = ssitProject;
    root->Spec = "$/";
    root->OnlyProjects = Mode == emPicker;
    root->Database = Database;
    root->Forth = Forth;
    TSourceSafeNode* made = root.get();
    SourceSafeTree->SetNode0(std::move(root)).reset();
    return made;
}

void TSourceSafeExplorer::SetDatabase(const ComPtr<vss::IVSSDatabase>& Value) {
    Database = Value;
    if (tab_ && SourceSafeTree->GetNode0()) SetRoot();
}

TSourceSafeNode* TSourceSafeExplorer::GetRoot() const {
    return tab_ ? dynamic_cast<TSourceSafeNode*>(SourceSafeTree->GetNode0()) : nullptr;
}

void TSourceSafeExplorer::FormShow() { SetRoot(); }

void TSourceSafeExplorer::showEvent(QShowEvent* event) {
    CallReporting([this] { FormShow(); });
    TModalForm::showEvent(event);
}

TSourceSafeNode* TSourceSafeExplorer::GetSelectedNode() const {
    return tab_ ? dynamic_cast<TSourceSafeNode*>(SourceSafeTree->GetSelection()) : nullptr;
}

void TSourceSafeExplorer::CheckInButtonClick() {
    if (TSourceSafeNode* node = GetSelectedNode()) node->CheckInClick();
}

void TSourceSafeExplorer::DockInto(TProjectTreeForm& Window) {
    if (!tab_ || !toolbar_) throw Exception("The SourceSafe tab is gone");
    PageControl->removeTab(PageControl->indexOf(tab_));
    Window.TreePages->addTab(tab_, QStringLiteral("SourceSafe"));
    Window.addToolBar(toolbar_);
}

bool TSourceSafeExplorer::Docked() const { return tab_ && dynamic_cast<TProjectTreeForm*>(tab_->window()); }

void TSourceSafeExplorer::Undock() {
    // Docked parts live in a window of the main package: they must not
    // outlive this package's code.
    delete tab_.data();
    delete toolbar_.data();
}

}  // namespace velt
