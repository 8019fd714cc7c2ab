#include "helpdoc/Wizard.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

#include "platform/ui/DialogRunner.h"
#include "platform/ui/ExceptionReporter.h"

namespace velt {

namespace {

TCustomPanel* NewPanel(QWidget* parent, const char* name, TAlign align) {
    auto* p = new TCustomPanel(parent);
    p->setObjectName(name);
    p->SetBevelOuter(bvNone);
    p->SetAlign(align);
    p->Loaded();
    return p;
}

}  // namespace

// ---- page ----

TWizardPanelBase::TWizardPanelBase(QWidget* parent) : TCustomPanel(parent) {
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    SetAlign(alClient);
    Loaded();
}

TWizardPanelBase::~TWizardPanelBase() {
    destroying_ = true;
    if (QWidget* parent = parentWidget())
        for (QObject* o : parent->children())
            if (auto* page = qobject_cast<TWizardPanelBase*>(o); page && page != this) page->Notification(this);
    if (OnRemoving) OnRemoving(this);
}

void TWizardPanelBase::SetNextPage(TWizardPanelBase* page) {
    NextPage_ = page ? page : DefaultNextPage_.data();
    if (OnChange) OnChange();
}

void TWizardPanelBase::SetBackPage(TWizardPanelBase* page) {
    BackPage_ = page;
    if (OnChange) OnChange();
}

void TWizardPanelBase::Enter() {
    if (!entered_ && OnFirstEnter) OnFirstEnter(this);
    if (OnEnter) OnEnter(this);
    entered_ = true;
}

void TWizardPanelBase::Next() {
    if (OnNext) OnNext(this);
}

void TWizardPanelBase::Back() {
    if (OnBack) OnBack(this);
}

void TWizardPanelBase::Notification(TWizardPanelBase* removed) {
    if (destroying_ || !removed) return;
    if (NextPage_ == removed) NextPage_ = removed->NextPage_.data();
    if (BackPage_ == removed) BackPage_ = removed->BackPage_.data();
}

// ---- wizard ----

TWizard::TWizard(QWidget* parent) : QDialog(parent) {
    setObjectName("Wizard");
    setWindowTitle("Wizard");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(480, 320);
    Images = new TImageList(96, 160);
    Images->setParent(this);
    Pages = new TPageList(this);
    Pages->setObjectName("Pages");

    PSys = NewPanel(this, "PSys", alClient);
    PButtons = NewPanel(PSys, "PButtons", alBottom);
    PButtons->resize(480, 42);
    auto* row = new QWidget(PButtons);
    SetAlign(row, alClient);
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(8, 6, 8, 8);
    buttons->addStretch(1);
    BBack = new QPushButton("< &Back", row);
    BBack->setObjectName("BBack");
    BBack->setEnabled(false);
    BNext = new QPushButton("Next >", row);
    BNext->setObjectName("BNext");
    BNext->setDefault(true);
    BCancel = new QPushButton("Cancel", row);
    BCancel->setObjectName("BCancel");
    buttons->addWidget(BBack);
    buttons->addWidget(BNext);
    buttons->addSpacing(8);
    buttons->addWidget(BCancel);
    Bevel1 = new QFrame(PSys);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->resize(480, 2);
    SetAlign(Bevel1, alBottom);
    P2 = NewPanel(PSys, "P2", alClient);
    Panel1 = NewPanel(P2, "Panel1", alLeft);
    Panel1->resize(112, 260);
    Panel1->SetBorderWidth(8);
    Image = new QLabel(Panel1);
    Image->setObjectName("Image");
    Image->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    SetAlign(Image, alClient);
    Panel2 = NewPanel(P2, "Panel2", alClient);
    Panel3 = NewPanel(Panel2, "Panel3", alTop);
    Panel3->resize(360, 8);
    Panel4 = NewPanel(Panel2, "Panel4", alRight);
    Panel4->resize(8, 250);
    Panel5 = NewPanel(Panel2, "Panel5", alBottom);
    Panel5->resize(360, 8);
    Bevel2 = new QFrame(Panel2);
    Bevel2->setObjectName("Bevel2");
    Bevel2->setFrameShape(QFrame::NoFrame);
    Bevel2->resize(360, 1);
    SetAlign(Bevel2, alBottom);
    Place = NewPanel(Panel2, "Place", alClient);

    connect(BNext, &QPushButton::clicked, this, [this] {
        const bool finishing = finishing_;
        if (CallReporting([this] { BNextClick(); }) && finishing) accept();
    });
    connect(BBack, &QPushButton::clicked, this, [this] { CallReporting([this] { BBackClick(); }); });
    connect(BCancel, &QPushButton::clicked, this, [this] { done(2); });
}

TWizard::~TWizard() {
    // The pages go with the form: none may call back into it by then.
    for (QObject* o : Place->children())
        if (auto* page = qobject_cast<TWizardPanelBase*>(o)) {
            page->OnRemoving = nullptr;
            page->OnChange = nullptr;
        }
    while (!joined_.empty()) joined_.pop_back();
}

void TWizard::Watch(TWizardPanelBase* page) {
    page->OnRemoving = [this](TWizardPanelBase* p) { Notification(p); };
}

void TWizard::AddPage(TWizardPanelBase* page) {
    if (!page) return;
    if (page->parentWidget() != Place) page->setParent(Place);
    SetAlign(page, alClient);
    Watch(page);
    Pages->Add(page);
    if (!start_) start_ = page;
}

TWizardPanelBase* TWizard::GetStartPage() const {
    if (start_) return start_;
    return GetPageCount() > 0 ? GetPages(0) : nullptr;
}

int TWizard::GetPageCount() const { return Pages->GetCount(); }

TWizardPanelBase* TWizard::GetPages(int index) const {
    return qobject_cast<TWizardPanelBase*>(Pages->GetItems(index));
}

int TWizard::Start(TWizardPanelBase* page) {
    current_ = page;
    for (int i = 0; i < GetPageCount(); ++i)
        if (TWizardPanelBase* p = GetPages(i)) {
            p->Clear();
            if (p != page) p->hide();
        }
    shown_ = false;
    const int result = RunDialog(*this);
    shown_ = false;
    return result;
}

void TWizard::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (shown_) return;
    shown_ = true;
    CallReporting([this] { FormShow(); });
}

