#pragma once
// A one-line edit for a money amount: it keeps the amount as a long double
// and shows it through a display format while it is not being edited; the
// user types only digits, one decimal separator, a leading minus and
// Backspace, with at most DecimalPlaces decimals.
//
// Separators and the currency string come from FormatSettings() at the
// moment of use (hosts load the locale's at start-up; tests set them).

#include <QLineEdit>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "foundation/FormatFloat.h"
#include "platform/ui/Colors.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Font.h"

namespace velt {

class TCurrencyEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(velt::controls::TAlignment Alignment READ GetAlignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoSize READ GetAutoSize WRITE SetAutoSize)
    Q_PROPERTY(velt::controls::TBorderStyle BorderStyle READ GetBorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(int Color READ GetColor WRITE SetColor)
    Q_PROPERTY(bool Ctl3D READ GetCtl3D WRITE SetCtl3D)
    Q_PROPERTY(bool BeepOnError READ GetBeepOnError WRITE SetBeepOnError)
    Q_PROPERTY(QString DisplayFormat READ GetDisplayFormatQ WRITE SetDisplayFormatQ)
    Q_PROPERTY(int DecimalPlaces READ GetDecimalPlaces WRITE SetDecimalPlaces)
    Q_PROPERTY(double Value READ GetValueD WRITE SetValueD)
    Q_PROPERTY(QString Text READ GetTextQ WRITE SetTextQ)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool HideSelection READ GetHideSelection WRITE SetHideSelection)
    Q_PROPERTY(int MaxLength READ GetMaxLength WRITE SetMaxLength)
    Q_PROPERTY(bool ParentColor READ GetParentColor WRITE SetParentColor)
    Q_PROPERTY(bool ParentCtl3D READ GetParentCtl3D WRITE SetParentCtl3D)
    Q_PROPERTY(bool ParentFont READ GetParentFont WRITE SetParentFont)
    Q_PROPERTY(bool ParentShowHint READ GetParentShowHint WRITE SetParentShowHint)
    Q_PROPERTY(bool ReadOnly READ isReadOnly WRITE setReadOnly)
    Q_PROPERTY(bool ShowHint READ GetShowHint WRITE SetShowHint)
    Q_PROPERTY(bool Visible READ isVisible WRITE setVisible)

public:
    // Value 0 shown in the default format; 121 x 25.
    static std::unique_ptr<TCurrencyEdit> Create(QWidget* parent = nullptr);
    ~TCurrencyEdit() override;

    // The amount: what the box shows is read first (UnformatText).
    long double GetValue();
    // A new amount is kept and shown; an infinity or NaN is refused.
    void SetValue(long double value);
    // The plain number behind what is shown: the currency string taken
    // out, then only digits, "E", "e" with its sign and the decimal
    // separator kept, with a "-" in front when the text starts with "-" or
    // "("; "0" + separator + "00" for nothing.
    std::string GetText() const;
    // Value := the text read with the decimal separator (0 when it is no
    // number), then shown.
    void SetText(const std::string& text);
    // The box shows Value in DisplayFormat.
    void FormatText();
    // Value := what the box shows; text that is no number leaves Value and
    // beeps when BeepOnError.
    void UnformatText();
    // The currency string (quoted) + ",0.00;-" + the currency string +
    // ",0.00".
    std::string DefaultDispFormat() const;
    const std::string& GetDisplayFormat() const { return displayFormat_; }
    // A different format is kept and the amount shown in it.
    void SetFormat(const std::string& value);
    bool IsFormatStored() const { return displayFormat_ != DefaultDispFormat(); }
    int GetDecimalPlaces() const { return decimalPlaces_; }
    // 0..65535; else ERangeError.
    void SetDecimalPlaces(int value);
    bool GetBeepOnError() const { return beepOnError_; }
    void SetBeepOnError(bool value) { beepOnError_ = value; }

    TAlignment GetAlignment() const { return alignment_; }
    // A value outside the enumeration is ignored.
    void SetAlignment(TAlignment value);
    // The height follows the font.
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TBorderStyle GetBorderStyle() const { return hasFrame() ? bsSingle : bsNone; }
    void SetBorderStyle(TBorderStyle value) {
        if (value <= bsSingle) setFrame(value == bsSingle);
    }
    // With ParentColor, the parent's colour; setting one clears ParentColor.
    TColor GetColor() const;
    void SetColor(TColor value);
    bool GetParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    // The most characters the user's edits (typing, pasting, dropping) may
    // leave in the box; 0 is no limit. The amount shown is never cut to it.
    int GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    TFont& Font() { return font_; }

    // Kept without effect: the 3-D look is the only one, the selection
    // hides as Qt's edits do, the font is the control's own, hints are
    // the widget's tool tip.
    bool GetCtl3D() const { return ctl3D_; }
    void SetCtl3D(bool v) { ctl3D_ = v; }
    bool GetParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool v) { parentCtl3D_ = v; }
    bool GetHideSelection() const { return hideSelection_; }
    void SetHideSelection(bool v) { hideSelection_ = v; }
    bool GetParentFont() const { return parentFont_; }
    void SetParentFont(bool v) { parentFont_ = v; }
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool v) { showHint_ = v; }
    bool GetParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool v) { parentShowHint_ = v; }

    TNotifyEvent OnChange;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    // A typed character; setting it to 0 drops it.
    std::function<void(QObject* Sender, char32_t& Key)> OnKeyPress;
    std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)> OnKeyDown;
    std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)> OnKeyUp;

protected:
    explicit TCurrencyEdit(QWidget* parent);
    virtual void Loaded();
    // The key filter; a key it drops before the platform's handling is
    // swallowed whole, one it refuses later reaches OnKeyPress as 0.
    virtual void KeyPress(char32_t& key);

    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // What the box shows, with the currency string out and only what a
    // number has kept ("-" in place when keepMinus).
    std::string Stripped(const QString& shown, bool keepMinus) const;
    void ApplyColor();
    void ApplyFont();
    class TLengthLimit;

    QString GetDisplayFormatQ() const { return QString::fromStdString(displayFormat_); }
    void SetDisplayFormatQ(const QString& v) { SetFormat(v.toStdString()); }
    double GetValueD() { return double(GetValue()); }
    void SetValueD(double v) { SetValue(v); }
    QString GetTextQ() const { return QString::fromStdString(GetText()); }
    void SetTextQ(const QString& v) { SetText(v.toStdString()); }

    std::string displayFormat_;
    long double value_ = 0;
    int decimalPlaces_ = 2;
    bool beepOnError_ = false;
    TAlignment alignment_ = taRightJustify;
    bool autoSize_ = true;
    TColor color_ = clWindow;
    bool parentColor_ = false;
    int maxLength_ = 0;
    qsizetype shownLength_ = 0;  // the text's length after its last change
    bool ctl3D_ = true, parentCtl3D_ = true, hideSelection_ = true, parentFont_ = true, showHint_ = false,
         parentShowHint_ = true;
    bool loading_ = true;
    TFont font_;
};

}  // namespace velt
