#include "platform/ui/QtDialogs.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/ui/DialogRunner.h"
#include "platform/ui/Font.h"
#include "platform/ui/QtMessageSink.h"

namespace velt {

namespace {

QString QStr(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// --- TRefreshHeaderForm ---

TRefreshHeaderForm::TRefreshHeaderForm(QWidget* parent) : QDialog(parent) {
    setObjectName("RefreshHeaderForm");

    auto headerGroup = [this](const char* title, const char* groupName, const char* labelName, QLabel*& label) {
        auto* group = new QGroupBox(QString::fromUtf8(title), this);
        group->setObjectName(groupName);
        label = new QLabel(group);
        label->setObjectName(labelName);
        // Headers are source text: no markup, no mnemonics.
        label->setTextFormat(Qt::PlainText);
        auto* layout = new QVBoxLayout(group);
        layout->addWidget(label);
        group->installEventFilter(this);
        label->installEventFilter(this);
        return group;
    };
    IntfGroup = headerGroup("&Interface Header", "IntfGroup", "laIntf", laIntf);
    ImplGroup = headerGroup("I&mplementation Header", "ImplGroup", "laImpl", laImpl);

    IntfButton = new QPushButton(QStringLiteral("Refresh Intrf "), this);
    IntfButton->setObjectName("IntfButton");
    ImplButton = new QPushButton(QStringLiteral("Refresh Impl "), this);
    ImplButton->setObjectName("ImplButton");
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName("CancelButton");
    connect(IntfButton, &QPushButton::clicked, this, [this] { done(RefreshIntf); });
    connect(ImplButton, &QPushButton::clicked, this, [this] { done(RefreshImpl); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { done(Cancelled); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(IntfButton);
    buttons->addWidget(ImplButton);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(IntfGroup);
    layout->addWidget(ImplGroup);
    layout->addLayout(buttons);
}

void TRefreshHeaderForm::SetHeaders(const std::string& className, const std::string& method,
                                    const std::string& intfHeader, const std::string& implHeader, bool intfDefault) {
    setWindowTitle(QStringLiteral("Confirm Refresh Header of ") + QStr(className) + QStringLiteral("::") + QStr(method));
    laIntf->setText(QStr(intfHeader));
    laImpl->setText(QStr(implHeader));
    QPushButton* def = intfDefault ? IntfButton : ImplButton;
    QPushButton* other = intfDefault ? ImplButton : IntfButton;
    other->setDefault(false);
    def->setDefault(true);
    // A focused push button takes Enter itself, so the default one starts focused.
    def->setFocus();
}

void TRefreshHeaderForm::reject() { done(Cancelled); }

bool TRefreshHeaderForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        auto* w = qobject_cast<QWidget*>(watched);
        if (me->button() == Qt::LeftButton && w && w->rect().contains(me->position().toPoint())) {
            // The clicked header is the right one: the other side is rewritten.
            if (watched == IntfGroup || watched == laIntf) {
                done(RefreshImpl);
                return true;
            }
            if (watched == ImplGroup || watched == laImpl) {
                done(RefreshIntf);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- TFCTForm ---

TFCTForm::TFCTForm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("FCTForm");
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    setFont(FixedPitchFont(font));

    TemplatesList = new QTreeWidget(this);
    TemplatesList->setObjectName("TemplatesList");
    TemplatesList->setColumnCount(2);
    TemplatesList->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Description")});
    TemplatesList->setColumnWidth(0, 100);
    TemplatesList->setColumnWidth(1, 250);
    TemplatesList->header()->setStretchLastSection(false);
    TemplatesList->setRootIsDecorated(false);
    TemplatesList->setItemsExpandable(false);
    TemplatesList->setSortingEnabled(false);
    TemplatesList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TemplatesList->setSelectionMode(QAbstractItemView::SingleSelection);
    TemplatesList->setSelectionBehavior(QAbstractItemView::SelectRows);
    TemplatesList->setAllColumnsShowFocus(true);
    connect(TemplatesList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        TemplatesList->setCurrentItem(item);
        accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TemplatesList);
    resize(100 + 250 + 24, 240);
    TemplatesList->setFocus();
}

void TFCTForm::SetItems(const std::vector<TTemplateItem>& items) {
    TemplatesList->clear();
    for (size_t i = 0; i < items.size(); ++i) {
        auto* item = new QTreeWidgetItem(TemplatesList, {QStr(items[i].Name), QStr(items[i].Description)});
        item->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
    }
    if (QTreeWidgetItem* first = TemplatesList->topLevelItem(0)) TemplatesList->setCurrentItem(first);
}

int TFCTForm::ChosenIndex() const {
    const QList<QTreeWidgetItem*> selected = TemplatesList->selectedItems();
    if (selected.isEmpty()) return -1;
    return static_cast<int>(selected.first()->data(0, Qt::UserRole).toULongLong());
}

void TFCTForm::keyPressEvent(QKeyEvent* event) {
    // The list passes Enter on to its form.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFCTForm::done(int result) {
    closing_ = true;
    QDialog::done(result);
}

void TFCTForm::showEvent(QShowEvent* event) {
    closing_ = false;
    QDialog::showEvent(event);
    // The chooser is typed at at once, wherever the focus was.
    activateWindow();
    TemplatesList->setFocus();
}

void TFCTForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Leaving the form cancels it. Hiding deactivates the form too, while it
    // is still marked visible: a form already closing keeps its result.
    if (event->type() == QEvent::ActivationChange && !closing_ && isVisible() && !isActiveWindow()) reject();
}

// --- placement ---

QPoint TemplateChooserPlace() {
    QPoint at = QCursor::pos();
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus->testAttribute(Qt::WA_InputMethodEnabled)) {
        const QVariant caret = focus->inputMethodQuery(Qt::ImCursorRectangle);
        if (caret.isValid()) at = focus->mapToGlobal(caret.toRect().topLeft());
    }
    return at + QPoint(0, 150);
}

// --- TQtDialogPort ---

TQtDialogPort::TQtDialogPort(QWidget* parent) : parent_(parent) {}

QWidget* TQtDialogPort::Owner() const { return parent_ ? parent_.data() : QApplication::activeWindow(); }

bool TQtDialogPort::Confirm(const std::string& text) {
    return AskYesNo(QStringLiteral("Confirm"), QStr(text), Owner());
}

bool TQtDialogPort::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
    QInputDialog dialog(Owner());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(QStr(caption));
    dialog.setLabelText(QStr(prompt));
    dialog.setTextValue(QStr(value));
    if (RunDialog(dialog) != QDialog::Accepted) return false;
    value = dialog.textValue().toStdString();
    return true;
}

int TQtDialogPort::RefreshHeader(const std::string& className, const std::string& method,
                                 const std::string& intfHeader, const std::string& implHeader, bool intfDefault) {
    TRefreshHeaderForm form(Owner());
    form.SetHeaders(className, method, intfHeader, implHeader, intfDefault);
    const int r = RunDialog(form);
    return r == TRefreshHeaderForm::RefreshIntf || r == TRefreshHeaderForm::RefreshImpl ? r
                                                                                         : TRefreshHeaderForm::Cancelled;
}

int TQtDialogPort::ChooseTemplate(const std::vector<TTemplateItem>& items) {
    const QPoint at = TemplateChooserPlace();
    TFCTForm form(Owner());
    form.SetItems(items);
    form.move(at);
    return RunDialog(form) == QDialog::Accepted ? form.ChosenIndex() : -1;
}

}  // namespace velt
