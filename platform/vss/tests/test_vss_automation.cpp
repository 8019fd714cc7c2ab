// The server through its automation objects.
#include <gtest/gtest.h>

#include "platform/vss/VssAutomation.h"
#include "platform/vss/tests/VssTestUtil.h"

using namespace velt;
using namespace velt::vss;
using namespace velt::vss::test;

namespace {

// The result code of what a call raised; 0 when it raised nothing.
template <class F>
HResult CodeOf(F f, std::string* message = nullptr) {
    try {
        f();
    } catch (const EOleException& e) {
        if (message) *message = e.Message;
        return e.ErrorCode;
    }
    return 0;
}

class VssAutomation : public VssFixture {
protected:
    ComPtr<IVSSDatabase> Logon(const std::string& user, const std::string& password) {
        auto db = CoVSSDatabase::Create();
        db->Open(ini_, user, password);
        return db;
    }
    // $/Work with a.pas ("one\ntwo\nthree\n") and sub/b.pas, added by Ann
    // from her folder "src".
    void AddWork(ComPtr<IVSSDatabase>& ann) {
        WriteText(dir_ + "/src/Work/a.pas", "one\ntwo\nthree\n");
        WriteText(dir_ + "/src/Work/sub/b.pas", "b\n");
        ann->VSSItem("$/", false)->Add(dir_ + "/src/Work", "first", VSSFLAG_RECURSYES);
    }
};

}  // namespace

TEST_F(VssAutomation, LogonChecksUserAndPassword) {
    auto db = CoVSSDatabase::Create();
    EXPECT_EQ(CodeOf([&] { db->VSSItem("$/", false); }), VSS_E_NOTOPEN);
    // One answer for both, each after the one-second delay.
    std::string message;
    EXPECT_EQ(CodeOf([&] { db->Open(ini_, "Ann", "wrong"); }, &message), VSS_E_LOGON);
    EXPECT_EQ(message, "Unknown user or wrong password");
    EXPECT_EQ(CodeOf([&] { db->Open(ini_, "Carl", "annpw"); }, &message), VSS_E_LOGON);
    EXPECT_EQ(message, "Unknown user or wrong password");
    EXPECT_EQ(LogonDelays(), (std::vector<int>{1000, 1000}));
    EXPECT_EQ(CodeOf([&] { db->Open(dir_ + "/nowhere/srcsafe.ini", "Ann", "annpw"); }), VSS_E_DATABASE);
    // A backslash path and a user name in another case; the folder alone will do.
    db->Open(db_ + "\\srcsafe.ini", "ANN", "annpw");
    EXPECT_EQ(db->UserName(), "Ann");
    EXPECT_EQ(db->CurrentProject(), "$/");
    Logon("bob", "bobpw");
    CoVSSDatabase::Create()->Open(db_, "ann", "annpw");
    EXPECT_EQ(ReadText(ini_).find("annpw"), std::string::npos);
    EXPECT_EQ(LogonDelays().size(), 2u);  // a good logon waits for nothing
}

