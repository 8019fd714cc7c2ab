// The interpreter: tokens, IF/ELSE/THEN, definitions run by name, command
// files with any line end, recovery from malformed text, error messages.

#include <gtest/gtest.h>

#include <pthread.h>

#include <functional>

#include "forth/tests/ForthTestHost.h"

using namespace velt;
using namespace velt::test;

TEST(ForthInterpret, LiteralsAndOperators) {
    TForth f;
    EXPECT_EQ(Exec(f, "5 3 -"), V({"2"}));
    EXPECT_EQ(Exec(f, "TRUE NOT"), V({"0"}));
    EXPECT_EQ(Exec(f, "$10 -7 +"), V({"9"}));
    EXPECT_EQ(Exec(f, "$FFFFFFFF"), V({"-1"}));
    EXPECT_EQ(Exec(f, "12 10 & 12 10 |"), V({"14", "8"}));
    EXPECT_EQ(Exec(f, "$7FFFFFFF 1 +"), V({"-2147483648"}));
    EXPECT_EQ(Exec(f, "-2147483648 1 -"), V({"2147483647"}));
    // Tabs, CR and LF separate tokens like blanks.
    EXPECT_EQ(Exec(f, "1\t2\r\n3\n4\r5"), V({"5", "4", "3", "2", "1"}));
    EXPECT_EQ(ExecError<EForth>(f, "2147483648"), "Word 2147483648 not found");
}

TEST(ForthInterpret, StringLiteralsAndComments) {
    TForth f;
    EXPECT_EQ(Exec(f, "\" Hello world\""), V({"'Hello world'"}));
    EXPECT_EQ(Exec(f, "' it is\" here'"), V({"'it is\" here'"}));
    EXPECT_EQ(Exec(f, "\" \""), V({"''"}));
    EXPECT_EQ(Exec(f, "1 ( 2 3 ) 4 // 5 6\n7"), V({"7", "4", "1"}));
    // An opener glued to its text is one token.
    EXPECT_EQ(ExecError<EForth>(f, "(abc )"), "Word (abc not found");
    EXPECT_EQ(ExecError<EForth>(f, "//abc"), "Word //abc not found");
    EXPECT_EQ(ExecError<EForth>(f, "\"abc\""), "Word \"abc\" not found");
    EXPECT_EQ(ExecError<EForth>(f, ": X ;"), "Word : not found");
}

TEST(ForthInterpret, UnterminatedTextEndsCleanly) {
    TForth f;
    EXPECT_EQ(ExecError<EForth>(f, "1 \" abc"), "Token \" expected");
    EXPECT_EQ(ExecError<EForth>(f, "1 ' abc"), "Token ' expected");
    // Comment text never runs, with or without a line end after it.
    EXPECT_EQ(Exec(f, "1 ( 2 Hello"), V({"1"}));
    EXPECT_EQ(Exec(f, "1 // 2 Hello"), V({"1"}));
    EXPECT_EQ(Exec(f, "1\r\n// 2 Hello"), V({"1"}));
    // Text set without the trailing blank ends at its last token, once.
    f.SetText("1 2 +");
    f.Pos = 1;
    f.Interpret();
    EXPECT_EQ(Drain(f), V({"3"}));
    EXPECT_TRUE(f.AtEnd());
}

