// The words of FORTH and STACK, the native vocabulary and the host helpers.

#include <gtest/gtest.h>

#include <cstring>

#include "forth/Vocabulary.h"
#include "forth/tests/ForthTestHost.h"

using namespace velt;
using namespace velt::test;

TEST(ForthStackWords, ShuffleWords) {
    TForth f;
    EXPECT_EQ(Exec(f, "1 \" a\" DUP"), V({"'a'", "'a'", "1"}));
    EXPECT_EQ(Exec(f, "1 2 DROP"), V({"1"}));
    EXPECT_EQ(Exec(f, "1 2 SWAP"), V({"1", "2"}));
    EXPECT_EQ(Exec(f, "1 2 3 4 DSWAP"), V({"2", "1", "4", "3"}));
    EXPECT_EQ(Exec(f, "1 2 OVER"), V({"1", "2", "1"}));
    EXPECT_EQ(Exec(f, "TRUE FALSE"), V({"0", "-1"}));
    EXPECT_EQ(Exec(f, "1 2 3 ClearStack 4"), V({"4"}));
    // Every word checks the depth it reads and changes nothing when short.
    for (const char* p : {"DUP", "DROP", "1 SWAP", "1 OVER", "1 2 3 DSWAP", "+", "1 -", "1 EQ", "NOT"}) {
        TForth g;
        EXPECT_EQ(ExecError<EStack>(g, p), "Empty stack") << p;
    }
    TForth g;
    EXPECT_THROW(g.ExecForth("1 2 3 DSWAP"), EStack);
    EXPECT_EQ(Drain(g), V({"3", "2", "1"}));
}

TEST(ForthStackWords, EqualityAndNot) {
    TForth f;
    EXPECT_EQ(Exec(f, "\" Abc\" \" aBC\" EQ \" a\" \" b\" ="), V({"0", "-1"}));
    EXPECT_EQ(Exec(f, "3 3 = 3 4 EQ"), V({"0", "-1"}));
    EXPECT_EQ(Exec(f, "STACK STACK EQ FORTH STACK ="), V({"0", "-1"}));
    EXPECT_EQ(ExecError<EStack>(f, "1 \" 1\" EQ"), "Type mismatch");
    EXPECT_EQ(Exec(f, "-1 NOT 0 NOT 5 NOT"), V({"0", "1", "0"}));
    // NOT of false is 1, which EQ tells apart from TRUE; IF takes both.
    EXPECT_EQ(Exec(f, "FALSE NOT TRUE EQ"), V({"0"}));
    f.Stack.Cells[63].Kind = 4;
    f.Stack.Cells[62].Kind = 4;
    f.Stack.Top = 62;
    EXPECT_EQ(ErrorOf<EStack>([&] { f.Stack.EQ(f); }), "Unknown type");
}

TEST(ForthStackWords, CapacityIsSixtyFour) {
    TForth f;
    for (int i = 0; i < 64; ++i) f.PushInteger(i);
    EXPECT_EQ(ErrorOf<EStack>([&] { f.PushInteger(64); }), "Stack overflow");
    EXPECT_EQ(ErrorOf<EStack>([&] { f.Stack.DUP(f); }), "Stack overflow");
    EXPECT_EQ(ErrorOf<EStack>([&] { f.Stack.OVER(f); }), "Stack overflow");
    EXPECT_EQ(ErrorOf<EStack>([&] { f.Stack.TRUE(f); }), "Stack overflow");
    EXPECT_EQ(ErrorOf<EStack>([&] { f.PushString("x"); }), "Stack overflow");
    EXPECT_EQ(f.Stack.Count(), 64);
    TCell c;
    f.Pop(c);
    EXPECT_EQ(c.Value, 63);
    f.ClearStack();
    EXPECT_EQ(f.Stack.Top, 64);
    EXPECT_EQ(ErrorOf<EStack>([&] { f.Pop(c); }), "Empty stack");
    EXPECT_EQ(ErrorOf<EStack>([&] { f.Stack.Empty(); }), "Empty stack");
}

