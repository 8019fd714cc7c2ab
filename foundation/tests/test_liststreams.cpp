// Every record-list class with a stream form reads back what it wrote, in
// its record stream and in the form-writer form.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Filer.h"
#include "foundation/ListUtils.h"
#include "foundation/Navigator.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
using test::Bytes;

namespace {

// Items that stream nothing: the count alone restores them.
class TMarkList : public TNonStucturedList {
public:
    TMarkList() : TNonStucturedList(0) {}
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TMarkList>(); }
    void ReadItem(TStream& /*stream*/) override { AddEmpty(); }
    void WriteItem(int /*index*/, TStream& /*stream*/) override {}
};

// An indexed ID and a parent reference.
class TLinks : public TParentableList {
public:
    TLinks() : TParentableList(8) {}
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TLinks>(); }
    void GetKeyList(const TAddKeyProc& add) override {
        add(tkInteger, 0, 4, true);
        add(tkParent, 4, 4, false);
    }
};

// n records of distinct bytes (the last 4 bytes of an 8-byte record are a
// parent reference that is a record number or a root).
template <class L, class... A>
std::unique_ptr<TGeneralList> Filled(int n, A... args) {
    auto list = std::make_unique<L>(args...);
    for (int i = 0; i < n; ++i) {
        std::vector<char> rec(static_cast<size_t>(list->GetItemSize()));
        for (size_t b = 0; b < rec.size(); ++b) rec[b] = char(i * 31 + int(b));
        if (rec.size() == 8) std::memcpy(rec.data() + 4, &i, 4);
        list->Add(rec.data());
    }
    return list;
}

template <class N>
std::unique_ptr<N> Layout() {
    auto nav = std::make_unique<N>();
    for (TKeyKind k : {tkInteger, tkString, tkBoolean, tkCurrency}) {
        TFieldInfo f;
        TCField::Create().Key(k).Size(k == tkString ? 12 : 0).Index(k == tkInteger).Apply(f);
        nav->AddField(f);
    }
    return nav;
}

std::unique_ptr<TGeneralList> Nested() {
    auto nav = Layout<TDBInfoNavigator>();
    TDBFieldInfo f;
    TCDBField::Create().Key(tkTreeList).Name("Sub").Apply(f);
    nav->AddField(f);
    nav->SetNestedNavigator(nav->GetFieldCount() - 1, Layout<TDBInfoNavigator>());
    return nav;
}

std::unique_ptr<TGeneralList> Table() {
    auto t = std::make_unique<TStructuredTreeList>(Layout<TDBInfoNavigator>());
    for (int i = 0; i < 5; ++i) {
        const int r = t->AddEmpty();
        t->SetAsInteger(r, 0, 50 - i);
        t->SetAsString(r, 1, "row" + std::to_string(i));
        t->SetAsCurrency(r, 3, Currency::FromInt(i));
    }
    return t;
}

std::unique_ptr<TGeneralList> Marks() {
    auto marks = std::make_unique<TMarkList>();
    for (int i = 0; i < 5; ++i) marks->AddEmpty();
    return marks;
}

}  // namespace

TEST(ListStreams, EveryListClassReadsBackWhatItWrote) {
    const std::vector<std::pair<std::string, std::function<std::unique_ptr<TGeneralList>()>>> lists = {
        {"TGeneralList", [] { return Filled<TGeneralList>(5, 12); }},
        {"TGeneralList of size 0", [] { return Filled<TGeneralList>(3, 0); }},
        {"TIDList", [] { return Filled<TIDList>(5, 12); }},
        {"TPureIDList", [] { return Filled<TPureIDList>(5); }},
        {"TRefList", [] { return Filled<TRefList>(5); }},
        {"T2IntList", [] { return Filled<T2IntList>(5); }},
        {"TNameList", [] { return Filled<TNameList>(5); }},
        {"TShortNameList", [] { return Filled<TShortNameList>(5); }},
        {"TKeyList", [] { return Filled<TKeyList>(5); }},
        {"TNonStucturedList", Marks},
        {"TParentableList", [] { return Filled<TLinks>(5); }},
        {"TInfoNavigator", [] { return std::unique_ptr<TGeneralList>(Layout<TInfoNavigator>()); }},
        {"TDBInfoNavigator", Nested},
        {"TStructuredTreeList", Table},
    };
    for (const auto& [name, make] : lists) {
        SCOPED_TRACE(name);
        std::unique_ptr<TGeneralList> list = make();
        ASSERT_GT(list->GetCount(), 0);

        TMemoryStream s;
        list->SaveToStream(s);
        s.SetPosition(0);
        std::unique_ptr<TGeneralList> back = list->GetCopyObject();
        back->LoadFromStream(s);
        EXPECT_EQ(s.GetPosition(), s.Size());
        EXPECT_EQ(back->GetCount(), list->GetCount());
        TMemoryStream again;
        back->SaveToStream(again);
        EXPECT_EQ(Bytes(again), Bytes(s));

        // The form-writer form: the base record hooks stream no record data.
        TMemoryStream f;
        TWriter w(f);
        GeneralListFWrite(w, list.get());
        f.SetPosition(0);
        TReader r(f);
        std::unique_ptr<TGeneralList> read;
        ASSERT_NO_THROW(read = GeneralListFRead(r, [&] { return list->GetCopyObject(); }));
        EXPECT_EQ(read->GetCount(), list->GetCount());
        EXPECT_EQ(r.Remaining(), 0);
    }

    // Records stored without bytes fill no records of a real size, and a
    // count of records without data stays bounded.
    TMemoryStream sized = test::StreamOf({3, 0, 0, 0, 0, 0, 0, 0});
    TPureIDList ids;
    EXPECT_THROW(ids.LoadFromStream(sized), EReadError);
    TMemoryStream huge = test::StreamOf({0xFF, 0xFF, 0xFF, 0x7F, 8, 0, 0, 0});
    TReader hr(huge);
    EXPECT_THROW(GeneralListFRead<T2IntList>(hr), EReadError);
}
