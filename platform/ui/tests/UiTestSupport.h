#pragma once
// Helpers for widget tests: a dialog runner that answers each dialog with a
// test's own clicks and keys, offscreen, without a nested event loop.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <functional>

#include "platform/ui/DialogRunner.h"

namespace velt::test {

// While installed, every dialog is shown, made active and handed to Answer,
// which must close it; the dialog's result is the run's result.
class AnsweringRunner : public TDialogRunner {
public:
    using Answer = std::function<void(QDialog&)>;
    explicit AnsweringRunner(Answer answer) : answer_(std::move(answer)), guard_(this) {}

    int Run(QDialog& dialog) override {
        ++Runs;
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog)) << "dialog never became active";
        answer_(dialog);
        if (dialog.isVisible()) {
            ADD_FAILURE() << "the answer left the dialog open";
            dialog.done(-1);
        }
        return dialog.result();
    }

    int Runs = 0;

private:
    Answer answer_;
    TDialogRunnerGuard guard_;
};

// The key goes where the user's keystroke would: the focused widget.
inline void PressKey(QDialog& dialog, Qt::Key key) {
    QWidget* target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
    QTest::keyClick(target, key);
}

inline QAbstractButton* ButtonWithText(QWidget& parent, const QString& text) {
    for (QAbstractButton* b : parent.findChildren<QAbstractButton*>())
        if (b->text().remove('&') == text) return b;
    return nullptr;
}

}  // namespace velt::test