TEST_F(VssAutomation, CheckOutAndInKeepEveryVersion) {
    auto ann = Logon("Ann", "annpw");
    AddWork(ann);
    EXPECT_FALSE(IsWritable(dir_ + "/src/Work/a.pas"));  // added: the local copy is now read-only

    auto a = ann->VSSItem("$\\WORK\\\\A.PAS", false);
    EXPECT_EQ(a->Spec(), "$/Work/a.pas");
    EXPECT_EQ(a->Name(), "a.pas");
    EXPECT_EQ(a->Type(), VSSITEM_FILE);
    EXPECT_FALSE(a->Binary());
    EXPECT_EQ(a->VersionNumber(), 1);

    a->Checkout("editing", ann_, 0);
    EXPECT_EQ(ReadText(ann_ + "/a.pas"), "one\ntwo\nthree\n");
    EXPECT_TRUE(IsWritable(ann_ + "/a.pas"));
    EXPECT_EQ(a->IsCheckedOut(), VSSFILE_CHECKEDOUT_ME);
    EXPECT_EQ(Logon("Bob", "bobpw")->VSSItem("$/Work/a.pas", false)->IsCheckedOut(), VSSFILE_CHECKEDOUT);
    auto checkouts = a->Checkouts();
    ASSERT_EQ(checkouts->Count(), 1);
    EXPECT_EQ(checkouts->Item(1)->Username(), "Ann");
    EXPECT_EQ(checkouts->Item(1)->LocalSpec(), ann_);
    EXPECT_EQ(checkouts->Item(1)->Comment(), "editing");
    EXPECT_EQ(checkouts->Item(1)->VersionNumber(), 1);
    EXPECT_EQ(CodeOf([&] { checkouts->Item(2); }), VSS_E_INDEX);

    WriteText(ann_ + "/a.pas", "one\nTWO\nthree\n");
    a->Checkin("second", "", 0);  // empty local: the check-out's folder
    EXPECT_EQ(a->VersionNumber(), 2);
    EXPECT_EQ(a->IsCheckedOut(), VSSFILE_NOTCHECKEDOUT);
    EXPECT_FALSE(IsWritable(ann_ + "/a.pas"));

    // Unchanged check-in makes no version; an old version can be got but not changed.
    a->Checkout("", ann_ + "/a.pas", 0);
    a->Checkin("", ann_ + "/a.pas", 0);
    EXPECT_EQ(a->VersionNumber(), 2);
    auto v1 = a->Version(1);
    EXPECT_EQ(v1->VersionNumber(), 1);
    v1->Get(dir_ + "/old/a.pas", 0);
    EXPECT_EQ(ReadText(dir_ + "/old/a.pas"), "one\ntwo\nthree\n");
    EXPECT_EQ(CodeOf([&] { v1->Checkout("", ann_, 0); }), VSS_E_OLDVERSION);
    EXPECT_EQ(CodeOf([&] { a->Version(3); }), VSS_E_NOTFOUND);

    auto items = ann->VSSItem("$/Work", false)->Items(false);
    ASSERT_EQ(items->Count(), 2);
    EXPECT_EQ(items->Item(1)->Name(), "a.pas");
    EXPECT_EQ(items->Item(2)->Type(), VSSITEM_PROJECT);
    EXPECT_EQ(items->Item(2)->Items(false)->Item(1)->Spec(), "$/Work/sub/b.pas");
    EXPECT_EQ(CodeOf([&] { items->Item(0); }), VSS_E_INDEX);
    EXPECT_EQ(a->Parent()->Spec(), "$/Work");
    std::string message;
    EXPECT_EQ(CodeOf([&] { ann->VSSItem("$/Work/x.pas", false); }, &message), VSS_E_NOTFOUND);
    EXPECT_EQ(message, "$/Work/x.pas is not an existing filename or project");
    EXPECT_EQ(CodeOf([&] { ann->VSSItem("$/", false)->Add(dir_ + "/src/Work", "", 0); }), VSS_E_EXISTS);
}

TEST_F(VssAutomation, CheckOutByAnotherUserIsRefused) {
    auto ann = Logon("Ann", "annpw");
    AddWork(ann);
    ann->VSSItem("$/Work/a.pas", false)->Checkout("", ann_, 0);
    auto bobA = Logon("Bob", "bobpw")->VSSItem("$/Work/a.pas", false);
    std::string message;
    EXPECT_EQ(CodeOf([&] { bobA->Checkout("", bob_, 0); }, &message), VSS_E_CHECKEDOUT);
    EXPECT_EQ(message, "File $/Work/a.pas is checked out by Ann");
    EXPECT_FALSE(std::filesystem::exists(bob_ + "/a.pas"));  // nothing written
    EXPECT_EQ(CodeOf([&] { bobA->Checkin("", bob_, 0); }, &message), VSS_E_NOTCHECKEDOUT);
    EXPECT_EQ(message, "You currently do not have file $/Work/a.pas checked out");
    EXPECT_EQ(CodeOf([&] { bobA->UndoCheckout(bob_, 0); }), VSS_E_NOTCHECKEDOUT);
    EXPECT_EQ(CodeOf([&] { ann->VSSItem("$/Work/a.pas", false)->Checkout("", ann_, 0); }, &message),
              VSS_E_CHECKEDOUT);
    EXPECT_EQ(message, "You currently have file $/Work/a.pas checked out");
    // A project check-out stops at the file another user has.
    EXPECT_EQ(CodeOf([&] { Logon("Bob", "bobpw")->VSSItem("$/Work", false)->Checkout("", bob_, VSSFLAG_RECURSYES); }),
              VSS_E_CHECKEDOUT);
    EXPECT_EQ(Logon("Bob", "bobpw")->VSSItem("$/Work/sub/b.pas", false)->IsCheckedOut(), VSSFILE_NOTCHECKEDOUT);
}

