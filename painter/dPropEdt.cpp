#include "painter/dPropEdt.h"

#include <QGuiApplication>
#include <algorithm>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLayout>
#include <QScreen>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "foundation/SysUtils.h"
#include "painter/GrfPaint.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ExceptionReporter.h"
#include "treeview/MenuList.h"

namespace velt {

namespace {

constexpr int kModalOk = 1;
constexpr int kModalCancel = 2;
constexpr int kPCMargin = 6;
constexpr int kStripHeight = 32;

// What the editor remembers between runs.
struct TRemembered {
    QString pageName;
    int left = 0;
    int top = 0;
};

TRemembered& Remembered() {
    static TRemembered r;
    return r;
}

// The tab widget a sheet is a page of, or null.
QTabWidget* TabWidgetOf(QWidget* sheet) {
    auto* stack = qobject_cast<QStackedWidget*>(sheet->parentWidget());
    if (!stack) return nullptr;
    auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
    return tabs && tabs->indexOf(sheet) >= 0 ? tabs : nullptr;
}

// True when nothing between w and dialog is another form or tab widget: a
// tab widget of a page or of an embedded form keeps its pages.
bool DirectlyIn(QWidget* w, QDialog* dialog) {
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        if (p == dialog) return true;
        if (qobject_cast<QDialog*>(p) || qobject_cast<QTabWidget*>(p)) return false;
    }
    return false;
}

// The size the sheet's controls need: their extent, with as much room
// after them as before, or the sheet's own minimum when larger.
QSize ContentSize(QWidget* sheet) {
    QSize need = sheet->minimumSizeHint().expandedTo(sheet->minimumSize());
    const QRect r = sheet->childrenRect();
    if (!r.isNull()) need = need.expandedTo(QSize(r.right() + 1 + r.left(), r.bottom() + 1 + r.top()));
    return need;
}

std::vector<ComPtr<IPropertyEdit>> EditorsOf(IIntfList* list) {
    std::vector<ComPtr<IPropertyEdit>> editors;
    const int count = list ? list->GetCount() : 0;
    editors.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        ComPtr<IUnknown> item = list->GetItems(i);
        ComPtr<IPropertyEdit> edit = ComQuery<IPropertyEdit>(item.get());
        if (!edit) throw EIntfCastError("Interface not supported");
        editors.push_back(std::move(edit));
    }
    return editors;
}

}  // namespace

