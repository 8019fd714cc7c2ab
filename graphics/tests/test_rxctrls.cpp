#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "foundation/DateUtils.h"
#include "foundation/SysUtils.h"
#include "graphics/RxCtrls.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/TimerSource.h"

using namespace velt;

namespace {

// ---- splitter form: a parent with the two controls and the bar between ----

struct SplitForm {
    QWidget Window;
    TCustomPanel* First;
    TCustomPanel* Second;
    TrxSplitter* Split;

    // The resized control is made first, then the bar, then the other one,
    // so that the passes put the bar beside the control it resizes.
    SplitForm(TAlign firstAlign, TAlign secondAlign, TAlign splitAlign, int size, bool firstIsResized = true) {
        Window.resize(200, 200);
        First = TCustomPanel::Create(&Window).release();
        Second = TCustomPanel::Create(&Window).release();
        Split = TrxSplitter::Create(&Window).release();
        QWidget* resized = firstIsResized ? static_cast<QWidget*>(First) : Second;
        QWidget* other = firstIsResized ? static_cast<QWidget*>(Second) : First;
        resized->resize(size, size);
        // In the children's order: resized, bar, other.
        resized->raise();
        Split->raise();
        other->raise();
        SetAlign(resized, firstIsResized ? firstAlign : secondAlign);
        SetAlign(Split, splitAlign);
        SetAlign(other, firstIsResized ? secondAlign : firstAlign);
        Split->SetControlFirst(First);
        Split->SetControlSecond(Second);
        Window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Window));
        RequestAlign(&Window);
    }
    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(Split, Qt::LeftButton, {}, from);
        QTest::mouseMove(Split, to);
        QTest::mouseRelease(Split, Qt::LeftButton, {}, to);
    }
};

// ---- pixels ----

struct Box {
    int MinX = 1 << 20, MinY = 1 << 20, MaxX = -1, MaxY = -1;
    void Add(int x, int y) {
        MinX = std::min(MinX, x), MinY = std::min(MinY, y), MaxX = std::max(MaxX, x), MaxY = std::max(MaxY, y);
    }
    bool Empty() const { return MaxX < 0; }
};

QImage Rendered(QWidget& w, QColor background = Qt::white) {
    QImage im(w.size(), QImage::Format_RGB32);
    im.fill(background);
    w.render(&im, QPoint(), QRegion(), QWidget::DrawChildren);
    return im;
}

bool Is(const QImage& im, int x, int y, TColor c) {
    return x >= 0 && y >= 0 && x < im.width() && y < im.height() && QColorToColor(im.pixelColor(x, y)) == c;
}

int InkAround(const QImage& im, TPoint p, TColor ink, int r = 2) {
    int n = 0;
    for (int y = p.Y - r; y <= p.Y + r; ++y)
        for (int x = p.X - r; x <= p.X + r; ++x) n += Is(im, x, y, ink);
    return n;
}

TDateTime At(int h, int m, int s, int ms = 0) { return EncodeTime(h, m, s, ms); }

}  // namespace

// ---- splitter ------------------------------------------------------------------------------

