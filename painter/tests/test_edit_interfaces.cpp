#include <gtest/gtest.h>

#include "painter/IDrag2.h"
#include "painter/IGrfEdit.h"

using namespace velt;

namespace {

// Accepts drops left of x = 10 and remembers the last drop.
class TDropTarget : public virtual IDrop, public virtual IGroupEdit {
public:
    HResult QueryInterface(const Guid& iid, void** obj) override {
        return QueryFor<IDrop, IGroupMove, IUnknown>(this, iid, obj);
    }
    int32_t _AddRef() override { return ++refs; }
    int32_t _Release() override { return --refs; }
    bool DragOver(const TDragSource&, TDragState, TPoint p) override { return p.X < 10; }
    void Drop(const TDragSource&, TPoint p) override { last = p; }
    void BeginGroup() override { ++groups; }
    void EndGroup() override { --groups; }
    int32_t refs = 0;
    int groups = 0;
    TPoint last{};
};

TEST(EditInterfaces, IdentitiesAsStored) {
    EXPECT_TRUE(IID_IGroupEdit == IGroupMove::IID);
    EXPECT_TRUE(IGraphEdit::IID == IID_IGraphEdit);
    EXPECT_FALSE(IGraphEdit::IID == IGraphView::IID);
    EXPECT_TRUE(IDrop::IID == IID_IDrop);
    EXPECT_FALSE(IDrop::IID == IDrag::IID);
}

TEST(EditInterfaces, OneInterfaceAnswersBothGroupNames) {
    TDropTarget t;
    ComPtr<IGroupEdit> edit = ComQuery<IGroupEdit>(static_cast<IDrop*>(&t));
    ComPtr<IGroupMove> move = ComQuery<IGroupMove>(static_cast<IDrop*>(&t));
    ASSERT_TRUE(edit && move);
    EXPECT_EQ(edit.get(), move.get());
    edit->BeginGroup();
    EXPECT_EQ(t.groups, 1);

    ComPtr<IDrop> drop = ComQuery<IDrop>(static_cast<IDrop*>(&t));
    ASSERT_TRUE(drop);
    TDragSource src;
    EXPECT_TRUE(drop->DragOver(src, dsDragMove, TPoint{3, 4}));
    EXPECT_FALSE(drop->DragOver(src, dsDragMove, TPoint{12, 4}));
    drop->Drop(src, TPoint{3, 4});
    EXPECT_EQ(t.last.X, 3);
    EXPECT_FALSE(ComQuery<IDrag>(static_cast<IDrop*>(&t)));
}

}  // namespace
