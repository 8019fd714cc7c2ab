#include "graphics/VCLUtils.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "foundation/SysUtils.h"
#include "platform/ui/DialogRunner.h"

namespace velt {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QImage LoadArtwork(std::string_view module, std::string_view resName) {
    return QImage(QStringLiteral(":/") + Q(module) + QStringLiteral("/") + Q(UpperCase(resName)));
}

QRgb Rgb(TColor color) { return ColorToQColor(color).rgb() & 0xFFFFFF; }

// The image with the pixels of color made transparent.
QImage WithoutColor(const QImage& image, TColor color) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = Rgb(color);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    return out;
}

void DrawOver(TCanvas& canvas, int32_t x, int32_t y, const QImage& image) {
    QPainter* p = canvas.Painter();
    if (!p) return;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(x, y, image);
}

std::unique_ptr<TBitmap> FilledBitmap(int32_t w, int32_t h, TColor color) {
    auto b = std::make_unique<TBitmap>(w, h);
    b->Canvas().Brush.Color = color;
    b->Canvas().FillRect(TRect{0, 0, w, h});
    return b;
}

// ---- the inverse-drawing overlay -------------------------------------------------

// A child over the whole of a window that inverts the window's pixels where
// its mask is white: painted after the window, it combines with what the
// window drew (XOR with white inverts).
class TInverseOverlay : public QWidget {
public:
    explicit TInverseOverlay(QWidget* window) : QWidget(window) {
        setObjectName(QStringLiteral("VeltInverseOverlay"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        Fit();
        window->installEventFilter(this);
        show();
    }

    // Draws on the mask with a canvas in window coordinates.
    void Change(const std::function<void(TCanvas&)>& draw) {
        {
            TCanvas canvas(&mask_);
            canvas.Pen.Color = clWhite;
            canvas.Pen.Mode = pmXor;
            canvas.Brush.Style = bsClear;
            draw(canvas);
        }
        raise();
        update();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent()) {
            if (event->type() == QEvent::Resize) Fit();
            else if (event->type() == QEvent::ChildAdded) raise();
        }
        return false;
    }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.drawImage(0, 0, mask_);
    }

private:
    void Fit() {
        auto* window = parentWidget();
        setGeometry(window->rect());
        if (mask_.size() == window->size()) return;
        QImage next(window->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        next.fill(Qt::black);
        if (!mask_.isNull()) {
            QPainter p(&next);
            p.drawImage(0, 0, mask_);
        }
        mask_ = next;
    }

    QImage mask_;
};

QWidget* WindowAt(const QPoint& global) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    QWidget* active = QApplication::activeWindow();
    if (active && active->frameGeometry().contains(global)) return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->frameGeometry().contains(global)) return w;
    return nullptr;
}

// Draws on the overlay of the window under screen point org, in that
// window's coordinates (org itself passed as local).
void OnOverlay(const QPoint& org, const std::function<void(TCanvas&, const QPoint& offset)>& draw) {
    QWidget* window = WindowAt(org);
    if (!window) return;
    auto* overlay = dynamic_cast<TInverseOverlay*>(
        window->findChild<QWidget*>(QStringLiteral("VeltInverseOverlay"), Qt::FindDirectChildrenOnly));
    if (!overlay) overlay = new TInverseOverlay(window);  // owned by the window
    const QPoint offset = window->mapFromGlobal(QPoint(0, 0));
    overlay->Change([&](TCanvas& canvas) { draw(canvas, offset); });
}

int gWaitCount = 0;

}  // namespace

// ---- bitmaps and icons ----------------------------------------------------------------

std::unique_ptr<TBitmap> MakeModuleBitmap(std::string_view module, std::string_view resName) {
    const QImage image = LoadArtwork(module, resName);
    if (image.isNull()) return nullptr;
    auto b = std::make_unique<TBitmap>();
    b->Assign(image);
    return b;
}

