#include <gtest/gtest.h>

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <string>

#include "foundation/SysUtils.h"
#include "platform/ui/Colors.h"
#include "treeview/Highlight.h"

using namespace velt;

namespace {

// The colour of each character of a paragraph, one letter each: k black,
// b blue, r red, g green, y grey, ? other.
std::string Colours(const THighlight& e, int line) {
    const QTextBlock block = e.document()->findBlockByNumber(line);
    std::string out;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        const TColor c = QColorToColor(f.charFormat().foreground().color());
        const char letter = c == clBlack ? 'k' : c == clBlue ? 'b' : c == clRed ? 'r' : c == clGreen ? 'g'
                          : c == clGray ? 'y' : '?';
        out += std::string(size_t(f.length()), letter);
    }
    return out;
}

std::string Text(const THighlight& e, int line) {
    return e.document()->findBlockByNumber(line).text().toStdString();
}

struct IniEditor {
    IniEditor() {
        e->OnHighlightLine = HighlightIniLine;
        e->SetKeyChars("=;]");
        e->resize(300, 200);
        e->show();
    }
    std::unique_ptr<THighlight> e = THighlight::Create();
};

}  // namespace

TEST(Highlight, TypedKeysColourTheLineAndOneUndoTakesBackAKeyAndItsColours) {
    IniEditor ini;
    THighlight& e = *ini.e;
    QTest::keyClicks(&e, "key=value;note");
    EXPECT_EQ(Text(e, 0), "key=value;note");
    // "note" typed after ";" takes the grey of the character before it.
    EXPECT_EQ(Colours(e, 0), "rrrrgggggyyyyy");
    EXPECT_EQ(e.textCursor().position(), 14);

    QTest::keyClick(&e, Qt::Key_Return);
    QTest::keyClicks(&e, "[Sec]x");
    EXPECT_EQ(Text(e, 1), "[Sec]x");
    // "x" typed after "]" keeps its blue until the line is coloured again.
    EXPECT_EQ(Colours(e, 1), "bbbbbb");

    // Backspace recolours: "[Sec" without "]" is all blue.
    QTest::keyClick(&e, Qt::Key_Left);
    QTest::keyClick(&e, Qt::Key_Backspace);
    EXPECT_EQ(Text(e, 1), "[Secx");
    EXPECT_EQ(Colours(e, 1), "bbbbb");
    EXPECT_EQ(e.textCursor().positionInBlock(), 4);

    // Typing "]" back: one undo takes the key and its colouring.
    QTest::keyClick(&e, ']');
    EXPECT_EQ(Colours(e, 1), "bbbbbk");
    e.undo();
    EXPECT_EQ(Text(e, 1), "[Secx");
    EXPECT_EQ(Colours(e, 1), "bbbbb");

    // Enter splits the line; the line that now holds the caret is recoloured.
    QTextCursor c(e.document()->findBlockByNumber(0));
    c.setPosition(c.block().position() + 3);
    e.setTextCursor(c);
    QTest::keyClick(&e, Qt::Key_Enter);
    EXPECT_EQ(Text(e, 1), "=value;note");
    EXPECT_EQ(Colours(e, 1), "rgggggyyyyy");
}

TEST(Highlight, WholeParagraphIsRewrittenEvenWhenWrapped) {
    IniEditor ini;
    THighlight& e = *ini.e;
    e.resize(80, 200);
    e.setLineWrapMode(QTextEdit::WidgetWidth);
    const std::string line = "averyveryverylongkeyname=a value that wraps over several display lines;c";
    e.setPlainText(QString::fromStdString(line));
    QTextCursor c(e.document());
    c.movePosition(QTextCursor::End);
    e.setTextCursor(c);
    e.HighlightLine();
    ASSERT_EQ(e.document()->blockCount(), 1);
    EXPECT_EQ(Text(e, 0), line);
    const size_t eq = line.find('=') + 1, semi = line.find(';');
    EXPECT_EQ(Colours(e, 0), std::string(eq, 'r') + std::string(semi - eq, 'g') + "yy");
    EXPECT_EQ(e.textCursor().position(), int(line.size()));
}

