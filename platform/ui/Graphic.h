#pragma once
// The platform's pictures: bitmaps (a QImage with a canvas), icons and
// metafiles, each with its own file form on a stream.
//
// A metafile is kept as the bytes it was read from: Qt cannot draw the
// platform's metafiles, so one is shown as nothing and written back
// unchanged.

#include <QImage>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/Classes.h"
#include "foundation/SysUtils.h"
#include "platform/ui/Canvas.h"

namespace velt {

// A picture that cannot be read or has no image.
class EInvalidGraphic : public Exception { using Exception::Exception; };

enum TPixelFormat : uint8_t { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

class TGraphic {
public:
    virtual ~TGraphic() = default;
    virtual std::string ClassName() const = 0;
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual bool Empty() const = 0;
    // The picture stretched into r.
    virtual void Draw(TCanvas& canvas, const TRect& r) const = 0;
    // The picture's own file form (BMP, ICO, metafile bytes).
    virtual void SaveToStream(TStream& s) const = 0;
    // Reads the rest of the stream as that form; EInvalidGraphic when it is
    // none.
    virtual void LoadFromStream(TStream& s) = 0;
};

class TBitmap : public TGraphic {
public:
    TBitmap() = default;
    // A white bitmap of that size.
    TBitmap(int32_t width, int32_t height);
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    std::string ClassName() const override { return "TBitmap"; }

    int32_t Width() const override { return image_.width(); }
    int32_t Height() const override { return image_.height(); }
    bool Empty() const override { return image_.isNull(); }
    // Whether there is an image at all (the platform's bitmap handle).
    bool HandleAllocated() const { return !image_.isNull(); }
    // Keeps what fits at the top left; new area is white. A side of 0 frees
    // the image.
    void SetSize(int32_t width, int32_t height);
    void SetWidth(int32_t width) { SetSize(width, Height()); }
    void SetHeight(int32_t height) { SetSize(Width(), height); }

    TCanvas& Canvas();
    // The pixels; painting is finished first.
    const QImage& Image() const;
    // Takes a copy of image (as opaque 32-bit pixels).
    void Assign(const QImage& image);

    // A monochrome bitmap holds black and white only: turning it on makes
    // every pixel that is not white black, as the platform's conversion does.
    bool Monochrome() const { return monochrome_; }
    void SetMonochrome(bool on);
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat pf) { pixelFormat_ = pf; }
    // The colour its pixel at the bottom left has (black when empty).
    TColor TransparentColor() const;
    // Bits per pixel of its own file form: 1, 4, 8 or 24.
    int BitsPerPixel() const;

    void Draw(TCanvas& canvas, const TRect& r) const override;
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s) override;

private:
    QImage image_;
    mutable TCanvas canvas_;
    TPixelFormat pixelFormat_ = pfDevice;
    bool monochrome_ = false;
};

class TIcon : public TGraphic {
public:
    std::string ClassName() const override { return "TIcon"; }
    int32_t Width() const override { return image_.width(); }
    int32_t Height() const override { return image_.height(); }
    bool Empty() const override { return image_.isNull(); }
    const QImage& Image() const { return image_; }
    // An icon of the image (written as an ICO file).
    void Assign(const QImage& image);
    void Draw(TCanvas& canvas, const TRect& r) const override;
    // The bytes it was read from, or the image as an ICO file.
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s) override;

private:
    QImage image_;
    std::string data_;
};

class TMetafile : public TGraphic {
public:
    std::string ClassName() const override { return "TMetafile"; }
    // From an enhanced metafile's frame or a placeable metafile's box, in
    // pixels at 96 per inch; 0 when the bytes say neither.
    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    bool Empty() const override { return data_.empty(); }
    const std::string& Data() const { return data_; }
    // Draws nothing: Qt cannot play the platform's metafiles.
    void Draw(TCanvas&, const TRect&) const override {}
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s) override;

private:
    std::string data_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// The most pixels a bitmap read or written may have (4096 x 4096): far above
// any picture a drawing holds, and a bound on what outside bytes can claim.
inline constexpr int64_t MaxBitmapPixels = int64_t(4096) * 4096;

// The image as a BMP file (file header "BM", 40-byte info header, colour
// table, bottom-up rows) of 1, 4, 8 or 24 bits per pixel. The colour table
// of 1, 4 or 8 bits holds the image's own colours when they fit; otherwise
// black and white, the 16 standard colours, or the 16 with a 6x6x6 cube
// and greys, each pixel taking the nearest. EInvalidGraphic "Bitmap image
// is not valid" for a null image or one of more than MaxBitmapPixels;
// EConvertError for another bit count.
void WriteBitmapFile(TStream& s, const QImage& image, int bitsPerPixel);

// The rest of the stream as a string.
std::string ReadRest(TStream& s);

}  // namespace velt
