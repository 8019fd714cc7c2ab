#include "platform/ui/Graphic.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <vector>

#include "foundation/Utils.h"

namespace velt {

namespace {

const char kInvalidBitmap[] = "Bitmap image is not valid";
const char kInvalidIcon[] = "Icon image is not valid";

// The pixels a run-length bitmap may leave blank beyond what its runs give.
constexpr int64_t kBlankRunPixels = int64_t(1) << 20;

QImage Opaque(const QImage& image) {
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }

// ---- BMP writing --------------------------------------------------------------

void Put16(std::string& b, uint16_t v) {
    b += char(v & 0xFF);
    b += char(v >> 8);
}

void Put32(std::string& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b += char((v >> (8 * i)) & 0xFF);
}

// The 16 standard colours, as 0xRRGGBB.
constexpr std::array<QRgb, 16> kStandard16 = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
    0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

std::vector<QRgb> StandardPalette(int bits) {
    if (bits == 1) return {0x000000, 0xFFFFFF};
    std::vector<QRgb> pal(kStandard16.begin(), kStandard16.end());
    if (bits == 4) return pal;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) pal.push_back(QRgb((r * 51) << 16 | (g * 51) << 8 | (b * 51)));
    for (int i = 1; pal.size() < 256; ++i) pal.push_back(QRgb(0x010101 * (i * 255 / 25)));
    return pal;
}

// The distinct colours of the image (0xRRGGBB) when there are at most max.
bool OwnColours(const QImage& image, size_t max, std::vector<QRgb>& out) {
    std::map<QRgb, int> seen;
    QRgb last = 0x1000000;  // no colour: runs of one colour are looked up once
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x] & 0xFFFFFF;
            if (c == last) continue;
            last = c;
            if (seen.emplace(c, 0).second && seen.size() > max) return false;
        }
    }
    out.clear();
    for (const auto& [c, unused] : seen) out.push_back(c);
    return true;
}

int Nearest(const std::vector<QRgb>& pal, QRgb c) {
    int best = 0;
    long bestD = -1;
    for (size_t i = 0; i < pal.size(); ++i) {
        const long dr = qRed(pal[i]) - qRed(c), dg = qGreen(pal[i]) - qGreen(c), db = qBlue(pal[i]) - qBlue(c);
        const long d = dr * dr + dg * dg + db * db;
        if (bestD < 0 || d < bestD) best = int(i), bestD = d;
    }
    return best;
}

}  // namespace

std::string ReadRest(TStream& s) {
    const int64_t n = s.Remaining();
    std::string bytes(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) s.ReadBuffer(bytes.data(), n);
    return bytes;
}

void WriteBitmapFile(TStream& s, const QImage& source, int bits) {
    if (source.isNull()) throw EInvalidGraphic(kInvalidBitmap);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        throw EConvertError("A bitmap file holds 1, 4, 8 or 24 bits per pixel, not " + std::to_string(bits));
    // What the reader refuses is not written.
    if (int64_t(source.width()) * source.height() > MaxBitmapPixels) throw EInvalidGraphic(kInvalidBitmap);
    const QImage image = Opaque(source);
    const int w = image.width(), h = image.height();
    const uint32_t rowBytes = ((uint32_t(w) * uint32_t(bits) + 31) / 32) * 4;
    std::vector<QRgb> pal;
    if (bits < 24 && !OwnColours(image, size_t(1) << bits, pal)) pal = StandardPalette(bits);
    const uint32_t tableBytes = bits < 24 ? (uint32_t(1) << bits) * 4 : 0;
    const uint32_t offset = 14 + 40 + tableBytes;
    const uint32_t imageBytes = rowBytes * uint32_t(h);

    std::string b;
    b.reserve(offset + imageBytes);
    b += "BM";
    Put32(b, offset + imageBytes);
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(h));  // positive: rows bottom-up
    Put16(b, 1);
    Put16(b, uint16_t(bits));
    Put32(b, 0);  // no compression
    Put32(b, imageBytes);
    Put32(b, 3780);  // 96 pixels per inch
    Put32(b, 3780);
    Put32(b, 0);  // the whole colour table
    Put32(b, 0);
    for (uint32_t i = 0; i < tableBytes / 4; ++i) {
        const QRgb c = i < pal.size() ? pal[i] : 0;
        b += char(qBlue(c));
        b += char(qGreen(c));
        b += char(qRed(c));
        b += char(0);
    }
    std::map<QRgb, int> index;
    QRgb lastColour = 0x1000000;
    unsigned lastIndex = 0;
    std::string row(rowBytes, '\0');
    for (int y = h - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), '\0');
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb c = line[x] & 0xFFFFFF;
            if (bits == 24) {
                row[size_t(x) * 3] = char(qBlue(c));
                row[size_t(x) * 3 + 1] = char(qGreen(c));
                row[size_t(x) * 3 + 2] = char(qRed(c));
                continue;
            }
            if (c != lastColour) {
                auto it = index.find(c);
                if (it == index.end()) it = index.emplace(c, Nearest(pal, c)).first;
                lastColour = c, lastIndex = unsigned(it->second);
            }
            const unsigned v = lastIndex;
            const size_t bit = size_t(x) * size_t(bits);
            // The leftmost pixel takes the highest bits of its byte.
            row[bit / 8] = char(uint8_t(row[bit / 8]) | (v << (8 - bits - bit % 8)));
        }
        b += row;
    }
    s.WriteBuffer(b.data(), int64_t(b.size()));
}

