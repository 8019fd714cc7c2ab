#include "graphics/GrfSelFn.h"

#include <QFont>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRawFont>
#include <algorithm>

#include "foundation/SysUtils.h"
#include "graphics/GrfObjects.h"
#include "platform/ui/DrawText.h"
#include "treeview/MenuList.h"

namespace velt {

// ---- font sources ----------------------------------------------------------------------

std::vector<std::string> TQtFontSource::Families() {
    std::vector<std::string> names;
    for (const QString& f : QFontDatabase::families()) names.push_back(f.toStdString());
    return names;
}

std::vector<int32_t> TQtFontSource::Charsets(const std::string& family) {
    static const std::pair<QFontDatabase::WritingSystem, int32_t> kTable[] = {
        {QFontDatabase::Greek, 161},
        {QFontDatabase::Cyrillic, 204},
        {QFontDatabase::Hebrew, 177},
        {QFontDatabase::Arabic, 178},
        {QFontDatabase::Thai, 222},
        {QFontDatabase::Japanese, 128},
        {QFontDatabase::Korean, 129},
        {QFontDatabase::SimplifiedChinese, 134},
        {QFontDatabase::TraditionalChinese, 136},
        {QFontDatabase::Symbol, 2},
    };
    const QString name = QString::fromStdString(family);
    const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(name);
    std::vector<int32_t> charsets;
    for (const auto& [system, charset] : kTable)
        if (systems.contains(system)) charsets.push_back(charset);
    if (systems.contains(QFontDatabase::Latin)) {
        QFont font(name);
        font.setStyleStrategy(QFont::NoFontMerging);
        const QRawFont raw = QRawFont::fromFont(font);
        if (raw.isValid()) {
            if (raw.supportsCharacter(char32_t(0x0150))) charsets.push_back(238);  // Ő: Central European
            if (raw.supportsCharacter(char32_t(0x0116))) charsets.push_back(186);  // Ė: Baltic
            if (raw.supportsCharacter(char32_t(0x011E))) charsets.push_back(162);  // Ğ: Turkish
        }
    }
    return charsets;
}

std::vector<std::string> TFixedFontSource::Families() {
    std::vector<std::string> names;
    for (const Face& f : Faces) names.push_back(f.Name);
    return names;
}

std::vector<int32_t> TFixedFontSource::Charsets(const std::string& family) {
    for (const Face& f : Faces)
        if (CompareText(f.Name, family) == 0) return f.Charsets;
    return {};
}

namespace {

TFontSource* gSource = nullptr;

TQtFontSource& QtSource() {
    static TQtFontSource source;
    return source;
}

// ---- shared lists --------------------------------------------------------------------

struct Lists {
    std::unique_ptr<std::vector<TFontListEntry>> Fonts;
    std::unique_ptr<std::vector<TCharsetListEntry>> Charsets;
    std::unique_ptr<std::vector<int32_t>> Sizes;
};

Lists gLists;
std::vector<TGraphSelectFont*> gFontPickers;
std::vector<TGraphSelectFontSize*> gSizePickers;

bool LessText(const std::string& a, const std::string& b) { return CompareText(a, b) < 0; }

std::vector<TFontListEntry>& Fonts() {
    if (!gLists.Fonts) {
        std::vector<std::string> names = GetFontSource().Families();
        std::stable_sort(names.begin(), names.end(), LessText);
        auto list = std::make_unique<std::vector<TFontListEntry>>();
        for (std::string& n : names)
            if (!n.empty() && (list->empty() || CompareText(list->back().Name, n) != 0))
                list->push_back(TFontListEntry{std::move(n), 0});
        gLists.Fonts = std::move(list);
    }
    return *gLists.Fonts;
}

std::vector<TCharsetListEntry>& Charsets() {
    if (!gLists.Charsets) gLists.Charsets = std::make_unique<std::vector<TCharsetListEntry>>();
    return *gLists.Charsets;
}

std::vector<int32_t>& Sizes() {
    if (!gLists.Sizes) {
        auto list = std::make_unique<std::vector<int32_t>>();
        for (int32_t s = 1; s <= 16; ++s) list->push_back(s);
        list->push_back(18);
        list->push_back(20);
        for (int32_t s = 25; s <= 50; s += 5) list->push_back(s);
        for (int32_t s = 60; s <= 100; s += 10) list->push_back(s);
        gLists.Sizes = std::move(list);
    }
    return *gLists.Sizes;
}

// The face's charsets by name, then "Default".
void BuildCharsets(const std::string& face) {
    std::vector<TCharsetListEntry>& list = Charsets();
    list.clear();
    if (!face.empty()) {
        for (int32_t cs : GetFontSource().Charsets(face)) {
            if (cs < 2) continue;
            const std::string name = CharSetToIdentEx(cs, true);
            if (name.empty()) continue;  // nothing to show for it
            if (std::none_of(list.begin(), list.end(), [cs](const TCharsetListEntry& e) { return e.Charset == cs; }))
                list.push_back(TCharsetListEntry{name, cs});
        }
        std::stable_sort(list.begin(), list.end(),
                         [](const TCharsetListEntry& a, const TCharsetListEntry& b) { return LessText(a.Name, b.Name); });
    }
    list.push_back(TCharsetListEntry{"Default", 1});
}

// One line, vertically centred in r: from x on, or centred across r.
void TextVCentred(TCanvas& c, const TRect& r, int32_t x, const std::string& text, bool centre) {
    const TBrushStyle style = c.Brush.Style;
    c.Brush.Style = bsClear;
    TRect box = centre ? r : Rect(x, r.Top, r.Right, r.Bottom);
    DrawText(c, text, box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (centre ? DT_CENTER : DT_LEFT));
    c.Brush.Style = style;
}

}  // namespace

TFontSource* SetFontSource(TFontSource* source) {
    TFontSource* previous = gSource;
    gSource = source;
    return previous;
}

TFontSource& GetFontSource() { return gSource ? *gSource : QtSource(); }

std::string FitFontName(TCanvas& c, const std::string& name, int32_t cellWidth) {
    if (c.TextWidth(name) <= cellWidth - 1) return name;
    std::string s = name;
    // The "..." must show whole too, in a font whose dots are wider than 7.
    while (!s.empty() && (c.TextWidth(s) > cellWidth - 8 || c.TextWidth(s + "...") > cellWidth - 1)) {
        size_t cut = s.size() - 1;
        while (cut > 0 && (uint8_t(s[cut]) & 0xC0) == 0x80) --cut;
        s.erase(cut);
    }
    return s + "...";
}

const std::vector<TFontListEntry>& SharedFontList() { return Fonts(); }
const std::vector<TCharsetListEntry>& SharedCharsetList() { return Charsets(); }
const std::vector<int32_t>& SharedSizeList() { return Sizes(); }
bool SharedFontListsMade() { return gLists.Fonts || gLists.Charsets || gLists.Sizes; }
void FreeGraphSelectLists() { gLists = Lists(); }

// ---- TCharsetButton ----------------------------------------------------------------------

TCharsetButton::TCharsetButton(TGraphSelectFont* owner) : QWidget(owner), owner_(owner) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCharsetButton::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    update();
}

void TCharsetButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TCanvas c(&p);
    const TRect r = Rect(0, 0, width(), height());
    c.Brush = TBrush{clBtnFace, bsSolid, {}};
    c.FillRect(r);
    c.Font = owner_->Font();
    c.Font.SetColor(isEnabled() ? clBtnText : clGrayText);
    TextVCentred(c, r, 0, caption_, true);
}

void TCharsetButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) owner_->CharsetMenu();
}

// ---- TGraphSelectFont ---------------------------------------------------------------------

namespace {
constexpr int32_t kCharsetButtonWidth = 24;
}

TGraphSelectFont::TGraphSelectFont(QWidget* parent) : TCustomGraphSelect(parent) {
    charsetButton_ = new TCharsetButton(this);
    gFontPickers.push_back(this);
    resize(90, 24);
}

TGraphSelectFont::~TGraphSelectFont() { std::erase(gFontPickers, this); }

std::unique_ptr<TGraphSelectFont> TGraphSelectFont::Create() {
    auto p = std::make_unique<TGraphSelectFont>();
    p->Loaded();
    return p;
}

void TGraphSelectFont::ListInserted(int32_t at) {
    const int32_t count = int32_t(Fonts().size());
    for (TGraphSelectFont* p : gFontPickers) {
        int32_t index = p->GetItemIndex();
        if (index >= at) ++index;
        p->ItemsMoved(count, index);
    }
}

