#pragma once
// Shortcuts as the menus and settings keep them: a 16-bit word with the
// virtual key in the low byte and the modifiers in the high bits, and its
// text form ("Ctrl+Alt+Enter", "Shift+F12", "Ctrl+K"), which is what the
// "Hotkeys" settings store and command files write. Conversion to and from
// Qt key sequences for the menus that show them.

#include <QKeySequence>
#include <QList>
#include <cstdint>
#include <string>
#include <string_view>

namespace velt {

using TShortCut = uint16_t;

inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;

// Virtual keys with a name of their own.
inline constexpr uint8_t vkBack = 0x08;
inline constexpr uint8_t vkTab = 0x09;
inline constexpr uint8_t vkReturn = 0x0D;
inline constexpr uint8_t vkEscape = 0x1B;
inline constexpr uint8_t vkSpace = 0x20;
inline constexpr uint8_t vkInsert = 0x2D;
inline constexpr uint8_t vkDelete = 0x2E;
inline constexpr uint8_t vkNumpad0 = 0x60;
inline constexpr uint8_t vkF1 = 0x70;

inline constexpr TShortCut ShortCut(uint8_t key, TShortCut modifiers) { return TShortCut(key | modifiers); }

// Modifiers in the order Shift, Ctrl, Alt, then the key's name: letters,
// digits (the keypad's too), F1..F24, "BkSp", "Tab", "Enter", "Esc",
// "Space", "PgUp", "PgDn", "End", "Home", "Left", "Up", "Right", "Down",
// "Ins", "Del". Empty for 0 and for a key without a name.
std::string ShortCutToText(TShortCut shortCut);
// The inverse, ignoring ASCII case; "^" also means Ctrl. 0 for an empty text
// or one that names no key.
TShortCut TextToShortCut(std::string_view text);

// The key sequences that trigger a shortcut: one, or two for Enter (the main
// Return key and the keypad's Enter). Empty for 0 or a key without a name.
QList<QKeySequence> ShortCutToKeySequences(TShortCut shortCut);
// The first of ShortCutToKeySequences, or an empty sequence.
QKeySequence ShortCutToKeySequence(TShortCut shortCut);
// The shortcut of a key with its modifiers (Return and Enter both give
// "Enter"; keypad digits their own keys); 0 when the key has no name.
TShortCut KeyToShortCut(int qtKey, Qt::KeyboardModifiers modifiers);
// The shortcut of a sequence's first key; 0 for an empty sequence.
TShortCut KeySequenceToShortCut(const QKeySequence& sequence);

}  // namespace velt
