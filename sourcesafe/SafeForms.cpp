#include "sourcesafe/SafeForms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "foundation/Classes.h"
#include "foundation/CommMsg.h"
#include "foundation/Dialogs.h"
#include "foundation/StrUtils.h"
#include "foundation/SysUtils.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ExceptionReporter.h"
#include "sourcesafe/SafeFiles.h"
#include "sourcesafe/SourceSafeExplorer.h"

namespace velt {

namespace {

QString QStr(const std::string& s) { return QString::fromStdString(s); }

QComboBox* ListBox(QWidget* parent, const char* name, const QStringList& items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

QComboBox* EditBox(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumWidth(320);
    return box;
}

}  // namespace

std::string TSsCommandLine::Text() const {
    std::string text;
    for (const std::vector<std::string>& part : Parts) {
        if (!text.empty()) text += "\r\n";
        text += ArgumentsText(part);
    }
    return text;
}

// ---- the common dialog ------------------------------------------------------------------

TSafeSourceForm::TSafeSourceForm(QWidget* parent) : TModalForm(parent) {
    setObjectName("SafeSourceForm");
    CommentMemo = new QPlainTextEdit(this);
    CommentMemo->setObjectName("CommentMemo");
    WorkingFolder = EditBox(this, "WorkingFolder");
    Button5 = new QPushButton(QStringLiteral("&Browse ..."), this);
    Button5->setObjectName("Button5");
    connect(Button5, &QPushButton::clicked, this, [this] { BrowseClick(); });
    SourceSafeItem = EditBox(this, "SourceSafeItem");
    SourceSafeItem->addItem(QStringLiteral("$"));
    Button3 = new QPushButton(QStringLiteral("Bro&wse ..."), this);
    Button3->setObjectName("Button3");
    connect(Button3, &QPushButton::clicked, this, [this] { CallReporting([this] { Button3Click(); }); });
    _Recursive = new QCheckBox(QStringLiteral("&Recursive"), this);
    _Recursive->setObjectName("_Recursive");
    _FileTime = ListBox(this, "_FileTime", {"Current", "Modification", "Check In"});
    _Replace = ListBox(this, "_Replace", {"Ask", "Replace", "Skip", "Merge"});
    _IDE = new QCheckBox(QStringLiteral("Reload in &IDE"), this);
    _IDE->setObjectName("_IDE");
    _IDE->setChecked(true);
    _I_ = new QCheckBox(this);
    _I_->setObjectName("_I_");
    _I_->setChecked(true);
    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TSafeSourceForm::Button1Click);
    Button2 = CloseButton(QStringLiteral("&Cancel"), mrCancel, false);
    Button2->setObjectName("Button2");
    Button4 = new QPushButton(QStringLiteral("&Help"), this);
    Button4->setObjectName("Button4");
    _Skip = new QCheckBox(QStringLiteral("Skip this dialog"), this);
    _Skip->setObjectName("_Skip");
    _COM = new QCheckBox(QStringLiteral("COM"), this);
    _COM->setObjectName("_COM");
    QFont bold = _COM->font();
    bold.setBold(true);
    _COM->setFont(bold);
    _COM->setChecked(true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Comment:"), this), 0, 0, 1, 3);
    grid->addWidget(CommentMemo, 1, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Working folder:"), this), 2, 0);
    grid->addWidget(WorkingFolder, 2, 1);
    grid->addWidget(Button5, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("SourceSafe item:"), this), 3, 0);
    grid->addWidget(SourceSafeItem, 3, 1);
    grid->addWidget(Button3, 3, 2);
    grid->addWidget(new QLabel(QStringLiteral("File time:"), this), 4, 0);
    grid->addWidget(_FileTime, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("Replace writable:"), this), 5, 0);
    grid->addWidget(_Replace, 5, 1);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(_Recursive);
    boxes->addWidget(_IDE);
    boxes->addWidget(_I_);
    boxes->addStretch();
    OwnBoxes = new QGridLayout;
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(_COM);
    buttons->addWidget(_Skip);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(boxes);
    layout->addLayout(OwnBoxes);
    layout->addLayout(buttons);
}

QCheckBox* TSafeSourceForm::AddBox(const char* caption, const char* name, bool checked) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), this);
    box->setObjectName(name);
    box->setChecked(checked);
    OwnBoxes->addWidget(box, OwnBoxes->rowCount(), 0);
    return box;
}

std::string TSafeSourceForm::ItemText() const { return SourceSafeItem->currentText().toStdString(); }
std::string TSafeSourceForm::FolderText() const { return WorkingFolder->currentText().toStdString(); }