std::string TGraphSelectFont::GetFontName() const {
    const std::vector<TFontListEntry>& list = Fonts();
    const int32_t i = GetItemIndex();
    return i >= 0 && i < int32_t(list.size()) ? list[size_t(i)].Name : std::string();
}

void TGraphSelectFont::SetFontName(const std::string& name) {
    if (name.empty()) return;
    std::vector<TFontListEntry>& list = Fonts();
    auto it = std::lower_bound(list.begin(), list.end(), name,
                               [](const TFontListEntry& e, const std::string& n) { return LessText(e.Name, n); });
    int32_t index = int32_t(it - list.begin());
    if (it == list.end() || CompareText(it->Name, name) != 0) {
        list.insert(it, TFontListEntry{name, 1});
        ListInserted(index);
    }
    SetItemIndex(index);
}

void TGraphSelectFont::SetCharset(int32_t charset) {
    charset_ = charset;
    charsetButton_->SetCaption(CharSetToIdentEx(charset, false));
}

void TGraphSelectFont::CharsetMenu() {
    // The shared list may hold another picker's face, or none before the
    // first change: the menu offers this picker's own.
    BuildCharsets(GetFontName());
    const std::vector<TCharsetListEntry>& charsets = Charsets();
    TMenuList list;
    const QPointer<TGraphSelectFont> self(this);
    const TNotifyEvent chosen = [self](QObject* sender) {
        if (!self || !sender) return;
        self->SetCharset(sender->property(kTagProperty).toInt());
        self->DoChange();
    };
    for (size_t i = 0; i < charsets.size(); ++i) {
        if (i + 1 == charsets.size() && charsets.size() > 1) list.AddLine();
        list.AddItemEx(charsets[i].Name, true, chosen, -1, charsets[i].Charset == charset_, false, 0,
                       charsets[i].Charset);
    }
    const QPoint at = charsetButton_->mapToGlobal(QPoint(0, charsetButton_->height()));
    PopupMenuList(at.x() - 20, at.y(), list);
}

void TGraphSelectFont::ReBuild() {
    SetKindField(skCustom);
    TCustomGraphSelect::ReBuild();
    SetCharset(1);
    SetItemsCount(int32_t(Fonts().size()));
    SetColCount(3);
    SetColSize(80);
    SetFontName(GetFontName());
}

TRect TGraphSelectFont::DrawedRect() {
    TRect r = TCustomGraphSelect::DrawedRect();
    if (!charsetButton_->isHidden()) r.Right -= charsetButton_->width();
    return r;
}

void TGraphSelectFont::DrawItem(TCanvas& c, int32_t index, TOwnerDrawState state, TRect r) {
    TCustomGraphSelect::DrawItem(c, index, state, r);
    const std::vector<TFontListEntry>& list = Fonts();
    if (index < 0 || index >= int32_t(list.size())) return;
    const TFontListEntry& e = list[size_t(index)];
    // The name starts 10 pixels in: it fits in what is left, "..." included.
    const std::string name = FitFontName(c, e.Name, r.Width() - 10);
    const TColor color = c.Font.Color();
    if (e.Object == 1) c.Font.SetColor(clGray);
    TextVCentred(c, r, r.Left + 10, name, false);
    c.Font.SetColor(color);
}

