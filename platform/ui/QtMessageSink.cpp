#include "platform/ui/QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/ui/DialogRunner.h"

namespace velt {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Boxes have no owner window, like the message routines they stand for.
// Texts are shown as written, never as markup.
void Note(QMessageBox::Icon icon, const QString& caption, std::string_view text) {
    QMessageBox box(icon, caption, Text(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    RunDialog(box);
}

}  // namespace

bool AskYesNo(const QString& caption, const QString& text, QWidget* parent) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    const int r = RunDialog(box);
    // A runner that answers without clicking gives the button as the result.
    if (QAbstractButton* clicked = box.clickedButton()) return clicked == box.button(QMessageBox::Yes);
    return r == QMessageBox::Yes;
}

void TQtMessageSink::Info(std::string_view text) { Note(QMessageBox::Information, QStringLiteral("Info"), text); }

void TQtMessageSink::Warning(std::string_view text) { Note(QMessageBox::Warning, QStringLiteral("Warning"), text); }

void TQtMessageSink::Line(std::string_view) {}

bool TQtMessageSink::Query(std::string_view text) { return AskYesNo(QStringLiteral("Query"), Text(text)); }

void TQtMessageSink::Beep() { QApplication::beep(); }

}  // namespace velt
