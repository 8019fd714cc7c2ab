#include "examples/palette/PaletteForm.h"
#include "examples/palette/SurfacePage.h"
#include "examples/palette/TopicSheetHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "graphics/CurrEdit.h"
#include "graphics/GrfRERul.h"
#include "graphics/GrfSel.h"
#include "graphics/GrfSelFn.h"
#include "graphics/RxCtrls.h"
#include "foundation/VarDisp.h"
#include "platform/ui/ComponentPalette.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ExceptionReporter.h"
#include "treeview/CheckedListView.h"
#include "treeview/CompList.h"
#include "treeview/Highlight.h"
#include "helpdoc/GenForm.h"
#include "helpdoc/NewDocWizard.h"
#include "helpdoc/TopicProperties.h"
#include <QPushButton>

namespace velt {

namespace {

constexpr int kLabelX = 12;
constexpr int kControlX = 196;
constexpr int kRow = 32;
// The top of the painter's row on the page "VerUdov".
constexpr int kPainterRowY = 424;

const char* const kKindNames[] = {"skColor", "skPenStyle", "skBrushStyle", "skPenWidth",
                                  "skPtrBegin", "skPtrEnd", "skLineMarker"};

// Paragraphs for the ruler to show: an indented first line, a hanging
// indent, and columns at tab stops.
void FillSample(QTextEdit* edit) {
    edit->setPlainText(
        "The ruler above shows the paragraph under the caret: the upper marker is the first line, the lower "
        "ones the left and right margins. Drag them; click the ruler to add a tab stop, drag one off to the "
        "left to take it away.\n"
        "A hanging paragraph: its first line starts at the edge and the lines after it further in, where the "
        "left margin marker sits.\n"
        "Item\tSize\tColour\n"
        "Pen\t1\tBlack\n"
        "Brush\t-\tSilver");
    QTextDocument* doc = edit->document();
    auto format = [doc](int block, qreal left, qreal indent, std::initializer_list<qreal> tabs) {
        QTextBlockFormat f;
        f.setLeftMargin(left);
        f.setTextIndent(indent);
        QList<QTextOption::Tab> stops;
        for (qreal t : tabs) stops.append(QTextOption::Tab(t, QTextOption::LeftTab));
        f.setTabPositions(stops);
        QTextCursor(doc->findBlockByNumber(block)).setBlockFormat(f);
    };
    format(0, 0, 40, {});
    format(1, 60, -60, {});
    for (int b = 2; b < 5; ++b) format(b, 0, 0, {80, 160});
}

const char* const kSampleIni[] = {
    "[Window]", "Left=120", "Top=80;from the last session", "Maximized=0", "", "[Recent]",
    "File1=examples/project/Unit1.pas", "File2=examples/project/Unit2.pas;;kept", "", "; a line colours as you type ; or ] in it",
};

const char* const kSampleRtf[] = {
    "{\\rtf1\\ansi\\deff0", "{\\fonttbl{\\f0 Arial;}}", "\\pard\\b Checked list view\\b0  and {\\i colouring} rich edit\\par",
    "A control symbol: \\{ and \\\\ and \\'e9\\par", "}",
};

template <size_t N>
TStringList Lines(const char* const (&lines)[N]) {
    TStringList list;
    for (const char* l : lines) list.Add(l);
    return list;
}

}  // namespace

TPaletteForm::TPaletteForm() {
    setWindowTitle("velt-palette");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_);
    for (const std::string& page : ComponentPalette().GetPages()) {
        QWidget* p = AddPage(page);
        if (page == "RX") FillRxPage(p, page);
        else if (page == "Varno") FillVarnoPage(p, page);
        else FillPickerPage(p, page);
    }
    // Before the last tab: its check box switches the controls made so far.
    palettePages_ = new TCompList(this);
    palettePages_->setObjectName("PaletteControls");
    for (const Made& m : made_)
        if (m.Component) palettePages_->Add(m.Component);
    FillFormsPage(AddPage(kFormsPage));
    FillOtherPage(AddPage(kOtherPage));
    surface_ = FillSurfacePage(AddPage(kSurfacePage));
    made_.push_back({kSurfacePage, "TGraphPaint"});
    made_.push_back({kSurfacePage, "TGraphRuller"});
    made_.push_back({kSurfacePage, "TGraphRuller"});
    resize(720, 640);
}