TEST_F(VssAutomation, SeveralCheckOutsMergeOrRefuseOverlappingChanges) {
    MakeDatabase(true);
    auto ann = Logon("Ann", "annpw");
    auto bob = Logon("Bob", "bobpw");
    AddWork(ann);
    auto annA = ann->VSSItem("$/Work/a.pas", false), bobA = bob->VSSItem("$/Work/a.pas", false);
    annA->Checkout("", ann_, 0);
    bobA->Checkout("", bob_, 0);
    EXPECT_EQ(annA->Checkouts()->Count(), 2);
    EXPECT_EQ(annA->IsCheckedOut(), VSSFILE_CHECKEDOUT_ME);

    WriteText(ann_ + "/a.pas", "ONE\ntwo\nthree\n");
    WriteText(bob_ + "/a.pas", "one\ntwo\nTHREE\n");
    annA->Checkin("", "", 0);
    bobA->Checkin("", "", 0);  // started from version 1: merged with Ann's version 2
    EXPECT_EQ(bobA->VersionNumber(), 3);
    EXPECT_EQ(ReadText(bob_ + "/a.pas"), "ONE\ntwo\nTHREE\n");
    bobA->Version(3)->Get(dir_ + "/v3.pas", 0);
    EXPECT_EQ(ReadText(dir_ + "/v3.pas"), "ONE\ntwo\nTHREE\n");

    // Get with merge brings the newer version into a changed copy and moves the
    // check-out on, so the later check-in needs no merge.
    annA->Checkout("", ann_, VSSFLAG_REPREPLACE);
    bobA->Checkout("", bob_, VSSFLAG_REPREPLACE);
    WriteText(ann_ + "/a.pas", "ONE\ntwo\nTHREE\nfour\n");
    WriteText(bob_ + "/a.pas", "1\ntwo\nTHREE\n");
    bobA->Checkin("", "", 0);
    annA->Get(ann_, VSSFLAG_REPMERGE);
    EXPECT_EQ(ReadText(ann_ + "/a.pas"), "1\ntwo\nTHREE\nfour\n");
    EXPECT_EQ(annA->Checkouts()->Item(1)->VersionNumber(), 4);

    // The same line changed on both sides: refused, nothing changes.
    bobA->Checkout("", bob_, 0);
    WriteText(bob_ + "/a.pas", "one!\ntwo\nTHREE\n");
    WriteText(ann_ + "/a.pas", "uno\ntwo\nTHREE\nfour\n");
    annA->Checkin("", "", 0);
    std::string message;
    EXPECT_EQ(CodeOf([&] { bobA->Checkin("", "", 0); }, &message), VSS_E_CONFLICT);
    EXPECT_EQ(message, "Cannot check in $/Work/a.pas: version 5 changed the same lines; nothing was checked in");
    EXPECT_EQ(bobA->VersionNumber(), 5);
    EXPECT_EQ(bobA->IsCheckedOut(), VSSFILE_CHECKEDOUT_ME);
    EXPECT_EQ(ReadText(bob_ + "/a.pas"), "one!\ntwo\nTHREE\n");
}

TEST_F(VssAutomation, ReplaceFlagsGuardChangedWritableCopies) {
    auto ann = Logon("Ann", "annpw");
    AddWork(ann);
    auto a = ann->VSSItem("$/Work/a.pas", false);
    const std::string local = ann_ + "/a.pas";
    WriteText(local, "my own\n");  // writable and different
    for (int32_t ask : {0, VSSFLAG_REPASK}) {
        std::string message;
        EXPECT_EQ(CodeOf([&] { a->Checkout("", ann_, ask); }, &message), VSS_E_WRITABLE);
        EXPECT_EQ(message, "A writable copy of \"" + local +
                               "\" already exists and differs from $/Work/a.pas; choose Replace, Skip or Merge");
        EXPECT_EQ(a->IsCheckedOut(), VSSFILE_NOTCHECKEDOUT);  // the whole call rolled back
    }
    EXPECT_EQ(CodeOf([&] { a->Get(ann_, VSSFLAG_REPMERGE); }), VSS_E_CONFLICT);  // nothing to merge from
    a->Get(ann_, VSSFLAG_REPSKIP);
    EXPECT_EQ(ReadText(local), "my own\n");
    a->Get(ann_, VSSFLAG_REPREPLACE);
    EXPECT_EQ(ReadText(local), "one\ntwo\nthree\n");
    EXPECT_FALSE(IsWritable(local));
    // A read-only copy is the server's own: replaced without asking.
    WriteText(local, "stale\n");
    ::chmod(local.c_str(), 0444);
    a->Checkout("", ann_, 0);
    EXPECT_EQ(ReadText(local), "one\ntwo\nthree\n");
    WriteText(local, "changed\n");
    EXPECT_EQ(CodeOf([&] { a->UndoCheckout(ann_, 0); }), VSS_E_WRITABLE);
    EXPECT_EQ(a->IsCheckedOut(), VSSFILE_CHECKEDOUT_ME);
    a->UndoCheckout(ann_, VSSFLAG_REPREPLACE);
    EXPECT_EQ(ReadText(local), "one\ntwo\nthree\n");
    EXPECT_EQ(a->IsCheckedOut(), VSSFILE_NOTCHECKEDOUT);
}

