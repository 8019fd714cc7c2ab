// The unit text of an editor buffer on arbitrary bytes: where the final
// "end." cuts it, how many lines it has and which fault it is refused for
// must agree with a plain line-by-line reading of the text, whichever way
// (fast or exact) the scan took.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "services/EditorText.h"
#include "source/IText.h"
#include "source/SourceCode.h"

namespace {

using namespace velt;

struct TOracle {
    size_t Length = 0;
    int32_t Lines = 0;
    std::string Error;
};

// Line by line: each line's bytes, then its length; the first line after
// the first one that starts with "end." (any case) ends the unit.
TOracle Read(std::string_view t, bool cut) {
    TOracle r;
    size_t start = 0;
    int32_t line = 0;
    bool found = false;
    while (start < t.size() && !found) {
        ++line;
        size_t end = start;
        while (end < t.size() && t[end] != '\r' && t[end] != '\n') ++end;
        for (size_t i = start; i < end; ++i) {
            const unsigned char c = static_cast<unsigned char>(t[i]);
            if (c < 0x20 && c != '\t' && c != '\f' && c != 0x1A) {
                char code[8];
                std::snprintf(code, sizeof code, "%02X", unsigned(c));
                r.Error = std::string("F: binary data (byte $") + code + ") in line " + std::to_string(line);
                return r;
            }
        }
        if (end - start > size_t(TIText::MaxCursorCol)) {
            r.Error = "F: line " + std::to_string(line) + " is longer than 1048576 characters";
            return r;
        }
        found = cut && line > 1 && t.size() - start >= 4 && (t[start] | 0x20) == 'e' && (t[start + 1] | 0x20) == 'n' &&
                (t[start + 2] | 0x20) == 'd' && t[start + 3] == '.';
        start = end;
        if (start < t.size()) start += (t[start] == '\r' && start + 1 < t.size() && t[start + 1] == '\n') ? 2 : 1;
    }
    if (cut && !found) {
        r.Error = "F: Final end. not found";
        return r;
    }
    r.Length = start;
    r.Lines = line;
    return r;
}

void Check(const TOracle& want, const TUnitText& got, const std::string& error) {
    if (want.Error != error) std::abort();
    if (error.empty() && (want.Length != got.Length || want.Lines != got.Lines)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const bool cut : {true, false}) {
        TUnitText got;
        std::string error;
        try {
            if (cut)
                got = UnitTextOf(text, "F");
            else
                got = {text.size(), CheckEditorText(text, "F")};
        } catch (const EInvalidSourceCode& e) {
            error = e.what();
        }
        TOracle want = Read(text, cut);
        if (!cut && want.Error.empty()) want.Length = text.size();
        Check(want, got, error);
    }
    return 0;
}