std::unique_ptr<TBitmap> MakeBitmap(std::string_view resName) { return MakeModuleBitmap(HInstance, resName); }
std::unique_ptr<TBitmap> MakeBitmapID(int id) { return MakeBitmap(std::to_string(id)); }

std::unique_ptr<TIcon> MakeModuleIcon(std::string_view module, std::string_view resName) {
    const QImage image = LoadArtwork(module, resName);
    if (image.isNull()) return nullptr;
    auto icon = std::make_unique<TIcon>();
    icon->Assign(image);
    return icon;
}

std::unique_ptr<TIcon> MakeIcon(std::string_view resName) { return MakeModuleIcon(HInstance, resName); }
std::unique_ptr<TIcon> MakeIconID(int id) { return MakeIcon(std::to_string(id)); }

std::unique_ptr<TBitmap> CreateBitmapFromIcon(const TIcon& icon, TColor backColor) {
    auto b = FilledBitmap(icon.Width(), icon.Height(), backColor);
    b->Canvas().Draw(0, 0, icon);
    return b;
}

void TransparentImage(TBitmap& image, TColor color) {
    if (image.Empty()) return;
    const TColor old = image.Canvas().Pixel(0, 0);
    if (Rgb(old) == Rgb(color)) return;
    const QImage picture = WithoutColor(image.Image(), old);
    image.Canvas().Brush.Color = color;
    image.Canvas().Brush.Style = bsSolid;
    image.Canvas().FillRect(TRect{0, 0, image.Width(), image.Height()});
    DrawOver(image.Canvas(), 0, 0, picture);
    image.Canvas().EndPaint();
}

void DrawTransparentBitmap(TCanvas& canvas, const TBitmap& bitmap, int32_t dstX, int32_t dstY,
                           TColor transparentColor) {
    if (bitmap.Empty()) return;
    DrawOver(canvas, dstX, dstY, WithoutColor(bitmap.Image(), transparentColor));
}

void DrawBitmapTransparent(TCanvas& canvas, int32_t x, int32_t y, const TBitmap& bitmap, TColor transparentColor) {
    DrawTransparentBitmap(canvas, bitmap, x, y, ColorToRGB(transparentColor) & 0xFFFFFF);
}

void DrawBitmapRectTransparent(TCanvas& canvas, int32_t x, int32_t y, const TRect& rect, const TBitmap& bitmap,
                               TColor transparentColor) {
    if (bitmap.Empty() || rect.IsEmpty()) return;
    const QImage part = bitmap.Image().copy(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
    DrawOver(canvas, x, y, WithoutColor(part, ColorToRGB(transparentColor) & 0xFFFFFF));
}

std::unique_ptr<TBitmap> ChangeBitmapColor(const TBitmap& bitmap, TColor color, TColor newColor) {
    const TRect whole{0, 0, bitmap.Width(), bitmap.Height()};
    auto b = FilledBitmap(whole.Right, whole.Bottom, newColor);
    b->Canvas().BrushCopy(whole, bitmap.Image(), whole, color);
    b->Canvas().EndPaint();
    return b;
}

std::unique_ptr<TBitmap> CreateDisabledBitmap(const TBitmap& bitmap) {
    const int32_t w = bitmap.Width(), h = bitmap.Height();
    auto b = FilledBitmap(w, h, clBtnFace);
    if (bitmap.Empty()) return b;
    // The shape in one colour: every pixel but the background.
    const QImage shape = WithoutColor(bitmap.Image(), bitmap.TransparentColor());
    auto inColour = [&](TColor color) {
        QImage out = shape;
        const QRgb c = 0xFF000000 | Rgb(color);
        for (int y = 0; y < out.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < out.width(); ++x)
                if (qAlpha(line[x]) != 0) line[x] = c;
        }
        return out;
    };
    DrawOver(b->Canvas(), 1, 1, inColour(clWhite));
    DrawOver(b->Canvas(), 0, 0, inColour(clBtnShadow));
    b->Canvas().EndPaint();
    return b;
}

