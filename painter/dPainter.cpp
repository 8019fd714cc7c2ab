#include "painter/dPainter.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <charconv>
#include <cmath>

#include "foundation/SysUtils.h"
#include "graphics/grStr.h"
#include "painter/GrfPaint.h"
#include "platform/ui/ExceptionReporter.h"
#include "treeview/MenuList.h"

namespace velt {

namespace {

template <class T>
T* Make(QWidget* parent, const char* name, QRect at) {
    auto* w = new T(parent);
    w->setObjectName(name);
    w->setGeometry(at);
    w->setProperty(kTagProperty, 0);
    return w;
}

QLabel* Label(QWidget* parent, const char* name, const char* text, QRect at) {
    auto* l = Make<QLabel>(parent, name, at);
    l->setText(QString::fromUtf8(text));
    return l;
}

QCheckBox* Check(QWidget* parent, const char* name, const char* text, QRect at) {
    auto* c = Make<QCheckBox>(parent, name, at);
    c->setText(QString::fromUtf8(text));
    return c;
}

QFrame* Bevel(QWidget* parent, const char* name, QRect at) {
    auto* f = Make<QFrame>(parent, name, at);
    f->setFrameShape(QFrame::Box);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

TGraphSelectColor* Colour(QWidget* parent, const char* name, QRect at) {
    auto* c = Make<TGraphSelectColor>(parent, name, at);
    c->Loaded();
    return c;
}

// The shortest text that reads back as the same Single; whole numbers keep
// their point as Real_str writes them ("5.").
std::string ValueText(float v) {
    if (v == 0 || !std::isfinite(v)) return Real_str(0, 0, v);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    std::string s(buf, r.ptr);
    if (s.find('.') == std::string::npos) s += '.';
    return s;
}

const QColor kInvalidBase(0xFF, 0xC8, 0xC8);

}  // namespace

std::optional<float> ParseSetupValue(const QString& text) {
    QString t = text.trimmed();
    // The decimal separator the user's locale types reads as a point.
    const QString sep = QLocale().decimalPoint();
    if (sep != ".") t.replace(sep, ".");
    const std::string s = t.toStdString();
    const double v = Str_Real(s);  // 0 for any text that is no number
    const float f = float(v);
    if (!(v > 0) || !std::isfinite(f) || !(f > 0)) return std::nullopt;
    return f;
}

TDlgPainterSetup::TDlgPainterSetup(QWidget* parent) : QDialog(parent) {
    setObjectName("DlgPainterSetup");
    setWindowTitle(QString::fromUtf8("Настройки редактора зображення"));
    setProperty(kTagProperty, 0);
    setFixedSize(429, 299);

    PC = Make<QTabWidget>(this, "PC", QRect(4, 4, 421, 256));
    TSWindow = new QWidget;
    TSWindow->setObjectName("TSWindow");
    TSWindow->setProperty(kTagProperty, 0);
    TSSteps = new QWidget;
    TSSteps->setObjectName("TSSteps");
    TSSteps->setProperty(kTagProperty, 0);
    PC->addTab(TSWindow, QString::fromUtf8("Вікно редагування"));
    PC->addTab(TSSteps, QString::fromUtf8("Крок та сітка"));

    // The window page: units, colours, rulers.
    Bevel1 = Bevel(TSWindow, "Bevel1", QRect(8, 16, 200, 96));
    Bevel2 = Bevel(TSWindow, "Bevel2", QRect(216, 16, 190, 96));
    Label3 = Label(TSWindow, "Label3", "Система одиниць виміру", QRect(14, 4, 190, 16));
    Label1 = Label(TSWindow, "Label1", "Основна", QRect(16, 28, 80, 16));
    CBMsrType = Make<QComboBox>(TSWindow, "CBMsrType", QRect(96, 26, 104, 22));
    Label2 = Label(TSWindow, "Label2", "Для показу", QRect(16, 60, 80, 16));
    CBMsrShow = Make<QComboBox>(TSWindow, "CBMsrShow", QRect(96, 58, 104, 22));
    Label4 = Label(TSWindow, "Label4", "Кольори", QRect(222, 4, 120, 16));
    Label5 = Label(TSWindow, "Label5", "Фон вікна", QRect(224, 32, 80, 16));
    ColWindow = Colour(TSWindow, "ColWindow", QRect(310, 28, 88, 24));
    ColWindow->SetOptions(OptBit(soHint) | OptBit(soUsePalette));
    ColWindow->SetColSize(20);
    ColWindow->SetRowSize(18);
    Label6 = Label(TSWindow, "Label6", "Лінійки", QRect(14, 120, 120, 16));
    CBRulShow = Check(TSWindow, "CBRulShow", "Показувати", QRect(16, 140, 180, 20));
    CBRulPos = Check(TSWindow, "CBRulPos", "Поточна позиція", QRect(16, 164, 180, 20));

    // The step and grid page.
    Bevel3 = Bevel(TSSteps, "Bevel3", QRect(8, 16, 196, 70));
    Label7 = Label(TSSteps, "Label7", "Крок курсора", QRect(14, 4, 150, 16));
    CBStep = Check(TSSteps, "CBStep", "Наявний", QRect(16, 24, 120, 20));
    Label9 = Label(TSSteps, "Label9", "Значення", QRect(16, 54, 70, 16));
    EdStep = Make<QLineEdit>(TSSteps, "EdStep", QRect(90, 52, 80, 22));
    EdStep->setText("0");
    UdStep = Make<TUpDown>(TSSteps, "UdStep", QRect(170, 52, 16, 22));
    Bevel4 = Bevel(TSSteps, "Bevel4", QRect(212, 16, 196, 200));
    Label8 = Label(TSSteps, "Label8", "Точкова розмітка", QRect(218, 4, 150, 16));
    CBGrid = Check(TSSteps, "CBGrid", "Показувати", QRect(220, 24, 120, 20));
    Label10 = Label(TSSteps, "Label10", "Інтервал нанесення", QRect(220, 50, 128, 16));
    EdGrid = Make<QLineEdit>(TSSteps, "EdGrid", QRect(350, 48, 36, 22));
    UdGrid = Make<TUpDown>(TSSteps, "UdGrid", QRect(386, 48, 16, 22));
    Label13 = Label(TSSteps, "Label13", "Колір", QRect(220, 80, 60, 16));
    ColGrid = Colour(TSSteps, "ColGrid", QRect(330, 76, 72, 24));
    Label12 = Label(TSSteps, "Label12", "Розмітка лініями", QRect(218, 110, 150, 16));
    CBGridLn = Check(TSSteps, "CBGridLn", "Показувати", QRect(220, 130, 120, 20));
    Label11 = Label(TSSteps, "Label11", "Інтервал нанесення", QRect(220, 156, 128, 16));
    EdGridLn = Make<QLineEdit>(TSSteps, "EdGridLn", QRect(350, 154, 36, 22));
    UdGridLn = Make<TUpDown>(TSSteps, "UdGridLn", QRect(386, 154, 16, 22));
    Label14 = Label(TSSteps, "Label14", "Колір", QRect(220, 186, 60, 16));
    ColGridLn = Colour(TSSteps, "ColGridLn", QRect(330, 182, 72, 24));
    CBRulStd = Check(TSSteps, "CBRulStd", "Розмітка ", QRect(16, 100, 180, 20));
    for (TUpDown* u : {UdGrid, UdGridLn, UdStep}) u->SetMin(-10000), u->SetMax(10000);
    UdStep->SetAssociate(EdStep);
    UdGrid->SetAssociate(EdGrid);
    UdGridLn->SetAssociate(EdGridLn);

    Panel1 = Make<QWidget>(this, "Panel1", QRect(0, 262, 429, 37));
    BOk = Make<QPushButton>(Panel1, "BOk", QRect(170, 6, 75, 25));
    BOk->setText("Ok");
    BOk->setDefault(true);
    Button1 = Make<QPushButton>(Panel1, "Button1", QRect(254, 6, 75, 25));
    Button1->setText("Cancel");
    BtnApply = Make<QPushButton>(Panel1, "BtnApply", QRect(338, 6, 75, 25));
    BtnApply->setText(QString::fromUtf8("Викон&aти"));
    BtnApply->setEnabled(false);
    PC->setCurrentWidget(TSSteps);

    for (QCheckBox* c : {CBRulShow, CBRulPos, CBStep, CBGrid, CBGridLn, CBRulStd})
        connect(c, &QCheckBox::toggled, this, [this, c] { CallReporting([&] { ControlChange(c); }); });
    for (QComboBox* c : {CBMsrType, CBMsrShow})
        connect(c, &QComboBox::currentIndexChanged, this, [this, c] { CallReporting([&] { ControlChange(c); }); });
    for (QLineEdit* e : {EdStep, EdGrid, EdGridLn}) {
        e->setProperty("normalBase", e->palette().color(QPalette::Base));
        connect(e, &QLineEdit::textChanged, this, [this, e] {
            CallReporting([&] {
                MarkEdit(e, !loading_ && !ParseSetupValue(e->text()));
                ControlChange(e);
            });
        });
    }
    for (TGraphSelectColor* c : {ColWindow, ColGrid, ColGridLn})
        c->OnChange = [this](QObject* s) { ControlChange(s); };
    for (TUpDown* u : {UdGrid, UdGridLn, UdStep})
        u->OnClick = [this](QObject* s, TUDBtnType b) { UdGridClick(s, b); };
    connect(BOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnApply, &QPushButton::clicked, this, [this] { CallReporting([&] { BtnApplyClick(); }); });

    FormCreate();
    if (QScreen* s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
}

TGraphPaint* TDlgPainterSetup::Box() const { return box_.data(); }

int TDlgPainterSetup::Tag() const { return property(kTagProperty).toInt(); }

void TDlgPainterSetup::FormCreate() {
    const bool was = loading_;
    loading_ = true;
    CBMsrType->clear();
    for (const TMeasureRec& m : Measure) CBMsrType->addItem(QString::fromUtf8(m.Name));
    CBMsrShow->clear();
    for (int i = 0; i < CBMsrType->count(); ++i) CBMsrShow->addItem(CBMsrType->itemText(i));
    loading_ = was;
}

void TDlgPainterSetup::LoadFromBox(TGraphPaint* s) {
    box_ = s;
    if (!s) return;
    struct Loading {
        bool& f;
        bool was;
        ~Loading() { f = was; }
    } guard{loading_, loading_};
    loading_ = true;
    ColWindow->SetColorValue(ColorToRGB(s->Color()));
    CBMsrType->setCurrentIndex(s->MeasureType());
    CBMsrShow->setCurrentIndex(s->MeasureShow());
    CBRulShow->setChecked(s->Rullers().Visible());
    CBRulPos->setChecked(s->Rullers().ShowCoord());
    CBStep->setChecked(s->Step().Enabled());
    EdStep->setText(QString::fromStdString(ValueText(s->Step().Value())));
    EdGrid->setText(QString::fromStdString(ValueText(s->Grid().Value())));
    EdGridLn->setText(QString::fromStdString(ValueText(s->GridLn().Value())));
    for (QLineEdit* e : {EdStep, EdGrid, EdGridLn}) MarkEdit(e, false);
    ColGrid->SetColorValue(s->Grid().Color());
    ColGridLn->SetColorValue(s->GridLn().Color());
    CBGrid->setChecked(s->Grid().Enabled());
    CBGridLn->setChecked(s->GridLn().Enabled());
}

void TDlgPainterSetup::SaveToBox(TGraphPaint* s) {
    if (!s) return;
    // Every text is read before anything is stored; one that is no
    // positive number keeps the stored value, and its edit says so.
    auto read = [&](QLineEdit* e, float old) {
        const std::optional<float> v = ParseSetupValue(e->text());
        MarkEdit(e, !v);
        return v.value_or(old);
    };
    const float step = read(EdStep, s->Step().Value());
    const float grid = read(EdGrid, s->Grid().Value());
    const float gridLn = read(EdGridLn, s->GridLn().Value());
    s->SetColor(ColWindow->GetColorValue());
    s->SetMeasureType(CBMsrType->currentIndex());  // no selection keeps the unit
    s->SetMeasureShow(CBMsrShow->currentIndex());
    s->Rullers().SetVisible(CBRulShow->isChecked());
    s->Rullers().SetShowCoord(CBRulPos->isChecked());
    s->Step().SetEnabled(CBStep->isChecked());
    s->Step().SetValue(step);
    s->Grid().SetEnabled(CBGrid->isChecked());
    s->Grid().SetValue(grid);
    s->Grid().SetColor(ColGrid->GetColorValue());
    s->GridLn().SetEnabled(CBGridLn->isChecked());
    s->GridLn().SetValue(gridLn);
    s->GridLn().SetColor(ColGridLn->GetColorValue());
    s->Invalidate();
}

void TDlgPainterSetup::Changed() {
    setProperty(kTagProperty, 1);
    BtnApply->setEnabled(true);
}

void TDlgPainterSetup::ControlChange(QObject* sender) {
    if (loading_) return;
    setProperty(kTagProperty, 1);
    if (sender == EdStep) CBStep->setChecked(true);
    if (sender == EdGrid) CBGrid->setChecked(true);
    if (sender == EdGridLn) CBGridLn->setChecked(true);
    Changed();
}

void TDlgPainterSetup::BtnApplyClick() {
    SaveToBox(box_);
    BtnApply->setEnabled(false);
}

void TDlgPainterSetup::UdGridClick(QObject* sender, TUDBtnType button) {
    QLineEdit* e = sender == UdStep ? EdStep : sender == UdGrid ? EdGrid : sender == UdGridLn ? EdGridLn : nullptr;
    if (!e) return;
    const std::optional<float> read = ParseSetupValue(e->text());
    if (!read) {
        MarkEdit(e, true);
        return;
    }
    float v = *read;
    if (button == btNext) {
        if (v > 500) return;
        v *= 2;
    } else {
        v /= 2;
    }
    e->setText(QString::fromStdString(ValueText(v)));
}

bool TDlgPainterSetup::EditMarked(const QLineEdit* e) { return e && e->property("invalid").toBool(); }

void TDlgPainterSetup::MarkEdit(QLineEdit* e, bool invalid) {
    if (EditMarked(e) == invalid) return;
    e->setProperty("invalid", invalid);
    QPalette pal = e->palette();
    pal.setColor(QPalette::Base, invalid ? kInvalidBase : e->property("normalBase").value<QColor>());
    e->setPalette(pal);
}

}  // namespace velt
