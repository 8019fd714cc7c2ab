#include "platform/ui/InheritanceWizardForm.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "foundation/Dialogs.h"
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

    timer_ = new QTimer(this);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &TInheritanceWizardForm::FeedOne);
    VirtualView->setFocus();
}

TInheritanceWizardForm::~TInheritanceWizardForm() { feed_ = nullptr; }

void TInheritanceWizardForm::SetClassName(const std::string& className) {
    setWindowTitle(QStringLiteral("Inheritance Wizard of ") + QString::fromStdString(className));
}

void TInheritanceWizardForm::Feed(TInheritanceFeed& feed) {
    feed_ = &feed;
    timer_->start();
}

bool TInheritanceWizardForm::Feeding() const { return feed_ != nullptr; }

void TInheritanceWizardForm::FeedOne() {
    // A load that turns the event loop must not start another one.
    if (!feed_ || inFeed_) return;
    inFeed_ = true;
    std::vector<TWizardRow> rows;
    bool more = false;
    try {
        more = feed_->Next(rows);
    } catch (...) {
        // An exception must not cross the event loop: the feed is done.
        more = false;
    }
    inFeed_ = false;
    // The rows keep their places even when the form closed meanwhile.
    for (const TWizardRow& row : rows) AddRow(row);
    if (!more || !feed_) {
        timer_->stop();
        feed_ = nullptr;
    }
}

void TInheritanceWizardForm::AddRow(const TWizardRow& row) {
    auto* item = new QTreeWidgetItem(VirtualView, {QString::fromStdString(row.Caption), QString::fromStdString(row.Header)});
    item->setIcon(0, RowIcon(row.Image));
    item->setData(0, Qt::UserRole, rows_++);
    if (row.Kind == 0) item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
}

std::vector<int> TInheritanceWizardForm::SelectedRows() const {
    std::vector<int> r;
    for (int i = 0; i < VirtualView->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = VirtualView->topLevelItem(i);
        if (item->isSelected()) r.push_back(item->data(0, Qt::UserRole).toInt());
    }
    return r;
}

void TInheritanceWizardForm::done(int result) {
    // Closed: the walk is not asked again.
    timer_->stop();
    feed_ = nullptr;
    QDialog::done(result == mrOk ? mrOk : mrCancel);
}

// --- TQtInheritanceWizardPort ---

TQtInheritanceWizardPort::TQtInheritanceWizardPort(QWidget* parent) : parent_(parent) {}

bool TQtInheritanceWizardPort::Execute(const std::string& className, TInheritanceFeed& feed,
                                       std::vector<int>& selected) {
    TInheritanceWizardForm form(parent_ ? parent_.data() : QApplication::activeWindow());
    form.SetClassName(className);
    form.Feed(feed);
    if (RunDialog(form) != mrOk) return false;
    selected = form.SelectedRows();
    return true;
}

}  // namespace velt