TEST(Highlight, CaretStaysWithinItsLineAndOutOfRangeLinesAreLeftAlone) {
    auto e = THighlight::Create();
    e->setPlainText("abc=d\nnext");
    // A handler that writes a shorter line: the caret is clamped to it.
    e->OnHighlightLine = [](QObject* sender, const std::string&) { static_cast<THighlight*>(sender)->SetSelText("ab"); };
    QTextCursor c(e->document());
    c.setPosition(5);
    e->setTextCursor(c);
    e->HighlightLineEx(0);
    EXPECT_EQ(Text(*e, 0), "ab");
    EXPECT_EQ(e->textCursor().position(), 2);
    // A caret on a later line keeps its place in that line.
    c.setPosition(3 + 2);  // "ab\nne|xt"
    e->setTextCursor(c);
    e->OnHighlightLine = HighlightIniLine;
    e->HighlightLineEx(0);
    EXPECT_EQ(e->textCursor().position(), 5);
    const std::string before = e->toPlainText().toStdString();
    e->HighlightLineEx(-1);
    e->HighlightLineEx(2);
    EXPECT_EQ(e->toPlainText().toStdString(), before);
    // A handler that raises half-way loses no text.
    e->OnHighlightLine = [](QObject* sender, const std::string&) {
        static_cast<THighlight*>(sender)->SetSelText("partial");
        throw Exception("colouring failed");
    };
    EXPECT_THROW(e->HighlightLineEx(1), Exception);
    EXPECT_EQ(e->toPlainText().toStdString(), before);
    // Without a handler nothing happens.
    e->OnHighlightLine = nullptr;
    e->HighlightLineEx(0);
    EXPECT_EQ(e->toPlainText().toStdString(), before);
}

TEST(Highlight, SetLinesAndTheRichAndHtmlHandlers) {
    auto e = THighlight::Create();
    TStringList lines;
    lines.Add("\\b bold\\b0 {\\i x}");
    lines.Add("a\\\\b");
    e->OnHighlightLine = HighlightRichLine;
    e->SetLines(lines);
    EXPECT_EQ(e->Lines(), (std::vector<std::string>{"\\b bold\\b0 {\\i x}", "a\\\\b", ""}));
    EXPECT_EQ(Colours(*e, 0), "bbkkkkkbbbkrrrrrr");
    EXPECT_EQ(Colours(*e, 1), "kbbk");

    // HTML lines are written in black, not erased.
    e->OnHighlightLine = HighlightHTMLLine;
    e->HighlightLineEx(0);
    EXPECT_EQ(Text(*e, 0), "\\b bold\\b0 {\\i x}");
    EXPECT_EQ(Colours(*e, 0), std::string(17, 'k'));

    // Without a handler the strings go in as they are.
    e->OnHighlightLine = nullptr;
    e->SetLines(lines);
    EXPECT_EQ(e->Lines(), (std::vector<std::string>{"\\b bold\\b0 {\\i x}", "a\\\\b", ""}));
}

TEST(Highlight, OneUndoTakesBackBackspaceDeleteOrEnterWithTheirColouring) {
    for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return}) {
        SCOPED_TRACE(int(key));
        IniEditor ini;
        THighlight& e = *ini.e;
        QTest::keyClicks(&e, "ab=cd");
        const std::string colours = Colours(e, 0);
        if (key == Qt::Key_Delete) QTest::keyClick(&e, Qt::Key_Left);
        QTest::keyClick(&e, key);
        ASSERT_NE(e.toPlainText().toStdString(), "ab=cd");
        e.undo();
        EXPECT_EQ(e.toPlainText().toStdString(), "ab=cd");
        EXPECT_EQ(Colours(e, 0), colours);
    }
}

TEST(Highlight, EnterColoursTheLineItEndsAndDeleteTheLineItJoins) {
    IniEditor ini;
    THighlight& e = *ini.e;
    QTest::keyClicks(&e, "[Sec]tail");
    EXPECT_EQ(Colours(e, 0), "bbbbbbbbb");  // "tail" took the blue of "]"
    QTest::keyClick(&e, Qt::Key_Return);
    EXPECT_EQ(Text(e, 0), "[Sec]tail");
    EXPECT_EQ(Colours(e, 0), "bbbbbkkkk");
    // A line of a comment alone is black.
    QTest::keyClicks(&e, "; note");
    QTest::keyClick(&e, Qt::Key_Return);
    EXPECT_EQ(Colours(e, 1), "kkkkkk");

    // Delete before ";": the comment joins the value, which is green.
    QTest::keyClicks(&e, "x=1;2");
    EXPECT_EQ(Colours(e, 2), "rrgyy");
    QTest::keyClick(&e, Qt::Key_Left);
    QTest::keyClick(&e, Qt::Key_Left);
    QTest::keyClick(&e, Qt::Key_Delete);
    EXPECT_EQ(Text(e, 2), "x=12");
    EXPECT_EQ(Colours(e, 2), "rrgg");
    EXPECT_EQ(e.textCursor().positionInBlock(), 3);
}
