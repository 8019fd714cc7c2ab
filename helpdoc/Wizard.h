#pragma once
// A wizard: a modal dialog that shows one page at a time with Back, Next
// (Finish on the last page) and Cancel and a picture per page. Pages are
// panels linked by NextPage and BackPage; a wizard can take in the pages of
// another (Join), so wizards are composed from parts.

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/Controls.h"
#include "treeview/CompList.h"
#include "treeview/ImageList.h"

namespace velt {

class TWizardPanelBase : public TCustomPanel {
    Q_OBJECT
public:
    explicit TWizardPanelBase(QWidget* parent = nullptr);
    // Tells the pages beside it and its wizard that it goes, while its
    // links are still there.
    ~TWizardPanelBase() override;

    TNotifyEvent OnFirstEnter;
    TNotifyEvent OnEnter;
    TNotifyEvent OnNext;
    TNotifyEvent OnBack;

    TWizardPanelBase* GetNextPage() const { return NextPage_; }
    TWizardPanelBase* GetBackPage() const { return BackPage_; }
    // Nothing means the default next page. Both fire the change event.
    void SetNextPage(TWizardPanelBase* page);
    void SetBackPage(TWizardPanelBase* page);
    TWizardPanelBase* GetDefaultNextPage() const { return DefaultNextPage_; }
    void SetDefaultNextPage(TWizardPanelBase* page) { DefaultNextPage_ = page; }
    std::function<void()> OnChange;
    // The wizard's own hook: the page is going.
    std::function<void(TWizardPanelBase*)> OnRemoving;

    // Resets the entered flag.
    void Clear() { entered_ = false; }
    bool Entered() const { return entered_; }
    // OnFirstEnter the first time, OnEnter every time.
    virtual void Enter();
    virtual void Next();
    virtual void Back();
    // A page that goes: links to it are bridged over it.
    virtual void Notification(TWizardPanelBase* removed);

    int Tag = 0;

private:
    QPointer<TWizardPanelBase> NextPage_;
    QPointer<TWizardPanelBase> BackPage_;
    QPointer<TWizardPanelBase> DefaultNextPage_;
    bool entered_ = false;
    bool destroying_ = false;
};

// The page class that forms use.
class TWizardPanel : public TWizardPanelBase {
    Q_OBJECT
public:
    using TWizardPanelBase::TWizardPanelBase;
};

class TWizard : public QDialog {
    Q_OBJECT
public:
    explicit TWizard(QWidget* parent = nullptr);
    // Frees the joined wizards, last first.
    ~TWizard() override;

    // page current, entered flags reset, the others hidden, then the dialog
    // runs; the first showing steps to the page after it (to the start
    // page with none). The dialog's result.
    int Start(TWizardPanelBase* page = nullptr);
    // Does nothing: Start runs the wizard.
    int ShowModal() { return 0; }

    void BNextClick();
    void BBackClick();
    void SetCurrentPage(TWizardPanelBase* page);
    void UpdateButtons();
    TWizardPanelBase* GetStartPage() const;
    TWizardPanelBase* GetCurrentPage() const { return current_; }
    int GetPageCount() const;
    TWizardPanelBase* GetPages(int index) const;
    // Adds a page at the end of Pages (the first becomes the start page).
    void AddPage(TWizardPanelBase* page);
    virtual void Notification(TWizardPanelBase* removed);
    // Takes other's pages in: linked after afterPage (or, with none, as the
    // start page), defaultNext for those without a next page.
    void Join(std::unique_ptr<TWizard> other, TWizardPanelBase* afterPage, TWizardPanelBase* defaultNext);
    void UnJoin() {}
    virtual void AfterJoin(TWizard* /*host*/) {}
    bool Joined() const { return joinedFlag_; }
    TWizard* Host() const { return host_; }

    QPointer<TCustomPanel> PSys;
    QPointer<TCustomPanel> P2;
    QPointer<QLabel> Image;
    QPointer<TCustomPanel> Panel1, Panel2, Panel3, Panel4, Panel5;
    QPointer<QFrame> Bevel1, Bevel2;
    QPointer<TCustomPanel> PButtons;
    QPointer<QPushButton> BBack;
    QPointer<QPushButton> BNext;
    QPointer<QPushButton> BCancel;
    QPointer<TCustomPanel> Place;
    TImageList* Images = nullptr;  // owned by the form
    TPageList* Pages = nullptr;    // owned by the form

protected:
    void showEvent(QShowEvent* e) override;
    virtual void FormShow();

private:
    void Watch(TWizardPanelBase* page);
    void ShowPage(TWizardPanelBase* page, TWizardPanelBase* old);
    void FocusPage(TWizardPanelBase* page);
    bool finishing_ = false;  // BNext closes the wizard with OK
    QPointer<TWizardPanelBase> current_;
    QPointer<TWizardPanelBase> start_;
    std::vector<std::unique_ptr<TWizard>> joined_;
    bool joinedFlag_ = false;
    QPointer<TWizard> host_;
    bool shown_ = false;
};

}  // namespace velt
