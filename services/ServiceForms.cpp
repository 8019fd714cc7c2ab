#include "services/ServiceForms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "foundation/Dialogs.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ShortCut.h"

namespace velt {

namespace {

QString QStr(const std::string& s) { return QString::fromStdString(s); }

QGroupBox* RadioGroup(const QString& title, const QStringList& items, int checked, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(group);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], group);
        b->setChecked(i == checked);
        layout->addWidget(b);
    }
    return group;
}

// A group with a captioned file edit and its "Browse ..." button.
QGroupBox* FileGroup(const QString& title, const QString& label, QLineEdit*& edit, QPushButton*& browse,
                     const char* editName, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    edit = new QLineEdit(group);
    edit->setObjectName(editName);
    browse = new QPushButton(QStringLiteral("Browse ..."), group);
    auto* layout = new QGridLayout(group);
    layout->addWidget(new QLabel(label, group), 0, 0, 1, 2);
    layout->addWidget(edit, 1, 0);
    layout->addWidget(browse, 1, 1);
    return group;
}

}  // namespace

// --- TModalForm ---

void TModalForm::reject() { done(mrCancel); }

QPushButton* TModalForm::CloseButton(const QString& caption, int result, bool isDefault) {
    auto* b = new QPushButton(caption, this);
    b->setDefault(isDefault);
    b->setAutoDefault(isDefault);
    connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
    return b;
}

// --- TOptionsForm ---

