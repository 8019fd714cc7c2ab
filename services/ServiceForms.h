#pragma once
// The small modal dialogs of the expert services: the options dialog and its
// source-services page, the hotkey page over the expert's IDE menu items,
// the hotkey editor, and the input dialog with a history list. Callers fill
// them, run them through the dialog runner and read them back.

#include <QDialog>
#include <QLineEdit>
#include <vector>

#include "foundation/ComPtr.h"
#include "platform/ide/ToolsApi.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QLabel;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace velt {

// Closes with 1 on OK and 2 on Cancel (Escape too).
class TModalForm : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    void reject() override;

protected:
    // A button that closes the form with result.
    QPushButton* CloseButton(const QString& caption, int result, bool isDefault);
};

// "VELT Services Options": a page control for the pages of derived dialogs
// and the buttons OK, Cancel and Help below.
class TOptionsForm : public TModalForm {
    Q_OBJECT
public:
    explicit TOptionsForm(QWidget* parent = nullptr);

    QTabWidget* PageControl;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;

protected:
    // Runs before the form closes with OK.
    virtual void Button1Click() {}

private:
    void OkClicked();
};

// The options of the source services.
class TSourceOptionsForm : public TOptionsForm {
    Q_OBJECT
public:
    explicit TSourceOptionsForm(QWidget* parent = nullptr);

    QCheckBox* AutoRefreshHeader;
    QCheckBox* ConfirmAutoCreate;
    QCheckBox* AdaNestingComments;
    QCheckBox* CaseSensitive;
    QLineEdit* edClassRegFileName;
    QLineEdit* edCmdFileName;
    QPushButton* ClassRegBrowse;
    QPushButton* CmdFileBrowse;
    QLineEdit* edCtxPrefix;
    // The file dialog both Browse buttons use (made when one is clicked).
    QFileDialog* OpenDialog = nullptr;

private:
    void Browse(QLineEdit* edit);
};

// Options with a "Hotkeys" page over a list of IDE menu items.
class T_OptionsForm : public TOptionsForm {
    Q_OBJECT
public:
    explicit T_OptionsForm(QWidget* parent = nullptr);

    // The items whose shortcuts the page edits (not owned; none by default).
    std::vector<ComPtr<TIMenuItemIntf>>* MenusList = nullptr;

    QTreeWidget* MenusView;
    QPushButton* DeleteButton;
    QPushButton* EditButton;
    QPushButton* AddButton;

    // One row per item of MenusList: caption, name, shortcut text.
    void FillRows();
    // The hotkey editor on the selected row.
    void EditClick();

protected:
    void showEvent(QShowEvent* event) override;
    // Each item of MenusList takes the shortcut of its row (matched by position).
    void Button1Click() override;
};

// Takes one key with its modifiers and shows its text form; Backspace
// alone clears it. Escape, Enter and a letter without modifiers are left to
// the dialog.
class THotKey : public QLineEdit {
    Q_OBJECT
public:
    explicit THotKey(QWidget* parent = nullptr);
    TShortCut HotKey() const { return hotKey_; }
    void SetHotKey(TShortCut shortCut);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TShortCut hotKey_ = 0;
};

// "Edit Hot key ": the hotkey control, "&Ok" and "&Cancel".
class THotKeyEditForm : public TModalForm {
    Q_OBJECT
public:
    explicit THotKeyEditForm(QWidget* parent = nullptr);
    THotKey* HotKey;
};

// A prompt and an editable list of earlier answers.
class TInputQueryForm : public TModalForm {
    Q_OBJECT
public:
    explicit TInputQueryForm(QWidget* parent = nullptr);
    QLabel* Prompt;
    QComboBox* Default;

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace velt
