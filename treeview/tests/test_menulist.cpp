#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <memory>

#include "foundation/Classes.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/ShortCut.h"
#include "treeview/MenuList.h"

using namespace velt;

namespace {

QStringList Captions(const QWidget* w) {
    QStringList r;
    for (const QAction* a : w->actions()) r << a->text();
    return r;
}

void ProcessDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

TEST(MenuList, DescriptorsKeepTheirFieldsCut) {
    TMenuList list;
    const std::string forty(40, 'c');
    EXPECT_EQ(list.AddItem(forty, true, nullptr), 0);
    EXPECT_EQ(list.GetItems(0)->GetCaption(), forty.substr(0, 32));
    EXPECT_EQ(list.GetItems(0)->Parent, -1);
    EXPECT_EQ(list.AddLine(), 1);
    list.CAdd(TCMenu().Caption(forty).ShortCut("Shift+Ctrl+Alt+F12").Hint(std::string(40, 'h')).Apply());
    const TMenuItemRec& b = *list.GetItems(2);
    EXPECT_EQ(b.GetCaption().size(), 31u);
    EXPECT_EQ(b.GetShortCut(), "Shift+Ctrl");
    EXPECT_EQ(b.GetHint().size(), 32u);
    EXPECT_EQ(b.Parent, -1);
    EXPECT_EQ(b.Enabled, 1);
    EXPECT_EQ(list.GetItemSize(), 124);
}

TEST(MenuList, CreateMenuMergesTopLevelItemsAndBuildsChildren) {
    QMenuBar bar;
    auto addTop = [&](const char* caption, int group) {
        QAction* a = bar.addAction(caption);
        a->setProperty(kGroupIndexProperty, group);
        return a;
    };
    addTop("&File", 0);
    QAction* edit = addTop("&Edit", 0);
    addTop("&Tools", 5);
    addTop("&Help", 9);

    int clicks = 0;
    TMenuList list;
    list.AddItem("&Edit", true, nullptr);  // replaces the old "&Edit" in place
    list.AddItemEx("&Search", true, nullptr, -1, false, false, 7, 0);  // before the first group above 7
    const int run = list.AddItemEx("&Run", true, nullptr, -1, false, false, 0, 0);  // after the last group 0
    list.CAdd(TCMenu().Caption("Go").ShortCut("Shift+F12").Proc([&](QObject*) { ++clicks; }).Parent(run).Tag(42)
                  .Hint("go there").SetChecked().Apply());
    list.CAdd(TCMenu().Caption("Off").Enabled(false).Parent(run).GroupIndex(1).Res2(3).Apply());
    CreateMenu(&bar, nullptr, list);

    EXPECT_EQ(Captions(&bar), QStringList({"&File", "&Edit", "&Run", "&Tools", "&Search", "&Help"}));
    EXPECT_NE(bar.actions()[1], edit);  // the old item is out of the menu, not freed
    EXPECT_EQ(edit->parent(), &bar);
    QAction* runItem = list.GetItems(run)->MenuItem();
    ASSERT_NE(runItem, nullptr);
    EXPECT_EQ(runItem, bar.actions()[2]);
    ASSERT_NE(runItem->menu(), nullptr);
    EXPECT_EQ(Captions(runItem->menu()), QStringList({"Go", "Off"}));

    QAction* go = list.GetItems(3)->MenuItem();
    EXPECT_EQ(go->parent(), runItem);
    EXPECT_EQ(KeySequenceToShortCut(go->shortcut()), TextToShortCut("Shift+F12"));
    EXPECT_EQ(go->property(kTagProperty).toInt(), 42);
    EXPECT_EQ(go->statusTip(), "go there");
    EXPECT_TRUE(go->isChecked());
    QAction* off = list.GetItems(4)->MenuItem();
    EXPECT_FALSE(off->isEnabled());
    EXPECT_EQ(off->property(kGroupIndexProperty).toInt(), 3);  // Res2 wins over GroupIndex

    // The item keeps its handler after the list is gone.
    list.Clear();
    go->trigger();
    EXPECT_EQ(clicks, 1);

    // Group 0 with no group-0 item in the menu goes first; an empty list builds nothing.
    QMenu plain;
    plain.addAction("x")->setProperty(kGroupIndexProperty, 2);
    TMenuList first;
    first.AddItem("y", true, nullptr);
    CreateMenu(&plain, nullptr, first);
    TMenuList empty;
    CreateMenu(&plain, nullptr, empty);
    EXPECT_EQ(Captions(&plain), QStringList({"y", "x"}));

    // A child before its parent is refused.
    TMenuList bad;
    bad.AddItemEx("child", true, nullptr, 1, false, false, 0, 0);
    bad.AddItem("parent", true, nullptr);
    QMenu target;
    EXPECT_THROW(CreateMenu(&target, nullptr, bad), Exception);
}

TEST(MenuList, HandlesAreCountedCopiedAndReleasedWithTheList) {
    auto token = std::make_shared<int>(0);
    {
        TMenuList list;
        list.AddItem("a", true, [token](QObject*) { ++*token; });
        EXPECT_EQ(token.use_count(), 2);
        std::unique_ptr<TGeneralList> copy = list.Clone();
        auto* copied = dynamic_cast<TMenuList*>(copy.get());
        ASSERT_NE(copied, nullptr);
        list.Delete(0);
        ASSERT_NE(copied->GetItems(0)->Proc(), nullptr);  // the copy holds its own reference
        (*copied->GetItems(0)->Proc())(nullptr);
        EXPECT_EQ(*token, 1);

        // Read back from a stream, a descriptor has no handler.
        TMemoryStream s;
        copied->SaveToStream(s);
        s.SetPosition(0);
        TMenuList loaded;
        loaded.LoadFromStream(s);
        ASSERT_EQ(loaded.GetCount(), 1);
        EXPECT_EQ(loaded.GetItems(0)->Proc(), nullptr);
        EXPECT_EQ(loaded.GetItems(0)->GetCaption(), "a");
    }
    EXPECT_EQ(token.use_count(), 1);
}

TEST(MenuList, PopupMenuListSharesOnePopupAndFreesThePreviousLater) {
    TMenuList list;
    list.AddItem("Open", true, nullptr);
    list.AddLine();
    list.AddItem("Close", true, nullptr);
    list.AddLine();  // a second top-level separator takes the first one's place
    list.Popup(10, 20);
    QPointer<QMenu> first = SharedPopupMenu();
    ASSERT_TRUE(first);
    EXPECT_EQ(Captions(first), QStringList({"Open", "-", "Close"}));
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->pos(), QPoint(10, 20));