TEST(rxSplitter, StyleAndCursorFollowTheAlignments) {
    struct Case {
        TAlign First, Second, Split;
        TSplitterStyle Want;
        Qt::CursorShape Cursor;
        int Code;
    };
    const Case cases[] = {
        {alTop, alClient, alTop, spHorizontalFirst, Qt::SplitVCursor, -15},
        {alBottom, alClient, alBottom, spHorizontalFirst, Qt::SplitVCursor, -15},
        {alClient, alBottom, alBottom, spHorizontalSecond, Qt::SplitVCursor, -15},
        {alLeft, alClient, alLeft, spVerticalFirst, Qt::SplitHCursor, -14},
        {alClient, alRight, alRight, spVerticalSecond, Qt::SplitHCursor, -14},
        {alTop, alClient, alLeft, spUnknown, Qt::ArrowCursor, 0},  // the bar is not aligned as the control
        {alTop, alTop, alTop, spUnknown, Qt::ArrowCursor, 0},
        {alClient, alClient, alTop, spUnknown, Qt::ArrowCursor, 0},
    };
    for (const Case& c : cases) {
        SplitForm f(c.First, c.Second, c.Split, 50, c.Want != spHorizontalSecond && c.Want != spVerticalSecond);
        EXPECT_EQ(f.Split->GetStyle(), c.Want) << int(c.First) << " " << int(c.Second) << " " << int(c.Split);
        EXPECT_EQ(f.Split->cursor().shape(), c.Cursor);
        EXPECT_EQ(f.Split->property("Cursor").toInt(), c.Code);
    }
    // Without a second control the first decides.
    SplitForm f(alTop, alClient, alTop, 50);
    f.Split->SetControlSecond(nullptr);
    EXPECT_EQ(f.Split->GetStyle(), spHorizontalFirst);
    f.Split->SetControlFirst(f.Split);  // the bar itself is none
    EXPECT_EQ(f.Split->GetControlFirst(), nullptr);
    EXPECT_EQ(f.Split->cursor().shape(), Qt::ArrowCursor);
}

TEST(rxSplitter, ControlsElsewhereOrGoneGiveNoStyle) {
    SplitForm f(alTop, alClient, alTop, 50);
    ASSERT_EQ(f.Split->GetStyle(), spHorizontalFirst);
    // A control with another parent is not beside the bar.
    QWidget elsewhere;
    auto* stranger = new QWidget(&elsewhere);
    SetAlign(stranger, alClient);
    f.Split->SetControlSecond(stranger);
    EXPECT_EQ(f.Split->GetStyle(), spUnknown);
    EXPECT_EQ(f.Split->cursor().shape(), Qt::ArrowCursor);
    f.Split->SetControlSecond(f.Second);
    EXPECT_EQ(f.Split->cursor().shape(), Qt::SplitVCursor);
    delete f.First;
    EXPECT_EQ(f.Split->GetControlFirst(), nullptr);
    EXPECT_EQ(f.Split->GetStyle(), spUnknown);
    EXPECT_EQ(f.Split->cursor().shape(), Qt::ArrowCursor);
    QTest::mousePress(f.Split, Qt::LeftButton, {}, QPoint(5, 1));
    EXPECT_FALSE(f.Split->Dragging());
    QTest::mouseRelease(f.Split, Qt::LeftButton, {}, QPoint(5, 1));
}