std::unique_ptr<TBitmap> CreateTwoColorsBrushPattern(TColor color1, TColor color2) {
    auto b = FilledBitmap(8, 8, color1);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = y % 2; x < 8; x += 2) b->Canvas().SetPixel(x, y, color2);
    b->Canvas().EndPaint();
    return b;
}

std::unique_ptr<TMemoryStream> BitmapToMemory(const TBitmap& bitmap, int colors) {
    if (bitmap.Monochrome()) colors = 2;
    int bits = 24;
    switch (colors) {
    case 0: bits = bitmap.BitsPerPixel(); break;
    case 2: bits = 1; break;
    case 16: bits = 4; break;
    case 256: bits = 8; break;
    default: break;
    }
    auto stream = std::make_unique<TMemoryStream>();
    WriteBitmapFile(*stream, bitmap.Image(), bits);
    stream->SetPosition(0);
    return stream;
}

void SaveBitmapToFile(const std::string& fileName, const TBitmap& bitmap, int colors) {
    BitmapToMemory(bitmap, colors)->SaveToFile(fileName);
}

// ---- dialog units ------------------------------------------------------------------------

namespace {

TSize DialogBaseUnits() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return TSize{8, 16};
    const QFontMetrics fm(QGuiApplication::font());
    const int w = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return TSize{std::max(1, (w / 26 + 1) / 2), std::max(1, fm.height())};
}

}  // namespace

int32_t DialogUnitsToPixelsX(int32_t du) { return du * DialogBaseUnits().cx / 4; }
int32_t DialogUnitsToPixelsY(int32_t du) { return du * DialogBaseUnits().cy / 8; }
int32_t PixelsToDialogUnitsX(int32_t pixels) { return pixels * 4 / DialogBaseUnits().cx; }
int32_t PixelsToDialogUnitsY(int32_t pixels) { return pixels * 8 / DialogBaseUnits().cy; }

// ---- messages ----------------------------------------------------------------------------

void NotImplemented() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), QStringLiteral("Not implemented"),
                    QMessageBox::Ok);
    RunDialog(box);
}

int MsgBox(const std::string& caption, const std::string& text, int flags) {
    using B = QMessageBox::StandardButton;
    struct Answer {
        B Button;
        int Id;
    };
    static const std::vector<Answer> sets[] = {
        {{B::Ok, 1}},
        {{B::Ok, 1}, {B::Cancel, 2}},
        {{B::Abort, 3}, {B::Retry, 4}, {B::Ignore, 5}},
        {{B::Yes, 6}, {B::No, 7}, {B::Cancel, 2}},
        {{B::Yes, 6}, {B::No, 7}},
        {{B::Retry, 4}, {B::Cancel, 2}},
    };
    const std::vector<Answer>& answers = sets[(flags & 0xF) < 6 ? (flags & 0xF) : 0];
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (flags & 0xF0) {
    case 0x10: icon = QMessageBox::Critical; break;
    case 0x20: icon = QMessageBox::Question; break;
    case 0x30: icon = QMessageBox::Warning; break;
    case 0x40: icon = QMessageBox::Information; break;
    default: break;
    }
    QMessageBox box(icon, Q(caption), Q(text));
    box.setTextFormat(Qt::PlainText);
    for (const Answer& a : answers) box.addButton(a.Button);
    const size_t def = size_t((flags >> 8) & 0xF);
    box.setDefaultButton(answers[def < answers.size() ? def : 0].Button);
    const int r = RunDialog(box);
    const QAbstractButton* clicked = box.clickedButton();
    for (const Answer& a : answers)
        if ((clicked && clicked == box.button(a.Button)) || (!clicked && r == a.Button)) return a.Id;
    // Closed without a button: Cancel where there is one, else the only answer.
    for (const Answer& a : answers)
        if (a.Id == 2) return 2;
    return answers.size() == 1 ? answers[0].Id : 0;
}

// ---- inverse drawing -----------------------------------------------------------------------

