#pragma once
// Shared pieces of the fuzz targets.

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
    if (word.size() > text.size()) return false;
    for (size_t i = 0; i + word.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < word.size() && UpCaseChar(text[i + k]) == UpCaseChar(word[k])) ++k;
        if (k == word.size()) return true;
    }
    return false;
}

}  // namespace velt::fuzz
