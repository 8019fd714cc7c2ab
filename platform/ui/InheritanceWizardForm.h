#pragma once
// The Qt side of the inheritance wizard: the form with its member list and
// the port that the word shows it through. The wizard's worker hands the
// rows over through the foundation's Synchronize; while the form is shown
// the port has the dialog's event loop serve those calls, so the list fills
// as the user looks.

#include <QDialog>
#include <QPointer>
#include <string>
#include <vector>

#include "source/InheritanceWizard.h"

class QPushButton;
class QTreeWidget;

namespace velt {

// Closes with 1 (OK) or 2 (Cancel, also Escape and closing the window).
// The "Derived from" rows head each ancestor's members, and a grey last row
// says why the walk stopped early; neither can be selected.
class TInheritanceWizardForm : public QDialog, public TInheritanceView {
    Q_OBJECT
public:
    explicit TInheritanceWizardForm(QWidget* parent = nullptr);
    ~TInheritanceWizardForm() override;

    // Caption "Inheritance Wizard of " + className.
    void SetClassName(const std::string& className);
    // Starts session's worker feeding the list; closing the form stops it.
    void Walk(TInheritanceSession& session);
    // Whether the worker may still add rows.
    bool Feeding() const;
    // The indices (into the rows fed) of the selected rows, in list order.
    std::vector<int> SelectedRows() const;
    void done(int result) override;

    void AddRows(const std::vector<TWizardRow>& rows) override;
    void WalkEnded(const std::string& why) override;

    QTreeWidget* VirtualView;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;

private:
    void StopWalk();

    TInheritanceSession* session_ = nullptr;
    bool feeding_ = false;
    int rows_ = 0;  // rows added so far
};

class TQtInheritanceWizardPort : public TInheritanceWizardPort {
public:
    // parent owns the form; without one, the active window does.
    explicit TQtInheritanceWizardPort(QWidget* parent = nullptr);
    bool Execute(const std::string& className, TInheritanceSession& session, std::vector<int>& selected) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace velt
