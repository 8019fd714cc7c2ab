#include "graphics/CurrEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QValidator>

#include <cmath>

#include "foundation/SysUtils.h"

namespace velt {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString DecimalSeparator() {
    const QString s = Q(FormatSettings().DecimalSeparator);
    return s.isEmpty() ? QStringLiteral(".") : s;
}

}  // namespace

// MaxLength over what the user does to the box (typing, pasting, dropping):
// an edit that makes the text longer than the limit is refused. The box's
// own setText is not validated, so the amount is always shown whole, and a
// text already longer may still be shortened.
class TCurrencyEdit::TLengthLimit : public QValidator {
public:
    explicit TLengthLimit(TCurrencyEdit* edit) : QValidator(edit), edit_(edit) {}
    State validate(QString& input, int&) const override {
        const int limit = edit_->maxLength_;
        return limit > 0 && input.size() > limit && input.size() > edit_->shownLength_ ? Invalid : Acceptable;
    }

private:
    TCurrencyEdit* edit_;
};

std::unique_ptr<TCurrencyEdit> TCurrencyEdit::Create(QWidget* parent) {
    std::unique_ptr<TCurrencyEdit> edit(new TCurrencyEdit(parent));
    edit->Loaded();
    return edit;
}

TCurrencyEdit::TCurrencyEdit(QWidget* parent) : QLineEdit(parent) {
    resize(121, 25);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    displayFormat_ = DefaultDispFormat();
    ApplyColor();
    font_.OnChange = [this] { ApplyFont(); };
    setValidator(new TLengthLimit(this));
    connect(this, &QLineEdit::textChanged, this, [this] {
        shownLength_ = text().size();
        if (OnChange) OnChange(this);
    });
    FormatText();
}

TCurrencyEdit::~TCurrencyEdit() { font_.OnChange = nullptr; }

void TCurrencyEdit::Loaded() { loading_ = false; }

// ---- value and text ----------------------------------------------------------------

long double TCurrencyEdit::GetValue() {
    UnformatText();
    return value_;
}

void TCurrencyEdit::SetValue(long double value) {
    // An infinity or NaN would show as text that reads back as 0.
    if (!std::isfinite(value) || value == value_) return;
    value_ = value;
    FormatText();
}

std::string TCurrencyEdit::Stripped(const QString& shown, bool keepMinus) const {
    QString s = shown;
    const QString currency = Q(FormatSettings().CurrencyString);
    if (!currency.isEmpty()) s.remove(currency);
    const QString sep = DecimalSeparator();
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.mid(i, sep.size()) == sep) {
            out += sep;
            i += sep.size() - 1;
            continue;
        }
        const QChar c = s[i];
        // A sign right after "E" is the exponent's.
        const bool exponentSign =
            (c == u'-' || c == u'+') && !out.isEmpty() && (out.back() == u'E' || out.back() == u'e');
        if ((c >= u'0' && c <= u'9') || c == u'E' || c == u'e' || exponentSign || (keepMinus && c == u'-')) out += c;
    }
    return out.toStdString();
}

std::string TCurrencyEdit::GetText() const {
    const std::string kept = Stripped(text(), false);
    if (kept.empty()) return "0" + DecimalSeparator().toStdString() + "00";
    QString shown = text();
    const QString currency = Q(FormatSettings().CurrencyString);
    if (!currency.isEmpty()) shown.remove(currency);
    // Only a leading sign makes the amount negative.
    shown = shown.trimmed();
    return shown.startsWith(u'-') || shown.startsWith(u'(') ? "-" + kept : kept;
}

void TCurrencyEdit::SetText(const std::string& text) {
    long double v = 0;
    if (!TryTextToFloat(text, v, FormatSettings()) || !std::isfinite(v)) v = 0;
    value_ = v;
    FormatText();
}

void TCurrencyEdit::FormatText() { QLineEdit::setText(Q(FormatFloat(displayFormat_, value_, FormatSettings()))); }

void TCurrencyEdit::UnformatText() {
    long double v;
    if (TryTextToFloat(GetText(), v, FormatSettings()) && std::isfinite(v)) value_ = v;
    else if (beepOnError_) QApplication::beep();
}

std::string TCurrencyEdit::DefaultDispFormat() const {
    // Quoted, so that a "." or "," of the currency string stays text.
    const std::string currency = QuoteFormatLiteral(FormatSettings().CurrencyString);
    return currency + ",0.00;-" + currency + ",0.00";
}

void TCurrencyEdit::SetFormat(const std::string& value) {
    if (value == displayFormat_) return;
    displayFormat_ = value;
    FormatText();
}

void TCurrencyEdit::SetDecimalPlaces(int value) {
    if (value < 0 || value > 65535)
        throw ERangeError("DecimalPlaces " + std::to_string(value) + " is out of range 0..65535");
    decimalPlaces_ = value;
}