TPropEditor::TPropEditor(QWidget* parent) : QDialog(parent) {
    setObjectName("PropEditor");
    setWindowTitle(QString::fromUtf8("Властивості"));
    setProperty(kTagProperty, 0);

    dlgOwner_ = new QWidget(this);
    dlgOwner_->setObjectName("DlgOwner");
    dlgOwner_->hide();

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    auto* around = new QVBoxLayout(Panel1);
    around->setContentsMargins(kPCMargin, kPCMargin, kPCMargin, kPCMargin);
    PC = new QTabWidget(Panel1);
    PC->setObjectName("PC");
    around->addWidget(PC);
    main->addWidget(Panel1, 1);

    Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    Panel2->setFixedHeight(kStripHeight);
    auto* strip = new QHBoxLayout(Panel2);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->addStretch(1);
    Panel3 = new QWidget(Panel2);
    Panel3->setObjectName("Panel3");
    auto* buttons = new QHBoxLayout(Panel3);
    buttons->setContentsMargins(4, 3, 6, 4);
    buttons->setSpacing(6);
    auto button = [&](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromUtf8(text), Panel3);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    BtnOk = button("BtnOk", "Ok");
    BtnCancel = button("BtnCancel", "Cancel");
    BtnApply = button("BtnApply", "> &A >");
    BtnOk->setDefault(true);
    strip->addWidget(Panel3);
    main->addWidget(Panel2);

    for (QObject* o : findChildren<QObject*>()) o->setProperty(kTagProperty, 0);

    connect(BtnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { done(kModalCancel); });
    connect(BtnApply, &QPushButton::clicked, this, [this] { CallReporting([&] { BtnApplyClick(); }); });

    // A dialog frame: the user does not size it; pages added grow it.
    setFixedSize(250, 125);
    FormCreate();
    if (QScreen* s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
}

TPropEditor::~TPropEditor() {
    // The moved pages call their dialogs' handlers: they go first.
    while (PC->count() > 0) delete PC->widget(0);
}

void TPropEditor::SetList(IIntfList* list) { list_ = ComPtr<IIntfList>(list); }

void TPropEditor::SetPainter(IPainter* painter) { painter_ = ComPtr<IPainter>(painter); }

void TPropEditor::FormCreate() { addPages_ = true; }

bool TPropEditor::Execute() {
    const std::vector<ComPtr<IPropertyEdit>> editors = EditorsOf(list_.get());
    {
        executing_ = true;
        struct TClear {
            bool& flag;
            ~TClear() { flag = false; }
        } clear{executing_};
        for (const auto& e : editors) e->SetupSheet(*this);
    }
    BeginEdit();
    if (PC->count() == 0) return false;
    appliedOnOk_ = false;
    if (RunDialog(*this) != kModalOk) return false;
    if (!appliedOnOk_) Apply(true);
    return true;
}

void TPropEditor::BtnOkClick() {
    // Values an object refuses are reported while the editor is still open,
    // so the user keeps what was typed and may correct it.
    if (!CallReporting([&] { Apply(true); })) return;
    appliedOnOk_ = true;
    done(kModalOk);
}

QDialog* TPropEditor::FindDlg(const std::type_info& type) const {
    for (const QPointer<QDialog>& d : dialogs_)
        if (d && typeid(*d) == type) return d.data();
    return nullptr;
}

QDialog* TPropEditor::AddDlg(std::unique_ptr<QDialog> dialog) {
    if (!dialog) throw EListError("No dialog to add");
    QDialog* d = dialog.get();
    d->setParent(dlgOwner_, d->windowFlags() | Qt::Dialog);
    dialog.release();  // held by the dialog owner from here
    dialogs_.emplace_back(d);
    if (addPages_) {
        std::vector<QTabWidget*> own;
        for (QTabWidget* t : d->findChildren<QTabWidget*>())
            if (DirectlyIn(t, d)) own.push_back(t);
        for (QTabWidget* t : own)
            while (t->count() > 0) AddPage(t->widget(0));
    }
    return d;
}

void TPropEditor::AddPage(QWidget* sheet) {
    if (!sheet) return;
    QString text = sheet->windowTitle();
    if (QTabWidget* from = TabWidgetOf(sheet)) {
        const int at = from->indexOf(sheet);
        text = from->tabText(at);
        from->removeTab(at);
    }
    // The page keeps the room its content needs; PC's minimum is then that
    // plus its tabs and frame, and the editor adds PC's margins and the
    // button strip.
    sheet->setMinimumSize(ContentSize(sheet));
    PC->addTab(sheet, text);
    const QSize pc = PC->minimumSizeHint();
    const QSize need(std::max(pc.width() + 2 * kPCMargin, Panel3->minimumSizeHint().width()),
                     pc.height() + 2 * kPCMargin + kStripHeight);
    const QSize grown = size().expandedTo(need);
    if (grown != size()) setFixedSize(grown);
}

void TPropEditor::AddControl(QWidget* parent, QWidget* control) {
    if (!control) return;
    const bool shown = !control->isHidden();
    control->setParent(parent);
    if (shown) control->show();
}

QDialog* TPropEditor::GetD(int index) const {
    if (index < 0 || index >= GetDCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return dialogs_[size_t(index)].data();
}

int TPropEditor::GetDCount() const { return int(dialogs_.size()); }

void TPropEditor::BeginEdit() {
    setProperty(kTagProperty, 0);
    for (QObject* o : findChildren<QObject*>()) o->setProperty(kTagProperty, 0);
}

bool TPropEditor::Check(const QObject* component) {
    return component && component->property(kTagProperty).toInt() > 0;
}

void TPropEditor::Apply(bool full) {
    if (executing_) return;
    const std::vector<ComPtr<IPropertyEdit>> editors = EditorsOf(list_.get());
    for (size_t i = 0; i < editors.size(); ++i) {
        if (full)
            for (const QPointer<QDialog>& d : dialogs_)
                if (d) editors[i]->ApplyData(*d);
        if (!painter_) continue;
        ComPtr<IUnknown> item = list_->GetItems(int(i));
        if (ComPtr<IGraphView> view = ComQuery<IGraphView>(item.get())) view->Invalidate(painter_->Box());
    }
}

void TPropEditor::BtnApplyClick() { Apply(true); }

void TPropEditor::ControlChange(QObject*) { BtnApply->setEnabled(false); }

void TPropEditor::Setup() {}

void TPropEditor::FormShow() {
    const TRemembered& r = Remembered();
    for (int i = 0; i < PC->count() && !r.pageName.isEmpty(); ++i)
        if (PC->widget(i)->objectName() == r.pageName) {
            PC->setCurrentIndex(i);
            break;
        }
    if (r.left >= 1) move(r.left, r.top);
}

void TPropEditor::FormHide() {
    TRemembered& r = Remembered();
    QWidget* page = PC->currentWidget();
    r.pageName = page ? page->objectName() : QString();
    r.left = x();
    r.top = y();
}

void TPropEditor::reject() { done(kModalCancel); }

void TPropEditor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TPropEditor::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) FormHide();
    QDialog::hideEvent(event);
}

std::unique_ptr<TPropEditor> CraatePropEditor(IIntfList* list) {
    auto editor = std::make_unique<TPropEditor>();
    editor->SetList(list);
    return editor;
}

void FreePropEditor(std::unique_ptr<TPropEditor>& editor) { editor.reset(); }

std::string PropEditorPageName() { return Remembered().pageName.toStdString(); }

void PropEditorShutdown() { Remembered().pageName.clear(); }

}  // namespace velt
