#pragma once
// The command-line client `ss`: its command lines, parsed and run.
//
//   ss <command> [items or files] [options]
//
// Commands (case-insensitive): cp <project>; add <local files>; checkin,
// checkout, undocheckout <items>; get <item> [<local folder>]; dir [<item>].
// Items are item paths; one not starting with "$" counts from the current project
// (kept per user, set by cp); the last name may hold the wildcards * and ?.
// Local files of add may hold them in their last name too (matched against
// the local folder, ASCII case folded).
//
// Options (case-insensitive, each only where it applies):
//   -y<user>[,<password>]  who runs the command (all commands)
//   -i-                    never ask (ss never asks anyway; all commands)
//   -c@<file> -c<text> -c- comment from a file, given, none (add, checkin, checkout)
//   -k                     keep checked out (add, checkin)
//   -w                     leave local copies writable (add, checkin, undocheckout, get)
//   -r                     recursive (add, checkin, checkout, undocheckout, get, dir)
//   -d-                    accepted on add; every version is kept regardless
//   -p                     accepted on undocheckout; a file lies in one project only
//   -g-                    check out without getting the local copy (checkout)
//   -gl<folder>            the local folder (checkin, checkout, undocheckout, get)
//   -gwa -gwr -gws -gwm    a changed writable local copy: ask (default), replace,
//                          skip, merge (checkout, undocheckout, get)
//   -gtc -gtm -gtu         local file time: now, modification, check-in (same)
//   -o@<file>              write the output to a file (dir): a new or a regular one
// Anything else is an error. ss never reads standard input: where it would
// ask ("-gwa", the default) it answers No, leaves the local copy alone and
// says so.
//
// Who and where: the user is the -y one, else $SSUSER, else the login name;
// the password the -y one, else $SSPWD (kPasswordVariable), else empty. The
// database folder is $SSDIR, else the folder above the program's own when it
// holds "srcsafe.ini" (the program installed as <database>/win32/ss), else the
// program's own folder when it holds one.
//
// Exit codes: 0 done; 1 done, but local copies were left alone (listed on
// standard error), or a project had no file to act on ("No files of $/P are
// checked out to you"); 100 an error (its message on standard error; an item
// that failed is left as it was, the others of the command are still done),
// also when the listing could not be written. Stopped by SIGTERM or SIGINT,
// ss rolls back the operation under way, does no further item and ends by
// that signal; a stop that comes once the last item has committed cuts
// nothing short, and ss ends as it would have without it.
//
// Output of dir (LF line ends), a block per project, depth-first with -r:
//
//   $/Work:          the project's item path and ":"
//   $Src             each sub-project: "$" and its name, by name
//   a.pas            each file: its name, by name (names never start with "$"
//   b file.pas       or a blank, never end with a blank, hold no ":")
//                    a blank line ends every block
//   $/Work/Src:
//   c.pas
//
//   4 item(s)        after the last block: the number of item lines
//
// dir of a file or a wildcard gives one block (its project) with the matches.
// Deleted items are not listed.

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "foundation/SysUtils.h"
#include "platform/vss/VssSession.h"

namespace velt::vss {

inline constexpr const char* kPasswordVariable = "SSPWD";
inline constexpr const char* kUserVariable = "SSUSER";
inline constexpr const char* kDatabaseVariable = "SSDIR";

// A command line that ss does not accept. Its message never holds a password.
class ESsUsage : public Exception {
    using Exception::Exception;
};

enum class TSsVerb { Cp, Add, Checkin, Checkout, UndoCheckout, Get, Dir };

struct TSsCommand {
    TSsVerb Verb = TSsVerb::Dir;
    std::vector<std::string> Args;  // items or local files, in order
    bool HasUser = false;
    std::string User;
    bool HasPassword = false;
    std::string Password;
    bool HasComment = false;  // -c<text> or -c-
    std::string Comment;
    std::string CommentFile;  // -c@
    std::string LocalFolder;  // -gl
    std::string OutputFile;   // -o@
    bool Keep = false;
    bool Writable = false;
    bool Recursive = false;
    bool DontGet = false;
    int32_t Replace = 0;   // VSSFLAG_REP..., 0 when not given
    int32_t FileTime = 0;  // VSSFLAG_TIME..., 0 when not given
};

// args: the command line without the program name. Raises ESsUsage.
TSsCommand ParseSsCommandLine(const std::vector<std::string>& args);

struct TSsEnvironment {
    std::string DatabaseFolder;
    std::string User;
    std::string Password;

    // Opens the database as User; raises EOleException (also when no
    // database folder was found).
    std::shared_ptr<TVssSession> Logon() const;
};

// From the process environment, for the program at programPath.
TSsEnvironment ReadSsEnvironment(const std::string& programPath);

// Runs a parsed command; answers the exit code.
int RunSsCommand(const TSsCommand& command, const TSsEnvironment& environment, std::ostream& out,
                 std::ostream& err);

// The whole of the program ss: stop signals, command line, run, output
// checked, and the end by a stop signal that cut work short.
int SsMain(int argc, char** argv);

// The dir output of the listing blocks.
std::string FormatDirListing(const std::vector<TVssProjectListing>& blocks);

}  // namespace velt::vss