// ---- TBitmap ---------------------------------------------------------------------

TBitmap::TBitmap(int32_t width, int32_t height) { SetSize(width, height); }

TBitmap::TBitmap(const TBitmap& other) : TGraphic() { *this = other; }

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this == &other) return *this;
    canvas_.EndPaint();
    image_ = other.Image().copy();
    pixelFormat_ = other.pixelFormat_;
    monochrome_ = other.monochrome_;
    return *this;
}

void TBitmap::SetSize(int32_t width, int32_t height) {
    canvas_.EndPaint();
    if (width <= 0 || height <= 0) {
        image_ = QImage();
        return;
    }
    if (width == image_.width() && height == image_.height()) return;
    QImage next(width, height, QImage::Format_RGB32);
    next.fill(Qt::white);
    if (!image_.isNull()) {
        QPainter p(&next);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, image_);
    }
    image_ = next;
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_.HandleAllocated()) canvas_.Attach(&image_);
    return canvas_;
}

const QImage& TBitmap::Image() const {
    canvas_.EndPaint();
    return image_;
}

void TBitmap::Assign(const QImage& image) {
    canvas_.EndPaint();
    image_ = image.isNull() ? QImage() : Opaque(image).copy();
}

void TBitmap::SetMonochrome(bool on) {
    monochrome_ = on;
    if (!on || image_.isNull()) return;
    canvas_.EndPaint();
    for (int y = 0; y < image_.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = 0; x < image_.width(); ++x)
            line[x] = (line[x] & 0xFFFFFF) == 0xFFFFFF ? 0xFFFFFFFF : 0xFF000000;
    }
}

TColor TBitmap::TransparentColor() const {
    if (image_.isNull()) return clBlack;
    return QColorToColor(QColor::fromRgb(Image().pixel(0, image_.height() - 1)));
}

int TBitmap::BitsPerPixel() const {
    if (monochrome_) return 1;
    switch (pixelFormat_) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    default: return 24;
    }
}

void TBitmap::Draw(TCanvas& canvas, const TRect& r) const {
    if (image_.isNull()) return;
    canvas.CopyRect(r, Image(), TRect{0, 0, Width(), Height()});
}

void TBitmap::SaveToStream(TStream& s) const { WriteBitmapFile(s, Image(), BitsPerPixel()); }

namespace {

// Whether a bitmap file holds the picture its header gives: a few bytes must
// not claim a picture of millions of pixels. Rows stored without compression
// must all be there. Runs give under 255 pixels a byte, except what their
// escapes leave blank: that is bounded by a fixed allowance.
bool HoldsItsRows(const std::string& b) {
    auto u16 = [&](size_t at) { return int64_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); };
    auto u32 = [&](size_t at) { return uint32_t(u16(at) | u16(at + 2) << 16); };
    if (b.size() < 26) return true;  // too short for a header: the reader says so
    const int64_t headerSize = u32(14), dataAt = std::max<int64_t>(u32(10), 14 + headerSize);
    int64_t width, height, bits;
    uint32_t compression = 0;
    if (headerSize == 12) {
        width = u16(18), height = u16(20), bits = u16(24);
    } else if (headerSize >= 40 && b.size() >= 34) {
        compression = u32(30);
        width = int32_t(u32(18)), height = int32_t(u32(22)), bits = u16(28);
    } else {
        return true;
    }
    if (height < 0) height = -height;
    width = std::max<int64_t>(width, 0);
    if (width * height > MaxBitmapPixels) return false;
    const int64_t room = int64_t(b.size()) - dataAt;
    if (compression == 1 || compression == 2) return width * height <= std::max(kBlankRunPixels, 255 * room);
    if (compression != 0 && compression != 3 && compression != 6) return true;  // left to the reader
    const int64_t rowBytes = (width * bits + 31) / 32 * 4;
    if (rowBytes == 0 || height == 0) return true;
    return room >= 0 && height <= room / rowBytes;
}

}  // namespace

