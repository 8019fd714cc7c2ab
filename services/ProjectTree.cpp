#include "services/ProjectTree.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <unordered_set>

#include "forth/Forth.h"
#include "foundation/CommMsg.h"
#include "foundation/MemIni.h"
#include "platform/ide/ToolsApi.h"
#include "platform/ui/DialogRunner.h"

namespace velt {

QPointer<TProjectTreeForm> ProjectTreeForm;

namespace {

// A Hierarchy node whose class derives from one on its own path.
class ECircularClass : public Exception {
    using Exception::Exception;
};

T2IntRec EntryOf(const void* Info) {
    T2IntRec r;
    std::memcpy(&r, Info, sizeof r);
    return r;
}

// The position of the record with that ID: the entry's position while the
// record there still has the ID, else a search.
int PositionOf(TProjectTreeList& List, int32_t ID, int32_t Position) {
    if (Position >= 0 && Position < List.GetCount()) {
        int32_t id;
        std::memcpy(&id, List.GetItem(Position), sizeof id);
        if (id == ID) return Position;
    }
    const int found = List.IndexOfID(ID);
    if (found < 0) throw Exception(List.ClassName() + " has no record " + IntToStr(ID));
    return found;
}

// Appends one entry per record, keyed by its ID negated, ordered by name
// (ASCII case ignored; equal names in record order).
template <class NameOf, class IDOf>
void AddByName(T2IntList& List, const std::vector<int>& Positions, NameOf&& Name, IDOf&& ID) {
    struct Entry {
        std::string Name;
        int Position;
    };
    std::vector<Entry> entries;
    entries.reserve(Positions.size());
    for (int p : Positions) entries.push_back({Name(p), p});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return CompareText(a.Name, b.Name) < 0; });
    for (const Entry& e : entries) List.Add2Int(-ID(e.Position), e.Position);
}

void AddClassesByName(T2IntList& List, TClassList& Classes, const std::vector<int>& Positions) {
    AddByName(
        List, Positions, [&](int p) { return Classes.GetRec(p).GetClassName(); },
        [&](int p) { return Classes.GetRec(p).ID; });
}

// The file of a module by its ID; empty when there is no such module.
std::string ModuleFileName(TProjectTreeLists& Lists, int32_t ModuleID) {
    const int p = Lists.ModuleList.IndexOfID(ModuleID);
    return p < 0 ? std::string() : Lists.ModuleList.GetFileName(p);
}

QPixmap Glyph(const std::function<void(QPainter&)>& Draw) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Draw(painter);
    return pixmap;
}

// A sheet of paper with a coloured band: a unit (blue) or a project (green).
QPixmap PageGlyph(const QColor& Band) {
    return Glyph([&](QPainter& p) {
        p.setPen(QColor(90, 90, 90));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 1.5, 9, 13));
        p.fillRect(QRectF(4, 2, 8, 3), Band);
        p.setPen(QColor(150, 150, 150));
        for (int y = 7; y <= 12; y += 2) p.drawLine(5, y, 11, y);
    });
}

void AddImages(TImageList& Images) {
    Images.Add(Glyph([](QPainter& p) {  // domain: a folder
        p.setPen(QColor(150, 110, 20));
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
        p.drawRect(QRectF(1.5, 2.5, 5, 2));
    }));
    Images.Add(PageGlyph(QColor(70, 110, 200)));  // unit
    Images.Add(PageGlyph(QColor(60, 160, 80)));   // project
    Images.Add(Glyph([](QPainter& p) {            // class
        p.setPen(QColor(120, 40, 120));
        p.setBrush(QColor(200, 120, 200));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        QFont f = p.font();
        f.setPixelSize(10);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("C"));
    }));
}

// The toolbar's buttons: a coloured square each.
QIcon SquareIcon(const QColor& Colour) {
    return QIcon(Glyph([&](QPainter& p) {
        p.setPen(Colour.darker(150));
        p.setBrush(Colour);
        p.drawRect(QRectF(3.5, 3.5, 9, 9));
    }));
}

// Owns the window. A window still there when the program ends without an
// application (a test that left it) is not deleted then: no widget may die
// after the application.
struct TFormHolder {
    std::unique_ptr<TProjectTreeForm> Form;
    ~TFormHolder() {
        if (!QCoreApplication::instance()) (void)Form.release();
    }
};

TFormHolder& Holder() {
    static TFormHolder holder;
    return holder;
}

}  // namespace

// ---- TProjectTreeNode ---------------------------------------------------------------------

TProjectTreeLists& TProjectTreeNode::GetLists() const {
    if (!lists_) throw Exception("The project tree has no lists");
    return *lists_;
}

