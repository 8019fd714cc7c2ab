#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <QWidget>

#include "platform/ui/ShortCut.h"

using namespace velt;

namespace {

constexpr TShortCut kMods[] = {0, scShift, scCtrl, scAlt, scShift | scCtrl, scCtrl | scAlt, scShift | scCtrl | scAlt};

}  // namespace

TEST(ShortCutText, NamesModifiersAndKeys) {
    EXPECT_EQ(TextToShortCut("Ctrl+Alt+Enter"), vkReturn | scCtrl | scAlt);
    EXPECT_EQ(ShortCutToText(vkReturn | scCtrl | scAlt), "Ctrl+Alt+Enter");
    // Modifiers are written Shift, Ctrl, Alt, and read in any order and case.
    EXPECT_EQ(ShortCutToText((vkF1 + 11) | scAlt | scShift | scCtrl), "Shift+Ctrl+Alt+F12");
    EXPECT_EQ(TextToShortCut("alt+SHIFT+f12"), (vkF1 + 11) | scAlt | scShift);
    EXPECT_EQ(TextToShortCut("^K"), 'K' | scCtrl);
    EXPECT_EQ(TextToShortCut("F10"), vkF1 + 9);
    EXPECT_EQ(TextToShortCut("Ctrl+PgDn"), 0x22 | scCtrl);
    EXPECT_EQ(ShortCutToText(vkBack | scShift), "Shift+BkSp");
    // Keypad digits are written as digits and read back as the main ones.
    EXPECT_EQ(ShortCutToText((vkNumpad0 + 5) | scCtrl), "Ctrl+5");
    EXPECT_EQ(TextToShortCut("Ctrl+5"), '5' | scCtrl);
    // Nothing to name: no text, and no shortcut from text.
    EXPECT_EQ(ShortCutToText(0), "");
    EXPECT_EQ(ShortCutToText(0xBA | scCtrl), "");
    for (const char* bad : {"", "Ctrl+", "Ctrl+Foo", "Enter+Ctrl", "F25", "Ctrl+AB"}) EXPECT_EQ(TextToShortCut(bad), 0) << bad;
}

TEST(ShortCutText, EveryNamedKeyRoundTripsThroughTextAndKeySequence) {
    int named = 0;
    for (int key = 0; key <= 0xFF; ++key)
        for (TShortCut mods : kMods) {
            const TShortCut sc = TShortCut(key | mods);
            const std::string text = ShortCutToText(sc);
            if (text.empty()) continue;
            ++named;
            const bool keypadDigit = key >= vkNumpad0 && key <= vkNumpad0 + 9;
            EXPECT_EQ(TextToShortCut(text), keypadDigit ? TShortCut(sc - vkNumpad0 + '0') : sc) << text;
            EXPECT_EQ(KeySequenceToShortCut(ShortCutToKeySequence(sc)), sc) << text;
        }
    EXPECT_EQ(named, (7 + 8 + 10 + 26 + 10 + 24) * 7);
}

TEST(ShortCutKeys, BothEnterKeysTriggerAnEnterShortcut) {
    const TShortCut sc = TextToShortCut("Ctrl+Alt+Enter");
    EXPECT_EQ(ShortCutToKeySequences(sc).size(), 2);
    EXPECT_EQ(KeyToShortCut(Qt::Key_Enter, Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier), sc);
    EXPECT_EQ(KeyToShortCut(Qt::Key_Backtab, Qt::ShiftModifier), vkTab | scShift);
    EXPECT_EQ(KeyToShortCut(Qt::Key_5, Qt::KeypadModifier), vkNumpad0 + 5);
    EXPECT_TRUE(ShortCutToKeySequences(0).isEmpty());

    QWidget window;
    auto* action = new QAction(&window);
    action->setShortcuts(ShortCutToKeySequences(sc));
    window.addAction(action);
    int triggered = 0;
    QObject::connect(action, &QAction::triggered, [&] { ++triggered; });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(&window, Qt::Key_Enter, Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier);
    EXPECT_EQ(triggered, 2);
}
