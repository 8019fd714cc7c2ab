#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>
#include <set>

#include "graphics/GrfSelFn.h"
#include "graphics/tests/PickerTestSupport.h"
#include "platform/ui/Controls.h"
#include "treeview/MenuList.h"

using namespace velt;

namespace {

// The pickers over a fixed set of faces.
class FontPickers : public test::GraphicsForm {
protected:
    void SetUp() override {
        test::GraphicsForm::SetUp();
        previous_ = SetFontSource(&source);
        FreeGraphSelectLists();
    }
    void TearDown() override {
        FreeSharedPopupMenu();
        test::GraphicsForm::TearDown();
        SetFontSource(previous_);
    }
    TGraphSelectFont* Font(int y = 10) { return Put(TGraphSelectFont::Create(), 10, y, 90, 24); }
    TGraphSelectFontSize* Size(int y = 10) { return Put(TGraphSelectFontSize::Create(), 120, y, 50, 22); }

    TFixedFontSource source{{
        {"tahoma", {0, 204, 238}},
        {"Arial", {0, 204, 238, 161, 204, 2, 300}},  // 300: no such charset
        {"Courier", {}},
        {"ARIAL", {0}},  // the same family again
    }};

private:
    TFontSource* previous_ = nullptr;
};

std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const TFontListEntry& e : SharedFontList()) names.push_back(e.Name + (e.Object == 1 ? "*" : ""));
    return names;
}

}  // namespace

TEST_F(FontPickers, TheSharedFontListIsSortedOnceEachAndMarksMissingFaces) {
    auto* a = Font();
    EXPECT_EQ(a->size(), QSize(90, 24));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Arial", "Courier", "tahoma"}));
    EXPECT_EQ(a->GetItemsCount(), 3);
    EXPECT_EQ(a->GetColCount(), 3);
    EXPECT_EQ(a->GetColSize(), 80);
    EXPECT_EQ(a->GetFontName(), "Arial");
    auto* b = Font(40);
    b->SetFontName("TAHOMA");  // ASCII case folded
    EXPECT_EQ(b->GetItemIndex(), 2);
    // A family the system lacks is added, sorted, for every font picker.
    a->SetFontName("Bookman");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Arial", "Bookman*", "Courier", "tahoma"}));
    EXPECT_EQ(a->GetFontName(), "Bookman");
    EXPECT_EQ(a->GetItemHint(a->GetItemIndex()), "Bookman (n/a)");
    EXPECT_EQ(a->GetItemHint(0), "Arial");
    EXPECT_EQ(b->GetFontName(), "tahoma");  // kept, not shifted onto Courier
    EXPECT_EQ(b->GetItemsCount(), 4);
    b->SetFontName("tahoma");
    EXPECT_EQ(b->GetFontName(), "tahoma");
    a->SetFontName("");  // no family: nothing selected
    EXPECT_EQ(a->GetFontName(), "Bookman");
    // Freed at graphics shut-down.
    EXPECT_TRUE(SharedFontListsMade());
    GraphicsShutdown();
    EXPECT_FALSE(SharedFontListsMade());
    GraphicsStartup();
}

TEST_F(FontPickers, AMissingFaceIsDrawnGreyAndLongNamesEndInDots) {
    auto* p = Font();
    p->SetFontName("Zapf");
    QImage im(80, 24, QImage::Format_RGB32);
    auto colours = [&](int index) {
        im.fill(Qt::white);
        {
            TCanvas c(&im);
            c.Font.SetColor(clBlack);
            p->DrawItem(c, index, 0, Rect(0, 0, 80, 24));
        }
        std::set<QRgb> seen;
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x) seen.insert(im.pixel(x, y) & 0xFFFFFF);
        return seen;
    };
    EXPECT_EQ(colours(3), (std::set<QRgb>{0x808080, 0xFFFFFF}));  // Zapf, missing: grey
    EXPECT_EQ(colours(0), (std::set<QRgb>{0x000000, 0xFFFFFF}));  // Arial
    // Shortening keeps whole characters and stops at nothing.
    TCanvas c(&im);
    const std::string name = "Шрифт дуже довгої назви";
    EXPECT_EQ(FitFontName(c, "Arial", 200), "Arial");
    for (int width = 10; width <= 120; ++width) {
        SCOPED_TRACE(width);
        const std::string fitted = FitFontName(c, name, width);
        ASSERT_GE(fitted.size(), 3u);
        EXPECT_EQ(fitted.substr(fitted.size() - 3), "...");
        const std::string kept = fitted.substr(0, fitted.size() - 3);
        EXPECT_EQ(name.compare(0, kept.size(), kept), 0);
        EXPECT_EQ(QString::fromStdString(kept).toStdString(), kept);  // whole characters only
        EXPECT_LE(c.TextWidth(kept), width - 8);
        if (!kept.empty()) {
            EXPECT_LE(c.TextWidth(fitted), width - 1);
        }
        // One character more would not have fitted.
        const std::string more =
            QString::fromStdString(name).left(QString::fromStdString(kept).size() + 1).toStdString();
        EXPECT_TRUE(c.TextWidth(more) > width - 8 || c.TextWidth(more + "...") > width - 1);
    }
    EXPECT_EQ(FitFontName(c, name, 0), "...");
}

