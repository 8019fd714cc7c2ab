#pragma once
// The automation objects of the source-control stand-in, in-process: the
// database, its items, item collections and check-out records, as COM-style
// interfaces counted with ComPtr. Create the database object with
// CoVSSDatabase::Create, then Open it.
//
// Every failing call raises EOleException (VssError.h) with a clear message:
// "Unknown user or wrong password", "File $/Work/a.pas is checked out by Bob",
// "$/Work/x.pas is not an existing filename or project", ...
//
// Item paths are normalised ("\" read as "/", doubled "/" collapsed); an item path not
// starting with "$" counts from the current project. Names match with ASCII
// letters folded and keep their case. An item keeps the logon it was reached
// through alive, even when the database object is released or opened again.
// The objects of one database belong to one thread at a time.

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/ComPtr.h"
#include "platform/vss/VssError.h"
#include "platform/vss/VssFlags.h"
#include "platform/vss/VssSession.h"

namespace velt::vss {

class IVSSItem;

// {6D7E0A31-5B0C-4E2B-9A61-3C58B7E2F101} .. F104
inline constexpr Guid IID_IVSSCheckout{0x6D7E0A31, 0x5B0C, 0x4E2B, {0x9A, 0x61, 0x3C, 0x58, 0xB7, 0xE2, 0xF1, 0x01}};
inline constexpr Guid IID_IVSSCheckouts{0x6D7E0A31, 0x5B0C, 0x4E2B, {0x9A, 0x61, 0x3C, 0x58, 0xB7, 0xE2, 0xF1, 0x02}};
inline constexpr Guid IID_IVSSItems{0x6D7E0A31, 0x5B0C, 0x4E2B, {0x9A, 0x61, 0x3C, 0x58, 0xB7, 0xE2, 0xF1, 0x03}};
inline constexpr Guid IID_IVSSItem{0x6D7E0A31, 0x5B0C, 0x4E2B, {0x9A, 0x61, 0x3C, 0x58, 0xB7, 0xE2, 0xF1, 0x04}};
inline constexpr Guid IID_IVSSDatabase{0x6D7E0A31, 0x5B0C, 0x4E2B, {0x9A, 0x61, 0x3C, 0x58, 0xB7, 0xE2, 0xF1, 0x05}};

// One user's check-out of a file.
class IVSSCheckout : public IUnknown {
public:
    virtual std::string Username() = 0;
    virtual int64_t Date() = 0;            // seconds since 1970
    virtual std::string LocalSpec() = 0;   // the local folder
    virtual int32_t VersionNumber() = 0;   // the version checked out
    virtual std::string Comment() = 0;
};

// Collections count from 1 to Count; another index raises.
class IVSSCheckouts : public IUnknown {
public:
    virtual int32_t Count() = 0;
    virtual ComPtr<IVSSCheckout> Item(int32_t index) = 0;
};

class IVSSItems : public IUnknown {
public:
    virtual int32_t Count() = 0;
    virtual ComPtr<IVSSItem> Item(int32_t index) = 0;
};

// A project or a file, or an old version of a file (Version). Local
// arguments: on a file the local copy's path (a folder: the file of the
// item's name in it); on a project the matching local folder; empty: the
// check-out's folder for Checkin and UndoCheckout, the current folder for the
// rest. Flags: the VSSFLAG words of VssFlags.h. Where a changed writable
// local copy would be replaced and the flags say "ask" (or nothing), the
// call raises and changes nothing: the server has nobody to ask.
class IVSSItem : public IUnknown {
public:
    virtual std::string Spec() = 0;
    virtual std::string Name() = 0;
    virtual int32_t Type() = 0;  // VSSITEM_PROJECT or VSSITEM_FILE
    virtual bool Binary() = 0;
    virtual bool Deleted() = 0;
    // True removes the item (refused while it has check-outs), false recovers it.
    virtual void SetDeleted(bool deleted) = 0;
    // VSSFILE_NOTCHECKEDOUT, VSSFILE_CHECKEDOUT (by others only),
    // VSSFILE_CHECKEDOUT_ME; always 0 for a project.
    virtual int32_t IsCheckedOut() = 0;
    virtual ComPtr<IVSSCheckouts> Checkouts() = 0;
    // The latest version, or the one this item stands for.
    virtual int32_t VersionNumber() = 0;
    // The file as it was at that version; only Get works on it.
    virtual ComPtr<IVSSItem> Version(int32_t number) = 0;
    virtual ComPtr<IVSSItem> Parent() = 0;
    // The children of a project (in name order), deleted ones too when asked.
    virtual ComPtr<IVSSItems> Items(bool includeDeleted) = 0;
    // On a project: adds a local file, or a local folder as a sub-project.
    virtual ComPtr<IVSSItem> Add(const std::string& local, const std::string& comment, int32_t flags) = 0;
    virtual void Checkin(const std::string& comment, const std::string& local, int32_t flags) = 0;
    virtual void Checkout(const std::string& comment, const std::string& local, int32_t flags) = 0;
    virtual void UndoCheckout(const std::string& local, int32_t flags) = 0;
    virtual void Get(const std::string& local, int32_t flags) = 0;
};

class IVSSDatabase : public IUnknown {
public:
    // srcSafeIni: the database folder + "/srcsafe.ini" (the folder alone will
    // do). Opening again drops the previous logon.
    virtual void Open(const std::string& srcSafeIni, const std::string& userName, const std::string& password) = 0;
    virtual std::string SrcSafeIni() = 0;
    virtual std::string UserName() = 0;
    // The user's current project ("$/" until set; kept per user in the
    // database, shared with `ss cp`).
    virtual std::string CurrentProject() = 0;
    virtual void SetCurrentProject(const std::string& spec) = 0;
    // deleted true finds a deleted item too (a live one first).
    virtual ComPtr<IVSSItem> VSSItem(const std::string& spec, bool deleted) = 0;

    // Not part of SourceSafe's own objects: the projects under that item path (itself
    // first, then depth-first) with their live items, check-outs included, in
    // one read of the database. For building file lists and trees fast.
    virtual std::vector<TVssProjectListing> ListProjects(const std::string& spec, bool recursive) = 0;
};

// SourceSafe's published class of the database object.
struct CoVSSDatabase {
    static ComPtr<IVSSDatabase> Create();
};

}  // namespace velt::vss
