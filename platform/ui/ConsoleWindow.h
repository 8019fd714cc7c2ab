#pragma once
// The "VELT Output" console: a window that shows every console line (the
// message sink's plain lines) and still writes each one to standard output.
// Notes and questions go on to the sink that was installed before.

#include <QPlainTextEdit>
#include <QPointer>
#include <iosfwd>
#include <memory>
#include <string_view>

#include "foundation/CommMsg.h"

namespace velt {

class TConsoleWindow : public QPlainTextEdit {
    Q_OBJECT
public:
    // Lines kept in the window; older ones scroll away (standard output
    // keeps them all).
    static constexpr int MaxLines = 20000;

    explicit TConsoleWindow(QWidget* parent = nullptr);
    void AppendLine(std::string_view line);
};

// Installs itself as the message sink while it lives. The window exists
// only when there is a QApplication; closing it hides it.
class TConsole : public TMessageSink {
public:
    explicit TConsole(std::ostream& out);
    TConsole();  // standard output
    ~TConsole() override;
    TConsole(const TConsole&) = delete;
    TConsole& operator=(const TConsole&) = delete;

    void Info(std::string_view text) override;
    void Warning(std::string_view text) override;
    void Line(std::string_view text) override;
    bool Query(std::string_view text) override;
    void Beep() override;

    // Null without a QApplication, or once the window was destroyed.
    TConsoleWindow* Window() const { return window_; }

private:
    std::ostream& out_;
    TMessageSink* previous_;
    QPointer<TConsoleWindow> window_;
};

}  // namespace velt
