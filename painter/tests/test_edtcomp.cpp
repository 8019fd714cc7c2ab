#include <gtest/gtest.h>

#include "painter/EdtComp.h"
#include "painter/tests/StubEdit.h"

using namespace velt;
using velt::test::TStubEdit;

namespace {

// A component stand-in offering the editor interfaces.
class TFakeComp : public TStubEdit {
public:
    HResult QueryInterface(const Guid& iid, void** obj) override {
        return QueryFor<IGraphEdit, IGraphView, IGrfObject, IUnknown>(this, iid, obj);
    }
    int32_t _AddRef() override { return ++refs; }
    int32_t _Release() override { return --refs; }
    int32_t refs = 0;
};

// Offers nothing but IUnknown.
class TBare : public IUnknown {
public:
    HResult QueryInterface(const Guid& iid, void** obj) override { return QueryFor<IUnknown>(this, iid, obj); }
    int32_t _AddRef() override { return 1; }
    int32_t _Release() override { return 1; }
};

class TCountingTask : public TStdTask {
public:
    void Execute() override { ++runs; }
    int runs = 0;
};

TEST(StdTask, RootFollowsTheControllerUncounted) {
    TFakeComp comp;
    ComPtr<TCountingTask> task(new TCountingTask);
    ComPtr<ITask> it = ComQuery<ITask>(static_cast<CoComp::TCoObject*>(task.get()));
    ASSERT_TRUE(it);
    task->PutController(static_cast<IGraphEdit*>(&comp));
    EXPECT_EQ(comp.refs, 0);
    {
        ComPtr<IGrfObject> root = it->GetRoot();
        EXPECT_EQ(root.get(), static_cast<IGrfObject*>(&comp));
        EXPECT_EQ(comp.refs, 1);
    }
    EXPECT_EQ(comp.refs, 0);
    it->ListChanged(lcInsert);
    EXPECT_EQ(task->runs, 1);
    // A component going away takes the task's root with it.
    task->PutController(nullptr);
    EXPECT_FALSE(it->GetRoot());
    TBare bare;
    task->SetRoot(&comp);
    task->PutController(&bare);
    EXPECT_FALSE(it->GetRoot());
    EXPECT_EQ(std::string(TStdThreadTask::Class().Parent->Name), "TStdTask");
}

class TPlainEx : public TVerUdovEx {
public:
    TPlainEx() = default;
};

TEST(VerUdovEx, EditorInterfaceOfTheController) {
    ComPtr<TPlainEx> ex(new TPlainEx);
    EXPECT_FALSE(ex->GetIGE());
    TBare bare;
    ex->PutController(&bare);
    EXPECT_FALSE(ex->GetIGE());
    TFakeComp comp;
    ex->PutController(static_cast<IGraphEdit*>(&comp));
    EXPECT_EQ(ex->GetIGE().get(), static_cast<IGraphEdit*>(&comp));
    ex->PutController(nullptr);
    EXPECT_FALSE(ex->GetIGE());
}

TEST(GrfViewIntfList, TypedAccess) {
    ComPtr<TGrfViewIntfList> list = TGrfViewIntfList::Create();
    ComPtr<IGVIntfList> gv = ComQuery<IGVIntfList>(static_cast<IIntfList*>(list.get()));
    ASSERT_TRUE(gv);
    TFakeComp a, b;
    TBare bare;
    EXPECT_EQ(gv->AddView(&a), 0);
    EXPECT_EQ(gv->Add(&bare), 1);
    EXPECT_EQ(gv->GetCount(), 2);
    EXPECT_EQ(gv->GetView(0).get(), static_cast<IGraphView*>(&a));
    EXPECT_FALSE(gv->GetView(1));
    gv->SetView(1, &b);
    EXPECT_EQ(gv->GetView(1).get(), static_cast<IGraphView*>(&b));
    gv->Clear();
    EXPECT_EQ(a.refs, 0);
    EXPECT_EQ(b.refs, 0);
}

}  // namespace