TEST(ForthWords, StringAndConsoleWords) {
    TRecordingSink sink;
    TForth f;
    EXPECT_EQ(Exec(f, "\" c:\\dir\\unit1.pas\" ExtractFileName \" d:x.4th\" ExtractFileName "
                     "\" /a/b\" extractfilename \" plain\" ExtractFileName"),
              V({"'plain'", "'b'", "'x.4th'", "'unit1.pas'"}));
    EXPECT_EQ(Exec(f, "\" abcd\" StrLen \" \" StrLen"), V({"0", "4"}));
    f.ExecForth("42 Writeln \" text\" Writeln STACK Writeln");
    EXPECT_EQ(sink.Lines, V({"42", "text"}));
    EXPECT_EQ(f.Stack.Count(), 0);

    f.ExecForth("\" Note\" ShowMessage");
    EXPECT_EQ(sink.Infos, V({"Note"}));
    std::string shown;
    f.OnShowMessage = [&](const std::string& s) { shown = s; };
    f.ExecForth("\" Boxed\" ShowMessage");
    EXPECT_EQ(shown, "Boxed");

    // Without a dialog InputQuery answers the default, as a cancel does.
    EXPECT_EQ(Exec(f, "\" Cap\" \" Prompt\" \" def\" InputQuery"), V({"'def'"}));
    std::string seen;
    f.OnInputQuery = [&](const std::string& cap, const std::string& prompt, std::string& value) {
        seen = cap + "|" + prompt + "|" + value;
        value = "edited";
        return true;
    };
    EXPECT_EQ(Exec(f, "\" Cap\" \" Prompt\" \" def\" InputQuery"), V({"'edited'"}));
    EXPECT_EQ(seen, "Cap|Prompt|def");
    f.OnInputQuery = [](const std::string&, const std::string&, std::string& value) {
        value = "ignored";
        return false;
    };
    EXPECT_EQ(Exec(f, "\" Cap\" \" Prompt\" \" def\" InputQuery"), V({"'def'"}));
}

TEST(ForthWords, EggRunsWordsByName) {
    TForth f;
    THost host;
    f.Objects.AddObject("Host", &host);
    f.SetText(": Main EGG Sub EGG hello 7 Twice ;\n: Sub 1 ;\n");
    f.ExecWord("Main");
    EXPECT_EQ(Drain(f), V({"14", "'hello'", "1"}));
    f.SetText(": Tail EGG ");
    EXPECT_EQ(WordError<EForth>(f, "Tail"), "Word  not found");
}

TEST(ForthWords, ForEachStrings) {
    TForth f;
    TStringList list;
    list.Add("a");
    list.Add("bb");
    list.Add("ccc");
    f.Objects.AddObject("List", &list);
    f.SetText(": Each List ForEachStrings Len 9 ;\n: Len StrLen ;\n: Empty Other ForEachStrings Len 8 ;\n"
              ": Bad 5 ForEachStrings Len ;\n: BadObj STACK ForEachStrings Len ;\n");
    f.ExecWord("Each");
    EXPECT_EQ(Drain(f), V({"9", "3", "2", "1"}));
    // An empty list runs nothing but the word name is still consumed.
    TStringList other;
    f.Objects.AddObject("Other", &other);
    f.ExecWord("Empty");
    EXPECT_EQ(Drain(f), V({"8"}));
    EXPECT_EQ(WordError<EStack>(f, "Bad"), "Type mismatch");
    EXPECT_EQ(WordError<EStack>(f, "BadObj"), "Type mismatch");
}

// The list is counted once at the start: a body that grows it does not
// lengthen the walk, one that empties it ends the walk.
TEST(ForthWords, ForEachStringsCountsTheListOnce) {
    for (const bool grow : {true, false}) {
        TForth f;
        TStringList list;
        list.Add("x");
        list.Add("y");
        std::vector<std::string> seen;
        f.RegisterWord("Change", [&](TForth& sender) {
            TCell c;
            sender.Pop(c);
            seen.push_back(c.S);
            if (!grow)
                list.Clear();
            else if (list.Count() < 10)
                list.Add(c.S + "+");
        });
        Load(f, "ForEachStrings Step ;\n: Step Change ;");
        f.PushObject(&list);
        f.Interpret();
        EXPECT_EQ(seen, grow ? V({"x", "y"}) : V({"x"})) << grow;
        EXPECT_EQ(list.Count(), grow ? 4 : 0);
    }
}

TEST(ForthWords, Include) {
    TTempFolder dir;
    TForth f;
    const std::string inc = dir.Write("inc.4th", "1 2 +\n EGG Helper\n;\n: Helper 10 ;\n");
    const std::string bad = dir.Write("bad.4th", "1 Missing\n");
    f.SetText(": Main 5 \" " + inc + "\" INCLUDE 4 ;\n: Bad \" " + bad + "\" INCLUDE ;\n: Miss 7 \" " +
              dir.Path("none.4th") + "\" INCLUDE ;\n");
    f.Pos = 9;
    f.ExecWord("Main");
    // Nothing below the file name survives; the included definitions were found.
    EXPECT_EQ(Drain(f), V({"4", "10", "3"}));
    EXPECT_EQ(f.Pos, 9);
    const std::string text = f.Text();
    EXPECT_EQ(WordError<EForth>(f, "Bad"), "Word Missing not found");
    EXPECT_EQ(f.Text(), text);
    EXPECT_THROW(f.ExecWord("Miss"), EFOpenError);
    EXPECT_EQ(f.Text(), text);
    EXPECT_EQ(f.Stack.Count(), 0);
    // The command file's words are still there.
    f.ExecWord("Main");
    EXPECT_EQ(Drain(f), V({"4", "10", "3"}));
}

