// vss-admin: creates databases of the source-control stand-in and their users.
//
//   vss-admin create <folder> [--multiple-checkouts] [--group]
//                                          --group: the files are shared with the
//                                          owner's group (0660), else private (0600)
//   vss-admin adduser <folder> <user>      the password comes from $SSPWD (empty when unset)
//   vss-admin checkouts <folder> single|multiple
//   vss-admin mkproj <folder> <item path>       with the missing projects along it
//   vss-admin import <folder> <user> <item path> <local folder>
//                                          the local folder's files and folders, as version 1
//                                          by the user, into the project (made when missing)
//   vss-admin verify <folder>              SQLite's integrity check, every version's and
//                                          every item's checksum, the versions items name;
//                                          each problem on standard error
//
// Exit code 0 when done, 100 with a message on standard error otherwise.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/vss/LocalFiles.h"
#include "platform/vss/SrcSafeIni.h"
#include "platform/vss/SsCommand.h"
#include "platform/vss/VssError.h"
#include "platform/vss/VssNames.h"
#include "platform/vss/VssSession.h"
#include "platform/vss/VssStop.h"

namespace {

using namespace velt::vss;

constexpr const char* kUsage =
    "usage: vss-admin create <folder> [--multiple-checkouts] [--group]\n"
    "       vss-admin adduser <folder> <user>   (password from $SSPWD)\n"
    "       vss-admin checkouts <folder> single|multiple\n"
    "       vss-admin mkproj <folder> <spec>\n"
    "       vss-admin import <folder> <user> <spec> <local folder>\n"
    "       vss-admin verify <folder>\n";

bool HasOption(const std::vector<std::string>& a, const char* option) {
    for (size_t i = 2; i < a.size(); ++i)
        if (a[i] == option) return true;
    return false;
}

// Each option of create at most once, nothing else.
bool CreateOptionsValid(const std::vector<std::string>& a) {
    for (size_t i = 2; i < a.size(); ++i) {
        if (a[i] != "--multiple-checkouts" && a[i] != "--group") return false;
        for (size_t j = 2; j < i; ++j)
            if (a[j] == a[i]) return false;
    }
    return true;
}

std::string IniOf(const std::string& folder) { return JoinLocal(AbsoluteLocalPath(folder), kSrcSafeIni); }

int Run(const std::vector<std::string>& a) {
    const std::string command = a.empty() ? "" : FoldName(a[0]);
    if (command == "create" && a.size() >= 2 && a.size() <= 4 && CreateOptionsValid(a)) {
        TVssSession::CreateDatabase(a[1], HasOption(a, "--multiple-checkouts"), HasOption(a, "--group"));
    } else if (command == "adduser" && a.size() == 3) {
        std::string why = InvalidUserReason(a[2]);
        if (!why.empty()) RaiseVss(VSS_E_BADNAME, "Not a valid user: " + why);
        const char* password = std::getenv(kPasswordVariable);
        // Hashed before the lock: the lock is held only for the read, change and save.
        std::string hash = HashPassword(password ? password : "");
        UpdateSrcSafeIni(IniOf(a[1]), [&](TSrcSafeIni& ini) {
            if (ini.FindUser(a[2]) >= 0) RaiseVss(VSS_E_EXISTS, "User \"" + a[2] + "\" already exists");
            ini.Users.emplace_back(a[2], hash);
        });
    } else if (command == "checkouts" && a.size() == 3 && (a[2] == "single" || a[2] == "multiple")) {
        UpdateSrcSafeIni(IniOf(a[1]), [&](TSrcSafeIni& ini) { ini.MultipleCheckouts = a[2] == "multiple"; });
    } else if (command == "verify" && a.size() == 2) {
        TVssVerifyCounts counts;
        std::vector<std::string> problems = TVssSession::OpenTrusted(IniOf(a[1]), "")->Verify(counts);
        for (const std::string& p : problems) std::cerr << p << "\n";
        if (!problems.empty()) return 100;
        std::cout << "No damage found: " << counts.Versions << " version(s) and " << counts.Items << " item(s) checked";
        if (counts.Uncovered > 0) std::cout << ", " << counts.Uncovered << " of them not yet covered by a checksum";
        std::cout << "\n";
    } else if (command == "mkproj" && a.size() == 3) {
        TVssSession::OpenTrusted(IniOf(a[1]), "")->MakeProject(a[2]);
    } else if (command == "import" && a.size() == 5) {
        auto session = TVssSession::OpenTrusted(IniOf(a[1]), a[2]);
        TVssItemRow project = session->MakeProject(a[3]);
        std::string folder = AbsoluteLocalPath(a[4]);
        TVssOptions options;
        // The local files are left writable: they are the user's own.
        options.Flags = VSSFLAG_RECURSYES | VSSFLAG_BINTEST | VSSFLAG_KEEPNO | VSSFLAG_USERRONO;
        for (const TLocalEntry& e : ListLocalFolder(folder)) {
            CheckStop();
            session->Add(project, JoinLocal(folder, e.Name), "", options);
        }
    } else {
        std::cerr << kUsage;
        return 100;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    InstallStopSignals();
    int code = 100;
    try {
        code = Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
    }
    std::cout.flush();
    if (!std::cout && code == 0) {
        std::cerr << "Cannot write to standard output\n";
        code = 100;
    }
    EndByStopSignal();
    return code;
}
