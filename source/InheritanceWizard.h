#pragma once
// The inheritance wizard: for the class under the cursor, the members of
// its ancestors that it could override or redeclare (virtual, dynamic and
// message methods; private and protected properties), minus what the class
// declares itself; the chosen ones are written into the class.
//
// The word (TIHyperSourceCode::InheritanceWizard) shows the wizard through
// a port, as the header refresh shows its dialog, and hands it a session:
// a TInheritanceThread, created suspended, that reads the ancestors one at
// a time while the wizard is open and frees itself when it ends. The worker
// parses and refines each ancestor on private source objects; everything
// it needs of the interpreter and of the word's source object (the Classes
// Registry lookup, the host word "LoadFromIDEOrFile" with its push and pop)
// and every row it hands to the list runs in the main thread through the
// foundation's Synchronize, so no two uses of them overlap. Closing the
// wizard sets the worker's termination flag; the word writes only after the
// worker has ended, serving its marshalled calls while it waits (a call
// that arrives after the close answers "cancelled").
//
// Each ancestor's unit is found in the unit that named it, else through
// FindClassSource (the current unit, then the Classes Registry), and read
// through the host word. "Unit.TClass" names the class TClass of that unit
// when the unit is registered (or is the current one). The walk ends after
// TObject, at an ancestor that comes round again (a cycle), at one whose
// unit is not known or does not declare it, and at a unit that cannot be
// read: the rows listed so far stay, and the reason is shown as the list's
// last row and, once the wizard closes, on the console.
//
// Members the class declares are not offered again; their names are
// compared ignoring ASCII case (Pascal names do) unless the source object
// is CaseSensitive.

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "foundation/SysUtils.h"
#include "foundation/Suport32.h"
#include "source/ClassesRegistry.h"
#include "source/Navigation.h"
#include "source/SourceCode.h"

namespace velt {

class TForth;
class TIHyperSourceCode;

// One row of the wizard's list.
struct TWizardRow {
    std::string Caption;  // the member's name, or "    Derived from " + the ancestor
    std::string Header;   // the declaration as the ancestor writes it (trimmed); empty for an ancestor row
    int Image = 0;        // the member's scope (0 private .. 3 published); 4 for an ancestor row
    int Kind = 0;         // 2 property, 3 method, 0 for an ancestor row (never written)
};

// What a marshalled call raises once the wizard has closed.
class EInheritanceCancelled : public Exception {
    using Exception::Exception;
};

// The wizard's list as the worker fills it. Called in the main thread
// only, never after the session's Stop.
class TInheritanceView {
public:
    virtual ~TInheritanceView() = default;
    // The rows of one more ancestor, in order.
    virtual void AddRows(const std::vector<TWizardRow>& rows) = 0;
    // The walk is over: why it stopped before TObject, or "" when it did not.
    virtual void WalkEnded(const std::string& why) = 0;
};

// What the walk needs of the interpreter and of the word's source object.
// A walk of its own calls them at once; the wizard's worker runs each call
// in the main thread.
class TInheritanceCalls {
public:
    virtual ~TInheritanceCalls() = default;
    // The source object's FindClassSource (the current file when the unit
    // declares the class, else the Classes Registry's answer).
    virtual bool FindClassSource(const std::string& className, std::string& fileName) = 0;
    // The file the Classes Registry holds for the unit, or "".
    virtual std::string UnitSource(const std::string& unit) = 0;
    // The unit's text through the host word "LoadFromIDEOrFile": the name
    // pushed, the word run, the text popped. A failed read leaves the
    // interpreter's stack as it was.
    virtual std::string LoadFromIDEOrFile(const std::string& fileName) = 0;
};

// The walk up from the class whose header is at headerLine of source; one
// ancestor per step, parsed and refined on private source objects. The
// constructor (in the thread that owns source) takes the class's own
// members and a copy of the unit; after it, source and forth are reached
// only through the calls (SetCalls), at once unless they are replaced.
class TInheritanceWalk {
public:
    TInheritanceWalk(TIHyperSourceCode& source, TForth& forth, int headerLine);
    ~TInheritanceWalk();
    TInheritanceWalk(const TInheritanceWalk&) = delete;
    TInheritanceWalk& operator=(const TInheritanceWalk&) = delete;