void TSafeSourceForm::SetFileName(const std::string& file) {
    WorkingFolder->setEditText(QStr(ExtractFilePath(file)));
    if (FileList && !DatabaseFolder.empty()) {
        const std::string listFile = JoinSafe(DatabaseFolder, "filelist.vss");
        if (FileExists(listFile) && FileModified(listFile, FileList->ModiTime)) {
            for (const std::string& problem : FileList->LoadFromFile(listFile).Problems)
                Q("SourceSafe file list " + listFile + ": " + problem);
        }
    }
    std::string item = FileNameToSafeSource(file);
    const std::string name = ExtractFileName(file);
    if (FileList && !name.empty()) {
        // Every project holding a file of this name is offered; the file's
        // own entry is taken.
        for (const TSafeFileList::TEntry* e : FileList->EntriesNamed(name))
            SourceSafeItem->addItem(QStr(JoinSafe(e->Project, e->Name)));
        if (const TSafeFileList::TEntry* e = FileList->EntryOf(file, HeldByUser)) item = JoinSafe(e->Project, e->Name);
    }
    // Every file of the base name (unit and form): a name without an
    // extension stands for itself alone.
    const std::string itemName = SafeName(item);
    const size_t dot = itemName.rfind('.');
    if (dot != std::string::npos && dot > 0) item = SafeFolder(item) + itemName.substr(0, dot) + ".*";
    SourceSafeItem->setEditText(QStr(item));
}

void TSafeSourceForm::Button3Click() {
    if (!Database) throw Exception("Not logged on to SourceSafe: see SourceS&afe > Lo&gon ...");
    TSourceSafeExplorer picker(this);
    picker.Database = Database;
    picker.Mode = TSourceSafeExplorer::emPicker;
    if (RunDialog(picker) != mrOk) return;
    if (const TSourceSafeNode* node = picker.GetSelectedNode()) SourceSafeItem->setEditText(QStr(node->Spec));
}

void TSafeSourceForm::showEvent(QShowEvent* event) {
    _Replace->setCurrentIndex(0);
    _FileTime->setCurrentIndex(0);
    TModalForm::showEvent(event);
}

void TSafeSourceForm::Button1Click() {
    if (!CommentFile.empty()) {
        const std::string text = CommentMemo->toPlainText().toStdString();
        AtomicWriteFile(CommentFile, text.data(), text.size());
    }
    done(mrOk);
}

void TSafeSourceForm::BrowseClick() {
    if (!OpenDialog) {
        OpenDialog = new QFileDialog(this, QStringLiteral("Add files to SafeSource"));
        OpenDialog->setObjectName("OpenDialog");
        OpenDialog->setOption(QFileDialog::DontUseNativeDialog);
        OpenDialog->setFileMode(QFileDialog::ExistingFile);
        OpenDialog->setNameFilters({QStringLiteral("Delphi files(*.pas)"), QStringLiteral("All files(*.*)")});
    }
    OpenDialog->setDirectory(WorkingFolder->currentText());
    if (RunDialog(*OpenDialog) == QDialog::Accepted && !OpenDialog->selectedFiles().isEmpty())
        WorkingFolder->setEditText(QStr(ExtractFilePath(OpenDialog->selectedFiles().first().toStdString())));
}

int32_t TSafeSourceForm::BaseFlags() const {
    static constexpr int32_t kReplace[] = {vss::VSSFLAG_REPASK, vss::VSSFLAG_REPREPLACE, vss::VSSFLAG_REPSKIP,
                                           vss::VSSFLAG_REPMERGE};
    static constexpr int32_t kTime[] = {vss::VSSFLAG_TIMENOW, vss::VSSFLAG_TIMEMOD, vss::VSSFLAG_TIMEUPD};
    int32_t flags = 0;
    const int replace = _Replace->currentIndex();
    if (replace >= 0 && replace < 4) flags |= kReplace[replace];
    const int time = _FileTime->currentIndex();
    if (time >= 0 && time < 3) flags |= kTime[time];
    flags |= _Recursive->isChecked() ? vss::VSSFLAG_RECURSYES : vss::VSSFLAG_RECURSNO;
    return flags;
}

int32_t TSafeSourceForm::GetFlags() { return BaseFlags(); }

void TSafeSourceForm::AddReplaceOption(std::vector<std::string>& args) const {
    static constexpr const char* kOptions[] = {nullptr, "-gwr", "-gws", "-gwm"};
    const int replace = _Replace->currentIndex();
    if (replace > 0 && replace < 4) args.push_back(kOptions[replace]);
}

