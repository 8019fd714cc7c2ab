#include "platform/ui/InheritanceWizardForm.h"

#include <QApplication>
#include <QBrush>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "foundation/Dialogs.h"
#include "foundation/Utils.h"
#include "platform/ui/DialogRunner.h"

namespace velt {

namespace {

// The images of the rows: the member's scope (private, protected, public,
// published), then the ancestor heading.
QIcon RowIcon(int image) {
    static const QColor colours[] = {QColor(200, 60, 60), QColor(220, 160, 40), QColor(60, 160, 80),
                                     QColor(60, 110, 200), QColor(110, 110, 110)};
    const int i = image >= 0 && image < 5 ? image : 4;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(colours[i].darker(150));
    p.setBrush(colours[i]);
    if (i == 4)
        p.drawRect(2, 3, 11, 9);  // a class
    else
        p.drawEllipse(3, 3, 9, 9);
    return QIcon(pixmap);
}

// The built-in queue of marshalled calls, served from the Qt event loop:
// each call queued posts a turn of the queue to the main thread, so any
// loop that runs there (the modal dialog's among them) serves it.
class TQtSyncQueue : public TSyncQueue {
protected:
    void Queued() override {
        QMetaObject::invokeMethod(&context_, [this] { CheckSynchronize(0); }, Qt::QueuedConnection);
    }

private:
    QObject context_;  // in the main thread; its posted turns go with it
};

// Installs q for the lifetime of the guard unless the host serves the
// marshalled calls itself.
class TQueueGuard {
public:
    explicit TQueueGuard(TMainThreadDispatcher& q) : installed_(&MainThreadDispatcher() == &BuiltInSyncQueue()) {
        if (installed_) SetMainThreadDispatcher(&q);
    }
    ~TQueueGuard() {
        if (installed_) SetMainThreadDispatcher(nullptr);
    }
    TQueueGuard(const TQueueGuard&) = delete;
    TQueueGuard& operator=(const TQueueGuard&) = delete;

private:
    bool installed_;
};

// Waits for the worker however the port is left.
class TCloseGuard {
public:
    explicit TCloseGuard(TInheritanceSession& s) : s_(s) {}
    ~TCloseGuard() { s_.Close(); }
    TCloseGuard(const TCloseGuard&) = delete;
    TCloseGuard& operator=(const TCloseGuard&) = delete;

private:
    TInheritanceSession& s_;
};

}  // namespace

TInheritanceWizardForm::TInheritanceWizardForm(QWidget* parent) : QDialog(parent) {
    setObjectName("InheritanceWizardForm");

    VirtualView = new QTreeWidget(this);
    VirtualView->setObjectName("VirtualView");
    VirtualView->setColumnCount(2);
    VirtualView->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Header")});
    VirtualView->setColumnWidth(0, 200);
    VirtualView->setColumnWidth(1, 400);
    VirtualView->header()->setStretchLastSection(false);
    VirtualView->setRootIsDecorated(false);
    VirtualView->setItemsExpandable(false);
    VirtualView->setSortingEnabled(false);
    VirtualView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    VirtualView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    VirtualView->setSelectionBehavior(QAbstractItemView::SelectRows);
    VirtualView->setAllColumnsShowFocus(true);

    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName("CancelButton");
    HelpButton = new QPushButton(QStringLiteral("&Help"), this);
    HelpButton->setObjectName("HelpButton");
    connect(OKButton, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { done(mrCancel); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(VirtualView);
    layout->addLayout(buttons);
    resize(200 + 400 + 40, 400);
    VirtualView->setFocus();
}

TInheritanceWizardForm::~TInheritanceWizardForm() { StopWalk(); }

void TInheritanceWizardForm::SetClassName(const std::string& className) {
    setWindowTitle(QStringLiteral("Inheritance Wizard of ") + QString::fromStdString(className));
}

void TInheritanceWizardForm::Walk(TInheritanceSession& session) {
    session_ = &session;
    feeding_ = true;
    session.Start(*this);
}

bool TInheritanceWizardForm::Feeding() const { return feeding_; }

void TInheritanceWizardForm::StopWalk() {
    // Never waits: the close may come from a loop turned inside a marshalled call.
    if (session_) session_->Stop();
    session_ = nullptr;
    feeding_ = false;
}

void TInheritanceWizardForm::AddRows(const std::vector<TWizardRow>& rows) {
    for (const TWizardRow& row : rows) {
        auto* item =
            new QTreeWidgetItem(VirtualView, {QString::fromStdString(row.Caption), QString::fromStdString(row.Header)});
        item->setIcon(0, RowIcon(row.Image));
        item->setData(0, Qt::UserRole, rows_++);
        if (row.Kind == 0) item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
    }
}

void TInheritanceWizardForm::WalkEnded(const std::string& why) {
    feeding_ = false;
    if (why.empty()) return;
    // Why the list ends early, where the user looks for the missing members.
    auto* item = new QTreeWidgetItem(VirtualView, {QString::fromStdString(why)});
    item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
    item->setForeground(0, QBrush(Qt::gray));
    item->setFirstColumnSpanned(true);
}

std::vector<int> TInheritanceWizardForm::SelectedRows() const {
    std::vector<int> r;
    for (int i = 0; i < VirtualView->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = VirtualView->topLevelItem(i);
        const QVariant index = item->data(0, Qt::UserRole);
        if (item->isSelected() && index.isValid()) r.push_back(index.toInt());
    }
    return r;
}

void TInheritanceWizardForm::done(int result) {
    // Closed: the worker is told to stop and the list is fed no more.
    StopWalk();
    QDialog::done(result == mrOk ? mrOk : mrCancel);
}

// --- TQtInheritanceWizardPort ---

TQtInheritanceWizardPort::TQtInheritanceWizardPort(QWidget* parent) : parent_(parent) {}

bool TQtInheritanceWizardPort::Execute(const std::string& className, TInheritanceSession& session,
                                       std::vector<int>& selected) {
    TQtSyncQueue queue;
    TQueueGuard queueGuard(queue);
    TInheritanceWizardForm form(parent_ ? parent_.data() : QApplication::activeWindow());
    // Declared after the form: the worker has ended before the form goes.
    TCloseGuard closeGuard(session);
    form.SetClassName(className);
    form.Walk(session);
    const bool ok = RunDialog(form) == mrOk;
    session.Close();
    if (!ok) return false;
    selected = form.SelectedRows();
    return true;
}

}  // namespace velt
