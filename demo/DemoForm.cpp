#include "demo/DemoForm.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTextBlock>
#include <algorithm>
#include <filesystem>

#include "demo/DemoTools.h"
#include "foundation/Classes.h"
#include "foundation/CodePages.h"
#include "foundation/CommMsg.h"
#include "foundation/RootDir.h"
#include "foundation/SysUtils.h"
#include "platform/registry/AtomicFile.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ShortCut.h"
#include "services/EditorText.h"
#include "services/SourceServices.h"
#include "sourcesafe/SourceSafeServices.h"

namespace velt {

namespace {

QString Qs(const std::string& s) { return QString::fromStdString(s); }

std::string PopString(TForth& f) {
    TCell c;
    f.Pop(c);
    if (c.Kind != ckString) throw EStack("Type mismatch");
    return c.S;
}

// Bytes with any line ends as memo text: "\n" between lines.
QString MemoTextOf(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            text += '\n';
        } else {
            text += bytes[i];
        }
    }
    return Qs(Cp1251ToUtf8(text));
}

}  // namespace

std::string DemoFileName(const std::string& file) {
    if (SameText(file, TDemoForm::kStartFile)) return JoinPath(RootDir(), "project/Shapes.pas");
    return MapSystemPath(file);
}

// ---- the memo ------------------------------------------------------------------------------

TDemoMemo::TDemoMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("Memo1"));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFont(QFont(QStringLiteral("Monospace")));
    // The selection keeps its colours when the memo loses the focus.
    QPalette p = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    setPalette(p);
}

void TDemoMemo::keyReleaseEvent(QKeyEvent* event) {
    QPlainTextEdit::keyReleaseEvent(event);
    if (OnKeyUp) OnKeyUp();
}

// ---- the form ------------------------------------------------------------------------------

TDemoForm::TDemoForm() : Tools(new TDemoTools(*this)) {
    setObjectName(QStringLiteral("DemoForm"));
    setWindowTitle(QStringLiteral("VELT Services for Delphi3 1.0 DEMO"));
    resize(800, 600);
    Memo1 = new TDemoMemo(this);
    Memo1->OnKeyUp = [this] { Memo1KeyUp(); };
    setCentralWidget(Memo1);
    StatusPanel0 = new QLabel(this);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(StatusPanel0);

    MainMenu1 = ComPtr<THostMainMenu>(new THostMainMenu);
    File1 = MainMenu1->AddHostItem(MainMenu1->Root(), "&File", "File1");
    Open1 = MainMenu1->AddHostItem(*File1, "&Open ...", "Open1", [this](TIMenuItemIntf*) { Open1Click(); });
    Open1->SetShortCut(TextToShortCut("F3"));
    SourceSafe1 = MainMenu1->AddHostItem(MainMenu1->Root(), "SourceS&afe", "SourceSafe1");
    VELT1 = MainMenu1->AddHostItem(MainMenu1->Root(), "V&ELT", "VELT1");
    MainMenu1->OnChange = [this] { RebuildMenus(); };
    RebuildMenus();
}

TDemoForm::~TDemoForm() { FormDestroy(); }

void TDemoForm::FormCreate(const std::string& startFile) {
    auto source = ComPtr<TSourceServices>(new TSourceServices(*Tools, true));
    SourceServices = source;
    source->MainMenu = MainMenu1;
    source->VELTMenu = VELT1;
    try {
        // As the package's start-up does: without a command file the user
        // is told so and names one in the options dialog.
        source->Startup();
    } catch (...) {
        Tools->RaiseException(ReleaseException());
    }
    source->WriteBanner();
    try {
        source->OpenRegistry();
        source->Initialize();
    } catch (...) {
        Tools->RaiseException(ReleaseException());
    }
    source->Forth().Objects.AddObject("Demo", this);

    auto safe = ComPtr<TSourceSafeServices>(new TSourceSafeServices(*Tools, true));
    SourceSafeServices = safe;
    safe->MainMenu = MainMenu1;
    safe->SourceSafeMenu = SourceSafe1;
    try {
        safe->InstallAddIn(source->Forth());
    } catch (...) {
        Tools->RaiseException(ReleaseException());
    }

    LoadFile(DemoFileName(startFile));
    source->SourceCode().SetFileName(currentFile_);
}