std::string TGraphSelectFont::GetItemHint(int32_t index) {
    const std::vector<TFontListEntry>& list = Fonts();
    if (index < 0 || index >= GetItemsCount() || index >= int32_t(list.size()) || GetNone())
        return TCustomGraphSelect::GetItemHint(index);
    if (std::string hint; HandlerHint(index, hint)) return hint;
    const TFontListEntry& e = list[size_t(index)];
    return e.Object == 1 ? e.Name + " (n/a)" : e.Name;
}

void TGraphSelectFont::Change() {
    TCustomGraphSelect::Change();
    BuildCharsets(GetFontName());
    const std::vector<TCharsetListEntry>& list = Charsets();
    if (list.empty() ||
        std::none_of(list.begin(), list.end(), [this](const TCharsetListEntry& e) { return e.Charset == charset_; }))
        SetCharset(1);
}

void TGraphSelectFont::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((mods & Qt::ControlModifier) &&
        (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space || key == Qt::Key_Down)) {
        CloseUp();
        CharsetMenu();
        return;
    }
    TCustomGraphSelect::keyPressEvent(event);
}

void TGraphSelectFont::PlaceButtons() {
    TCustomGraphSelect::PlaceButtons();
    const QRect arrow = Button()->geometry();
    charsetButton_->setGeometry(arrow.left() - kCharsetButtonWidth, arrow.top(), kCharsetButtonWidth, arrow.height());
}

// ---- TGraphSelectFontSize -------------------------------------------------------------------

TGraphSelectFontSize::TGraphSelectFontSize(QWidget* parent) : TCustomGraphSelect(parent) {
    gSizePickers.push_back(this);
}

TGraphSelectFontSize::~TGraphSelectFontSize() { std::erase(gSizePickers, this); }

std::unique_ptr<TGraphSelectFontSize> TGraphSelectFontSize::Create() {
    auto p = std::make_unique<TGraphSelectFontSize>();
    p->Loaded();
    return p;
}

void TGraphSelectFontSize::ListInserted(int32_t at) {
    const int32_t count = int32_t(Sizes().size());
    for (TGraphSelectFontSize* p : gSizePickers) {
        int32_t index = p->GetItemIndex();
        if (index >= at) ++index;
        p->ItemsMoved(count, index);
    }
}

int32_t TGraphSelectFontSize::GetFontSize() const {
    const std::vector<int32_t>& list = Sizes();
    const int32_t i = GetItemIndex();
    return i >= 0 && i < int32_t(list.size()) ? list[size_t(i)] : 0;
}

void TGraphSelectFontSize::SetFontSize(int32_t size) {
    size = std::clamp(size, 1, 200);
    std::vector<int32_t>& list = Sizes();
    auto it = std::lower_bound(list.begin(), list.end(), size);
    const int32_t index = int32_t(it - list.begin());
    if (it == list.end() || *it != size) {
        list.insert(it, size);
        ListInserted(index);
    }
    SetItemIndex(index);
}

void TGraphSelectFontSize::ReBuild() {
    SetKindField(skCustom);
    TCustomGraphSelect::ReBuild();
    SetItemsCount(int32_t(Sizes().size()));
    SetColCount(5);
    SetColSize(30);
    SetFontSize(6);
}

void TGraphSelectFontSize::DrawItem(TCanvas& c, int32_t index, TOwnerDrawState state, TRect r) {
    TCustomGraphSelect::DrawItem(c, index, state, r);
    const std::vector<int32_t>& list = Sizes();
    if (index < 0 || index >= int32_t(list.size())) return;
    TextVCentred(c, r, 0, std::to_string(list[size_t(index)]), true);
}

std::string TGraphSelectFontSize::GetItemHint(int32_t index) {
    const std::vector<int32_t>& list = Sizes();
    if (index < 0 || index >= GetItemsCount() || index >= int32_t(list.size()) || GetNone())
        return TCustomGraphSelect::GetItemHint(index);
    if (std::string hint; HandlerHint(index, hint)) return hint;
    return std::to_string(list[size_t(index)]);
}

}  // namespace velt
