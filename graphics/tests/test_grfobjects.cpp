#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <string>

#include "foundation/tests/FoundationTestUtil.h"
#include "graphics/GrfObjects.h"

using namespace velt;
using test::Bytes;
using test::StreamOf;

TEST(FontStreams, AFontComesBackWithItsCyrillicNameAndStyles) {
    TFont font;
    font.SetName("Арial");  // two Cyrillic letters in front
    font.SetCharset(RUSSIAN_CHARSET);
    font.SetColor(clRed);
    font.SetSize(10);
    font.SetStyle(FontStyleBit(fsBold) | FontStyleBit(fsItalic));
    TMemoryStream s;
    WriteFont(&font, s);
    WriteFont(nullptr, s);
    EXPECT_EQ(Bytes(s).substr(0, 8), "\x01\x05\xC0\xF0ial\xCC");
    s.SetPosition(0);
    std::unique_ptr<TFont> back;
    ReadFont(back, s);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->SameAs(font));
    TFont* same = back.get();
    ReadFont(back, s);  // absent: the font stays as it was
    EXPECT_EQ(back.get(), same);
    EXPECT_EQ(FontToStr(back.get()), "Арial Cyr, 10, B, I");
    EXPECT_EQ(FontToStr(nullptr), "");

    TFont copy;
    copy.SetPitch(fpFixed);
    AssignFont(&font, &copy);
    EXPECT_EQ(copy.Pitch(), fpDefault);
    EXPECT_TRUE(copy.SameAs(font));
    AssignFont(nullptr, &copy);
}

TEST(FontStreams, SizesAtTheEndsOfTheIntegerRangeAreClampedNotOverflowed) {
    // A record with Size -1610612736: its height would be 2^31.
    TFontRecord r;
    r.Name = "Arial";
    r.Size = -1610612736;
    TMemoryStream s;
    WriteFontRecord(s, &r);
    r.Size = INT32_MAX;  // its height would be below -2^31
    WriteFontRecord(s, &r);
    s.SetPosition(0);
    std::unique_ptr<TFont> font;
    ReadFont(font, s);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Height(), INT32_MAX);
    EXPECT_EQ(font->Size(), -1610612735);
    EXPECT_EQ(ToQFont(*font).pixelSize(), MaxFontPixelSize);
    EXPECT_EQ(FontToStr(font.get()), "Arial , -1610612735");
    ReadFont(font, s);
    EXPECT_EQ(font->Height(), -INT32_MAX);  // not the 1 that an overflowed MulDiv gives
    EXPECT_EQ(font->Size(), 1610612735);
    font->SetHeight(INT32_MIN);
    EXPECT_EQ(font->Height(), -INT32_MAX);
    EXPECT_EQ(ToQFont(*font).pixelSize(), MaxFontPixelSize);
    TMemoryStream out;
    WriteFont(font.get(), out);
    out.SetPosition(0);
    TFontRecord back;
    ASSERT_TRUE(ReadFontRecord(out, back));
    EXPECT_EQ(back.Size, 1610612735);
}

TEST(FontStreams, CharsetNamesInTheirLongAndShortForms) {
    EXPECT_EQ(CharSetToIdentEx(204, true), "Cyrillic");
    EXPECT_EQ(CharSetToIdentEx(204, false), "Cyr");
    EXPECT_EQ(CharSetToIdentEx(0, true), "Ansi");
    EXPECT_EQ(CharSetToIdentEx(0, false), "Ansi");
    EXPECT_EQ(CharSetToIdentEx(1, false), "");
    EXPECT_EQ(CharSetToIdentEx(1, true), "Default");
    EXPECT_EQ(CharSetToIdentEx(238, false), "CE");
    EXPECT_EQ(CharSetToIdentEx(238, true), "Easteurope");
    EXPECT_EQ(CharSetToIdentEx(161, false), "Gre");
    EXPECT_EQ(CharSetToIdentEx(99, true), "");
}

TEST(PictureStreams, MetafilesTravelAsTheirOwnBytesAndBitmapsAsBmp) {
    // A metafile Qt cannot draw is written back byte for byte.
    const std::string wmf = std::string("\xD7\xCD\xC6\x9A", 4) + std::string(30, '\x11');
    TMemoryStream in = StreamOf(std::string("\x01", 1) + std::string("\x22\x00\x00\x00", 4) + wmf);
    auto meta = ReadGraphic(in);
    ASSERT_NE(dynamic_cast<TMetafile*>(meta.get()), nullptr);
    TMemoryStream out;
    WriteGraphic(out, meta.get());
    EXPECT_EQ(Bytes(out), Bytes(in));

    TBitmap bmp(3, 2);
    bmp.Canvas().SetPixel(2, 1, clRed);
    TMemoryStream pic;
    WriteGraphic(pic, &bmp);
    EXPECT_EQ(Bytes(pic).substr(0, 7), std::string("\x03\x4E\x00\x00\x00" "BM", 7));  // 54 + 2 rows of 12 bytes
    pic.SetPosition(0);
    auto back = ReadGraphic(pic);
    auto* b = dynamic_cast<TBitmap*>(back.get());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Canvas().Pixel(2, 1), clRed);
    EXPECT_EQ(b->PixelFormat(), pf24bit);

    // An empty bitmap is an empty block; tag 0 and unknown tags give none.
    TMemoryStream empty;
    TBitmap none;
    WriteGraphic(empty, &none);
    WriteGraphic(empty, nullptr);
    EXPECT_EQ(Bytes(empty), std::string("\x03\x00\x00\x00\x00\x00", 6));
    empty.SetPosition(0);
    auto e = ReadGraphic(empty);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->Empty());
    EXPECT_EQ(ReadGraphic(empty), nullptr);
    TMemoryStream bad = StreamOf(std::string("\x03\x04\x00\x00\x00" "junk", 9));
    EXPECT_THROW(ReadGraphic(bad), EInvalidGraphic);
}

TEST(PictureStreams, IconsKeepTheBytesTheyWereReadFrom) {
    TIcon icon;
    QImage im(16, 16, QImage::Format_ARGB32);
    im.fill(Qt::transparent);
    im.setPixel(3, 4, 0xFF00FF00);
    icon.Assign(im);
    TMemoryStream s;
    WriteGraphic(s, &icon);
    s.SetPosition(0);
    auto back = ReadGraphic(s);
    auto* i = dynamic_cast<TIcon*>(back.get());
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->Image().pixel(3, 4), 0xFF00FF00u);
    TMemoryStream again;
    WriteGraphic(again, i);
    EXPECT_EQ(Bytes(again), Bytes(s));
}

TEST(Polylines, DrawOnRoundsHalvesToEven) {
    TPoints pts;
    pts.Add(SPoint(0.5f, 0.5f));
    pts.Add(SPoint(3.5f, 0.5f));
    QImage im(6, 2, QImage::Format_RGB32);
    im.fill(Qt::white);
    {
        TCanvas c(&im);
        DrawOn(pts, &c);  // from (0, 0) to (4, 0), the end left out
        DrawOn(pts, nullptr);
    }
    for (int x = 0; x < 6; ++x) EXPECT_EQ((im.pixel(x, 0) & 0xFFFFFF) == 0, x < 4) << x;
}
