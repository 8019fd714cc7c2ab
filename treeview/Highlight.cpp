#include "treeview/Highlight.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "foundation/Highlighters.h"
#include "foundation/SysUtils.h"
#include "platform/ui/ExceptionReporter.h"

namespace velt {

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

TColor ColourOf(THighlightColour c) {
    switch (c) {
        case hcBlue: return clBlue;
        case hcRed: return clRed;
        case hcGreen: return clGreen;
        case hcGray: return clGray;
        case hcBlack: break;
    }
    return clBlack;
}

void Write(QObject* editor, const THighlightRuns& runs) {
    auto* e = qobject_cast<THighlight*>(editor);
    if (!e) throw Exception("A line can be coloured only in a THighlight");
    for (const THighlightRun& run : runs) {
        e->SelAttributes().Color = ColourOf(run.Colour);
        e->SetSelText(run.Text);
    }
}

}  // namespace

TTextAttributes::TColorProperty& TTextAttributes::TColorProperty::operator=(TColor value) {
    editor_->selFormat_.setForeground(ColorToQColor(value));
    return *this;
}

TTextAttributes::TColorProperty::operator TColor() const {
    const QBrush b = editor_->selFormat_.foreground();
    return b.style() == Qt::NoBrush ? clBlack : QColorToColor(b.color());
}

THighlight::THighlight(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    selFormat_.setForeground(QColor(Qt::black));
}

std::unique_ptr<THighlight> THighlight::Create(QWidget* parent) {
    auto e = std::make_unique<THighlight>(parent);
    e->resize(185, 89);
    return e;
}

void THighlight::SetKeyChars(const std::string& value) {
    keyChars_ = value;
    keys_.clear();
    for (char32_t c : Q(value).toUcs4()) keys_.push_back(c);
}

bool THighlight::IsKeyChar(const QString& text) const {
    const QList<uint> chars = text.toUcs4();
    return chars.size() == 1 && keys_.find(char32_t(chars[0])) != std::u32string::npos;
}

void THighlight::SetSelText(const std::string& text) {
    QTextCursor c = textCursor();
    c.insertText(Q(text), selFormat_);
    setTextCursor(c);
}

std::vector<std::string> THighlight::Lines() const {
    std::vector<std::string> lines;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) lines.push_back(b.text().toStdString());
    return lines;
}

void THighlight::HighlightLine() { HighlightLineEx(textCursor().blockNumber()); }

void THighlight::HighlightLineEx(int Line) {
    if (!OnHighlightLine) return;
    QTextDocument* doc = document();
    const QTextBlock block = doc->findBlockByNumber(Line);
    if (Line < 0 || !block.isValid()) return;

    const int start = block.position();
    const int oldLength = block.length() - 1;  // without the paragraph break
    const int caret = textCursor().position();
    const int docLength = doc->characterCount();

    QTextCursor c(doc);
    c.beginEditBlock();
    c.setPosition(start);
    c.setPosition(start + oldLength, QTextCursor::KeepAnchor);
    const std::string text = block.text().toStdString();
    c.removeSelectedText();
    setTextCursor(c);
    try {
        OnHighlightLine(this, text);
    } catch (...) {
        // A handler that raises gets no line lost: what it wrote so far
        // goes, the line comes back as it was.
        QTextCursor undo(doc);
        undo.setPosition(start);
        undo.setPosition(std::clamp(textCursor().position(), start, doc->characterCount() - 1),
                         QTextCursor::KeepAnchor);
        undo.insertText(QString::fromStdString(text), block.charFormat());
        undo.setPosition(std::min(caret, doc->characterCount() - 1));
        setTextCursor(undo);
        c.endEditBlock();
        throw;
    }
    // Back to the same offset in the rewritten line, never past its end;
    // a caret elsewhere keeps its place in the text around the line.
    const QTextBlock now = doc->findBlock(start);
    const int newLength = now.isValid() ? now.length() - 1 : 0;
    int pos;
    if (caret < start) pos = caret;
    else if (caret <= start + oldLength) pos = start + std::min(caret - start, newLength);
    else pos = caret + (doc->characterCount() - docLength);
    QTextCursor back(doc);
    back.setPosition(std::clamp(pos, 0, doc->characterCount() - 1));
    setTextCursor(back);
    c.endEditBlock();
}

void THighlight::SetLines(const TStringList& Strings) {
    clear();
    QTextCursor c(document());
    c.beginEditBlock();
    setTextCursor(c);
    QTextCharFormat black;
    black.setForeground(QColor(Qt::black));
    try {
        for (const std::string& s : Strings.Strings()) {
            if (OnHighlightLine) OnHighlightLine(this, s);
            else SetSelText(s);
            SelAttributes().Color = clBlack;
            QTextCursor at = textCursor();
            at.insertBlock(QTextBlockFormat(), black);
            setTextCursor(at);
        }
    } catch (...) {
        c.endEditBlock();
        throw;
    }
    c.endEditBlock();
}

void THighlight::keyPressEvent(QKeyEvent* event) {
    if (OnHighlightLine && !event->text().isEmpty() && IsKeyChar(event->text()) &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        // The key and its colouring are one undo step.
        QTextCursor c(document());
        c.beginEditBlock();
        CallReporting([&] {
            SetSelText(event->text().toStdString());
            HighlightLine();
        });
        c.endEditBlock();
        event->accept();
        return;
    }
    if (!IsColouringKey(event->key())) {
        keyEdited_ = false;
        QTextEdit::keyPressEvent(event);
        return;
    }
    // The key's edit in a block of its own, which the colouring at the
    // key's release joins.
    const int revision = document()->revision();
    QTextCursor c(document());
    c.beginEditBlock();
    QTextEdit::keyPressEvent(event);
    c.endEditBlock();
    keyEdited_ = document()->revision() != revision;
    keyRevision_ = document()->revision();
}

bool THighlight::IsColouringKey(int key) {
    return key == Qt::Key_Backspace || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Delete;
}

void THighlight::keyReleaseEvent(QKeyEvent* event) {
    QTextEdit::keyReleaseEvent(event);
    if (!IsColouringKey(event->key())) return;
    QTextCursor c(document());
    // One undo step with the key's own edit, unless something came between.
    const bool join = keyEdited_ && document()->revision() == keyRevision_;
    keyEdited_ = false;
    if (join) c.joinPreviousEditBlock();
    else c.beginEditBlock();
    CallReporting([&] {
        // Enter ends a line as well: it is coloured again, as the new one is.
        const int line = textCursor().blockNumber();
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && line > 0) HighlightLineEx(line - 1);
        HighlightLine();
    });
    c.endEditBlock();
}

void HighlightIniLine(QObject* Editor, const std::string& Line) { Write(Editor, ScanIniLine(Line)); }
void HighlightRichLine(QObject* Editor, const std::string& Line) { Write(Editor, ScanRichLine(Line)); }
void HighlightHTMLLine(QObject* Editor, const std::string& Line) { Write(Editor, ScanHTMLLine(Line)); }

}  // namespace velt
