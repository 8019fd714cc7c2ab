#pragma once
// Every modal dialog and message box is run through one replaceable runner,
// so that a test can answer it (inspect it, click it, type into it) without
// a nested event loop or a display.

class QDialog;

namespace velt {

class TDialogRunner {
public:
    virtual ~TDialogRunner() = default;
    // Runs the dialog modally and answers its result code; the default
    // calls exec(). A replacement may show the dialog, answer it and return
    // dialog.result().
    virtual int Run(QDialog& dialog);
};

// Installs a runner (not owned) and answers the previous one; null restores
// the default runner.
TDialogRunner* SetDialogRunner(TDialogRunner* runner);
TDialogRunner& GetDialogRunner();

// Runs a dialog through the installed runner.
int RunDialog(QDialog& dialog);

// Installs a runner for the lifetime of the guard.
class TDialogRunnerGuard {
public:
    explicit TDialogRunnerGuard(TDialogRunner* runner) : previous_(SetDialogRunner(runner)) {}
    ~TDialogRunnerGuard() { SetDialogRunner(previous_); }
    TDialogRunnerGuard(const TDialogRunnerGuard&) = delete;
    TDialogRunnerGuard& operator=(const TDialogRunnerGuard&) = delete;

private:
    TDialogRunner* previous_;
};

}  // namespace velt
