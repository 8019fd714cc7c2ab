// Navigation records: the 16-place ring, the remembered places, the
// component lists with their counters, finds, sort order and streams.
#include <gtest/gtest.h>

#include "source/Navigation.h"

namespace velt {
namespace {

TLinkInfo Place(int n, std::string method = "M", std::string cls = "C") {
    TLinkInfo p;
    p.MethodName = std::move(method);
    p.ClassName = std::move(cls);
    p.TopLine = n;
    p.CursorLine = n + 1;
    p.TopCol = 2;
    p.CursorCol = 3;
    p.FileName = "/f" + std::to_string(n) + ".pas";
    return p;
}

TEST(HyperJumpStack, RingDropsTheOldestWhenFull) {
    THyperJumpStack st;
    EXPECT_TRUE(st.Empty());
    for (int i = 1; i <= 17; ++i) st.Push(Place(i));
    EXPECT_EQ(st.Depth(), 16);
    TLinkInfo p;
    std::vector<int> popped;
    while (st.Pop(p)) popped.push_back(p.TopLine);
    ASSERT_EQ(popped.size(), 16u);
    EXPECT_EQ(popped.front(), 17);  // newest first
    EXPECT_EQ(popped.back(), 2);    // the first place was discarded
    EXPECT_TRUE(st.Empty());
}

TEST(HyperJumpStack, PopOnEmptyLeavesTheRecordAndDropRemovesTop) {
    THyperJumpStack st;
    TLinkInfo p = Place(42);
    EXPECT_FALSE(st.Pop(p));
    EXPECT_EQ(p.TopLine, 42);
    st.Drop();  // nothing to drop
    st.Push(Place(1));
    st.Push(Place(2));
    st.Drop();
    ASSERT_TRUE(st.Pop(p));
    EXPECT_EQ(p.TopLine, 1);
}

TEST(HyperJumpList, SameMethodReplacesAndCaseMakesTwo) {
    THyperJumpList l;
    l.Add(Place(1, "Paint", "TShape"));
    l.Add(Place(2, "Paint", "TCircle"));
    EXPECT_EQ(l.Add(Place(5, "Paint", "TShape")), 0);
    ASSERT_EQ(l.GetCount(), 2);
    EXPECT_EQ(l.Items(0).TopLine, 5);
    l.Add(Place(7, "paint", "TShape"));
    EXPECT_EQ(l.GetCount(), 3);
    EXPECT_THROW(l.Items(3), Exception);
}

TEST(HyperJumpList, LongNamesAndPathsStayWhole) {
    THyperJumpList l;
    std::string method(100, 'm'), cls(90, 'C');
    std::string file = "/home/user/projects/some/deeply/nested/folder/structure/with/many/levels/unit_with_a_long_name.pas";
    TLinkInfo p = Place(3, method, cls);
    p.FileName = file;
    l.Add(p);
    TLinkInfo q = l.Items(0);
    EXPECT_EQ(q.MethodName, method);
    EXPECT_EQ(q.ClassName, cls);
    EXPECT_EQ(q.FileName, file);
    // A second place differing only after the 64th character is its own entry.
    TLinkInfo p2 = Place(4, method + "x", cls);
    p2.FileName = file;
    l.Add(p2);
    EXPECT_EQ(l.GetCount(), 2);

    // The record stream stores the fixed limits.
    TMemoryStream ms;
    l.SaveToStream(ms);
    EXPECT_EQ(ms.Size(), 8 + 2 * 227);
    ms.SetPosition(0);
    THyperJumpList back;
    back.LoadFromStream(ms);
    ASSERT_EQ(back.GetCount(), 1);  // both names cut to the same 64 characters
    EXPECT_EQ(back.Items(0).MethodName, std::string(64, 'm'));
    EXPECT_EQ(back.Items(0).FileName, file.substr(0, 80));
    EXPECT_EQ(back.Items(0).TopLine, 4);
}

TEST(HyperJumpList, DamagedStreamsRaise) {
    THyperJumpList l;
    for (int32_t count : {1000000, -1}) {
        const int32_t hdr[2] = {count, 227};
        TMemoryStream ms;
        ms.WriteBuffer(hdr, 8);
        ms.SetPosition(0);
        EXPECT_THROW(l.LoadFromStream(ms), EReadError) << count;
    }
    EXPECT_EQ(l.GetCount(), 0);
}

TEST(ClassComponentList, AddFindCountSort) {
    TClassComponentList l;
    l.AddClassComponent(3, 2, "Paint", "  procedure Paint; override;  ");
    l.AddClassComponent(1, 0, "FName", "FName: string;");
    l.AddClassComponent(3, 1, "alpha", "procedure alpha;");
    l.AddClassComponent(3, 1, "Beta", "procedure Beta;");
    l.AddClassComponent(2, 3, "Name", "property Name: string;");
    EXPECT_EQ(l.GetClassComponent(0).Text, "procedure Paint; override;");
    EXPECT_EQ(l.Counter(3), 3);
    EXPECT_EQ(l.Counter(1), 1);
    EXPECT_EQ(l.Counter(9), 0);
    EXPECT_EQ(l.FindClassComponentByName(3, "Paint"), 0);
    EXPECT_EQ(l.FindClassComponentByName(3, "paint"), -1);  // exact name
    EXPECT_EQ(l.FindClassComponentByName(1, "Paint"), -1);  // and kind
    EXPECT_TRUE(l.GetCanSort());

    auto sorted = l.GetSortedList();
    auto* s = dynamic_cast<TClassComponentList*>(sorted.get());
    ASSERT_NE(s, nullptr);
    std::vector<std::string> order;
    for (int i = 0; i < s->GetCount(); ++i) order.push_back(s->GetClassComponent(i).Name);
    EXPECT_EQ(order, (std::vector<std::string>{"FName", "Name", "alpha", "Beta", "Paint"}));
    // The original keeps its order and its strings.
    EXPECT_EQ(l.GetClassComponent(0).Name, "Paint");

    l.SetKind(0, 0);
    EXPECT_EQ(l.GetClassComponent(0).Kind, 0);
    std::string longName(70, 'n');
    int i = l.AddClassComponent(1, 0, longName, "x");
    EXPECT_EQ(l.GetClassComponent(i).Name, longName);
    l.Delete(1);
    EXPECT_EQ(l.GetClassComponent(0).Name, "Paint");
    EXPECT_EQ(l.GetClassComponent(1).Name, "alpha");
    l.Clear();
    EXPECT_EQ(l.Counter(3), 0);
}

TEST(ClassComponentList, CopiesOwnTheirStrings) {
    TClassComponentList a;
    a.AddClassComponent(1, 0, "FOne", "FOne: Integer;");
    a.AddClassComponent(1, 0, "FTwo", "FTwo: Integer;");
    TClassComponentList b;
    b.Assign(&a);
    a.SetClassComponent(0, {2, "Changed", "t", 3});
    a.Clear();
    ASSERT_EQ(b.GetCount(), 2);
    EXPECT_EQ(b.GetClassComponent(0).Name, "FOne");
    EXPECT_EQ(b.GetClassComponent(1).Text, "FTwo: Integer;");
    b.SetItem(1, b.GetItem(1));  // a record copied onto itself keeps its text
    EXPECT_EQ(b.GetClassComponent(1).Name, "FTwo");
    b.AddList(&b);
    EXPECT_EQ(b.GetCount(), 4);
    EXPECT_EQ(b.GetClassComponent(3).Name, "FTwo");
    b.Exchange(0, 3);
    EXPECT_EQ(b.GetClassComponent(0).Name, "FTwo");
    b.AddEmpty();
    EXPECT_EQ(b.GetClassComponent(4).Name, "");
}

TEST(UnitComponentList, AddFindSortAndStream) {
    TUnitComponentList l;
    l.AddUnitComponent(6, "zeta", "procedure zeta;");
    l.AddUnitComponent(2, "TShape", "TShape = class");
    l.AddUnitComponent(2, "tarc", "TArc = class");
    l.AddUnitComponent(4, "TKind", "TKind = (a, b);");
    EXPECT_EQ(l.Counter(2), 2);
    EXPECT_EQ(l.FindUnitComponentByName(2, "TShape"), 1);
    EXPECT_EQ(l.FindUnitComponentByName(4, "TShape"), -1);
    l.SetUnitComponent(0, {"omega", "procedure omega;", 6});
    EXPECT_EQ(l.GetUnitComponent(0).Name, "omega");
    l.Sort();
    EXPECT_EQ(l.GetUnitComponent(0).Name, "tarc");
    EXPECT_EQ(l.GetUnitComponent(1).Name, "TShape");
    EXPECT_EQ(l.GetUnitComponent(3).Kind, 6);

    TMemoryStream ms;
    l.SaveToStream(ms);
    EXPECT_EQ(ms.Size(), 8 + 4 * 322);
    ms.SetPosition(0);
    TUnitComponentList back;
    back.LoadFromStream(ms);
    ASSERT_EQ(back.GetCount(), 4);
    EXPECT_EQ(back.GetUnitComponent(2).Text, "TKind = (a, b);");
    EXPECT_EQ(back.Counter(2), 2);
}

TEST(ScopeToStr, KnownScopesOnly) {
    std::string s = "keep";
    ScopeToStr(7, s);
    EXPECT_EQ(s, "keep");
    const char* want[] = {"pi", "pt", "pu", "pb"};
    for (int i = 0; i < 4; ++i) {
        ScopeToStr(i, s);
        EXPECT_EQ(s, want[i]);
    }
}

}  // namespace
}  // namespace velt