    // Every later use of source and forth goes through calls (not owned).
    void SetCalls(TInheritanceCalls& calls) { calls_ = &calls; }

    // The ancestor the next step reads as its descendant names it; "" once
    // the walk is over.
    const std::string& Current() const { return next_; }
    // Reads Current() into list (sorted; what the class could override or
    // redeclare left in) and moves on to the ancestor after it; name is the
    // class read. False, with the walk over, when it cannot be read (the
    // reason in Error()). Never raises.
    bool ReadAncestor(std::string& name, TClassComponentList& list);
    // The rows of an ancestor read into list: its heading, then one row per
    // member left in.
    static void ListRows(const std::string& ancestor, const TClassComponentList& list, std::vector<TWizardRow>& rows);

    // One step's rows appended to rows; false when no later call gives more.
    bool Next(std::vector<TWizardRow>& rows);
    // Every step at once (what the benchmark and the real-code check time).
    void Run();

    bool Done() const { return next_.empty(); }
    // Every row Next gave so far, in order.
    const std::vector<TWizardRow>& Rows() const { return rows_; }
    // The ancestors read so far, nearest first.
    const std::vector<std::string>& Ancestors() const { return ancestors_; }
    // Why the walk ended before TObject; "" when it did not, or when it was
    // cancelled.
    const std::string& Error() const { return error_; }
    const TClassComponentList& OwnList() const { return own_; }

    // How far a walk may go even without a cycle.
    static constexpr int kMaxAncestors = 256;

private:
    bool Step(std::string& name, TClassComponentList& list);
    // The model that declares the ancestor written (headerLine set), and
    // the class's name without its unit, or null.
    const TISourceCode* Declaring(const std::string& written, int& headerLine, std::string& name);
    // The model of the unit (registered, or the current one) when it
    // declares name, else null.
    const TISourceCode* InUnit(const std::string& unit, const std::string& name, int& headerLine);
    // The model holding file: the copy of the current unit, or the unit read
    // last, which is read through the host unless it holds file already.
    const TISourceCode* Model(const std::string& fileName);
    bool Stop(std::string why);

    std::unique_ptr<TInheritanceCalls> direct_;  // the calls made at once
    TInheritanceCalls* calls_;
    TClassComponentList own_;  // what the class declares itself
    std::set<std::pair<int, std::string>> ownNames_;  // its kinds and names, ASCII case folded
    std::string next_;
    TAncestorWalk seen_;
    TISourceCode home_;         // the current unit as the model held it at the start
    const TISourceCode* last_;  // the model of the class whose header named next_
    TISourceCode unit_;         // the other unit read last
    std::string unitFile_;      // its file; "" when none
    std::vector<TWizardRow> rows_;
    std::vector<std::string> ancestors_;
    std::string error_;
};

struct TInheritanceLink;

// The worker of one wizard: reads the ancestors while the wizard is shown.
// Created suspended by the session; frees itself when it terminates. It
// calls the interpreter and the source object, and hands each ancestor's
// members to the list view, through Synchronize; once the wizard has
// closed, those calls answer "cancelled" instead.
class TInheritanceThread : public THThread, private TInheritanceCalls {
public:
    TInheritanceThread(std::shared_ptr<TInheritanceLink> link, std::unique_ptr<TInheritanceWalk> walk,
                       TForth& forth, TIHyperSourceCode& source);
    ~TInheritanceThread() override;
    std::string ClassName() const override { return "TInheritanceThread"; }

protected:
    void Execute() override;

private:
    friend class TInheritanceSession;
    // In the main thread while the wizard is open, else "cancelled".
    void Marshal(const std::function<void()>& fn);
    bool FindClassSource(const std::string& className, std::string& fileName) override;
    std::string UnitSource(const std::string& unit) override;
    std::string LoadFromIDEOrFile(const std::string& fileName) override;
    // In the main thread: the rows of AncestorName from AncestorList to the
    // list view, unless the wizard has closed.
    void HandOver();
    // In the main thread, last: the end of the walk to the list view.
    void Finished(const std::string& why);