TPaletteForm::~TPaletteForm() = default;

void TPaletteForm::FillFormsPage(QWidget* page) {
    auto* wizard = new QPushButton("New Documentation Project...", page);
    wizard->setObjectName("NewDocumentationProject");
    wizard->move(kLabelX, kRow / 2);
    wizard->resize(240, 26);
    connect(wizard, &QPushButton::clicked, this, [this] { CallReporting([this] { NewDocumentationProject(); }); });
    auto* topic = new QPushButton("Topic Properties...", page);
    topic->setObjectName("TopicProperties");
    topic->move(kLabelX, kRow / 2 + kRow + 8);
    topic->resize(240, 26);
    connect(topic, &QPushButton::clicked, this, [this] { CallReporting([this] { TopicProperties(); }); });
    choices_ = new QLabel(page);
    choices_->setObjectName("Choices");
    choices_->move(kLabelX, kRow / 2 + 2 * kRow + 24);
    choices_->resize(660, 80);
    choices_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    made_.push_back({kFormsPage, "TNewDocWizard", nullptr});
    made_.push_back({kFormsPage, "TTopicPropertiesForm", nullptr});
}

void TPaletteForm::NewDocumentationProject() {
    wizard_ = std::make_unique<TNewDocWizard>(this);
    const int result = wizard_->Start();
    if (result != QDialog::Accepted) {
        choices_->setText("New Documentation Project: cancelled");
        return;
    }
    const char* style = wizard_->DocStyleIndex() == 0 ? "Source Code Documentation" : "Form Design Documentation";
    choices_->setText(QString("Style: %1\nContext Prefix: %2\nLocation: %3")
                          .arg(style, wizard_->edCtxPrefix->text(), wizard_->edLocation->text()));
}

void TPaletteForm::TopicProperties() {
    if (!topicHost_) topicHost_ = std::make_unique<TTopicSheetHost>(this);
    topicHost_->Open();
}

QWidget* TPaletteForm::OpenForm(const std::string& name) {
    if (name == "NewDocWizard") {
        wizard_ = std::make_unique<TNewDocWizard>(this);
        wizard_->edLocation->setText("/home/user/help/Project.hpj");
        wizard_->show();
        return wizard_.get();
    }
    if (name == "TopicProperties") {
        TopicProperties();
        return topicHost_->Sheet();
    }
    return nullptr;
}

QWidget* TPaletteForm::AddPage(const std::string& name) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromStdString(name));
    page->setAutoFillBackground(true);
    tabs_->addTab(page, QString::fromStdString(name));
    return page;
}

std::string TPaletteForm::NewName(const std::string& className) {
    const std::string base = className.size() > 1 && className[0] == 'T' ? className.substr(1) : className;
    for (int n = 1;; ++n) {
        const std::string name = base + std::to_string(n);
        if (!Component(name)) return name;
    }
}

void TPaletteForm::Name(QWidget* component, const std::string& pageName) {
    std::string cls = component->metaObject()->className();
    if (const size_t colon = cls.rfind(':'); colon != std::string::npos) cls = cls.substr(colon + 1);
    component->setObjectName(QString::fromStdString(NewName(cls)));
    made_.push_back(Made{pageName, cls, component});
}

void TPaletteForm::Place(QWidget* page, const std::string& pageName, QWidget* component, const std::string& label,
                         int x, int y) {
    Name(component, pageName);
    auto* text = new QLabel(QString::fromStdString(label), page);
    text->adjustSize();
    text->move(kLabelX, y + 3);
    component->setParent(page);
    component->move(x, y);
}

