#pragma once
// TDemoForm: the demonstration program's main form. A memo plays the
// editor, the "SourceS&afe" and "V&ELT" items of its own main menu take the
// services' menus, and the form, registered as "Demo", answers LoadFromIDE
// and SaveToIDE over the memo. The services are the demonstration builds:
// created by FormCreate, freed with the form.

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <functional>
#include <string>

#include "forth/Forth.h"
#include "platform/ide/HostMenu.h"

class QLabel;

namespace velt {

class TDemoTools;

// The memo: no wrap, tabs typed into the text, the selection shown without
// focus; a key release goes to OnKeyUp.
class TDemoMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TDemoMemo(QWidget* parent);
    std::function<void()> OnKeyUp;

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
};

class TDemoForm : public QMainWindow, public TObject, public ForthObject {
    Q_OBJECT
public:
    VELT_FORTH_CLASS(TDemoForm)
    // The start file of the original machine; it stands for the example unit.
    static constexpr char kStartFile[] = "h:\\varno\\velt2\\isrc.pas";

    TDemoForm();
    ~TDemoForm() override;
    std::string ClassName() const override { return "TDemoForm"; }

    // Starts both services under the menu, registers "Demo" and loads the
    // start file (kStartFile maps to the example unit).
    void FormCreate(const std::string& startFile = kStartFile);
    // Frees the services (also done by the destructor).
    void FormDestroy();
    void Memo1KeyUp();
    void Open1Click();
    void UpdateStatus();

    // ---- words ----
    void LoadFromIDE(TForth& Sender);  // ( file -- )
    void SaveToIDE(TForth& Sender);    // ( -- )
    void Open1Click(TForth& Sender);   // ( -- )

    // ---- the memo as the IDE's editor ----
    const std::string& CurrentFile() const { return currentFile_; }
    // The memo's text as the file's bytes (code page 1251, the file's line break).
    std::string MemoBytes() const;
    // Loads file into the memo as the current file; unsaved memo edits are
    // asked about first (false: the user cancelled). A file that cannot be
    // read leaves the memo empty and says so.
    bool LoadFile(const std::string& file);
    // Asks whether unsaved memo edits are saved (Yes), dropped (No) or kept
    // (Cancel: false).
    bool ConfirmDropEdits();
    // Writes the memo to the current file atomically; false with a message on failure.
    bool SaveMemo();
    // The caret as the model's 0-based line and 1-based column, and back
    // (clamped to the memo's text).
    void CaretTo(int32_t line, int32_t col);

    TDemoMemo* Memo1;
    QLabel* StatusPanel0;
    ComPtr<THostMainMenu> MainMenu1;
    ComPtr<THostMenuItem> File1;
    ComPtr<THostMenuItem> Open1;
    ComPtr<THostMenuItem> SourceSafe1;
    ComPtr<THostMenuItem> VELT1;
    ComPtr<TDemoTools> Tools;
    std::string OpenDialogFilter = "Object Pascal Source Files(*.pas)|*.pas|All Files(*.*)|*.*";

private:
    // Mirrors the host menu into a new menu bar.
    void RebuildMenus();
    std::string currentFile_;
    std::string lineBreak_ = "\r\n";
};

// The start file's path in the installation folder.
std::string DemoFileName(const std::string& file);

}  // namespace velt