// ---- look ---------------------------------------------------------------------------------

void TCurrencyEdit::SetAlignment(TAlignment value) {
    if (value > taCenter) return;
    alignment_ = value;
    static constexpr Qt::Alignment kAlign[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
    setAlignment(kAlign[value] | Qt::AlignVCenter);
}

void TCurrencyEdit::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    if (autoSize_ && !loading_) resize(width(), sizeHint().height());
}

TColor TCurrencyEdit::GetColor() const {
    if (parentColor_ && parentWidget()) return ControlColor(parentWidget());
    return color_;
}

void TCurrencyEdit::SetColor(TColor value) {
    color_ = value;
    parentColor_ = false;
    ApplyColor();
}

void TCurrencyEdit::SetParentColor(bool value) {
    parentColor_ = value;
    ApplyColor();
}

void TCurrencyEdit::SetMaxLength(int value) {
    if (value < 0) throw ERangeError("MaxLength " + std::to_string(value) + " is below 0");
    // Kept by TLengthLimit; the amount is always shown whole.
    maxLength_ = value;
}

void TCurrencyEdit::ApplyColor() {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ColorToQColor(GetColor()));
    setPalette(pal);
}

void TCurrencyEdit::ApplyFont() {
    setFont(ToQFont(font_));
    QPalette pal = palette();
    pal.setColor(QPalette::Text, ColorToQColor(font_.Color()));
    setPalette(pal);
    if (autoSize_ && !loading_) resize(width(), sizeHint().height());
}

// ---- keys, focus, mouse ------------------------------------------------------------------

void TCurrencyEdit::KeyPress(char32_t& key) {
    const QString sep = DecimalSeparator();
    const char32_t sepChar = sep.toUcs4().value(0);
    const QString s = Q(GetText());
    const bool digit = key >= U'0' && key <= U'9';
    const bool isSep = key == sepChar;
    // Anything else, a second separator or minus: never seen by anyone.
    if (!(key == 8 || key == U'-' || digit || isSep)) {
        key = 0;
        return;
    }
    if (isSep && (decimalPlaces_ == 0 || s.contains(sep))) {
        key = 0;
        return;
    }
    if (key == U'-' && s.contains(u'-')) {
        key = 0;
        return;
    }
    if (key != 8) {
        // The text as it would be, from what is shown and the selection,
        // read as GetText reads it but with the minus where it stands.
        const QString shown = text();
        const int start = hasSelectedText() ? selectionStart() : cursorPosition();
        const int length = hasSelectedText() ? int(selectedText().size()) : 0;
        const QString would = shown.left(start) + QString::fromUcs4(&key, 1) + shown.mid(start + length);
        const QString kept = Q(Stripped(would, true));
        const qsizetype point = kept.indexOf(sep);
        bool minusInside = false;
        for (qsizetype i = 1; i < kept.size(); ++i)
            if (kept[i] == u'-' && kept[i - 1] != u'E' && kept[i - 1] != u'e') minusInside = true;
        if ((point >= 0 && kept.size() - point - sep.size() > decimalPlaces_) || minusInside) key = 0;
    }
    if (OnKeyPress) OnKeyPress(this, key);
}

void TCurrencyEdit::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown) {
        int k = event->key();
        OnKeyDown(this, k, event->modifiers());
        if (k == 0) {
            event->accept();
            return;
        }
    }
    char32_t key = 0;
    const QString typed = event->text();
    if (event->key() == Qt::Key_Backspace) key = 8;
    else if (!typed.isEmpty() && typed[0] >= u' ' && typed[0] != QChar(0x7F) &&
             !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        key = typed.toUcs4().value(0);
    // Navigation, editing keys and shortcuts are no characters.
    if (key == 0) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const char32_t original = key;
    KeyPress(key);
    if (key == 0) {
        event->accept();
        return;
    }
    if (key != original) {
        insert(QString::fromUcs4(&key, 1));
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TCurrencyEdit::keyReleaseEvent(QKeyEvent* event) {
    if (OnKeyUp) {
        int k = event->key();
        OnKeyUp(this, k, event->modifiers());
    }
    QLineEdit::keyReleaseEvent(event);
}

void TCurrencyEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    selectAll();
    if (OnEnter) OnEnter(this);
}

void TCurrencyEdit::focusOutEvent(QFocusEvent* event) {
    // A context menu opening is no exit.
    if (event->reason() != Qt::PopupFocusReason) {
        UnformatText();
        FormatText();
    }
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && OnExit) OnExit(this);
}

void TCurrencyEdit::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick(this);
}

void TCurrencyEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    if (OnDblClick) OnDblClick(this);
}

}  // namespace velt
