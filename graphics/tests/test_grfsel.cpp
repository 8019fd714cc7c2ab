#include <gtest/gtest.h>

#include <QColorDialog>
#include <climits>
#include <cstdio>
#include <unistd.h>
#include <QDialog>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QVBoxLayout>

#include "graphics/GRFCtrl.h"
#include "graphics/GrfSel.h"
#include "graphics/tests/PickerTestSupport.h"
#include "platform/ui/Controls.h"
#include "platform/ui/tests/GoldenImage.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace velt;

namespace {

class Pickers : public test::GraphicsForm {
protected:
    TGraphSelect* Select(TSelectKind kind, int x = 10, int y = 10, int w = 60, int h = 22) {
        auto p = TGraphSelect::Create();
        p->SetKind(kind);
        return Put(std::move(p), x, y, w, h);
    }
    TGraphSelectColor* Colour(int x = 10, int y = 10, int w = 60, int h = 22) {
        return Put(TGraphSelectColor::Create(), x, y, w, h);
    }
    // The centre of a grid cell, in the popup's coordinates.
    static QPoint CellCentre(TCustomGraphSelect* p, int col, int row) {
        const TRect r = p->Popup()->CellRect(col, row);
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    // The same point in the picker's coordinates.
    static QPoint InPicker(TCustomGraphSelect* p, QPoint inPopup) {
        return p->mapFromGlobal(p->Popup()->mapToGlobal(inPopup));
    }
    static std::string Hint(TCustomGraphSelect* p) { return p->Popup()->HintPanel()->GetCaption(); }
};

struct KindTable {
    TSelectKind Kind;
    int Max, Cols, Rows, ColSize, RowSize;
};

}  // namespace

TEST_F(Pickers, ReBuildSetsEachKindsTable) {
    const KindTable table[] = {
        {skColor, 16, 4, 4, 20, 18},    {skPenStyle, 6, 1, 6, 60, 16},   {skBrushStyle, 8, 2, 4, 30, 30},
        {skPenWidth, 30, 3, 10, 35, 18}, {skPtrBegin, 8, 1, 8, 50, 15},  {skPtrEnd, 8, 1, 8, 50, 15},
        {skLineMarker, 14, 2, 7, 70, 19}, {skCustom, 14, 2, 7, 70, 19},  // custom keeps what it had
    };
    auto p = TGraphSelect::Create();
    EXPECT_EQ(p->Kind(), skCustom);  // created custom: one item, one column, the control's size
    EXPECT_EQ(p->GetItemsCount(), 1);
    EXPECT_EQ(p->GetColCount(), 1);
    EXPECT_EQ(p->GetColSize(), 0);
    EXPECT_EQ(p->GetOptions(), OptBit(soHint));
    for (const KindTable& t : table) {
        p->SetKind(t.Kind);
        SCOPED_TRACE(int(t.Kind));
        EXPECT_EQ(p->GetItemsCount(), t.Max);
        EXPECT_EQ(p->GetColCount(), t.Cols);
        EXPECT_EQ(p->GetRowCount(), t.Rows);
        EXPECT_EQ(p->GetColSize(), t.ColSize);
        EXPECT_EQ(p->GetRowSize(), t.RowSize);
    }
    EXPECT_TRUE(p->HasOption(soUsePalette));  // added by the colour kind, kept
    EXPECT_EQ(p->GetTag(), -1);               // from the brush kind
    EXPECT_THROW(p->SetKind(8), ERangeError);
    // Read from a form: the kind takes effect at Loaded.
    TGraphSelect loaded;
    loaded.BeginLoading();
    loaded.setProperty("Kind", int(skPenWidth));
    EXPECT_EQ(loaded.GetItemsCount(), 0);
    loaded.Loaded();
    EXPECT_EQ(loaded.GetItemsCount(), 30);
}

TEST_F(Pickers, ColourColumnsFollowThePaletteSize) {
    for (int i = 16; i < 24; ++i) ChangePalColor(-1, RGB(uint8_t(i), 1, 1));
    auto* p = Colour();
    EXPECT_EQ(p->GetItemsCount(), 24);
    EXPECT_EQ(p->GetColCount(), 4);
    EXPECT_EQ(p->GetRowCount(), 6);
    ChangePalColor(-1, RGB(99, 1, 1));
    p->ReBuild();
    EXPECT_EQ(p->GetColCount(), 8);
    EXPECT_EQ(p->GetRowCount(), 4);
}

TEST_F(Pickers, PopupSizeAndPlacement) {
    Show();
    auto* p = Colour(300, 10, 60, 22);
    p->DropDown();
    ASSERT_TRUE(p->PopupShown());
    EXPECT_EQ(p->Popup()->size(), QSize(87, 98));
    // Under the picker, right-aligned with it.
    const QPoint bottomRight = p->mapToGlobal(QPoint(p->width(), p->height()));
    EXPECT_EQ(p->Popup()->geometry().topLeft(), QPoint(bottomRight.x() - 87, bottomRight.y()));
    p->CloseUp();
    EXPECT_FALSE(p->PopupShown());
    p->SetOptions(OptBit(soHint) | OptBit(soBtnNone));
    p->DropDown();
    EXPECT_EQ(p->Popup()->size(), QSize(87, 119));
    p->CloseUp();
    p->SetOptions(0);  // no hint line
    p->DropDown();
    EXPECT_EQ(p->Popup()->size(), QSize(87, 78));
    EXPECT_TRUE(p->Popup()->HintPanel()->isHidden());
    p->CloseUp();

    // A picker 20 pixels wide never opens.
    p->resize(20, 22);
    p->DropDown();
    EXPECT_FALSE(p->PopupShown());
    p->resize(21, 22);
    p->DropDown();
    EXPECT_TRUE(p->PopupShown());
    p->CloseUp();

    // At the screen's bottom and left edges.
    const QRect screen = p->screen()->geometry();
    form->move(screen.left() - 290, screen.bottom() + 1 - 60);
    QTest::qWait(1);
    p->resize(60, 22);
    p->SetOptions(OptBit(soHint));
    p->DropDown();
    const QRect g = p->Popup()->geometry();
    const QPoint top = p->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(g.top(), top.y() - 98 + 1);  // above the picker
    EXPECT_EQ(g.left(), screen.left());     // kept on the screen
}

TEST_F(Pickers, ExactHints) {
    auto* colour = Colour();
    auto* pen = Select(skPenStyle);
    auto* brush = Select(skBrushStyle);
    auto* width = Select(skPenWidth);
    auto* marker = Select(skLineMarker);
    EXPECT_EQ(colour->GetItemHint(0), "Black");
    EXPECT_EQ(colour->GetItemHint(7), "Gray ");
    EXPECT_EQ(colour->GetItemHint(16), "");  // beyond the items, no none button
    const char* penHints[] = {"Суціл.", "Нема", "Штрих", "Крапка", "Шт-Крап", "Шт-Кр-Кр"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(pen->GetItemHint(i), penHints[i]);
    const char* brushHints[] = {"Суціл.", "Нема", "Гориз", "Верт", "Діаг.Пр", "Діаг.Зв", "Решітк.", "Реш.Діаг"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(brush->GetItemHint(i), brushHints[i]);
    EXPECT_EQ(width->GetItemHint(0), "Тонк.");
    EXPECT_EQ(width->GetItemHint(7), "Товщ.=7");
    EXPECT_EQ(marker->GetItemHint(3), "");
    width->SetOptions(OptBit(soBtnNone));
    EXPECT_EQ(width->GetItemHint(30), "Нема");
    width->SetNone(true);
    EXPECT_EQ(width->GetItemHint(3), "Нема");  // None set: every item is "none"
    // A handler's answer wins; an empty answer leaves the built-in one.
    pen->OnItemHint = [](QObject*, int32_t index, std::string& hint) {
        if (index == 2) hint = "dashes";
    };
    EXPECT_EQ(pen->GetItemHint(2), "dashes");
    EXPECT_EQ(pen->GetItemHint(3), "Крапка");
}

TEST_F(Pickers, GoldenPopupsAndFocusedPicker) {
    Show();
    const TSelectKind kinds[] = {skColor, skPenStyle, skBrushStyle, skPtrEnd, skLineMarker};
    const char* names[] = {"popup_color", "popup_penstyle", "popup_brushstyle", "popup_ptrend", "popup_linemarker"};
    for (int i = 0; i < 5; ++i) {
        auto* p = Select(kinds[i]);
        p->SetColor(clWhite);
        p->SetOptions(0);  // the hint line holds text
        p->SetItemIndex(1);
        p->DropDown();
        ASSERT_TRUE(p->PopupShown());
        EXPECT_TRUE(test::MatchesGolden(p->Popup()->grab().toImage(), VELT_TEST_DATA_DIR, names[i]));
        p->CloseUp();
        delete p;
    }
    auto* p = Colour(10, 10, 60, 22);
    p->SetItemIndex(12);
    p->setFocus();
    ASSERT_TRUE(p->hasFocus());
    EXPECT_TRUE(test::MatchesGolden(p->grab().toImage(), VELT_TEST_DATA_DIR, "picker_color_focused"));
}

TEST_F(Pickers, KeysOpenMoveAndCloseThePopup) {
    Show();
    auto* p = Colour();
    p->setFocus();
    int changes = 0;
    p->OnChange = [&](QObject*) { ++changes; };
    QTest::keyClick(p, Qt::Key_Down);  // closed: arrows do nothing
    EXPECT_FALSE(p->PopupShown());
    EXPECT_EQ(p->GetItemIndex(), 0);
    QTest::keyClick(p, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(p->PopupShown());
    QTest::keyClick(p, Qt::Key_Right);
    QTest::keyClick(p, Qt::Key_Down);
    EXPECT_EQ(p->GetItemIndex(), 5);  // column 1, row 1 of 4 columns
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(Hint(p), "Purple");
    QTest::keyClick(p, Qt::Key_Up);
    QTest::keyClick(p, Qt::Key_Up);  // no row above: stays
    EXPECT_EQ(p->GetItemIndex(), 1);
    QTest::keyClick(p, Qt::Key_Return);
    EXPECT_FALSE(p->PopupShown());
    QTest::keyClick(p, Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(p->PopupShown());
    QTest::keyClick(p, Qt::Key_Escape);
    EXPECT_FALSE(p->PopupShown());
    QTest::keyClick(p, Qt::Key_Enter, Qt::AltModifier);
    EXPECT_TRUE(p->PopupShown());
    QTest::keyClick(p, Qt::Key_Escape);
    EXPECT_EQ(p->GetItemIndex(), 1);
}

TEST_F(Pickers, EnterAndEscBelongToTheDialogWhileThePopupIsClosed) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto colour = TGraphSelectColor::Create();
    TGraphSelectColor* p = colour.release();
    layout->addWidget(p);
    p->setFixedSize(60, 22);
    auto* ok = new QPushButton("OK");
    ok->setDefault(true);
    layout->addWidget(ok);
    int accepted = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++accepted; });
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    p->setFocus();
    QTest::keyClick(p, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(p->PopupShown());
    QTest::keyClick(p, Qt::Key_Return);  // the popup takes it
    EXPECT_FALSE(p->PopupShown());
    EXPECT_EQ(accepted, 0);
    QTest::keyClick(p, Qt::Key_Return);  // the dialog's default button takes it
    EXPECT_EQ(accepted, 1);
    QTest::keyClick(p, Qt::Key_Escape);  // and the dialog its Esc
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(Pickers, ShiftEnterOpensTheColourDialogAndAppendsItsColour) {
    Show();
    auto* p = Colour();
    p->setFocus();
    std::vector<QColor> opened;
    test::AnsweringRunner runner([&](QDialog& d) {
        auto* dialog = qobject_cast<QColorDialog*>(&d);
        ASSERT_NE(dialog, nullptr);
        opened.push_back(dialog->currentColor());
        dialog->setCurrentColor(QColor(10, 20, 30));
        dialog->accept();
    });
    QTest::keyClick(p, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(runner.Runs, 1);
    EXPECT_EQ(PalSize(), 17);
    EXPECT_EQ(p->GetItemsCount(), 17);
    EXPECT_EQ(p->GetItemIndex(), 16);
    EXPECT_EQ(p->GetColorValue() & 0xFFFFFF, RGB(10, 20, 30));
    // Again with the same colour: found, not appended.
    QTest::keyClick(p, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(PalSize(), 17);
    // Each time on the current colour.
    EXPECT_EQ(opened, (std::vector<QColor>{QColor(0, 0, 0), QColor(10, 20, 30)}));
    // Without the palette option the dialog stays shut.
    TGraphSelect pen;
    pen.SetKind(skPenStyle);
    pen.DblClick();
    EXPECT_EQ(runner.Runs, 2);
}

TEST_F(Pickers, PressDragIntoThePopupAndReleasePicks) {
    Show();
    auto* p = Colour(300, 10, 60, 22);
    int changes = 0;
    p->OnChange = [&](QObject*) { ++changes; };
    QTest::mousePress(p, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(p->PopupShown());
    EXPECT_TRUE(p->Button()->Down());
    const QPoint target = InPicker(p, CellCentre(p, 2, 1));  // item 6
    QTest::mouseMove(p, target);
    EXPECT_TRUE(p->Popup()->Tracking());  // handed over to the grid
    EXPECT_FALSE(p->Button()->Down());
    EXPECT_EQ(Hint(p), "Teal");
    QTest::mouseRelease(p, Qt::LeftButton, {}, target);
    EXPECT_FALSE(p->PopupShown());
    EXPECT_EQ(p->GetItemIndex(), 6);
    EXPECT_EQ(changes, 1);
    // A click into the open popup picks too.
    QTest::mouseClick(p, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(p->PopupShown());
    QTest::mouseClick(p->Popup(), Qt::LeftButton, {}, CellCentre(p, 3, 3));
    EXPECT_FALSE(p->PopupShown());
    EXPECT_EQ(p->GetItemIndex(), 15);
    // A press elsewhere closes it and picks nothing.
    QTest::mouseClick(p, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(p->PopupShown());
    QTest::mouseClick(form.get(), Qt::LeftButton, {}, QPoint(5, 200));
    EXPECT_FALSE(p->PopupShown());
    EXPECT_EQ(p->GetItemIndex(), 15);
}

TEST_F(Pickers, TheNoneRowSetsNoneOnlyAndOpensCurrent) {
    Show();
    auto* p = Colour(300, 10, 60, 22);
    p->SetOptions(p->GetOptions() | OptBit(soBtnNone));
    p->SetItemIndex(3);
    p->SetNone(true);
    p->DropDown();
    EXPECT_EQ(p->Popup()->Row(), 4);  // the none row, current
    EXPECT_EQ(p->Popup()->Col(), 0);
    EXPECT_EQ(Hint(p), "Нема");
    QTest::keyClick(p, Qt::Key_Escape);
    p->SetNone(false);
    int changes = 0;
    p->OnChange = [&](QObject*) { ++changes; };
    QTest::mouseClick(p, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(p->PopupShown());
    QTest::mouseClick(p->Popup(), Qt::LeftButton, {}, CellCentre(p, 0, 4));
    EXPECT_TRUE(p->GetNone());
    EXPECT_EQ(p->GetItemIndex(), 3);     // kept
    EXPECT_EQ(p->GetItemsCount(), 16);  // no phantom colour cell
    EXPECT_EQ(changes, 1);
    // By keys: down into the none row and back up.
    p->SetNone(false);
    p->setFocus();
    QTest::keyClick(p, Qt::Key_Down, Qt::AltModifier);
    for (int i = 0; i < 4; ++i) QTest::keyClick(p, Qt::Key_Down);  // from (3, 0)
    EXPECT_TRUE(p->GetNone());
    EXPECT_EQ(p->GetItemIndex(), 15);
    EXPECT_EQ(p->GetItemsCount(), 16);
    QTest::keyClick(p, Qt::Key_Up);
    EXPECT_FALSE(p->GetNone());
    EXPECT_EQ(p->GetItemIndex(), 12);  // column 0 of the row above
}

TEST_F(Pickers, APickClearsMulti) {
    Show();
    auto* p = Colour(300, 10, 60, 22);
    p->SetItemIndex(5);
    p->SetMulti(true);
    int changes = 0;
    p->OnChange = [&](QObject*) { ++changes; };
    QTest::mouseClick(p, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(p->Popup(), Qt::LeftButton, {}, CellCentre(p, 1, 1));  // item 5 again
    EXPECT_FALSE(p->GetMulti());
    EXPECT_EQ(changes, 1);  // reported by the None setter that follows
    // The sample is drawn in the pen colour again, not silver.
    QImage im = test::Blank(20, 18);
    {
        TCanvas c(&im);
        p->InternalDrawItem(c, 0, 0, Rect(0, 0, 20, 18));
    }
    EXPECT_EQ(im.pixel(1, 1) & 0xFFFFFF, 0x000000u);
    p->SetMulti(true);
    p->SetItemIndex(7);  // Multi set: stored, not reported
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(p->GetMulti());
}

TEST_F(Pickers, ItemsCountStaysWithinTheKindsTable) {
    auto* pen = Select(skPenStyle);
    pen->SetItemsCount(20);
    EXPECT_EQ(pen->GetItemsCount(), 6);
    EXPECT_EQ(pen->GetItemHint(10), "");
    auto* colour = Colour();
    colour->SetItemsCount(100);
    EXPECT_EQ(colour->GetItemsCount(), 64);
    EXPECT_EQ(colour->GetItemHint(63), "0.0.0");
    colour->SetItemIndex(64);  // beyond the palette: ignored
    EXPECT_EQ(colour->GetItemIndex(), 0);
    colour->SetItemsCount(16);
    colour->SetItemIndex(20);  // a colour picker grows
    EXPECT_EQ(colour->GetItemsCount(), 21);
    EXPECT_EQ(colour->GetItemIndex(), 20);
    auto* width = Select(skPenWidth);
    width->SetItemIndex(30);  // other kinds ignore it
    EXPECT_EQ(width->GetItemIndex(), 0);
    width->SetItemIndex(-1);
    EXPECT_EQ(width->GetItemIndex(), 0);
    // A count carried over from another kind is cut to the new one.
    auto* custom = Select(skCustom);
    custom->SetItemsCount(40);
    custom->SetKind(skLineMarker);
    EXPECT_EQ(custom->GetItemsCount(), 14);
}

TEST_F(Pickers, AFullPaletteTakesTheNearestColour) {
    for (int i = 16; i < 64; ++i) ChangePalColor(-1, RGB(uint8_t((i - 16) * 5), 100, 100));
    ASSERT_EQ(PalSize(), 64);
    const TPaletteEntry last = PalEntry(63);
    auto* p = Colour();
    p->SetColorValue(RGB(33, 101, 99));  // nearest: 35, 100, 100 (entry 23)
    EXPECT_EQ(p->GetItemIndex(), 23);
    EXPECT_EQ(PalSize(), 64);
    EXPECT_EQ(PalEntry(63).peRed, last.peRed);  // entry 63 untouched
    p->SetColorValue(clYellow);  // present: found
    EXPECT_EQ(p->GetItemIndex(), 11);
    EXPECT_EQ(PickerColorIndex(RGB(250, 250, 250)), 15);  // white
}

TEST_F(Pickers, ALinkedPickerTakesTheColourAsItsPen) {
    auto* colour = Colour();
    auto* pen = Select(skPenStyle, 10, 40);
    auto* other = Select(skPenWidth, 10, 70);
    pen->SetColorControl(colour);
    other->SetColorControl(pen);  // not a colour picker: ignored
    EXPECT_EQ(other->GetColorControl(), nullptr);
    colour->SetItemIndex(9);
    EXPECT_EQ(pen->GetColorPen(), GetColor(9));
    EXPECT_EQ(other->GetColorPen(), clBlack);
    colour->SetNone(true);
    EXPECT_EQ(pen->GetColorPen(), clBlack);
    colour->SetColorValue(clLime);
    colour->SetNone(false);
    EXPECT_EQ(pen->GetColorPen(), GetColor(10));
    // Through the property, and a destroyed colour picker reads as none.
    other->setProperty("ColorControl", QVariant::fromValue<QWidget*>(colour));
    EXPECT_EQ(other->GetColorControl(), colour);
    delete colour;
    EXPECT_EQ(other->GetColorControl(), nullptr);
}

TEST_F(Pickers, OnChangeComesBackWhenTheDropDownFails) {
    Show();
    auto* p = Colour();
    int changes = 0;
    p->OnChange = [&](QObject*) { ++changes; };
    p->OnItemHint = [](QObject*, int32_t, std::string&) { throw std::runtime_error("no hint"); };
    EXPECT_THROW(p->DropDown(), std::runtime_error);
    p->OnItemHint = nullptr;
    p->CloseUp();
    p->SetItemIndex(2);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(p->Popup()->Setting);
}

TEST_F(Pickers, SamplesDrawInThePenColourTheStateCallsFor) {
    auto* p = Select(skPenWidth);
    p->SetColor(clWhite);
    QImage im(35, 18, QImage::Format_RGB32);
    auto draw = [&](TOwnerDrawState state) {
        im.fill(QColor(0, 255, 0));
        TCanvas c(&im);
        p->InternalDrawItem(c, 3, state, Rect(0, 0, 35, 18));
        return im.pixel(20, 9) & 0xFFFFFF;
    };
    EXPECT_EQ(draw(0), 0x000000u);  // the pen colour
    p->SetColorPen(clWhite);
    EXPECT_EQ(draw(0), 0x000000u);  // white on a white control becomes black
    p->SetColorPen(clRed);
    EXPECT_EQ(draw(0), 0xFF0000u);
    EXPECT_EQ(draw(OdBit(odSelected)), 0x000000u);  // selected: white, on white black
    p->SetColor(clBlue);
    EXPECT_EQ(draw(OdBit(odSelected)), 0xFFFFFFu);
    p->SetMulti(true);
    EXPECT_EQ(draw(0), 0xC0C0C0u);  // several values: silver
    // The bar of width 3 is centred on the middle line from 3 to 31.
    p->SetMulti(false);
    p->SetColorPen(clBlack);
    draw(0);
    EXPECT_EQ(im.pixel(3, 8) & 0xFFFFFF, 0u);
    EXPECT_EQ(im.pixel(31, 10) & 0xFFFFFF, 0u);
    EXPECT_EQ(im.pixel(32, 9) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(im.pixel(20, 7) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(im.pixel(20, 11) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(Pickers, TheOpenPopupLeavesTheKeyboardWithThePicker) {
    Show();
    auto* p = Colour();
    p->setFocus();
    QTest::keyClick(p, Qt::Key_Down, Qt::AltModifier);
    QApplication::processEvents();  // a platform may activate the popup's window
    QApplication::processEvents();
    EXPECT_TRUE(p->PopupShown());
    EXPECT_TRUE(p->Focused());
    EXPECT_EQ(QApplication::activeWindow(), form.get());
    QTest::keyClick(p, Qt::Key_Right);
    EXPECT_EQ(p->GetItemIndex(), 1);
    // Another control taking the focus closes it.
    QWidget other(form.get());
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    other.setFocus();
    EXPECT_FALSE(p->PopupShown());
}

TEST_F(Pickers, TheNextPopupShowsColoursAddedElsewhere) {
    Show();
    auto* p = Colour();
    for (int i = 0; i < 10; ++i) ChangePalColor(-1, RGB(uint8_t(i), 200, 10));  // 26 colours now
    EXPECT_EQ(p->GetItemsCount(), 16);
    p->DropDown();
    EXPECT_EQ(p->GetItemsCount(), 26);
    EXPECT_EQ(p->GetColCount(), 8);
    EXPECT_EQ(p->Popup()->size(), QSize((20 + 1) * 8 + 3, 2 + 4 * 19 + 20));
    p->CloseUp();
    // A colour set through ColorValue is a new cell of the next popup.
    p->SetColorValue(RGB(1, 2, 3));
    EXPECT_EQ(p->GetItemIndex(), 26);
    p->DropDown();
    EXPECT_EQ(p->Popup()->Row(), 3);
    EXPECT_EQ(p->Popup()->Col(), 2);
    EXPECT_EQ(Hint(p), "1.2.3");
}

TEST_F(Pickers, ArrowFlatLookMinimumHeightAndOwnDrawing) {
    Show();
    auto* p = Select(skPenStyle);
    EXPECT_EQ(p->Button()->width(), p->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, p));
    EXPECT_EQ(p->Button()->geometry(), QRect(p->width() - p->Button()->width() - 1, 1, p->Button()->width(), 20));
    EXPECT_EQ(p->DrawedRect().Right, p->width() - p->Button()->width() - 2);
    p->resize(60, 2);
    EXPECT_EQ(p->height(), 5);
    p->SetFlat(true);
    EXPECT_TRUE(p->GetFlat());
    EXPECT_EQ(p->GetColor(), clBtnFace);
    // An item-draw handler draws in the item's rectangle only, on a canvas
    // it may change freely.
    TRect seen;
    p->OnItemDraw = [&](QObject*, TCanvas& c, int32_t index, TRect r, TOwnerDrawState) {
        EXPECT_EQ(index, 2);
        seen = r;
        c.Brush = TBrush{clRed, bsSolid, {}};
        c.FillRect(Rect(0, 0, 100, 100));
    };
    QImage im = test::Blank(30, 10);
    {
        TCanvas c(&im);
        p->InternalDrawItem(c, 2, 0, Rect(5, 2, 15, 8));
        EXPECT_EQ(c.Brush.Style, bsClear);  // reset afterwards
    }
    EXPECT_EQ(seen, Rect(5, 2, 15, 8));
    EXPECT_EQ(im.pixel(5, 2) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(im.pixel(14, 7) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(im.pixel(15, 7) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(im.pixel(4, 2) & 0xFFFFFF, 0xFFFFFFu);
}

namespace {

// The process's resident memory, from /proc; 0 where there is none.
int64_t ResidentBytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    long pages = 0, resident = 0;
    const int read = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return read == 2 ? int64_t(resident) * sysconf(_SC_PAGESIZE) : 0;
}

}  // namespace

TEST_F(Pickers, StoredSizesAreBoundedAndAHugePopupStillFitsTheScreen) {
    Show();
    const int64_t before = ResidentBytes();
    auto* p = Select(skCustom, 10, 10, 80, 22);
    const QRect screen = p->screen()->geometry();
    struct Case {
        const char* Name;
        int Value;
    };
    const Case cases[] = {{"RowCount", INT_MAX},  {"ItemsCount", INT_MAX}, {"ColCount", INT_MAX},
                          {"ItemsCount", INT_MAX}, {"ColSize", INT_MAX},   {"RowSize", INT_MAX},
                          {"ColCount", 1},         {"RowCount", INT_MAX - 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + " " + std::to_string(c.Value));
        ASSERT_TRUE(p->setProperty(c.Name, c.Value));
        EXPECT_LE(p->GetColCount(), kMaxPickerCols);
        EXPECT_LE(p->GetRowCount(), kMaxPickerRows);
        EXPECT_LE(p->GetItemsCount(), kMaxPickerItems);
        EXPECT_LE(p->GetColSize(), kMaxPickerCell);
        EXPECT_LE(p->GetRowSize(), kMaxPickerCell);
        p->DropDown();
        ASSERT_TRUE(p->PopupShown());
        const QRect g = p->Popup()->geometry();
        EXPECT_TRUE(screen.contains(g)) << g.x() << "," << g.y() << " " << g.width() << "x" << g.height();
        EXPECT_LE(p->Popup()->RowCount(), kMaxPickerRows + 1);
        p->CloseUp();
    }
    // The last of the most items is still reached, in view.
    p->SetOptions(0);
    p->SetRowSize(18);
    p->SetItemsCount(INT_MAX);
    ASSERT_EQ(p->GetItemsCount(), kMaxPickerItems);
    p->SetItemIndex(kMaxPickerItems - 1);
    p->DropDown();
    TPopupGrid* grid = p->Popup();
    EXPECT_EQ(grid->Row(), kMaxPickerItems - 1);
    const TRect last = grid->CellRect(0, kMaxPickerItems - 1);
    EXPECT_FALSE(last.IsEmpty());
    EXPECT_LE(last.Bottom, grid->GridRect().Bottom);
    (void)grid->grab();
    p->CloseUp();
    // A sanity bound: the tables of the popup stay small.
    if (before > 0) {
        EXPECT_LT(ResidentBytes() - before, int64_t(100) << 20);
    }
}
