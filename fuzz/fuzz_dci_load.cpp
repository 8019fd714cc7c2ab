// Loads arbitrary bytes as the code-template file "velt.dci", lists its
// rows, then looks up a few templates and expands them into a small buffer
// with a fixed interpreter. Any failure must be an exception of the system;
// nothing may crash or hang.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "forth/Forth.h"
#include "foundation/CommMsg.h"
#include "source/CodeTemplates.h"
#include "source/IText.h"
#include "fuzz/FuzzSupport.h"

using namespace velt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Silence();
    const std::string text(reinterpret_cast<const char*>(data), size);
    // INCLUDE reads any file the text names (devices included), and a cursor
    // or margin moved a million columns out only makes the run slow; the
    // interpreter and the buffer have fuzz targets of their own.
    for (const char* word : {"include", "cursor", "margin"})
        if (fuzz::ContainsNoCase(text, word)) return 0;

    TCodeTemplates templates;
    templates.LoadFromText(text);
    const std::vector<TTemplateItem> items = templates.Items();
    if (items.size() != size_t(templates.Ini().Count())) __builtin_trap();

    std::vector<std::string> names = {"be", "", "X"};
    for (size_t i = 0; i < items.size() && i < 4; ++i) names.push_back(items[i].Name);

    TIText buffer;
    TForth forth;
    forth.StepLimit = 5000;
    forth.Objects.AddObject("SourceCode", &buffer);
    forth.SetText(": Main 1 ;\n");
    for (const std::string& name : names) {
        const TStringList* lines = templates.Find(name);
        if (!lines) continue;
        buffer.SetLinesText("unit X;\r\n    \r\nend.\r\n");
        buffer.SetCursorLine(1);
        buffer.SetCursorCol(5);
        forth.ClearStack();
        try {
            TCodeTemplates::Expand(*lines, buffer, forth);
        } catch (const Exception&) {
        }
        // The interpreter's own text is never lost to a template.
        if (forth.Text() != ": Main 1 ;\n") __builtin_trap();
    }
    return 0;
}
