#pragma once
// Shared pieces of the fuzz targets.

#include <string>
#include <string_view>

#include "foundation/CommMsg.h"
#include "foundation/SysUtils.h"

namespace velt::fuzz {

// Swallows every message, so targets stay quiet and never wait for input.
class TSilentSink : public TMessageSink {
public:
    void Info(std::string_view) override {}
    void Warning(std::string_view) override {}
    void Line(std::string_view) override {}
    bool Query(std::string_view) override { return false; }
    void Beep() override {}
};

// Installs the silent sink once per process.
inline void Silence() {
    static TSilentSink sink;
    SetMessageSink(&sink);
}

// Whether text holds word, ignoring ASCII case.
inline bool ContainsNoCase(std::string_view text, std::string_view word) {
    return UpperCase(text).find(UpperCase(word)) != std::string::npos;
}

}  // namespace velt::fuzz
