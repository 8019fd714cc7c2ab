#include "platform/vss/SsCommand.h"

#include <cstdlib>
#include <iostream>
#include <ostream>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/vss/LocalFiles.h"
#include "platform/vss/SrcSafeIni.h"
#include "platform/vss/VssError.h"
#include "platform/vss/VssNames.h"
#include "platform/vss/VssStop.h"

namespace velt::vss {

namespace {

constexpr int kExitWarnings = 1;
constexpr int kExitError = 100;

unsigned Bit(TSsVerb v) { return 1u << unsigned(v); }
constexpr unsigned kAll = 0x7F;

const char* VerbName(TSsVerb v) {
    static const char* names[] = {"cp", "add", "checkin", "checkout", "undocheckout", "get", "dir"};
    return names[unsigned(v)];
}

unsigned Verbs(std::initializer_list<TSsVerb> verbs) {
    unsigned r = 0;
    for (TSsVerb v : verbs) r |= Bit(v);
    return r;
}

// An argument as a message may show it: never past a comma, where a
// mistyped -y option would carry its password.
std::string Shown(const std::string& arg) {
    size_t comma = arg.find(',');
    return comma == std::string::npos ? arg : arg.substr(0, comma) + ",...";
}

void ParseOption(TSsCommand& c, const std::string& arg) {
    const std::string f = FoldName(arg);
    auto is = [&](const char* prefix) { return f.rfind(prefix, 0) == 0; };
    auto value = [&](size_t from) { return arg.substr(from); };
    auto allow = [&](unsigned verbs, const char* shown) {
        if (!(verbs & Bit(c.Verb)))
            throw ESsUsage(std::string("Option ") + shown + " does not apply to " + VerbName(c.Verb));
    };
    using V = TSsVerb;
    if (is("-y")) {
        // Never echoed: it may carry the password.
        std::string v = value(2);
        size_t comma = v.find(',');
        c.User = v.substr(0, comma);
        if (c.User.empty()) throw ESsUsage("Option -Y needs a user name");
        c.HasUser = true;
        c.HasPassword = comma != std::string::npos;
        c.Password = c.HasPassword ? v.substr(comma + 1) : std::string();
        return;
    }
    if (f == "-i-") return allow(kAll, "-I-");
    if (is("-c")) {
        allow(Verbs({V::Add, V::Checkin, V::Checkout}), "-C");
        if (f == "-c-") {
            c.HasComment = true;
            c.Comment.clear();
            c.CommentFile.clear();
        } else if (is("-c@")) {
            c.CommentFile = value(3);
            if (c.CommentFile.empty()) throw ESsUsage("Option -C@ needs a file name");
            c.HasComment = false;
        } else {
            c.HasComment = true;
            c.Comment = value(2);
            c.CommentFile.clear();
        }
        return;
    }
    if (is("-gl")) {
        allow(Verbs({V::Checkin, V::Checkout, V::UndoCheckout, V::Get}), "-GL");
        c.LocalFolder = value(3);
        if (c.LocalFolder.empty()) throw ESsUsage("Option -GL needs a folder");
        return;
    }
    if (f == "-g-") {
        allow(Bit(V::Checkout), "-G-");
        c.DontGet = true;
        return;
    }
    const unsigned writers = Verbs({V::Checkout, V::UndoCheckout, V::Get});
    static const std::pair<const char*, int32_t> replaceWords[] = {
        {"-gwa", VSSFLAG_REPASK}, {"-gwr", VSSFLAG_REPREPLACE}, {"-gws", VSSFLAG_REPSKIP}, {"-gwm", VSSFLAG_REPMERGE}};
    for (auto& [word, flag] : replaceWords)
        if (f == word) {
            allow(writers, "-GW");
            c.Replace = flag;
            return;
        }
    static const std::pair<const char*, int32_t> timeWords[] = {
        {"-gtc", VSSFLAG_TIMENOW}, {"-gtm", VSSFLAG_TIMEMOD}, {"-gtu", VSSFLAG_TIMEUPD}};
    for (auto& [word, flag] : timeWords)
        if (f == word) {
            allow(writers, "-GT");
            c.FileTime = flag;
            return;
        }
    if (f == "-k") {
        allow(Verbs({V::Add, V::Checkin}), "-K");
        c.Keep = true;
        return;
    }
    if (f == "-w") {
        allow(Verbs({V::Add, V::Checkin, V::UndoCheckout, V::Get}), "-W");
        c.Writable = true;
        return;
    }
    if (f == "-r") {
        allow(kAll & ~Bit(V::Cp), "-R");
        c.Recursive = true;
        return;
    }
    if (f == "-d-") return allow(Bit(V::Add), "-D-");
    if (f == "-p") return allow(Bit(V::UndoCheckout), "-P");
    if (is("-o@")) {
        allow(Bit(V::Dir), "-O@");
        c.OutputFile = value(3);
        if (c.OutputFile.empty()) throw ESsUsage("Option -O@ needs a file name");
        return;
    }
    throw ESsUsage("Invalid option: " + Shown(arg));
}

int32_t Flags(const TSsCommand& c) {
    int32_t flags = c.Replace | c.FileTime;
    flags |= c.Recursive ? VSSFLAG_RECURSYES : VSSFLAG_RECURSNO;
    if (c.Writable) flags |= VSSFLAG_USERRONO;
    if (c.Verb == TSsVerb::Add || c.Verb == TSsVerb::Checkin) flags |= c.Keep ? VSSFLAG_KEEPYES : VSSFLAG_KEEPNO;
    if (c.Verb == TSsVerb::Add) flags |= VSSFLAG_BINTEST;
    if (c.Verb == TSsVerb::Checkout) flags |= c.DontGet ? VSSFLAG_GETNO : VSSFLAG_GETYES;
    return flags;
}

std::string CommentOf(const TSsCommand& c) {
    if (c.CommentFile.empty()) return c.Comment;
    std::string text;
    if (!TryReadLocalFile(AbsoluteLocalPath(c.CommentFile), text))
        RaiseVss(VSS_E_NOTFOUND, "Comment file \"" + c.CommentFile + "\" cannot be read");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// The items an item path names: itself, or the children of its project that match
// its last name's wildcards.
std::vector<TVssItemRow> ExpandItems(TVssSession& session, const std::string& spec) {
    std::string abs = AbsoluteSpec(spec, session.CurrentProject());
    auto [parent, pattern] = SplitSpec(abs);
    if (!HasWildcard(pattern)) return {session.Find(abs, false)};
    if (HasWildcard(parent)) RaiseVss(VSS_E_BADNAME, "Wildcards are allowed in the last name only: " + abs);
    std::vector<TVssItemRow> rows;
    for (TVssItemRow& row : session.Children(session.Find(parent, false), false))
        if (MatchesWildcard(pattern, row.Name)) rows.push_back(std::move(row));
    if (rows.empty()) RaiseVss(VSS_E_NOTFOUND, abs + " is not an existing filename or project");
    return rows;
}

// The local files (and with recursive, folders) an add argument names.
std::vector<std::string> ExpandLocal(const std::string& arg, bool recursive) {
    std::string path = AbsoluteLocalPath(arg);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    std::string pattern = LocalName(path);
    if (!HasWildcard(pattern)) return {path};
    std::string folder = LocalFolder(path);
    std::vector<std::string> paths;
    for (const TLocalEntry& e : ListLocalFolder(folder))
        if ((recursive || !e.IsFolder) && MatchesWildcard(pattern, e.Name)) paths.push_back(JoinLocal(folder, e.Name));
    if (paths.empty()) RaiseVss(VSS_E_NOTFOUND, "No local files match \"" + path + "\"");
    return paths;
}

// -o@: a new file, or a regular one replaced; never a device, a folder or
// a link put in its place.
void WriteOutputFile(const std::string& path, const std::string& text) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        RaiseVss(VSS_E_LOCALIO, "Cannot write \"" + path + "\": it exists and is not a regular file");
    WriteLocalFile(path, text, true, 0);
}

// What a project operation says when it touched no file.
std::string NothingDone(TSsVerb verb, TVssSession& session, const TVssItemRow& project) {
    if (verb != TSsVerb::Checkout) return "No files of " + project.Spec + " are checked out to you";
    for (const TVssProjectListing& block : session.List(project, false))
        for (const TVssListEntry& e : block.Items)
            if (e.Type == VSSITEM_FILE) return "All files of " + project.Spec + " are already checked out to you";
    return project.Spec + " holds no files";
}

std::string DirText(TVssSession& session, const TSsCommand& c) {
    std::string spec = c.Args.empty() ? session.CurrentProject() : c.Args[0];
    std::string abs = AbsoluteSpec(spec, session.CurrentProject());
    auto item = HasWildcard(abs) ? std::nullopt : session.TryFind(abs, false);
    if (item && item->Type == VSSITEM_PROJECT) return FormatDirListing(session.List(*item, c.Recursive));
    // A file or a wildcard: its project's block with the matches only.
    std::vector<TVssItemRow> rows = ExpandItems(session, abs);
    std::string parent = SplitSpec(abs).first;
    TVssProjectListing all = session.List(session.Find(parent, false), false).front();
    TVssProjectListing block;
    block.Spec = all.Spec;
    for (const TVssListEntry& e : all.Items)
        for (const TVssItemRow& r : rows)
            if (SameName(r.Name, e.Name)) block.Items.push_back(e);
    return FormatDirListing({block});
}

}  // namespace

TSsCommand ParseSsCommandLine(const std::vector<std::string>& args) {
    if (args.empty())
        throw ESsUsage("No command given: ss takes cp, add, checkin, checkout, undocheckout, get or dir");
    TSsCommand c;
    const std::string verb = FoldName(args[0]);
    bool known = false;
    for (unsigned v = 0; v <= unsigned(TSsVerb::Dir); ++v)
        if (verb == VerbName(TSsVerb(v))) {
            c.Verb = TSsVerb(v);
            known = true;
        }
    // An option in the command's place is not echoed: it may be -y with a password.
    if (!known)
        throw ESsUsage(args[0].rfind('-', 0) == 0 ? "The command must come first" : "Unknown command: " + Shown(args[0]));
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-') ParseOption(c, a);
        else if (a.empty()) throw ESsUsage("An empty argument");
        else c.Args.push_back(a);
    }
    size_t n = c.Args.size();
    switch (c.Verb) {
        case TSsVerb::Cp:
            if (n != 1) throw ESsUsage("cp takes one project");
            break;
        case TSsVerb::Get:
            if (n < 1 || n > 2) throw ESsUsage("get takes an item and, optionally, a local folder");
            break;
        case TSsVerb::Dir:
            if (n > 1) throw ESsUsage("dir takes at most one item");
            break;
        default:
            if (n < 1) throw ESsUsage(std::string(VerbName(c.Verb)) + " needs at least one " +
                                      (c.Verb == TSsVerb::Add ? "local file" : "item"));
    }
    return c;
}

