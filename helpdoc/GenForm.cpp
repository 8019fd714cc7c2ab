#include "helpdoc/GenForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>

#include "foundation/SysUtils.h"
#include "platform/ui/DialogRunner.h"

namespace velt {

TGenericTirneForm::TGenericTirneForm(QWidget* parent) : QDialog(parent) {
    setObjectName("GenericTirneForm");
    PClient = new TCustomPanel(this);
    PClient->setObjectName("PClient");
    PClient->SetBevelOuter(bvNone);
    PClient->SetAlign(alClient);
    PClient->Loaded();
}

TGenericTirneForm::~TGenericTirneForm() = default;

HResult TGenericTirneForm::QueryInterface(const Guid& iid, void** obj) {
    return QueryFor<IGenericTirneForm, IUnknown>(this, iid, obj);
}

int32_t TGenericTirneForm::_AddRef() { return ++refCount_; }

int32_t TGenericTirneForm::_Release() {
    const int32_t n = --refCount_;
    if (n == 0) {
        // Released from the event loop, outside whatever handler of the
        // form dropped the last reference; a reference taken again by then
        // keeps the form.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [form = QPointer<TGenericTirneForm>(this)] {
                if (form && form->refCount_ == 0) delete form.data();
            },
            Qt::QueuedConnection);
    }
    return n;
}

void TGenericTirneForm::closeEvent(QCloseEvent* e) {
    TCloseAction action = caHide;
    FormClose(action);
    if (action == caNone) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

void TGenericTirneForm::SetWindowManager(IWindowManager* manager) { manager_ = ComPtr<IWindowManager>(manager); }

void TGenericTirneForm::ReleaseWindowManager() { manager_.reset(); }

void TGenericTirneForm::Show() {
    if (!manager_) throw EAssertionFailed("Assertion failure (GenForm.pas, line 131)");
    manager_->ShowForm(this);
}

void TGenericTirneForm::Hide() {
    if (!manager_) throw EAssertionFailed("Assertion failure (GenForm.pas, line 137)");
    manager_->HideForm(this);
}

void TGenericTirneForm::ExternalShow() {
    if (!shown_) UserShow();
    shown_ = true;
}

void TGenericTirneForm::ExternalHide() {
    ExternalDeactivate();
    if (shown_) UserHide();
    shown_ = false;
}

void TGenericTirneForm::ExternalActivate() {
    ExternalShow();
    if (!active_) UserActivate();
    active_ = true;
}

void TGenericTirneForm::ExternalDeactivate() {
    if (active_) UserDeactivate();
    active_ = false;
}

bool TGenericTirneForm::ExternalCloseQuery() {
    std::string message;
    try {
        DoSaveObject();
        return UserCloseQuery();
    } catch (const std::exception& e) {
        message = e.what();
    }
    QString text = QString::fromUtf8("Cannot save object\r" + message + "\rIgnore this error and close window without saving?");
    text.replace('\r', '\n');
    QMessageBox box(QMessageBox::Critical, windowTitle(), text, QMessageBox::Yes | QMessageBox::No, this);
    return RunDialog(box) == QMessageBox::Yes;
}

}  // namespace velt
