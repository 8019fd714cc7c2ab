// The graphics base's font and picture objects on arbitrary bytes. The first
// byte picks the reader: a font record read into a TFont (a new one, or one
// already there) or a picture block read into a bitmap, icon or metafile.
// What is read is drawn on a small image, written back, and read again: the
// second reading gives the same font, the same pixels or the same bytes.
//
// Needs the Qt layer: built where the GUI library is.
#include <QGuiApplication>
#include <QFont>
#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "graphics/GrfObjects.h"
#include "fuzz/FuzzStreams.h"

using namespace velt;

namespace {

void StartQt() {
    static int argc = 1;
    static char name[] = "fuzz_grf_objects";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Lives until the process ends: fonts and images need it on every run.
    static QGuiApplication app(argc, argv);
}

using fuzz::Bytes;

void Check(bool ok) {
    if (!ok) std::abort();
}

void DrawText(const TFont& font) {
    QImage im(16, 16, QImage::Format_RGB32);
    im.fill(Qt::white);
    TCanvas c(&im);
    c.Font = font;
    const TSize size = c.TextExtent("Ag");
    Check(size.cx >= 0 && size.cy >= 0);
    c.TextOut(1, 1, "Ag");
    c.TextRect(TRect{0, 0, 8, 8}, -3, -3, "Ag");
}

void Font(TMemoryStream& in, bool existing) {
    std::unique_ptr<TFont> font;
    if (existing) font = std::make_unique<TFont>();
    TFont* before = font.get();
    try {
        ReadFont(font, in);
    } catch (const Exception&) {
        return;
    }
    if (!font) return;  // absent, nothing there before
    Check(!existing || font.get() == before);
    Check(font->Height() != INT32_MIN);
    const QFont q = ToQFont(*font);
    Check(q.pixelSize() > 0 && q.pixelSize() <= MaxFontPixelSize);
    (void)FontToStr(font.get());
    DrawText(*font);

    TMemoryStream once, twice;
    WriteFont(font.get(), once);
    once.SetPosition(0);
    std::unique_ptr<TFont> back;
    ReadFont(back, once);
    Check(back && back->SameAs(*font));
    WriteFont(back.get(), twice);
    Check(Bytes(once) == Bytes(twice));
}

void Picture(TMemoryStream& in) {
    std::unique_ptr<TGraphic> graphic;
    try {
        graphic = ReadGraphic(in);
    } catch (const Exception&) {
        return;
    }
    if (!graphic) return;
    (void)graphic->Width(), (void)graphic->Height();
    {
        QImage im(8, 8, QImage::Format_RGB32);
        im.fill(Qt::white);
        TCanvas c(&im);
        c.StretchDraw(TRect{1, 1, 7, 6}, *graphic);
        c.StretchDraw(TRect{6, 6, 2, 2}, *graphic);
        c.Draw(-2, -2, *graphic);
    }
    TMemoryStream once, twice;
    try {
        WriteGraphic(once, graphic.get());
    } catch (const Exception&) {  // an image Qt read but cannot write
        return;
    }
    once.SetPosition(0);
    std::unique_ptr<TGraphic> back = ReadGraphic(once);
    Check(back && back->ClassName() == graphic->ClassName());
    Check(back->Width() == graphic->Width() && back->Height() == graphic->Height());
    if (auto* a = dynamic_cast<TBitmap*>(graphic.get())) {
        // A bitmap is written in its own colours when they fit its depth,
        // else in the nearest of a standard table: the pixels read back stay.
        const TBitmap* b = dynamic_cast<TBitmap*>(back.get());
        WriteGraphic(twice, b);
        twice.SetPosition(0);
        std::unique_ptr<TGraphic> again = ReadGraphic(twice);
        const TBitmap* c = dynamic_cast<TBitmap*>(again.get());
        Check(c && c->Image() == b->Image());
        Check(a->BitsPerPixel() < 24 || b->Image() == a->Image());  // 24 bits hold every colour
        return;
    }
    WriteGraphic(twice, back.get());
    Check(Bytes(once) == Bytes(twice));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    StartQt();
    TMemoryStream in;
    if (size > 1) in.WriteBuffer(data + 1, int64_t(size - 1));
    in.SetPosition(0);
    switch (data[0] % 3) {
    case 0: Font(in, false); break;
    case 1: Font(in, true); break;
    default: Picture(in); break;
    }
    return 0;
}
