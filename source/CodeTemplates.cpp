#include "source/CodeTemplates.h"

#include <algorithm>

#include "forth/Forth.h"
#include "foundation/RegKeys.h"
#include "foundation/RootDir.h"
#include "foundation/StrUtils.h"
#include "source/IText.h"

namespace velt {

std::string CodeTemplateFileName(TKey* key) {
    std::string folder = kDefaultRootDir;
    if (key) folder = key->GetAsString("RootDir", folder);
    if (folder.empty()) folder = kDefaultRootDir;
    return JoinPath(MapSystemPath(folder), "velt.dci");
}

void TCodeTemplates::LoadFromFile(const std::string& fileName) {
    // Read first: a failing read leaves the templates as they were.
    LoadFromText(ReadWholeFile(fileName));
}

void TCodeTemplates::LoadFromText(std::string_view text) {
    ini_.Clear();
    ini_.AppendFromText(text);
}

std::string TCodeTemplates::TemplateName(std::string_view section) { return Trim(CopyBefore("|", section)); }

std::string TCodeTemplates::TemplateDescription(std::string_view section) {
    return Trim(CopyAfter("|", section));
}

const TStringList* TCodeTemplates::Find(std::string_view name) const {
    for (int i = 0; i < ini_.Count(); ++i)
        if (SameText(TemplateName(ini_[i]), name)) {
            if (const TStringList* lines = ini_.SectionLines(ini_[i])) return lines;
            static const TStringList empty;
            return &empty;
        }
    return nullptr;
}

std::vector<TTemplateItem> TCodeTemplates::Items() const {
    std::vector<TTemplateItem> items;
    items.reserve(size_t(ini_.Count()));
    for (int i = 0; i < ini_.Count(); ++i)
        items.push_back({TemplateName(ini_[i]), TemplateDescription(ini_[i])});
    std::stable_sort(items.begin(), items.end(), [](const TTemplateItem& a, const TTemplateItem& b) {
        return CompareText(a.Name, b.Name) < 0;
    });
    return items;
}

namespace {

// Runs "(** ... **)" of line from the index after its "(**" through forth;
// answers the index in line where the interpreter stopped. The
// interpreter's own Text and Pos come back whatever happens.
size_t RunEmbedded(TForth& forth, const std::string& line, size_t start) {
    const std::string savedText = forth.Text();
    const int32_t savedPos = forth.Pos;
    int32_t stop;
    try {
        forth.SetText(line + " ");
        forth.Pos = int32_t(start) + 1;
        forth.Interpret();
        stop = forth.Pos;
    } catch (...) {
        forth.SetText(savedText);
        forth.Pos = savedPos;
        throw;
    }
    forth.SetText(savedText);
    forth.Pos = savedPos;
    // Always past the "(**", never past the line.
    const int64_t at = std::clamp<int64_t>(int64_t(stop) - 1, int64_t(start), int64_t(line.size()));
    return size_t(at);
}

}  // namespace

void TCodeTemplates::Expand(const TStringList& lines, TIText& text, TForth& forth) {
    text.SetMargin(std::max(text.GetCursorCol(), 1) - 1);
    bool caretFound = false;
    int32_t caretLine = 0, caretCol = 0;
    // The lines are copied: an embedded word may reload the templates.
    const std::vector<std::string> copy = lines.Strings();
    for (const std::string& templateLine : copy) {
        std::string s = templateLine;
        for (;;) {
            const size_t open = s.find("(**");
            const size_t bar = s.find('|');
            if (open != std::string::npos && (bar == std::string::npos || bar > open)) {
                text.OutText(s.substr(0, open));
                const size_t rest = RunEmbedded(forth, s, open + 3);
                s.erase(0, rest);
            } else if (bar != std::string::npos) {
                text.OutText(s.substr(0, bar));
                caretFound = true;
                caretLine = text.GetCursorLine();
                caretCol = text.GetCursorCol();
                s.erase(0, bar + 1);
            } else {
                text.OutText(s);
                text.mCRLF();
                break;
            }
        }
    }
    if (caretFound) {
        // OutText may have left the column past what a command file may set.
        text.SetCursorLine(text.LineInRange(caretLine));
        text.SetCursorCol(TIText::ColumnInRange(caretCol));
    }
}

void ExecCodeTemplate(TIText& text, TForth& forth, const std::string& templateFile) {
    TCell name;
    forth.Pop(name);
    const std::string wanted = Trim(name.S);
    TCodeTemplates templates;
    templates.LoadFromFile(templateFile);
    const TStringList* lines = templates.Find(wanted);
    if (!lines) throw EForth("Code template " + wanted + " not found");
    TCodeTemplates::Expand(*lines, text, forth);
}

void ForthCodeTemplates(TIText& text, TForth& forth, const std::string& templateFile) {
    TCodeTemplates templates;
    templates.LoadFromFile(templateFile);
    const std::vector<TTemplateItem> items = templates.Items();
    const int chosen = GetDialogPort().ChooseTemplate(items);
    if (chosen < 0 || chosen >= int(items.size())) return;
    forth.PushString(items[size_t(chosen)].Name);
    ExecCodeTemplate(text, forth, templateFile);
}

}  // namespace velt
