#pragma once
// The font family and font size pickers, over lists that all such pickers
// share: the families the system offers (sorted; a family a picker was set
// to that the system lacks is added and marked), the charsets of the
// current face, and 29 font sizes (a size a picker was set to is added for
// every size picker). The lists are made by the first picker that needs
// them and freed at graphics shut-down.
//
// The families and their charsets come from a replaceable font source: the
// system's through Qt, or a fixed one for tests.

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graphics/GrfSel.h"

namespace velt {

// ---- the font source ----------------------------------------------------------------

class TFontSource {
public:
    virtual ~TFontSource() = default;
    // The families of the screen, in any order.
    virtual std::vector<std::string> Families() = 0;
    // The charsets (by the platform's numbers) the face offers.
    virtual std::vector<int32_t> Charsets(const std::string& family) = 0;
};

// Qt's font database: a face's charsets follow from its writing systems
// (Greek 161, Cyrillic 204, Hebrew 177, Arabic 178, Thai 222, Japanese 128,
// Korean 129, Simplified Chinese 134, Traditional Chinese 136, Symbol 2);
// a Latin face with the letters Ő, Ė or Ğ also offers 238, 186 or 162.
class TQtFontSource : public TFontSource {
public:
    std::vector<std::string> Families() override;
    std::vector<int32_t> Charsets(const std::string& family) override;
};

// Faces given in code.
class TFixedFontSource : public TFontSource {
public:
    struct Face {
        std::string Name;
        std::vector<int32_t> Charsets;
    };
    TFixedFontSource() = default;
    explicit TFixedFontSource(std::vector<Face> faces) : Faces(std::move(faces)) {}
    std::vector<std::string> Families() override;
    std::vector<int32_t> Charsets(const std::string& family) override;
    std::vector<Face> Faces;
};

// Installs a source (not owned) and answers the previous one; null restores
// the Qt source. The shared font list keeps the families it was made from
// until it is freed.
TFontSource* SetFontSource(TFontSource* source);
TFontSource& GetFontSource();

// ---- the shared lists ------------------------------------------------------------------

struct TFontListEntry {
    std::string Name;
    // 1: added because a picker was set to it; the system lacks it.
    int32_t Object = 0;
};
struct TCharsetListEntry {
    std::string Name;
    int32_t Charset = 0;
};

// Made on first use.
const std::vector<TFontListEntry>& SharedFontList();
const std::vector<TCharsetListEntry>& SharedCharsetList();
const std::vector<int32_t>& SharedSizeList();
bool SharedFontListsMade();
// Frees the three lists (graphics shut-down). Pickers still alive show
// nothing until a list is made again.
void FreeGraphSelectLists();

// The family name as a cell of that width shows it: whole when it fits in
// the width less 1, else cut by whole characters until it fits in the width
// less 8 and, with "..." after it, in the width less 1.
std::string FitFontName(TCanvas& canvas, const std::string& name, int32_t cellWidth);

// ---- the pickers -----------------------------------------------------------------------

class TGraphSelectFont;

// The flat button left of the arrow that shows the charset and opens the
// charset menu.
class TCharsetButton : public QWidget {
    Q_OBJECT
public:
    explicit TCharsetButton(TGraphSelectFont* owner);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TGraphSelectFont* owner_;
    std::string caption_;
};

class TGraphSelectFont : public TCustomGraphSelect {
    Q_OBJECT
    Q_PROPERTY(int Charset READ GetCharset WRITE SetCharset)
    Q_PROPERTY(QString FontName READ GetFontNameQ WRITE SetFontNameQ)
public:
    explicit TGraphSelectFont(QWidget* parent = nullptr);
    ~TGraphSelectFont() override;
    static std::unique_ptr<TGraphSelectFont> Create();

    // The family of the current item; empty without one.
    std::string GetFontName() const;
    // Selects the family (ASCII case folded); one the list lacks is added,
    // marked as missing. An empty name selects nothing.
    void SetFontName(const std::string& name);
    int32_t GetCharset() const { return charset_; }
    // Shows the charset's short name on the charset button.
    void SetCharset(int32_t charset);
    TCharsetButton* CharsetButton() const { return charsetButton_; }
    // The charset menu at the charset button: the charset list made for
    // this picker's face, one item per entry; choosing one sets Charset and
    // reports a change.
    void CharsetMenu();

    void ReBuild() override;
    TRect DrawedRect() override;
    void DrawItem(TCanvas& canvas, int32_t index, TOwnerDrawState state, TRect r) override;
    std::string GetItemHint(int32_t index) override;
    // Rebuilds the charset list for the current face; a charset the face
    // lacks falls back to 1.
    void Change() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void PlaceButtons() override;

private:
    // Every font picker keeps its family over an insertion into the list.
    static void ListInserted(int32_t at);
    QString GetFontNameQ() const { return QString::fromStdString(GetFontName()); }
    void SetFontNameQ(const QString& name) { SetFontName(name.toStdString()); }

    int32_t charset_ = 1;
    TCharsetButton* charsetButton_;  // a child
};

class TGraphSelectFontSize : public TCustomGraphSelect {
    Q_OBJECT
    Q_PROPERTY(int FontSize READ GetFontSize WRITE SetFontSize)
public:
    explicit TGraphSelectFontSize(QWidget* parent = nullptr);
    ~TGraphSelectFontSize() override;
    static std::unique_ptr<TGraphSelectFontSize> Create();

    // The size of the current item; 0 without one.
    int32_t GetFontSize() const;
    // Kept within 1..200; a size the list lacks is added for every size picker.
    void SetFontSize(int32_t size);

    void ReBuild() override;
    void DrawItem(TCanvas& canvas, int32_t index, TOwnerDrawState state, TRect r) override;
    std::string GetItemHint(int32_t index) override;

private:
    // Every size picker keeps its size over an insertion into the list.
    static void ListInserted(int32_t at);
};

}  // namespace velt