TEST_F(FontPickers, ALongNameShowsItsDotsWhollyInsideTheSample) {
    Show();
    for (int width : {90, 130}) {
        SCOPED_TRACE(width);
        auto* p = Put(TGraphSelectFont::Create(), 10, 10, width, 24);
        p->SetFontName("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
        const QImage im = p->grab().toImage();
        const TRect r = p->DrawedRect();
        // Ink: what is clearly darker than the white ground, inside the
        // sample's frame.
        auto ink = [&](int x, int y) { return qGray(im.pixel(x, y)) < 200; };
        int right = -1, top = im.height(), bottom = -1;
        for (int y = r.Top + 2; y < r.Bottom - 2; ++y)
            for (int x = r.Left + 2; x < r.Right - 2; ++x)
                if (ink(x, y)) right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        ASSERT_GT(right, 0);
        // Nothing of the text touches the sample's edge or runs under the buttons.
        for (int y = r.Top + 2; y < r.Bottom - 2; ++y) EXPECT_FALSE(ink(r.Right - 3, y)) << y;
        // From the right: three dots low on the line before the first ink
        // that reaches higher up.
        const int low = top + (bottom - top) * 2 / 3;
        int runs = 0;
        bool inRun = false;
        for (int x = right; x > r.Left; --x) {
            bool high = false, lowInk = false;
            for (int y = top; y <= bottom; ++y) (y < low ? high : lowInk) |= ink(x, y);
            if (high) break;
            if (lowInk && !inRun) ++runs;
            inRun = lowInk;
        }
        EXPECT_EQ(runs, 3);
    }
}

TEST_F(FontPickers, TheCharsetMenuListsTheFacesCharsets) {
    Show();
    auto* p = Font();  // on Arial, never changed
    auto* other = Font(40);
    other->SetFontName("Courier");  // the shared list now holds Courier's
    int changes = 0;
    p->OnChange = [&](QObject*) { ++changes; };
    p->SetCharset(161);
    EXPECT_EQ(p->CharsetButton()->Caption(), "Gre");
    p->setFocus();
    QTest::keyClick(p, Qt::Key_Down, Qt::ControlModifier);
    QMenu* menu = SharedPopupMenu();
    ASSERT_NE(menu, nullptr);
    std::vector<std::string> items;
    QAction* cyrillic = nullptr;
    for (QAction* a : menu->actions()) {
        items.push_back(a->isSeparator() ? "-" : a->text().toStdString() + (a->isChecked() ? "+" : ""));
        if (a->text() == "Cyrillic") cyrillic = a;
    }
    EXPECT_EQ(items, (std::vector<std::string>{"Cyrillic", "Easteurope", "Greek+", "Symbol", "-", "Default"}));
    std::vector<std::pair<std::string, int32_t>> list;
    for (const TCharsetListEntry& e : SharedCharsetList()) list.emplace_back(e.Name, e.Charset);
    EXPECT_EQ(list, (std::vector<std::pair<std::string, int32_t>>{
                        {"Cyrillic", 204}, {"Easteurope", 238}, {"Greek", 161}, {"Symbol", 2}, {"Default", 1}}));
    ASSERT_NE(cyrillic, nullptr);
    EXPECT_EQ(cyrillic->property(kTagProperty).toInt(), 204);
    cyrillic->trigger();
    EXPECT_EQ(p->GetCharset(), 204);
    EXPECT_EQ(p->CharsetButton()->Caption(), "Cyr");
    EXPECT_EQ(changes, 1);
    // A face without the charset falls back to the default one.
    p->SetFontName("Courier");
    EXPECT_EQ(p->GetCharset(), 1);
    EXPECT_EQ(p->CharsetButton()->Caption(), "");
    ASSERT_EQ(SharedCharsetList().size(), 1u);
    EXPECT_EQ(SharedCharsetList()[0].Name, "Default");
    // The button opens the menu too, at its lower left less 20 pixels.
    QTest::mouseClick(p->CharsetButton(), Qt::LeftButton);
    ASSERT_NE(SharedPopupMenu(), nullptr);
    const QPoint corner = p->CharsetButton()->mapToGlobal(QPoint(0, p->CharsetButton()->height()));
    EXPECT_EQ(SharedPopupMenu()->pos(), QPoint(corner.x() - 20, corner.y()));
    // The sample keeps clear of the charset button.
    EXPECT_EQ(p->DrawedRect().Right, p->CharsetButton()->x() - 1);
}

TEST_F(FontPickers, AnEmptyFontListSelectsNothing) {
    source.Faces.clear();
    auto* p = Font();
    EXPECT_EQ(p->GetItemsCount(), 0);
    EXPECT_EQ(p->GetFontName(), "");
    EXPECT_EQ(p->GetItemHint(0), "");
    QImage im = QImage(80, 24, QImage::Format_RGB32);
    TCanvas c(&im);
    p->DrawItem(c, 0, 0, Rect(0, 0, 80, 24));  // nothing to draw, nothing read
    p->DropDown();
    p->CloseUp();
}

TEST_F(FontPickers, SizesAreClampedAndAnInsertedSizeServesEveryPicker) {
    auto* a = Size();
    auto* b = Size(40);
    EXPECT_EQ(SharedSizeList().size(), 29u);
    EXPECT_EQ(a->GetFontSize(), 6);  // after loading
    EXPECT_EQ(a->GetColCount(), 5);
    EXPECT_EQ(a->GetColSize(), 30);
    EXPECT_EQ(a->GetItemsCount(), 29);
    a->SetFontSize(0);
    EXPECT_EQ(a->GetFontSize(), 1);
    a->SetFontSize(250);
    EXPECT_EQ(a->GetFontSize(), 200);
    EXPECT_EQ(SharedSizeList().back(), 200);
    b->SetFontSize(25);
    a->SetFontSize(22);
    const std::vector<int32_t>& sizes = SharedSizeList();
    const auto at22 = std::find(sizes.begin(), sizes.end(), 22);
    ASSERT_NE(at22, sizes.end());
    EXPECT_EQ(at22[-1], 20);
    EXPECT_EQ(at22[1], 25);
    EXPECT_EQ(b->GetFontSize(), 25);  // kept its size
    EXPECT_EQ(b->GetItemsCount(), 31);
    EXPECT_EQ(b->GetItemHint(b->GetItemIndex()), "25");
    b->SetFontSize(22);  // offered to every size picker
    EXPECT_EQ(b->GetFontSize(), 22);
    EXPECT_EQ(SharedSizeList().size(), 31u);
    b->SetFontSize(200);  // the last one is in reach
    EXPECT_EQ(b->GetFontSize(), 200);
}

TEST_F(FontPickers, APopupTallerThanTheScreenIsCutToItAndScrolls) {
    source.Faces.clear();
    for (int i = 0; i < 2000; ++i) source.Faces.push_back({"Face" + std::to_string(10000 + i), {}});
    FreeGraphSelectLists();
    Show();
    auto* p = Font();
    p->setFocus();
    QTest::keyClick(p, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(p->PopupShown());
    TPopupGrid* g = p->Popup();
    const QRect screen = p->screen()->geometry();
    EXPECT_EQ(g->height(), screen.height());
    EXPECT_EQ(g->y(), screen.top());
    EXPECT_EQ(g->TopRow(), 0);
    const int visible = g->VisibleRows();
    EXPECT_EQ(visible, (screen.height() - 2 - 20) / 25);
    for (int i = 0; i < visible; ++i) QTest::keyClick(p, Qt::Key_Down);
    EXPECT_EQ(p->GetItemIndex(), visible * 3);
    EXPECT_EQ(g->TopRow(), 1);  // scrolled to keep the current row in view
    const TRect cell = g->CellRect(0, visible);
    EXPECT_FALSE(cell.IsEmpty());
    EXPECT_LE(cell.Bottom, g->GridRect().Bottom);
    QTest::keyClick(p, Qt::Key_PageUp);
    EXPECT_EQ(g->Row(), 0);
    EXPECT_EQ(g->TopRow(), 0);
    QTest::keyClick(p, Qt::Key_PageDown);
    QTest::keyClick(p, Qt::Key_PageDown);
    EXPECT_EQ(g->Row(), 2 * visible);
    EXPECT_EQ(g->TopRow(), visible + 1);
}

TEST(QtFontSource, FacesAndTheirCharsetsComeFromTheFontDatabase) {
    TQtFontSource qt;
    const std::vector<std::string> families = qt.Families();
    ASSERT_FALSE(families.empty());
    const std::string face = "DejaVu Sans";
    if (std::find(families.begin(), families.end(), face) == families.end()) GTEST_SKIP() << "no " << face;
    // Cyrillic and Greek by its writing systems; Ő, Ė and Ğ by its Latin letters.
    const std::vector<int32_t> charsets = qt.Charsets(face);
    for (int32_t cs : {161, 204, 238, 186, 162})
        EXPECT_NE(std::find(charsets.begin(), charsets.end(), cs), charsets.end()) << cs;
    EXPECT_EQ(std::find(charsets.begin(), charsets.end(), 128), charsets.end());  // no Japanese
    EXPECT_TRUE(qt.Charsets("No Such Family 42").empty());
}
