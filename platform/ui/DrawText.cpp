#include "platform/ui/DrawText.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <vector>

namespace velt {

namespace {

// A line as shown: its characters and which of them are underlined.
struct Line {
    QString Text;
    std::vector<bool> Underline;
};

class Layout {
public:
    Layout(const QFontMetrics& fm, bool expandTabs)
        : fm_(fm), tab_(expandTabs ? std::max(1, 8 * fm.averageCharWidth()) : 0) {}

    // The advance of the first n characters of s from a line's start.
    int Advance(const QString& s, qsizetype n) const {
        int x = 0;
        qsizetype start = 0;
        for (qsizetype i = 0; i < n; ++i) {
            if (s[i] != u'\t') continue;
            x += fm_.horizontalAdvance(s.mid(start, i - start));
            x = tab_ > 0 ? (x / tab_ + 1) * tab_ : x + fm_.horizontalAdvance(u' ');
            start = i + 1;
        }
        return x + fm_.horizontalAdvance(s.mid(start, n - start));
    }
    int Width(const QString& s) const { return Advance(s, s.size()); }

private:
    const QFontMetrics& fm_;
    int tab_;
};

// Splits at line ends (CR LF, LF, CR).
std::vector<QString> SplitLines(const QString& s) {
    std::vector<QString> lines;
    QString cur;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'\r' || c == u'\n') {
            lines.push_back(cur);
            cur.clear();
            if (c == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i;
        } else {
            cur += c;
        }
    }
    lines.push_back(cur);
    return lines;
}

Line WithPrefixes(const QString& s, bool prefix) {
    Line line;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (prefix && s[i] == u'&') {
            if (i + 1 >= s.size()) break;  // a lone "&" at the end shows nothing
            ++i;
            line.Text += s[i];
            line.Underline.push_back(s[i] != u'&');
            continue;
        }
        line.Text += s[i];
        line.Underline.push_back(false);
    }
    return line;
}

Line Part(const Line& l, qsizetype from, qsizetype to) {
    Line p;
    p.Text = l.Text.mid(from, to - from);
    p.Underline.assign(l.Underline.begin() + from, l.Underline.begin() + to);
    return p;
}

// Greedy breaks between words; the blanks at a break go.
void WrapInto(const Line& l, const Layout& layout, int width, std::vector<Line>& out) {
    const QString& t = l.Text;
    qsizetype start = 0;
    while (true) {
        qsizetype end = start;  // end of the words that fit
        qsizetype i = start;
        while (i < t.size()) {
            qsizetype wordEnd = i;
            while (wordEnd < t.size() && t[wordEnd] == u' ') ++wordEnd;
            while (wordEnd < t.size() && t[wordEnd] != u' ') ++wordEnd;
            if (end > start && layout.Width(t.mid(start, wordEnd - start)) > width) break;
            end = wordEnd;
            i = wordEnd;
        }
        if (end >= t.size()) {
            out.push_back(Part(l, start, t.size()));
            return;
        }
        out.push_back(Part(l, start, end));
        start = end;
        while (start < t.size() && t[start] == u' ') ++start;
        if (start >= t.size()) return;
    }
}

}  // namespace

