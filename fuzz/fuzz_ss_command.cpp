// Parses arbitrary bytes as an ss command line, one argument a line. Whatever
// parses must be a whole command; whatever is refused must not show the
// password of a -y option, mistyped or not, in its message.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/vss/SsCommand.h"

namespace {

std::vector<std::string> Split(std::string_view text) {
    std::vector<std::string> args;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == '\n') {
            args.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    return args;
}

void Check(const velt::vss::TSsCommand& c) {
    using velt::vss::TSsVerb;
    size_t n = c.Args.size();
    bool counts = c.Verb == TSsVerb::Cp ? n == 1 : c.Verb == TSsVerb::Get ? n == 1 || n == 2
                                               : c.Verb == TSsVerb::Dir   ? n <= 1
                                                                          : n >= 1;
    if (!counts || (c.HasUser && c.User.empty()) || (!c.HasPassword && !c.Password.empty())) std::abort();
    for (const std::string& a : c.Args)
        if (a.empty() || (a.size() > 1 && a[0] == '-')) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt::vss;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args = Split(text);
    try {
        Check(ParseSsCommandLine(args));
    } catch (const ESsUsage&) {
    }
    // The same line with whatever follows a comma in a -y option, a
    // mistyped one or the command word replaced by a marker found nowhere
    // else: a password there is never shown.
    const std::string marker = "\x01\x02\x03";
    if (text.find('\x01') != std::string_view::npos) return 0;
    bool marked = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string& a = args[i];
        size_t comma = a.find(',');
        if (comma != std::string::npos && (i == 0 || (a.size() > 1 && a[0] == '-'))) {
            a = a.substr(0, comma + 1) + marker;
            marked = true;
        }
    }
    if (!marked) return 0;
    try {
        ParseSsCommandLine(args);
    } catch (const ESsUsage& e) {
        if (e.Message.find(marker) != std::string::npos) std::abort();
    }
    return 0;
}
