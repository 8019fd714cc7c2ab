#include "foundation/CommMsg.h"

#include <iostream>

#include "foundation/SysUtils.h"

namespace velt {

namespace {

TConsoleMessageSink& ConsoleSink() {
    static TConsoleMessageSink sink;
    return sink;
}

TMessageSink* currentSink = nullptr;

}  // namespace

TConsoleMessageSink::TConsoleMessageSink() : TConsoleMessageSink(std::cout, std::cin, std::cerr) {}

TConsoleMessageSink::TConsoleMessageSink(std::ostream& out, std::istream& in, std::ostream& bell)
    : out_(out), in_(in), bell_(bell) {}

void TConsoleMessageSink::Check() {
    if (!out_) {
        out_.clear();
        throw EInOutError("I/O error writing to the console");
    }
}

void TConsoleMessageSink::WriteLine(std::string_view text) {
    out_ << text << '\n';
    out_.flush();
    Check();
}

void TConsoleMessageSink::Info(std::string_view text) { WriteLine("Info: " + std::string(text)); }

void TConsoleMessageSink::Warning(std::string_view text) { WriteLine("Warning: " + std::string(text)); }

void TConsoleMessageSink::Line(std::string_view text) { WriteLine(text); }

bool TConsoleMessageSink::Query(std::string_view text) {
    out_ << text << "[Y/N]";
    out_.flush();
    Check();
    for (;;) {
        int c = in_.get();
        if (c == std::char_traits<char>::eof()) return false;  // nobody left to answer
        if (c == 'Y' || c == 'y') return true;
        if (c == 'N' || c == 'n') return false;
        // The line end after an earlier answer is not a wrong answer.
        if (c != '\r' && c != '\n') Beep();
    }
}

void TConsoleMessageSink::Beep() {
    bell_ << '\a';
    bell_.flush();
    if (!bell_) bell_.clear();  // a beep that cannot sound is no error
}

TMessageSink* SetMessageSink(TMessageSink* sink) {
    TMessageSink* old = &GetMessageSink();
    currentSink = sink;
    return old;
}

TMessageSink& GetMessageSink() { return currentSink ? *currentSink : ConsoleSink(); }

void Err(const std::string& text) { throw Exception(text); }
void Msg(std::string_view text) { GetMessageSink().Info(text); }
void Warning(std::string_view text) { GetMessageSink().Warning(text); }
void Q(std::string_view text) { GetMessageSink().Line(text); }
bool Query(std::string_view text) { return GetMessageSink().Query(text); }
void Beep() { GetMessageSink().Beep(); }

}  // namespace velt