TSsEnvironment ReadSsEnvironment(const std::string& programPath) {
    TSsEnvironment env;
    if (const char* dir = std::getenv(kDatabaseVariable); dir && *dir) {
        env.DatabaseFolder = dir;
    } else {
        std::string own = LocalFolder(AbsoluteLocalPath(programPath));
        for (const std::string& folder : {LocalFolder(own), own})
            if (LocalState(JoinLocal(folder, kSrcSafeIni)).Exists) {
                env.DatabaseFolder = folder;
                break;
            }
    }
    if (const char* user = std::getenv(kUserVariable); user && *user) env.User = user;
    else if (const passwd* pw = ::getpwuid(::getuid())) env.User = pw->pw_name;
    else if (const char* login = std::getenv("USER")) env.User = login;
    if (const char* password = std::getenv(kPasswordVariable)) env.Password = password;
    return env;
}

std::shared_ptr<TVssSession> TSsEnvironment::Logon() const {
    if (DatabaseFolder.empty())
        RaiseVss(VSS_E_DATABASE, std::string("No SourceSafe database: set ") + kDatabaseVariable +
                                     " to the folder that holds srcsafe.ini");
    return TVssSession::Open(JoinLocal(DatabaseFolder, kSrcSafeIni), User, Password);
}

int RunSsCommand(const TSsCommand& c, const TSsEnvironment& env, std::ostream& out, std::ostream& err) {
    std::shared_ptr<TVssSession> session;
    try {
        TSsEnvironment as = env;
        if (c.HasUser) as.User = c.User;
        if (c.HasPassword) as.Password = c.Password;
        session = as.Logon();
        if (c.Verb == TSsVerb::Cp) {
            session->SetCurrentProject(c.Args[0]);
            return 0;
        }
        if (c.Verb == TSsVerb::Dir) {
            std::string text = DirText(*session, c);
            if (c.OutputFile.empty()) {
                // A listing that did not reach its reader is no success.
                out << text;
                out.flush();
                if (!out) RaiseVss(VSS_E_LOCALIO, "Cannot write the listing to standard output");
            } else {
                WriteOutputFile(AbsoluteLocalPath(c.OutputFile), text);
            }
            return 0;
        }
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return kExitError;
    }

    std::vector<std::string> skipped;
    TVssOptions options;
    options.Flags = Flags(c);
    options.Ask = TAskAnswer::No;
    options.Skipped = &skipped;
    int code = 0;
    std::string comment;
    try {
        comment = CommentOf(c);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return kExitError;
    }
    // A local folder given as a folder: the item's name is joined to it.
    std::string folder = c.LocalFolder;
    if (c.Verb == TSsVerb::Get && c.Args.size() == 2) folder = c.Args[1];
    if (!folder.empty()) folder = AbsoluteLocalPath(folder) + "/";
    size_t items = c.Verb == TSsVerb::Get ? 1 : c.Args.size();
    std::vector<std::string> untouched;
    // A stop before an item: that item and the rest are left undone.
    const auto stopped = [] {
        if (!StopRequested()) return false;
        NoteStopTaken();
        return true;
    };
    for (size_t i = 0; i < items && !stopped(); ++i) {
        try {
            if (c.Verb == TSsVerb::Add) {
                TVssItemRow project = session->Find(session->CurrentProject(), false);
                for (const std::string& path : ExpandLocal(c.Args[i], c.Recursive)) {
                    if (stopped()) break;
                    try {
                        session->Add(project, path, comment, options);
                    } catch (const std::exception& e) {
                        err << e.what() << "\n";
                        code = kExitError;
                    }
                }
                continue;
            }
            for (const TVssItemRow& row : ExpandItems(*session, c.Args[i])) {
                if (stopped()) break;
                try {
                    int touched = 1;
                    switch (c.Verb) {
                        case TSsVerb::Checkin: touched = session->Checkin(row, folder, comment, options); break;
                        case TSsVerb::Checkout: touched = session->Checkout(row, folder, comment, options); break;
                        case TSsVerb::UndoCheckout: touched = session->UndoCheckout(row, folder, options); break;
                        default: session->Get(row, 0, folder, options); break;
                    }
                    if (touched == 0) untouched.push_back(NothingDone(c.Verb, *session, row));
                } catch (const std::exception& e) {
                    err << e.what() << "\n";
                    code = kExitError;
                }
            }
        } catch (const std::exception& e) {
            err << e.what() << "\n";
            code = kExitError;
        }
    }
    for (const std::string& path : skipped)
        err << "A writable copy of \"" << path << "\" differs from the database; it was left as it was\n";
    for (const std::string& line : untouched) err << line << "\n";
    if (code == 0 && (!skipped.empty() || !untouched.empty())) code = kExitWarnings;
    // Stopped between two items: what was done stays done, the rest was not
    // begun. A stop that came after the last item cut nothing short.
    if (StopTaken() && code != kExitError) err << "Stopped; the items after the last one done were left alone\n";
    if (StopTaken()) code = kExitError;
    return code;
}

int SsMain(int argc, char** argv) {
    InstallStopSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
    TSsCommand command;
    try {
        command = ParseSsCommandLine(args);
    } catch (const ESsUsage& e) {
        std::cerr << e.Message << "\n";
        return kExitError;
    }
    int code = RunSsCommand(command, ReadSsEnvironment(argc > 0 ? argv[0] : "ss"), std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout && code == 0) {
        std::cerr << "Cannot write to standard output\n";
        code = kExitError;
    }
    std::cerr.flush();
    EndByStopSignal();
    return code;
}

std::string FormatDirListing(const std::vector<TVssProjectListing>& blocks) {
    std::string text;
    size_t count = 0;
    for (const TVssProjectListing& block : blocks) {
        text += block.Spec + ":\n";
        for (const TVssListEntry& e : block.Items) {
            text += (e.Type == VSSITEM_PROJECT ? "$" : "") + e.Name + "\n";
            ++count;
        }
        text += "\n";
    }
    text += std::to_string(count) + " item(s)\n";
    return text;
}

}  // namespace velt::vss
