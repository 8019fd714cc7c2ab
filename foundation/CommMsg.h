#pragma once
// Messages to the user: an information or warning note, a plain line, a
// yes/no question and a beep. They go through a replaceable sink: the console
// one writes lines to a text stream and reads answers from another; a
// windowed host installs a message-box sink instead.

#include <iosfwd>
#include <string>
#include <string_view>

namespace velt {

class TMessageSink {
public:
    virtual ~TMessageSink() = default;
    virtual void Info(std::string_view text) = 0;     // caption "Info"
    virtual void Warning(std::string_view text) = 0;  // caption "Warning"
    virtual void Line(std::string_view text) = 0;     // a plain line; boxes show nothing
    virtual bool Query(std::string_view text) = 0;    // caption "Query"; true for Yes
    virtual void Beep() = 0;
};

// Lines on Out, answers from In; the beep is a BEL on Bell. Texts are passed
// whole. Output failures raise EInOutError.
class TConsoleMessageSink : public TMessageSink {
public:
    TConsoleMessageSink();  // standard output, input and error
    TConsoleMessageSink(std::ostream& out, std::istream& in, std::ostream& bell);
    // "Info: text" and a line end.
    void Info(std::string_view text) override;
    // "Warning: text" and a line end.
    void Warning(std::string_view text) override;
    void Line(std::string_view text) override;
    // Writes text + "[Y/N]", then reads characters: Y/y answers true, N/n
    // false; line ends are skipped, anything else beeps. The end of input
    // answers No.
    bool Query(std::string_view text) override;
    void Beep() override;

private:
    void WriteLine(std::string_view text);
    void Check();
    std::ostream& out_;
    std::istream& in_;
    std::ostream& bell_;
};

// Installs a sink (not owned) and answers the previous one; null restores
// the console sink over the standard streams.
TMessageSink* SetMessageSink(TMessageSink* sink);
TMessageSink& GetMessageSink();

// Raises Exception with the text.
[[noreturn]] void Err(const std::string& text);
void Msg(std::string_view text);
void Warning(std::string_view text);
void Q(std::string_view text);
bool Query(std::string_view text);
void Beep();

}  // namespace velt