TEST(ForthInterpret, IfElseThen) {
    TForth f;
    const std::string prog =
        "IF\n"
        "  1\n"
        "ELSE\n"
        "  2\n"
        "THEN\n"
        "3";
    EXPECT_EQ(Exec(f, "TRUE " + prog), V({"3", "1"}));
    EXPECT_EQ(Exec(f, "FALSE " + prog), V({"3", "2"}));
    // A false condition skips a whole "cond IF word THEN" line and looks for
    // a later line starting with THEN or ELSE.
    EXPECT_EQ(Exec(f, "0 IF 7 THEN\n8\nTHEN 9"), V({"9"}));
    EXPECT_EQ(Exec(f, "FALSE IF\n1\nTHEN"), V({}));
    EXPECT_EQ(Exec(f, "1 IF\n4\nTHEN\n5"), V({"5", "4"}));
    // CR-only and CR LF line ends behave the same.
    EXPECT_EQ(Exec(f, "FALSE IF\r1\rELSE\r2\rTHEN"), V({"2"}));
    EXPECT_EQ(Exec(f, "TRUE IF\r\n1\r\nELSE\r\n2\r\nTHEN"), V({"1"}));
    EXPECT_EQ(ExecError<EForth>(f, "FALSE IF\n1\n2"), "THEN or ELSE expected");
    EXPECT_EQ(ExecError<EForth>(f, "TRUE IF\n1\nELSE\n2"), "THEN expected");
    // Outside an IF, THEN and ELSE are plain names.
    EXPECT_EQ(ExecError<EForth>(f, "THEN"), "Word THEN not found");
    EXPECT_EQ(ExecError<EForth>(f, "ELSE"), "Word ELSE not found");
    EXPECT_EQ(ExecError<EStack>(f, "IF"), "Empty stack");
}

TEST(ForthInterpret, FalseIfLeavesTheStateAsItWas) {
    TForth f;
    // Only the condition is taken; the run goes on right after THEN.
    EXPECT_EQ(Exec(f, "7 \" s\" FALSE IF 1\n2\nTHEN 8"), V({"8", "'s'", "7"}));
    // Outside an IF before, outside it after: a second THEN is a plain name.
    EXPECT_EQ(ExecError<EForth>(f, "FALSE IF\n1\nTHEN\nTHEN"), "Word THEN not found");
    EXPECT_EQ(ExecError<EForth>(f, "FALSE IF\n1\nTHEN\nELSE"), "Word ELSE not found");
    // Inside a true branch it stays there, so the ELSE still skips to THEN.
    EXPECT_EQ(Exec(f, "TRUE IF\nFALSE IF\n1\nTHEN\n2\nELSE\n3\nTHEN\n4"), V({"4", "2"}));
}

TEST(ForthExecWord, FindsDefinitionsWithAnyLineEnd) {
    for (const std::string nl : {"\r\n", "\n", "\r"}) {
        TForth f;
        Load(f, ": First 1 ;" + nl + ": Second 2 ;" + nl + "// note" + nl + ": Third" + nl +
                    "  3 ( c" + nl + "omment ) 4" + nl + ";" + nl);
        f.ExecWord("Third");
        f.ExecWord("First");
        f.ExecWord("Second");
        EXPECT_EQ(Drain(f), V({"2", "1", "4", "3"})) << int(nl.back());
    }
}

TEST(ForthExecWord, MatchesTheWholeName) {
    TForth f;
    Load(f, "\r\n: OpenUnitSource 1 ;\r\n: Open 2 ;\r\n: open 3 ;\r\n:  Spaced 4 ;\r\n");
    f.ExecWord("Open");
    f.ExecWord("open");
    f.ExecWord("OpenUnitSource");
    EXPECT_EQ(Drain(f), V({"1", "3", "2"}));
    EXPECT_EQ(WordError<EForth>(f, "OPEN"), "Word OPEN not found");
    EXPECT_EQ(WordError<EForth>(f, "Ope"), "Word Ope not found");
    EXPECT_EQ(WordError<EForth>(f, ""), "Word  not found");
    EXPECT_EQ(WordError<EForth>(f, "Spaced"), "Word Spaced not found");
    // A definition must start its line.
    Load(f, "1 : Inner 5 ;\r\n");
    EXPECT_EQ(WordError<EForth>(f, "Inner"), "Word Inner not found");
    // The first of two definitions of one name runs.
    Load(f, ": Twice 1 ;\n: Twice 2 ;\n");
    f.ExecWord("Twice");
    EXPECT_EQ(Drain(f), V({"1"}));
}