template <class T>
std::unique_ptr<T> TProjectTreeNode::MakeChild(int32_t RecordID, const std::string& Caption, int32_t Image) {
    auto node = CreateChildNode<T>(this, Caption);
    node->SetLists(lists_);
    node->SetRecordID(RecordID);
    node->ImageIndex = Image;
    node->SelectedIndex = Image;
    return node;
}

void TProjectTreeNode::RunWord(const char* Word, std::initializer_list<std::string> Args) {
    TForth* forth = GetLists().Forth;
    if (!forth) throw Exception("The project tree has no interpreter");
    for (const std::string& a : Args) forth->PushString(a);
    forth->ExecWord(Word);
}

void TProjectTreeNode::RunCommand(const std::function<void()>& Command) {
    TProjectTreeLists& lists = GetLists();
    try {
        Command();
    } catch (...) {
        if (lists.Forth) lists.Forth->ClearStack();
        if (!lists.Tools) throw;
        lists.Tools->RaiseException(ReleaseException());
        return;
    }
    if (lists.Forth) lists.Forth->ClearStack();
}

// ---- TDomainNode ---------------------------------------------------------------------------

std::unique_ptr<TIDList> TDomainNode::GetIDList() {
    TProjectTreeLists& l = GetLists();
    auto list = std::make_unique<T2IntList>();
    for (int p : l.DomainList.RecordsWhere(TDomainList::fiParentID, GetRecordID()))
        list->Add2Int(l.DomainList.GetRec(p).ID, p);
    if (OnlyDomains) return list;
    if (ClassDomains) {
        AddClassesByName(*list, l.ClassList, l.ClassList.RecordsWhere(TClassList::fiDomainID, GetRecordID()));
    } else {
        TModuleList& modules = l.ModuleList;
        AddByName(
            *list, modules.RecordsWhere(TModuleList::fiDomainID, GetRecordID()),
            [&](int p) { return modules.GetRec(p).GetModuleName(); }, [&](int p) { return modules.GetRec(p).ID; });
    }
    return list;
}

std::unique_ptr<TIDNode> TDomainNode::CreateNodeByInfo(const void* Info) {
    TProjectTreeLists& l = GetLists();
    const T2IntRec entry = EntryOf(Info);
    if (entry.ID > 0) {
        const TDomainRec r = l.DomainList.GetRec(PositionOf(l.DomainList, entry.ID, entry.Second));
        auto node = MakeChild<TDomainNode>(r.ID, r.GetDomainName(), ptiDomain);
        node->ClassDomains = ClassDomains;
        node->OnlyDomains = OnlyDomains;
        return node;
    }
    if (ClassDomains) {
        const TClassRec r = l.ClassList.GetRec(PositionOf(l.ClassList, -entry.ID, entry.Second));
        return MakeChild<TClassNode>(r.ID, r.GetClassName(), ptiClass);
    }
    const TModuleRec r = l.ModuleList.GetRec(PositionOf(l.ModuleList, -entry.ID, entry.Second));
    return MakeChild<TModuleNode>(r.ID, r.GetModuleName(), r._type == 0 ? -1 : r._type);
}

void TDomainNode::GetMenuList(TMenuList& List) {
    List.AddItem("New Domain ...", true, nullptr);
    List.AddItem("Add Module ...", true, [this](QObject*) { AddModuleClick(); });
    List.AddLine();
    List.AddItem("Properties ...", true, nullptr);
}