void PaintInverseRect(const TPoint& rectOrg, const TPoint& rectEnd) {
    OnOverlay(QPoint(rectOrg.X, rectOrg.Y), [&](TCanvas& canvas, const QPoint& o) {
        canvas.Rectangle(rectOrg.X + o.x(), rectOrg.Y + o.y(), rectEnd.X + o.x(), rectEnd.Y + o.y());
    });
}

void PaintInverseRect_(const TPoint& rectOrg, const TPoint& rectEnd) {
    OnOverlay(QPoint(rectOrg.X, rectOrg.Y), [&](TCanvas& canvas, const QPoint& o) {
        canvas.Pen.Style = psClear;
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = clWhite;
        // Without a pen the platform's figure keeps clear of its right and
        // bottom edges: one more pixel covers the whole rectangle.
        const QRect r = QRect(QPoint(rectOrg.X, rectOrg.Y), QPoint(rectEnd.X, rectEnd.Y)).normalized();
        canvas.Rectangle(r.left() + o.x(), r.top() + o.y(), r.right() + o.x() + 1, r.bottom() + o.y() + 1);
    });
}

void DrawInvertFrame(const TRect& screenRect, int32_t width) {
    OnOverlay(QPoint(screenRect.Left, screenRect.Top), [&](TCanvas& canvas, const QPoint& o) {
        TRect r{screenRect.Left + o.x(), screenRect.Top + o.y(), screenRect.Right + o.x(), screenRect.Bottom + o.y()};
        for (int32_t i = 0; i < width && !r.IsEmpty(); ++i) {
            canvas.DrawFocusRect(r);
            r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
        }
    });
}

// ---- small helpers ----------------------------------------------------------------------

bool PointInRect(const TPoint& p, const TRect& r) {
    return r.Left <= p.X && p.X <= r.Right && r.Top <= p.Y && p.Y <= r.Bottom;
}

void Delay(int32_t msecs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < msecs) {
        const int left = int(msecs - timer.elapsed());
        if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents, std::max(left, 1));
        else std::this_thread::sleep_for(std::chrono::milliseconds(std::max(left, 1)));
    }
}

int32_t GetPaletteEntries(const HPALETTE& palette) { return palette ? int32_t(palette->size()) : 0; }

void CenterControl(QWidget* control) {
    if (!control || !control->parentWidget()) return;
    const QRect area = control->parentWidget()->rect();
    control->move(std::max(0, (area.width() - control->width()) / 2), std::max(0, (area.height() - control->height()) / 2));
}

void ActivateWindow(QWidget* wnd) {
    if (!wnd) return;
    QWidget* window = wnd->window();
    if (window->isMinimized()) window->showNormal();
    window->raise();
    window->activateWindow();
}

void GradientFillRect(TCanvas& canvas, const TRect& rect, TColor startColor, TColor endColor,
                      TFillDirection direction, uint8_t colors) {
    const int32_t n = colors == 0 ? 1 : colors;
    const bool forward = direction == fdTopToBottom || direction == fdLeftToRight;
    const uint32_t first = uint32_t(ColorToRGB(forward ? startColor : endColor));
    const uint32_t last = uint32_t(ColorToRGB(forward ? endColor : startColor));
    const bool vertical = direction == fdTopToBottom || direction == fdBottomToTop;
    canvas.Pen.Style = psSolid;
    canvas.Pen.Mode = pmCopy;
    canvas.Brush.Style = bsSolid;
    auto component = [&](uint8_t a, uint8_t b, int32_t i) {
        return uint8_t(n == 1 ? a : a + MulDiv(i, int32_t(b) - int32_t(a), n - 1));
    };
    const int32_t size = vertical ? rect.Height() : rect.Width();
    const int32_t from = vertical ? rect.Top : rect.Left;
    for (int32_t i = 0; i < n; ++i) {
        canvas.Brush.Color = RGB(component(GetRValue(first), GetRValue(last), i),
                                 component(GetGValue(first), GetGValue(last), i),
                                 component(GetBValue(first), GetBValue(last), i));
        const int32_t a = from + MulDiv(i, size, n), b = from + MulDiv(i + 1, size, n);
        canvas.FillRect(vertical ? TRect{rect.Left, a, rect.Right, b} : TRect{a, rect.Top, b, rect.Bottom});
    }
}

