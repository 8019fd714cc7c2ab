#include <gtest/gtest.h>

#include <QLayout>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <functional>
#include <unistd.h>

#include "foundation/Support.h"
#include "graphics/GraphicsUnits.h"
#include "painter/dPainter.h"
#include "painter/PainterUnits.h"
#include "painter/dPropEdt.h"
#include "painter/tests/StubEdit.h"
#include "painter/tests/SurfaceTestSupport.h"
#include "platform/ui/tests/UiTestSupport.h"
#include "treeview/MenuList.h"

using namespace velt;
using velt::test::AnsweringRunner;

namespace {

QWidget* Page(QWidget* parent, const char* name, QRect control) {
    auto* p = new QWidget(parent);
    p->setObjectName(name);
    auto* e = new QLineEdit(p);
    e->setObjectName(QString(name) + "Edit");
    e->setGeometry(control);
    return p;
}

// Two pages in its own tab widget; the second holds a tab widget of its own
// whose page stays where it is. Typing marks the form changed.
class TPageDlg : public QDialog {
public:
    TPageDlg() {
        setObjectName("PageDlg");
        Tabs = new QTabWidget(this);
        Tabs->addTab(Page(nullptr, "TSAlpha", QRect(8, 8, 100, 22)), "Alpha");
        Tabs->addTab(Page(nullptr, "TSBeta", QRect(8, 8, 100, 22)), "&Beta");
        Inner = new QTabWidget(Tabs->widget(1));
        Inner->addTab(Page(nullptr, "TSInner", QRect(0, 0, 10, 10)), "Inner");
        Edit = Tabs->widget(0)->findChild<QLineEdit*>();
        connect(Edit, &QLineEdit::textChanged, this, [this] { setProperty(kTagProperty, 1); });
    }
    QTabWidget* Tabs;
    QTabWidget* Inner;
    QLineEdit* Edit;
};

class TPageDlgSub : public TPageDlg {};

// One large page.
class TBigDlg : public QDialog {
public:
    TBigDlg() {
        setObjectName("BigDlg");
        auto* tabs = new QTabWidget(this);
        tabs->addTab(Page(nullptr, "TSGamma", QRect(10, 20, 500, 300)), "Gamma");
    }
};

// A form without pages.
class TPlainDlg : public QDialog {
public:
    TPlainDlg() { setObjectName("PlainDlg"); }
};

// An edited object: logs what the editor asks of it.
class TEditObj : public velt::test::TStubEdit, public virtual IPropertyEdit {
public:
    TEditObj(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    HResult QueryInterface(const Guid& iid, void** obj) override {
        return QueryFor<IPropertyEdit, IGraphEdit, IGraphView, IGrfObject, IUnknown>(this, iid, obj);
    }
    int32_t _AddRef() override { return ++refs; }
    int32_t _Release() override { return --refs; }

    void SetupSheet(TPropEditor& editor) override {
        log_.push_back(name_ + ".SetupSheet");
        if (Setup) Setup(editor);
    }
    void ApplyData(QDialog& dialog) override { log_.push_back(name_ + ".ApplyData " + dialog.objectName().toStdString()); }
    void Invalidate(TGraphPaint* painter) override {
        log_.push_back(name_ + ".Invalidate");
        InvalidatedOn = painter;
    }

    std::function<void(TPropEditor&)> Setup;
    TGraphPaint* InvalidatedOn = nullptr;
    int32_t refs = 0;

private:
    std::string name_;
    std::vector<std::string>& log_;
};

// Offers nothing but IUnknown.
class TBare : public IUnknown {
public:
    HResult QueryInterface(const Guid& iid, void** obj) override { return QueryFor<IUnknown>(this, iid, obj); }
    int32_t _AddRef() override { return 1; }
    int32_t _Release() override { return 1; }
};

class TStubPainter : public IPainter {
public:
    explicit TStubPainter(TGraphPaint* box) : box_(box) {}
    HResult QueryInterface(const Guid& iid, void** obj) override {
        return QueryFor<IPainter, IUnknown>(this, iid, obj);
    }
    int32_t _AddRef() override { return 1; }
    int32_t _Release() override { return 1; }
    TGraphPaint* Box() override { return box_; }
    void BeginDrawComp(IGraphEdit&, TSPoint) override {}
    void MoveNextPoint() override {}
    void BeginMoveObj(IGraphEdit&) override {}
    void BeginMove() override {}
    void MovingObj(IGraphEdit&, TEditInfo&) override {}
    void Moving() override {}
    void EndMoveObj(IGraphEdit&) override {}
    void EndMove() override {}
    void SelectAll(bool) override {}
    ComPtr<IGVIntfList> GetEdited() override { return {}; }
    ComPtr<IGVIntfList> GetSelected() override { return {}; }
    void SelectComp(IGraphEdit&, bool) override {}

private:
    TGraphPaint* box_;
};

// The painter's setup pages as the canvas offers them: it ignores every
// dialog but its own and saves when the form's Tag says it was changed.
class TSetupObj : public TEditObj {
public:
    TSetupObj(TGraphPaint* box, std::vector<std::string>& log) : TEditObj("Setup", log), box_(box) {}
    void SetupSheet(TPropEditor& editor) override { editor.AddDlgClass<TDlgPainterSetup>()->LoadFromBox(box_); }
    void ApplyData(QDialog& dialog) override {
        auto* d = dynamic_cast<TDlgPainterSetup*>(&dialog);
        if (d && d->Tag() == 1) d->SaveToBox(box_);
    }

private:
    TGraphPaint* box_;
};

class PropEditorTest : public velt::test::SurfaceTest {
protected:
    void SetUp() override {
        dir = std::filesystem::path(::testing::TempDir()) / ("velt_dpropedt_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        GraphicsStartup((dir / "test.INI").string());
        SurfaceTest::SetUp();
        PropEditorShutdown();
    }
    void TearDown() override {
        SurfaceTest::TearDown();
        GraphicsShutdown();
        std::filesystem::remove_all(dir);
    }
    static std::vector<QString> ButtonTexts(const TPropEditor& e) {
        return {e.BtnOk->text(), e.BtnCancel->text(), e.BtnApply->text()};
    }
    static std::vector<QString> TabTexts(const TPropEditor& e) {
        std::vector<QString> r;
        for (int i = 0; i < e.PC->count(); ++i) r.push_back(e.PC->tabText(i) + "/" + e.PC->widget(i)->objectName());
        return r;
    }
    // A list of objects that outlive it.
    static ComPtr<TIntfList> ListOf(std::initializer_list<IUnknown*> items) {
        ComPtr<TIntfList> l = TIntfList::Create();
        for (IUnknown* i : items) l->Add(i);
        return l;
    }
    std::filesystem::path dir;
    std::vector<std::string> log;
};

using Texts = std::vector<QString>;
using Log = std::vector<std::string>;

}  // namespace

TEST_F(PropEditorTest, DialogsByExactClassPagesMovedEditorGrown) {
    auto list = ListOf({});
    auto e = CraatePropEditor(list.get());
    EXPECT_EQ(e->windowTitle(), QString::fromUtf8("Властивості"));
    EXPECT_EQ(e->size(), QSize(250, 125));
    EXPECT_EQ(ButtonTexts(*e), (Texts{"Ok", "Cancel", "> &A >"}));
    EXPECT_TRUE(e->BtnOk->isDefault());

    auto* d = e->AddDlgClass<TPageDlg>();
    EXPECT_EQ(e->AddDlgClass<TPageDlg>(), d);
    auto* sub = e->AddDlgClass<TPageDlgSub>();  // a subclass is a dialog of its own
    EXPECT_NE(static_cast<TPageDlg*>(sub), d);
    ASSERT_EQ(e->GetDCount(), 2);
    EXPECT_EQ(e->GetD(1), sub);
    EXPECT_THROW(e->GetD(2), EListError);
    EXPECT_TRUE(d->isWindow());
    EXPECT_EQ(TabTexts(*e), (Texts{"Alpha/TSAlpha", "&Beta/TSBeta", "Alpha/TSAlpha", "&Beta/TSBeta"}));
    EXPECT_EQ(d->Tabs->count(), 0);
    // A page's own tab widget goes with it, its page in place.
    ASSERT_EQ(d->Inner->count(), 1);
    EXPECT_EQ(d->Inner->parentWidget(), e->PC->widget(1));
    // The form's handlers still reach the moved control.
    d->Edit->setText("x");
    EXPECT_EQ(d->property(kTagProperty).toInt(), 1);

    // The page's controls reach 510 x 320 from a margin of 10 x 20.
    e->AddDlgClass<TBigDlg>();
    const QSize grown = e->size();
    EXPECT_GE(grown.width(), 520 + 12);
    EXPECT_GE(grown.height(), 340 + 12 + 32);
    e->setFixedSize(900, 700);
    e->SetAddPages(false);
    e->AddDlg(std::make_unique<TBigDlg>());
    EXPECT_EQ(e->PC->count(), 5);
    e->AddPage(e->GetD(3)->findChild<QTabWidget*>()->widget(0));
    EXPECT_EQ(e->size(), QSize(900, 700));  // never shrinks
    EXPECT_EQ(e->PC->count(), 6);
    AnsweringRunner runner([&](QDialog& dlg) {
        EXPECT_GE(e->PC->widget(4)->width(), 520);
        EXPECT_GE(e->PC->widget(4)->height(), 340);
        dlg.reject();
    });
    RunDialog(*e);
}

TEST_F(PropEditorTest, OkAppliesEveryDialogToEveryObjectInOrder) {
    TEditObj a("A", log), b("B", log);
    TPageDlg* pages = nullptr;
    a.Setup = [&](TPropEditor& e) {
        EXPECT_TRUE(e.Executing());
        pages = e.AddDlgClass<TPageDlg>();
        // Loading marks controls; BeginEdit clears every mark afterwards.
        pages->setProperty(kTagProperty, 1);
        pages->Edit->setProperty(kTagProperty, 3);
        e.setProperty(kTagProperty, 2);
        e.Apply(true);  // nothing while the sheets are set up
    };
    b.Setup = [&](TPropEditor& e) { e.AddDlgClass<TBigDlg>(); };
    auto list = ListOf({&a, &b});
    TStubPainter painter(box);
    auto e = CraatePropEditor(list.get());
    e->SetPainter(&painter);
    AnsweringRunner runner([&](QDialog& dlg) {
        EXPECT_FALSE(e->Executing());
        EXPECT_FALSE(TPropEditor::Check(&dlg));
        EXPECT_FALSE(TPropEditor::Check(pages));
        EXPECT_FALSE(TPropEditor::Check(pages->Edit));
        for (QObject* o : dlg.findChildren<QObject*>()) EXPECT_FALSE(TPropEditor::Check(o)) << o->objectName().toStdString();
        log.push_back("shown");
        QTest::keyClicks(pages->Edit, "n");
        EXPECT_TRUE(TPropEditor::Check(pages));
        QTest::mouseClick(e->BtnOk, Qt::LeftButton);
    });
    EXPECT_TRUE(e->Execute());
    EXPECT_EQ(runner.Runs, 1);
    EXPECT_EQ(e->result(), 1);
    EXPECT_EQ(log, (Log{"A.SetupSheet", "B.SetupSheet", "shown", "A.ApplyData PageDlg", "A.ApplyData BigDlg",
                        "A.Invalidate", "B.ApplyData PageDlg", "B.ApplyData BigDlg", "B.Invalidate"}));
    EXPECT_EQ(a.InvalidatedOn, box);
    EXPECT_FALSE(TPropEditor::Check(nullptr));
}

TEST_F(PropEditorTest, CancelEscapeAndApply) {
    TEditObj a("A", log);
    a.Setup = [](TPropEditor& e) { e.AddDlgClass<TPageDlg>(); };
    auto list = ListOf({&a});
    {
        auto e = CraatePropEditor(list.get());
        AnsweringRunner runner([&](QDialog&) { QTest::mouseClick(e->BtnCancel, Qt::LeftButton); });
        EXPECT_FALSE(e->Execute());
        EXPECT_EQ(e->result(), 2);
    }
    {
        auto e = CraatePropEditor(list.get());
        AnsweringRunner runner([&](QDialog& d) { velt::test::PressKey(d, Qt::Key_Escape); });
        EXPECT_FALSE(e->Execute());
        EXPECT_EQ(e->result(), 2);
    }
    EXPECT_EQ(log, (Log{"A.SetupSheet", "A.SetupSheet"}));
    log.clear();
    // Apply works while the editor is open; no painter, no invalidation.
    auto e = CraatePropEditor(list.get());
    AnsweringRunner runner([&](QDialog&) {
        QTest::mouseClick(e->BtnApply, Qt::LeftButton);
        log.push_back("applied");
        QTest::mouseClick(e->BtnCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(e->Execute());
    EXPECT_EQ(log, (Log{"A.SetupSheet", "A.ApplyData PageDlg", "applied"}));
}

TEST_F(PropEditorTest, ExecuteThatShowsNothing) {
    TEditObj plain("A", log), failing("F", log);
    plain.Setup = [](TPropEditor& e) { e.AddDlgClass<TPlainDlg>(); };
    failing.Setup = [](TPropEditor& e) {
        e.AddDlgClass<TPageDlg>();
        throw Exception("setup failed");
    };
    TBare bare;
    AnsweringRunner runner([](QDialog& d) { d.accept(); });
    // No page: false, nothing shown.
    auto list = ListOf({&plain});
    auto e = CraatePropEditor(list.get());
    EXPECT_FALSE(e->Execute());
    EXPECT_EQ(e->GetDCount(), 1);
    // An object without the interface: the cast error before any sheet is set up.
    list->Add(&bare);
    e = CraatePropEditor(list.get());
    EXPECT_THROW(e->Execute(), EIntfCastError);
    EXPECT_THROW(e->Apply(true), EIntfCastError);
    EXPECT_EQ(e->GetDCount(), 0);
    // A sheet that fails: the flag cleared, the editor and its pages freed.
    list = ListOf({&failing});
    e = CraatePropEditor(list.get());
    EXPECT_THROW(e->Execute(), Exception);
    EXPECT_FALSE(e->Executing());
    EXPECT_EQ(e->PC->count(), 2);
    FreePropEditor(e);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(runner.Runs, 0);
    EXPECT_EQ(log, (Log{"A.SetupSheet", "F.SetupSheet"}));
}

TEST_F(PropEditorTest, RemembersThePageAndThePosition) {
    TEditObj a("A", log);
    a.Setup = [](TPropEditor& e) { e.AddDlgClass<TPageDlg>(); };
    TEditObj b("B", log);
    b.Setup = [](TPropEditor& e) { e.AddDlgClass<TBigDlg>(); };
    auto list = ListOf({&a});
    {
        auto e = CraatePropEditor(list.get());
        AnsweringRunner runner([&](QDialog& d) {
            EXPECT_EQ(e->PC->currentIndex(), 0);
            e->PC->setCurrentIndex(1);
            d.move(37, 41);
            QTest::mouseClick(e->BtnCancel, Qt::LeftButton);
        });
        e->Execute();
    }
    EXPECT_EQ(PropEditorPageName(), "TSBeta");
    {
        auto e = CraatePropEditor(list.get());
        AnsweringRunner runner([&](QDialog& d) {
            EXPECT_EQ(e->PC->currentWidget()->objectName(), "TSBeta");
            EXPECT_EQ(d.pos(), QPoint(37, 41));
            d.reject();
        });
        e->Execute();
    }
    // No page of that name: the first stays active.
    list->Clear();
    list->Add(&b);
    {
        auto e = CraatePropEditor(list.get());
        AnsweringRunner runner([&](QDialog& d) {
            EXPECT_EQ(e->PC->currentWidget()->objectName(), "TSGamma");
            d.reject();
        });
        e->Execute();
    }
    EXPECT_EQ(PropEditorPageName(), "TSGamma");
    // Forgotten with the painter's last shut-down (the fixture holds one
    // start), not before.
    PainterStartup();
    PainterShutdown();
    EXPECT_EQ(PropEditorPageName(), "TSGamma");
    PainterShutdown();
    EXPECT_EQ(PropEditorPageName(), "");
    PainterStartup();
}

TEST_F(PropEditorTest, PainterSetupPagesEditTheSurface) {
    TSetupObj setup(box, log);
    TEditObj other("Other", log);
    other.Setup = [](TPropEditor& e) { e.AddDlgClass<TPageDlg>(); };
    auto list = ListOf({&setup, &other});
    box->Grid().SetValue(25);
    auto e = CraatePropEditor(list.get());
    AnsweringRunner runner([&](QDialog&) {
        EXPECT_EQ(TabTexts(*e), (Texts{QString::fromUtf8("Вікно редагування/TSWindow"),
                                       QString::fromUtf8("Крок та сітка/TSSteps"), "Alpha/TSAlpha", "&Beta/TSBeta"}));
        auto* d = static_cast<TDlgPainterSetup*>(e->GetD(0));
        EXPECT_EQ(d->EdGrid->text(), "25.");
        EXPECT_EQ(d->Tag(), 0);
        e->PC->setCurrentWidget(d->TSSteps);
        d->EdGrid->selectAll();
        QTest::keyClicks(d->EdGrid, "40");
        EXPECT_TRUE(d->CBGrid->isChecked());
        EXPECT_EQ(d->Tag(), 1);
        QTest::mouseClick(e->BtnOk, Qt::LeftButton);
    });
    EXPECT_TRUE(e->Execute());
    EXPECT_FLOAT_EQ(box->Grid().Value(), 40);
    EXPECT_TRUE(box->Grid().Enabled());
    // The other object got the setup form too and ignored it.
    EXPECT_EQ(log, (Log{"Other.SetupSheet", "Other.ApplyData DlgPainterSetup", "Other.ApplyData PageDlg"}));

    // Untouched pages (Tag 0) save nothing, whatever the surface holds now.
    box->Grid().SetValue(7);
    auto again = CraatePropEditor(list.get());
    AnsweringRunner ok([&](QDialog&) {
        auto* d = static_cast<TDlgPainterSetup*>(again->GetD(0));
        d->EdGrid->setText("99");  // as a load would: the mark is cleared before showing
        d->setProperty(kTagProperty, 0);
        QTest::mouseClick(again->BtnOk, Qt::LeftButton);
    });
    EXPECT_TRUE(again->Execute());
    EXPECT_FLOAT_EQ(box->Grid().Value(), 7);
}
