#include "platform/ui/Font.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <algorithm>
#include <mutex>

#include "platform/ui/GdiTypes.h"

namespace velt {

void TFont::Changed() {
    if (OnChange) OnChange();
}

void TFont::Assign(const TFont& source) {
    if (this == &source) return;
    name_ = source.name_;
    height_ = source.height_;
    style_ = source.style_;
    color_ = source.color_;
    charset_ = source.charset_;
    pitch_ = source.pitch_;
    escapement_ = source.escapement_;
    Changed();
}

bool TFont::SameAs(const TFont& o) const {
    return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_ &&
           charset_ == o.charset_ && pitch_ == o.pitch_ &&
           escapement_ == o.escapement_;
}

void TFont::SetEscapement(int32_t tenths) {
    if (tenths == escapement_) return;
    escapement_ = tenths;
    Changed();
}

void TFont::SetName(const std::string& name) {
    if (name.empty() || name == name_) return;  // the platform keeps the old face for an empty name
    name_ = name;
    Changed();
}

namespace {

// Heights keep both signs within reach: -2^31 has no positive twin.
int32_t LimitedHeight(int64_t height) { return int32_t(std::clamp<int64_t>(height, -INT32_MAX, INT32_MAX)); }

}  // namespace

void TFont::SetHeight(int32_t requested) {
    const int32_t height = LimitedHeight(requested);
    if (height == height_) return;
    height_ = height;
    Changed();
}

int32_t TFont::Size() const { return -MulDiv(height_, 72, ScreenPixelsPerInch); }

void TFont::SetSize(int32_t size) {
    // MulDiv's rounding, in 64 bits: a size from data may lie anywhere.
    const int64_t p = int64_t(size) * ScreenPixelsPerInch;
    const int64_t q = ((p < 0 ? -p : p) + 36) / 72;
    SetHeight(LimitedHeight(p < 0 ? q : -q));
}

void TFont::SetStyle(TFontStyles style) {
    style &= 0x0F;
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TFont::SetCharset(TFontCharset charset) {
    if (charset == charset_) return;
    charset_ = charset;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
    if (pitch > fpFixed || pitch == pitch_) return;
    pitch_ = pitch;
    Changed();
}

QFont ToQFont(const TFont& font) {
    QFont f(QString::fromStdString(font.Name()));
    const int64_t h = font.Height();
    f.setPixelSize(h == 0 ? 13 : int(std::min<int64_t>(h < 0 ? -h : h, MaxFontPixelSize)));
    f.setBold(font.HasStyle(fsBold));
    f.setItalic(font.HasStyle(fsItalic));
    f.setUnderline(font.HasStyle(fsUnderline));
    f.setStrikeOut(font.HasStyle(fsStrikeOut));
    if (font.Pitch() == fpFixed) {
        f.setFixedPitch(true);
        f.setStyleHint(QFont::TypeWriter, QFont::NoAntialias);
        return FixedPitchFont(f);
    }
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

bool HasEvenAdvances(const QFont& font) {
    // Canvases draw fixed-pitch text over and over: measure each font once
    // (names come from drawings, so the memory of them is bounded).
    constexpr qsizetype kKnownFonts = 256;
    static std::mutex lock;
    static QHash<QString, bool> known;
    const QString key = font.key();
    {
        std::lock_guard guard(lock);
        if (auto it = known.constFind(key); it != known.constEnd()) return *it;
    }
    const QFontMetrics fm(font);
    const int w = fm.horizontalAdvance(QStringLiteral("iiii"));
    const bool even = w > 0 && w == fm.horizontalAdvance(QStringLiteral("WWWW")) &&
                      w == fm.horizontalAdvance(QStringLiteral("0000"));
    std::lock_guard guard(lock);
    if (known.size() >= kKnownFonts) known.clear();
    known.insert(key, even);
    return even;
}

QFont FixedPitchFont(const QFont& font) {
    if (HasEvenAdvances(font)) return font;
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (font.pixelSize() > 0) f.setPixelSize(font.pixelSize());
    else if (font.pointSizeF() > 0) f.setPointSizeF(font.pointSizeF());
    f.setWeight(font.weight());
    f.setItalic(font.italic());
    f.setUnderline(font.underline());
    f.setStrikeOut(font.strikeOut());
    f.setStyleStrategy(font.styleStrategy());
    return f;
}

}  // namespace velt
