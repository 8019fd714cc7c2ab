#include "platform/ui/ShortCut.h"

#include <array>

#include "foundation/SysUtils.h"

namespace velt {

namespace {

constexpr std::string_view kShift = "Shift+";
constexpr std::string_view kCtrl = "Ctrl+";
constexpr std::string_view kAlt = "Alt+";

// Names of the keys 0x21..0x28, in key order.
constexpr std::array<std::string_view, 8> kNavNames = {"PgUp", "PgDn", "End", "Home", "Left", "Up", "Right", "Down"};

std::string KeyName(uint8_t key) {
    switch (key) {
        case vkBack: return "BkSp";
        case vkTab: return "Tab";
        case vkReturn: return "Enter";
        case vkEscape: return "Esc";
        case vkSpace: return "Space";
        case vkInsert: return "Ins";
        case vkDelete: return "Del";
        default: break;
    }
    if (key >= 0x21 && key <= 0x28) return std::string(kNavNames[key - 0x21]);
    if (key >= '0' && key <= '9') return std::string(1, char(key));
    if (key >= 'A' && key <= 'Z') return std::string(1, char(key));
    if (key >= vkNumpad0 && key <= vkNumpad0 + 9) return std::string(1, char('0' + key - vkNumpad0));
    if (key >= vkF1 && key <= vkF1 + 23) return "F" + std::to_string(key - vkF1 + 1);
    return {};
}

bool TakeFront(std::string_view& text, std::string_view front) {
    if (text.size() < front.size() || !SameText(text.substr(0, front.size()), front)) return false;
    text.remove_prefix(front.size());
    return true;
}

struct QtKey {
    uint8_t Vk;
    Qt::Key Key;
};

constexpr QtKey kQtKeys[] = {
    {vkBack, Qt::Key_Backspace}, {vkTab, Qt::Key_Tab},        {vkReturn, Qt::Key_Return}, {vkEscape, Qt::Key_Escape},
    {vkSpace, Qt::Key_Space},    {0x21, Qt::Key_PageUp},      {0x22, Qt::Key_PageDown},   {0x23, Qt::Key_End},
    {0x24, Qt::Key_Home},        {0x25, Qt::Key_Left},        {0x26, Qt::Key_Up},         {0x27, Qt::Key_Right},
    {0x28, Qt::Key_Down},        {vkInsert, Qt::Key_Insert},  {vkDelete, Qt::Key_Delete},
};

// The Qt key of a named virtual key, and whether it is on the keypad.
bool VkToQt(uint8_t vk, Qt::Key& key, bool& keypad) {
    keypad = false;
    for (const QtKey& k : kQtKeys)
        if (k.Vk == vk) {
            key = k.Key;
            return true;
        }
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
        key = Qt::Key(vk);  // Qt numbers digits and letters as ASCII
        return true;
    }
    if (vk >= vkNumpad0 && vk <= vkNumpad0 + 9) {
        key = Qt::Key(Qt::Key_0 + (vk - vkNumpad0));
        keypad = true;
        return true;
    }
    if (vk >= vkF1 && vk <= vkF1 + 23) {
        key = Qt::Key(Qt::Key_F1 + (vk - vkF1));
        return true;
    }
    return false;
}

}  // namespace

std::string ShortCutToText(TShortCut shortCut) {
    const std::string name = KeyName(uint8_t(shortCut & 0xFF));
    if (name.empty()) return {};
    std::string result;
    if (shortCut & scShift) result += kShift;
    if (shortCut & scCtrl) result += kCtrl;
    if (shortCut & scAlt) result += kAlt;
    return result + name;
}

TShortCut TextToShortCut(std::string_view text) {
    TShortCut shift = 0;
    for (;;) {
        if (TakeFront(text, kShift))
            shift |= scShift;
        else if (TakeFront(text, "^") || TakeFront(text, kCtrl))
            shift |= scCtrl;
        else if (TakeFront(text, kAlt))
            shift |= scAlt;
        else
            break;
    }
    if (text.empty()) return 0;
    for (int key = vkBack; key <= 0xFF; ++key) {
        const std::string name = KeyName(uint8_t(key));
        if (!name.empty() && SameText(name, text)) return TShortCut(key | shift);
    }
    return 0;
}

QList<QKeySequence> ShortCutToKeySequences(TShortCut shortCut) {
    Qt::Key key{};
    bool keypad = false;
    if (!VkToQt(uint8_t(shortCut & 0xFF), key, keypad)) return {};
    Qt::KeyboardModifiers mods;
    if (shortCut & scShift) mods |= Qt::ShiftModifier;
    if (shortCut & scCtrl) mods |= Qt::ControlModifier;
    if (shortCut & scAlt) mods |= Qt::AltModifier;
    if (keypad) mods |= Qt::KeypadModifier;
    QList<QKeySequence> result{QKeySequence(QKeyCombination(mods, key))};
    // The keypad's Enter is a key of its own in Qt; a shortcut is matched
    // without the keypad flag when nothing else claims it.
    if (key == Qt::Key_Return) result.append(QKeySequence(QKeyCombination(mods, Qt::Key_Enter)));
    return result;
}

QKeySequence ShortCutToKeySequence(TShortCut shortCut) {
    const QList<QKeySequence> all = ShortCutToKeySequences(shortCut);
    return all.isEmpty() ? QKeySequence() : all.first();
}

TShortCut KeyToShortCut(int qtKey, Qt::KeyboardModifiers modifiers) {
    TShortCut mods = 0;
    if (modifiers & Qt::ShiftModifier) mods |= scShift;
    if (modifiers & Qt::ControlModifier) mods |= scCtrl;
    if (modifiers & Qt::AltModifier) mods |= scAlt;
    if (qtKey == Qt::Key_Enter) qtKey = Qt::Key_Return;
    if (qtKey == Qt::Key_Backtab) {
        qtKey = Qt::Key_Tab;
        mods |= scShift;
    }
    for (const QtKey& k : kQtKeys)
        if (k.Key == qtKey) return ShortCut(k.Vk, mods);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return ShortCut(uint8_t((modifiers & Qt::KeypadModifier) ? vkNumpad0 + (qtKey - Qt::Key_0) : qtKey), mods);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return ShortCut(uint8_t(qtKey), mods);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return ShortCut(uint8_t(vkF1 + (qtKey - Qt::Key_F1)), mods);
    return 0;
}

TShortCut KeySequenceToShortCut(const QKeySequence& sequence) {
    if (sequence.isEmpty()) return 0;
    const QKeyCombination first = sequence[0];
    return KeyToShortCut(first.key(), first.keyboardModifiers());
}

}  // namespace velt
