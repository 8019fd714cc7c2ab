#include "platform/ui/Colors.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <iterator>

namespace velt {

namespace {

struct SystemEntry {
    // The Qt palette's colour for it; the group only matters for grey text.
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
    bool FromQt;
    TColor Classic;  // the classic Windows scheme, 0x00BBGGRR
};

constexpr QPalette::ColorGroup A = QPalette::Active;

// By system colour index.
const SystemEntry kSystem[] = {
    {A, QPalette::Button, true, 0xC0C0C0},            // scroll bar
    {A, QPalette::Window, false, 0x808000},           // desktop
    {A, QPalette::Highlight, true, 0x800000},         // active caption
    {A, QPalette::Dark, true, 0x808080},              // inactive caption
    {A, QPalette::Window, true, 0xC0C0C0},            // menu
    {A, QPalette::Base, true, 0xFFFFFF},              // window
    {A, QPalette::Shadow, true, 0x000000},            // window frame
    {A, QPalette::WindowText, true, 0x000000},        // menu text
    {A, QPalette::Text, true, 0x000000},              // window text
    {A, QPalette::HighlightedText, true, 0xFFFFFF},   // caption text
    {A, QPalette::Window, true, 0xC0C0C0},            // active border
    {A, QPalette::Window, true, 0xC0C0C0},            // inactive border
    {A, QPalette::Dark, true, 0x808080},              // application work space
    {A, QPalette::Highlight, true, 0x800000},         // highlight
    {A, QPalette::HighlightedText, true, 0xFFFFFF},   // highlighted text
    {A, QPalette::Button, true, 0xC0C0C0},            // button face
    {A, QPalette::Dark, true, 0x808080},              // button shadow
    {QPalette::Disabled, QPalette::Text, true, 0x808080},  // grey text
    {A, QPalette::ButtonText, true, 0x000000},        // button text
    {A, QPalette::Window, false, 0xC0C0C0},           // inactive caption text
    {A, QPalette::Light, true, 0xFFFFFF},             // button highlight
    {A, QPalette::Shadow, true, 0x000000},            // 3-D dark shadow
    {A, QPalette::Midlight, true, 0xC0C0C0},          // 3-D light
    {A, QPalette::ToolTipText, true, 0x000000},       // tool-tip text
    {A, QPalette::ToolTipBase, true, 0xE1FFFF},       // tool-tip background
};

}  // namespace

TColor ColorToRGB(TColor color) {
    if (color >= 0) return color;
    const uint32_t index = uint32_t(color) & 0xFF;
    if (index >= std::size(kSystem)) return clBlack;
    const SystemEntry& e = kSystem[index];
    if (!e.FromQt || !qGuiApp) return e.Classic;
    return QColorToColor(QGuiApplication::palette().color(e.Group, e.Role));
}

QColor ColorToQColor(TColor color) {
    if (color == clNone) return QColor(Qt::transparent);
    const uint32_t rgb = uint32_t(ColorToRGB(color));
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor QColorToColor(const QColor& color) {
    const QRgb rgb = color.rgb();
    return RGB(uint8_t(qRed(rgb)), uint8_t(qGreen(rgb)), uint8_t(qBlue(rgb)));
}

}  // namespace velt