TEST(rxSplitter, DraggingResizesTheTopPanelWithinItsLimits) {
    SplitForm f(alTop, alClient, alTop, 100);
    EXPECT_EQ(f.Split->geometry(), QRect(0, 100, 200, 3));
    EXPECT_EQ(f.Second->geometry(), QRect(0, 103, 200, 97));
    int changes = 0;
    f.Split->OnPosChanged = [&](QObject* sender) {
        EXPECT_EQ(sender, f.Split);
        ++changes;
    };
    const QImage before = f.Window.grab().toImage();
    QTest::mousePress(f.Split, Qt::LeftButton, {}, QPoint(50, 0));
    QTest::mouseMove(f.Split, QPoint(50, 10));
    EXPECT_TRUE(f.Split->Dragging());
    // The inverted band follows the mouse: two rows at the point.
    const QImage during = f.Window.grab().toImage();
    EXPECT_NE(during.pixel(60, 110), before.pixel(60, 110));
    EXPECT_NE(during.pixel(60, 111), before.pixel(60, 111));
    EXPECT_EQ(during.pixel(60, 112), before.pixel(60, 112));
    QTest::mouseRelease(f.Split, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(f.First->height(), 110);
    EXPECT_EQ(f.Split->geometry(), QRect(0, 110, 200, 3));
    EXPECT_EQ(f.Second->geometry(), QRect(0, 113, 200, 87));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(f.Window.grab().toImage().pixel(60, 150), before.pixel(60, 150));  // the band is gone

    // Past the top limit: one pixel stays; the cursor says no drop there.
    QTest::mousePress(f.Split, Qt::LeftButton, {}, QPoint(50, 1));
    QTest::mouseMove(f.Split, QPoint(50, -500));
    EXPECT_EQ(f.Split->cursor().shape(), Qt::ForbiddenCursor);
    EXPECT_EQ(f.Split->property("Cursor").toInt(), -13);
    QTest::mouseMove(f.Split, QPoint(50, -20));
    EXPECT_EQ(f.Split->cursor().shape(), Qt::SplitVCursor);
    QTest::mouseMove(f.Split, QPoint(50, -500));
    QTest::mouseRelease(f.Split, Qt::LeftButton, {}, QPoint(50, -500));
    EXPECT_EQ(f.First->height(), 1);
    EXPECT_EQ(f.Split->cursor().shape(), Qt::SplitVCursor);

    // Past the bottom: the parent's height less 3.
    f.Drag(QPoint(50, 0), QPoint(50, 900));
    EXPECT_EQ(f.First->height(), 197);
    EXPECT_EQ(changes, 3);
}

TEST(rxSplitter, RightAndBottomControlsGrowAgainstTheMouse) {
    {
        SplitForm f(alRight, alClient, alRight, 40);
        EXPECT_EQ(f.Split->geometry(), QRect(157, 0, 3, 200));
        f.Drag(QPoint(0, 5), QPoint(-10, 5));
        EXPECT_EQ(f.First->width(), 50);
        EXPECT_EQ(f.Split->geometry(), QRect(147, 0, 3, 200));
        EXPECT_EQ(f.Second->geometry(), QRect(0, 0, 147, 200));
    }
    {
        SplitForm f(alClient, alBottom, alBottom, 50, false);
        ASSERT_EQ(f.Split->GetStyle(), spHorizontalSecond);
        EXPECT_EQ(f.Split->geometry(), QRect(0, 147, 200, 3));
        f.Drag(QPoint(5, 0), QPoint(5, -10));
        EXPECT_EQ(f.Second->height(), 60);
        EXPECT_EQ(f.First->geometry(), QRect(0, 0, 200, 137));
    }
    {
        // The edge case: a left-aligned bar for a top panel never drags.
        SplitForm f(alTop, alClient, alLeft, 60);
        f.Drag(QPoint(1, 5), QPoint(1, 25));
        EXPECT_EQ(f.First->height(), 60);
    }
}

TEST(rxSplitter, ABarNotYetOnASideTakesThreePixelsAcross) {
    auto s = TrxSplitter::Create();
    EXPECT_EQ(s->size(), QSize(185, 3));
    s->resize(185, 40);
    QWidget host;
    host.resize(300, 300);
    s->setParent(&host);
    s->SetAlign(alLeft);
    EXPECT_EQ(s->geometry(), QRect(0, 0, 3, 300));
    s->SetAlign(alTop);  // already on a side: the height stays
    EXPECT_EQ(s->height(), 300);
    EXPECT_EQ(s->GetBevelOuter(), bvRaised);
    EXPECT_EQ(s->GetBevelInner(), bvNone);
    EXPECT_EQ(s->GetLimitOffset(), 2);
    EXPECT_THROW(s->SetLimitOffset(-1), ERangeError);
    s->setParent(nullptr);
}

// ---- label ---------------------------------------------------------------------------------

TEST(rxLabel, TheShadowLiesShadowSizeOffTheTextInAnyFont) {
    auto check = [](TShadowPosition pos, int dx, int dy, const char* family, int height, bool bold) {
        QWidget host;
        host.resize(300, 100);
        auto* l = TrxLabel::Create(&host).release();
        l->SetColor(clWhite);
        l->SetShadowColor(clRed);
        l->Font().SetColor(clBlue);
        l->Font().SetName(family);
        l->Font().SetHeight(height);
        l->Font().SetStyle(bold ? FontStyleBit(fsBold) : 0);
        l->SetShadowSize(2);
        l->SetShadowPos(pos);
        l->SetCaption("Shadow &Wg");
        TCanvas screen;
        screen.Font = l->Font();
        const TSize text = screen.TextExtent("Shadow Wg");
        EXPECT_EQ(l->size(), QSize(text.cx + 2, text.cy + 2)) << family;
        const QImage im = Rendered(*l);
        Box red, blue;
        // Every shadow pixel has a text pixel (dx, dy) away, every text
        // pixel a shadow or text pixel (-dx, -dy) away: the same shape.
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x) {
                if (Is(im, x, y, clRed)) {
                    red.Add(x, y);
                    EXPECT_TRUE(Is(im, x + dx, y + dy, clBlue)) << family << " at " << x << "," << y;
                } else if (Is(im, x, y, clBlue)) {
                    blue.Add(x, y);
                    EXPECT_TRUE(Is(im, x - dx, y - dy, clRed) || Is(im, x - dx, y - dy, clBlue))
                        << family << " at " << x << "," << y;
                } else {
                    ASSERT_TRUE(Is(im, x, y, clWhite)) << "a blended pixel at " << x << "," << y;
                }
            }
        ASSERT_FALSE(red.Empty());
        ASSERT_FALSE(blue.Empty());
        // The outer edges of the shadow are its own.
        if (dx < 0) EXPECT_EQ(red.MaxX, blue.MaxX - dx);
        else EXPECT_EQ(red.MinX, blue.MinX - dx);
        if (dy < 0) EXPECT_EQ(red.MaxY, blue.MaxY - dy);
        else EXPECT_EQ(red.MinY, blue.MinY - dy);
    };
    for (auto [family, height, bold] : {std::tuple{"MS Sans Serif", -11, false}, std::tuple{"DejaVu Serif", -20, true}}) {
        check(spRightBottom, -2, -2, family, height, bold);  // shadow right and down of the text
        check(spLeftTop, 2, 2, family, height, bold);
        check(spRightTop, -2, 2, family, height, bold);
    }
}

