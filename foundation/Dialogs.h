#pragma once
// The modal dialogs the source services ask through: a yes/no confirmation,
// an input box, the header-refresh choice and the template chooser. A
// windowed host installs its own port; tests install a scripted one that
// answers from a queue and records every question.

#include <deque>
#include <string>
#include <vector>

namespace velt {

// Modal results, numbered as the dialogs return them.
enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
};

// One row of the template chooser.
struct TTemplateItem {
    std::string Name;
    std::string Description;
};

class TDialogPort {
public:
    virtual ~TDialogPort() = default;
    // A confirmation box with Yes and No; true only for Yes.
    virtual bool Confirm(const std::string& text) = 0;
    // An input box with a caption, a prompt and an editable value; false on Cancel.
    virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;
    // The header-refresh dialog: 3 rewrites the declaration from the
    // implementation, 5 the implementation from the declaration, 2 cancels.
    // intfDefault makes the first of the two the default button.
    virtual int RefreshHeader(const std::string& className, const std::string& method,
                              const std::string& intfHeader, const std::string& implHeader,
                              bool intfDefault) = 0;
    // The template chooser near the text caret; the chosen row or -1.
    virtual int ChooseTemplate(const std::vector<TTemplateItem>& items) = 0;
};

// Installs a port (not owned) and answers the previous one; null restores
// the console port, which asks yes/no through the message sink, reads input
// lines from standard input and chooses no template.
TDialogPort* SetDialogPort(TDialogPort* port);
TDialogPort& GetDialogPort();

// Answers from a script and records each question as one line:
//   "Confirm: <text>", "Input: <caption>|<prompt>|<value>",
//   "RefreshHeader: <class>::<method>|<intf>|<impl>|<intf|impl default>",
//   "Choose: <name1>,<name2>,..."
// An exhausted script answers No / Cancel / 2 / -1.
class TScriptedDialogPort : public TDialogPort {
public:
    std::deque<bool> Confirms;
    std::deque<std::pair<bool, std::string>> Inputs;  // (OK?, new value)
    std::deque<int> RefreshResults;
    std::deque<int> Choices;
    std::vector<std::string> Log;

    bool Confirm(const std::string& text) override;
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
    int RefreshHeader(const std::string& className, const std::string& method, const std::string& intfHeader,
                      const std::string& implHeader, bool intfDefault) override;
    int ChooseTemplate(const std::vector<TTemplateItem>& items) override;
};

// Installs a port for the lifetime of the guard.
class TDialogPortGuard {
public:
    explicit TDialogPortGuard(TDialogPort* port) : previous_(SetDialogPort(port)) {}
    ~TDialogPortGuard() { SetDialogPort(previous_); }
    TDialogPortGuard(const TDialogPortGuard&) = delete;
    TDialogPortGuard& operator=(const TDialogPortGuard&) = delete;

private:
    TDialogPort* previous_;
};

}  // namespace velt
