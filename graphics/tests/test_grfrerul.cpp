#include <gtest/gtest.h>

#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include "graphics/GrfRERul.h"
#include "graphics/tests/PickerTestSupport.h"
#include "platform/ui/tests/GoldenImage.h"

using namespace velt;

namespace {

class Ruller : public test::GraphicsForm {
protected:
    // 300 wide, 30 high (the lower half from 15), null position 10.
    TRichRuller* Make() {
        Show();
        TRichRuller* r = Put(TRichRuller::Create(), 0, 0, 320, 30);
        r->SetPageWidth(300);
        r->SetLeftMargin(20);
        r->SetRightMargin(30);
        r->SetFirstLine(40);
        r->Change();
        return r;
    }
    static void Drag(TRichRuller* r, int fromX, int fromY, std::initializer_list<int> xs) {
        QTest::mousePress(r, Qt::LeftButton, {}, QPoint(fromX, fromY));
        int x = fromX;
        for (int to : xs) QTest::mouseMove(r, QPoint(x = to, fromY));
        QTest::mouseRelease(r, Qt::LeftButton, {}, QPoint(x, fromY));
    }
    static std::vector<int32_t> Tabs(const TRichRuller* r) {
        std::vector<int32_t> t;
        for (int i = 0; i < r->GetTabCount(); ++i) t.push_back(r->GetTabs(i));
        return t;
    }
    static QTextBlockFormat Paragraph(QTextEdit& edit) { return edit.textCursor().blockFormat(); }
    static std::vector<int> TabPoints(const QTextBlockFormat& f) {
        std::vector<int> t;
        for (const QTextOption::Tab& tab : f.tabPositions()) t.push_back(int(std::lround(tab.position * 0.75)));
        return t;
    }
};

}  // namespace

TEST_F(Ruller, FindModeByHalfAndDistance) {
    TRichRuller* r = Make();
    EXPECT_EQ(r->GetNullPos(), 10);
    EXPECT_EQ(r->FindMode(10 + 20 + 5, 20), rrLeftMargin);
    EXPECT_EQ(r->FindMode(10 + 20 - 5, 15), rrLeftMargin);
    EXPECT_EQ(r->FindMode(10 + 20 + 6, 20), rrNone);
    EXPECT_EQ(r->FindMode(10 + 20, 14), rrNone);  // the upper half has the first line only
    EXPECT_EQ(r->FindMode(10 + 40, 14), rrFirstLine);
    EXPECT_EQ(r->FindMode(10 + 40, 15), rrNone);
    EXPECT_EQ(r->FindMode(10 + 268, 25), rrRightMargin);
    r->SetLeftMargin(266);
    EXPECT_EQ(r->FindMode(10 + 268, 25), rrRightMargin);  // both near: the right margin wins
    r->SetTabs(0, 100);
    r->SetTabs(1, 104);
    EXPECT_EQ(r->FindMode(10 + 102, 5), rrTab);
    EXPECT_EQ(r->SelectedTab(), 1);  // the last near tab
    EXPECT_EQ(r->FindMode(10 + 96, 25), rrTab);
    EXPECT_EQ(r->SelectedTab(), 0);
}

TEST_F(Ruller, MarkersMoveInStepsOfFiveAndReportAtTheRelease) {
    TRichRuller* r = Make();
    int changed = 0;
    r->OnChanged = [&](QObject*) { ++changed; };
    Drag(r, 10 + 40, 5, {10 + 57, 10 + 53});
    EXPECT_EQ(r->GetFirstLine(), 50);  // 53 goes down to 50
    EXPECT_EQ(changed, 1);
    Drag(r, 10 + 50, 5, {10 - 3});
    EXPECT_EQ(r->GetFirstLine(), 0);  // -3 goes to 0, never below
    EXPECT_EQ(changed, 2);
    Drag(r, 10 + 270, 25, {10 + 244});
    EXPECT_EQ(r->GetRightMargin(), 60);  // PageWidth - 240
    r->SetTracking(true);
    Drag(r, 10 + 240, 25, {10 + 250, 10 + 260});
    EXPECT_EQ(changed, 5);  // each move; the release finds nothing more
    EXPECT_EQ(r->GetRightMargin(), 40);
    r->SetTracking(false);
    Drag(r, 10 + 40, 5, {});  // pressed on nothing: a tab, kept unmoved
    EXPECT_EQ(Tabs(r), (std::vector<int32_t>{40}));
}

