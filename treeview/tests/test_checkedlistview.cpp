#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "platform/ui/Colors.h"
#include "treeview/CheckedListView.h"
#include "treeview/SmallReg.h"
#include "platform/ui/ComponentPalette.h"
#include "platform/ui/ExceptionReporter.h"
#include "foundation/SysUtils.h"

using namespace velt;

namespace {

std::unique_ptr<TCheckedListView> ShownView() {
    auto view = TCheckedListView::Create();
    view->SetColumns({"Name", "Size"});
    view->resize(240, 200);
    view->show();
    return view;
}

// The pixel at (x, y) of the state image's place in row index, as grab() shows it.
TColor StatePixel(TCheckedListView& view, int index, int x, int y) {
    const QRect row = view.visualItemRect(view.topLevelItem(index));
    const QPoint origin = view.viewport()->geometry().topLeft();
    const QImage shot = view.grab().toImage();
    const int top = row.top() + (row.height() - 16) / 2;
    return QColorToColor(shot.pixelColor(origin + QPoint(row.left() + x, top + y)));
}

}  // namespace

TEST(CheckedListView, SetCheckedAppendsUpToTheIndexAndGetCheckedIsFalseOutside) {
    auto view = TCheckedListView::Create();
    EXPECT_EQ(view->GetViewStyle(), vsReport);
    EXPECT_EQ(view->StateImages().GetCount(), 2);
    view->SetChecked(5, true);
    ASSERT_EQ(view->topLevelItemCount(), 6);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(view->GetChecked(i)) << i;
    EXPECT_TRUE(view->GetChecked(5));
    EXPECT_EQ(TCheckedListView::StateIndex(view->topLevelItem(4)), -1);
    EXPECT_FALSE(view->GetChecked(6));
    EXPECT_FALSE(view->GetChecked(-1));
    view->SetChecked(-2, true);
    EXPECT_EQ(view->topLevelItemCount(), 6);
    EXPECT_EQ(view->Add(true), 6);
    EXPECT_TRUE(view->GetChecked(6));
    EXPECT_EQ(view->Add(false), 7);
    EXPECT_FALSE(view->GetChecked(7));
}

TEST(CheckedListView, ClickInTheFirst24PixelsTogglesTheRow) {
    auto view = ShownView();
    view->setProperty("Items", QStringList{"alpha", "beta", "gamma"});
    std::vector<int> changes;
    view->OnChange = [&](QObject*, TListItem* item, TItemChange change) {
        if (change == ctState) changes.push_back(view->indexOfTopLevelItem(item));
    };
    const int y1 = view->visualItemRect(view->topLevelItem(1)).center().y();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(10, y1));
    EXPECT_TRUE(view->GetChecked(1));
    EXPECT_FALSE(view->GetChecked(0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(30, y1));
    EXPECT_TRUE(view->GetChecked(1));
    const int below = view->visualItemRect(view->topLevelItem(2)).bottom() + 10;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(10, below));
    EXPECT_FALSE(view->GetChecked(2));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(2, y1));
    EXPECT_FALSE(view->GetChecked(1));
    EXPECT_EQ(changes, (std::vector<int>{1, 1}));
    EXPECT_EQ(view->GetItemsQ(), (QStringList{"alpha", "beta", "gamma"}));
}

TEST(CheckedListView, StateImageIsPaintedAndRenewedWithANewBitmap) {
    auto view = ShownView();
    view->SetChecked(1, true);
    // The mark is black on a transparent ground; an unchecked row shows none.
    EXPECT_EQ(StatePixel(*view, 1, 6, 11), clBlack);
    EXPECT_EQ(StatePixel(*view, 1, 12, 3), clBlack);
    const TColor ground = StatePixel(*view, 1, 0, 0);
    EXPECT_NE(ground, clFuchsia);
    EXPECT_EQ(StatePixel(*view, 0, 6, 11), ground);

    // A red square on white: white, its bottom-left colour, is transparent.
    TBitmap mark(32, 16);
    mark.Canvas().Brush.Color = clRed;
    mark.Canvas().FillRect(TRect{4, 4, 12, 12});
    view->SetCheckedBitmap(&mark);
    view->SetCheckedBitmap(nullptr);
    EXPECT_EQ(StatePixel(*view, 1, 8, 8), clRed);
    EXPECT_EQ(StatePixel(*view, 1, 6, 11), clRed);
    EXPECT_EQ(StatePixel(*view, 1, 1, 1), ground);
}

