#pragma once
// One user's open connection to a database of the source-control stand-in:
// the operations behind both the automation objects and the `ss` client.
//
// The database folder holds "srcsafe.ini" (see SrcSafeIni.h) and one SQLite
// database in WAL mode: projects and files (items with a deleted flag), every
// version's bytes, check-out records (user, local folder, time, version) and
// each user's current project. Every version carries the SHA-256 of its
// bytes, and every item the SHA-256 of its id, project, name and version;
// both are checked on every read ("... is damaged"). Every operation is one
// transaction (writers take the write lock at its start and wait up to 30 s
// for another process's transaction), so concurrent clients lose nothing and
// never see half an operation. New local copies are written to hidden
// temporary files during the transaction, and they and every change of a
// local file's mode take effect only after it commits: a failure, or a stop
// (VssStop.h), rolls the database back and leaves every local copy as it was.
//
// A session belongs to one thread at a time. Every failure raises
// EOleException.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/vss/VssFlags.h"

namespace velt::vss {

struct TVssItemRow {
    int64_t Id = 0;
    int64_t Parent = 0;  // 0 for the root
    std::string Name;    // "$" for the root
    std::string Spec;    // normalised, names as stored
    int32_t Type = VSSITEM_PROJECT;
    bool Binary = false;
    bool Deleted = false;
    int32_t Version = 0;  // latest version of a file; 0 for a project
};

struct TVssCheckoutRow {
    std::string User;
    std::string Folder;  // the local folder the file was checked out to
    int64_t Time = 0;    // seconds since 1970
    int32_t Version = 0; // the version the local copy started from
    std::string Comment;
};

struct TVssVersionRow {
    int32_t Number = 0;
    std::string User;
    int64_t Time = 0;      // of the check-in
    int64_t Modified = 0;  // of the local file that was checked in
    std::string Comment;
};

// What the server does where it would have to ask whether a changed writable
// local copy may be replaced (flag "ask" or no replace flag): Raise fails the
// operation and changes nothing (the automation objects: the caller chooses
// again); No leaves the copy alone, lists it in Skipped and goes on (`ss`, as
// if the user had answered No).
enum class TAskAnswer { Raise, No };

struct TVssOptions {
    int32_t Flags = 0;
    TAskAnswer Ask = TAskAnswer::Raise;
    std::vector<std::string>* Skipped = nullptr;
};

struct TVssListEntry {
    std::string Name;
    int32_t Type = VSSITEM_PROJECT;
    int32_t Version = 0;
    int32_t IsCheckedOut = VSSFILE_NOTCHECKEDOUT;
    std::vector<TVssCheckoutRow> Checkouts;
};

// A project and its live children: sub-projects first, then files, each
// group by name (ASCII case folded).
struct TVssProjectListing {
    std::string Spec;
    std::vector<TVssListEntry> Items;
};

struct TVssVerifyCounts {
    size_t Versions = 0;   // versions checked
    size_t Items = 0;      // items checked, the root project not counted
    size_t Uncovered = 0;  // of them, those without a checksum yet
};

class TVssSession {
public:
    // Opens the database of the "srcsafe.ini" at iniPath (a folder holding
    // one will do) for the user. A wrong password and an unknown user both
    // fail with "Unknown user or wrong password", after the logon-failure
    // delay; a stored hash that cannot be read is reported as damage.
    static std::shared_ptr<TVssSession> Open(const std::string& iniPath, const std::string& user,
                                             const std::string& password);
    // What a failed logon waits through (argument: milliseconds; one
    // second). Tests put in one that does not sleep.
    static void SetLogonFailureDelay(std::function<void(int)> delay);
    // Test seams for every session of the process: refuse, while it answers
    // true, fails each COMMIT of a write transaction (SQLite's commit hook:
    // the transaction rolls back); after runs once each has committed.
    // Empty functions: none.
    static void SetCommitHooks(std::function<bool()> refuse, std::function<void()> after);
    // For vss-admin, which has the database's files at hand anyway: no
    // password is asked for. An empty user may change projects only.
    static std::shared_ptr<TVssSession> OpenTrusted(const std::string& iniPath, const std::string& user);
    // A new database in folder (created when missing; an existing
    // "srcsafe.ini" there is an error) with no users yet. Its files are
    // private to their owner (0600), or shared with the group (0660).
    static void CreateDatabase(const std::string& folder, bool multipleCheckouts, bool groupShared = false);

