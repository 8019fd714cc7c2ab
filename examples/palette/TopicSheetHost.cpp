#include "examples/palette/TopicSheetHost.h"

#include "helpdoc/TopicProperties.h"

namespace velt {

TTopicSheetHost::TTopicSheetHost(QWidget* parent) : parent_(parent) {}

TTopicSheetHost::~TTopicSheetHost() {
    if (form_) form_->ReleaseWindowManager();
}

HResult TTopicSheetHost::QueryInterface(const Guid& iid, void** obj) {
    return QueryFor<IWindowManager, IUnknown>(this, iid, obj);
}

void TTopicSheetHost::ShowForm(IGenericTirneForm* form) {
    form->GetForm()->show();
    form->ExternalActivate();
}

void TTopicSheetHost::HideForm(IGenericTirneForm* form) {
    form->ExternalHide();
    form->GetForm()->hide();
}

TTopicPropertiesForm* TTopicSheetHost::Open() {
    Close();
    auto* sheet = new TTopicPropertiesForm(parent_);
    sheet->setWindowFlag(Qt::Window);
    sheet->edContext->setText(QString::fromStdString(Context));
    sheet->edLocation->setText(QString::fromStdString(Location));
    sheet_ = sheet;
    form_ = ComPtr<IGenericTirneForm>(sheet);
    form_->SetWindowManager(this);
    // OK, Cancel and the title bar's close end the dialog: through HideForm.
    QObject::connect(sheet, &QDialog::finished, sheet, [this, sheet] {
        if (sheet_ == sheet) Close();
    });
    form_->Show();
    return sheet;
}

void TTopicSheetHost::Close() {
    if (!form_) return;
    // Taken first: hiding ends the dialog again, which comes back here.
    ComPtr<IGenericTirneForm> form = std::move(form_);
    sheet_ = nullptr;
    form->Hide();
    form->ReleaseWindowManager();
}  // the last reference goes: the sheet is released from the event loop

}  // namespace velt
