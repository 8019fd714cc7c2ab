#pragma once
// The platform's font description, drawn through QFont.
//
// The height is the primary measure, in pixels: a negative height is the
// character height, as the platform stores it. Size in points follows from
// it at the screen's 96 pixels per inch. Every change calls OnChange, so a
// canvas or control that shows the font can follow it.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/ui/Colors.h"

class QFont;

namespace velt {

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
// Set of TFontStyle, one bit per ordinal (bit 0 bold ... bit 3 strike-out).
using TFontStyles = uint8_t;
constexpr TFontStyles FontStyleBit(TFontStyle s) { return TFontStyles(1u << unsigned(s)); }

enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;

inline constexpr TFontCharset ANSI_CHARSET = 0;
inline constexpr TFontCharset DEFAULT_CHARSET = 1;
inline constexpr TFontCharset SYMBOL_CHARSET = 2;
inline constexpr TFontCharset RUSSIAN_CHARSET = 204;
inline constexpr TFontCharset EASTEUROPE_CHARSET = 238;
inline constexpr TFontCharset OEM_CHARSET = 255;

inline constexpr int ScreenPixelsPerInch = 96;
// The tallest font drawn: Qt's metrics overflow for glyphs much taller.
inline constexpr int MaxFontPixelSize = 8192;

class TFont {
public:
    TFont() = default;
    TFont(const TFont& other) { Assign(other); }
    TFont& operator=(const TFont& other) {
        Assign(other);
        return *this;
    }

    // Copies the description (not OnChange) and reports one change.
    void Assign(const TFont& source);

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    int32_t Height() const { return height_; }
    // Kept within -(2^31 - 1) .. 2^31 - 1.
    void SetHeight(int32_t height);
    // -MulDiv(Height, 72, 96); setting it sets Height to -MulDiv(Size, 96, 72),
    // worked out in 64 bits and kept within the range of Height.
    int32_t Size() const;
    void SetSize(int32_t size);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    bool HasStyle(TFontStyle s) const { return (style_ & FontStyleBit(s)) != 0; }
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset charset);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);

    // Direction of the text's baseline in tenths of a degree,
    // counter-clockwise on the screen.
    int32_t Escapement() const { return escapement_; }
    void SetEscapement(int32_t tenths);

    bool SameAs(const TFont& other) const;

    std::function<void()> OnChange;

private:
    void Changed();
    std::string name_ = "MS Sans Serif";
    int32_t height_ = -11;
    TFontStyles style_ = 0;
    TColor color_ = clWindowText;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
    int32_t escapement_ = 0;
};

// The QFont that draws it: pixel size |Height| (at most MaxFontPixelSize),
// the styles, fixed pitch through FixedPitchFont, never antialiased (the
// platform's pixels are hard-edged).
QFont ToQFont(const TFont& font);

// True when "iiii", "WWWW" and "0000" take the same width in font: the
// columns line up, whatever the matched face says of its own pitch.
bool HasEvenAdvances(const QFont& font);

// font where its matched face has even advances; else the system's
// fixed-pitch face at font's size and styles (a stand-in for a missing
// fixed-pitch family may be proportional).
QFont FixedPitchFont(const QFont& font);

}  // namespace velt
