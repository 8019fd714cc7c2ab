#include "platform/ui/DialogRunner.h"

#include <QDialog>

namespace velt {

namespace {

TDialogRunner* currentRunner = nullptr;

TDialogRunner& DefaultRunner() {
    static TDialogRunner runner;
    return runner;
}

}  // namespace

int TDialogRunner::Run(QDialog& dialog) { return dialog.exec(); }

TDialogRunner* SetDialogRunner(TDialogRunner* runner) {
    TDialogRunner* previous = currentRunner;
    currentRunner = runner;
    return previous;
}

TDialogRunner& GetDialogRunner() { return currentRunner ? *currentRunner : DefaultRunner(); }

int RunDialog(QDialog& dialog) { return GetDialogRunner().Run(dialog); }

}  // namespace velt
