#pragma once
// The dialogs of the SourceSafe services: the five operation dialogs on
// their common base TSafeSourceForm, the logon dialog and the options
// dialog. The driver (TSourceSafeServices::SourceSafeClick) fills an
// operation dialog for a file, runs it through the dialog runner and then
// carries the operation out through the automation objects (GetFlags) or
// the ss client (GetCommandLine).

#include <QLineEdit>
#include <memory>
#include <string>
#include <vector>

#include "foundation/ComPtr.h"
#include "platform/vss/VssAutomation.h"
#include "services/ServiceForms.h"
#include "sourcesafe/SafeFiles.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGridLayout;
class QPlainTextEdit;
class QPushButton;

namespace velt {

// What an operation dialog has ss do: each part is one run of ss (its
// arguments, without the user), in order; the second runs only when the
// first succeeded.
struct TSsCommandLine {
    std::vector<std::vector<std::string>> Parts;
    // The folder the client runs in; empty: the IDE's own.
    std::string WorkingFolder;
    // The parts as text (ArgumentsText), CR LF between them.
    std::string Text() const;
};

class TSafeSourceForm : public TModalForm {
    Q_OBJECT
public:
    explicit TSafeSourceForm(QWidget* parent = nullptr);

    QPlainTextEdit* CommentMemo;
    QComboBox* WorkingFolder;
    QPushButton* Button5;  // "&Browse ...": the working folder
    QFileDialog* OpenDialog = nullptr;  // made when Button5 is clicked
    QComboBox* SourceSafeItem;
    QPushButton* Button3;  // "Bro&wse ...": the project picker
    QCheckBox* _Recursive;
    QComboBox* _FileTime;
    QComboBox* _Replace;
    QCheckBox* _IDE;
    QCheckBox* _I_;
    QPushButton* Button1;  // "&OK"
    QPushButton* Button2;  // "&Cancel"
    QPushButton* Button4;  // "&Help"
    QCheckBox* _Skip;
    QCheckBox* _COM;

    // Set by the driver before SetFileName.
    std::string DatabaseFolder;
    TSafeFileList* FileList = nullptr;
    // Which of several projects of a file's name the user works in.
    TSafeFileList::THeldByUser HeldByUser;
    // Where OK saves the comment for the ss client.
    std::string CommentFile;
    ComPtr<vss::IVSSDatabase> Database;

    // The working folder and the item for a file: the file's folder, and
    // the file's entry of the file list (reloaded first when "filelist.vss"
    // changed) or else the item path of its path, its extension made ".*"
    // (a name without an extension is kept as it is).
    void SetFileName(const std::string& file);

    // The automation flag word of the boxes.
    virtual int32_t GetFlags();
    virtual TSsCommandLine GetCommandLine() = 0;
    virtual void BrowseClick();
    // The project picker over Database; on OK the selected project is the
    // item.
    void Button3Click();

    std::string ItemText() const;
    std::string FolderText() const;

protected:
    void showEvent(QShowEvent* event) override;
    // The boxes of a derived dialog go here, below the common ones.
    QGridLayout* OwnBoxes;
    QCheckBox* AddBox(const char* caption, const char* name, bool checked = false);
    // Replace, file time and recursion, as the operations share them.
    int32_t BaseFlags() const;
    // "-gwr", "-gws" or "-gwm" for the replace box; nothing for "Ask".
    void AddReplaceOption(std::vector<std::string>& args) const;
    // "-r" + I, or I.
    void AddItem(std::vector<std::string>& args) const;
    static void AddIf(std::vector<std::string>& args, const QCheckBox* box, const char* option);

private:
    void Button1Click();
};

class TAddFilesForm : public TSafeSourceForm {
    Q_OBJECT
public:
    explicit TAddFilesForm(QWidget* parent = nullptr);
    QCheckBox* _D;
    QCheckBox* _W;
    QCheckBox* _Keep;
    QComboBox* _FileType;
    int32_t GetFlags() override;
    TSsCommandLine GetCommandLine() override;
};

class TCheckInForm : public TSafeSourceForm {
    Q_OBJECT
public:
    explicit TCheckInForm(QWidget* parent = nullptr);
    QCheckBox* _W;
    QCheckBox* _Keep;
    int32_t GetFlags() override;
    TSsCommandLine GetCommandLine() override;
};

class TCheckOutForm : public TSafeSourceForm {
    Q_OBJECT
public:
    explicit TCheckOutForm(QWidget* parent = nullptr);
    QCheckBox* _DontGet;
    int32_t GetFlags() override;
    TSsCommandLine GetCommandLine() override;
};

class TUndoCheckOutForm : public TSafeSourceForm {
    Q_OBJECT
public:
    explicit TUndoCheckOutForm(QWidget* parent = nullptr);
    QCheckBox* _W;
    QCheckBox* _P;
    TSsCommandLine GetCommandLine() override;
};

class TGetLatestVersionForm : public TSafeSourceForm {
    Q_OBJECT
public:
    explicit TGetLatestVersionForm(QWidget* parent = nullptr);
    QCheckBox* _W;
    QCheckBox* _B;
    TSsCommandLine GetCommandLine() override;
};

// "SourceSafe Logon": user, password and database folder.
class TLogonForm : public TModalForm {
    Q_OBJECT
public:
    explicit TLogonForm(QWidget* parent = nullptr);
    QLineEdit* EUser;
    QLineEdit* EPassword;
    QLineEdit* ECurrentDatabase;
    QPushButton* BOk;
    QPushButton* BCancel;
    // Runs the dialog; true when OK closed it.
    bool Execute();
    // OK is enabled exactly while the user field is not empty.
    void EUserChange();
};

// The options of the SourceSafe services, with the hotkey page.
class TSourceSafeOptionsForm : public T_OptionsForm {
    Q_OBJECT
public:
    explicit TSourceSafeOptionsForm(QWidget* parent = nullptr);
    // Item 0 "Yes", 1 "No", 2 "Ask".
    QComboBox* OpenCheck;
    QComboBox* CloseCheck;
    QComboBox* OpenAdd;
    QComboBox* CloseRemove;
    QCheckBox* AutoLogon;
};

}  // namespace velt