TEST(rxLabel, SizesToItsCaptionAndKeepsARightEdge) {
    QWidget host;
    host.resize(400, 100);
    auto* l = TrxLabel::Create(&host).release();
    TCanvas screen;
    screen.Font = l->Font();
    const int h = screen.TextHeight(" ");
    EXPECT_EQ(l->size(), QSize(screen.TextWidth(" ") + 1, h + 1));  // an empty caption measures a blank
    l->SetAlignment(taRightJustify);
    l->setGeometry(100, 10, 65, 17);
    l->SetCaption("Right");
    EXPECT_EQ(l->geometry().right(), 164);
    EXPECT_EQ(l->width(), screen.TextWidth("Right") + 1);
    l->SetAutoSize(false);
    l->SetCaption("Much longer text");
    EXPECT_EQ(l->width(), screen.TextWidth("Right") + 1);
    l->SetAutoSize(true);
    l->SetWordWrap(true);
    l->setGeometry(0, 0, screen.TextWidth("Much longer") + 1, 17);
    l->AdjustBounds();
    EXPECT_EQ(l->height(), 2 * h + 1);
    // 255 characters, counted as characters.
    std::string many;
    for (int i = 0; i < 300; ++i) many += "ї";
    l->SetCaption(many);
    const std::string shown = l->GetLabelText();
    EXPECT_EQ(shown.size(), 510u);
    EXPECT_EQ(QString::fromStdString(shown).size(), 255);
    EXPECT_THROW(l->SetShadowSize(256), ERangeError);
}

