#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <memory>

#include "foundation/SysUtils.h"
#include "foundation/VarDisp.h"
#include "platform/ui/Controls.h"
#include "treeview/CompList.h"

using namespace velt;

namespace {

// A form with a button, a label and a panel holding an edit.
struct Form {
    Form() {
        button->setObjectName("Button1");
        label->setObjectName("Label1");
        panel->setObjectName("Panel1");
        edit->setObjectName("Edit1");
    }
    QWidget owner;
    QPushButton* button = new QPushButton("OK", &owner);
    QLabel* label = new QLabel("Name", &owner);
    QWidget* panel = new QWidget(&owner);
    QLineEdit* edit = new QLineEdit(panel);
};

struct Dispatcher {
    Dispatcher() { InstallCompListDispatcher(); }
    ~Dispatcher() { RestoreCompListDispatcher(); }
};

std::string lastForeign;
void Foreign(TVarValue*, const TVarData&, int, const std::string& name, const std::vector<TVarValue>&) {
    lastForeign = name;
}

}  // namespace

TEST(CompList, NamesResolveAmongTheOwnersComponents) {
    Form f;
    auto* list = new TCompList(&f.owner);
    list->SetList(std::vector<std::string>{"button1", "EDIT1", "Missing", "Label1"});
    ASSERT_EQ(list->GetCount(), 4);
    EXPECT_EQ(list->GetItems(0), f.button);
    EXPECT_EQ(list->GetItems(1), f.edit);  // a descendant, not only a child
    EXPECT_EQ(list->GetItems(2), nullptr);
    EXPECT_EQ(list->GetItems(3), f.label);
    EXPECT_EQ(list->GetItems(-1), nullptr);
    EXPECT_EQ(list->GetItems(4), nullptr);
    EXPECT_EQ(list->GetIndexOf(f.label), 3);
    EXPECT_FALSE(list->GetExists(f.panel));

    // The published list of names reads (as the components spell them) and
    // writes through the meta-object.
    EXPECT_EQ(list->GetNames(), (std::vector<std::string>{"button1", "EDIT1", "Missing", "Label1"}));
    EXPECT_EQ(list->property("Components").toStringList(),
              (QStringList{"Button1", "Edit1", "Missing", "Label1"}));
    list->setProperty("Components", QStringList{"Panel1"});
    EXPECT_EQ(list->GetItems(0), f.panel);

    // WriteState takes the names from the components.
    f.panel->setObjectName("Renamed");
    EXPECT_EQ(list->GetNames(), std::vector<std::string>{"Panel1"});
    list->WriteState();
    EXPECT_EQ(list->GetNames(), std::vector<std::string>{"Renamed"});
    // Reading the published names for storing runs WriteState first.
    f.panel->setObjectName("Panel9");
    EXPECT_EQ(list->property("Components").toStringList(), QStringList{"Panel9"});

    // A name that did not resolve resolves once the component is there.
    list->SetList(std::vector<std::string>{"Late"});
    auto* late = new QLabel(&f.owner);
    late->setObjectName("Late");
    list->Loaded();
    EXPECT_EQ(list->GetItems(0), late);
}