TOptionsForm::TOptionsForm(QWidget* parent) : TModalForm(parent) {
    setObjectName("OptionsForm");
    setWindowTitle(QStringLiteral("VELT Services Options"));
    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TOptionsForm::OkClicked);
    CancelButton = CloseButton(QStringLiteral("&Cancel"), mrCancel, false);
    HelpButton = new QPushButton(QStringLiteral("&Help"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
}

void TOptionsForm::OkClicked() {
    Button1Click();
    done(mrOk);
}

// --- TSourceOptionsForm ---

TSourceOptionsForm::TSourceOptionsForm(QWidget* parent) : TOptionsForm(parent) {
    setObjectName("SourceOptionsForm");
    setWindowTitle(QStringLiteral("VELT Loom/2 Services Options"));

    auto* page = new QWidget(PageControl);
    auto* codeGen = new QGroupBox(QStringLiteral("Code generation"), page);
    auto box = [](const char* caption, const char* name, QWidget* parent) {
        auto* b = new QCheckBox(QString::fromUtf8(caption), parent);
        b->setObjectName(name);
        return b;
    };
    AutoRefreshHeader = box("Auto &Refresh Header", "AutoRefreshHeader", codeGen);
    ConfirmAutoCreate = box("Confirm Auto &Create", "ConfirmAutoCreate", codeGen);
    AdaNestingComments = box("&Ada nesting comments", "AdaNestingComments", codeGen);
    auto* codeLayout = new QVBoxLayout(codeGen);
    codeLayout->addWidget(AutoRefreshHeader);
    codeLayout->addWidget(ConfirmAutoCreate);
    codeLayout->addWidget(AdaNestingComments);
    CaseSensitive = box("Case Sensitive HyperJumps", "CaseSensitive", page);
    QGroupBox* files = FileGroup(QStringLiteral("Files :"), QStringLiteral("Classes registration file :"),
                                 edClassRegFileName, ClassRegBrowse, "edClassRegFileName", page);
    QGroupBox* forth = FileGroup(QStringLiteral("VELT Forth"), QStringLiteral("File :"), edCmdFileName, CmdFileBrowse,
                                 "edCmdFileName", page);
    connect(ClassRegBrowse, &QPushButton::clicked, this, [this] { Browse(edClassRegFileName); });
    connect(CmdFileBrowse, &QPushButton::clicked, this, [this] { Browse(edCmdFileName); });
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(codeGen);
    pageLayout->addWidget(CaseSensitive);
    pageLayout->addWidget(files);
    pageLayout->addWidget(forth);
    pageLayout->addStretch();
    PageControl->addTab(page, QStringLiteral("Loom/2 Services"));

    // Shown as it always was; nothing reads it.
    auto* doc = new QWidget(PageControl);
    auto* ctx = new QGroupBox(QStringLiteral("Context Prefix :"), doc);
    edCtxPrefix = new QLineEdit(QStringLiteral("krVCL"), ctx);
    edCtxPrefix->setObjectName("edCtxPrefix");
    (new QVBoxLayout(ctx))->addWidget(edCtxPrefix);
    auto* links = new QGroupBox(QStringLiteral("External Links"), doc);
    auto* linksLayout = new QGridLayout(links);
    linksLayout->addWidget(new QListWidget(links), 0, 0, 4, 1);
    linksLayout->addWidget(new QPushButton(QStringLiteral("&Add ..."), links), 0, 1);
    linksLayout->addWidget(new QPushButton(QStringLiteral("&Explore ..."), links), 1, 1);
    linksLayout->addWidget(new QPushButton(QStringLiteral("&Delete ..."), links), 2, 1);
    auto* docLayout = new QVBoxLayout(doc);
    docLayout->addWidget(RadioGroup(QStringLiteral("Topics Editor"),
                                    {QStringLiteral("Build-In VELT Topics Editor"), QStringLiteral("OLE 2.0 RTF Editor")},
                                    0, doc));
    docLayout->addWidget(RadioGroup(QStringLiteral("Documentation Style"),
                                    {QStringLiteral("Delphi 2.0"), QStringLiteral("Delphi 3.0")}, 1, doc));
    docLayout->addWidget(ctx);
    docLayout->addWidget(links);
    PageControl->addTab(doc, QStringLiteral("Documentation Services"));
}

void TSourceOptionsForm::Browse(QLineEdit* edit) {
    if (!OpenDialog) {
        OpenDialog = new QFileDialog(this, QStringLiteral("Open VELT Services Command File"));
        OpenDialog->setObjectName("OpenDialog");
        OpenDialog->setOption(QFileDialog::DontUseNativeDialog);
        OpenDialog->setFileMode(QFileDialog::ExistingFile);
        OpenDialog->setNameFilters({QStringLiteral("Forth files(*.4th)"), QStringLiteral("All files(*.*)")});
    }
    OpenDialog->selectFile(edit->text());
    if (RunDialog(*OpenDialog) == QDialog::Accepted && !OpenDialog->selectedFiles().isEmpty())
        edit->setText(OpenDialog->selectedFiles().first());
}

// --- T_OptionsForm ---

T_OptionsForm::T_OptionsForm(QWidget* parent) : TOptionsForm(parent) {
    setObjectName("_OptionsForm");
    auto* page = new QWidget(PageControl);
    auto* group = new QGroupBox(QStringLiteral("Hot Keys"), page);
    MenusView = new QTreeWidget(group);
    MenusView->setObjectName("MenusView");
    MenusView->setColumnCount(3);
    MenusView->setHeaderLabels({QStringLiteral("Caption"), QStringLiteral("Name"), QStringLiteral("HotKey")});
    MenusView->setColumnWidth(0, 150);
    MenusView->setColumnWidth(1, 4);
    MenusView->setColumnWidth(2, 100);
    MenusView->setRootIsDecorated(false);
    MenusView->setSelectionBehavior(QAbstractItemView::SelectRows);
    DeleteButton = new QPushButton(QStringLiteral("&Delete"), group);
    EditButton = new QPushButton(QStringLiteral("&Edit ..."), group);
    AddButton = new QPushButton(QStringLiteral("&Add ..."), group);
    connect(EditButton, &QPushButton::clicked, this, &T_OptionsForm::EditClick);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(DeleteButton);
    buttons->addWidget(EditButton);
    buttons->addWidget(AddButton);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(MenusView);
    layout->addLayout(buttons);
    (new QVBoxLayout(page))->addWidget(group);
    PageControl->addTab(page, QStringLiteral("Hotkeys"));
}

void T_OptionsForm::showEvent(QShowEvent* event) {
    FillRows();
    TOptionsForm::showEvent(event);
}

void T_OptionsForm::FillRows() {
    MenusView->clear();
    if (!MenusList) return;
    for (const ComPtr<TIMenuItemIntf>& item : *MenusList) {
        if (!item) continue;
        new QTreeWidgetItem(MenusView, {QStr(item->GetCaption()), QStr(item->GetName()),
                                        QStr(ShortCutToText(item->GetShortCut()))});
    }
    if (MenusView->topLevelItemCount() > 0) MenusView->setCurrentItem(MenusView->topLevelItem(0));
}

void T_OptionsForm::EditClick() {
    QTreeWidgetItem* row = MenusView->currentItem();
    if (!row) return;
    THotKeyEditForm editor(this);
    editor.setWindowTitle(editor.windowTitle() + QStringLiteral(" for item ") + row->text(0));
    editor.HotKey->SetHotKey(TextToShortCut(row->text(2).toStdString()));
    QString text = row->text(2);
    if (RunDialog(editor) == mrOk) text = QStr(ShortCutToText(editor.HotKey->HotKey()));
    row->setText(2, text);
}

void T_OptionsForm::Button1Click() {
    if (!MenusList) return;
    for (size_t i = 0; i < MenusList->size(); ++i) {
        QTreeWidgetItem* row = MenusView->topLevelItem(int(i));
        if (row && (*MenusList)[i]) (*MenusList)[i]->SetShortCut(TextToShortCut(row->text(2).toStdString()));
    }
}

// --- THotKey ---

THotKey::THotKey(QWidget* parent) : QLineEdit(parent) {
    setObjectName("HotKey");
    setReadOnly(true);
    setText(QStringLiteral("None"));
}

void THotKey::SetHotKey(TShortCut shortCut) {
    hotKey_ = shortCut;
    const std::string text = ShortCutToText(shortCut);
    setText(text.empty() ? QStringLiteral("None") : QStr(text));
}

void THotKey::keyPressEvent(QKeyEvent* event) {
    const TShortCut sc = KeyToShortCut(event->key(), event->modifiers());
    if (sc == 0) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // Escape and Enter close the dialog, and a letter alone is typing, not
    // a hotkey: those go on to the dialog.
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int key = event->key();
    if (mods == Qt::NoModifier &&
        (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter || (key >= Qt::Key_A && key <= Qt::Key_Z))) {
        event->ignore();
        return;
    }
    // Backspace alone empties the control, as a hotkey box does.
    SetHotKey((sc == vkBack) ? 0 : sc);
    event->accept();
}

// --- THotKeyEditForm ---

THotKeyEditForm::THotKeyEditForm(QWidget* parent) : TModalForm(parent) {
    setObjectName("HotKeyEditForm");
    setWindowTitle(QStringLiteral("Edit Hot key "));
    auto* group = new QGroupBox(this);
    HotKey = new THotKey(group);
    (new QVBoxLayout(group))->addWidget(HotKey);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CloseButton(QStringLiteral("&Ok"), mrOk, true));
    buttons->addWidget(CloseButton(QStringLiteral("&Cancel"), mrCancel, false));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    HotKey->setFocus();
}

// --- TInputQueryForm ---

TInputQueryForm::TInputQueryForm(QWidget* parent) : TModalForm(parent) {
    setObjectName("InputQueryForm");
    Prompt = new QLabel(this);
    Prompt->setObjectName("Prompt");
    Prompt->setTextFormat(Qt::PlainText);
    Default = new QComboBox(this);
    Default->setObjectName("Default");
    Default->setEditable(true);
    Default->setInsertPolicy(QComboBox::NoInsert);
    Default->setMinimumWidth(300);
    Prompt->setBuddy(Default);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CloseButton(QStringLiteral("&OK"), mrOk, true));
    buttons->addWidget(CloseButton(QStringLiteral("&Cancel"), mrCancel, false));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Prompt);
    layout->addWidget(Default);
    layout->addLayout(buttons);
    Default->setFocus();
}

void TInputQueryForm::showEvent(QShowEvent* event) {
    TModalForm::showEvent(event);
    if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
    Default->setFocus();
}

}  // namespace velt