void TSafeSourceForm::AddItem(std::vector<std::string>& args) const {
    if (_Recursive->isChecked()) args.push_back("-r");
    args.push_back(ItemText());
}

void TSafeSourceForm::AddIf(std::vector<std::string>& args, const QCheckBox* box, const char* option) {
    if (box->isChecked()) args.push_back(option);
}

// ---- the five operations ----------------------------------------------------------------

TAddFilesForm::TAddFilesForm(QWidget* parent) : TSafeSourceForm(parent) {
    setObjectName("AddFilesForm");
    setWindowTitle(QStringLiteral("Add Files to SourceSafe"));
    _D = AddBox("Do not &track old versions of this file", "_D", true);
    _W = AddBox("&Leave the local copy of the file writable", "_W");
    _Keep = AddBox("Keep the file checked out after adding it in", "_Keep");
    _FileType = ListBox(this, "_FileType", {"Auto-Detect", "Binary", "Text"});
    _FileType->setCurrentIndex(-1);
    OwnBoxes->addWidget(_FileType, OwnBoxes->rowCount(), 0);
}

int32_t TAddFilesForm::GetFlags() {
    static constexpr int32_t kType[] = {vss::VSSFLAG_BINTEST, vss::VSSFLAG_BINBINARY, vss::VSSFLAG_BINTEXT};
    int32_t flags = BaseFlags();
    const int type = _FileType->currentIndex();
    if (type >= 0 && type < 3) flags |= kType[type];
    return flags | (_Keep->isChecked() ? vss::VSSFLAG_KEEPYES : vss::VSSFLAG_KEEPNO);
}

TSsCommandLine TAddFilesForm::GetCommandLine() {
    const std::string item = ItemText();
    std::vector<std::string> add = {"add", JoinSafe(FolderText(), SafeName(item))};
    AddIf(add, _I_, "-i-");
    AddIf(add, _Keep, "-k");
    AddIf(add, _W, "-w");
    AddIf(add, _D, "-d-");
    AddIf(add, _Recursive, "-r");
    add.push_back("-c@" + CommentFile);
    return {{{"cp", SafeFolder(item), "-i-"}, add}, {}};
}

TCheckInForm::TCheckInForm(QWidget* parent) : TSafeSourceForm(parent) {
    setObjectName("CheckInForm");
    setWindowTitle(QStringLiteral("SourceSafe Check In"));
    _W = AddBox("&Make the retrieved local copy writable", "_W");
    _Keep = AddBox("&Keep the file checked out after checking it in", "_Keep");
}

int32_t TCheckInForm::GetFlags() {
    return BaseFlags() | (_Keep->isChecked() ? vss::VSSFLAG_KEEPYES : vss::VSSFLAG_KEEPNO);
}

TSsCommandLine TCheckInForm::GetCommandLine() {
    std::vector<std::string> args = {"checkin"};
    AddItem(args);
    AddIf(args, _I_, "-i-");
    AddIf(args, _Keep, "-k");
    AddIf(args, _W, "-w");
    args.push_back("-c@" + CommentFile);
    args.push_back("-gl" + FolderText());
    return {{args}, {}};
}

TCheckOutForm::TCheckOutForm(QWidget* parent) : TSafeSourceForm(parent) {
    setObjectName("CheckOutForm");
    setWindowTitle(QStringLiteral("SourceSafe Check Out"));
    _DontGet = AddBox("Don't &get local copy", "_DontGet");
}

int32_t TCheckOutForm::GetFlags() {
    return BaseFlags() | (_DontGet->isChecked() ? vss::VSSFLAG_GETNO : vss::VSSFLAG_GETYES);
}

TSsCommandLine TCheckOutForm::GetCommandLine() {
    std::vector<std::string> args = {"checkout"};
    AddItem(args);
    AddIf(args, _I_, "-i-");
    AddIf(args, _DontGet, "-g-");
    AddReplaceOption(args);
    args.push_back("-gl" + FolderText());
    return {{args}, {}};
}

TUndoCheckOutForm::TUndoCheckOutForm(QWidget* parent) : TSafeSourceForm(parent) {
    setObjectName("UndoCheckOutForm");
    setWindowTitle(QStringLiteral("SourceSafe Undo Check Out"));
    _W = AddBox("Make the retrieved local copy writable", "_W");
    _P = AddBox("Undo Check Out only of files checked out to the specified project", "_P", true);
}