    ~TVssSession();
    TVssSession(const TVssSession&) = delete;
    TVssSession& operator=(const TVssSession&) = delete;

    const std::string& UserName() const;  // as spelled in "srcsafe.ini"
    const std::string& IniPath() const;
    bool MultipleCheckouts() const;

    // "$/" until the user sets another; kept in the database per user.
    std::string CurrentProject();
    // Must name an existing project; relative item paths count from the current one.
    void SetCurrentProject(const std::string& spec);

    // The item of an item path (relative item paths count from the current project).
    // Deleted items are found only with deleted true (a live one first).
    TVssItemRow Find(const std::string& spec, bool deleted);
    std::optional<TVssItemRow> TryFind(const std::string& spec, bool deleted);
    // The row as it is now (raises when the item is gone).
    TVssItemRow Refresh(const TVssItemRow& item);
    std::vector<TVssItemRow> Children(const TVssItemRow& project, bool deleted);
    std::vector<TVssCheckoutRow> Checkouts(const TVssItemRow& item);
    int32_t IsCheckedOut(const TVssItemRow& item);
    TVssVersionRow VersionInfo(const TVssItemRow& item, int32_t version);
    // Raises VSS_E_DAMAGED ("Version N of $/a.pas is damaged") when the bytes
    // do not match their checksum.
    std::string VersionData(const TVssItemRow& item, int32_t version);

    // Deleting refuses an item with check-outs; recovering refuses a name
    // that a live item has taken meanwhile.
    void SetDeleted(const TVssItemRow& item, bool deleted);
    // The project of the item path, creating the missing projects along it.
    TVssItemRow MakeProject(const std::string& spec);

    // A local file becomes a file of project, a local folder a sub-project
    // (with its files; with VSSFLAG_RECURSYES its folders too).
    TVssItemRow Add(const TVssItemRow& project, const std::string& local, const std::string& comment,
                    const TVssOptions& options);
    // On a file, local is the local copy (a folder: the file of the item's name
    // in it; empty: the file in the check-out's folder). On a project, local
    // is the folder matching it. Check-in merges when others checked in since
    // the check-out (several check-outs allowed); overlapping changes refuse.
    // Check-in, check-out and undo answer the number of files they touched
    // (on a project: those checked out to the user, or, for check-out, not
    // yet); a failure on a project says "...; nothing of $/P was checked in".
    int Checkin(const TVssItemRow& item, const std::string& local, const std::string& comment,
                const TVssOptions& options);
    // An empty local means the process's current folder.
    int Checkout(const TVssItemRow& item, const std::string& local, const std::string& comment,
                 const TVssOptions& options);
    int UndoCheckout(const TVssItemRow& item, const std::string& local, const TVssOptions& options);
    // Version 0 is the latest; an old version only for a file.
    void Get(const TVssItemRow& item, int32_t version, const std::string& local, const TVssOptions& options);

    // The project's listing, and with recursive every project below it, in
    // depth-first order: one read of the database however many items.
    std::vector<TVssProjectListing> List(const TVssItemRow& project, bool recursive);

    // SQLite's integrity check, the checksum of every stored version, and
    // of every item: its identity, its name against its key, its project,
    // and the versions it and its check-outs name. Each problem found (none:
    // sound). Items of an older database not yet changed have no checksum:
    // counted, never damage.
    std::vector<std::string> Verify(TVssVerifyCounts& counts);

    struct TImpl;
    explicit TVssSession(std::unique_ptr<TImpl> impl);  // through Open and OpenTrusted

private:
    std::unique_ptr<TImpl> impl_;
};

}  // namespace velt::vss
