#include "platform/ui/BatchDialogRunner.h"

#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <iostream>

namespace velt {

TBatchDialogRunner::TBatchDialogRunner(std::string program, const std::vector<std::string>& answers)
    : program_(std::move(program)) {
    for (const std::string& a : answers) answers_.push_back(QString::fromStdString(a).split(QLatin1Char('|')));
}

int TBatchDialogRunner::Run(QDialog& dialog) {
    for (const QStringList& answer : answers_)
        if (answer.value(0) == dialog.windowTitle()) return Answer(dialog, answer);
    std::cerr << program_ << ": dialog \"" << dialog.windowTitle().toStdString() << "\"";
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) std::cerr << ": " << box->text().toStdString();
    std::cerr << " (cancelled)" << std::endl;
    dialog.setResult(QDialog::Rejected);
    return QDialog::Rejected;
}

int TBatchDialogRunner::Answer(QDialog& dialog, const QStringList& answer) const {
    for (qsizetype i = 1; i < answer.size(); ++i) {
        const QString name = answer[i].section(QLatin1Char('='), 0, 0);
        if (auto* edit = dialog.findChild<QLineEdit*>(name)) edit->setText(answer[i].section(QLatin1Char('='), 1));
    }
    std::cerr << program_ << ": answered \"" << dialog.windowTitle().toStdString() << "\"" << std::endl;
    dialog.setResult(QDialog::Rejected);
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->isDefault() && button->isEnabled()) {
            button->click();
            return dialog.result();
        }
    dialog.done(QDialog::Accepted);
    return dialog.result();
}

}  // namespace velt