void TDemoForm::FormDestroy() {
    if (MainMenu1) MainMenu1->OnChange = nullptr;
    if (SourceSafeServices) {
        SourceSafeServices->Finalize();
        SourceSafeServices = nullptr;
    }
    if (SourceServices) {
        TStringList& objects = SourceServices->Forth().Objects;
        const int index = objects.IndexOfObject(this);
        if (index >= 0) objects.Delete(index);
        SourceServices = nullptr;
    }
}

void TDemoForm::RebuildMenus() {
    auto* bar = new QMenuBar;
    const auto addCommand = [this](QWidget* widget, THostMenuItem& item) {
        auto* action = new QAction(Qs(item.GetCaption()), widget);
        action->setObjectName(Qs(item.GetName()));
        action->setEnabled(item.Enabled());
        if (item.GetShortCut()) action->setShortcut(ShortCutToKeySequence(item.GetShortCut()));
        QObject::connect(action, &QAction::triggered, action, [this, keep = ComPtr<THostMenuItem>(&item)] {
            try {
                keep->RunClick();
            } catch (...) {
                Tools->RaiseException(ReleaseException());
            }
        });
        widget->addAction(action);
    };
    const auto fill = [&](const auto& self, QMenu* menu, THostMenuItem& parent) -> void {
        for (const ComPtr<THostMenuItem>& item : parent.Children()) {
            if (!item->Visible()) {
                // A hidden item's shortcut still works.
                if (item->GetShortCut()) {
                    // Kept by the form, gone with this bar.
                    addCommand(bar, *item);
                    QAction* action = bar->actions().last();
                    bar->removeAction(action);
                    addAction(action);
                }
            } else if (item->IsSeparator()) {
                menu->addSeparator();
            } else if (item->GetItemCount() > 0) {
                QMenu* sub = menu->addMenu(Qs(item->GetCaption()));
                sub->setObjectName(Qs(item->GetName()));
                self(self, sub, *item);
            } else {
                addCommand(menu, *item);
            }
        }
    };
    for (const ComPtr<THostMenuItem>& top : MainMenu1->Root().Children()) {
        QMenu* menu = bar->addMenu(Qs(top->GetCaption()));
        menu->setObjectName(Qs(top->GetName()));
        fill(fill, menu, *top);
    }
    // The old bar goes later (Qt deletes it so): it may be running the click
    // that changed the menu.
    setMenuBar(bar);
}

// ---- the memo as the editor ------------------------------------------------------------------

std::string TDemoForm::MemoBytes() const {
    const std::string text = Utf8ToCp1251(Memo1->toPlainText().toStdString());
    if (lineBreak_ == "\n") return text;
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            bytes += lineBreak_;
        else
            bytes += c;
    }
    return bytes;
}

bool TDemoForm::ConfirmDropEdits() {
    if (!Memo1->document()->isModified()) return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                    Qs("Save changes to " + currentFile_ + "?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Yes);
    RunDialog(box);
    switch (box.standardButton(box.clickedButton())) {
        case QMessageBox::Yes:
            return SaveMemo();
        case QMessageBox::No:
            Memo1->document()->setModified(false);
            return true;
        default:
            return false;
    }
}

bool TDemoForm::SaveMemo() {
    if (currentFile_.empty()) return false;
    const std::string bytes = MemoBytes();
    if (WriteFileAtomically(currentFile_, bytes.data(), bytes.size()) != TAtomicWriteResult::Ok) {
        Warning("Cannot write " + currentFile_);
        return false;
    }
    Memo1->document()->setModified(false);
    UpdateStatus();
    return true;
}

bool TDemoForm::LoadFile(const std::string& file) {
    if (file != currentFile_ && !ConfirmDropEdits()) return false;
    std::string bytes;
    bool read = false;
    try {
        bytes = ReadWholeFile(file);
        read = true;
    } catch (const std::exception& e) {
        Warning("Cannot read " + file + ": " + e.what());
    }
    currentFile_ = file;
    lineBreak_ = read ? std::string(LineBreakOf(bytes)) : "\r\n";
    Memo1->setPlainText(read ? MemoTextOf(bytes) : QString());
    Memo1->document()->setModified(false);
    UpdateStatus();
    return true;
}

void TDemoForm::CaretTo(int32_t line, int32_t col) {
    QTextDocument& doc = *Memo1->document();
    const QTextBlock block = doc.findBlockByNumber(std::clamp(line, 0, std::max(doc.blockCount() - 1, 0)));
    QTextCursor c(&doc);
    c.setPosition(block.position() + std::clamp(col - 1, 0, std::max(block.length() - 1, 0)));
    Memo1->setTextCursor(c);
}

void TDemoForm::UpdateStatus() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(currentFile_, ec);
    // A file that cannot be queried counts as read-only.
    const bool readOnly = ec || !fs::exists(st) || (st.permissions() & fs::perms::owner_write) == fs::perms::none;
    StatusPanel0->setText(readOnly ? QStringLiteral("Read only") : QStringLiteral("Writeable"));
}

