// A help project from arbitrary bytes: cut into the .map, .fls, .lnk and
// .rtf of a private folder, a fixed unit is documented into it and the link
// pass runs. Nothing crashes; what the generator wrote itself (the links
// document, and the unit's file when it was new) is valid RTF. The folder is
// in memory where the system has one (/dev/shm), and the fixtures are
// written plainly: a synced write per file would bound the rate.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/Classes.h"
#include "foundation/SysUtils.h"
#include "helpdoc/HelpDoc.h"
#include "helpdoc/tests/HelpTestUtil.h"

namespace {

// The private folder, removed when the process ends.
struct TFolder {
    std::string Path;
    TFolder() {
        struct stat st;
        std::string tmpl = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
        tmpl += "/velt-fuzz-helpdoc-XXXXXX";
        if (!mkdtemp(tmpl.data())) std::abort();
        Path = tmpl;
    }
    ~TFolder() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
};

const std::string& Folder() {
    static const TFolder folder;
    return folder.Path;
}

// Everything but the unit back to nothing, without a path object per
// entry: only a directory (which the generator never makes) goes the
// long way.
void Clear() {
    DIR* dir = ::opendir(Folder().c_str());
    if (!dir) std::abort();
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name == "." || name == ".." || name == "U.pas") continue;
        if (::unlinkat(::dirfd(dir), e->d_name, 0) != 0) {
            std::error_code ec;
            std::filesystem::remove_all(Folder() + "/" + e->d_name, ec);
        }
    }
    ::closedir(dir);
}

void Put(const std::string& name, std::string_view bytes) {
    const int fd = ::open((Folder() + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) std::abort();
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) std::abort();
        done += size_t(n);
    }
    ::close(fd);
}

const char* const kUnit =
    "unit U;\ninterface\ntype\n  IA = interface(IUnknown)\n    ['{F703E954-EBA2-11D0-B044-0000B46A6442}']\n  end;\n"
    "  TA = class(TB)\n    X, Y: Integer;\n    procedure P(const S: string = 'C:\\x{');\n  end;\n"
    "  TE = (e1, { \xD0\x96 }\n    e2);\nimplementation\nend.\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    // The unit is the same for every input: written once.
    static const bool unitWritten = (Put("U.pas", kUnit), true);
    (void)unitWritten;
    Clear();
    // Parts separated by NUL bytes: .map, .fls, .lnk, .rtf.
    std::string_view part[4];
    std::string_view rest = in;
    for (int i = 0; i < 4; ++i) {
        const size_t nul = i < 3 ? rest.find('\0') : std::string_view::npos;
        part[i] = rest.substr(0, nul);
        rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    }
    Put("H.map", part[0]);
    Put("H.fls", part[1]);
    Put("U.lnk", part[2]);
    // An empty last part: no unit file yet, the generator makes it.
    const bool unitNew = part[3].empty();
    if (!unitNew) Put("U.rtf", part[3]);
    velt::TIHelpProject project;
    project.LockTimeoutMs = 0;  // the folder is this process's own
    try {
        project.LoadHelpProject(Folder() + "/H.hpj");
        velt::DocumentUnits(project, {Folder() + "/U.pas"});
    } catch (const velt::Exception&) {
        return 0;  // a clear error
    }
    const std::string links = velt::ReadWholeFile(Folder() + "/help-links.rtf");
    if (!velt::helptest::CheckRtf(links).empty()) std::abort();
    if (unitNew && !velt::helptest::CheckRtf(velt::ReadWholeFile(Folder() + "/U.rtf")).empty()) std::abort();
    return 0;
}
