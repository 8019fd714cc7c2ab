#include "platform/ui/ConsoleWindow.h"

#include <QApplication>
#include <QFontDatabase>
#include <QScrollBar>
#include <iostream>

namespace velt {

TConsoleWindow::TConsoleWindow(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("VELTOutput");
    setWindowTitle(QStringLiteral("VELT Output"));
    setReadOnly(true);
    setMaximumBlockCount(MaxLines);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    resize(640, 400);
}

void TConsoleWindow::AppendLine(std::string_view line) {
    appendPlainText(QString::fromUtf8(line.data(), qsizetype(line.size())));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

TConsole::TConsole(std::ostream& out) : out_(out), previous_(SetMessageSink(this)) {
    if (qApp) window_ = new TConsoleWindow;
}

TConsole::TConsole() : TConsole(std::cout) {}

TConsole::~TConsole() {
    SetMessageSink(previous_);
    delete window_.data();
}

void TConsole::Info(std::string_view text) { previous_->Info(text); }

void TConsole::Warning(std::string_view text) { previous_->Warning(text); }

void TConsole::Line(std::string_view text) {
    out_ << text << '\n';
    out_.flush();
    if (window_) window_->AppendLine(text);
}

bool TConsole::Query(std::string_view text) { return previous_->Query(text); }

void TConsole::Beep() { previous_->Beep(); }

}  // namespace velt
