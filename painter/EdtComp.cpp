#include "painter/EdtComp.h"

namespace velt {

using CoComp::TCoClassDesc;
using CoComp::TCoObject;

// ---- TVerUdovEx ----------------------------------------------------------------

const TCoClassDesc& TVerUdovEx::Class() {
    static const TCoClassDesc d("TVerUdovEx", &TCoObject::Class(), std::nullopt, nullptr);
    return d;
}

ComPtr<IGraphEdit> TVerUdovEx::GetIGE() { return ComQuery<IGraphEdit>(Controller); }

// ---- tasks -------------------------------------------------------------------------

const TCoClassDesc& TStdTask::Class() {
    static const TCoClassDesc d("TStdTask", &TCoObject::Class(), std::nullopt, nullptr);
    return d;
}

HResult TStdTask::QueryInterface(const Guid& iid, void** obj) {
    if (QueryFor<ITask>(this, iid, obj) == S_OK) return S_OK;
    return TCoObject::QueryInterface(iid, obj);
}

void TStdTask::PutController(IUnknown* controller) {
    TCoObject::PutController(controller);
    // Held uncounted: the controller holds the task.
    ComPtr<IGrfObject> root = ComQuery<IGrfObject>(controller);
    Root = root.get();
}

const TCoClassDesc& TStdThreadTask::Class() {
    static const TCoClassDesc d("TStdThreadTask", &TStdTask::Class(), std::nullopt, nullptr);
    return d;
}

}  // namespace velt