TEST(ForthVocabulary, NativeWords) {
    TForth f;
    ASSERT_NE(f.Current(), nullptr);
    EXPECT_EQ(f.Current()->Count(), 1);
    EXPECT_NE(f.Current()->FindWord("NOT"), nullptr);
    EXPECT_EQ(f.Current()->FindWord("not"), nullptr);  // case-sensitive
    EXPECT_EQ(ExecError<EForth>(f, "1 not"), "Word not not found");

    const std::string name40 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
    int runs = 0;
    f.RegisterWord(name40, [&](TForth& s) {
        ++runs;
        s.PushInteger(31);
    });
    EXPECT_EQ(Exec(f, name40.substr(0, 31)), V({"31"}));
    EXPECT_EQ(ExecError<EForth>(f, name40), "Word " + name40 + " not found");
    EXPECT_EQ(ExecError<EForth>(f, name40.substr(0, 30)),
              "Word " + name40.substr(0, 30) + " not found");
    EXPECT_EQ(runs, 1);

    // Many words stay findable; registering a name again replaces its word.
    for (int i = 0; i < 200; ++i)
        f.RegisterWord("W" + std::to_string((i * 37) % 200), [i](TForth& s) { s.PushInteger(i); });
    EXPECT_EQ(f.Current()->Count(), 202);
    EXPECT_EQ(Exec(f, "W0 W199 W37"), V({"1", "27", "0"}));
    f.RegisterWord("W5", [](TForth& s) { s.PushInteger(-5); });
    EXPECT_EQ(f.Current()->Count(), 202);
    EXPECT_EQ(Exec(f, "W5"), V({"-5"}));
    f.RegisterWord("NOT", [](TForth& s) { s.PushInteger(77); });
    EXPECT_EQ(Exec(f, "NOT"), V({"77"}));
}

TEST(ForthVocabulary, RecordLayout) {
    TVocabulary v;
    EXPECT_EQ(v.GetItemSize(), 40);
    EXPECT_EQ(v.GetFIByName("NFA"), 0);
    EXPECT_EQ(v.GetFIByName("CFA.Obj"), 1);
    EXPECT_EQ(v.GetFIByName("CFA.Code"), 2);
    EXPECT_EQ(v.GetOffset(0), 0);
    EXPECT_EQ(v.GetOffset(1), 36);
    EXPECT_EQ(v.GetOffset(2), 32);
    int runs = 0;
    v.AddWord("Beta", [&](TForth&) { runs += 10; });
    v.AddWord("Alpha", [&](TForth&) { runs += 1; });
    ASSERT_EQ(v.Count(), 2);
    TVocabularyRecord rec;
    std::memcpy(&rec, v.GetItem(1), sizeof rec);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec.NFA) + 1, rec.NFA[0]), "Alpha");
    EXPECT_EQ(rec.Obj, 0u);
    // The name index is sorted: Alpha (record 1) before Beta (record 0).
    EXPECT_EQ(v.GetIndexes(0)->GetID(0), 1);
    TForth f;
    (*v.FindWord("Beta"))(f);
    EXPECT_EQ(runs, 10);
    // A record with a handle that names no handler is not a word.
    rec.Code = 99;
    rec.NFA[0] = 5;
    std::memcpy(rec.NFA + 1, "Gamma", 5);
    v.Add(&rec);
    EXPECT_EQ(v.FindWord("Gamma"), nullptr);
}

TEST(ForthHostHelpers, PushAndPop) {
    TForth f;
    THost host;
    f.PushParams({"one", std::string("two"), 3, 4.5, &host, nullptr, true});
    EXPECT_EQ(Drain(f), V({"obj", "'two'", "'one'"}));
    f.PushParams({nullptr});
    EXPECT_EQ(f.Stack.Count(), 0);
    TCell cell;
    cell.Kind = ckString;
    cell.S = "copied";
    f.Push(cell);
    f.PushInteger(-3);
    f.PushObject(&host);
    EXPECT_EQ(PopObject(f), &host);
    TCell c;
    f.Pop(c);
    EXPECT_EQ(c.Kind, ckInteger);
    EXPECT_EQ(c.Value, -3);
    EXPECT_TRUE(c.S.empty());
    f.Pop(c);
    EXPECT_EQ(c.S, "copied");
}
