#pragma once
// Test host for the word "LoadFromIDEOrFile": the word the source model runs
// to read another unit ( fileName -- text ). In the IDE the word answers the
// editor buffer when the unit is open, else the file; here it answers an
// in-memory buffer registered with Open() when there is one, else the file.
//
//   TForth forth;
//   velt::test::TFileHost host;
//   velt::test::RegisterFileHost(forth, host);   // object "IDE"
//   forth.PushString("/tmp/x/unit1.pas");
//   forth.ExecWord("LoadFromIDEOrFile");          // pushes the file's text
//
// A missing file (or a folder) raises EFOpenError "Cannot open file <name>";
// every requested name is recorded in Requests, in order.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "forth/Forth.h"
#include "foundation/Classes.h"
#include "foundation/SysUtils.h"

namespace velt::test {

class TFileHost : public TObject, public ForthObject {
public:
    VELT_FORTH_CLASS(TFileHost)
    std::string ClassName() const override { return "TFileHost"; }

    // Names asked for, in order.
    std::vector<std::string> Requests;
    // Open editor buffers by exact file name; these win over the files.
    std::map<std::string, std::string> Buffers;

    void Open(const std::string& fileName, std::string text) { Buffers[fileName] = std::move(text); }

    // ( fileName -- text )
    void LoadFromIDEOrFile(TForth& Sender) {
        TCell c;
        Sender.Pop(c);
        if (c.Kind != ckString) throw EStack("Type mismatch");
        Requests.push_back(c.S);
        auto it = Buffers.find(c.S);
        if (it != Buffers.end()) {
            Sender.PushString(it->second);
            return;
        }
        std::error_code ec;
        if (c.S.empty() || !std::filesystem::is_regular_file(c.S, ec))
            throw EFOpenError("Cannot open file " + c.S);
        Sender.PushString(ReadWholeFile(c.S));
    }
};

inline const ClassInfo& TFileHost::StaticForthClass() {
    static const MethodInfo methods[] = {
        WordMethod<TFileHost, &TFileHost::LoadFromIDEOrFile>("LoadFromIDEOrFile"),
    };
    static const ClassInfo info{"TFileHost", nullptr, {}, methods};
    return info;
}

// Registers host with forth under objectName (after the objects already there).
inline void RegisterFileHost(TForth& forth, TFileHost& host, const std::string& objectName = "IDE") {
    forth.Objects.AddObject(objectName, &host);
}

}  // namespace velt::test
