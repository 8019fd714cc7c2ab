// The string list as the text of a unit: its Version, which what is cached
// about the strings compares, the last change, which such a cache follows,
// and ReplaceLines, which puts only the lines that differ.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string_view>
#include <vector>

#include "foundation/Classes.h"

using namespace velt;

TEST(StringListLines, EveryChangeGivesANewVersionAndSaysWhatItReplaced) {
    TStringList l;
    l.SetText("b\na\n");
    TStringList other;
    other.SetText("p\nq\n");
    std::set<uint64_t> seen{l.Version(), other.Version()};
    EXPECT_EQ(seen.size(), 2u);  // no two lists share one
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"Put", [&] { l.Put(0, "c"); }},
        {"Add", [&] { l.Add("d"); }},
        {"Insert", [&] { l.Insert(1, "e"); }},
        {"Delete", [&] { l.Delete(1); }},
        {"Exchange", [&] { l.Exchange(0, 1); }},
        {"Move", [&] { l.Move(0, 2); }},
        {"SetValue", [&] { l.SetValue("a", "1"); }},
        {"SetText", [&] { l.SetText("x\ny\n"); }},
        {"Assign", [&] { l.Assign(&other); }},
        {"AddStrings", [&] { l.AddStrings(l); }},
        {"Sort", [&] { l.Sort(); }},
        {"ReplaceLines", [&] { l.ReplaceLines(0, 1, {"z"}); }},
        {"Clear", [&] { l.Clear(); }},
    };
    for (const auto& [what, change] : changes) {
        const uint64_t before = l.Version();
        const std::vector<std::string> old = l.Strings();
        change();
        EXPECT_NE(l.Version(), before) << what;
        EXPECT_TRUE(seen.insert(l.Version()).second) << what;
        // The last change, when it starts from the version before, says
        // exactly which lines it replaced.
        const TStringList::TChange& c = l.LastChange();
        EXPECT_EQ(c.To, l.Version()) << what;
        if (c.From != before) continue;  // several steps: nothing to follow
        const std::vector<std::string>& now = l.Strings();
        ASSERT_EQ(now.size(), old.size() - size_t(c.Removed) + size_t(c.Added)) << what;
        EXPECT_TRUE(std::equal(old.begin(), old.begin() + c.First, now.begin())) << what;
        EXPECT_TRUE(std::equal(old.begin() + c.First + c.Removed, old.end(), now.begin() + c.First + c.Added)) << what;
    }
    const uint64_t before = l.Version();
    (void)l.Text();
    (void)l.IndexOf("x");
    EXPECT_EQ(l.Version(), before);  // reading changes nothing
}

TEST(StringListLines, ReplaceLinesPutsOnlyWhatDiffers) {
    TStringList l;
    l.SetText("a\nb\nc\nd\n");
    TObject kept;
    l.PutObject(1, &kept);
    const uint64_t v = l.Version();
    EXPECT_FALSE(l.ReplaceLines(1, 2, {"b", "c"}));
    EXPECT_EQ(l.Version(), v);
    EXPECT_EQ(l.GetObject(1), &kept);

    EXPECT_TRUE(l.ReplaceLines(1, 2, {"b", "C", "c2"}));  // grows
    EXPECT_EQ(l.Strings(), (std::vector<std::string>{"a", "b", "C", "c2", "d"}));
    EXPECT_EQ(l.GetObject(1), &kept);
    EXPECT_NE(l.Version(), v);
    EXPECT_TRUE(l.ReplaceLines(0, 4, {"x"}));  // shrinks
    EXPECT_EQ(l.Strings(), (std::vector<std::string>{"x", "d"}));
    EXPECT_TRUE(l.ReplaceLines(2, 0, {"e", "f"}));  // appends
    EXPECT_EQ(l.Strings(), (std::vector<std::string>{"x", "d", "e", "f"}));

    EXPECT_THROW(l.ReplaceLines(5, 0, {}), EStringListError);
    EXPECT_THROW(l.ReplaceLines(3, 2, {}), EStringListError);
    EXPECT_THROW(l.ReplaceLines(-1, 1, {}), EStringListError);
    l.SetSorted(true);
    EXPECT_THROW(l.ReplaceLines(0, 1, {"y"}), EStringListError);
}

TEST(StringListLines, LineViewsSplitLikeSetText) {
    const std::string_view text = "a\r\nb\n\rc\r\r\nd";
    std::vector<std::string> views;
    for (std::string_view v : LineViews(text)) views.emplace_back(v);
    EXPECT_EQ(views, SplitLines(text));
    EXPECT_EQ(views, (std::vector<std::string>{"a", "b", "", "c", "", "d"}));
    EXPECT_TRUE(LineViews("").empty());
    EXPECT_EQ(LineViews("\n").size(), 1u);
}