    // A handler of the open popup opens the next one: its own item survives
    // until the handler has returned.
    TMenuList next;
    bool itemAlive = false;
    TMenuList inner;
    next.AddItem("Again", true, [&](QObject* sender) {
        PopupMenuList(-1, 0, inner);
        itemAlive = QPointer<QObject>(sender) && first;
    });
    PopupMenuList(-1, 0, next);
    QPointer<QMenu> second = SharedPopupMenu();
    ProcessDeferredDeletes();
    EXPECT_FALSE(first);
    EXPECT_EQ(second->pos(), QCursor::pos());
    first = second;
    next.GetItems(0)->MenuItem()->trigger();
    EXPECT_TRUE(itemAlive);
    EXPECT_NE(SharedPopupMenu(), second.data());
    EXPECT_TRUE(SharedPopupMenu()->actions().isEmpty());  // an empty list still pops up
    ProcessDeferredDeletes();
    EXPECT_FALSE(second);
    FreeSharedPopupMenu();
    EXPECT_EQ(SharedPopupMenu(), nullptr);
}

TEST(MenuList, WhatAHandlerThrowsIsReportedAndStaysOutOfQt) {
    std::vector<std::string> reports;
    TExceptionReporterGuard guard([&](const std::exception& e) { reports.push_back(e.what()); });
    TMenuList list;
    list.AddItem("Plain", true, [](QObject*) { throw Exception("Unit not found"); });
    list.AddItem("Odd", true, [](QObject*) { throw 42; });
    QMenu menu;
    CreateMenu(&menu, nullptr, list);
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_NO_THROW(menu.actions()[0]->trigger());
    EXPECT_NO_THROW(menu.actions()[1]->trigger());
    EXPECT_EQ(reports, (std::vector<std::string>{"Unit not found", "Unknown exception"}));
}

TEST(MenuList, RadioItemsAreExclusiveWithinTheirGroup) {
    TMenuList list;
    list.AddItemEx("One", true, nullptr, -1, true, true, 1, 0);
    list.AddItemEx("Two", true, nullptr, -1, false, true, 1, 0);
    list.AddItemEx("Three", true, nullptr, -1, true, true, 2, 0);
    // Res2 moves this one into group 1.
    list.CAdd(TCMenu().Caption("Four").SetRadioItem().GroupIndex(2).Res2(1).Apply());
    const int sub = list.AddItem("Sub", true, nullptr);
    list.AddItemEx("Inner", true, nullptr, sub, true, true, 1, 0);  // another menu, another group
    QMenu menu;
    CreateMenu(&menu, nullptr, list);
    std::vector<QAction*> items;
    for (int i = 0; i < list.GetCount(); ++i) items.push_back(list.GetItems(i)->MenuItem());
    auto checked = [&] {
        std::vector<bool> r;
        for (const QAction* item : items) r.push_back(item->isChecked());
        return r;
    };
    EXPECT_EQ(checked(), (std::vector<bool>{true, false, true, false, false, true}));
    items[1]->trigger();
    EXPECT_EQ(checked(), (std::vector<bool>{false, true, true, false, false, true}));
    items[3]->trigger();
    EXPECT_EQ(checked(), (std::vector<bool>{false, false, true, true, false, true}));
    items[0]->trigger();
    EXPECT_EQ(checked(), (std::vector<bool>{true, false, true, false, false, true}));
}
