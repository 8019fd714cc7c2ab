#include "helpdoc/NewDocWizard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/ui/DialogRunner.h"
#include "platform/ui/ExceptionReporter.h"

namespace velt {

namespace {

QLabel* Heading(const char* text, QWidget* page) {
    auto* l = new QLabel(text, page);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

}  // namespace

TNewDocWizard::TNewDocWizard(QWidget* parent) : TWizard(parent) {
    setObjectName("NewDocWizard");
    setWindowTitle("Create New Documentation Project");

    WizardPanel1 = new TWizardPanel(Place);
    WizardPanel1->setObjectName("WizardPanel1");
    // The pages align their children: the controls go on one body each.
    auto* body1 = new QWidget(WizardPanel1);
    SetAlign(body1, alClient);
    auto* v1 = new QVBoxLayout(body1);
    v1->addWidget(Heading("Select New Documentation Project Style", WizardPanel1));
    DocStyle = new QGroupBox("Styles", WizardPanel1);
    DocStyle->setObjectName("DocStyle");
    auto* styles = new QVBoxLayout(DocStyle);
    SourceCodeStyle = new QRadioButton("Source Code Documentation", DocStyle);
    FormDesignStyle = new QRadioButton("Form Design Documentation", DocStyle);
    SourceCodeStyle->setChecked(true);
    styles->addWidget(SourceCodeStyle);
    styles->addWidget(FormDesignStyle);
    v1->addWidget(DocStyle);
    auto* prefix = new QGroupBox("Context Prefix", WizardPanel1);
    auto* p = new QVBoxLayout(prefix);
    edCtxPrefix = new QLineEdit("krVCL", prefix);
    edCtxPrefix->setObjectName("edCtxPrefix");
    p->addWidget(edCtxPrefix);
    v1->addWidget(prefix);
    v1->addStretch(1);

    WizardPanel2 = new TWizardPanel(Place);
    WizardPanel2->setObjectName("WizardPanel2");
    auto* body2 = new QWidget(WizardPanel2);
    SetAlign(body2, alClient);
    auto* v2 = new QVBoxLayout(body2);
    v2->addWidget(Heading("Select Documentation Project Location", WizardPanel2));
    auto* location = new QGroupBox("Location :", WizardPanel2);
    auto* h = new QHBoxLayout(location);
    edLocation = new QLineEdit(location);
    edLocation->setObjectName("edLocation");
    Button1 = new QPushButton("&Browse ...", location);
    Button1->setObjectName("Button1");
    h->addWidget(edLocation, 1);
    h->addWidget(Button1);
    v2->addWidget(location);
    v2->addStretch(1);

    AddPage(WizardPanel1);
    AddPage(WizardPanel2);
    WizardPanel1->SetNextPage(WizardPanel2);

    NewDialog = new QFileDialog(this, "Create New Documentation Project");
    NewDialog->setObjectName("NewDialog");
    NewDialog->setNameFilters({"Help Project(*.hpj) (*.HPj)", "All Files(*.*) (*.*)"});
    NewDialog->setFilter(NewDialog->filter() & ~QDir::CaseSensitive);
    connect(Button1, &QPushButton::clicked, this, [this] { CallReporting([this] { Button1Click(); }); });
}

TNewDocWizard::~TNewDocWizard() = default;

int TNewDocWizard::DocStyleIndex() const { return FormDesignStyle->isChecked() ? 1 : 0; }

void TNewDocWizard::Button1Click() {
    NewDialog->selectFile(edLocation->text());
    if (RunDialog(*NewDialog) == QDialog::Accepted && !NewDialog->selectedFiles().isEmpty())
        edLocation->setText(NewDialog->selectedFiles().first());
}

}  // namespace velt
