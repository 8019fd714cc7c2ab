#include "platform/vss/VssSession.h"

#include <chrono>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <set>
#include <thread>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>

#include "platform/vss/LocalFiles.h"
#include "platform/vss/SrcSafeIni.h"
#include "platform/vss/VssError.h"
#include "platform/vss/VssMerge.h"
#include "platform/vss/VssNames.h"
#include "platform/vss/VssStop.h"

namespace velt::vss {

namespace {

constexpr int kBusyTimeoutMs = 30000;
// 2: every version carries the SHA-256 of its bytes. A database of 1 gets
// them computed on its first open (see Migrate).
// 3: every item carries the SHA-256 of its identity (ItemIdentity); items
// of an older database get it at their next change.
constexpr const char* kSchemaVersion = "3";
constexpr int kLogonFailureDelayMs = 1000;

constexpr const char* kSchema = R"sql(
CREATE TABLE info(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE items(
  id INTEGER PRIMARY KEY,
  parent INTEGER REFERENCES items(id),
  name TEXT NOT NULL,
  name_key TEXT NOT NULL,
  type INTEGER NOT NULL,
  binary INTEGER NOT NULL DEFAULT 0,
  deleted INTEGER NOT NULL DEFAULT 0,
  version INTEGER NOT NULL DEFAULT 0,
  ident BLOB);
CREATE UNIQUE INDEX items_live ON items(parent, name_key) WHERE deleted = 0;
CREATE INDEX items_parent ON items(parent, name_key);
CREATE TABLE versions(
  item INTEGER NOT NULL REFERENCES items(id),
  number INTEGER NOT NULL,
  user TEXT NOT NULL,
  time INTEGER NOT NULL,
  modified INTEGER NOT NULL,
  comment TEXT NOT NULL,
  data BLOB NOT NULL,
  sha256 BLOB,
  PRIMARY KEY(item, number));
CREATE TABLE checkouts(
  item INTEGER NOT NULL REFERENCES items(id),
  user_key TEXT NOT NULL,
  user TEXT NOT NULL,
  folder TEXT NOT NULL,
  time INTEGER NOT NULL,
  version INTEGER NOT NULL,
  comment TEXT NOT NULL,
  PRIMARY KEY(item, user_key));
CREATE TABLE users(user_key TEXT PRIMARY KEY, current_project TEXT NOT NULL);
INSERT INTO items(id, parent, name, name_key, type) VALUES(1, NULL, '$', '$', 0);
)sql";

constexpr int64_t kRootId = 1;

int64_t Now() { return int64_t(std::time(nullptr)); }

// What the checksum of an item covers: its id, parent, version and name
// (fixed sizes first, so no two items read alike).
std::string ItemIdentity(int64_t id, int64_t parent, int32_t version, std::string_view name) {
    std::string bytes = "item";
    auto put = [&bytes](uint64_t v, int size) {
        for (int i = 0; i < size; ++i) bytes += char((v >> (8 * i)) & 0xFF);
    };
    put(uint64_t(id), 8);
    put(uint64_t(parent), 8);
    put(uint32_t(version), 4);
    bytes.append(name);
    return Sha256(bytes);
}

std::string ItemIdentity(const TVssItemRow& r) { return ItemIdentity(r.Id, r.Parent, r.Version, r.Name); }

std::string DamagedItem(const std::string& spec) { return spec + " is damaged"; }

// The test seams of SetCommitHooks.
struct TCommitHooks {
    std::function<bool()> Refuse;
    std::function<void()> After;
};
TCommitHooks& CommitHooks() {
    static TCommitHooks hooks;
    return hooks;
}

// ---- a thin layer over SQLite ---------------------------------------------

class TDb;

// A cached statement in use; reset when it goes out of scope.
class TStmt {
public:
    TStmt(TDb& db, sqlite3_stmt* s) : db_(db), s_(s) {}
    ~TStmt() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    TStmt(const TStmt&) = delete;
    TStmt& operator=(const TStmt&) = delete;

    TStmt& Int(int i, int64_t v) {
        sqlite3_bind_int64(s_, i, v);
        return *this;
    }
    TStmt& Text(int i, std::string_view v) {
        sqlite3_bind_text(s_, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    TStmt& Blob(int i, std::string_view v) {
        sqlite3_bind_blob64(s_, i, v.data(), v.size(), SQLITE_STATIC);
        return *this;
    }
    // True while there is a row.
    bool Step();
    void Run() {
        while (Step()) {
        }
    }
    int64_t IntAt(int c) { return sqlite3_column_int64(s_, c); }
    bool NullAt(int c) { return sqlite3_column_type(s_, c) == SQLITE_NULL; }
    std::string TextAt(int c) {
        const void* p = sqlite3_column_blob(s_, c);
        return p ? std::string(static_cast<const char*>(p), size_t(sqlite3_column_bytes(s_, c))) : std::string();
    }

private:
    TDb& db_;
    sqlite3_stmt* s_;
};

class TDb {
public:
    explicit TDb(const std::string& path, bool create) {
        int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            db_ = nullptr;
            RaiseVss(VSS_E_DATABASE, "Cannot open the database \"" + path + "\": " + why);
        }
        sqlite3_busy_handler(db_, &TDb::Busy, this);
        sqlite3_progress_handler(db_, 1000, &TDb::Progress, this);
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_commit_hook(db_, &TDb::RefuseCommit, nullptr);
    }
    ~TDb() {
        for (auto& [sql, s] : cache_) sqlite3_finalize(s);
        sqlite3_close(db_);
    }
    TDb(const TDb&) = delete;
    TDb& operator=(const TDb&) = delete;

    // A statement prepared once per connection, keyed by its text's address.
    TStmt Prepare(const char* sql) {
        sqlite3_stmt*& s = cache_[sql];
        if (!s && sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) Fail();
        return TStmt(*this, s);
    }
    void Exec(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail();
    }
    int64_t LastId() { return sqlite3_last_insert_rowid(db_); }
    sqlite3* Handle() { return db_; }

    [[noreturn]] void Fail() {
        int code = sqlite3_errcode(db_) & 0xFF;
        CheckStop();
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            RaiseVss(VSS_E_DATABASE, "The database is busy: another client held it too long; try again");
        RaiseVss(VSS_E_DATABASE, std::string("Database error: ") + sqlite3_errmsg(db_));
    }

    // While a transaction runs (never during its commit or rollback), a
    // stop interrupts the statement under way.
    bool Interruptible = false;

private:
    // Waits for another client's transaction up to the time limit, in
    // short sleeps, so a stop is seen at once.
    static int Busy(void* self, int count) {
        auto* db = static_cast<TDb*>(self);
        auto now = std::chrono::steady_clock::now();
        if (count == 0) db->busySince_ = now;
        if (StopRequested() || now - db->busySince_ > std::chrono::milliseconds(kBusyTimeoutMs)) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(count < 10 ? 1 : 5));
        return 1;
    }
    static int Progress(void* self) { return static_cast<TDb*>(self)->Interruptible && StopRequested(); }
    static int RefuseCommit(void*) {
        const auto& refuse = CommitHooks().Refuse;
        return refuse && refuse() ? 1 : 0;
    }