    TInheritanceView* View = nullptr;                   // the list view to fill
    const TClassComponentList* OwnList = nullptr;       // the class's own members
    std::string AncestorName;                           // the ancestor being read
    std::unique_ptr<TClassComponentList> AncestorList;  // its members, handed to the main thread
    TForth* Forth = nullptr;                            // the interpreter
    TIHyperSourceCode* Source = nullptr;                // the source object
    std::shared_ptr<TInheritanceLink> link_;
    std::unique_ptr<TInheritanceWalk> walk_;  // the private source objects
};

// One run of the wizard as its port sees it. Every call in the main thread.
class TInheritanceSession {
public:
    // The worker for the class whose header is at headerLine, suspended.
    TInheritanceSession(TIHyperSourceCode& source, TForth& forth, int headerLine);
    // Close.
    ~TInheritanceSession();
    TInheritanceSession(const TInheritanceSession&) = delete;
    TInheritanceSession& operator=(const TInheritanceSession&) = delete;

    // Starts the worker feeding view, which must stay until Stop. Once;
    // nothing after Stop.
    void Start(TInheritanceView& view);
    // The wizard closed: sets the worker's termination flag; view is not
    // called again. Never waits, so a close from inside a marshalled call
    // (an event loop the host word turns) is safe.
    void Stop();
    // Stop, then waits until the worker has ended, serving what it marshals
    // to the main thread meanwhile. Call it outside marshalled calls; again
    // or without Start it returns at once.
    void Close();
    // Started and not yet ended.
    bool Running() const;

    // Every row handed to the view, in order (the port's selection indexes them).
    const std::vector<TWizardRow>& Rows() const;
    // Why the walk stopped before TObject; "" when it did not or was cancelled.
    const std::string& Error() const;

private:
    std::shared_ptr<TInheritanceLink> link_;
    std::unique_ptr<TInheritanceThread> thread_;  // until started
};

class TInheritanceWizardPort {
public:
    virtual ~TInheritanceWizardPort() = default;
    // Shows the wizard "Inheritance Wizard of " + className modally, starts
    // session with its list once shown, serves the worker's marshalled calls
    // while it is open (its event loop) and, when it closes, calls
    // session.Close() before the list is gone. True on OK, with the indices
    // of the selected rows (into session.Rows(), in list order) in selected.
    virtual bool Execute(const std::string& className, TInheritanceSession& session, std::vector<int>& selected) = 0;
};

// Installs a port (not owned) and answers the previous one; null restores
// the default port, which shows nothing and answers Cancel.
TInheritanceWizardPort* SetInheritanceWizardPort(TInheritanceWizardPort* port);
TInheritanceWizardPort& GetInheritanceWizardPort();

// Installs a port for the lifetime of the guard.
class TInheritanceWizardPortGuard {
public:
    explicit TInheritanceWizardPortGuard(TInheritanceWizardPort* port)
        : previous_(SetInheritanceWizardPort(port)) {}
    ~TInheritanceWizardPortGuard() { SetInheritanceWizardPort(previous_); }
    TInheritanceWizardPortGuard(const TInheritanceWizardPortGuard&) = delete;
    TInheritanceWizardPortGuard& operator=(const TInheritanceWizardPortGuard&) = delete;

private:
    TInheritanceWizardPort* previous_;
};

}  // namespace velt
