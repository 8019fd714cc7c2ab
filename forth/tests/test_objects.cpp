// Host objects: the order of search, shadowing, published properties of
// every kind, the "::" operator and object cells that outlive their object.

#include <gtest/gtest.h>

#include "forth/Vocabulary.h"
#include "forth/tests/ForthTestHost.h"

using namespace velt;
using namespace velt::test;

TEST(ForthObjects, RegisteredObjectsAndTheirOrder) {
    TForth f;
    ASSERT_EQ(f.Objects.Count(), 2);
    EXPECT_EQ(f.Objects[0], "FORTH");
    EXPECT_EQ(f.Objects.GetObject(0), &f);
    EXPECT_EQ(f.Objects[1], "STACK");
    EXPECT_EQ(f.Objects.GetObject(1), &f.Stack);

    THost host;
    f.Objects.AddObject("Host", &host);
    f.ExecForth("host stack");  // names fold case
    EXPECT_EQ(PopObject(f), &f.Stack);
    TCell c;
    f.Pop(c);
    EXPECT_EQ(c.Kind, ckObject);
    EXPECT_EQ(c.Object(), &host);
    EXPECT_NE(c.Value, 0);
}

TEST(ForthObjects, PropertiesOfEveryKind) {
    TForth f;
    THost host;
    TOther child;
    host.Child = &child;
    f.Objects.AddObject("Host", &host);
    EXPECT_EQ(Exec(f, "41 Count .! count .@ 1 +"), V({"42"}));
    EXPECT_EQ(host.Count, 41);
    EXPECT_EQ(Exec(f, "2 Shade .! Shade .@"), V({"2"}));
    EXPECT_EQ(host.Shade, shBlack);
    EXPECT_EQ(Exec(f, "\" xyz\" Letter .! Letter .@"), V({"'x'"}));
    EXPECT_EQ(Exec(f, "' s2' Short .! Short .@ \" c2\" Caption .! Caption .@"), V({"'c2'", "'s2'"}));
    // ".!" stores Value for ordinals and S for strings, whatever the cell.
    EXPECT_EQ(Exec(f, "\" text\" Count .! Count .@"), V({"0"}));
    // A class property pushes the object without reading an operator.
    EXPECT_EQ(Exec(f, "Child :: Count"), V({}));
    EXPECT_EQ(child.Runs, 1);

    EXPECT_EQ(ExecError<EForth>(f, "Ratio .@"), "Unsupported property type");
    EXPECT_EQ(ExecError<EForth>(f, "1 Ratio .!"), "Unsupported property type");
    EXPECT_EQ(ExecError<EForth>(f, "Count  .@"), "Property operation .@ or .! expected");
    EXPECT_EQ(ExecError<EForth>(f, "Count .?"), "Property operation .@ or .! expected");
    EXPECT_EQ(ExecError<EStack>(f, "Count .!"), "Empty stack");
    EXPECT_EQ(ExecError<EForth>(f, "3 Fixed .!"), "Property Fixed is read-only");
    EXPECT_EQ(host.Fixed, 7);
    EXPECT_EQ(Exec(f, "Fixed .@"), V({"7"}));
}

TEST(ForthObjects, ColonColonReachesOneObject) {
    TForth f;
    THost host;
    TOther other;
    f.Objects.AddObject("Host", &host);
    f.Objects.AddObject("Other", &other);
    EXPECT_EQ(Exec(f, "Other :: Lines 5 Host :: Twice 4 Host :: Count .!"), V({"10", "'other lines'"}));
    EXPECT_EQ(host.Count, 4);
    EXPECT_EQ(ExecError<EForth>(f, "Other :: Caption"), "Class component Caption not found");
    EXPECT_EQ(ExecError<EForth>(f, "1 :: Count"), ":: used not for object");
    EXPECT_EQ(ExecError<EForth>(f, "\" x\" :: Count"), ":: used not for object");
    // A class property holding nil, then "::" on it.
    EXPECT_EQ(ExecError<EForth>(f, "Child :: Count"), ":: used not for object");
    EXPECT_EQ(ExecError<EStack>(f, "::"), "Empty stack");
    // An object without class info has no components.
    TObject plain;
    Load(f, ":: Count");
    f.PushObject(&plain);
    EXPECT_EQ(ErrorOf<EForth>([&] { f.Interpret(); }), "Class component Count not found");
}

TEST(ForthObjects, PropertyShadowsMethodOfTheSameObject) {
    TForth f;
    TDerivedHost d;
    f.Objects.AddObject("D", &d);
    // By name and through "::", the property wins, inherited ones included.
    EXPECT_EQ(Exec(f, "Short .@ Count .@ D :: short .@ D :: COUNT .@"), V({"0", "'short'", "0", "'short'"}));
    // ExecWord runs methods only.
    f.ExecWord("Short");
    f.ExecWord("Count");
    EXPECT_EQ(Drain(f), V({"'count method'", "'short method'"}));
}

