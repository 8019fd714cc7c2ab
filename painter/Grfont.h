#pragma once
// The stroked vector font: glyphs of line strokes in the stroked-font (CHR)
// layout, drawn at any size and direction through a stroke sink. Plain C++:
// the decoder is fuzzed without Qt; the canvas side lives in GrfPaint.

#include <cstdint>
#include <string>
#include <string_view>

namespace velt {

// Receives the strokes of the text in device coordinates.
class TStrokeSink {
public:
    virtual ~TStrokeSink() = default;
    virtual void MoveTo(int64_t x, int64_t y) = 0;
    virtual void LineTo(int64_t x, int64_t y) = 0;
};

inline constexpr char kVectorFontError[] = "GrFont: hLib = 0";

class TVectorFont {
public:
    // The font data (copied); Exception "GrFont: hLib = 0" when it is
    // missing or its header does not fit the data.
    explicit TVectorFont(std::string_view data);

    int32_t Size() const { return size_; }
    int32_t Dir() const { return dir_; }
    int32_t Spacing() const { return spacing_; }
    // Kept within +-2^27, the surface's pixel range.
    void SetSize(int32_t n);
    void SetDir(int32_t degrees);
    void SetSpacing(int32_t n) { spacing_ = n; }
    int64_t SinS() const { return sinS_; }
    int64_t CosS() const { return cosS_; }

    int FirstChar() const { return first_; }
    int CharCount() const { return count_; }
    // Advance of code c in font units; 0 outside the font.
    int Width(uint8_t c) const;
    // Code c has an advance or strokes.
    bool HasGlyph(uint8_t c) const;

    // In device pixels at the current size; text is in code page 1251, a
    // code of the font without a glyph counts as "?", and codes outside the
    // font are skipped.
    int32_t TextWidht(std::string_view text) const;
    // Draws text from (x, y) on the baseline, codes without a glyph as "?";
    // with underline also a line one font unit below the baseline from the
    // text's start to its end.
    void TextOut(TStrokeSink& sink, int64_t x, int64_t y, std::string_view text, bool underline) const;
    // Walks the strokes of code c in font units (Y up): op 'M' or 'L'.
    template <class F>
    void Strokes(uint8_t c, F f) const;

private:
    void Recompute();
    bool InFont(uint8_t c) const { return c >= first_ && c < first_ + count_; }
    // The code drawn for c: "?" for a code of the font without a glyph.
    uint8_t Shown(uint8_t c) const;
    std::string data_;
    int first_ = 0;
    int count_ = 0;
    size_t strokes_ = 0;  // absolute offset of the stroke data
    size_t widths_ = 0;   // absolute offset of the width table
    int32_t size_ = 0;
    int32_t dir_ = 0;
    int32_t spacing_ = 0;
    int64_t sinS_ = 0;
    int64_t cosS_ = 0;
};

template <class F>
void TVectorFont::Strokes(uint8_t c, F f) const {
    if (!InFont(c)) return;
    const size_t i = size_t(c - first_);
    const size_t at = 128 + 16 + 2 * i;
    const size_t ofs = uint8_t(data_[at]) | size_t(uint8_t(data_[at + 1])) << 8;
    for (size_t p = strokes_ + ofs; p + 1 < data_.size(); p += 2) {
        const uint8_t b1 = uint8_t(data_[p]), b2 = uint8_t(data_[p + 1]);
        if (!(b1 & 0x80)) return;
        auto v = [](uint8_t b) { return (b & 0x40) ? int((b & 0x7F)) - 128 : int(b & 0x3F); };
        f((b2 & 0x80) ? 'L' : 'M', v(b1), v(b2));
    }
}

// The font data from the art text: one line a character ("code character
// advance" then "M x,y" / "L x,y" strokes, '#' lines are comments).
// EConvertError naming the line for a coordinate outside -64..63, a
// character that is not its code page 1251 code, or a malformed line.
std::string BuildStrokedFont(std::string_view art);

}  // namespace velt
