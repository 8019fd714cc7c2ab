#include "helpdoc/TopicProperties.h"

#include <QGridLayout>
#include <QLabel>

namespace velt {

TTopicPropertiesForm::TTopicPropertiesForm(QWidget* parent) : TPropertySheet(parent) {
    setObjectName("TopicPropertiesForm");
    setWindowTitle("Topic Properties");
    Standard = new QWidget();
    Standard->setObjectName("Standard");
    auto* grid = new QGridLayout(Standard);
    auto* context = new QLabel("Context :", Standard);
    edContext = new QLineEdit(Standard);
    edContext->setObjectName("edContext");
    context->setBuddy(edContext);
    auto* location = new QLabel("Location :", Standard);
    edLocation = new QLineEdit(Standard);
    edLocation->setObjectName("edLocation");
    location->setBuddy(edLocation);
    BBrowse = new QPushButton("&Browse ...", Standard);
    BBrowse->setObjectName("BBrowse");
    grid->addWidget(context, 0, 0);
    grid->addWidget(edContext, 0, 1, 1, 2);
    grid->addWidget(location, 1, 0);
    grid->addWidget(edLocation, 1, 1);
    grid->addWidget(BBrowse, 1, 2);
    grid->setRowStretch(2, 1);
    PageControl->addTab(Standard, "Standard");
}

TTopicPropertiesForm::~TTopicPropertiesForm() = default;

}  // namespace velt