TEST_F(VssAutomation, FlagsChooseTimeRecursionKeepGetAndType) {
    auto ann = Logon("Ann", "annpw");
    WriteText(dir_ + "/src/Work/a.pas", "one\n");
    WriteText(dir_ + "/src/Work/sub/b.pas", "b\n");
    WriteText(dir_ + "/src/Work/pic.bin", std::string("GIF\0\1", 5));
    SetModified(dir_ + "/src/Work/a.pas", 1000000000);
    auto root = ann->VSSItem("$/", false);
    auto work = root->Add(dir_ + "/src/Work", "", VSSFLAG_RECURSNO);  // no sub-projects without recursion
    EXPECT_EQ(work->Items(false)->Count(), 2);
    EXPECT_TRUE(ann->VSSItem("$/Work/pic.bin", false)->Binary());
    auto forced = work->Add(dir_ + "/src/Work/sub/b.pas", "", VSSFLAG_BINBINARY);
    EXPECT_TRUE(forced->Binary());

    work->Get(dir_ + "/get", VSSFLAG_TIMEMOD);
    EXPECT_EQ(Modified(dir_ + "/get/a.pas"), 1000000000);
    auto session = TVssSession::Open(ini_, "Ann", "annpw");
    int64_t checkedIn = session->VersionInfo(session->Find("$/Work/a.pas", false), 1).Time;
    ann->VSSItem("$/Work/a.pas", false)->Get(dir_ + "/upd/", VSSFLAG_TIMEUPD);
    EXPECT_EQ(Modified(dir_ + "/upd/a.pas"), checkedIn);

    auto a = ann->VSSItem("$/Work/a.pas", false);
    a->Checkout("", ann_, 0);
    WriteText(ann_ + "/a.pas", "two\n");
    a->Checkin("", ann_, VSSFLAG_KEEPYES);
    EXPECT_EQ(a->IsCheckedOut(), VSSFILE_CHECKEDOUT_ME);
    EXPECT_TRUE(IsWritable(ann_ + "/a.pas"));
    EXPECT_EQ(a->Checkouts()->Item(1)->VersionNumber(), 2);
    a->UndoCheckout(ann_, VSSFLAG_USERRONO);
    EXPECT_TRUE(IsWritable(ann_ + "/a.pas"));

    WriteText(bob_ + "/a.pas", "Bob's own\n");
    ::chmod((bob_ + "/a.pas").c_str(), 0444);
    Logon("Bob", "bobpw")->VSSItem("$/Work/a.pas", false)->Checkout("", bob_, VSSFLAG_GETNO);
    EXPECT_EQ(ReadText(bob_ + "/a.pas"), "Bob's own\n");
    EXPECT_TRUE(IsWritable(bob_ + "/a.pas"));
}

TEST_F(VssAutomation, DeletedItemsHideAndCanBeRecovered) {
    auto ann = Logon("Ann", "annpw");
    AddWork(ann);
    auto a = ann->VSSItem("$/Work/a.pas", false);
    a->Checkout("", ann_, 0);
    std::string message;
    EXPECT_EQ(CodeOf([&] { a->SetDeleted(true); }, &message), VSS_E_CHECKEDOUT);
    EXPECT_EQ(CodeOf([&] { ann->VSSItem("$/Work", false)->SetDeleted(true); }), VSS_E_CHECKEDOUT);
    a->UndoCheckout(ann_, 0);
    a->SetDeleted(true);
    EXPECT_TRUE(a->Deleted());
    EXPECT_EQ(CodeOf([&] { ann->VSSItem("$/Work/a.pas", false); }), VSS_E_NOTFOUND);
    EXPECT_EQ(ann->VSSItem("$/Work", false)->Items(false)->Count(), 1);
    auto all = ann->VSSItem("$/Work", false)->Items(true);
    ASSERT_EQ(all->Count(), 2);
    EXPECT_TRUE(all->Item(1)->Deleted());
    EXPECT_EQ(CodeOf([&] { a->Checkout("", ann_, 0); }), VSS_E_NOTFOUND);

    // A new file takes the name; the old one then cannot come back.
    WriteText(ann_ + "/new/a.pas", "new\n");
    auto fresh = ann->VSSItem("$/Work", false)->Add(ann_ + "/new/a.pas", "", 0);
    EXPECT_EQ(ann->VSSItem("$/Work/a.pas", true)->VersionNumber(), 1);
    EXPECT_EQ(CodeOf([&] { a->SetDeleted(false); }, &message), VSS_E_EXISTS);
    EXPECT_EQ(message, "An item named \"a.pas\" already exists in $/Work");
    fresh->SetDeleted(true);
    a->SetDeleted(false);
    EXPECT_EQ(ann->VSSItem("$/Work/a.pas", false)->VersionNumber(), 1);
    a->Get(dir_ + "/back/a.pas", 0);
    EXPECT_EQ(ReadText(dir_ + "/back/a.pas"), "one\ntwo\nthree\n");

    ann->VSSItem("$/Work/sub", false)->SetDeleted(true);
    EXPECT_EQ(CodeOf([&] { ann->VSSItem("$/Work/sub/b.pas", false); }), VSS_E_NOTFOUND);
    EXPECT_EQ(CodeOf([&] { ann->VSSItem("$/", false)->SetDeleted(true); }), VSS_E_WRONGTYPE);
}