// ---- handlers ----------------------------------------------------------------------------------

void TDemoForm::Memo1KeyUp() {
    if (!SourceServices) return;
    const QTextCursor c = Memo1->textCursor();
    TIHyperSourceCode& m = SourceServices->SourceCode();
    m.SetCursorLine(std::min(c.blockNumber(), TIText::MaxCursorLine));
    m.SetCursorCol(std::min(c.positionInBlock() + 1, TIText::MaxCursorCol));
}

void TDemoForm::Open1Click() {
    QFileDialog dialog(this, QStringLiteral("Open"), Qs(ExtractFilePath(currentFile_)),
                       QStringLiteral("Object Pascal Source Files(*.pas);;All Files(*.*)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!currentFile_.empty()) dialog.selectFile(Qs(currentFile_));
    if (RunDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const std::string file = dialog.selectedFiles().first().toStdString();
    if (!LoadFile(file)) return;
    if (SourceServices) SourceServices->SourceCode().SetFileName(file);
}

// ---- words --------------------------------------------------------------------------------------

void TDemoForm::LoadFromIDE(TForth& Sender) {
    const std::string file = PopString(Sender);
    TIHyperSourceCode& m = SourceServices->SourceCode();
    if (!file.empty()) {
        if (file != currentFile_ && !LoadFile(file)) throw Exception("Command cancelled");
        m.SetFileName(file);
    }
    m.SetLinesText(MemoBytes());
    m.ValidateLines();
    // The caret may have moved with the mouse since the last key.
    Memo1KeyUp();
}

void TDemoForm::SaveToIDE(TForth&) {
    TIHyperSourceCode& m = SourceServices->SourceCode();
    const std::string file = m.GetFileName();
    if (file != currentFile_ && !LoadFile(file)) throw Exception("Command cancelled");
    if (m.GetModified()) {
        const QString oldText = Memo1->toPlainText();
        const bool finalBreak = oldText.endsWith(QLatin1Char('\n'));
        const QString newText = MemoTextOf(JoinLines(*m.GetLines(), "\n", finalBreak));
        // Only the changed middle, as one undo step.
        qsizetype first = 0;
        const qsizetype common = std::min(oldText.size(), newText.size());
        while (first < common && oldText[first] == newText[first]) ++first;
        qsizetype oldEnd = oldText.size(), newEnd = newText.size();
        while (oldEnd > first && newEnd > first && oldText[oldEnd - 1] == newText[newEnd - 1]) --oldEnd, --newEnd;
        if (first != oldEnd || first != newEnd) {
            QTextCursor c(Memo1->document());
            c.beginEditBlock();
            c.setPosition(int(first));
            c.setPosition(int(oldEnd), QTextCursor::KeepAnchor);
            c.insertText(newText.mid(first, newEnd - first));
            c.endEditBlock();
        }
        m.SetModified(false);
    }
    CaretTo(m.GetCursorLine(), m.GetCursorCol());
}

void TDemoForm::Open1Click(TForth&) { Open1Click(); }

const ClassInfo& TDemoForm::StaticForthClass() {
    // FormCreate and the key handler stay unpublished: a command file must
    // not start a second set of services.
    static const MethodInfo methods[] = {
        WordMethod<TDemoForm, &TDemoForm::LoadFromIDE>("LoadFromIDE"),
        WordMethod<TDemoForm, &TDemoForm::SaveToIDE>("SaveToIDE"),
        WordMethod<TDemoForm, &TDemoForm::Open1Click>("Open1Click"),
    };
    static const ClassInfo info{"TDemoForm", nullptr, {}, methods};
    return info;
}

}  // namespace velt
