#include <gtest/gtest.h>

#include "painter/IDrag2.h"
#include "painter/IGrfEdit.h"
#include "painter/IInOut.h"

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

TEST(EditInterfaces, GUIDTextsOfEveryEditorInterface) {
    const std::pair<Guid, const char*> ids[] = {
        {IGrfObject::IID, "{DC9EF540-EAF0-11D0-B336-D57066066721}"},
        {IGraphView::IID, "{45023F44-C2C7-11D0-A8F2-8C331AECA857}"},
        {IGraphEdit::IID, "{45023F43-C2C7-11D0-A8F2-8C331AECA857}"},
        {IPainter::IID, "{0B5B1EE6-B0B3-11D0-A8F2-8C331AECA857}"},
        {IID_IGVIntfList, "{2CB4C5E3-C612-11D0-A8F2-8C331AECA857}"},
        {ITask::IID, "{B96E2DA4-D2BA-11D0-A8F2-8C331AECA857}"},
        {IGroupMove::IID, "{B96E2DA3-D2BA-11D0-A8F2-8C331AECA857}"},
        {IID_IGroupEdit, "{B96E2DA3-D2BA-11D0-A8F2-8C331AECA857}"},
        {IOverDraw::IID, "{2CB4C5E4-C612-11D0-A8F2-8C331AECA857}"},
        {IOverEdit::IID, "{2CB4C5E5-C612-11D0-A8F2-8C331AECA857}"},
        {IID_IToolbarEdit, "{45023F45-C2C7-11D0-A8F2-8C331AECA857}"},
        {IID_IInplaceEdit, "{817C9308-AF6F-11D0-A8F2-8C331AECA857}"},
        {IID_IGraphPainter, "{0B5B1EE5-B0B3-11D0-A8F2-8C331AECA857}"},
        {IID_IMouseClickSupport, "{0B5B1EE0-B0B3-11D0-A8F2-8C331AECA857}"},
        {IID_IMouseSupport, "{0B5B1EE3-B0B3-11D0-A8F2-8C331AECA857}"},
        {IID_IKeyboardSupport, "{0B5B1EE1-B0B3-11D0-A8F2-8C331AECA857}"},
        {IID_IClipboard, "{BF2E4B26-AFE8-11D0-A8F2-8C331AECA857}"},
        {IID_IPopupMenu, "{BC2F7EE2-B03C-11D0-A8F2-8C331AECA857}"},
        {IDrop::IID, "{5BB18021-C3E9-11D0-A8F2-8C331AECA857}"},
        {IDrag::IID, "{5BB18022-C3E9-11D0-A8F2-8C331AECA857}"},
        {ICoObject::IID, "{E123C4E0-E2FF-11D0-A8F2-8C331AECA857}"},
        {IController::IID, "{6D6EC981-ED2E-11D0-B336-D57066066721}"},
        {ITreeController::IID, "{6D6EC982-ED2E-11D0-B336-D57066066721}"},
        {IID_IStreamReadWrite, "{9BF7E363-C392-11D0-A8F2-8C331AECA857}"},
        {IIntfList::IID, "{3845B370-9E12-11D0-8FB5-F8C59B9C076B}"},
        {IGUIDList::IID, "{395EDE58-DCC7-11D0-B02A-0000B46A6442}"},
    };
    for (const auto& [id, text] : ids) EXPECT_EQ(id.ToString(), text);
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
