#pragma once
// A rich edit that lets a handler colour each line as it is typed: a key
// of KeyChars, Backspace, Enter and Delete hand the caret's line (its
// paragraph) to OnHighlightLine, which writes it again through SetSelText
// and SelAttributes().Color; Enter hands the line it ended over too. A key
// and its colouring are one undo step. HighlightIniLine, HighlightRichLine
// and HighlightHTMLLine are ready-made handlers.

#include <QTextCharFormat>
#include <QTextEdit>
#include <functional>
#include <memory>
#include <string>

#include "foundation/Classes.h"
#include "platform/ui/Colors.h"

namespace velt {

using THighlightLineEvent = std::function<void(QObject* Sender, const std::string& Line)>;

class THighlight;

// The attributes that the next text written through SetSelText takes.
class TTextAttributes {
public:
    // Colour = value sets it, TColor(Colour) reads it.
    class TColorProperty {
    public:
        TColorProperty& operator=(TColor value);
        operator TColor() const;

    private:
        friend class TTextAttributes;
        explicit TColorProperty(THighlight* editor) : editor_(editor) {}
        THighlight* editor_;
    };
    TColorProperty Color;

private:
    friend class THighlight;
    explicit TTextAttributes(THighlight* editor) : Color(editor) {}
};

class THighlight : public QTextEdit {
    Q_OBJECT
    Q_PROPERTY(QString KeyChars READ GetKeyCharsQ WRITE SetKeyCharsQ)

public:
    explicit THighlight(QWidget* parent = nullptr);
    static std::unique_ptr<THighlight> Create(QWidget* parent = nullptr);

    THighlightLineEvent OnHighlightLine;

    // UTF-8; each code point is a key that colours the line.
    const std::string& GetKeyChars() const { return keyChars_; }
    void SetKeyChars(const std::string& value);

    // HighlightLineEx of the paragraph that holds the caret.
    virtual void HighlightLine();
    // Takes the paragraph out and hands its text to OnHighlightLine with
    // the caret at its start, all in one undo step; the caret then goes
    // back to its offset in the line (at most the line's length). Without
    // a handler, or for a line that is not there, nothing happens.
    virtual void HighlightLineEx(int Line);

    // The text becomes the strings, each through OnHighlightLine (else as
    // it is), each followed by a line break in black.
    void SetLines(const TStringList& Strings);

    // Writes text at the caret (over the selection) in SelAttributes.
    void SetSelText(const std::string& text);
    TTextAttributes& SelAttributes() { return selAttributes_; }

    // The text of each paragraph, in UTF-8.
    std::vector<std::string> Lines() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    friend class TTextAttributes;
    QString GetKeyCharsQ() const { return QString::fromStdString(keyChars_); }
    void SetKeyCharsQ(const QString& value) { SetKeyChars(value.toStdString()); }
    bool IsKeyChar(const QString& text) const;
    // Backspace, Enter and Delete: their release colours the line.
    static bool IsColouringKey(int key);

    // The last key pressed edited the text, leaving it at keyRevision_.
    bool keyEdited_ = false;
    int keyRevision_ = 0;
    std::string keyChars_;
    std::u32string keys_;
    QTextCharFormat selFormat_;
    TTextAttributes selAttributes_{this};
};

// Handlers of OnHighlightLine: Line written at Editor's caret in the
// colours of the INI, RTF and HTML scanners. Editor must be a THighlight
// (any other sender raises).
void HighlightIniLine(QObject* Editor, const std::string& Line);
void HighlightRichLine(QObject* Editor, const std::string& Line);
void HighlightHTMLLine(QObject* Editor, const std::string& Line);

}  // namespace velt