TEST(ForthObjects, SearchOrderAndShadowing) {
    TForth f;
    THost host;
    TOther other;
    f.Objects.AddObject("Host", &host);
    f.Objects.AddObject("Other", &other);
    // THost's property Count comes before TOther's method Count.
    EXPECT_EQ(Exec(f, "3 Count .! Count .@"), V({"3"}));
    EXPECT_EQ(other.Runs, 0);
    // An object registered under a member's name shadows that member.
    EXPECT_EQ(Exec(f, "Lines"), V({"'other lines'"}));
    TOther lines;
    f.Objects.AddObject("Lines", &lines);
    f.ExecForth("Lines");
    EXPECT_EQ(PopObject(f), &lines);
    // Published members come before aliases, aliases before native words.
    TOther aliased;
    f.Aliases.AddObject("Hello", &aliased);
    f.Aliases.AddObject("NOT", &aliased);
    f.Aliases.AddObject("Zeta", &aliased);
    EXPECT_EQ(Exec(f, "Hello"), V({"'hello'"}));
    f.ExecForth("not zeta");
    EXPECT_EQ(f.Stack.Count(), 2);
    EXPECT_EQ(PopObject(f), &aliased);
    EXPECT_EQ(PopObject(f), &aliased);
}

TEST(ForthObjects, AncestorTables) {
    TForth f;
    TDerivedHost d;
    f.Objects.AddObject("D", &d);
    EXPECT_EQ(Exec(f, "3 Twice Extra .@ 6 Count .! Count .@ Hello"), V({"'hello'", "6", "5", "9"}));
    EXPECT_EQ(ForthClassOf(&d)->Name, std::string("TDerivedHost"));
    EXPECT_TRUE(ForthClassOf(&d)->InheritsFrom(&THost::StaticForthClass()));
    EXPECT_FALSE(THost::StaticForthClass().InheritsFrom(&TDerivedHost::StaticForthClass()));
    EXPECT_NE(FindPublishedProperty(&d, "COUNT"), nullptr);
    EXPECT_EQ(FindPublishedProperty(&d, "Count1"), nullptr);
    EXPECT_EQ(FindPublishedProperty(&d, "Coun"), nullptr);
    EXPECT_EQ(FindPublishedMethod(nullptr, "Hello"), nullptr);
}

TEST(ForthObjects, ObjectWithoutClassInfoIsReportedAndPassedOver) {
    TRecordingSink sink;
    TForth f;
    TObject plain;
    THost host;
    f.Objects.AddObject("Plain", &plain);
    f.Objects.AddObject("Host", &host);
    EXPECT_EQ(Exec(f, "Hello"), V({"'hello'"}));
    EXPECT_EQ(sink.Lines, V({"Internal Error. Class Plain has no class info."}));
    // Tokens found before the published members do not reach that line.
    sink.Lines.clear();
    EXPECT_EQ(Exec(f, "TRUE"), V({"-1"}));
    EXPECT_TRUE(sink.Lines.empty());
    EXPECT_EQ(Exec(f, "1"), V({"1"}));
    EXPECT_EQ(sink.Lines.size(), 1u);
}

TEST(ForthObjects, MemberNameFollowsColonColonDirectly) {
    TForth f;
    THost host;
    f.Objects.AddObject("Host", &host);
    // Exactly one separator: a second one makes the member name empty.
    EXPECT_EQ(Exec(f, "Host ::\nCount .@ Host ::\tCaption .@"), V({"'caption'", "0"}));
    EXPECT_EQ(ExecError<EForth>(f, "Host ::  Count .@"), "Class component  not found");
    EXPECT_EQ(ExecError<EForth>(f, "Host ::\r\nCount .@"), "Class component  not found");
}

TEST(ForthObjects, CellsOutliveTheirObject) {
    TForth f;
    auto host = std::make_unique<THost>();
    f.PushObject(host.get());
    f.Stack.DUP(f);
    host.reset();
    TCell c;
    f.Pop(c);
    EXPECT_EQ(c.Kind, ckObject);
    EXPECT_EQ(c.Object(), nullptr);
    f.SetText(":: Count ");
    f.Pos = 1;
    EXPECT_EQ(ErrorOf<EForth>([&] { f.Interpret(); }), ":: used not for object");
    f.PushObject(nullptr);
    f.Pop(c);
    EXPECT_EQ(c.Value, 0);
    EXPECT_EQ(c.Object(), nullptr);

    // Everything that tests a cell agrees with "::": a freed object is nil,
    // so false and equal to nil.
    auto gone = std::make_unique<THost>();
    f.PushObject(gone.get());
    TCell freed;
    f.Pop(freed);
    gone.reset();
    THost holder;
    f.Objects.AddObject("Holder", &holder);
    for (const auto& [prog, left] :
         {std::pair{"IF\n1\nELSE\n2\nTHEN", "2"}, {"NOT", "1"}, {"Holder :: Child =", "-1"}}) {
        Load(f, prog);
        f.Push(freed);
        f.Interpret();
        EXPECT_EQ(Drain(f), V({left})) << prog;
    }
}

TEST(ForthObjects, ExecuteMethodAndEvaluateProperty) {
    TForth f;
    THost host;
    f.ExecuteMethod(&host, "HELLO");
    EXPECT_EQ(Drain(f), V({"'hello'"}));
    EXPECT_EQ(ErrorOf<EForth>([&] { f.ExecuteMethod(&host, "Nope"); }), "Class component Nope not found");
    EXPECT_EQ(ErrorOf<EForth>([&] { f.ExecuteMethod(nullptr, "Hello"); }), ":: used not for object");
    Load(f, ".@");
    f.EvaluateProperty(&host, *FindPublishedProperty(&host, "Caption"));
    EXPECT_EQ(Drain(f), V({"'caption'"}));
    // "Current" is the vocabulary, published on the interpreter.
    f.ExecForth("FORTH :: Current");
    EXPECT_EQ(PopObject(f), f.Current());
}