void SplitCommandLine(const std::string& cmdLine, std::string& exeName, std::string& params) {
    std::vector<std::string> words;
    size_t i = 0;
    auto blank = [&](size_t k) { return static_cast<unsigned char>(cmdLine[k]) <= ' '; };
    while (i < cmdLine.size()) {
        for (;;) {
            while (i < cmdLine.size() && blank(i)) ++i;
            if (i + 1 < cmdLine.size() && cmdLine[i] == '"' && cmdLine[i + 1] == '"') i += 2;
            else break;
        }
        if (i >= cmdLine.size()) break;
        std::string word;
        while (i < cmdLine.size() && !blank(i)) {
            if (cmdLine[i] == '"') {
                ++i;
                while (i < cmdLine.size() && cmdLine[i] != '"') word += cmdLine[i++];
                if (i < cmdLine.size()) ++i;
            } else {
                word += cmdLine[i++];
            }
        }
        words.push_back(word);
    }
    exeName = words.empty() ? std::string() : words[0];
    params.clear();
    for (size_t k = 1; k < words.size(); ++k) {
        if (k > 1) params += ' ';
        params += words[k].find(' ') != std::string::npos ? "\"" + words[k] + "\"" : words[k];
    }
}

void StartWait() {
    if (gWaitCount++ == 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::setOverrideCursor(QCursor(WaitCursor));
}

void StopWait() {
    if (gWaitCount == 0) return;
    if (--gWaitCount == 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
}

int WaitCount() { return gWaitCount; }

void SetMenuBitmap(QMenu* menu, QAction* item, const TBitmap* bitmap, bool replace) {
    if (!menu || !item || !bitmap || bitmap->Empty() || !menu->actions().contains(item)) return;
    item->setIcon(QIcon(QPixmap::fromImage(bitmap->Image())));
    item->setIconVisibleInMenu(true);
    if (replace) item->setText(QString());
}

void SetMenuBitmapRes(QMenu* menu, QAction* item, std::string_view resName, bool replace) {
    const auto bitmap = MakeBitmap(resName);
    SetMenuBitmap(menu, item, bitmap.get(), replace);
}

void CurPos(TPoint& p) {
    const QPoint q = QCursor::pos();
    p = TPoint{q.x(), q.y()};
}

int32_t GetCX() { return QCursor::pos().x(); }
int32_t GetCY() { return QCursor::pos().y(); }

namespace {

void InsertIntoLine(QLineEdit* edit, const QString& text, int offset) {
    edit->insert(text);
    const int pos = std::clamp(edit->cursorPosition() + offset, 0, int(edit->text().size()));
    edit->deselect();
    edit->setCursorPosition(pos);
}

template <class Edit>
void InsertIntoText(Edit* edit, const QString& text, int offset) {
    QTextCursor c = edit->textCursor();
    c.insertText(text);
    const int end = c.document()->characterCount() - 1;
    c.setPosition(std::clamp(c.position() + offset, 0, end));
    edit->setTextCursor(c);
    edit->setFocus();
}

}  // namespace

void InsertToEdit(QWidget* control, const std::string& text, int offset) {
    const QString t = Q(text);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (!combo->isEditable() || !combo->lineEdit()) return;
        combo->setFocus();
        InsertIntoLine(combo->lineEdit(), t, offset);
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        InsertIntoLine(line, t, offset);
        line->setFocus();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        InsertIntoText(plain, t, offset);
    } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        InsertIntoText(rich, t, offset);
    }
}

QWidget* ObjectToWinControl(QObject* obj) { return qobject_cast<QWidget*>(obj); }

std::string AnsiUpperFirstChar(const std::string& s) {
    QString t = Q(s).toLower();
    if (!t.isEmpty()) t.replace(0, 1, t.left(1).toUpper());
    return t.toStdString();
}

}  // namespace velt
