#include "platform/ide/ProjectFile.h"

#include <filesystem>

#include "foundation/SysUtils.h"
#include "source/PascalScanner.h"

namespace velt {

namespace {

// The text's lines (without their ends) and where each starts.
struct TLines {
    std::vector<std::string_view> Lines;
    std::vector<int32_t> Starts;

    explicit TLines(std::string_view text) {
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
            Lines.push_back(text.substr(start, i - start));
            Starts.push_back(static_cast<int32_t>(start));
            if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    int32_t Begin(const TPasToken& t) const { return Starts[t.Line] + t.Col; }
    int32_t End(const TPasToken& t) const { return Begin(t) + static_cast<int32_t>(t.Text.size()); }
};

std::string LineEnd(std::string_view text) {
    const size_t i = text.find_first_of("\r\n");
    if (i == std::string_view::npos || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
        return "\r\n";
    return std::string(1, text[i]);
}

std::string Unquote(std::string_view s) {
    std::string out;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
        out += s[i];
        if (s[i] == '\'') ++i;  // '' stands for one quote
    }
    return out;
}

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        out += c;
        if (c == '\'') out += c;
    }
    return out + "'";
}

}  // namespace

TProjectSource ParseProjectSource(std::string_view text, const std::string& fileName) {
    const TLines lines(text);
    TPascalScanner scanner([&](int i) { return lines.Lines[i]; }, 0, static_cast<int>(lines.Lines.size()));
    const auto fail = [&](const std::string& what) -> void {
        throw Exception("Project file " + fileName + ": " + what);
    };
    TProjectSource source;
    TPasToken t;
    if (!scanner.NextCode(t) || !(t.Is("program") || t.Is("library"))) fail("no program or library header");
    do {
        if (!scanner.NextCode(t)) fail("the header does not end");
    } while (!t.IsSymbol(";"));
    source.HeaderEnd = lines.End(t);
    if (!scanner.NextCode(t) || !t.Is("uses")) return source;
    source.UsesBegin = lines.Begin(t);
    for (;;) {
        if (!scanner.NextCode(t) || !t.IsIdent()) fail("a unit name is missing in the uses clause");
        TProjectEntry entry;
        entry.Name = std::string(t.Text);
        entry.Begin = lines.Begin(t);
        entry.End = lines.End(t);
        if (!scanner.NextCode(t)) fail("the uses clause does not end");
        if (t.Is("in")) {
            if (!scanner.NextCode(t) || t.Kind != TPasTokenKind::String) fail("a unit path is missing after \"in\"");
            entry.Path = Unquote(t.Text);
            entry.End = lines.End(t);
            if (!scanner.NextCode(t)) fail("the uses clause does not end");
        }
        source.Entries.push_back(std::move(entry));
        if (t.IsSymbol(";")) break;
        if (!t.IsSymbol(",")) fail("\",\" or \";\" expected after unit " + source.Entries.back().Name);
    }
    source.UsesEnd = lines.Begin(t);
    return source;
}

std::vector<std::string> ProjectUnitPaths(const TProjectSource& source, const std::string& projectFile) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(projectFile).parent_path();
    std::vector<std::string> paths;
    for (const TProjectEntry& entry : source.Entries) {
        if (entry.Path.empty()) continue;
        std::string path = entry.Path;
        for (char& c : path)
            if (c == '\\') c = '/';
        fs::path p(path);
        if (p.is_relative()) p = folder / p;
        paths.push_back(p.lexically_normal().string());
    }
    return paths;
}

std::string AddProjectEntry(std::string_view text, const TProjectSource& source, const std::string& name,
                            const std::string& path) {
    const std::string le = LineEnd(text);
    const std::string entry = "  " + name + " in " + Quote(path);
    std::string out(text);
    if (source.UsesEnd >= 0)
        out.insert(size_t(source.UsesEnd), (source.Entries.empty() ? le : "," + le) + entry);
    else
        out.insert(size_t(source.HeaderEnd), le + le + "uses" + le + entry + ";");
    return out;
}

std::string RemoveProjectEntry(std::string_view text, const TProjectSource& source, size_t index) {
    const std::vector<TProjectEntry>& entries = source.Entries;
    if (index >= entries.size()) return std::string(text);
    int32_t from = 0;
    int32_t to = 0;
    if (entries.size() == 1) {
        from = source.UsesBegin;  // the whole clause and the line ends before it
        while (from > source.HeaderEnd && (text[from - 1] == '\r' || text[from - 1] == '\n')) --from;
        to = source.UsesEnd + 1;
    } else if (index > 0) {
        from = entries[index - 1].End;
        to = entries[index].End;
    } else {
        from = entries[0].Begin;
        to = entries[1].Begin;
    }
    std::string out(text);
    out.erase(size_t(from), size_t(to - from));
    return out;
}

}  // namespace velt
