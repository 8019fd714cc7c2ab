#pragma once
// The property sheet of a help topic: its context and its file.

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "helpdoc/PropertySheet.h"

namespace velt {

class TTopicPropertiesForm : public TPropertySheet {
    Q_OBJECT
public:
    explicit TTopicPropertiesForm(QWidget* parent = nullptr);
    ~TTopicPropertiesForm() override;

    QPointer<QWidget> Standard;
    QPointer<QLineEdit> edContext;
    QPointer<QLineEdit> edLocation;
    QPointer<QPushButton> BBrowse;
};

}  // namespace velt
