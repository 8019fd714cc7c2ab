#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <string>
#include <vector>

#include "foundation/SysUtils.h"
#include "helpdoc/GUIDNames.h"
#include "helpdoc/GenForm.h"
#include "helpdoc/PropertySheet.h"
#include "helpdoc/TopicProperties.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ExceptionReporter.h"

using namespace velt;

namespace {

// A form that logs its hooks.
class TLogForm : public TGenericTirneForm {
public:
    std::vector<std::string> Log;
    std::string SaveError;
    void UserActivate() override { Log.push_back("activate"); }
    void UserDeactivate() override { Log.push_back("deactivate"); }
    void UserShow() override { Log.push_back("show"); }
    void UserHide() override { Log.push_back("hide"); }
    void DoSaveObject() override {
        if (!SaveError.empty()) throw Exception(SaveError);
    }
};

class TManager : public IWindowManager {
public:
    HResult QueryInterface(const Guid& iid, void** obj) override { return QueryFor<IWindowManager, IUnknown>(this, iid, obj); }
    int32_t _AddRef() override { return ++Refs; }
    int32_t _Release() override { return --Refs; }
    void ShowForm(IGenericTirneForm* form) override { Calls.push_back(form->GetForm() ? "ShowForm" : "?"); }
    void HideForm(IGenericTirneForm*) override { Calls.push_back("HideForm"); }
    int32_t Refs = 0;
    std::vector<std::string> Calls;
};

// Answers every dialog with a fixed button and keeps its text.
class TAnswer : public TDialogRunner {
public:
    explicit TAnswer(int answer) : answer_(answer) {}
    int Run(QDialog& dialog) override {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            Texts.push_back(box->text().toStdString());
            Icons.push_back(box->icon());
        }
        return answer_;
    }
    std::vector<std::string> Texts;
    std::vector<QMessageBox::Icon> Icons;

private:
    int answer_;
};

}  // namespace

TEST(GenForm, HooksRunOnAChangeOfStateOnly) {
    TLogForm f;
    EXPECT_EQ(f.objectName(), "GenericTirneForm");
    EXPECT_EQ(f.GetClient(), f.PClient.data());
    f.ExternalActivate();
    f.ExternalActivate();
    f.ExternalShow();
    f.ExternalHide();
    f.ExternalHide();
    f.ExternalDeactivate();
    EXPECT_EQ(f.Log, (std::vector<std::string>{"show", "activate", "deactivate", "hide"}));
    f.SetCoTag(7);
    EXPECT_EQ(f.GetCoTag(), 7);
}

TEST(GenForm, ShowAndHideGoThroughTheManager) {
    TLogForm f;
    try {
        f.Show();
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Assertion failure (GenForm.pas, line 131)");
    }
    try {
        f.Hide();
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Assertion failure (GenForm.pas, line 137)");
    }
    TManager m;
    f.SetWindowManager(&m);
    EXPECT_EQ(m.Refs, 1);
    f.Show();
    f.Hide();
    EXPECT_EQ(m.Calls, (std::vector<std::string>{"ShowForm", "HideForm"}));
    f.ReleaseWindowManager();
    EXPECT_EQ(m.Refs, 0);
}

TEST(GenForm, CloseQueryAsksWhenSavingFails) {
    TLogForm f;
    {
        TAnswer no(QMessageBox::No);
        TDialogRunnerGuard g(&no);
        EXPECT_TRUE(f.ExternalCloseQuery());
        EXPECT_TRUE(no.Texts.empty());
        f.SaveError = "Disk full";
        EXPECT_FALSE(f.ExternalCloseQuery());
        ASSERT_EQ(no.Texts.size(), 1u);
        EXPECT_EQ(no.Texts[0], "Cannot save object\nDisk full\nIgnore this error and close window without saving?");
        EXPECT_EQ(no.Icons[0], QMessageBox::Critical);
    }
    TAnswer yes(QMessageBox::Yes);
    TDialogRunnerGuard g(&yes);
    EXPECT_TRUE(f.ExternalCloseQuery());
}