TEST(CheckedListView, RegisteredOnTheVarnoPage) {
    RegisterSmallControls();
    EXPECT_EQ(ComponentPalette().GetClasses("Varno"), (std::vector<std::string>{"TCheckedListView", "THighlight"}));
    auto made = ComponentPalette().CreateComponent("TCheckedListView");
    auto* view = qobject_cast<TCheckedListView*>(made.get());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->StateImages().GetCount(), 2);
    ComponentPalette().UnregisterComponent("TCheckedListView");
    ComponentPalette().UnregisterComponent("THighlight");
}

TEST(CheckedListView, IconsComeFromSmallImagesAfterTheStatePlace) {
    auto view = ShownView();
    view->SetChecked(0, true);
    TImageList images(16, 16);
    QPixmap green(16, 16);
    green.fill(QColor(0, 128, 0));
    view->SetImageIndex(view->topLevelItem(0), 0);
    EXPECT_TRUE(view->topLevelItem(0)->icon(0).isNull());
    view->SetSmallImages(&images);
    images.Add(green);  // the list's change reaches the items
    EXPECT_FALSE(view->topLevelItem(0)->icon(0).isNull());
    // The mark keeps its place; the icon is drawn after it.
    EXPECT_EQ(StatePixel(*view, 0, 6, 11), clBlack);
    bool iconAfterMark = false;
    for (int x = 16; x < 40 && !iconAfterMark; ++x) iconAfterMark = StatePixel(*view, 0, x, 8) == clGreen;
    EXPECT_TRUE(iconAfterMark);
    view->SetSmallImages(nullptr);
    EXPECT_TRUE(view->topLevelItem(0)->icon(0).isNull());
}

TEST(CheckedListView, TheMarkAreaEndsAtX24AndEveryPressOfADoubleClickToggles) {
    auto view = ShownView();
    view->setProperty("Items", QStringList{"alpha", "beta"});
    const int y = view->visualItemRect(view->topLevelItem(0)).center().y();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(23, y));
    EXPECT_TRUE(view->GetChecked(0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(24, y));
    EXPECT_TRUE(view->GetChecked(0));
    // Press, release, second press (the double click), release: two toggles.
    int presses = 0, doubles = 0;
    view->OnMouseDown = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++presses; };
    view->OnDblClick = [&](QObject*) { ++doubles; };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(10, y));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint(10, y));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(10, y));
    EXPECT_TRUE(view->GetChecked(0));
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(presses, 2);
    EXPECT_EQ(view->GetItemsQ(), (QStringList{"alpha", "beta"}));  // no label was opened
}

TEST(CheckedListView, HandlersThatRaiseInSetCheckedAreReportedAndTheMarkIsSet) {
    std::vector<std::string> reported;
    TExceptionReporterGuard reporter([&](const std::exception& e) { reported.emplace_back(e.what()); });
    auto view = TCheckedListView::Create();
    view->OnInsert = [](QObject*, TListItem*) { throw Exception("insert failed"); };
    view->OnChange = [](QObject*, TListItem*, TItemChange) { throw Exception("change failed"); };
    view->SetChecked(2, true);
    EXPECT_EQ(view->topLevelItemCount(), 3);
    EXPECT_TRUE(view->GetChecked(2));
    EXPECT_FALSE(view->GetChecked(1));
    EXPECT_EQ(reported, (std::vector<std::string>{"insert failed", "insert failed", "insert failed", "change failed"}));
}

TEST(CheckedListView, EnumerationValuesOutsideTheirTypeAreIgnored) {
    auto view = TCheckedListView::Create();
    view->SetSortType(stText);
    for (const char* name : {"Align", "BorderStyle", "DragMode", "SortType", "ViewStyle"}) {
        const QVariant before = view->property(name);
        EXPECT_TRUE(view->setProperty(name, 77)) << name;
        EXPECT_EQ(view->property(name), before) << name;
    }
}
