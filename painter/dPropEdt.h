#pragma once
// The property editor: a modal tabbed dialog whose pages come from dialog
// forms supplied by the objects being edited. Each object takes part through
// IPropertyEdit: SetupSheet adds its dialogs (their pages move into the
// editor) and loads them; ApplyData takes the values of one dialog back.
// Pages mark a changed control by its "Tag" property (kTagProperty).

#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "foundation/ComPtr.h"
#include "foundation/Support.h"
#include "painter/IGrfEdit.h"

namespace velt {

class TPropEditor;

// {6A431321-B7C7-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_IPropertyEdit{0x6A431321, 0xB7C7, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};

class IPropertyEdit : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IPropertyEdit;
    // Adds the object's dialogs to editor and loads them.
    virtual void SetupSheet(TPropEditor& editor) = 0;
    // Takes the values of dialog back. Called with every dialog added to
    // the editor, so an object skips dialogs that are not its own.
    virtual void ApplyData(QDialog& dialog) = 0;
};

class TPropEditor : public QDialog {
    Q_OBJECT
public:
    // Made by CraatePropEditor, which gives it its list.
    explicit TPropEditor(QWidget* parent = nullptr);
    ~TPropEditor() override;

    QWidget* Panel1;
    QTabWidget* PC;
    QWidget* Panel2;
    QWidget* Panel3;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;
    QPushButton* BtnApply;

    // The objects being edited (each must offer IPropertyEdit).
    IIntfList* List() const { return list_.get(); }
    void SetList(IIntfList* list);
    // The canvas whose box the edited views are invalidated on after Apply.
    IPainter* Painter() const { return painter_.get(); }
    void SetPainter(IPainter* painter);
    // While set, AddDlg moves the dialog's pages into the editor.
    bool AddPages() const { return addPages_; }
    void SetAddPages(bool value) { addPages_ = value; }
    // Holds every added dialog.
    QWidget* DlgOwner() const { return dlgOwner_; }
    // True while Execute runs the objects' SetupSheet.
    bool Executing() const { return executing_; }

    void FormCreate();
    // SetupSheet of every object, BeginEdit, the modal run when there is a
    // page, then Apply(true) when confirmed with Ok. EIntfCastError, before
    // anything is done, when an object lacks IPropertyEdit.
    bool Execute();

    // The added dialog of exactly class T, else a new T added by AddDlg.
    template <class T>
    T* AddDlgClass();
    // Takes the dialog; while AddPages is set, the pages of the dialog's own
    // tab widgets move into PC. Answers the dialog.
    QDialog* AddDlg(std::unique_ptr<QDialog> dialog);
    // Grows the editor so that the sheet's content fits (it never shrinks),
    // then moves the sheet, with its tab text and object name, into PC.
    void AddPage(QWidget* sheet);
    void AddControl(QWidget* parent, QWidget* control);
    // The added dialogs in the order they were added; EListError out of range.
    QDialog* GetD(int index) const;
    int GetDCount() const;

    // Tag 0 on the editor and everything it holds, dialogs included.
    void BeginEdit();
    // True for a component whose tag is greater than 0.
    static bool Check(const QObject* component);
    // Unless Execute is running SetupSheet: for every object in order, with
    // full its ApplyData with every dialog in the order added, then, with a
    // painter set, the object's view invalidated on the painter's box.
    // EIntfCastError, before anything is done, when an object lacks
    // IPropertyEdit.
    void Apply(bool full);
    // Apply(true), then closes with 1; a failure is reported and the
    // editor stays open with its pages as they are.
    void BtnOkClick();
    void BtnApplyClick();
    void ControlChange(QObject* sender);
    void Setup();
    void FormShow();
    void FormHide();

    // Escape and closing the window answer 2, as Cancel does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QDialog* FindDlg(const std::type_info& type) const;

    // A hidden child that holds the added dialogs (still windows of their
    // own), so they go with the editor and BeginEdit reaches them.
    QWidget* dlgOwner_;
    bool executing_ = false;
    ComPtr<IIntfList> list_;
    ComPtr<IPainter> painter_;
    bool addPages_ = false;
    // Set when Ok applied the pages: Execute does not apply them again.
    bool appliedOnOk_ = false;
    std::vector<QPointer<QDialog>> dialogs_;
};

template <class T>
T* TPropEditor::AddDlgClass() {
    if (QDialog* d = FindDlg(typeid(T))) return static_cast<T*>(d);
    return static_cast<T*>(AddDlg(std::make_unique<T>()));
}

// A new editor for list (not CreatePropEditor: the name is kept).
std::unique_ptr<TPropEditor> CraatePropEditor(IIntfList* list);
void FreePropEditor(std::unique_ptr<TPropEditor>& editor);

// The page name remembered when an editor was last hidden; cleared by
// PropEditorShutdown when the unit ends.
std::string PropEditorPageName();
void PropEditorShutdown();

}  // namespace velt