TEST(GenForm, CountedReleaseIsDeferredAndCancelledByANewReference) {
    QPointer<TLogForm> f = new TLogForm;
    {
        ComPtr<IGenericTirneForm> a(static_cast<IGenericTirneForm*>(f.data()));
        auto b = ComQuery<IGenericTirneForm>(a.get());
        ASSERT_TRUE(b);
        EXPECT_EQ(f->RefCount(), 2);
        EXPECT_FALSE(ComQuery<IWindowManager>(a.get()));
    }
    EXPECT_EQ(f->RefCount(), 0);
    f->_AddRef();  // before the deferred release ran
    QCoreApplication::sendPostedEvents();
    ASSERT_FALSE(f.isNull());
    f->_Release();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(f.isNull());
    // Closing hides.
    TLogForm g;
    g.show();
    g.close();
    EXPECT_FALSE(g.isVisible());
}

TEST(GUIDNames, NamesInRegistrationOrder) {
    EXPECT_EQ(GUIDName(IID_IWindowManagerBorlandFormsSink), "IWindowManagerBorlandFormsSink");
    EXPECT_EQ(GUIDName(IID_IWindowManagerSink), "IWindowManagerSink");
    EXPECT_EQ(GUIDName(IID_IMainForm), "IMainForm");
    EXPECT_EQ(GUIDName(IID_IWindowManager), "IWindowManager");
    EXPECT_EQ(GUIDName(IID_IGenericTirneForm), "IGenericTirneForm");
    EXPECT_EQ(GUIDName(IID_ICoObjectForm), "");
    EXPECT_EQ(IID_ICoObjectForm.ToString(), "{10EE4662-EE0C-11D0-B04A-0000B46A6442}");
    RegisterGUIDName(IID_IMainForm, "Second");
    EXPECT_EQ(GUIDName(IID_IMainForm), "IMainForm");
}

namespace {

class TSheet : public TPropertySheet {
public:
    std::vector<std::string> Log;
    bool Fail = false;
    void Load() override { Log.push_back("Load"); }
    void Store() override {
        Log.push_back(Storing() ? "Store(ok)" : "Store");
        if (Fail) throw Exception("Bad value");
    }
    void BeforeStore() override { Log.push_back("BeforeStore"); }
    void AfterStore() override { Log.push_back("AfterStore"); }
    void RollbackStore() override { Log.push_back("RollbackStore"); }
};

}  // namespace

TEST(PropertySheet, ApplyRollsBackAndOkWithAFailingStoreStaysOpen) {
    std::vector<std::string> reported;
    TExceptionReporterGuard rep([&reported](const std::exception& e) { reported.push_back(e.what()); });
    TSheet s;
    EXPECT_EQ(s.windowTitle(), "Properties");
    EXPECT_TRUE(s.windowFlags() & Qt::WindowContextHelpButtonHint);
    s.show();
    QApplication::processEvents();
    EXPECT_EQ(s.Log, (std::vector<std::string>{"Load"}));
    s.Fail = true;
    QTest::mouseClick(s.BApply, Qt::LeftButton);
    EXPECT_EQ(s.Log, (std::vector<std::string>{"Load", "BeforeStore", "Store", "RollbackStore"}));
    EXPECT_TRUE(s.isVisible());
    QTest::mouseClick(s.BOk, Qt::LeftButton);
    EXPECT_TRUE(s.isVisible());
    EXPECT_EQ(s.result(), 0);
    EXPECT_FALSE(s.Storing());
    EXPECT_EQ(reported, (std::vector<std::string>{"Bad value", "Bad value"}));
    s.Fail = false;
    s.Log.clear();
    QTest::mouseClick(s.BApply, Qt::LeftButton);
    QTest::mouseClick(s.BOk, Qt::LeftButton);
    EXPECT_EQ(s.Log, (std::vector<std::string>{"BeforeStore", "Store", "AfterStore", "Store(ok)"}));
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(s.result(), QDialog::Accepted);
    // Cancel stores nothing.
    s.Log.clear();
    s.show();
    QApplication::processEvents();
    QTest::mouseClick(s.BCancel, Qt::LeftButton);
    EXPECT_EQ(s.Log, (std::vector<std::string>{"Load"}));
    EXPECT_EQ(s.result(), QDialog::Rejected);
}

TEST(TopicProperties, Layout) {
    TTopicPropertiesForm f;
    EXPECT_EQ(f.windowTitle(), "Topic Properties");
    ASSERT_EQ(f.PageControl->count(), 1);
    EXPECT_EQ(f.PageControl->tabText(0), "Standard");
    EXPECT_EQ(f.BBrowse->text(), "&Browse ...");
    EXPECT_EQ(f.BApply->text(), "&Apply");
    f.edContext->setText("krVCL_TShape_Class");
    EXPECT_EQ(f.findChild<QLineEdit*>("edContext")->text(), "krVCL_TShape_Class");
}
