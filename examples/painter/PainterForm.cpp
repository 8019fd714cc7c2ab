#include "examples/painter/PainterForm.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>
#include <cctype>

#include "examples/painter/BoxLink.h"
#include "foundation/SysUtils.h"
#include "painter/EdtPaint.h"
#include "platform/ui/ComponentPalette.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/ShortCut.h"

namespace velt {

namespace {

constexpr char kFilter[] = "Drawings (*.grt *.grf);;Text form (*.grt);;Binary root file (*.grf)";

}  // namespace

TPainterForm::TPainterForm() {
    setObjectName(QStringLiteral("PainterForm"));
    RegisterPainterExampleClasses();
    std::unique_ptr<QWidget> made = ComponentPalette().CreateComponent("TEditGraphPanel");
    panel_ = qobject_cast<TEditGraphPanel*>(made.get());
    if (!panel_) throw Exception("TEditGraphPanel is not an editing panel");
    made.release()->setParent(this);
    panel_->setObjectName(QStringLiteral("EditGraphPanel1"));
    setCentralWidget(panel_);
    TEditGraphPaint* canvas = Canvas();
    canvas->SetMeasureType(mtMMt);
    canvas->SetMeasureShow(mtMMt);
    canvas->Step().SetEnabled(true);
    canvas->Step().SetValue(5);
    canvas->Grid().SetEnabled(true);
    canvas->Grid().SetValue(10);
    canvas->Rullers().SetWorkArea(TSRect{-50, -50, 400, 300});
    canvas->SetView(TSPoint{-10, -10}, TPoint{0, 0}, 0, 3);
    canvas->OnRealMouseDown = [this](TGraphPaint*, TMouseButton button, TShiftState, float x, float y) {
        if (button == mbLeft && tool_ != ptSelect) ToolPress(x, y);
    };
    BuildMenus();
    New();
    resize(900, 640);
}

TPainterForm::~TPainterForm() {
    // The canvas lets its root go before the root is released.
    delete panel_.data();
}

TEditGraphPaint* TPainterForm::Canvas() const { return panel_ ? panel_->Box() : nullptr; }

QAction* TPainterForm::Action(const QString& name) const { return findChild<QAction*>(name); }

void TPainterForm::BuildMenus() {
    const auto add = [this](QMenu* menu, const QString& name, const QString& text, TShortCut key, auto&& run) {
        auto* a = new QAction(key ? text + QLatin1Char('\t') + QString::fromStdString(ShortCutToText(key)) : text, this);
        a->setObjectName(name);
        if (key) a->setShortcut(ShortCutToKeySequence(key));
        connect(a, &QAction::triggered, this, [run] { CallReporting(run); });
        menu->addAction(a);
        return a;
    };
    const auto panelCommand = [this, add](QMenu* menu, const QString& name, const QString& text, TPanelCommand c) {
        add(menu, name, text, TEditGraphPanel::KeyOf(c), [this, c] {
            if (panel_) panel_->Execute(c);
        });
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    add(file, "FileNew", "&New", 0, [this] { NewClick(); });
    add(file, "FileOpen", "&Open …", ShortCut(0x72, 0), [this] { OpenClick(); });  // F3
    add(file, "FileSave", "&Save", ShortCut(0x71, 0), [this] { SaveClick(); });    // F2
    add(file, "FileSaveAs", "Save &As …", 0, [this] { SaveAsClick(); });
    file->addSeparator();
    add(file, "FileExit", "E&xit", 0, [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    panelCommand(edit, "EditCut", "Cu&t", pcCut);
    panelCommand(edit, "EditCopy", "&Copy", pcCopy);
    panelCommand(edit, "EditPaste", "&Paste", pcPaste);
    panelCommand(edit, "EditDelete", "&Delete", pcDelete);
    edit->addSeparator();
    panelCommand(edit, "EditSelectAll", "Select &All", pcSelectAll);
    panelCommand(edit, "EditSelectParent", "Select Pa&rent", pcSelectParent);
    edit->addSeparator();
    panelCommand(edit, "EditBringToFront", "Bring to &Front", pcBringToFront);
    panelCommand(edit, "EditSendToBack", "Send to &Back", pcSendToBack);
    edit->addSeparator();
    add(edit, "EditProperties", "Властивості", 0, [this] {
        if (TEditGraphPaint* c = Canvas()) c->PropertiesClick();
    });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    panelCommand(view, "ViewZoomIn", "Zoom &In", pcZoomIn);
    panelCommand(view, "ViewZoomOut", "Zoom &Out", pcZoomOut);
    panelCommand(view, "ViewZoomAll", "Zoom &All", pcZoomAll);
    panelCommand(view, "ViewRepaint", "&Repaint", pcRepaint);
    view->addSeparator();
    add(view, "ViewSetup", "Setup …", 0, [this] {
        if (TEditGraphPaint* c = Canvas()) c->SetupDlg();
    });

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    QToolBar* bar = addToolBar(QStringLiteral("Tools"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    tools_ = new QActionGroup(this);
    const struct {
        const char* Name;
        const char* Text;
        TPainterTool Tool;
    } kTools[] = {{"ToolSelect", "Select", ptSelect}, {"ToolBox", "Box", ptBox}, {"ToolLink", "Link", ptLink}};
    for (const auto& t : kTools) {
        auto* a = new QAction(QString::fromUtf8(t.Text), tools_);
        a->setObjectName(QString::fromUtf8(t.Name));
        a->setCheckable(true);
        a->setChecked(t.Tool == tool_);
        const TPainterTool tool = t.Tool;
        connect(a, &QAction::triggered, this, [this, tool] { SetTool(tool); });
        tools->addAction(a);
        bar->addAction(a);
    }
}

void TPainterForm::SetTool(TPainterTool tool) {
    tool_ = tool;
    static const char* const kNames[] = {"ToolSelect", "ToolBox", "ToolLink"};
    if (QAction* a = Action(QString::fromUtf8(kNames[tool]))) a->setChecked(true);
}

std::string TPainterForm::NewName(const std::string& prefix) const {
    for (int n = 1;; ++n) {
        const std::string name = prefix + std::to_string(n);
        if (!root_ || !root_->FindComponent(name)) return name;
    }
}

void TPainterForm::ToolPress(float x, float y) {
    TEditGraphPaint* canvas = Canvas();
    if (!canvas || !root_ || canvas->WorkMode() != wmNone) return;
    TGrfEditComp* comp = nullptr;
    if (tool_ == ptBox) {
        comp = TVerUdov::New<TGrfBox>(root_.get());
        comp->Name = NewName("Box");
    } else {
        comp = TVerUdov::New<TGrfLink>(root_.get());
        comp->Name = NewName("Link");
    }
    canvas->UpdateLists(0);
    try {
        canvas->BeginDrawComp(*comp, TSPoint{x, y});
    } catch (...) {
        canvas->SelectAll(false);
        Release(comp);
        canvas->UpdateLists(0);
        throw;
    }
}

void TPainterForm::ShowRoot(TVerUdovPtr<TGrfRootComp> root, const std::string& fileName) {
    TEditGraphPaint* canvas = Canvas();
    canvas->SetMainRoot(root.get());
    // The canvas holds the new root; the old one goes now.
    std::swap(root_, root);
    root.reset();
    fileName_ = fileName;
    canvas->UpdateLists(0);
    canvas->Invalidate();
    KeepStoredForm();
    UpdateTitle();
}

void TPainterForm::New() { ShowRoot(TVerUdov::NewRoot<TGrfRootComp>(), ""); }

void TPainterForm::OpenFile(const std::string& fileName) { ShowRoot(LoadDrawing(fileName), fileName); }

void TPainterForm::SaveFile(const std::string& fileName) {
    if (!root_) return;
    SaveDrawing(*root_, fileName);
    fileName_ = fileName;
    KeepStoredForm();
    UpdateTitle();
}

std::string TPainterForm::StoredForm() const {
    if (!root_) return std::string();
    try {
        TMemoryStream m;
        TTextWriter writer(m);
        writer.WriteComp(root_.get());
        return std::string(static_cast<const char*>(m.Memory()), size_t(m.GetSize()));
    } catch (const std::exception&) {
        // A drawing that cannot be written is not the one kept.
        return std::string();
    }
}

void TPainterForm::KeepStoredForm() { keptForm_ = StoredForm(); }

bool TPainterForm::Changed() const {
    const std::string now = StoredForm();
    return now.empty() || now != keptForm_;
}

bool TPainterForm::QuerySave() {
    // A gesture still running belongs to the drawing asked about.
    if (TEditGraphPaint* c = Canvas(); c && c->WorkMode() == wmDraw) c->EndMove();
    if (!Changed()) return true;
    const QString name = fileName_.empty() ? QStringLiteral("Untitled") : QString::fromStdString(fileName_);
    QMessageBox box(QMessageBox::Question, QStringLiteral("velt-painter"),
                    QStringLiteral("Save changes to %1?").arg(name),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    const int result = RunDialog(box);
    QAbstractButton* clicked = box.clickedButton();
    const auto answered = [&](QMessageBox::StandardButton b) { return clicked ? clicked == box.button(b) : result == b; };
    if (answered(QMessageBox::No)) return true;
    if (!answered(QMessageBox::Yes)) return false;
    try {
        SaveClick();
    } catch (...) {
        ReportCurrentException();
        return false;
    }
    // Save As may have been cancelled.
    return !Changed();
}

void TPainterForm::closeEvent(QCloseEvent* event) {
    bool go = false;
    CallReporting([&] { go = QuerySave(); });
    if (go) event->accept();
    else event->ignore();
}

void TPainterForm::NewClick() {
    if (QuerySave()) New();
}

void TPainterForm::OpenClick() {
    if (!QuerySave()) return;
    QFileDialog dialog(this, QStringLiteral("Open"), QString(), QString::fromUtf8(kFilter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (RunDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    OpenFile(dialog.selectedFiles().first().toStdString());
}

void TPainterForm::SaveClick() {
    if (fileName_.empty()) SaveAsClick();
    else SaveFile(fileName_);
}

void TPainterForm::SaveAsClick() {
    QFileDialog dialog(this, QStringLiteral("Save As"), QString::fromStdString(fileName_), QString::fromUtf8(kFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("grt"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (RunDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    SaveFile(dialog.selectedFiles().first().toStdString());
}

void TPainterForm::UpdateTitle() {
    const QString name = fileName_.empty() ? QStringLiteral("Untitled") : QString::fromStdString(fileName_);
    setWindowTitle(name + QStringLiteral(" - velt-painter"));
}

}  // namespace velt