TEST(ForthExecWord, RunsNestedWordsAndRestoresState) {
    TForth f;
    Load(f, ": A 1 EGG B 3 ;\n: B 2 ;\n: Bad 9 EGG Missing ;\n: Deep EGG Deep ;\n");
    f.Pos = 4;
    f.Struc = fcIfElse;
    f.ExecWord("A");
    EXPECT_EQ(Drain(f), V({"3", "2", "1"}));
    EXPECT_EQ(f.Pos, 4);
    EXPECT_EQ(f.Struc, fcIfElse);
    // The state comes back after a failure too.
    EXPECT_EQ(WordError<EForth>(f, "Bad"), "Word Missing not found");
    EXPECT_EQ(f.Pos, 4);
    EXPECT_EQ(f.Struc, fcIfElse);
    // Endless recursion stops with an error, not a crash.
    EXPECT_EQ(WordError<EForth>(f, "Deep"), "Word nesting too deep");
    EXPECT_EQ(f.Pos, 4);
    // Host words that run words by name nest as deeply.
    std::string chain = ": Chain";
    for (int i = 0; i < 5000; ++i) chain += " EGG";
    f.SetText(chain + " B ;\n: B 2 ;\n");
    EXPECT_EQ(WordError<EForth>(f, "Chain"), "Word nesting too deep");
    f.ClearStack();
    f.ExecWord("B");
    EXPECT_EQ(Drain(f), V({"2"}));
}

TEST(ForthExecWord, MalformedDefinitionsKeepTheCommandText) {
    TForth f;
    Load(f, ": Good 1 ;\n: NoEnd 2\n: Later 3 ;\n: Str \" open\n: Cmt ( never closed\n: Last 4 // tail");
    // A word without its ";" runs into the next definition's ":".
    EXPECT_EQ(WordError<EForth>(f, "NoEnd"), "Word : not found");
    EXPECT_EQ(WordError<EForth>(f, "Str"), "Token \" expected");
    f.ClearStack();
    f.ExecWord("Cmt");
    f.ExecWord("Last");
    f.ExecWord("Good");
    f.ExecWord("Later");
    EXPECT_EQ(Drain(f), V({"3", "1", "4"}));
    EXPECT_FALSE(f.Text().empty());
}

TEST(ForthExecWord, HostMethodsShadowDefinitions) {
    TForth f;
    THost host;
    f.Objects.AddObject("Host", &host);
    Load(f, ": Hello 1 ;\n: Count 2 ;\n");
    f.ExecWord("hello");  // published methods fold case
    EXPECT_EQ(Drain(f), V({"'hello'"}));
    // Properties are not words for ExecWord.
    f.ExecWord("Count");
    EXPECT_EQ(Drain(f), V({"2"}));
}

TEST(ForthFiles, LoadFromFileAndExecForthFile) {
    TTempFolder dir;
    TForth f;
    const std::string cmd = dir.Write("cmd.4th", ": Startup 1 2 + ;\n: Other \" x\" ;");
    f.PushInteger(99);
    f.LoadFromFile(cmd);
    EXPECT_EQ(f.Stack.Count(), 0);
    EXPECT_EQ(f.Pos, 1);
    EXPECT_EQ(f.Text().back(), ' ');
    f.ExecWord("Startup");
    f.ExecWord("Other");
    EXPECT_EQ(Drain(f), V({"'x'", "3"}));

    const std::string prog = dir.Write("prog.4th", "4 5 +\r\n");
    f.ExecForthFile(prog);
    EXPECT_EQ(Drain(f), V({"9"}));
    EXPECT_THROW(f.LoadFromFile(dir.Path("missing.4th")), EFOpenError);
}