TEST(rxLabel, AcceleratorFocusesItsControlAndDisabledTextIsGrey) {
    QWidget window;
    window.resize(200, 100);
    auto* edit = new QLineEdit(&window);
    edit->move(0, 50);
    auto* other = new QLineEdit(&window);
    other->move(100, 50);
    auto* l = TrxLabel::Create(&window).release();
    l->SetCaption("&Name");
    ASSERT_TRUE(l->setProperty("FocusControl", QVariant::fromValue<QWidget*>(edit)));
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QTest::keyClick(other, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(edit->hasFocus());
    other->setFocus();
    l->setEnabled(false);
    QTest::keyClick(other, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(other->hasFocus());
    // Grey text over the shadow.
    l->SetColor(clWhite);
    l->SetShadowColor(clRed);
    const QImage im = Rendered(*l);
    int grey = 0;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x) grey += Is(im, x, y, ColorToRGB(clGrayText));
    EXPECT_GT(grey, 0);
    // A transparent label leaves its background alone.
    l->SetTransparent(true);
    const QImage clear = Rendered(*l, Qt::green);
    EXPECT_TRUE(Is(clear, clear.width() - 1, 0, QColorToColor(Qt::green)));
}

// ---- clock ---------------------------------------------------------------------------------

TEST(rxClock, TheHandTableIsOurOwn240Bytes) {
    QFile file(QStringLiteral(VELT_TEST_DATA_DIR "/../../art/pclock.bin"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 240);
    auto t = LoadHandTable(bytes, 96, 96);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->P[0], (TPoint{0, -7999}));
    EXPECT_EQ(t->P[1], (TPoint{836, -7956}));
    EXPECT_EQ(t->P[15], (TPoint{8000, 0}));
    EXPECT_EQ(t->P[30], (TPoint{0, 7999}));
    EXPECT_EQ(t->P[5], (TPoint{4000, -6928}));
    for (int i = 0; i < 60; ++i) {
        const double a = i * 6 * M_PI / 180;
        EXPECT_LE(std::abs(t->P[size_t(i)].X - 8000 * std::sin(a)), 1.0) << i;
        EXPECT_LE(std::abs(t->P[size_t(i)].Y + 8000 * std::cos(a)), 1.0) << i;
    }
    // The built-in resource is that file.
    auto clock = TrxClock::Create();
    QFile resource(HandTableResource());
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    EXPECT_EQ(resource.readAll(), bytes);
    EXPECT_TRUE(clock->HandsLoaded());
    // Another size is no table; an unknown screen gives square pixels; a
    // tall pixel ratio scales past 16 bits.
    EXPECT_FALSE(LoadHandTable(bytes.left(239), 96, 96));
    EXPECT_FALSE(LoadHandTable(bytes + '\0', 96, 96));
    EXPECT_EQ(LoadHandTable(bytes, 0, 96)->P[30].Y, 7999);
    EXPECT_EQ(LoadHandTable(bytes, 96, std::nan(""))->P[30].Y, 7999);
    EXPECT_EQ(LoadHandTable(bytes, 50, 210)->P[30].Y, 33595);
    EXPECT_EQ(LoadHandTable(bytes, 50, 210)->P[0].Y, -33595);
}

TEST(rxClock, WithoutTheTableItStaysDigital) {
    const QString saved = HandTableResource();
    SetHandTableResource(QStringLiteral(":/velt/NO-SUCH-TABLE"));
    {
        auto clock = TrxClock::Create();
        EXPECT_FALSE(clock->HandsLoaded());
        clock->SetShowMode(scAnalog);
        EXPECT_EQ(clock->GetShowMode(), scDigital);
        ASSERT_TRUE(clock->setProperty("ShowMode", "scAnalog"));
        EXPECT_EQ(clock->GetShowMode(), scDigital);
    }
    SetHandTableResource(saved);
    auto clock = TrxClock::Create();
    clock->SetShowMode(scAnalog);
    EXPECT_EQ(clock->GetShowMode(), scAnalog);
}

TEST(rxClock, HandsPointAtTheTimeAndTheSecondHandIsErasedByRedrawing) {
    TManualTimerSource source;
    TTimerSourceGuard guard(&source);
    source.SetNow(At(15, 10, 0));
    auto make = [] {
        auto c = TrxClock::Create();
        c->resize(130, 130);
        c->SetColor(clWhite);
        c->Font().SetColor(clBlack);
        c->SetShowMode(scAnalog);
        c->TimerExpired();  // paints it whole
        return c;
    };
    auto clock = make();
    EXPECT_EQ(TrxClock::HourHandPoint(15, 10), 15);
    const TPoint c = clock->ClockCenter();
    const int r = clock->ClockRadius();
    ASSERT_GT(r, 40);
    const QImage& im = clock->Surface();
    // The hour hand towards three o'clock, nothing towards nine.
    EXPECT_GT(InkAround(im, TPoint{c.X + r * 60 / 100, c.Y}, clBlack), 0);
    EXPECT_EQ(InkAround(im, TPoint{c.X - r * 60 / 100, c.Y}, clBlack), 0);
    // The second hand straight up, inverted over the white dial.
    EXPECT_TRUE(Is(im, c.X, c.Y - r / 2, clBlack));

    // A second later: the old second hand is gone, and what is left is what
    // a clock painted afresh at that time shows.
    source.Advance(1350);
    EXPECT_TRUE(Is(clock->Surface(), c.X, c.Y - r / 2, clWhite));
    EXPECT_EQ(clock->Surface(), make()->Surface());

    // Into the next minute the hour and minute hands are redrawn too.
    source.SetNow(At(15, 49, 59, 600));
    clock->TimerExpired();
    source.Advance(450);
    EXPECT_EQ(clock->Surface(), make()->Surface());
    // At minute 50 the minute hand points at point 50, the hour hand at 19.
    const QImage& at50 = clock->Surface();
    EXPECT_GT(InkAround(at50, TPoint{c.X - r * 52 / 100, c.Y - r * 30 / 100}, clBlack), 0);
    EXPECT_GT(InkAround(at50, TPoint{c.X + r * 45 / 100, c.Y + r * 20 / 100}, clBlack), 0);
    EXPECT_EQ(InkAround(at50, TPoint{c.X + r * 60 / 100, c.Y}, clBlack), 0);  // the hour hand has moved on
}

TEST(rxClock, OnlyTheChangedDigitsAreRepainted) {
    TManualTimerSource source;
    TTimerSourceGuard guard(&source);
    source.SetNow(At(12, 34, 56, 100));
    auto clock = TrxClock::Create();
    clock->resize(200, 40);
    clock->SetColor(clWhite);
    clock->TimerExpired();
    QImage& im = clock->Surface();
    // The cells, as the clock lays them out.
    TRect area = clock->ClientRect();
    clock->AdjustClientRect(area);
    TCanvas measure(&im);
    measure.Font = clock->Font();
    const int cw = measure.TextWidth("8"), ch = measure.TextHeight("12:34:56");
    measure.Detach();
    const int x0 = area.Left + (area.Width() - 8 * cw) / 2, y0 = area.Top + (area.Height() - ch) / 2;
    auto mark = [&] {
        for (int i = 0; i < 8; ++i) im.setPixelColor(x0 + i * cw, y0, Qt::red);
    };
    auto marked = [&] {
        std::string s;
        for (int i = 0; i < 8; ++i) s += Is(clock->Surface(), x0 + i * cw, y0, clRed) ? 'm' : '-';
        return s;
    };
    mark();
    source.Advance(450);  // the same second
    EXPECT_EQ(marked(), "mmmmmmmm");
    source.Advance(450);  // 12:34:57
    EXPECT_EQ(marked(), "mmmmmm--");
    mark();
    source.SetNow(At(12, 34, 59, 900));
    source.Advance(450);  // 12:35:00
    EXPECT_EQ(marked(), "mmm--m--");
}

TEST(rxClock, TheAlarmRingsOnceADay) {
    TManualTimerSource source;
    TTimerSourceGuard guard(&source);
    source.SetNow(At(11, 59, 50));
    auto clock = TrxClock::Create();
    int rings = 0;
    clock->OnAlarm = [&](QObject* sender) {
        EXPECT_EQ(sender, clock.get());
        ++rings;
    };
    ASSERT_TRUE(clock->setProperty("AlarmHour", 12));
    EXPECT_TRUE(clock->AlarmArmed());
    source.Advance(20000);
    EXPECT_EQ(rings, 0);  // not enabled
    source.SetNow(At(11, 59, 50));
    clock->SetAlarmEnabled(true);
    source.Advance(20000);
    EXPECT_EQ(rings, 1);
    EXPECT_FALSE(clock->AlarmArmed());
    source.Advance(60000);
    EXPECT_EQ(rings, 1);
    // Round midnight into the next day, and to noon again.
    source.SetNow(At(23, 59, 55));
    source.Advance(10000);
    EXPECT_TRUE(clock->AlarmArmed());
    source.SetNow(At(11, 59, 58));
    source.Advance(5000);
    EXPECT_EQ(rings, 2);
}

TEST(rxClock, AnAlarmAtMidnightRingsOnceAndOnceTheNextDay) {
    TManualTimerSource source;
    TTimerSourceGuard guard(&source);
    source.SetNow(At(23, 59, 58));
    auto clock = TrxClock::Create();
    int rings = 0;
    clock->OnAlarm = [&](QObject*) { ++rings; };
    clock->SetAlarmTime(At(0, 0, 0));  // the default, set again
    clock->SetAlarmEnabled(true);
    source.Advance(9000);  // to 00:00:07
    EXPECT_EQ(rings, 1);
    // The clock set back a little after the ring does not ring again.
    source.SetNow(At(0, 0, 0, 100));
    source.Advance(2000);
    EXPECT_EQ(rings, 1);
    source.SetNow(At(23, 59, 58));
    source.Advance(9000);
    EXPECT_EQ(rings, 2);
}

TEST(rxClock, TheAlarmArmsOnlyBeforeItsTime) {
    TManualTimerSource source;
    TTimerSourceGuard guard(&source);
    auto clock = TrxClock::Create();
    source.SetNow(At(12, 0, 0));
    clock->SetAlarmTime(At(12, 0, 0));
    EXPECT_FALSE(clock->AlarmArmed());  // its own moment is past
    source.SetNow(At(11, 59, 59, 999));
    clock->SetAlarmTime(At(12, 0, 0));
    EXPECT_TRUE(clock->AlarmArmed());
    // It rings from its own second on, not a second later.
    int rings = 0;
    clock->OnAlarm = [&](QObject*) { ++rings; };
    clock->SetAlarmEnabled(true);
    source.Advance(451);  // the tick at 12:00:00.450
    EXPECT_EQ(rings, 1);
    // Past midnight, a first look at 00:00:00.000 itself still rings.
    auto midnight = TrxClock::Create();
    int midnightRings = 0;
    midnight->OnAlarm = [&](QObject*) { ++midnightRings; };
    midnight->SetAlarmEnabled(true);
    source.SetNow(At(23, 59, 59, 550));
    midnight->ResetAlarm();
    source.Advance(450);
    EXPECT_EQ(midnightRings, 1);
}

TEST(rxControls, EnumerationValuesOutsideTheirTypeAreIgnored) {
    TManualTimerSource source;
    TTimerSourceGuard guard(&source);
    QWidget window;
    window.resize(300, 200);
    auto* label = TrxLabel::Create(&window).release();
    label->SetCaption("Shadowed");
    label->SetAlignment(taCenter);
    label->SetShadowPos(spRightBottom);
    for (int bad : {3, 9, 200}) {
        EXPECT_TRUE(label->setProperty("Alignment", bad));
        EXPECT_TRUE(label->setProperty("ShadowPos", bad + 1));
        EXPECT_TRUE(label->setProperty("Align", bad + 3));
    }
    EXPECT_EQ(label->GetAlignment(), taCenter);
    EXPECT_EQ(label->GetShadowPos(), spRightBottom);
    EXPECT_EQ(label->GetAlign(), TAlign::alNone);
    (void)Rendered(*label);  // paints with the values kept

    auto* panel = TCustomPanel::Create(&window).release();
    panel->SetCaption("Panel");
    panel->SetAlignment(taRightJustify);
    EXPECT_TRUE(panel->setProperty("Alignment", 200));
    EXPECT_EQ(panel->GetAlignment(), taRightJustify);
    (void)Rendered(*panel);

    auto* clock = TrxClock::Create(&window).release();
    EXPECT_TRUE(clock->setProperty("ShowMode", 5));
    EXPECT_EQ(clock->GetShowMode(), scDigital);
    clock->TimerExpired();

    auto* split = TrxSplitter::Create(&window).release();
    EXPECT_TRUE(split->setProperty("Align", 9));
    EXPECT_EQ(split->GetAlign(), TAlign::alNone);
    EXPECT_EQ(split->size(), QSize(185, 3));
}

TEST(rxClock, AlarmPartsOutOfRangeAreRefusedAndKeepTheAlarm) {
    TManualTimerSource source;
    TTimerSourceGuard guard(&source);
    auto clock = TrxClock::Create();
    clock->SetAlarmTime(EncodeDate(2024, 5, 6) + At(7, 8, 9));
    EXPECT_EQ(clock->GetAlarmHour(), 7);
    auto refused = [&](int index, int value, const char* text) {
        try {
            clock->SetAlarmElement(index, value);
            ADD_FAILURE() << "no error for " << value;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + text + "' is not a valid time");
        }
        EXPECT_EQ(clock->GetAlarmTime(), At(7, 8, 9));
    };
    refused(1, 24, "24:08:09");
    refused(1, -1, "-1:08:09");
    refused(2, 60, "07:60:09");
    refused(3, -5, "07:08:-5");
    // Set by name, the error reaches the caller as well.
    EXPECT_THROW(clock->setProperty("AlarmHour", 24), EConvertError);
    EXPECT_EQ(clock->GetAlarmTime(), At(7, 8, 9));
}

