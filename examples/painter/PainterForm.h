#pragma once
// velt-painter's main window: an editing panel made through the component
// palette, the tools Select, Box and Link, and the menus File, Edit, View
// and Tools. Drawings are stored in the text form (*.grt) or as a binary
// root file (*.grf), chosen by the extension when saving and told apart by
// the content when opening.

#include <QMainWindow>
#include <QPointer>
#include <string>

#include "examples/painter/Drawing.h"
#include "painter/EdtComp.h"
#include "painter/EdtPanel.h"

class QAction;
class QActionGroup;

namespace velt {

class TEditGraphPaint;

enum TPainterTool : uint8_t { ptSelect, ptBox, ptLink };

class TPainterForm : public QMainWindow {
    Q_OBJECT
public:
    TPainterForm();
    ~TPainterForm() override;

    TEditGraphPanel* Panel() const { return panel_; }
    TEditGraphPaint* Canvas() const;
    TGrfRootComp* Root() const { return root_.get(); }
    const std::string& FileName() const { return fileName_; }

    TPainterTool Tool() const { return tool_; }
    void SetTool(TPainterTool tool);

    // An empty drawing without a file name.
    void New();
    // Whether the drawing's stored form (the text form: selection and zoom
    // are not part of it) differs from the one last loaded or saved.
    bool Changed() const;
    // Before the drawing is let go: a changed drawing asks "Save changes to
    // NAME?" (Yes, No, Cancel). True to go on: No, or Yes and the save
    // worked; Cancel or a failed save keep the drawing.
    bool QuerySave();
    // Shows the drawing of the file; on failure the drawing shown stays
    // and the error passes on.
    void OpenFile(const std::string& fileName);
    // Saves under the name, which becomes the drawing's.
    void SaveFile(const std::string& fileName);
    // The menu commands: Open and Save As ask for a name; Save asks only
    // for a drawing without one. New and Open ask QuerySave first. Errors
    // are reported.
    void NewClick();
    void OpenClick();
    void SaveClick();
    void SaveAsClick();

    // The menu item of that object name, or null.
    QAction* Action(const QString& name) const;

protected:
    // Closing the window (File > Exit too) asks QuerySave.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    // The stored form of the drawing shown; empty when it cannot be written.
    std::string StoredForm() const;
    void KeepStoredForm();
    void ShowRoot(TVerUdovPtr<TGrfRootComp> root, const std::string& fileName);
    void UpdateTitle();
    // The tools' press: a new component of the tool drawn from (x, y).
    void ToolPress(float x, float y);
    std::string NewName(const std::string& prefix) const;

    QPointer<TEditGraphPanel> panel_;
    TVerUdovPtr<TGrfRootComp> root_;
    std::string fileName_;
    // The stored form last loaded or saved.
    std::string keptForm_;
    TPainterTool tool_ = ptSelect;
    QActionGroup* tools_ = nullptr;
};

}  // namespace velt
