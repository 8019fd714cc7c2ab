// vss-admin: creates databases of the source-control stand-in and their users.
//
//   vss-admin create <folder> [--multiple-checkouts]
//   vss-admin adduser <folder> <user>      the password comes from $SSPWD (empty when unset)
//   vss-admin checkouts <folder> single|multiple
//   vss-admin mkproj <folder> <item path>       with the missing projects along it
//   vss-admin import <folder> <user> <item path> <local folder>
//                                          the local folder's files and folders, as version 1
//                                          by the user, into the project (made when missing)
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

namespace {

using namespace velt::vss;

constexpr const char* kUsage =
    "usage: vss-admin create <folder> [--multiple-checkouts]\n"
    "       vss-admin adduser <folder> <user>   (password from $SSPWD)\n"
    "       vss-admin checkouts <folder> single|multiple\n"
    "       vss-admin mkproj <folder> <spec>\n"
    "       vss-admin import <folder> <user> <spec> <local folder>\n";

std::string IniOf(const std::string& folder) { return JoinLocal(AbsoluteLocalPath(folder), kSrcSafeIni); }

int Run(const std::vector<std::string>& a) {
    const std::string command = a.empty() ? "" : FoldName(a[0]);
    if (command == "create" && (a.size() == 2 || (a.size() == 3 && a[2] == "--multiple-checkouts"))) {
        TVssSession::CreateDatabase(a[1], a.size() == 3);
    } else if (command == "adduser" && a.size() == 3) {
        TSrcSafeIni ini = LoadSrcSafeIni(IniOf(a[1]));
        std::string why = InvalidUserReason(a[2]);
        if (!why.empty()) RaiseVss(VSS_E_BADNAME, "Not a valid user: " + why);
        if (ini.FindUser(a[2]) >= 0) RaiseVss(VSS_E_EXISTS, "User \"" + a[2] + "\" already exists");
        const char* password = std::getenv(kPasswordVariable);
        ini.Users.emplace_back(a[2], HashPassword(password ? password : ""));
        SaveSrcSafeIni(IniOf(a[1]), ini);
    } else if (command == "checkouts" && a.size() == 3 && (a[2] == "single" || a[2] == "multiple")) {
        TSrcSafeIni ini = LoadSrcSafeIni(IniOf(a[1]));
        ini.MultipleCheckouts = a[2] == "multiple";
        SaveSrcSafeIni(IniOf(a[1]), ini);
    } else if (command == "mkproj" && a.size() == 3) {
        TVssSession::OpenTrusted(IniOf(a[1]), "")->MakeProject(a[2]);
    } else if (command == "import" && a.size() == 5) {
        auto session = TVssSession::OpenTrusted(IniOf(a[1]), a[2]);
        TVssItemRow project = session->MakeProject(a[3]);
        std::string folder = AbsoluteLocalPath(a[4]);
        TVssOptions options;
        // The local files are left writable: they are the user's own.
        options.Flags = VSSFLAG_RECURSYES | VSSFLAG_BINTEST | VSSFLAG_KEEPNO | VSSFLAG_USERRONO;
        for (const TLocalEntry& e : ListLocalFolder(folder))
            session->Add(project, JoinLocal(folder, e.Name), "", options);
    } else {
        std::cerr << kUsage;
        return 100;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 100;
    }
}
