#include "platform/ide/QtHost.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabWidget>
#include <filesystem>
#include <iostream>

#include "platform/ide/ScintillaBuffer.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ShortCut.h"

namespace velt {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

TScintillaBuffer& Scintilla(TEditBuffer& buffer) { return static_cast<TScintillaBuffer&>(buffer); }

}  // namespace

// ---- window ------------------------------------------------------------------------------

TIdeWindow::TIdeWindow(TQtHost& host) : host_(host) {
    setObjectName(QStringLiteral("AppBuilder"));
    setWindowTitle(QStringLiteral("VELT IDE"));
    EditWindow = new QTabWidget(this);
    EditWindow->setObjectName(QStringLiteral("EditWindow_0"));
    EditWindow->setTabsClosable(true);
    EditWindow->setDocumentMode(true);
    setCentralWidget(EditWindow);
    resize(900, 640);
}

void TIdeWindow::closeEvent(QCloseEvent* event) {
    if (host_.CloseAll())
        event->accept();
    else
        event->ignore();
}

// ---- host ------------------------------------------------------------------------------------

TQtHost::TQtHost() : window_(std::make_unique<TIdeWindow>(*this)) {
    KeepLog = false;
    QTabWidget* tabs = window_->EditWindow;
    QObject::connect(tabs, &QTabWidget::currentChanged, window_.get(), [this](int index) {
        CurrentFile_ = FileOfTab(index);
        StateChanged();
    });
    QObject::connect(tabs, &QTabWidget::tabCloseRequested, window_.get(), [this](int index) {
        const std::string file = FileOfTab(index);
        if (!file.empty()) CloseFile(file);
    });
    InstallMenuCommands();
    MainMenu().OnChange = [this] { RebuildMenus(); };
    RebuildMenus();
}

TQtHost::~TQtHost() { MainMenu().OnChange = nullptr; }

void TQtHost::InstallMenuCommands() {
    const auto on = [this](const char* name, std::function<void()> command) {
        MainMenu().Find(name)->SetClickHandler([command = std::move(command)](TIMenuItemIntf*) { command(); });
    };
    on("FileOpenItem", [this] {
        const std::string file = ChooseFile("Open", "Delphi Unit (*.pas);;Delphi Project (*.dpr);;All Files (*)");
        if (!file.empty()) OpenFileReporting(file);
    });
    on("FileSaveItem", [this] {
        if (!CurrentFile_.empty()) SaveFile(CurrentFile_);
    });
    on("FileCloseItem", [this] {
        if (!CurrentFile_.empty()) CloseFile(CurrentFile_);
    });
    on("FileExitItem", [this] { window_->close(); });
    on("ProjectOpenItem", [this] {
        const std::string file = ChooseFile("Open Project", "Delphi Project (*.dpr);;All Files (*)");
        if (!file.empty()) OpenProject(file);
    });
    on("ProjectAddItem", [this] {
        if (GetProjectName().empty()) return;
        const std::string file = ChooseFile("Add to Project", "Delphi Unit (*.pas);;All Files (*)");
        if (!file.empty()) AddToProject(file);
    });
    on("ProjectRemoveItem", [this] {
        if (GetUnitCount() == 0) return;
        QStringList units;
        for (int32_t i = 0; i < GetUnitCount(); ++i) units << Q(GetUnitName(i));
        QInputDialog dialog(window_.get());
        dialog.setWindowTitle(QStringLiteral("Remove from Project"));
        dialog.setLabelText(QStringLiteral("Unit:"));
        dialog.setComboBoxItems(units);
        dialog.setComboBoxEditable(false);
        if (RunDialog(dialog) == QDialog::Accepted) RemoveFromProject(dialog.textValue().toStdString());
    });
    on("ProjectCloseItem", [this] { CloseProject(); });
    on("HelpAboutItem", [this] {
        QMessageBox box(QMessageBox::Information, QStringLiteral("About"),
                        QStringLiteral("VELT IDE: the host that loads the VELT packages."), QMessageBox::Ok,
                        window_.get());
        RunDialog(box);
    });
}