    sqlite3* db_ = nullptr;
    std::unordered_map<const char*, sqlite3_stmt*> cache_;
    std::chrono::steady_clock::time_point busySince_;
};

bool TStmt::Step() {
    int rc = sqlite3_step(s_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    db_.Fail();
}

// Writers take the lock at the start, so two writers never deadlock on an
// upgrade; whatever is not committed is rolled back.
class TTransaction {
public:
    TTransaction(TDb& db, bool write) : db_(db) {
        db_.Exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
        db_.Interruptible = true;
    }
    ~TTransaction() {
        db_.Interruptible = false;
        if (!done_) sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void Commit() {
        db_.Interruptible = false;
        db_.Exec("COMMIT");
        done_ = true;
        if (const auto& after = CommitHooks().After) after();
    }
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;

private:
    TDb& db_;
    bool done_ = false;
};

// Binary when a NUL byte is among the first 8000.
bool LooksBinary(std::string_view data) { return data.substr(0, 8000).find('\0') != std::string_view::npos; }

// A file of a project with its folder relative to the project ("" or "a/b").
struct TFileUnder {
    TVssItemRow File;
    std::string Folder;
};

}  // namespace

// ---- the session ------------------------------------------------------------

struct TVssSession::TImpl {
    std::string IniPath;
    std::string User;
    std::string UserKey;
    bool Multiple = false;
    std::unique_ptr<TDb> Db;

    // Reads the columns id, parent, name, type, binary, deleted, version,
    // ident; the caller supplies the item path. An item whose identity does
    // not match its checksum is damaged; one without a checksum (from an
    // older database) reads as it is.
    static TVssItemRow ReadRow(TStmt& s, std::string spec) {
        TVssItemRow r;
        r.Id = s.IntAt(0);
        r.Parent = s.IntAt(1);
        r.Name = s.TextAt(2);
        r.Type = int32_t(s.IntAt(3));
        r.Binary = s.IntAt(4) != 0;
        r.Deleted = s.IntAt(5) != 0;
        r.Version = int32_t(s.IntAt(6));
        r.Spec = std::move(spec);
        if (!s.NullAt(7) && !SameBytes(ItemIdentity(r), s.TextAt(7))) RaiseVss(VSS_E_DAMAGED, DamagedItem(r.Spec));
        return r;
    }

    TVssItemRow Root() {
        TVssItemRow r;
        r.Id = kRootId;
        r.Name = "$";
        r.Spec = "$/";
        return r;
    }

    std::optional<TVssItemRow> Child(const TVssItemRow& parent, std::string_view name, bool deleted) {
        TStmt s = Db->Prepare(
            "SELECT id, parent, name, type, binary, deleted, version, ident FROM items "
            "WHERE parent = ?1 AND name_key = ?2 AND (deleted = 0 OR ?3) ORDER BY deleted, id DESC LIMIT 1");
        s.Int(1, parent.Id).Text(2, FoldName(name)).Int(3, deleted);
        if (!s.Step()) return std::nullopt;
        std::string storedName = s.TextAt(2);
        return ReadRow(s, JoinSpec(parent.Spec, storedName));
    }

    std::string CurrentProject() {
        TStmt s = Db->Prepare("SELECT current_project FROM users WHERE user_key = ?1");
        s.Text(1, UserKey);
        return s.Step() ? s.TextAt(0) : std::string("$/");
    }

    std::optional<TVssItemRow> TryFind(const std::string& spec, bool deleted) {
        std::string abs = AbsoluteSpec(spec, spec.empty() || spec[0] != '$' ? CurrentProject() : "$/");
        TVssItemRow row = Root();
        std::vector<std::string> parts = SpecComponents(abs);
        for (size_t i = 0; i < parts.size(); ++i) {
            if (row.Type != VSSITEM_PROJECT) return std::nullopt;
            auto child = Child(row, parts[i], deleted && i + 1 == parts.size());
            if (!child) return std::nullopt;
            row = std::move(*child);
        }
        return row;
    }

    TVssItemRow Find(const std::string& spec, bool deleted) {
        auto row = TryFind(spec, deleted);
        if (!row) RaiseVss(VSS_E_NOTFOUND, NotExisting(spec));
        return *row;
    }

    std::string NotExisting(const std::string& spec) {
        std::string shown = spec;
        try {
            shown = AbsoluteSpec(spec, CurrentProject());
        } catch (const EOleException&) {
        }
        return shown + " is not an existing filename or project";
    }

    TVssItemRow Refresh(const TVssItemRow& item) {
        TStmt s = Db->Prepare("SELECT id, parent, name, type, binary, deleted, version, ident FROM items WHERE id = ?1");
        s.Int(1, item.Id);
        if (!s.Step()) RaiseVss(VSS_E_NOTFOUND, NotExisting(item.Spec));
        return ReadRow(s, item.Spec);
    }

    // The row as it is now, which must still be live.
    TVssItemRow Live(const TVssItemRow& item) {
        TVssItemRow r = Refresh(item);
        if (r.Deleted) RaiseVss(VSS_E_NOTFOUND, NotExisting(item.Spec) + " (it has been deleted)");
        return r;
    }

    std::vector<TVssItemRow> Children(const TVssItemRow& project, bool deleted) {
        std::vector<TVssItemRow> rows;
        if (project.Type != VSSITEM_PROJECT) return rows;
        TStmt s = Db->Prepare(
            "SELECT id, parent, name, type, binary, deleted, version, ident FROM items "
            "WHERE parent = ?1 AND (deleted = 0 OR ?2) ORDER BY name_key, id");
        s.Int(1, project.Id).Int(2, deleted);
        while (s.Step()) {
            std::string name = s.TextAt(2);
            rows.push_back(ReadRow(s, JoinSpec(project.Spec, name)));
        }
        return rows;
    }

    std::vector<TVssCheckoutRow> Checkouts(int64_t item) {
        std::vector<TVssCheckoutRow> rows;
        TStmt s = Db->Prepare(
            "SELECT user, folder, time, version, comment FROM checkouts WHERE item = ?1 ORDER BY time, user_key");
        s.Int(1, item);
        while (s.Step()) rows.push_back({s.TextAt(0), s.TextAt(1), s.IntAt(2), int32_t(s.IntAt(3)), s.TextAt(4)});
        return rows;
    }

    std::optional<TVssCheckoutRow> MyCheckout(int64_t item) {
        TStmt s = Db->Prepare("SELECT user, folder, time, version, comment FROM checkouts "
                              "WHERE item = ?1 AND user_key = ?2");
        s.Int(1, item).Text(2, UserKey);
        if (!s.Step()) return std::nullopt;
        return TVssCheckoutRow{s.TextAt(0), s.TextAt(1), s.IntAt(2), int32_t(s.IntAt(3)), s.TextAt(4)};
    }

    int32_t IsCheckedOut(int64_t item) {
        int32_t state = VSSFILE_NOTCHECKEDOUT;
        TStmt s = Db->Prepare("SELECT user_key FROM checkouts WHERE item = ?1");
        s.Int(1, item);
        while (s.Step()) {
            if (s.TextAt(0) == UserKey) return VSSFILE_CHECKEDOUT_ME;
            state = VSSFILE_CHECKEDOUT;
        }
        return state;
    }

    TVssVersionRow VersionInfo(const TVssItemRow& item, int32_t version) {
        TStmt s = Db->Prepare("SELECT number, user, time, modified, comment FROM versions "
                              "WHERE item = ?1 AND number = ?2");
        s.Int(1, item.Id).Int(2, version);
        if (!s.Step()) RaiseVss(VSS_E_NOTFOUND, NoVersion(item, version));
        return {int32_t(s.IntAt(0)), s.TextAt(1), s.IntAt(2), s.IntAt(3), s.TextAt(4)};
    }

    // Only bytes that match their checksum are handed out.
    std::string VersionData(const TVssItemRow& item, int32_t version) {
        TStmt s = Db->Prepare("SELECT data, sha256 FROM versions WHERE item = ?1 AND number = ?2");
        s.Int(1, item.Id).Int(2, version);
        if (!s.Step()) RaiseVss(VSS_E_NOTFOUND, NoVersion(item, version));
        std::string data = s.TextAt(0);
        if (!SameBytes(Sha256(data), s.TextAt(1))) RaiseVss(VSS_E_DAMAGED, Damaged(item.Spec, version));
        return data;
    }

    static std::string Damaged(const std::string& spec, int32_t version) {
        return "Version " + std::to_string(version) + " of " + spec + " is damaged";
    }

    static std::string NoVersion(const TVssItemRow& item, int32_t version) {
        return item.Type == VSSITEM_PROJECT ? item.Spec + " is a project and has no file versions"
                                            : item.Spec + " has no version " + std::to_string(version);
    }

    // ---- local copies ----

    // The local file of a file item: local names the file, or a folder that
    // holds it; empty means the current folder.
    static std::string LocalFileFor(const TVssItemRow& file, const std::string& local) {
        std::string path = AbsoluteLocalPath(local);
        if (local.empty() || path.back() == '/' || LocalState(path).IsFolder) return JoinLocal(path, file.Name);
        return path;
    }

    static std::string LocalFolderFor(const std::string& local) {
        std::string path = AbsoluteLocalPath(local);
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        return path;
    }

    static int64_t TimeFor(const TVssVersionRow& v, int32_t flags) {
        switch (flags & VSSFLAG_TIME_MASK) {
            case VSSFLAG_TIMEMOD: return v.Modified;
            case VSSFLAG_TIMEUPD: return v.Time;
            default: return 0;
        }
    }

    enum class TPut { Written, Same, Skipped, Merged };

    // Puts data at path unless a changed writable copy is in the way, then the
    // replace flag decides. base is what that copy started from, when known
    // (merge needs it).
    static TPut PutLocal(TLocalChanges& local, const TVssItemRow& file, const std::string& path,
                         const std::string& data, bool writable, int64_t time, const TVssOptions& o,
                         const std::optional<std::string>& base) {
        TLocalState st = LocalState(path);
        if (st.IsFolder) RaiseVss(VSS_E_LOCALIO, "\"" + path + "\" is a folder, not a file");
        std::string current;
        if (st.Exists && !TryReadLocalFile(path, current))
            RaiseVss(VSS_E_LOCALIO, "Cannot read \"" + path + "\"");
        if (st.Exists && current == data) {
            local.SetWritable(path, writable);
            return TPut::Same;
        }
        if (st.Exists && st.Writable) {
            switch (o.Flags & VSSFLAG_REP_MASK) {
                case VSSFLAG_REPREPLACE: break;
                case VSSFLAG_REPSKIP: return TPut::Skipped;
                case VSSFLAG_REPMERGE: {
                    auto merged = base && !file.Binary ? MergeText(*base, current, data) : std::nullopt;
                    if (!merged)
                        RaiseVss(VSS_E_CONFLICT, "Cannot merge " + file.Spec + " into \"" + path +
                                                     "\": the changes overlap; nothing was changed");
                    local.Write(path, *merged, true, 0);
                    return TPut::Merged;
                }
                default:
                    if (o.Ask == TAskAnswer::Raise)
                        RaiseVss(VSS_E_WRITABLE, "A writable copy of \"" + path +
                                                     "\" already exists and differs from " + file.Spec +
                                                     "; choose Replace, Skip or Merge");
                    if (o.Skipped) o.Skipped->push_back(path);
                    return TPut::Skipped;
            }
        }
        local.Write(path, data, writable, time);
        return TPut::Written;
    }

    // ---- changes ----

    void NewVersion(const TVssItemRow& file, int32_t number, const std::string& data, int64_t modified,
                    const std::string& comment) {
        const std::string digest = Sha256(data);
        Db->Prepare("INSERT INTO versions(item, number, user, time, modified, comment, data, sha256) "
                    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)")
            .Int(1, file.Id)
            .Int(2, number)
            .Text(3, User)
            .Int(4, Now())
            .Int(5, modified)
            .Text(6, comment)
            .Blob(7, data)
            .Blob(8, digest)
            .Run();
        Db->Prepare("UPDATE items SET version = ?2, ident = ?3 WHERE id = ?1")
            .Int(1, file.Id)
            .Int(2, number)
            .Blob(3, ItemIdentity(file.Id, file.Parent, number, file.Name))
            .Run();
    }

    void RecordCheckout(const TVssItemRow& file, const std::string& folder, int32_t version,
                        const std::string& comment) {
        Db->Prepare("INSERT INTO checkouts(item, user_key, user, folder, time, version, comment) "
                    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)")
            .Int(1, file.Id)
            .Text(2, UserKey)
            .Text(3, User)
            .Text(4, folder)
            .Int(5, Now())
            .Int(6, version)
            .Text(7, comment)
            .Run();
    }

    void SetCheckoutVersion(const TVssItemRow& file, int32_t version) {
        Db->Prepare("UPDATE checkouts SET version = ?3 WHERE item = ?1 AND user_key = ?2")
            .Int(1, file.Id)
            .Text(2, UserKey)
            .Int(3, version)
            .Run();
    }

    void DropCheckout(const TVssItemRow& file) {
        Db->Prepare("DELETE FROM checkouts WHERE item = ?1 AND user_key = ?2").Int(1, file.Id).Text(2, UserKey).Run();
    }

    TVssItemRow InsertItem(const TVssItemRow& project, const std::string& name, int32_t type, bool binary,
                           int32_t version) {
        CheckName(name);
        if (auto existing = Child(project, name, false))
            RaiseVss(VSS_E_EXISTS, "An item named \"" + existing->Name + "\" already exists in " + project.Spec);
        Db->Prepare("INSERT INTO items(parent, name, name_key, type, binary, version) VALUES(?1, ?2, ?3, ?4, ?5, ?6)")
            .Int(1, project.Id)
            .Text(2, name)
            .Text(3, FoldName(name))
            .Int(4, type)
            .Int(5, binary)
            .Int(6, version)
            .Run();
        TVssItemRow r;
        r.Id = Db->LastId();
        r.Parent = project.Id;
        r.Name = name;
        r.Spec = JoinSpec(project.Spec, name);
        r.Type = type;
        r.Binary = binary;
        r.Version = version;
        Db->Prepare("UPDATE items SET ident = ?2 WHERE id = ?1").Int(1, r.Id).Blob(2, ItemIdentity(r)).Run();
        return r;
    }

    TVssItemRow AddLocal(TLocalChanges& local, const TVssItemRow& project, const std::string& path,
                         const std::string& comment, const TVssOptions& o) {
        CheckStop();
        TLocalState st = LocalState(path);
        if (!st.Exists) RaiseVss(VSS_E_NOTFOUND, "File \"" + path + "\" not found");
        if (st.IsFolder) {
            TVssItemRow sub = InsertItem(project, LocalName(path), VSSITEM_PROJECT, false, 0);
            for (const TLocalEntry& e : ListLocalFolder(path))
                if (!e.IsFolder || (o.Flags & VSSFLAG_RECURS_MASK) == VSSFLAG_RECURSYES)
                    AddLocal(local, sub, JoinLocal(path, e.Name), comment, o);
            return sub;
        }
        std::string data = ReadLocalFile(path);
        bool binary = (o.Flags & VSSFLAG_BIN_MASK) == VSSFLAG_BINBINARY ? true
                      : (o.Flags & VSSFLAG_BIN_MASK) == VSSFLAG_BINTEXT ? false
                                                                        : LooksBinary(data);
        TVssItemRow file = InsertItem(project, LocalName(path), VSSITEM_FILE, binary, 0);
        NewVersion(file, 1, data, st.Modified, comment);
        file.Version = 1;
        bool keep = (o.Flags & VSSFLAG_KEEP_MASK) == VSSFLAG_KEEPYES;
        if (keep) RecordCheckout(file, LocalFolder(path), 1, comment);
        local.SetWritable(path, keep || (o.Flags & VSSFLAG_USERRO_MASK) == VSSFLAG_USERRONO);
        return file;
    }

    // Every live file of a project (with recursive, of its sub-projects too).
    void FilesUnder(const TVssItemRow& project, bool recursive, const std::string& folder,
                    std::vector<TFileUnder>& out) {
        for (TVssItemRow& child : Children(project, false)) {
            if (child.Type == VSSITEM_FILE) out.push_back({child, folder});
            else if (recursive) FilesUnder(child, true, folder.empty() ? child.Name : folder + "/" + child.Name, out);
        }
    }

    // Runs op on the item, or on every file of the project, in one
    // transaction; the local copies change only once it has committed. done
    // says what the operation does ("checked in"), for the message of a
    // failure. Answers the number of files op touched.
    template <class Op>
    int ForFiles(const TVssItemRow& item, const std::string& local, int32_t flags, const char* done, Op op) {
        TLocalChanges changes;
        int touched = 0;
        {
            TTransaction t(*Db, true);
            TVssItemRow row = Live(item);
            try {
                if (row.Type == VSSITEM_FILE) {
                    CheckStop();
                    touched += op(changes, row, local, true);
                } else {
                    std::vector<TFileUnder> files;
                    FilesUnder(row, (flags & VSSFLAG_RECURS_MASK) == VSSFLAG_RECURSYES, "", files);
                    std::string root = local.empty() ? std::string() : LocalFolderFor(local);
                    for (TFileUnder& f : files) {
                        CheckStop();
                        std::string folder =
                            root.empty() ? root : (f.Folder.empty() ? root : JoinLocal(root, f.Folder));
                        touched += op(changes, f.File, folder.empty() ? folder : folder + "/", false);
                    }
                }
                CheckStop();
                // A COMMIT that fails rolls back: it is said as any other failure.
                t.Commit();
            } catch (const EOleException& e) {
                if (row.Type == VSSITEM_PROJECT)
                    RaiseVss(e.ErrorCode, e.Message + "; nothing of " + row.Spec + " was " + done);
                if (e.ErrorCode == VSS_E_STOPPED)
                    RaiseVss(e.ErrorCode, e.Message + "; " + row.Spec + " was not " + done);
                throw;
            }
        }
        changes.Apply();
        return touched;
    }

    bool CheckinFile(TLocalChanges& changes, const TVssItemRow& file, const std::string& local,
                     const std::string& comment, const TVssOptions& o, bool single) {
        auto mine = MyCheckout(file.Id);
        if (!mine) {
            if (!single) return false;
            RaiseVss(VSS_E_NOTCHECKEDOUT, "You currently do not have file " + file.Spec + " checked out");
        }
        std::string path = local.empty() ? JoinLocal(mine->Folder, file.Name) : LocalFileFor(file, local);
        std::string data = ReadLocalFile(path);
        int64_t modified = LocalState(path).Modified;
        std::string latest = VersionData(file, file.Version);
        bool keep = (o.Flags & VSSFLAG_KEEP_MASK) == VSSFLAG_KEEPYES;
        bool writable = keep || (o.Flags & VSSFLAG_USERRO_MASK) == VSSFLAG_USERRONO;
        int32_t version = file.Version;
        if (data != latest) {
            if (mine->Version != file.Version) {
                // Others checked in since this check-out: their changes and these meet.
                auto merged =
                    file.Binary ? std::nullopt : MergeText(VersionData(file, mine->Version), data, latest);
                if (!merged)
                    RaiseVss(VSS_E_CONFLICT, "Cannot check in " + file.Spec + ": version " +
                                                 std::to_string(file.Version) + " changed the same lines" +
                                                 (single ? "; nothing was checked in" : ""));
                data = std::move(*merged);
                changes.Write(path, data, writable, 0);
            }
            if (data != latest) NewVersion(file, ++version, data, modified, comment);
        }
        if (keep) SetCheckoutVersion(file, version);
        else DropCheckout(file);
        changes.SetWritable(path, writable);
        return true;
    }

    bool CheckoutFile(TLocalChanges& changes, const TVssItemRow& file, const std::string& local,
                      const std::string& comment, const TVssOptions& o, bool single) {
        std::string others;
        for (const TVssCheckoutRow& c : Checkouts(file.Id)) {
            if (SameName(c.User, User)) {
                if (!single) return false;
                RaiseVss(VSS_E_CHECKEDOUT, "You currently have file " + file.Spec + " checked out");
            }
            others += (others.empty() ? "" : ", ") + c.User;
        }
        if (!others.empty() && !Multiple)
            RaiseVss(VSS_E_CHECKEDOUT, "File " + file.Spec + " is checked out by " + others);
        std::string path = LocalFileFor(file, local);
        RecordCheckout(file, LocalFolder(path), file.Version, comment);
        if ((o.Flags & VSSFLAG_GET_MASK) == VSSFLAG_GETNO) {
            changes.SetWritable(path, true);
            return true;
        }
        PutLocal(changes, file, path, VersionData(file, file.Version), true,
                 TimeFor(VersionInfo(file, file.Version), o.Flags), o, std::nullopt);
        return true;
    }

    bool UndoCheckoutFile(TLocalChanges& changes, const TVssItemRow& file, const std::string& local,
                          const TVssOptions& o, bool single) {
        auto mine = MyCheckout(file.Id);
        if (!mine) {
            if (!single) return false;
            RaiseVss(VSS_E_NOTCHECKEDOUT, "You currently do not have file " + file.Spec + " checked out");
        }
        std::string path = local.empty() ? JoinLocal(mine->Folder, file.Name) : LocalFileFor(file, local);
        DropCheckout(file);
        PutLocal(changes, file, path, VersionData(file, file.Version),
                 (o.Flags & VSSFLAG_USERRO_MASK) == VSSFLAG_USERRONO,
                 TimeFor(VersionInfo(file, file.Version), o.Flags), o, std::nullopt);
        return true;
    }

    bool GetFile(TLocalChanges& changes, const TVssItemRow& file, int32_t version, const std::string& local,
                 const TVssOptions& o) {
        int32_t number = version > 0 ? version : file.Version;
        std::string path = LocalFileFor(file, local);
        auto mine = MyCheckout(file.Id);
        bool checkedOutHere = mine && JoinLocal(mine->Folder, file.Name) == path;
        std::optional<std::string> base;
        if (mine) base = VersionData(file, mine->Version);
        bool writable = checkedOutHere || (o.Flags & VSSFLAG_USERRO_MASK) == VSSFLAG_USERRONO;
        TPut put = PutLocal(changes, file, path, VersionData(file, number), writable,
                            TimeFor(VersionInfo(file, number), o.Flags), o, base);
        // The merged copy now holds that version's changes.
        if (put == TPut::Merged && mine) SetCheckoutVersion(file, number);
        return true;
    }

    bool AnyCheckoutUnder(const TVssItemRow& item) {
        TStmt s = Db->Prepare(
            "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
            "SELECT i.id FROM items i JOIN sub ON i.parent = sub.id WHERE i.deleted = 0) "
            "SELECT 1 FROM checkouts WHERE item IN (SELECT id FROM sub) LIMIT 1");
        s.Int(1, item.Id);
        return s.Step();
    }
};

// ---- public face ----------------------------------------------------------------

TVssSession::TVssSession(std::unique_ptr<TImpl> impl) : impl_(std::move(impl)) {}
TVssSession::~TVssSession() = default;

namespace {

std::string IniPathOf(const std::string& path) {
    std::string p = NormaliseLocalPath(path);
    if (!p.empty() && (p.back() == '/' || LocalState(p).IsFolder)) p = JoinLocal(p, kSrcSafeIni);
    return p;
}

std::function<void(int)>& LogonFailureDelay() {
    static std::function<void(int)> delay = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    return delay;
}

[[noreturn]] void FailLogon() {
    LogonFailureDelay()(kLogonFailureDelayMs);
    RaiseVss(VSS_E_LOGON, "Unknown user or wrong password");
}

std::string SchemaOf(TDb& db) {
    TStmt s = db.Prepare("SELECT value FROM info WHERE key = 'schema'");
    return s.Step() ? s.TextAt(0) : std::string();
}

// A database of schema 1 keeps no checksums: they are computed from the
// versions as they are now, once, by the first client of this version to
// open it (damage from before cannot be told apart; from then on it is
// found). One of schema 2 keeps none of its items' identities: each item
// gains its own at its next change. Other clients wait on the write lock
// and find the schema of this version. Clients of an older version refuse
// the database from then on, so none changes an item without its checksum.
void Migrate(TDb& db, const std::string& dataPath) {
    TTransaction t(db, true);
    const std::string schema = SchemaOf(db);
    if (schema == kSchemaVersion) return;
    if (schema != "1" && schema != "2")
        RaiseVss(VSS_E_DATABASE, "\"" + dataPath + "\" is not a database of this version");
    if (schema == "1") {
        db.Exec("ALTER TABLE versions ADD COLUMN sha256 BLOB");
        std::vector<int64_t> rows;
        {
            TStmt s = db.Prepare("SELECT rowid FROM versions");
            while (s.Step()) rows.push_back(s.IntAt(0));
        }
        for (int64_t row : rows) {
            std::string data;
            {
                TStmt s = db.Prepare("SELECT data FROM versions WHERE rowid = ?1");
                s.Int(1, row);
                if (s.Step()) data = s.TextAt(0);
            }
            db.Prepare("UPDATE versions SET sha256 = ?2 WHERE rowid = ?1").Int(1, row).Blob(2, Sha256(data)).Run();
        }
    }
    db.Exec("ALTER TABLE items ADD COLUMN ident BLOB");
    db.Prepare("UPDATE info SET value = ?1 WHERE key = 'schema'").Text(1, kSchemaVersion).Run();
    t.Commit();
}

// Without a password (null) the user is trusted.
std::shared_ptr<TVssSession> OpenAs(const std::string& iniPath, const std::string& user, const std::string* password) {
    auto impl = std::make_unique<TVssSession::TImpl>();
    impl->IniPath = IniPathOf(iniPath);
    TSrcSafeIni ini = LoadSrcSafeIni(impl->IniPath);
    if (password || !user.empty()) {
        int u = ini.FindUser(user);
        if (u < 0 && !password) RaiseVss(VSS_E_LOGON, "User \"" + user + "\" not found");
        // One answer for an unknown user and a wrong password, in the same time.
        if (u < 0) {
            SpendPasswordCheck(*password);
            FailLogon();
        }
        const auto& [name, stored] = ini.Users[size_t(u)];
        if (password) {
            TPasswordCheck check = CheckPassword(*password, stored);
            if (check == TPasswordCheck::Damaged)
                RaiseVss(VSS_E_DATABASE, "srcsafe.ini is damaged: the password of \"" + name + "\" is not a valid hash");
            if (check != TPasswordCheck::Match) FailLogon();
        }
        impl->User = name;
    }
    impl->UserKey = FoldName(impl->User);
    impl->Multiple = ini.MultipleCheckouts;
    std::string dataPath = JoinLocal(LocalFolder(impl->IniPath), ini.DataFile);
    if (!LocalState(dataPath).Exists)
        RaiseVss(VSS_E_DATABASE, "The database file \"" + dataPath + "\" named in \"" + impl->IniPath + "\" is missing");
    impl->Db = std::make_unique<TDb>(dataPath, false);
    // A check-in reported as done survives a power loss.
    impl->Db->Exec("PRAGMA synchronous = FULL");
    if (SchemaOf(*impl->Db) != kSchemaVersion) Migrate(*impl->Db, dataPath);
    return std::make_shared<TVssSession>(std::move(impl));
}

}  // namespace

std::shared_ptr<TVssSession> TVssSession::Open(const std::string& iniPath, const std::string& user,
                                               const std::string& password) {
    return OpenAs(iniPath, user, &password);
}

std::shared_ptr<TVssSession> TVssSession::OpenTrusted(const std::string& iniPath, const std::string& user) {
    return OpenAs(iniPath, user, nullptr);
}

void TVssSession::SetLogonFailureDelay(std::function<void(int)> delay) { LogonFailureDelay() = std::move(delay); }

void TVssSession::SetCommitHooks(std::function<bool()> refuse, std::function<void()> after) {
    CommitHooks() = {std::move(refuse), std::move(after)};
}

void TVssSession::CreateDatabase(const std::string& folder, bool multipleCheckouts, bool groupShared) {
    const mode_t mode = groupShared ? kGroupMode : kPrivateMode;
    std::string dir = AbsoluteLocalPath(folder);
    std::string iniPath = JoinLocal(dir, kSrcSafeIni);
    if (LocalState(iniPath).Exists) RaiseVss(VSS_E_EXISTS, "\"" + dir + "\" already holds a database");
    TSrcSafeIni ini;
    ini.MultipleCheckouts = multipleCheckouts;
    std::string dataPath = JoinLocal(dir, ini.DataFile);
    // The ini comes last, so a half-made database is never taken for one.
    MakeLocalFolders(dir);
    {
        // Made here with its bits (SQLite would take the umask's); its
        // journal files take the same.
        int fd = ::open(dataPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno == EEXIST) RaiseVss(VSS_E_EXISTS, "\"" + dataPath + "\" already exists");
        if (fd < 0) RaiseVss(VSS_E_LOCALIO, "Cannot create \"" + dataPath + "\": " + std::strerror(errno));
        bool ok = ::fchmod(fd, mode) == 0;
        ::close(fd);
        if (!ok) RaiseVss(VSS_E_LOCALIO, "Cannot set the permissions of \"" + dataPath + "\"");
    }
    {
        TDb db(dataPath, false);
        db.Exec("PRAGMA journal_mode = WAL");
        db.Exec("PRAGMA synchronous = FULL");
        TTransaction t(db, true);
        db.Exec(kSchema);
        db.Prepare("INSERT INTO info(key, value) VALUES('schema', ?1)").Text(1, kSchemaVersion).Run();
        t.Commit();
    }
    SaveSrcSafeIni(iniPath, ini, mode);
}

const std::string& TVssSession::UserName() const { return impl_->User; }
const std::string& TVssSession::IniPath() const { return impl_->IniPath; }
bool TVssSession::MultipleCheckouts() const { return impl_->Multiple; }

std::string TVssSession::CurrentProject() { return impl_->CurrentProject(); }

void TVssSession::SetCurrentProject(const std::string& spec) {
    TTransaction t(*impl_->Db, true);
    TVssItemRow row = impl_->Find(spec, false);
    if (row.Type != VSSITEM_PROJECT) RaiseVss(VSS_E_WRONGTYPE, row.Spec + " is a file, not a project");
    impl_->Db->Prepare("INSERT OR REPLACE INTO users(user_key, current_project) VALUES(?1, ?2)")
        .Text(1, impl_->UserKey)
        .Text(2, row.Spec)
        .Run();
    t.Commit();
}

TVssItemRow TVssSession::Find(const std::string& spec, bool deleted) { return impl_->Find(spec, deleted); }
std::optional<TVssItemRow> TVssSession::TryFind(const std::string& spec, bool deleted) {
    return impl_->TryFind(spec, deleted);
}
TVssItemRow TVssSession::Refresh(const TVssItemRow& item) { return impl_->Refresh(item); }
std::vector<TVssItemRow> TVssSession::Children(const TVssItemRow& project, bool deleted) {
    return impl_->Children(project, deleted);
}
std::vector<TVssCheckoutRow> TVssSession::Checkouts(const TVssItemRow& item) { return impl_->Checkouts(item.Id); }
int32_t TVssSession::IsCheckedOut(const TVssItemRow& item) { return impl_->IsCheckedOut(item.Id); }
TVssVersionRow TVssSession::VersionInfo(const TVssItemRow& item, int32_t version) {
    return impl_->VersionInfo(item, version);
}
std::string TVssSession::VersionData(const TVssItemRow& item, int32_t version) {
    return impl_->VersionData(item, version);
}

void TVssSession::SetDeleted(const TVssItemRow& item, bool deleted) {
    TTransaction t(*impl_->Db, true);
    TVssItemRow row = impl_->Refresh(item);
    if (row.Id == kRootId) RaiseVss(VSS_E_WRONGTYPE, "The root project $/ cannot be deleted");
    if (row.Deleted == deleted) return;
    if (deleted) {
        if (row.Type == VSSITEM_FILE) {
            std::string users;
            for (auto& c : impl_->Checkouts(row.Id)) users += (users.empty() ? "" : ", ") + c.User;
            if (!users.empty()) RaiseVss(VSS_E_CHECKEDOUT, "File " + row.Spec + " is checked out by " + users);
        } else if (impl_->AnyCheckoutUnder(row)) {
            RaiseVss(VSS_E_CHECKEDOUT, "Project " + row.Spec + " holds files that are checked out");
        }
    } else {
        TStmt s = impl_->Db->Prepare("SELECT 1 FROM items WHERE parent = ?1 AND name_key = ?2 AND deleted = 0");
        s.Int(1, row.Parent).Text(2, FoldName(row.Name));
        if (s.Step()) RaiseVss(VSS_E_EXISTS, "An item named \"" + row.Name + "\" already exists in " + SplitSpec(row.Spec).first);
    }
    impl_->Db->Prepare("UPDATE items SET deleted = ?2, ident = ?3 WHERE id = ?1")
        .Int(1, row.Id)
        .Int(2, deleted)
        .Blob(3, ItemIdentity(row))
        .Run();
    t.Commit();
}

TVssItemRow TVssSession::MakeProject(const std::string& spec) {
    TTransaction t(*impl_->Db, true);
    TVssItemRow row = impl_->Root();
    for (const std::string& name : SpecComponents(AbsoluteSpec(spec, impl_->CurrentProject()))) {
        auto child = impl_->Child(row, name, false);
        if (child && child->Type != VSSITEM_PROJECT) RaiseVss(VSS_E_WRONGTYPE, child->Spec + " is a file, not a project");
        row = child ? *child : impl_->InsertItem(row, name, VSSITEM_PROJECT, false, 0);
    }
    t.Commit();
    return row;
}

TVssItemRow TVssSession::Add(const TVssItemRow& project, const std::string& local, const std::string& comment,
                             const TVssOptions& options) {
    TTransaction t(*impl_->Db, true);
    TVssItemRow row = impl_->Live(project);
    if (row.Type != VSSITEM_PROJECT) RaiseVss(VSS_E_WRONGTYPE, row.Spec + " is a file; files are added to projects");
    std::string path = AbsoluteLocalPath(local);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    TLocalChanges changes;
    TVssItemRow added;
    try {
        added = impl_->AddLocal(changes, row, path, comment, options);
        CheckStop();
    } catch (const EOleException& e) {
        if (e.ErrorCode != VSS_E_STOPPED) throw;
        RaiseVss(e.ErrorCode, e.Message + "; \"" + path + "\" was not added");
    }
    t.Commit();
    changes.Apply();
    return added;
}

int TVssSession::Checkin(const TVssItemRow& item, const std::string& local, const std::string& comment,
                        const TVssOptions& options) {
    return impl_->ForFiles(item, local, options.Flags, "checked in",
                           [&](TLocalChanges& c, const TVssItemRow& f, const std::string& l, bool single) {
                               return impl_->CheckinFile(c, f, l, comment, options, single);
                           });
}

int TVssSession::Checkout(const TVssItemRow& item, const std::string& local, const std::string& comment,
                         const TVssOptions& options) {
    // A project's files go to the current folder when no folder is given.
    std::string where = local.empty() && item.Type == VSSITEM_PROJECT ? AbsoluteLocalPath("") : local;
    return impl_->ForFiles(item, where, options.Flags, "checked out",
                           [&](TLocalChanges& c, const TVssItemRow& f, const std::string& l, bool single) {
                               return impl_->CheckoutFile(c, f, l, comment, options, single);
                           });
}

int TVssSession::UndoCheckout(const TVssItemRow& item, const std::string& local, const TVssOptions& options) {
    return impl_->ForFiles(item, local, options.Flags, "undone",
                           [&](TLocalChanges& c, const TVssItemRow& f, const std::string& l, bool single) {
                               return impl_->UndoCheckoutFile(c, f, l, options, single);
                           });
}

void TVssSession::Get(const TVssItemRow& item, int32_t version, const std::string& local, const TVssOptions& options) {
    if (version > 0 && item.Type == VSSITEM_PROJECT)
        RaiseVss(VSS_E_WRONGTYPE, item.Spec + " is a project; old versions are got file by file");
    std::string where = local.empty() && item.Type == VSSITEM_PROJECT ? AbsoluteLocalPath("") : local;
    impl_->ForFiles(item, where, options.Flags, "written",
                    [&](TLocalChanges& c, const TVssItemRow& f, const std::string& l, bool) {
                        if (version > 0 && version > f.Version)
                            RaiseVss(VSS_E_NOTFOUND, f.Spec + " has no version " + std::to_string(version));
                        return impl_->GetFile(c, f, version, l, options);
                    });
}

std::vector<std::string> TVssSession::Verify(TVssVerifyCounts& counts) {
    TDb& db = *impl_->Db;
    std::vector<std::string> problems;
    counts = {};
    TTransaction t(db, false);
    {
        TStmt s = db.Prepare("PRAGMA integrity_check");
        while (s.Step()) {
            std::string line = s.TextAt(0);
            if (line != "ok") problems.push_back("SQLite integrity check: " + line);
        }
    }
    // Every item, deleted ones too, from one read.
    struct TItem {
        int64_t Parent = 0;
        std::string Name, Key;
        int32_t Type = 0, Version = 0;
        bool Covered = false;
        std::string Ident;
    };
    std::map<int64_t, TItem> items;
    {
        TStmt s = db.Prepare("SELECT id, parent, name, name_key, type, version, ident FROM items");
        while (s.Step())
            items[s.IntAt(0)] = {s.IntAt(1), s.TextAt(2), s.TextAt(3), int32_t(s.IntAt(4)), int32_t(s.IntAt(5)),
                                 !s.NullAt(6), s.TextAt(6)};
    }
    std::unordered_map<int64_t, std::string> specs;
    std::function<std::string(int64_t, int)> specOf = [&](int64_t id, int depth) -> std::string {
        if (id == kRootId) return "$/";
        if (auto it = specs.find(id); it != specs.end()) return it->second;
        auto it = items.find(id);
        // A damaged parent chain ends the walk instead of looping.
        if (it == items.end() || depth > 1000) return "$/?";
        return specs[id] = JoinSpec(specOf(it->second.Parent, depth + 1), it->second.Name);
    };
    std::set<std::pair<int64_t, int32_t>> stored;
    {
        TStmt s = db.Prepare("SELECT item, number, data, sha256 FROM versions ORDER BY item, number");
        while (s.Step()) {
            ++counts.Versions;
            stored.insert({s.IntAt(0), int32_t(s.IntAt(1))});
            if (!SameBytes(Sha256(s.TextAt(2)), s.TextAt(3)))
                problems.push_back(TImpl::Damaged(specOf(s.IntAt(0), 0), int32_t(s.IntAt(1))));
        }
    }
    for (const auto& [id, item] : items) {
        const std::string spec = specOf(id, 0);
        if (id == kRootId) {
            if (item.Parent != 0 || item.Name != "$" || item.Key != "$")
                problems.push_back("The root project $/ is damaged");
            continue;
        }
        ++counts.Items;
        if (!item.Covered) ++counts.Uncovered;
        else if (!SameBytes(ItemIdentity(id, item.Parent, item.Version, item.Name), item.Ident))
            problems.push_back(DamagedItem(spec));
        if (FoldName(item.Name) != item.Key) problems.push_back(DamagedItem(spec) + ": its name does not match its key");
        if (item.Parent != kRootId && !items.count(item.Parent))
            problems.push_back(DamagedItem(spec) + ": its project is missing");
        if (item.Type == VSSITEM_FILE && !stored.count({id, item.Version}))
            problems.push_back(DamagedItem(spec) + ": its version " + std::to_string(item.Version) + " is missing");
    }
    {
        TStmt s = db.Prepare("SELECT item, user, version FROM checkouts ORDER BY item, user_key");
        while (s.Step())
            if (!stored.count({s.IntAt(0), int32_t(s.IntAt(2))}))
                problems.push_back(DamagedItem(specOf(s.IntAt(0), 0)) + ": the check-out of " + s.TextAt(1) +
                                   " names version " + std::to_string(s.IntAt(2)) + ", which is missing");
    }
    return problems;
}

std::vector<TVssProjectListing> TVssSession::List(const TVssItemRow& project, bool recursive) {
    TDb& db = *impl_->Db;
    TTransaction t(db, false);
    TVssItemRow top = impl_->Live(project);
    if (top.Type != VSSITEM_PROJECT) RaiseVss(VSS_E_WRONGTYPE, top.Spec + " is a file, not a project");

    // Check-outs are few: read them all, then hand them to the listed files.
    std::unordered_map<int64_t, std::vector<std::pair<TVssCheckoutRow, bool>>> checkouts;
    {
        TStmt s = db.Prepare("SELECT item, user, folder, time, version, comment, user_key FROM checkouts "
                             "ORDER BY time, user_key");
        while (s.Step())
            checkouts[s.IntAt(0)].push_back(
                {{s.TextAt(1), s.TextAt(2), s.IntAt(3), int32_t(s.IntAt(4)), s.TextAt(5)}, s.TextAt(6) == impl_->UserKey});
    }
    std::vector<TVssProjectListing> out;
    // One indexed read per project, in name order; projects go first.
    std::function<void(int64_t, const std::string&)> walk = [&](int64_t id, const std::string& spec) {
        TVssProjectListing block;
        block.Spec = spec;
        std::vector<int64_t> subprojects;
        {
            TStmt s = db.Prepare("SELECT id, name, type, version, ident FROM items WHERE parent = ?1 AND deleted = 0 "
                                 "ORDER BY name_key, id");
            s.Int(1, id);
            std::vector<TVssListEntry> files;
            while (s.Step()) {
                TVssListEntry e;
                e.Name = s.TextAt(1);
                e.Type = int32_t(s.IntAt(2));
                e.Version = int32_t(s.IntAt(3));
                if (!s.NullAt(4) && !SameBytes(ItemIdentity(s.IntAt(0), id, e.Version, e.Name), s.TextAt(4)))
                    RaiseVss(VSS_E_DAMAGED, DamagedItem(JoinSpec(spec, e.Name)));
                if (e.Type == VSSITEM_PROJECT) {
                    subprojects.push_back(s.IntAt(0));
                    block.Items.push_back(std::move(e));
                    continue;
                }
                if (auto it = checkouts.find(s.IntAt(0)); it != checkouts.end()) {
                    for (auto& [row, mine] : it->second) {
                        e.Checkouts.push_back(row);
                        if (mine) e.IsCheckedOut = VSSFILE_CHECKEDOUT_ME;
                        else if (e.IsCheckedOut == VSSFILE_NOTCHECKEDOUT) e.IsCheckedOut = VSSFILE_CHECKEDOUT;
                    }
                }
                files.push_back(std::move(e));
            }
            for (TVssListEntry& e : files) block.Items.push_back(std::move(e));
        }
        out.push_back(std::move(block));
        if (!recursive) return;
        // out grows below: index it afresh each time.
        const size_t self = out.size() - 1;
        for (size_t i = 0; i < subprojects.size(); ++i) walk(subprojects[i], JoinSpec(spec, out[self].Items[i].Name));
    };
    walk(top.Id, top.Spec);
    t.Commit();
    return out;
}

}  // namespace velt::vss