TEST_F(VssAutomation, CurrentProjectIsKeptPerUser) {
    auto ann = Logon("Ann", "annpw");
    AddWork(ann);
    ann->SetCurrentProject("$/work/");
    EXPECT_EQ(ann->CurrentProject(), "$/Work");
    EXPECT_EQ(ann->VSSItem("sub\\b.pas", false)->Spec(), "$/Work/sub/b.pas");
    EXPECT_EQ(Logon("Ann", "annpw")->CurrentProject(), "$/Work");
    EXPECT_EQ(Logon("Bob", "bobpw")->CurrentProject(), "$/");
    EXPECT_EQ(CodeOf([&] { ann->SetCurrentProject("a.pas"); }), VSS_E_WRONGTYPE);
    EXPECT_EQ(CodeOf([&] { ann->SetCurrentProject("$/Nothing"); }), VSS_E_NOTFOUND);
    EXPECT_EQ(ann->CurrentProject(), "$/Work");
}

TEST_F(VssAutomation, ObjectsAreCountedAndOutliveTheirDatabase) {
    ComPtr<IVSSItem> a;
    {
        auto ann = Logon("Ann", "annpw");
        AddWork(ann);
        a = ann->VSSItem("$/Work/a.pas", false);
        ann->Open(ini_, "Bob", "bobpw");  // a keeps Ann's logon
    }
    a->Checkout("", ann_, 0);
    EXPECT_EQ(a->Checkouts()->Item(1)->Username(), "Ann");
    void* raw = nullptr;
    ASSERT_EQ(a->QueryInterface(IID_IVSSItem, &raw), S_OK);
    auto again = ComPtr<IVSSItem>::Adopt(static_cast<IVSSItem*>(raw));
    EXPECT_EQ(again.get(), a.get());
    EXPECT_EQ(a->QueryInterface(IID_IVSSDatabase, &raw), E_NOINTERFACE);
    EXPECT_EQ(raw, nullptr);
}

TEST_F(VssAutomation, ListProjectsGivesTheTreeInOneCall) {
    auto ann = Logon("Ann", "annpw");
    AddWork(ann);
    WriteText(dir_ + "/more/Z.pas", "z\n");
    WriteText(dir_ + "/more/c.pas", "c\n");
    auto work = ann->VSSItem("$/Work", false);
    work->Add(dir_ + "/more/Z.pas", "", 0);
    work->Add(dir_ + "/more/c.pas", "", 0);
    ann->VSSItem("$/Work/c.pas", false)->Checkout("", ann_, 0);
    Logon("Bob", "bobpw")->VSSItem("$/Work/Z.pas", false)->Checkout("", bob_, 0);

    auto blocks = ann->ListProjects("$/", true);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].Spec, "$/");
    EXPECT_EQ(blocks[1].Spec, "$/Work");
    EXPECT_EQ(blocks[2].Spec, "$/Work/sub");
    std::vector<std::string> names;
    for (auto& e : blocks[1].Items) names.push_back(e.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"sub", "a.pas", "c.pas", "Z.pas"}));
    EXPECT_EQ(blocks[1].Items[2].IsCheckedOut, VSSFILE_CHECKEDOUT_ME);
    EXPECT_EQ(blocks[1].Items[3].IsCheckedOut, VSSFILE_CHECKEDOUT);
    ASSERT_EQ(blocks[1].Items[3].Checkouts.size(), 1u);
    EXPECT_EQ(blocks[1].Items[3].Checkouts[0].User, "Bob");
    EXPECT_EQ(ann->ListProjects("$/Work", false).size(), 1u);
}