std::string TQtHost::ChooseFile(const char* caption, const char* filter) {
    QFileDialog dialog(window_.get(), QString::fromUtf8(caption), QString(), QString::fromUtf8(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (RunDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

void TQtHost::RebuildMenus() {
    auto* bar = new QMenuBar;
    const auto addCommand = [this](QWidget* widget, THostMenuItem& item) {
        QString text = Q(item.GetCaption());
        if (item.GetShortCut())
            text += QLatin1Char('\t') + ShortCutToKeySequence(item.GetShortCut()).toString(QKeySequence::NativeText);
        auto* action = new QAction(text, widget);
        action->setObjectName(Q(item.GetName()));
        action->setEnabled(item.Enabled());
        action->setStatusTip(Q(item.GetHint()));
        QObject::connect(action, &QAction::triggered, action,
                         [this, keep = ComPtr<THostMenuItem>(&item)] { Click(*keep); });
        widget->addAction(action);
    };
    const auto fill = [&](const auto& self, QMenu* menu, THostMenuItem& parent) -> void {
        for (const ComPtr<THostMenuItem>& item : parent.Children()) {
            if (!item->Visible()) continue;
            if (item->IsSeparator()) {
                menu->addSeparator();
            } else if (item->GetItemCount() > 0) {
                QMenu* sub = menu->addMenu(Q(item->GetCaption()));
                sub->setObjectName(Q(item->GetName()));
                sub->setEnabled(item->Enabled());
                self(self, sub, *item);
            } else {
                addCommand(menu, *item);
            }
        }
    };
    for (const ComPtr<THostMenuItem>& top : MainMenu().Root().Children()) {
        if (!top->Visible()) continue;
        if (top->GetItemCount() == 0 && top->HasClickHandler()) {
            addCommand(bar, *top);
            continue;
        }
        QMenu* menu = bar->addMenu(Q(top->GetCaption()));
        menu->setObjectName(Q(top->GetName()));
        menu->setEnabled(top->Enabled());
        fill(fill, menu, *top);
    }
    window_->setMenuBar(bar);  // the old bar goes with deleteLater, also from its own click

    // Shortcuts live on window actions outside the menus, so hidden items'
    // shortcuts work and one key runs the first item that has it.
    for (const QPointer<QAction>& action : shortcutActions_) {
        if (!action) continue;
        window_->removeAction(action);
        action->deleteLater();
    }
    shortcutActions_.clear();
    for (const TShortCut shortCut : MainMenu().ActiveShortCuts()) {
        auto* action = new QAction(window_.get());
        action->setShortcuts(ShortCutToKeySequences(shortCut));
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, action, [this, shortCut] { PressShortCut(shortCut); });
        window_->addAction(action);
        shortcutActions_.emplace_back(action);
    }
    for (const std::string& file : OpenFiles())
        if (QsciScintilla* editor = Editor(file)) ClearCollidingKeys(*editor);
}

void TQtHost::ClearCollidingKeys(QsciScintilla& editor) {
    QsciCommandSet* commands = editor.standardCommands();
    for (const TShortCut shortCut : MainMenu().ActiveShortCuts()) {
        for (const QKeySequence& sequence : ShortCutToKeySequences(shortCut)) {
            const int key = sequence[0].toCombined();
            while (QsciCommand* command = commands->boundTo(key)) {
                if (command->key() != key && command->alternateKey() != key) break;
                if (command->key() == key) command->setKey(0);
                if (command->alternateKey() == key) command->setAlternateKey(0);
            }
        }
    }
}

// ---- buffers ---------------------------------------------------------------------------------

std::string TQtHost::NormalizeFileName(const std::string& fileName) {
    if (fileName.empty()) return {};
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(fileName, error);
    return error ? fileName : path.lexically_normal().string();
}

QsciScintilla* TQtHost::Editor(const std::string& fileName) {
    const std::shared_ptr<TEditBuffer> buffer = FindBuffer(NormalizeFileName(fileName));
    return buffer ? Scintilla(*buffer).Editor() : nullptr;
}

std::string TQtHost::FileOfTab(int index) {
    QWidget* page = window_->EditWindow->widget(index);
    if (!page) return {};
    for (const std::string& file : OpenFiles())
        if (Editor(file) == page) return file;
    return {};
}

void TQtHost::UpdateTabCaption(QsciScintilla* editor) {
    QTabWidget* tabs = window_->EditWindow;
    const int index = tabs->indexOf(editor);
    if (index < 0) return;
    const std::string file = FileOfTab(index);
    const std::shared_ptr<TEditBuffer> buffer = FindBuffer(file);
    QString caption = QFileInfo(Q(file)).fileName();
    if (buffer && buffer->Modified()) caption += QStringLiteral(" *");
    tabs->setTabText(index, caption);
    tabs->setTabToolTip(index, Q(file));
}

std::shared_ptr<TEditBuffer> TQtHost::CreateBuffer(const std::string& fileName, std::string bytes) {
    QsciScintilla* editor = CreatePascalEditor(window_->EditWindow);
    editor->setObjectName(QFileInfo(Q(fileName)).fileName());
    auto buffer = std::make_shared<TScintillaBuffer>(fileName, editor, bytes);
    ClearCollidingKeys(*editor);
    QObject::connect(editor, &QsciScintilla::modificationChanged, editor,
                     [this, editor](bool) { UpdateTabCaption(editor); });
    return buffer;
}

void TQtHost::ActivateBuffer(TEditBuffer& buffer) {
    QsciScintilla* editor = Scintilla(buffer).Editor();
    if (!editor) return;
    QTabWidget* tabs = window_->EditWindow;
    if (tabs->indexOf(editor) < 0) tabs->addTab(editor, QString());
    UpdateTabCaption(editor);
    tabs->setCurrentWidget(editor);
    editor->setFocus();
}

void TQtHost::DestroyBuffer(TEditBuffer& buffer) {
    QsciScintilla* editor = Scintilla(buffer).Editor();
    if (!editor) return;
    QTabWidget* tabs = window_->EditWindow;
    const int index = tabs->indexOf(editor);
    if (index >= 0) tabs->removeTab(index);
    editor->deleteLater();
}

TSaveAnswer TQtHost::AskSave(const std::string& fileName) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                    QStringLiteral("Save changes to %1?").arg(Q(fileName)),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, window_.get());
    box.setDefaultButton(QMessageBox::Save);
    const int result = RunDialog(box);
    QAbstractButton* clicked = box.clickedButton();
    const auto answered = [&](QMessageBox::StandardButton b) {
        return clicked ? clicked == box.button(b) : result == b;
    };
    if (answered(QMessageBox::Save)) return TSaveAnswer::Save;
    if (answered(QMessageBox::Discard)) return TSaveAnswer::Discard;
    return TSaveAnswer::Cancel;
}

void TQtHost::ShowError(const std::string& message) {
    std::cerr << message << std::endl;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), Q(message), QMessageBox::Ok, window_.get());
    box.setTextFormat(Qt::PlainText);
    RunDialog(box);
}

void TQtHost::StateChanged() {
    QString title = QStringLiteral("VELT IDE");
    if (!GetProjectName().empty()) title += QStringLiteral(" - ") + QFileInfo(Q(GetProjectName())).fileName();
    window_->setWindowTitle(title);
}

bool TQtHost::CloseAll() {
    if (!GetProjectName().empty() && !CloseProject()) return false;
    for (const std::string& file : OpenFiles())
        if (!CloseFile(file)) return false;
    return true;
}

}  // namespace velt
