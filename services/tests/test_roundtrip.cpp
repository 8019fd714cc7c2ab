// Many commands on two units, one with CR LF and one with LF line ends, with
// the user's edits between them (mixed line ends among them): after every
// load the model holds exactly the lines of the buffer's unit, and every
// write-back changes only the lines the word changed, each line keeping its
// own line end.
#include <random>

#include "services/EditorText.h"
#include "services/tests/ServicesTestSupport.h"

using namespace velt;
using namespace velt::test;

namespace {

const char kCommands[] =
    ": Startup ;\n"
    ": Nothing ;\n"
    ": Touch \" X\" SourceCode :: Text .! ;\n"
    ": Break CRLF ;\n"
    ": Del 2 Delete ;\n";

// A unit as the test knows it: its lines with their own line ends, the
// last one "end.", and text after the unit that the model never sees.
struct TUnit {
    std::string File;
    std::vector<std::pair<std::string, std::string>> Lines;
    std::string After;

    std::string Text() const {
        std::string t;
        for (const auto& [text, end] : Lines) t += text + end;
        return t + After;
    }
    std::vector<std::string> Contents() const {
        std::vector<std::string> r;
        for (const auto& l : Lines) r.push_back(l.first);
        return r;
    }
};

// The lines of a unit's text with their ends.
TUnit Parsed(const std::string& file, const std::string& text, const std::string& after) {
    TUnit u{file, {}, after};
    for (size_t pos = 0; pos < text.size();) {
        const size_t br = std::min(text.find_first_of("\r\n", pos), text.size());
        const size_t next = br == text.size() ? br : br + (text.compare(br, 2, "\r\n") == 0 ? 2 : 1);
        u.Lines.push_back({text.substr(pos, br - pos), text.substr(br, next - br)});
        pos = next;
    }
    return u;
}

std::vector<std::string> Ends(const TUnit& u) {
    std::vector<std::string> r;
    for (const auto& l : u.Lines) r.push_back(l.second);
    return r;
}

class RoundTripTest : public ::testing::Test {
protected:
    void SetUp() override {
        inst.CommandFile(kCommands);
        s = ComPtr<TSourceServices>(new TSourceServices(host));
        s->InstallAddIn();
    }
    void TearDown() override { s->Finalize(); }

    // Letters that never start a line with "end." or make a unit keyword.
    std::string Word() {
        static const char kChars[] = "abcxyz :=;()[]{}0";
        std::string w(size_t(Pick(0, 8)), ' ');
        for (char& c : w) c = kChars[Pick(0, int(sizeof kChars) - 2)];
        return w;
    }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    std::string AnEnd(const TUnit& u) { return Pick(0, 5) == 0 ? (u.Lines[0].second == "\n" ? "\r\n" : "\n") : u.Lines[0].second; }

    // The user types between commands: changes, adds and removes lines
    // above "end.", now and then with the other kind of line end.
    void Edit(TUnit& u) {
        for (int n = Pick(0, 3); n > 0; --n) {
            const int body = int(u.Lines.size()) - 1;
            const int at = Pick(0, body - 1);
            switch (Pick(0, 3)) {
                case 0:
                    u.Lines[size_t(at)].first = Word();
                    break;
                case 1:
                    u.Lines.insert(u.Lines.begin() + at + 1, {Word(), AnEnd(u)});
                    break;
                case 2:
                    if (body > 2) u.Lines.erase(u.Lines.begin() + at);
                    break;
                default:
                    u.Lines[size_t(at)].second = AnEnd(u);
            }
        }
        host.SetText(u.File, u.Text());
    }

    std::mt19937 random{20240617};
    Installation inst;
    MemoryHost host;
    ComPtr<TSourceServices> s;
};

}  // namespace

TEST_F(RoundTripTest, TheModelFollowsEveryLoadAndTheWriteBackKeepsEveryLineEnd) {
    TUnit units[2];
    for (int k = 0; k < 2; ++k) {
        TUnit& u = units[k];
        const std::string end = k == 0 ? "\r\n" : "\n";
        u.File = k == 0 ? "Crlf.pas" : "Lf.pas";
        for (const char* line : {"unit U;", "", "interface", "", "implementation", ""})
            u.Lines.push_back({line, end});
        u.Lines.push_back({"end.", end});
        u.After = "after the unit" + end;
        host.OpenBuffer(u.File, u.Text());
    }
    const char* const words[] = {"Nothing", "Touch", "Break", "Del"};
    int sameUnit = 0, written = 0, current = 0;
    for (int round = 0; round < 600; ++round) {
        if (Pick(0, 3) == 0) current ^= 1;  // the user goes to the other unit
        TUnit& u = units[current];
        if (Pick(0, 2) != 0) Edit(u);
        const int line = Pick(0, int(u.Lines.size()) - 2);  // never the "end." line
        ASSERT_EQ(u.Lines.back().first, "end.");
        const int col = Pick(1, int(u.Lines[size_t(line)].first.size()) + 1);
        host.SetCursor(u.File, {int16_t(col), line + 1});
        const std::string word = words[Pick(0, 3)];

        // The command, step by step as its menu item runs it.
        sameUnit += s->SourceCode().GetFileName() == u.File;
        s->LoadFromIDE(u.File);
        ASSERT_EQ(s->SourceCode().GetLines()->Strings(), u.Contents()) << "round " << round;
        ASSERT_EQ(s->LoadedText(), CutAtFinalEnd(host.Text(u.File), u.File)) << "round " << round;
        s->Forth().ExecWord(word);
        const bool modified = s->SourceCode().GetModified();
        s->SaveToIDE();
        ASSERT_TRUE(host.Messages.empty()) << host.Messages[0];

        // What the buffer holds now: the model's lines before the text
        // after the unit, and the old line ends: each line in its place
        // keeps its own, and the one line a break adds takes a neighbour's.
        // Delete alone does not mark the model modified: nothing is written
        // (and the next load reads the buffer afresh).
        const std::string text = host.Text(u.File);
        if (!modified) {
            ASSERT_EQ(text, u.Text()) << "round " << round << " " << word;
            continue;
        }
        ++written;
        ASSERT_TRUE(text.ends_with(u.After)) << "round " << round;
        const TUnit now = Parsed(u.File, text.substr(0, text.size() - u.After.size()), u.After);
        ASSERT_EQ(now.Contents(), s->SourceCode().GetLines()->Strings()) << "round " << round << " " << word;
        std::vector<std::string> before = Ends(u), after = Ends(now);
        if (word == "Break") {
            ASSERT_EQ(after.size(), before.size() + 1) << "round " << round;
            bool found = false;
            for (size_t p = 0; p < after.size() && !found; ++p) {
                std::vector<std::string> without = after;
                without.erase(without.begin() + ptrdiff_t(p));
                found = without == before && ((p > 0 && after[p - 1] == after[p]) ||
                                              (p + 1 < after.size() && after[p + 1] == after[p]));
            }
            EXPECT_TRUE(found) << "round " << round << ": " << ::testing::PrintToString(after);
        } else {
            EXPECT_EQ(after, before) << "round " << round << " " << word;
        }
        u = now;
    }
    // Both roads of a load and of a command were taken.
    EXPECT_GT(sameUnit, 350);
    EXPECT_LT(sameUnit, 550);
    EXPECT_GT(written, 250);
}
