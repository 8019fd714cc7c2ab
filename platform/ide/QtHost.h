#pragma once
// The Qt IDE host: a main window "AppBuilder" with the menus File,
// Project, Tools ("ToolsMenu") and Help ("HelpMenu") mirrored from the host
// menu, and the editor tabs "EditWindow_0", one QScintilla editor per open
// file, the active tab being the current file. Questions and errors go
// through the dialog runner, so tests answer them.

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <vector>

#include "platform/ide/HostServices.h"

class QAction;
class QTabWidget;
class QsciScintilla;

namespace velt {

class TQtHost;

class TIdeWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TIdeWindow(TQtHost& host);
    QTabWidget* EditWindow;  // "EditWindow_0"

protected:
    // Closing the window closes the files first; a cancelled save question
    // keeps the window open.
    void closeEvent(QCloseEvent* event) override;

private:
    TQtHost& host_;
};

class TQtHost : public THostServices {
public:
    TQtHost();  // the window is made, not shown
    ~TQtHost() override;

    TIdeWindow& Window() { return *window_; }
    // The editor of an open file; null when it is not open.
    QsciScintilla* Editor(const std::string& fileName);
    // Closes the project and every file, asking to save modified ones;
    // false when the user cancelled.
    bool CloseAll();

protected:
    std::string NormalizeFileName(const std::string& fileName) override;
    std::shared_ptr<TEditBuffer> CreateBuffer(const std::string& fileName, std::string bytes) override;
    void DestroyBuffer(TEditBuffer& buffer) override;
    void ActivateBuffer(TEditBuffer& buffer) override;
    TSaveAnswer AskSave(const std::string& fileName) override;
    void ShowError(const std::string& message) override;
    void StateChanged() override;

private:
    void InstallMenuCommands();
    // Mirrors the host menu into a new menu bar and the shortcuts into
    // window actions (hidden items' shortcuts included).
    void RebuildMenus();
    // The packages' shortcuts win over the editor's own key bindings.
    void ClearCollidingKeys(QsciScintilla& editor);
    std::string FileOfTab(int index);
    void UpdateTabCaption(QsciScintilla* editor);
    // A file chosen in a file dialog; empty when cancelled.
    std::string ChooseFile(const char* caption, const char* filter);

    std::unique_ptr<TIdeWindow> window_;
    std::vector<QPointer<QAction>> shortcutActions_;
};

}  // namespace velt