TEST(CompList, EditingAssigningAndDestroyedComponents) {
    Form f;
    TCompList list(&f.owner);
    list.Add(f.button);
    list.Add(f.label);
    list.Insert(1, f.edit);
    list.Add(f.button);
    EXPECT_EQ(list.GetNames(), (std::vector<std::string>{"Button1", "Edit1", "Label1", "Button1"}));
    try {
        list.Remove(f.panel);
        FAIL() << "an unlisted component was removed";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message, "List index out of bounds (-1)");
    }
    EXPECT_THROW(list.Delete(4), EStringListError);
    EXPECT_THROW(list.Insert(6, f.panel), EStringListError);
    list.SetItems(2, f.panel);
    EXPECT_EQ(list.GetItems(2), f.panel);

    TCompList copy(&f.owner);
    list.AssignTo(copy);
    EXPECT_EQ(copy.GetNames(), (std::vector<std::string>{"Button1", "Edit1", "Panel1", "Button1"}));

    // A destroyed component leaves every list that holds it, each entry of it.
    delete f.button;
    f.button = nullptr;
    EXPECT_EQ(list.GetNames(), (std::vector<std::string>{"Edit1", "Panel1"}));
    EXPECT_EQ(copy.GetNames(), (std::vector<std::string>{"Edit1", "Panel1"}));
    list.Remove(f.edit);
    EXPECT_EQ(list.GetNames(), std::vector<std::string>{"Panel1"});
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(CompList, ForEachRunsOverASnapshotAndSkipsWhatIsGone) {
    Form f;
    TCompList list(&f.owner);
    list.SetList(std::vector<std::string>{"Button1", "Nobody", "Label1", "Edit1"});
    std::vector<QObject*> seen;
    // A Proc that empties the list still sees every listed component.
    list.ForEach([&](QObject* c) {
        seen.push_back(c);
        if (list.GetExists(c)) list.Remove(c);
    });
    EXPECT_EQ(seen, (std::vector<QObject*>{f.button, f.label, f.edit}));
    EXPECT_EQ(list.GetNames(), std::vector<std::string>{"Nobody"});

    // A Proc that destroys a later component: that one is skipped.
    list.Clear();
    list.Add(f.button);
    list.Add(f.label);
    seen.clear();
    list.ForEach([&](QObject* c) {
        seen.push_back(c);
        if (c == f.button) delete f.label;
    });
    EXPECT_EQ(seen, std::vector<QObject*>{f.button});
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(CompList, BroadcastSetsAPropertyOnEveryComponent) {
    Dispatcher d;
    Form f;
    TCompList list(&f.owner);
    list.SetList(std::vector<std::string>{"Button1", "Unresolved", "Label1"});
    const TVarData v = list.AsVariant();
    EXPECT_EQ(v.VType, varDispatch);
    EXPECT_EQ(v.Reserved1, 666);

    // Qt's "enabled" answers "Enabled".
    DispPut(v, "Enabled", false);
    EXPECT_FALSE(f.button->isEnabled());
    EXPECT_FALSE(f.label->isEnabled());
    DispPut(v, "enabled", int32_t(1));
    EXPECT_TRUE(f.button->isEnabled());

    // A string property; a number for a string is its decimal text.
    DispPut(v, "Text", std::string("Ready"));
    EXPECT_EQ(f.button->text().toStdString(), "Ready");
    EXPECT_EQ(f.label->text().toStdString(), "Ready");
    DispPut(v, "text", int32_t(42));
    EXPECT_EQ(f.label->text().toStdString(), "42");
    // A component without the property is skipped.
    DispPut(v, "checkable", true);
    EXPECT_TRUE(f.button->isCheckable());
    // A string for an ordinal converts as StrToInt.
    DispPut(v, "Enabled", std::string("0"));
    EXPECT_FALSE(f.label->isEnabled());
    EXPECT_THROW(DispPut(v, "Enabled", std::string("yes")), EConvertError);
    DispPut(v, "Enabled", true);

    // A property of another type raises.
    EXPECT_THROW(DispPut(v, "minimumSize", int32_t(1)), Exception);
    try {
        (void)DispInvoke(v, DISPATCH_PROPERTYGET, "Enabled", {});
        FAIL() << "a get was answered";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Not supporrted method call (TCompList)");
    }
}

TEST(CompList, BroadcastRefusesOrdinalsTheEnumerationDoesNotKnow) {
    Dispatcher d;
    Form f;
    auto panel = TCustomPanel::Create(&f.owner).release();
    panel->setObjectName("Panel2");
    TCompList list(&f.owner);
    list.Add(panel);
    list.Add(f.label);
    const TVarData v = list.AsVariant();
    DispPut(v, "Alignment", int32_t(taCenter));
    EXPECT_EQ(panel->GetAlignment(), taCenter);
    for (int32_t bad : {3, 50, -1, 255}) {
        try {
            DispPut(v, "Alignment", bad);
            ADD_FAILURE() << bad << " was written";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "Not supporrted type (TCompList)");
        }
        EXPECT_EQ(panel->GetAlignment(), taCenter);
        panel->grab();  // paints with the old alignment
    }
    // A set of flags takes known bits only.
    TCompList labels(&f.owner);
    labels.Add(f.label);
    DispPut(labels.AsVariant(), "alignment", int32_t(Qt::AlignRight | Qt::AlignTop));
    EXPECT_EQ(f.label->alignment(), Qt::AlignRight | Qt::AlignTop);
    EXPECT_THROW(DispPut(labels.AsVariant(), "alignment", int32_t(0x40000000)), Exception);
    EXPECT_EQ(f.label->alignment(), Qt::AlignRight | Qt::AlignTop);
}

TEST(CompList, AVariantKeptPastItsListRaisesInsteadOfReachingIt) {
    Dispatcher d;
    Form f;
    TVarData kept;
    {
        auto list = std::make_unique<TCompList>(&f.owner);
        list->Add(f.button);
        kept = list->AsVariant();
        DispPut(kept, "Enabled", false);
        EXPECT_FALSE(f.button->isEnabled());
    }
    // Another list made since does not answer for the old one.
    TCompList other(&f.owner);
    other.Add(f.button);
    try {
        DispPut(kept, "Enabled", true);
        FAIL() << "a put through a destroyed list";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "The component list no longer exists");
    }
    EXPECT_FALSE(f.button->isEnabled());
    DispPut(other.AsVariant(), "Enabled", true);
    EXPECT_TRUE(f.button->isEnabled());
}

TEST(CompList, EarlierComponentsKeepTheValueWhenALaterOneRaises) {
    Dispatcher d;
    QWidget owner;
    auto* first = new QSpinBox(&owner);
    auto* real = new QDoubleSpinBox(&owner);
    auto* last = new QSpinBox(&owner);
    TCompList list(&owner);
    list.Add(first);
    list.Add(real);
    list.Add(last);
    try {
        DispPut(list.AsVariant(), "Value", int32_t(5));
        FAIL() << "a floating-point property was set";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Not supporrted type (TCompList)");
    }
    EXPECT_EQ(first->value(), 5);
    EXPECT_EQ(real->value(), 0.0);
    EXPECT_EQ(last->value(), 0);
}

TEST(CompList, DispatcherPassesForeignVariantsOnAndCountsInstalls) {
    const TVarDispProc before = SetVarDispProc(&Foreign);
    InstallCompListDispatcher();
    InstallCompListDispatcher();  // host and package in one process
    const TVarDispProc ours = GetVarDispProc();
    EXPECT_NE(ours, &Foreign);
    TVarData foreign;
    foreign.VType = varDispatch;
    foreign.Reserved1 = 1;
    lastForeign.clear();
    DispPut(foreign, "Visible", true);  // would recurse for ever with our own saved
    EXPECT_EQ(lastForeign, "Visible");
    RestoreCompListDispatcher();
    EXPECT_EQ(GetVarDispProc(), ours);
    RestoreCompListDispatcher();
    EXPECT_EQ(GetVarDispProc(), &Foreign);
    SetVarDispProc(before);
}