TEST(rxClock, FontAndDialFollowEachClocksOwnSize) {
    TManualTimerSource source;
    TTimerSourceGuard guard(&source);
    auto big = TrxClock::Create();
    auto small = TrxClock::Create();
    big->resize(200, 200);
    small->resize(60, 60);
    big->SetShowMode(scAnalog);
    small->SetShowMode(scAnalog);
    RequestAlign(big.get());
    RequestAlign(small.get());
    EXPECT_GT(big->ClockRadius(), 2 * small->ClockRadius());
    EXPECT_EQ(big->ClockCenter(), (TPoint{100, 100}));
    EXPECT_EQ(small->ClockCenter(), (TPoint{30, 30}));
    big->TimerExpired();
    EXPECT_EQ(small->ClockCenter(), (TPoint{30, 30}));

    // The font: within 4/5 of the height less 4, and unchanged for a
    // rectangle too small.
    auto d = TrxClock::Create();
    d->resize(240, 64);
    const int before = d->Font().Height();
    d->ResizeFont(TRect{0, 0, 7, 64});
    d->ResizeFont(TRect{0, 0, 200, 4});
    EXPECT_EQ(d->Font().Height(), before);
    d->SetAutoSize(true);
    EXPECT_GT(d->Font().Height(), 20);
    EXPECT_LE(d->Font().Height(), (64 - 2 * 2 - 4) * 4 / 5);
}
