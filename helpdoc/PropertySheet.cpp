#include "helpdoc/PropertySheet.h"

#include <QHBoxLayout>
#include <QShowEvent>

#include "platform/ui/ExceptionReporter.h"

namespace velt {

TPropertySheet::TPropertySheet(QWidget* parent) : TGenericTirneForm(parent) {
    setObjectName("PropertySheet");
    setWindowTitle("Properties");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowContextHelpButtonHint);
    resize(420, 340);
    P2 = new TCustomPanel(PClient);
    P2->setObjectName("P2");
    P2->SetBevelOuter(bvNone);
    P2->resize(420, 40);
    P2->SetAlign(alBottom);
    P2->Loaded();
    auto* buttons = new QWidget(P2);
    SetAlign(buttons, alClient);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(8, 6, 8, 6);
    row->addStretch(1);
    BOk = new QPushButton("OK", buttons);
    BOk->setObjectName("BOk");
    BOk->setDefault(true);
    BCancel = new QPushButton("Cancel", buttons);
    BCancel->setObjectName("BCancel");
    BApply = new QPushButton("&Apply", buttons);
    BApply->setObjectName("BApply");
    row->addWidget(BOk);
    row->addWidget(BCancel);
    row->addWidget(BApply);
    P = new TCustomPanel(PClient);
    P->setObjectName("P");
    P->SetBevelOuter(bvNone);
    P->SetBorderWidth(4);
    P->SetAlign(alClient);
    P->Loaded();
    PageControl = new QTabWidget(P);
    PageControl->setObjectName("PageControl");
    SetAlign(PageControl, alClient);
    OkButtons = new TCompList(this);
    OkButtons->setObjectName("OkButtons");
    OkButtons->Add(BApply);
    OkButtons->Add(BOk);
    connect(BOk, &QPushButton::clicked, this, [this] { CallReporting([this] { BOkClick(); }); });
    connect(BApply, &QPushButton::clicked, this, [this] { CallReporting([this] { BApplyClick(); }); });
    connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TPropertySheet::~TPropertySheet() = default;

void TPropertySheet::showEvent(QShowEvent* e) {
    TGenericTirneForm::showEvent(e);
    CallReporting([this] { FormShow(); });
}

void TPropertySheet::FormShow() { Load(); }

void TPropertySheet::BOkClick() {
    storing_ = true;
    try {
        Store();
    } catch (...) {
        storing_ = false;
        throw;
    }
    storing_ = false;
    accept();
}

void TPropertySheet::BApplyClick() {
    BeforeStore();
    try {
        Store();
        AfterStore();
    } catch (...) {
        RollbackStore();
        throw;
    }
}

}  // namespace velt
