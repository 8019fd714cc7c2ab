#pragma once
// The inheritance wizard: for the class under the cursor, the members of
// its ancestors that it could override or redeclare (virtual, dynamic and
// message methods; private and protected properties), minus what the class
// declares itself; the chosen ones are written into the class.
//
// The word (TIHyperSourceCode::InheritanceWizard) shows the wizard through
// a port, as the header refresh shows its dialog. The ancestors are read
// one at a time by TInheritanceWalk, which the port asks for more rows from
// its event loop while the wizard is open: the list fills as the user
// looks, and every use of the interpreter and the source object stays on
// the thread that runs the word. A closed wizard is never asked again.
//
// Each ancestor's unit is found in the unit that named it, else through
// FindClassSource (the current unit, then the Classes Registry), and read
// through the host word "LoadFromIDEOrFile". The walk ends after TObject,
// at an ancestor that comes round again (a cycle), at one whose unit is not
// known or does not declare it, and at a unit that cannot be read: the rows
// listed so far stay, and the reason is kept in Error().

#include <string>
#include <vector>

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

// What the wizard asks for more rows.
class TInheritanceFeed {
public:
    virtual ~TInheritanceFeed() = default;
    // Appends the rows of one more ancestor to rows; false when no later
    // call can give more. Never raises.
    virtual bool Next(std::vector<TWizardRow>& rows) = 0;
};

class TInheritanceWizardPort {
public:
    virtual ~TInheritanceWizardPort() = default;
    // Shows the wizard "Inheritance Wizard of " + className modally and,
    // while it is open, adds the rows of feed.Next in order until the feed
    // has no more; once the wizard closes, feed is not asked again. True on
    // OK, with the indices of the selected rows (into the rows fed, in list
    // order) in selected.
    virtual bool Execute(const std::string& className, TInheritanceFeed& feed, std::vector<int>& selected) = 0;
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

// The walk up from the class whose header is at headerLine of source; one
// ancestor per Next. source and forth must outlive the walk and are used
// only inside Next.
class TInheritanceWalk : public TInheritanceFeed {
public:
    TInheritanceWalk(TIHyperSourceCode& source, TForth& forth, int headerLine);
    ~TInheritanceWalk() override;

    bool Next(std::vector<TWizardRow>& rows) override;
    // Every step at once (what the benchmark and the real-code check time).
    void Run();

    bool Done() const { return next_.empty(); }
    // Every row given so far, in order.
    const std::vector<TWizardRow>& Rows() const { return rows_; }
    // The ancestors read so far, nearest first.
    const std::vector<std::string>& Ancestors() const { return ancestors_; }
    // Why the walk ended before TObject, or "" when it did not.
    const std::string& Error() const { return error_; }

    // How far a walk may go even without a cycle.
    static constexpr int kMaxAncestors = 256;

private:
    // Reads the ancestor next_ and appends its rows; sets next_ to the one
    // after it ("" when the walk ends).
    void Step(std::vector<TWizardRow>& rows);
    // The model that declares className (headerLine set), or null.
    const TISourceCode* Declaring(const std::string& className, int& headerLine);
    // Reads fileName into unit_ unless it holds that file already.
    void Load(const std::string& fileName);
    void Stop(std::string why);

    TIHyperSourceCode& source_;
    TForth& forth_;
    TClassComponentList own_;  // what the class declares itself
    std::string next_;
    TAncestorWalk seen_;
    const TISourceCode* last_;  // the model of the class whose header named next_
    TISourceCode unit_;         // the other unit read last
    std::string unitFile_;      // its file; "" when none
    std::vector<TWizardRow> rows_;
    std::vector<std::string> ancestors_;
    std::string error_;
};

}  // namespace velt