void TPaletteForm::FillPickerPage(QWidget* page, const std::string& pageName) {
    int y = 12;
    TGraphSelectColor* colour = nullptr;
    std::vector<TCustomGraphSelect*> linked;
    int painterX = kLabelX;
    for (const std::string& cls : ComponentPalette().GetClasses(pageName)) {
        if (cls == "TGraphPaint" || cls == "TEditGraphPaint" || cls == "TEditGraphPanel" || cls == "TGraphRuller") {
            // The painter's components in a row under the pickers.
            QWidget* w = ComponentPalette().CreateComponent(cls).release();
            Name(w, pageName);
            w->setParent(page);
            const int width = cls == "TEditGraphPanel" ? 250 : cls == "TGraphRuller" ? 120 : 130;
            w->setGeometry(painterX, kPainterRowY + 20, width, cls == "TGraphRuller" ? 24 : 150);
            auto* label = new QLabel(QString::fromStdString(cls), page);
            label->adjustSize();
            label->move(painterX, kPainterRowY);
            painterX += width + 16;
            continue;
        }
        if (cls == "TGraphSelect") {
            for (int kind = skColor; kind <= skLineMarker; ++kind) {
                QWidget* w = ComponentPalette().CreateComponent(cls).release();
                w->setProperty("Kind", kind);
                // The pickers are made without a tab stop; on a form Tab reaches them.
                w->setProperty("TabStop", true);
                w->resize(96, 22);
                Place(page, pageName, w, cls + " (" + kKindNames[kind] + ")", kControlX, y);
                if (kind != skColor) linked.push_back(qobject_cast<TCustomGraphSelect*>(w));
                y += kRow;
            }
            continue;
        }
        QWidget* w = ComponentPalette().CreateComponent(cls).release();
        if (cls == "TRichRuller") {
            // Over a rich edit of sample paragraphs, on the right of the pickers.
            auto* box = new QWidget(page);
            box->setGeometry(318, 12, 370, 380);
            auto* ruller = qobject_cast<TRichRuller*>(w);
            auto* edit = new QTextEdit(box);
            // No margin inside the edit, so that the ruler's 0 is where the text starts.
            edit->document()->setDocumentMargin(0);
            FillSample(edit);
            Name(w, pageName);
            w->setParent(box);
            SetAlign(w, alTop);
            w->resize(w->width(), 30);
            SetAlign(edit, alClient);
            if (ruller) {
                ruller->SetRE(edit);
                ruller->OnChanged = [edit](QObject* sender) {
                    static_cast<TRichRuller*>(sender)->SaveToRE(edit, 1);
                };
                QObject::connect(edit, &QTextEdit::cursorPositionChanged, ruller,
                                 [ruller, edit] { ruller->LoadFromRE(edit, 1); });
                ruller->LoadFromRE(edit, 1);
            }
            auto* label = new QLabel(QString::fromStdString(cls), page);
            label->adjustSize();
            label->move(318, 396);
            continue;
        }
        if (qobject_cast<TCustomGraphSelect*>(w)) w->setProperty("TabStop", true);
        if (cls == "TGraphSelectColor") {
            colour = qobject_cast<TGraphSelectColor*>(w);
            w->resize(96, 22);
        } else if (cls == "TGraphSelectFont") {
            w->resize(116, 24);
        } else if (cls == "TGraphSelectFontSize") {
            w->resize(56, 22);
        }
        Place(page, pageName, w, cls, kControlX, y);
        y += kRow;
    }
    // The style pickers draw in the colour picker's colour.
    if (colour) {
        colour->SetColorValue(clNavy);
        for (TCustomGraphSelect* p : linked)
            if (p) p->SetColorControl(colour);
        colour->DoChange();
    }
}