void TWizard::FormShow() {
    for (int i = 0; i < GetPageCount(); ++i)
        if (TWizardPanelBase* p = GetPages(i)) p->OnChange = [this] { UpdateButtons(); };
    BNextClick();
}

void TWizard::FocusPage(TWizardPanelBase* page) {
    // The page's first control that takes Tab focus, in the focus order;
    // frames and labels take no input. Next when the page has none.
    int guard = 0;
    for (QWidget* w = page->nextInFocusChain(); w && w != page && guard < 100000; w = w->nextInFocusChain(), ++guard)
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    BNext->setFocus(Qt::TabFocusReason);
}

void TWizard::ShowPage(TWizardPanelBase* page, TWizardPanelBase* old) {
    page->raise();
    page->show();
    if (old && old != page) old->hide();
    FocusPage(page);
    page->Enter();
    Image->setPixmap(Images->GetImage(page->Tag));
}

void TWizard::BNextClick() {
    try {
        TWizardPanelBase* old = current_;
        TWizardPanelBase* candidate = nullptr;
        if (old) {
            old->Next();
            candidate = old->GetNextPage();
        } else {
            candidate = GetStartPage();
        }
        if (candidate) {
            ShowPage(candidate, old);
            current_ = candidate;
            // Back retraces the path taken.
            candidate->SetBackPage(old);
        }
        UpdateButtons();
    } catch (...) {
        setResult(0);
        throw;
    }
}

void TWizard::BBackClick() {
    TWizardPanelBase* old = current_;
    if (!old) return;
    old->Back();
    TWizardPanelBase* back = old->GetBackPage();
    if (!back) return;
    ShowPage(back, old);
    current_ = back;
    UpdateButtons();
}

void TWizard::SetCurrentPage(TWizardPanelBase* page) {
    for (int i = 0; i < GetPageCount(); ++i)
        if (TWizardPanelBase* p = GetPages(i)) p->setVisible(p == page);
    current_ = page;
    UpdateButtons();
}

void TWizard::UpdateButtons() {
    TWizardPanelBase* page = current_;
    if (!page) return;
    finishing_ = !page->GetNextPage();
    BNext->setText(finishing_ ? "Finish" : "Next >");
    BBack->setEnabled(page->GetBackPage() != nullptr);
}

void TWizard::Notification(TWizardPanelBase* removed) {
    const int i = Pages->GetIndexOf(removed);
    if (i >= 0) Pages->Delete(i);
    if (start_ == removed) start_ = nullptr;
    for (int k = 0; k < GetPageCount(); ++k)
        if (TWizardPanelBase* p = GetPages(k)) p->Notification(removed);
    if (current_ == removed) {
        TWizardPanelBase* next = removed->GetNextPage();
        if (!next || next == removed) next = GetStartPage();
        current_ = nullptr;
        if (next) SetCurrentPage(next);
    }
}

void TWizard::Join(std::unique_ptr<TWizard> other, TWizardPanelBase* afterPage, TWizardPanelBase* defaultNext) {
    if (!other) return;
    TWizard* o = other.get();
    o->BBack = BBack;
    o->BNext = BNext;
    joined_.push_back(std::move(other));
    std::vector<TWizardPanelBase*> pages;
    for (int i = 0; i < o->GetPageCount(); ++i)
        if (TWizardPanelBase* p = o->GetPages(i)) pages.push_back(p);
    bool linked = false;
    for (TWizardPanelBase* p : pages) {
        p->hide();
        o->Pages->Remove(p);
        p->setParent(Place);
        SetAlign(p, alClient);
        Watch(p);
        Pages->Add(p);
        p->SetDefaultNextPage(defaultNext);
        if (!p->GetNextPage()) p->SetNextPage(nullptr);
        if (!linked && !p->GetBackPage()) {
            linked = true;
            if (afterPage) afterPage->SetNextPage(p);
            else start_ = p;
        }
    }
    o->start_ = nullptr;
    o->joinedFlag_ = true;
    o->host_ = this;
    o->AfterJoin(this);
}

}  // namespace velt