TEST_F(Ruller, TabsAreAddedKeptAndRemoved) {
    TRichRuller* r = Make();
    Drag(r, 10 + 150, 20, {});
    Drag(r, 10 + 200, 20, {10 + 212});
    EXPECT_EQ(Tabs(r), (std::vector<int32_t>{150, 210}));
    Drag(r, 10 + 150, 20, {10 + 2});  // to 0: removed, the later one moves down
    EXPECT_EQ(Tabs(r), (std::vector<int32_t>{210}));
    Drag(r, 10 + 210, 20, {10 - 30});
    EXPECT_EQ(Tabs(r), std::vector<int32_t>{});
    // Twenty tabs: a click lands in the spare slot, and the drag moves the 20th.
    for (int i = 0; i < 20; ++i) r->SetTabs(i, 60 + i * 10);
    EXPECT_EQ(r->GetTabCount(), 20);
    QTest::mousePress(r, Qt::LeftButton, {}, QPoint(10 + 23, 5));
    EXPECT_EQ(r->GetTabCount(), 20);
    EXPECT_EQ(r->GetTabs(20), 23);
    EXPECT_EQ(r->SelectedTab(), 19);
    QTest::mouseMove(r, QPoint(10 + 31, 5));
    QTest::mouseRelease(r, Qt::LeftButton, {}, QPoint(10 + 31, 5));
    EXPECT_EQ(r->GetTabs(19), 30);
    // Indices outside the slots: ignored on write, 0 on read.
    r->SetTabs(-1, 5);
    EXPECT_EQ(r->GetTabCount(), 20);
    EXPECT_EQ(r->GetTabs(-1), 0);
    EXPECT_EQ(r->GetTabs(21), 0);
    EXPECT_EQ(r->GetTabs(0), 60);
    r->SetTabCount(-3);
    EXPECT_EQ(r->GetTabCount(), 0);
    r->SetTabCount(25);
    EXPECT_EQ(r->GetTabCount(), 20);
}

TEST_F(Ruller, MarginsStopAtEachOtherAndTheFirstLineFollowsTheLeft) {
    TRichRuller* r = Make();
    Drag(r, 10 + 20, 20, {10 + 300});
    EXPECT_EQ(r->GetLeftMargin(), 270);  // PageWidth - RightMargin
    EXPECT_EQ(r->GetFirstLine(), 290);   // moved with it
    Drag(r, 10 + 270, 20, {10 + 240});
    EXPECT_EQ(r->GetRightMargin(), 30);  // both at 270: the right margin is taken, and stops at the left
    r->SetFirstLine(5);
    r->SetLeftMargin(20);
    Drag(r, 10 + 20, 20, {10});
    EXPECT_EQ(r->GetLeftMargin(), 0);
    EXPECT_EQ(r->GetFirstLine(), 0);  // 5 - 20, kept at 0
    r->SetRightMargin(1000);
    EXPECT_EQ(r->GetRightMargin(), 300);
    r->SetLeftMargin(10);
    EXPECT_EQ(r->GetLeftMargin(), 0);
    r->SetFirstLine(50);
    r->SetLeftMargin(10);  // not dragged: the first line stays
    EXPECT_EQ(r->GetFirstLine(), 50);
}

TEST_F(Ruller, ParagraphValuesTravelInWholePoints) {
    TRichRuller* r = Make();
    QTextEdit edit;
    edit.setPlainText("one\ntwo");
    QTextBlockFormat f;
    f.setLeftMargin(40);   // 30 pt
    f.setTextIndent(-20);  // hanging by 15 pt
    f.setRightMargin(16);  // 12 pt
    f.setTabPositions({QTextOption::Tab(48, QTextOption::LeftTab), QTextOption::Tab(24, QTextOption::LeftTab)});
    edit.textCursor().setBlockFormat(f);
    r->LoadFromRE(&edit, 0);  // scale 0 counts as 1
    EXPECT_EQ(r->GetFirstLine(), 20);
    EXPECT_EQ(r->GetLeftMargin(), 40);
    EXPECT_EQ(r->GetRightMargin(), 16);
    EXPECT_EQ(Tabs(r), (std::vector<int32_t>{48, 24}));
    r->LoadFromRE(&edit, 2);
    EXPECT_EQ(r->GetFirstLine(), 40);
    EXPECT_EQ(r->GetLeftMargin(), 80);

    // Entered 50, 20: written 20, 50 (as 15 and 37 points); the ruler keeps its order.
    r->SetTabCount(0);
    r->SetTabs(0, 50);
    r->SetTabs(1, 20);
    r->SetFirstLine(20);
    r->SetLeftMargin(40);
    r->SetRightMargin(16);
    r->SaveToRE(&edit, 1);
    const QTextBlockFormat saved = Paragraph(edit);
    EXPECT_EQ(TabPoints(saved), (std::vector<int>{15, 37}));
    EXPECT_EQ(Tabs(r), (std::vector<int32_t>{50, 20}));
    EXPECT_DOUBLE_EQ(saved.leftMargin() + saved.textIndent(), 20.0);  // first indent 15 pt
    EXPECT_DOUBLE_EQ(-saved.textIndent(), 20.0);                      // left indent 15 pt
    EXPECT_DOUBLE_EQ(saved.rightMargin(), 16.0);
    // The selection's paragraphs all take it.
    QTextCursor all = edit.textCursor();
    all.select(QTextCursor::Document);
    edit.setTextCursor(all);
    r->SaveToRE(&edit, 1);
    EXPECT_EQ(TabPoints(edit.document()->lastBlock().blockFormat()), (std::vector<int>{15, 37}));

    // 25 tabs: 20 come in; the paragraph keeps its 21st and later ones.
    QList<QTextOption::Tab> many;
    for (int i = 0; i < 25; ++i) many.append(QTextOption::Tab((i + 1) * 8, QTextOption::LeftTab));
    f.setTabPositions(many);
    QTextCursor first(edit.document()->firstBlock());
    first.setBlockFormat(f);
    edit.setTextCursor(first);
    r->LoadFromRE(&edit, 1);
    EXPECT_EQ(r->GetTabCount(), 20);
    EXPECT_EQ(r->GetTabs(19), 160);
    EXPECT_EQ(r->GetTabs(20), 0);  // the spare slot takes none of the later ones
    r->SetTabs(0, 4);
    r->SaveToRE(&edit, 1);
    const std::vector<int> points = TabPoints(Paragraph(edit));
    ASSERT_EQ(points.size(), 25u);
    EXPECT_EQ(points[0], 3);
    EXPECT_EQ(points[19], 120);
    EXPECT_EQ(points[20], 126);  // the 21st, kept
    EXPECT_EQ(points[24], 150);

    // No edit: nothing.
    r->LoadFromRE(nullptr, 1);
    r->SaveToRE(nullptr, 1);
    r->UpdateNullPos();
    EXPECT_EQ(r->GetNullPos(), 10);
}

