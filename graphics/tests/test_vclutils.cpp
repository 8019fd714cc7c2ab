#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "foundation/Utils.h"
#include "graphics/GraphicsUnits.h"
#include "graphics/VCLUtils.h"
#include "platform/ui/tests/GoldenImage.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace velt;
using test::Blank;

namespace {

std::string TempFile(const std::string& name) { return ::testing::TempDir() + "velt_vcl_" + std::to_string(::getpid()) + "_" + name; }

// A bitmap of w x h whose pixel colours come from colour(x, y).
template <class F>
TBitmap Painted(int w, int h, F colour) {
    TBitmap b(w, h);
    QImage im(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) im.setPixel(x, y, 0xFF000000 | colour(x, y));
    b.Assign(im);
    return b;
}

}  // namespace

TEST(Gradient, BandsSplitByMulDivAndMatchTheGoldenImage) {
    QImage im = Blank(10, 10);
    {
        TCanvas c(&im);
        GradientFillRect(c, Rect(0, 0, 10, 10), clBlack, clWhite, fdTopToBottom, 3);
    }
    // Bands 0..2, 3..6, 7..9; the middle grey is 127.5 rounded away from zero.
    for (int y : {0, 2}) EXPECT_EQ(im.pixel(5, y) & 0xFFFFFF, 0x000000u) << y;
    for (int y : {3, 6}) EXPECT_EQ(im.pixel(5, y) & 0xFFFFFF, 0x808080u) << y;
    for (int y : {7, 9}) EXPECT_EQ(im.pixel(5, y) & 0xFFFFFF, 0xFFFFFFu) << y;

    QImage all = Blank(100, 60);
    {
        TCanvas c(&all);
        GradientFillRect(c, Rect(0, 0, 50, 30), clRed, clBlue, fdTopToBottom, 1);  // the first colour only
        GradientFillRect(c, Rect(50, 0, 100, 30), clRed, clBlue, fdBottomToTop, 0);
        GradientFillRect(c, Rect(0, 30, 50, 60), clYellow, clNavy, fdLeftToRight, 7);
        GradientFillRect(c, Rect(50, 30, 100, 60), clYellow, clNavy, fdRightToLeft, 255);
    }
    EXPECT_EQ(all.pixel(10, 10) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(all.pixel(60, 10) & 0xFFFFFF, 0x0000FFu);  // reversed: the end colour first
    EXPECT_TRUE(test::MatchesGolden(all, VELT_TEST_DATA_DIR, "gradients"));
}

TEST(BitmapFiles, OtherReadersSeeEveryPixelAtEachDepth) {
    std::mt19937 rng(7);
    const TBitmap two = Painted(13, 5, [](int x, int y) { return (x + y) % 3 ? 0x123456u : 0xFEDCBAu; });
    const TBitmap sixteen = Painted(17, 6, [](int x, int y) { return QRgb(((x + y) % 16) * 0x0F0A05); });
    const TBitmap many = Painted(28, 9, [](int x, int y) { return QRgb((x * 9 + y) * 0x010203 & 0xFFFFFF); });
    const TBitmap deep = Painted(7, 3, [&](int, int) { return QRgb(rng() & 0xFFFFFF); });
    struct Case {
        const TBitmap& Bitmap;
        int Colors, Bits;
    };
    for (const Case& k : {Case{two, 2, 1}, Case{sixteen, 16, 4}, Case{many, 256, 8}, Case{deep, 0, 24}}) {
        const std::string file = TempFile(std::to_string(k.Bits) + ".bmp");
        SaveBitmapToFile(file, k.Bitmap, k.Colors);
        const std::string bytes = ReadWholeFile(file);
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(bytes.substr(0, 2), "BM");
        EXPECT_EQ(uint8_t(bytes[28]), k.Bits);
        uint32_t size;
        std::memcpy(&size, bytes.data() + 2, 4);
        EXPECT_EQ(size, bytes.size());
        const QImage back(QString::fromStdString(file));
        ASSERT_FALSE(back.isNull()) << k.Bits;
        const QImage& want = k.Bitmap.Image();
        ASSERT_EQ(back.size(), want.size());
        for (int y = 0; y < want.height(); ++y)
            for (int x = 0; x < want.width(); ++x)
                ASSERT_EQ(back.pixel(x, y) & 0xFFFFFF, want.pixel(x, y) & 0xFFFFFF) << k.Bits << " bits at " << x << "," << y;
        std::filesystem::remove(file);
    }
    // Colours beyond the depth take the nearest standard one.
    const TBitmap reds = Painted(20, 1, [](int x, int) { return QRgb(0xF00000 + x); });
    auto mem = BitmapToMemory(reds, 16);
    QImage back;
    ASSERT_TRUE(back.loadFromData(reinterpret_cast<const uchar*>(mem->Memory()), int(mem->Size()), "BMP"));
    EXPECT_EQ(back.pixel(3, 0) & 0xFFFFFF, 0xFF0000u);
    // A monochrome bitmap is written in one bit whatever is asked.
    TBitmap mono = Painted(3, 1, [](int x, int) { return x ? 0xFFFFFFu : 0u; });
    mono.SetMonochrome(true);
    EXPECT_EQ(uint8_t(BitmapToMemory(mono, 256)->Memory()[28]), 1);
    try {
        BitmapToMemory(TBitmap(), 0);
        FAIL() << "an empty bitmap was written";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }
}

TEST(TransparentBitmaps, TheKeyColourLetsTheCanvasShowThrough) {
    // Blue, red, blue (as 0xRRGGBB).
    const TBitmap glyph = Painted(3, 1, [](int x, int) { return x == 1 ? 0xFF0000u : 0x0000FFu; });
    QImage im(5, 1, QImage::Format_RGB32);
    im.fill(Qt::green);
    {
        TCanvas c(&im);
        DrawTransparentBitmap(c, glyph, 1, 0, clBlue);
    }
    EXPECT_EQ(im.pixel(1, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(im.pixel(2, 0) & 0xFFFFFF, 0xFF0000u);
    {
        TCanvas c(&im);
        DrawBitmapTransparent(c, 2, 0, glyph, clLime | PaletteRelativeFlag);  // no lime in it: all copied
    }
    EXPECT_EQ(im.pixel(2, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(im.pixel(3, 0) & 0xFFFFFF, 0xFF0000u);

    auto changed = ChangeBitmapColor(glyph, clBlue, clYellow);
    EXPECT_EQ(changed->Canvas().Pixel(0, 0), clYellow);
    EXPECT_EQ(changed->Canvas().Pixel(1, 0), clRed);

    auto pattern = CreateTwoColorsBrushPattern(clRed, clBlue);
    EXPECT_EQ(pattern->Canvas().Pixel(0, 0), clBlue);
    EXPECT_EQ(pattern->Canvas().Pixel(1, 0), clRed);
    EXPECT_EQ(pattern->Canvas().Pixel(1, 1), clBlue);

    TBitmap copy = glyph;
    TransparentImage(copy, clYellow);
    EXPECT_EQ(copy.Canvas().Pixel(0, 0), clYellow);
    EXPECT_EQ(copy.Canvas().Pixel(1, 0), clRed);
}

TEST(DisabledBitmaps, AreEmbossedInTheButtonColours) {
    // A one-pixel dot on a white background.
    const TBitmap dot = Painted(3, 3, [](int x, int y) { return x == 1 && y == 1 ? 0u : 0xFFFFFFu; });
    auto off = CreateDisabledBitmap(dot);
    EXPECT_EQ(off->Canvas().Pixel(1, 1), ColorToRGB(clBtnShadow));
    EXPECT_EQ(off->Canvas().Pixel(2, 2), clWhite);
    EXPECT_EQ(off->Canvas().Pixel(0, 0), ColorToRGB(clBtnFace));
}

TEST(Artwork, NamedBitmapsComeFromTheResourcesAndMissingOnesAreNone) {
    GraphicsStartup(TempFile("art.INI"));
    auto top = MakeBitmap("RICHRULLERT");
    auto bottom = MakeModuleBitmap(HInstance, "richrullerb");
    ASSERT_TRUE(top && bottom);
    EXPECT_EQ(top->Width(), 9);
    EXPECT_EQ(bottom->Width(), 9);
    EXPECT_EQ(top->TransparentColor(), clBlue);  // the ruler draws them with blue as the key
    EXPECT_EQ(MakeBitmap("NOSUCHBITMAP"), nullptr);
    EXPECT_EQ(MakeBitmapID(4711), nullptr);
    EXPECT_EQ(MakeIcon("NOSUCHICON"), nullptr);
    GraphicsShutdown();
}

TEST(InverseDrawing, TwiceOverTheWindowRestoresIt) {
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, QColor(0x30, 0x60, 0x90));
    window.setPalette(pal);
    window.resize(60, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage before = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint o = window.mapToGlobal(QPoint(0, 0));
    PaintInverseRect(Point(o.x() + 10, o.y() + 5), Point(o.x() + 30, o.y() + 25));
    const QImage once = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(once.pixel(10, 5) & 0xFFFFFF, 0xCF9F6Fu);   // the outline is inverted
    EXPECT_EQ(once.pixel(29, 24) & 0xFFFFFF, 0xCF9F6Fu);
    EXPECT_EQ(once.pixel(20, 15) & 0xFFFFFF, 0x306090u);  // the inside is not
    EXPECT_EQ(once.pixel(30, 25) & 0xFFFFFF, 0x306090u);
    PaintInverseRect(Point(o.x() + 10, o.y() + 5), Point(o.x() + 30, o.y() + 25));
    PaintInverseRect_(Point(o.x() + 40, o.y() + 5), Point(o.x() + 50, o.y() + 10));
    EXPECT_EQ(window.grab().toImage().pixel(45, 7) & 0xFFFFFF, 0xCF9F6Fu);
    PaintInverseRect_(Point(o.x() + 40, o.y() + 5), Point(o.x() + 50, o.y() + 10));
    DrawInvertFrame(Rect(o.x() + 2, o.y() + 2, o.x() + 20, o.y() + 20), 3);
    DrawInvertFrame(Rect(o.x() + 2, o.y() + 2, o.x() + 20, o.y() + 20), 3);
    EXPECT_EQ(window.grab().toImage().convertToFormat(QImage::Format_RGB32), before);
}

TEST(Helpers, TextCommandLinesWaitCursorAndPlacement) {
    EXPECT_EQ(AnsiUpperFirstChar("CYRILLIC"), "Cyrillic");
    EXPECT_EQ(AnsiUpperFirstChar("ПРИВІТ світ"), "Привіт світ");
    EXPECT_EQ(AnsiUpperFirstChar(""), "");

    std::string exe, params;
    SplitCommandLine(R"(  ""  "C:\Program Files\a.exe" one "two words" t"hr"ee)", exe, params);
    EXPECT_EQ(exe, R"(C:\Program Files\a.exe)");
    EXPECT_EQ(params, R"(one "two words" three)");
    SplitCommandLine("", exe, params);
    EXPECT_EQ(exe, "");

    StopWait();  // without a StartWait: nothing
    EXPECT_EQ(WaitCount(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    StartWait();
    StartWait();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    StopWait();
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    StopWait();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    QWidget parent;
    parent.resize(200, 100);
    QWidget child(&parent);
    child.resize(50, 20);
    CenterControl(&child);
    EXPECT_EQ(child.pos(), QPoint(75, 40));
    child.resize(300, 20);
    CenterControl(&child);
    EXPECT_EQ(child.pos(), QPoint(0, 40));

    EXPECT_TRUE(PointInRect(Point(10, 10), Rect(0, 0, 10, 10)));  // borders included
    EXPECT_FALSE(PointInRect(Point(11, 10), Rect(0, 0, 10, 10)));
    EXPECT_EQ(PixelsToDialogUnitsX(DialogUnitsToPixelsX(400)), 400);
    EXPECT_EQ(ObjectToWinControl(&child), &child);
    QObject plain;
    EXPECT_EQ(ObjectToWinControl(&plain), nullptr);
}

TEST(Helpers, InsertionReplacesTheSelectionAndPlacesTheCaret) {
    QLineEdit edit(QStringLiteral("hello"));
    edit.setSelection(1, 3);
    InsertToEdit(&edit, "ELL", -1);
    EXPECT_EQ(edit.text(), QStringLiteral("hELLo"));
    EXPECT_EQ(edit.cursorPosition(), 3);
    EXPECT_FALSE(edit.hasSelectedText());
}

TEST(Helpers, MessageBoxesAnswerWithThePlatformsButtonIds) {
    test::AnsweringRunner clickNo([](QDialog& d) {
        QAbstractButton* no = test::ButtonWithText(d, QStringLiteral("No"));
        ASSERT_NE(no, nullptr);
        no->click();
    });
    EXPECT_EQ(MsgBox("Caption", "Text", 3 | 0x20), 7);
    test::AnsweringRunner escape([](QDialog& d) { test::PressKey(d, Qt::Key_Escape); });
    EXPECT_EQ(MsgBox("Caption", "Text", 1), 2);
    std::string text;
    test::AnsweringRunner note([&](QDialog& d) {
        text = static_cast<QMessageBox&>(d).text().toStdString();
        test::PressKey(d, Qt::Key_Return);
    });
    NotImplemented();
    EXPECT_EQ(text, "Not implemented");
}
