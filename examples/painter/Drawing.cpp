#include "examples/painter/Drawing.h"

#include <cctype>

#include "foundation/SysUtils.h"

namespace velt {

namespace {

// The largest drawing file read.
constexpr int64_t kMaxDrawingFile = int64_t(256) << 20;

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(uint8_t(c)));
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Whether the bytes begin, after blanks and line ends, with "object (".
bool LooksLikeText(TMemoryStream& m) {
    const auto* p = static_cast<const char*>(m.Memory());
    const int64_t n = m.GetSize();
    int64_t i = 0;
    while (i < n && (p[i] == ' ' || p[i] == '\t' || p[i] == '\r' || p[i] == '\n')) ++i;
    static const std::string kStart = "object (";
    if (n - i < int64_t(kStart.size())) return false;
    for (size_t k = 0; k < kStart.size(); ++k)
        if (std::tolower(uint8_t(p[i + int64_t(k)])) != uint8_t(kStart[k])) return false;
    return true;
}

}  // namespace

TDrawingForm DrawingFormOf(const std::string& fileName) {
    const std::string l = Lower(fileName);
    if (EndsWith(l, ".grt")) return dfText;
    if (EndsWith(l, ".grf")) return dfBinary;
    throw EInOutError("\"" + fileName + "\": a drawing is saved as .grt (text) or .grf (binary root file)");
}

TVerUdovPtr<TGrfRootComp> LoadDrawing(const std::string& fileName) {
    TMemoryStream m;
    {
        TFileStream f(fileName, fmOpenRead);
        if (f.GetSize() > kMaxDrawingFile) throw EReadError("\"" + fileName + "\" is too large for a drawing");
        m.LoadFromStream(f);
    }
    try {
        return LoadDrawingFrom(m);
    } catch (const std::exception& e) {
        throw EReadError("Cannot open \"" + fileName + "\": " + e.what());
    }
}

TVerUdovPtr<TGrfRootComp> LoadDrawingFrom(TMemoryStream& m) {
    m.SetPosition(0);
    if (LooksLikeText(m)) {
        TTextReader reader(m);
        TVerUdovPtr<> comp = reader.ReadComp();
        if (!comp) throw EReadError("no drawing in it");
        if (!dynamic_cast<TGrfRootComp*>(comp.get()))
            throw EReadError("it holds a " + comp->ClassName() + ", not a drawing");
        return TVerUdovPtr<TGrfRootComp>(static_cast<TGrfRootComp*>(comp.release()));
    }
    TVerUdovPtr<TGrfRootComp> root = TVerUdov::NewRoot<TGrfRootComp>();
    root->LoadFromStream(m);
    return root;
}

void SaveDrawing(TGrfRootComp& root, const std::string& fileName) {
    if (DrawingFormOf(fileName) == dfBinary) {
        root.SaveToFile(fileName);
        return;
    }
    TTextWriter writer(fileName);
    writer.WriteComp(&root);
    writer.Close();
}

}  // namespace velt
