#pragma once
// The Qt side of the inheritance wizard: the form with its member list and
// the port that the word shows it through. The form asks the walk for one
// ancestor's rows per turn of the event loop while it is open, so the list
// fills as the user looks and the walk stays on the user-interface thread.

#include <QDialog>
#include <QPointer>
#include <string>
#include <vector>

#include "source/InheritanceWizard.h"

class QPushButton;
class QTimer;
class QTreeWidget;

namespace velt {

// Closes with 1 (OK) or 2 (Cancel, also Escape and closing the window).
// The "Derived from" rows head each ancestor's members and cannot be
// selected.
class TInheritanceWizardForm : public QDialog {
    Q_OBJECT
public:
    explicit TInheritanceWizardForm(QWidget* parent = nullptr);
    ~TInheritanceWizardForm() override;

    // Caption "Inheritance Wizard of " + className.
    void SetClassName(const std::string& className);
    // Starts asking feed for rows from the event loop, one call per turn,
    // until it has no more or the form closes.
    void Feed(TInheritanceFeed& feed);
    // Whether the feed is still being asked.
    bool Feeding() const;
    // The indices (into the rows fed) of the selected rows, in list order.
    std::vector<int> SelectedRows() const;
    void done(int result) override;

    QTreeWidget* VirtualView;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;

private:
    void FeedOne();
    void AddRow(const TWizardRow& row);

    QTimer* timer_;
    TInheritanceFeed* feed_ = nullptr;
    bool inFeed_ = false;
    int rows_ = 0;  // rows added so far
};

class TQtInheritanceWizardPort : public TInheritanceWizardPort {
public:
    // parent owns the form; without one, the active window does.
    explicit TQtInheritanceWizardPort(QWidget* parent = nullptr);
    bool Execute(const std::string& className, TInheritanceFeed& feed, std::vector<int>& selected) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace velt