void TDomainNode::AddModuleClick() {
    QFileDialog dialog(GetLink() ? GetLink()->GetControl() : nullptr,
                       QString::fromStdString("Add Module into " + GetText()));
    dialog.setObjectName("AddModuleDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = {QStringLiteral("Delphi Unit(*.pas)"), QStringLiteral("Delphi Project(*.dpr)"),
                                 QStringLiteral("All Files(*.*)")};
    dialog.setNameFilters(filters);
    if (RunDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const std::string path = dialog.selectedFiles().first().toStdString();
    const qsizetype filter = filters.indexOf(dialog.selectedNameFilter());
    const int32_t type = filter == 0 || filter == 1 ? int32_t(filter) + 1 : 0;
    GetLists().ModuleList.AddModule(GetRecordID(), ExtractFileName(path), type, path);
}

// ---- TModuleNode ----------------------------------------------------------------------------

std::unique_ptr<TIDList> TModuleNode::GetIDList() {
    TClassList& classes = GetLists().ClassList;
    auto list = std::make_unique<T2IntList>();
    AddClassesByName(*list, classes, classes.RecordsWhere(TClassList::fiUnitID, GetRecordID()));
    return list;
}

std::unique_ptr<TIDNode> TModuleNode::CreateNodeByInfo(const void* Info) {
    TClassList& classes = GetLists().ClassList;
    const T2IntRec entry = EntryOf(Info);
    const TClassRec r = classes.GetRec(PositionOf(classes, -entry.ID, entry.Second));
    return MakeChild<TClassNode>(r.ID, r.GetClassName(), ptiClass);
}

void TModuleNode::GetMenuList(TMenuList& List) {
    List.AddItem("Open Source", true, [this](QObject*) { OpenSourceClick(); });
    List.AddItem("Parse Again", true, nullptr);
}

std::string TModuleNode::GetFileName() const { return ModuleFileName(GetLists(), GetRecordID()); }

void TModuleNode::OpenSourceClick() {
    RunCommand([this] { RunWord("OpenUnitSource", {GetFileName()}); });
}

// ---- TClassNode ------------------------------------------------------------------------------

std::unique_ptr<TIDList> TClassNode::GetIDList() {
    auto list = std::make_unique<T2IntList>();
    if (!Hierarchy) return list;
    TClassList& classes = GetLists().ClassList;
    const TClassRec self = classes.GetRec(PositionOf(classes, GetRecordID(), -1));
    const std::vector<int> derived = classes.RecordsWhere(TClassList::fiAncestorName, self.GetClassName());
    if (!derived.empty()) {
        // The classes from here up to the root of the hierarchy.
        std::unordered_set<int32_t> path;
        for (TGeneralNode* n = this; auto* c = dynamic_cast<TClassNode*>(n); n = n->GetParent())
            path.insert(c->GetRecordID());
        for (int p : derived) {
            const TClassRec r = classes.GetRec(p);
            if (path.count(r.ID))
                throw ECircularClass("Circular class refference: " + r.GetClassName() + " = class(" +
                                     r.GetAncestorName() + ")");
        }
    }
    AddClassesByName(*list, classes, derived);
    return list;
}

bool TClassNode::GetCanExpand() {
    try {
        return TProjectTreeNode::GetCanExpand();
    } catch (const ECircularClass&) {
        return true;
    }
}

std::unique_ptr<TIDNode> TClassNode::CreateNodeByInfo(const void* Info) {
    TClassList& classes = GetLists().ClassList;
    const T2IntRec entry = EntryOf(Info);
    const TClassRec r = classes.GetRec(PositionOf(classes, -entry.ID, entry.Second));
    auto node = MakeChild<TClassNode>(r.ID, r.GetClassName(), ptiClass);
    node->Hierarchy = true;
    return node;
}

void TClassNode::GetMenuList(TMenuList& List) {
    List.AddItem("Open Source", true, [this](QObject*) { OpenSourceClick(); });
}

std::string TClassNode::GetFileName() const {
    TClassList& classes = GetLists().ClassList;
    const int p = classes.IndexOfID(GetRecordID());
    return p < 0 ? std::string() : ModuleFileName(GetLists(), classes.GetRec(p).UnitID);
}

void TClassNode::OpenSourceClick() {
    RunCommand([this] {
        const std::string file = GetFileName();
        if (file.empty()) throw Exception("The class " + GetText() + " has no source file");
        RunWord("OpenClassSource", {GetText(), file});
    });
}

// ---- TProjectTreeForm ---------------------------------------------------------------------------

TProjectTreeForm::TProjectTreeForm(QWidget* parent)
    : QMainWindow(parent), lists_(std::make_unique<TProjectTreeLists>()) {
    setObjectName("ProjectTreeForm");
    setWindowTitle(QStringLiteral("Project Tree"));
    Images = new TImageList(16, 16);
    Images->setParent(this);
    AddImages(*Images);

    ClassesToolbar = new QToolBar(QStringLiteral("Classes"), this);
    ClassesToolbar->setObjectName("ClassesToolbar");
    ClassesToolbar->setIconSize(QSize(16, 16));
    ClassesToolbar->setMovable(false);
    const std::pair<const char*, QColor> buttons[] = {
        {"Inherited", QColor(150, 150, 150)}, {"Virtual", QColor(120, 80, 200)},
        {"Private", QColor(210, 60, 60)},     {"Protected", QColor(230, 180, 40)},
        {"Public", QColor(60, 170, 70)},      {"Published", QColor(60, 110, 210)}};
    for (const auto& [hint, colour] : buttons) {
        QAction* a = ClassesToolbar->addAction(SquareIcon(colour), QString::fromLatin1(hint));
        a->setToolTip(QString::fromLatin1(hint));
    }
    addToolBar(ClassesToolbar);

    TreePages = new QTabWidget(this);
    TreePages->setObjectName("TreePages");
    const auto page = [this](const char* name, const char* caption) {
        auto* tab = new QWidget(TreePages);
        auto* tree = new T__GeneralTreeView(tab);
        tree->setObjectName(name);
        tree->SetImages(Images);
        tree->OnChange = [this](T__GeneralTreeView* sender, TGeneralNode* node) { UnitTreeChange(sender, node); };
        auto* layout = new QVBoxLayout(tab);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(tree);
        TreePages->addTab(tab, QString::fromLatin1(caption));
        return tree;
    };
    UnitTree = page("UnitTree", "Units");
    ClassTree = page("ClassTree", "Classes");
    HieraTree = page("HieraTree", "Hierarchy");
    setCentralWidget(TreePages);
    UnitTree->setFocus();  // the keys move in the tree at once

    statusBar()->setObjectName("StatusBar");
    const int widths[2] = {75, 300};
    for (int i = 0; i < 2; ++i) {
        panels_[i] = new QLabel(statusBar());
        panels_[i]->setFixedWidth(widths[i]);
        statusBar()->addWidget(panels_[i]);
    }
    resize(360, 480);
}

TProjectTreeForm::~TProjectTreeForm() {
    // The nodes go before the tables they show.
    for (T__GeneralTreeView* tree : {UnitTree, ClassTree, HieraTree}) tree->SetNode0(nullptr).reset();
}

void TProjectTreeForm::BuildProjectTreeByClassesRegistry(const TMemIni& Registry) {
    lists_->Forth = Forth;
    lists_->Tools = ToolServices;
    std::vector<std::string> files;
    if (ToolServices) {
        const std::string project = ToolServices->GetProjectName();
        if (!project.empty()) files.push_back(project);
        for (int32_t i = 0; i < ToolServices->GetUnitCount(); ++i) files.push_back(ToolServices->GetUnitName(i));
    }
    for (T__GeneralTreeView* tree : {UnitTree, ClassTree, HieraTree}) tree->SetNode0(nullptr).reset();
    for (QLabel* panel : panels_) panel->clear();
    lists_->Build(Registry, files);

    const auto root = [this]<class T>(T* node, const char* caption, int32_t image) {
        node->SetLists(lists_.get());
        node->SetID(0);
        node->SetRecordID(0);
        node->SetText(caption);
        node->ImageIndex = image;
        node->SelectedIndex = image;
    };
    auto units = std::make_unique<TDomainNode>();
    root(units.get(), "Root", ptiDomain);
    UnitTree->SetNode0(std::move(units));
    auto classes = std::make_unique<TDomainNode>();
    root(classes.get(), "Root", ptiDomain);
    classes->ClassDomains = true;
    ClassTree->SetNode0(std::move(classes));
    auto hierarchy = std::make_unique<TClassNode>();
    root(hierarchy.get(), "**", ptiClass);
    hierarchy->Hierarchy = true;
    HieraTree->SetNode0(std::move(hierarchy));
}

void TProjectTreeForm::UnitTreeChange(T__GeneralTreeView*, TGeneralNode* Node) {
    std::string kind, file;
    if (dynamic_cast<TDomainNode*>(Node)) {
        kind = "Domain";
    } else if (auto* module = dynamic_cast<TModuleNode*>(Node)) {
        kind = "Unit";
        file = module->GetFileName();
    } else if (auto* c = dynamic_cast<TClassNode*>(Node)) {
        kind = "Class";
        file = c->GetFileName();
    }
    panels_[0]->setText(QString::fromStdString(kind));
    panels_[1]->setText(QString::fromStdString(file));
}

std::string TProjectTreeForm::GetStatusText(int Panel) const {
    if (Panel < 0 || Panel > 1) throw ERangeError("Status panel " + IntToStr(Panel) + " out of range");
    return panels_[Panel]->text().toStdString();
}

// ---- the window of the package -----------------------------------------------------------------

void ShowProjectTree(TIToolServices& Tools, TForth& Forth, const TMemIni& Registry) {
    if (!ProjectTreeForm) {
        auto form = std::make_unique<TProjectTreeForm>();
        form->ToolServices = &Tools;
        form->Forth = &Forth;
        form->BuildProjectTreeByClassesRegistry(Registry);
        Holder().Form = std::move(form);
        ProjectTreeForm = Holder().Form.get();
        // Without the SourceSafe package the word is not found: the window
        // shows all the same.
        try {
            Forth.ExecWord("StartupSourceSafeTree");
        } catch (const std::exception& e) {
            Forth.ClearStack();
            Q(e.what());
        }
    }
    ProjectTreeForm->show();
    ProjectTreeForm->raise();
    ProjectTreeForm->activateWindow();
}

void FreeProjectTreeForm() { Holder().Form.reset(); }

}  // namespace velt