void TPaletteForm::FillRxPage(QWidget* page, const std::string& pageName) {
    // A top panel with the clocks, the splitter under it and a client panel
    // with the labels, in the order the aligned passes place them.
    auto* top = TCustomPanel::Create(page).release();
    top->setGeometry(0, 0, 700, 176);
    QWidget* splitter = nullptr;
    std::vector<QWidget*> others;
    for (const std::string& cls : ComponentPalette().GetClasses(pageName)) {
        if (cls == "TrxSplitter" && !splitter) {
            splitter = ComponentPalette().CreateComponent(cls).release();
            Name(splitter, pageName);
            splitter->setParent(page);
            splitter->setGeometry(0, 176, 700, 4);
        } else {
            others.push_back(ComponentPalette().CreateComponent(cls).release());
        }
    }
    auto* client = TCustomPanel::Create(page).release();
    client->setGeometry(0, 180, 700, 200);
    SetAlign(top, alTop);
    if (splitter) {
        SetAlign(splitter, alTop);
        splitter->setProperty("ControlFirst", QVariant::fromValue<QWidget*>(top));
        splitter->setProperty("ControlSecond", QVariant::fromValue<QWidget*>(client));
        auto* hint = new QLabel("TrxSplitter: drag the bar above to resize the clocks' panel", client);
        hint->adjustSize();
        hint->move(kLabelX, 8);
    }
    SetAlign(client, alClient);

    int clockX = kLabelX, labelY = 36;
    const char* const positions[] = {"spLeftTop", "spLeftBottom", "spRightBottom", "spRightTop"};
    for (QWidget* w : others) {
        if (auto* clock = qobject_cast<TrxClock*>(w)) {
            // Both modes: the digital clock, then the dial.
            for (TShowClock mode : {scDigital, scAnalog}) {
                TrxClock* c = clock;
                if (mode == scAnalog) c = qobject_cast<TrxClock*>(ComponentPalette().CreateComponent("TrxClock").release());
                if (!c) continue;
                c->SetShowMode(mode);
                c->SetAutoSize(true);
                const bool dial = c->GetShowMode() == scAnalog;
                const std::string label = std::string("TrxClock (") + (dial ? "scAnalog" : "scDigital") + ")";
                auto* text = new QLabel(QString::fromStdString(label), top);
                text->adjustSize();
                text->move(clockX, 8);
                Name(c, pageName);
                c->setParent(top);
                c->setGeometry(clockX, 30, dial ? 136 : 220, dial ? 136 : 64);
                clockX += (dial ? 136 : 220) + 40;
            }
        } else if (auto* label = qobject_cast<TrxLabel*>(w)) {
            // Shadowed labels, one for each shadow position.
            for (int i = 0; i < 4; ++i) {
                TrxLabel* l = i == 0 ? label : qobject_cast<TrxLabel*>(ComponentPalette().CreateComponent("TrxLabel").release());
                if (!l) continue;
                l->Font().SetHeight(-22);
                l->Font().SetStyle(FontStyleBit(fsBold));
                l->SetShadowSize(2);
                l->SetShadowColor(clGray);
                l->SetShadowPos(TShadowPosition(i));
                l->SetCaption("Shadowed label");
                auto* text = new QLabel(QString("TrxLabel (") + positions[i] + ")", client);
                text->adjustSize();
                text->move(kLabelX, labelY + 8);
                Name(l, pageName);
                l->setParent(client);
                l->move(kControlX, labelY);
                labelY += 40;
            }
        } else {
            Place(client, pageName, w, w->metaObject()->className(), kControlX, labelY);
            labelY += std::max(w->height(), 22) + 10;
        }
    }
}

void TPaletteForm::FillVarnoPage(QWidget* page, const std::string& pageName) {
    auto caption = [page](const std::string& text, int x, int y) {
        auto* label = new QLabel(QString::fromStdString(text), page);
        label->adjustSize();
        label->move(x, y);
    };
    for (const std::string& cls : ComponentPalette().GetClasses(pageName)) {
        if (cls == "TCheckedListView") {
            auto* view = qobject_cast<TCheckedListView*>(ComponentPalette().CreateComponent(cls).release());
            if (!view) continue;
            Name(view, pageName);
            view->setParent(page);
            view->SetColumns({"Item", "Note"});
            const char* const rows[][2] = {{"Tick me", "a click on the mark toggles it"},
                                           {"Checked", "state image 0"},
                                           {"Unchecked", "no state image"},
                                           {"Another", ""},
                                           {"And one more", ""}};
            for (const auto& row : rows) {
                const int i = view->Add(false);
                view->topLevelItem(i)->setText(0, row[0]);
                view->topLevelItem(i)->setText(1, row[1]);
            }
            view->SetChecked(1, true);
            view->SetChecked(3, true);
            view->setColumnWidth(0, 110);
            caption(cls, kLabelX, 8);
            view->setGeometry(kLabelX, 30, 300, 346);
        } else if (cls == "THighlight") {
            // One on INI text, one on RTF source.
            for (const bool rtf : {false, true}) {
                auto* edit = qobject_cast<THighlight*>(ComponentPalette().CreateComponent(cls).release());
                if (!edit) continue;
                Name(edit, pageName);
                edit->setParent(page);
                if (!rtf) {
                    edit->OnHighlightLine = HighlightIniLine;
                    edit->SetKeyChars("=;]");
                    edit->SetLines(Lines(kSampleIni));
                    caption("THighlight (HighlightIniLine)", 328, 8);
                    edit->setGeometry(328, 30, 360, 180);
                } else {
                    edit->OnHighlightLine = HighlightRichLine;
                    edit->SetKeyChars(" \\{}");
                    edit->SetLines(Lines(kSampleRtf));
                    caption("THighlight (HighlightRichLine)", 328, 218);
                    edit->setGeometry(328, 240, 360, 136);
                }
            }
        }
    }
}

