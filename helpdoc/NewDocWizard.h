#pragma once
// The wizard that asks for a new documentation project's style, context
// prefix and help-project location.

#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include "helpdoc/Wizard.h"

namespace velt {

class TNewDocWizard : public TWizard {
    Q_OBJECT
public:
    explicit TNewDocWizard(QWidget* parent = nullptr);
    ~TNewDocWizard() override;

    // The location into the dialog; a confirmed choice back into it.
    void Button1Click();
    // 0 for "Source Code Documentation", 1 for "Form Design Documentation".
    int DocStyleIndex() const;

    QPointer<TWizardPanel> WizardPanel1;
    QPointer<TWizardPanel> WizardPanel2;
    QPointer<QGroupBox> DocStyle;
    QPointer<QRadioButton> SourceCodeStyle;
    QPointer<QRadioButton> FormDesignStyle;
    QPointer<QLineEdit> edCtxPrefix;
    QPointer<QLineEdit> edLocation;
    QPointer<QPushButton> Button1;
    QPointer<QFileDialog> NewDialog;
};

}  // namespace velt