TEST_F(Ruller, LoadingThenSavingAParagraphChangesNoParagraph) {
    TRichRuller* r = Make();
    r->SetPageWidth(400);
    QTextEdit edit;
    edit.setPlainText("indented\nhanging\nItem\tSize\nright\nleft");
    // Whole points: each value a multiple of 4 pixels.
    struct Para {
        qreal Left, Indent, Right;
        std::vector<qreal> Tabs;
    };
    const std::vector<Para> paras = {
        {0, 40, 0, {}}, {60, -60, 0, {}}, {0, 0, 0, {80, 160}}, {0, 0, 300, {}}, {200, 0, 0, {}}};
    auto block = [&](int i) { return edit.document()->findBlockByNumber(i); };
    for (int i = 0; i < int(paras.size()); ++i) {
        QTextBlockFormat f;
        f.setLeftMargin(paras[size_t(i)].Left);
        f.setTextIndent(paras[size_t(i)].Indent);
        f.setRightMargin(paras[size_t(i)].Right);
        QList<QTextOption::Tab> tabs;
        for (qreal t : paras[size_t(i)].Tabs) tabs.append(QTextOption::Tab(t, QTextOption::LeftTab));
        f.setTabPositions(tabs);
        QTextCursor(block(i)).setBlockFormat(f);
    }
    auto look = [](const QTextBlockFormat& f) {
        std::vector<qreal> v{f.leftMargin(), f.textIndent(), f.rightMargin()};
        for (const QTextOption::Tab& t : f.tabPositions()) v.push_back(t.position);
        return v;
    };
    auto caretTo = [&](int i) { edit.setTextCursor(QTextCursor(block(i))); };
    for (int from = 0; from < int(paras.size()); ++from) {
        for (int to = 0; to < int(paras.size()); ++to) {
            SCOPED_TRACE(std::to_string(from) + " then " + std::to_string(to));
            const std::vector<qreal> before = look(block(to).blockFormat());
            caretTo(from);
            r->LoadFromRE(&edit, 1);
            caretTo(to);
            r->LoadFromRE(&edit, 1);
            r->SaveToRE(&edit, 1);
            EXPECT_EQ(look(block(to).blockFormat()), before);
        }
    }
    // A page not yet laid out does not cut a margin either.
    r->SetPageWidth(40);
    caretTo(1);
    r->LoadFromRE(&edit, 1);
    EXPECT_EQ(r->GetLeftMargin(), 60);
}

TEST_F(Ruller, LinesUpWithItsEditAfterAResize) {
    TRichRuller* r = Make();
    auto* edit = new QTextEdit(form.get());
    edit->setGeometry(30, 40, 250, 100);
    edit->show();
    r->SetRE(edit);
    const int origin = r->mapFromGlobal(edit->viewport()->mapToGlobal(QPoint(0, 0))).x();
    EXPECT_EQ(r->GetNullPos(), origin);
    EXPECT_EQ(r->GetPageWidth(), edit->viewport()->width());
    edit->setGeometry(50, 40, 200, 100);
    r->resize(321, 30);  // the ruler follows once the layout settles
    EXPECT_EQ(r->GetNullPos(), origin);
    QCoreApplication::processEvents();
    EXPECT_EQ(r->GetNullPos(), origin + 20);
    EXPECT_EQ(r->GetPageWidth(), edit->viewport()->width());
    delete edit;  // a destroyed edit reads as none
    EXPECT_EQ(r->GetRichEdit(), nullptr);
    r->UpdateNullPos();
}

TEST_F(Ruller, GoldenImage) {
    Show();
    TRichRuller* r = Put(TRichRuller::Create(), 0, 0, 220, 28);
    r->SetPageWidth(200);
    r->SetFirstLine(30);
    r->SetLeftMargin(10);
    r->SetRightMargin(20);
    r->SetTabs(0, 90);
    r->SetTabs(1, 60);
    EXPECT_TRUE(test::MatchesGolden(r->grab().toImage(), VELT_TEST_DATA_DIR, "richruller"));
}