void TPaletteForm::FillOtherPage(QWidget* page) {
    auto edit = TCurrencyEdit::Create();
    edit->SetValue(1234.5L);
    Place(page, kOtherPage, edit.release(), "TCurrencyEdit", kControlX, 12);

    auto* enabled = new QCheckBox("Enabled: every control on the other tabs (one TCompList broadcast)", page);
    enabled->setObjectName("EnabledCheck");
    enabled->setChecked(true);
    enabled->adjustSize();
    enabled->move(kLabelX, 12 + 2 * kRow);
    TCompList* group = palettePages_;
    QObject::connect(enabled, &QCheckBox::toggled, this, [group](bool on) {
        CallReporting([&] { DispPut(group->AsVariant(), "Enabled", on); });
    });
}

std::vector<std::string> TPaletteForm::PageNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < tabs_->count(); ++i) names.push_back(tabs_->tabText(i).toStdString());
    return names;
}

std::vector<std::string> TPaletteForm::ClassesOn(const std::string& page) const {
    std::vector<std::string> classes;
    for (const Made& m : made_)
        if (m.Page == page) classes.push_back(m.Class);
    return classes;
}

bool TPaletteForm::ShowPage(const std::string& page) {
    for (int i = 0; i < tabs_->count(); ++i)
        if (tabs_->tabText(i).toStdString() == page) {
            tabs_->setCurrentIndex(i);
            return true;
        }
    return false;
}

QWidget* TPaletteForm::Component(const std::string& name) const {
    return findChild<QWidget*>(QString::fromStdString(name));
}

std::string TPaletteForm::DropDown(const std::string& name) {
    auto* picker = qobject_cast<TCustomGraphSelect*>(Component(name));
    if (!picker) return "no picker named " + name;
    for (int i = 0; i < tabs_->count(); ++i)
        if (tabs_->widget(i)->isAncestorOf(picker)) tabs_->setCurrentIndex(i);
    QApplication::processEvents();
    picker->setFocus();
    picker->DropDown();
    QApplication::processEvents();
    if (!picker->PopupShown()) return "the popup of " + name + " did not open";
    return {};
}

QImage TPaletteForm::Screenshot() {
    const QImage window = grab().toImage();
    QRect all(QPoint(0, 0), window.size());
    std::vector<std::pair<QPoint, QImage>> popups;
    for (TPopupGrid* popup : findChildren<TPopupGrid*>())
        if (popup->isVisible()) {
            const QPoint at = mapFromGlobal(popup->mapToGlobal(QPoint(0, 0)));
            popups.emplace_back(at, popup->grab().toImage());
            all |= QRect(at, popup->size());
        }
    QImage shot(all.size(), QImage::Format_RGB32);
    shot.fill(palette().color(QPalette::Window));
    QPainter p(&shot);
    p.drawImage(-all.topLeft(), window);
    for (const auto& [at, image] : popups) p.drawImage(at - all.topLeft(), image);
    return shot;
}

}  // namespace velt