int32_t DrawText(TCanvas& canvas, const std::string& text, TRect& rect, uint32_t format) {
    const bool calc = (format & DT_CALCRECT) != 0;
    const bool single = (format & DT_SINGLELINE) != 0;
    const QFont font = ToQFont(canvas.Font);
    QPainter* p = nullptr;
    QPaintDevice* device = canvas.Image();
    if (!calc && canvas.HandleAllocated()) p = canvas.Painter();
    if (p) device = p->device();
    const QFontMetrics fm = device ? QFontMetrics(font, device) : QFontMetrics(font);
    const Layout layout(fm, (format & DT_EXPANDTABS) != 0);

    QString s = QString::fromStdString(text);
    if ((format & DT_EXPANDTABS) == 0) s.replace(u'\t', u' ');
    std::vector<QString> raw;
    if (single) {
        for (QChar& c : s)
            if (c == u'\r' || c == u'\n') c = u' ';
        raw.push_back(s);
    } else {
        raw = SplitLines(s);
    }
    std::vector<Line> lines;
    if (!text.empty()) {
        for (const QString& r : raw) {
            const Line l = WithPrefixes(r, (format & DT_NOPREFIX) == 0);
            if ((format & DT_WORDBREAK) && !single) WrapInto(l, layout, rect.Width(), lines);
            else lines.push_back(l);
        }
    }

    const int lineHeight = fm.height();
    const int32_t height = int32_t(lines.size()) * lineHeight;
    int32_t top = rect.Top;
    if (single && (format & DT_VCENTER)) top = rect.Top + (rect.Height() - height) / 2;
    else if (single && (format & DT_BOTTOM)) top = rect.Bottom - height;
    const int32_t answer = single && (format & (DT_VCENTER | DT_BOTTOM)) ? top + height - rect.Top : height;

    if (calc) {
        int widest = 0;
        for (const Line& l : lines) widest = std::max(widest, layout.Width(l.Text));
        rect.Right = rect.Left + widest;
        rect.Bottom = rect.Top + height;
        return height;
    }
    if (!p || lines.empty()) return answer;

    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setRenderHint(QPainter::TextAntialiasing, false);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if ((format & DT_NOCLIP) == 0)
        p->setClipRect(QRect(rect.Left, rect.Top, std::max(0, rect.Width()), std::max(0, rect.Height())),
                       p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    p->setFont(font);
    const QColor ink = ColorToQColor(canvas.Font.Color());
    const bool opaque = canvas.Brush.Style == bsSolid && canvas.Brush.Bitmap.isNull();
    const QColor back = ColorToQColor(canvas.Brush.Color);
    const int lineWidth = std::max(1, fm.lineWidth());
    int32_t y = top;
    for (const Line& l : lines) {
        const int w = layout.Width(l.Text);
        int32_t x = rect.Left;
        if (format & DT_CENTER) x = rect.Left + (rect.Width() - w) / 2;
        else if (format & DT_RIGHT) x = rect.Right - w;
        if (opaque) p->fillRect(QRect(x, y, w, lineHeight), back);
        p->setPen(ink);
        // Piece by piece between tabs, each at its stop.
        qsizetype start = 0;
        for (qsizetype i = 0; i <= l.Text.size(); ++i) {
            if (i < l.Text.size() && l.Text[i] != u'\t') continue;
            if (i > start)
                p->drawText(QPoint(x + layout.Advance(l.Text, start), y + fm.ascent()), l.Text.mid(start, i - start));
            start = i + 1;
        }
        for (qsizetype i = 0; i < l.Text.size(); ++i) {
            if (!l.Underline[size_t(i)]) continue;
            const int x0 = x + layout.Advance(l.Text, i);
            const int cw = fm.horizontalAdvance(l.Text[i]);
            p->fillRect(QRect(x0, y + fm.ascent() + fm.underlinePos(), cw, lineWidth), ink);
        }
        y += lineHeight;
    }
    p->restore();
    return answer;
}

// ---- edges ----------------------------------------------------------------------

namespace {

// One ring on the sides named: the top and left lines in lt, the bottom
// and right lines in rb, the corners as Frame3D has them.
void Ring(TCanvas& c, const TRect& r, TColor lt, TColor rb, uint32_t sides) {
    if (r.IsEmpty()) return;
    c.Brush.Style = bsSolid;
    c.Brush.Color = lt;
    if (sides & BF_TOP) c.FillRect(TRect{r.Left, r.Top, r.Right - 1, r.Top + 1});
    if (sides & BF_LEFT) c.FillRect(TRect{r.Left, r.Top, r.Left + 1, r.Bottom - 1});
    c.Brush.Color = rb;
    if (sides & BF_BOTTOM) c.FillRect(TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom});
    if (sides & BF_RIGHT) c.FillRect(TRect{r.Right - 1, r.Top, r.Right, r.Bottom});
}

TRect Inside(const TRect& r, uint32_t sides) {
    return TRect{r.Left + ((sides & BF_LEFT) ? 1 : 0), r.Top + ((sides & BF_TOP) ? 1 : 0),
                 r.Right - ((sides & BF_RIGHT) ? 1 : 0), r.Bottom - ((sides & BF_BOTTOM) ? 1 : 0)};
}

}  // namespace

void DrawEdge(TCanvas& canvas, TRect& rect, uint32_t edge, uint32_t flags) {
    const TBrush saved = canvas.Brush;
    const uint32_t sides = flags & BF_RECT;
    TRect r = rect;
    const bool flat = (flags & (BF_FLAT | BF_MONO)) != 0;
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        TColor lt, rb;
        if (flags & BF_MONO) lt = rb = clWindowFrame;
        else if (flags & BF_FLAT) lt = rb = clBtnShadow;
        else if (edge & BDR_RAISEDOUTER) lt = cl3DLight, rb = cl3DDkShadow;
        else lt = clBtnShadow, rb = clBtnHighlight;
        Ring(canvas, r, lt, rb, sides);
        r = Inside(r, sides);
    }
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        TColor lt, rb;
        if (flags & BF_MONO) lt = rb = clWindow;
        else if (flags & BF_FLAT) lt = rb = clBtnFace;
        else if (edge & BDR_RAISEDINNER) lt = clBtnHighlight, rb = clBtnShadow;
        else lt = cl3DDkShadow, rb = cl3DLight;
        Ring(canvas, r, lt, rb, sides);
        r = Inside(r, sides);
    }
    if ((flags & BF_MIDDLE) && !r.IsEmpty()) {
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = flat ? clWindow : clBtnFace;
        canvas.FillRect(r);
    }
    canvas.Brush = saved;
    if (flags & BF_ADJUST) rect = r;
}

}  // namespace velt
