#include "painter/GrfViewIntfList.h"

namespace velt {

ComPtr<TGrfViewIntfList> TGrfViewIntfList::Create() { return ComPtr<TGrfViewIntfList>(new TGrfViewIntfList); }

ComPtr<IGraphView> TGrfViewIntfList::GetView(int index) { return ComQuery<IGraphView>(GetItems(index).get()); }

HResult TGrfViewIntfList::QueryInterface(const Guid& iid, void** obj) {
    if (QueryFor<IGVIntfList>(this, iid, obj) == S_OK) return S_OK;
    return TIntfList::QueryInterface(iid, obj);
}

}  // namespace velt
