#pragma once
// Typed access to a list of views: the list the editing canvas and the link
// routines hand each other.

#include "foundation/Support.h"
#include "painter/IGrfEdit.h"

namespace velt {

class TGrfViewIntfList : public TIntfList, public virtual IGVIntfList {
public:
    static ComPtr<TGrfViewIntfList> Create();
    std::string ClassName() const override { return "TGrfViewIntfList"; }
    ComPtr<IGraphView> GetView(int index) override;
    void SetView(int index, IGraphView* view) override { SetItems(index, view); }
    int AddView(IGraphView* view) override { return Add(view); }
    HResult QueryInterface(const Guid& iid, void** obj) override;

protected:
    TGrfViewIntfList() = default;
    ~TGrfViewIntfList() override = default;
};

}  // namespace velt