TSsCommandLine TUndoCheckOutForm::GetCommandLine() {
    const std::string item = ItemText();
    std::vector<std::string> undo = {"undocheckout", SafeName(item)};
    AddIf(undo, _Recursive, "-r");
    AddIf(undo, _P, "-p");
    AddIf(undo, _W, "-w");
    AddIf(undo, _I_, "-i-");
    AddReplaceOption(undo);
    undo.push_back("-gl" + FolderText());
    return {{{"cp", SafeFolder(item)}, undo}, {}};
}

TGetLatestVersionForm::TGetLatestVersionForm(QWidget* parent) : TSafeSourceForm(parent) {
    setObjectName("GetLatestVersionForm");
    setWindowTitle(QStringLiteral("SourceSafe Get Latest Version"));
    _I_->setChecked(false);
    _W = AddBox("&Make the retrieved local copy writable", "_W");
    _B = AddBox("Build tree (override working folders)", "_B");
}

TSsCommandLine TGetLatestVersionForm::GetCommandLine() {
    std::vector<std::string> args = {"get"};
    AddItem(args);
    AddIf(args, _I_, "-i-");
    AddIf(args, _W, "-w");
    AddReplaceOption(args);
    if (_B->isChecked()) args.push_back(FolderText());
    return {{args}, FolderText()};
}

// ---- logon ---------------------------------------------------------------------------------

TLogonForm::TLogonForm(QWidget* parent) : TModalForm(parent) {
    setObjectName("LogonForm");
    setWindowTitle(QStringLiteral("SourceSafe Logon"));
    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setMinimumWidth(260);
        return e;
    };
    EUser = edit("EUser");
    EPassword = edit("EPassword");
    EPassword->setEchoMode(QLineEdit::Password);
    ECurrentDatabase = edit("ECurrentDatabase");
    BOk = CloseButton(QStringLiteral("O&K"), mrOk, true);
    BOk->setObjectName("BOk");
    BCancel = CloseButton(QStringLiteral("&Cancel"), mrCancel, false);
    BCancel->setObjectName("BCancel");
    connect(EUser, &QLineEdit::textChanged, this, [this] { EUserChange(); });

    auto* grid = new QGridLayout;
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"&User name:", EUser}, {"&Password:", EPassword}, {"Current Database :", ECurrentDatabase}};
    for (const auto& [caption, field] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(field);
        grid->addWidget(label, grid->rowCount(), 0);
        grid->addWidget(field, grid->rowCount() - 1, 1);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BOk);
    buttons->addWidget(BCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Enter your SourceSafe logon name and password:"), this));
    layout->addLayout(grid);
    layout->addLayout(buttons);
    EUserChange();
}

void TLogonForm::EUserChange() { BOk->setEnabled(!EUser->text().isEmpty()); }

bool TLogonForm::Execute() {
    (EUser->text().isEmpty() ? EUser : EPassword)->setFocus();
    return RunDialog(*this) == mrOk;
}

// ---- options -------------------------------------------------------------------------------

TSourceSafeOptionsForm::TSourceSafeOptionsForm(QWidget* parent) : T_OptionsForm(parent) {
    setObjectName("SourceSafeOptionsForm");
    setWindowTitle(QStringLiteral("VELT SourceSafe Services Options"));
    auto* page = new QWidget(PageControl);
    auto* grid = new QGridLayout(page);
    auto question = [&](const char* caption, const char* name) {
        QComboBox* box = ListBox(page, name, {"Yes", "No", "Ask"});
        auto* label = new QLabel(QString::fromUtf8(caption), page);
        label->setBuddy(box);
        grid->addWidget(label, grid->rowCount(), 0);
        grid->addWidget(box, grid->rowCount() - 1, 1);
        return box;
    };
    OpenCheck = question("Check out files  when opening them?", "OpenCheck");
    CloseCheck = question("Check in files when closing them?", "CloseCheck");
    OpenAdd = question("Add files to SourceSafe when adding them to project?", "OpenAdd");
    CloseRemove = question("Remove files from SourceSafe when removing them from project?", "CloseRemove");
    AutoLogon = new QCheckBox(QStringLiteral(" Auto Logon Form"), page);
    AutoLogon->setObjectName("AutoLogon");
    grid->addWidget(AutoLogon, grid->rowCount(), 0, 1, 2);
    grid->setRowStretch(grid->rowCount(), 1);
    PageControl->insertTab(0, page, QStringLiteral("SourceSafe Services"));
    PageControl->setCurrentIndex(0);
}

}  // namespace velt
