#pragma once
// The painter's setup dialog: background colour, measure units, rulers,
// snap step and the two grids of a drawing surface. Its two pages live in
// PC; they work when moved into another tab widget, as the property editor
// does, because every handler reaches the controls through the form.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <optional>

#include "graphics/GrfSel.h"
#include "platform/ui/UpDown.h"

namespace velt {

class TGraphPaint;

// A step or grid text as a positive Single: the locale's decimal separator
// reads as a point; none for a text that is no finite positive number.
std::optional<float> ParseSetupValue(const QString& text);

class TDlgPainterSetup : public QDialog {
    Q_OBJECT
public:
    explicit TDlgPainterSetup(QWidget* parent = nullptr);

    QTabWidget* PC;
    QWidget *TSWindow, *TSSteps;
    QFrame *Bevel1, *Bevel2, *Bevel3, *Bevel4;
    QComboBox *CBMsrType, *CBMsrShow;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10, *Label11,
        *Label12, *Label13, *Label14;
    TGraphSelectColor *ColWindow, *ColGrid, *ColGridLn;
    QCheckBox *CBRulShow, *CBRulPos, *CBStep, *CBGrid, *CBGridLn, *CBRulStd;
    QLineEdit *EdStep, *EdGrid, *EdGridLn;
    TUpDown *UdGrid, *UdGridLn, *UdStep;
    QWidget* Panel1;
    QPushButton *BOk, *Button1, *BtnApply;

    TGraphPaint* Box() const;
    // The form's Tag: 1 once anything was changed.
    int Tag() const;

    void FormCreate();
    void LoadFromBox(TGraphPaint* surface);
    // A step or grid text that is no positive number keeps the surface's
    // value and marks its edit.
    void SaveToBox(TGraphPaint* surface);
    virtual void Changed();
    void ControlChange(QObject* sender);
    void BtnApplyClick();
    void UdGridClick(QObject* sender, TUDBtnType button);
    // The edit shows that its text is no value (a reddish background).
    static bool EditMarked(const QLineEdit* e);

private:
    void MarkEdit(QLineEdit* e, bool invalid);
    QPointer<TGraphPaint> box_;
    // Loading sets controls whose change handlers would mark the form
    // changed and check the grid boxes.
    bool loading_ = false;
};

}  // namespace velt