void TBitmap::LoadFromStream(TStream& s) {
    const std::string bytes = ReadRest(s);
    QImage image;
    if (!HoldsItsRows(bytes) || !image.loadFromData(Bytes(bytes), "BMP")) throw EInvalidGraphic(kInvalidBitmap);
    Assign(image);
    monochrome_ = false;
    uint16_t bits = 0;
    if (bytes.size() >= 30) std::memcpy(&bits, bytes.data() + 28, 2);
    switch (bits) {
    case 1: pixelFormat_ = pf1bit; break;
    case 4: pixelFormat_ = pf4bit; break;
    case 8: pixelFormat_ = pf8bit; break;
    case 16: pixelFormat_ = pf16bit; break;
    case 24: pixelFormat_ = pf24bit; break;
    case 32: pixelFormat_ = pf32bit; break;
    default: pixelFormat_ = pfDevice; break;
    }
}

// ---- TIcon ------------------------------------------------------------------------

void TIcon::Assign(const QImage& image) {
    image_ = image.convertToFormat(QImage::Format_ARGB32);
    data_.clear();
}

void TIcon::Draw(TCanvas& canvas, const TRect& r) const {
    QPainter* p = canvas.Painter();
    if (!p || image_.isNull()) return;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), image_);
}

void TIcon::SaveToStream(TStream& s) const {
    if (!data_.empty()) {
        s.WriteBuffer(data_.data(), int64_t(data_.size()));
        return;
    }
    if (image_.isNull()) throw EInvalidGraphic(kInvalidIcon);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (!image_.save(&buffer, "ICO")) throw EInvalidGraphic(kInvalidIcon);
    s.WriteBuffer(out.constData(), out.size());
}

void TIcon::LoadFromStream(TStream& s) {
    std::string bytes = ReadRest(s);
    QImage image;
    if (!image.loadFromData(Bytes(bytes), "ICO")) throw EInvalidGraphic(kInvalidIcon);
    image_ = image.convertToFormat(QImage::Format_ARGB32);
    data_ = std::move(bytes);
}

// ---- TMetafile --------------------------------------------------------------------

void TMetafile::SaveToStream(TStream& s) const {
    if (!data_.empty()) s.WriteBuffer(data_.data(), int64_t(data_.size()));
}

void TMetafile::LoadFromStream(TStream& s) {
    data_ = ReadRest(s);
    width_ = height_ = 0;
    auto u32 = [&](size_t at) {
        uint32_t v;
        std::memcpy(&v, data_.data() + at, 4);
        return v;
    };
    // A side as the difference of two stored coordinates, kept in range.
    auto side = [&](size_t from, size_t to) {
        const int64_t d = int64_t(int32_t(u32(to))) - int64_t(int32_t(u32(from)));
        return int32_t(std::clamp<int64_t>(d, INT32_MIN, INT32_MAX));
    };
    auto i16 = [&](size_t at) {
        int16_t v;
        std::memcpy(&v, data_.data() + at, 2);
        return int32_t(v);
    };
    if (data_.size() >= 44 && u32(0) == 1 && u32(40) == 0x464D4520) {
        // Enhanced metafile: the frame in 0.01 mm.
        width_ = MulDiv(side(24, 32), ScreenPixelsPerInch, 2540);
        height_ = MulDiv(side(28, 36), ScreenPixelsPerInch, 2540);
    } else if (data_.size() >= 22 && u32(0) == 0x9AC6CDD7) {
        // Placeable metafile: the box in units of the given count per inch.
        const int32_t perInch = int32_t(uint16_t(i16(14)));
        if (perInch > 0) {
            width_ = MulDiv(i16(10) - i16(6), ScreenPixelsPerInch, perInch);
            height_ = MulDiv(i16(12) - i16(8), ScreenPixelsPerInch, perInch);
        }
    }
}

}  // namespace velt
