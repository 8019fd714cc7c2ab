#pragma once
// A form with pages and OK, Cancel and Apply buttons that loads an object's
// properties when shown and stores them on OK or Apply. Descendants fill
// the hooks; a store that fails keeps the dialog open.

#include <QPointer>
#include <QPushButton>
#include <QTabWidget>

#include "helpdoc/GenForm.h"
#include "treeview/CompList.h"

namespace velt {

class TPropertySheet : public TGenericTirneForm {
    Q_OBJECT
public:
    explicit TPropertySheet(QWidget* parent = nullptr);
    ~TPropertySheet() override;

    virtual void Load() {}
    virtual void Store() {}
    virtual void BeforeStore() {}
    virtual void AfterStore() {}
    virtual void RollbackStore() {}

    // Store; closes with OK only after Store returned.
    void BOkClick();
    // BeforeStore, Store, AfterStore; a failure of the last two rolls back
    // and propagates.
    void BApplyClick();
    // Whether OK is storing.
    bool Storing() const { return storing_; }

    QPointer<TCustomPanel> P;
    QPointer<QTabWidget> PageControl;
    QPointer<TCustomPanel> P2;
    QPointer<QPushButton> BOk;
    QPointer<QPushButton> BCancel;
    QPointer<QPushButton> BApply;
    // BApply and BOk, for descendants that switch them together.
    TCompList* OkButtons = nullptr;  // owned by the form

protected:
    void showEvent(QShowEvent* e) override;
    virtual void FormShow();

private:
    bool storing_ = false;
};

}  // namespace velt