TEST(ForthFiles, ByteOrderMarkIsNotText) {
    TTempFolder dir;
    TForth f;
    const std::string bom = "\xEF\xBB\xBF";
    f.LoadFromFile(dir.Write("cmd.4th", bom + ": Startup 1 ;\r\n: Other 2 ;\r\n"));
    f.ExecWord("Startup");
    f.ExecWord("Other");
    EXPECT_EQ(Drain(f), V({"2", "1"}));
    // Files run from their first character, directly or included.
    const std::string prog = dir.Write("prog.4th", bom + "4 5 +\r\n");
    f.ExecForthFile(prog);
    EXPECT_EQ(Drain(f), V({"9"}));
    f.SetText("\r\n: Main \" " + prog + "\" INCLUDE ;\r\n");
    f.ExecWord("Main");
    EXPECT_EQ(Drain(f), V({"9"}));
}

TEST(ForthTokenizer, NextTokenAndExpectToken) {
    TForth f;
    Load(f, "abc  (def) \"q");
    std::string tok = "keep";
    EXPECT_TRUE(f.NextToken(' ', tok));
    EXPECT_EQ(tok, "abc");
    EXPECT_TRUE(f.NextToken(' ', tok));  // on a separator: empty token
    EXPECT_EQ(tok, "");
    f.SkipBlanks();
    EXPECT_TRUE(f.NextToken(')', tok));
    EXPECT_EQ(tok, "(def");
    const int32_t pos = f.Pos;
    EXPECT_FALSE(f.NextToken('\'', tok));  // absent delimiter: nothing changes
    EXPECT_EQ(tok, "(def");
    EXPECT_EQ(f.Pos, pos);
    Load(f, "  BEGIN WHILE");
    f.ExpectToken("BEGIN");
    EXPECT_EQ(ErrorOf<EForth>([&] { f.ExpectToken("REPEAT"); }), "Token REPEAT expected");
}

TEST(ForthLimits, StepLimitStopsRunawayPrograms) {
    TForth f;
    f.StepLimit = 500;
    Load(f, ": Fork EGG Fork EGG Fork ;\n");
    EXPECT_EQ(WordError<EForth>(f, "Fork"), "Step limit exceeded");
    f.StepLimit = 0;
}

namespace {

// Runs fn on a thread of its own with the given stack size and answers the
// message of the EForth it raised, or "" when none.
std::string ErrorOnStack(size_t stackSize, const std::function<void()>& fn) {
    struct Job {
        const std::function<void()>* Fn;
        std::string Error;
    } job{&fn, {}};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, stackSize);
    pthread_t thread;
    const int rc = pthread_create(
        &thread, &attr,
        [](void* p) -> void* {
            auto* j = static_cast<Job*>(p);
            j->Error = ErrorOf<EForth>(*j->Fn);
            return nullptr;
        },
        &job);
    pthread_attr_destroy(&attr);
    if (rc != 0) return "thread not started";
    pthread_join(thread, nullptr);
    return job.Error;
}

}  // namespace

TEST(ForthLimits, DeepNestingStopsCleanlyOnASmallStack) {
    TForth f;
    Load(f, ": Deep EGG Deep ;\n: B 2 ;\n");
    std::string chain = ": Chain";
    for (int i = 0; i < 5000; ++i) chain += " EGG";
    const std::string chainText = chain + " B ;\n: B 2 ;\n";
    for (const size_t stack : {size_t(1) << 20, size_t(256) << 10}) {
        EXPECT_EQ(ErrorOnStack(stack, [&] { f.ExecWord("Deep"); }), "Word nesting too deep") << stack;
    }
    f.SetText(chainText);
    EXPECT_EQ(ErrorOnStack(size_t(1) << 20, [&] { f.ExecWord("Chain"); }), "Word nesting too deep");
    // The interpreter still runs words afterwards, on any thread.
    f.ClearStack();
    EXPECT_EQ(ErrorOnStack(size_t(1) << 20, [&] { f.ExecWord("B"); }), "");
    EXPECT_EQ(Drain(f), V({"2"}));
}
