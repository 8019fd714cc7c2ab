#pragma once
// Editable components' companions: the extension base that reaches its
// component's editor interface, the typed view list, the standard tasks and
// the dragged object of the editing canvas.

#include <QtGlobal>

#include "painter/CoComp.h"
#include "painter/GrfViewIntfList.h"
#include "painter/IGrfEdit.h"
#include "treeview/GeneralNode.h"

namespace velt {

// An extension that works on its component as an editable one.
class TVerUdovEx : public CoComp::TCoObject {
public:
    static const CoComp::TCoClassDesc& Class();
    const CoComp::TCoClassDesc& ClassType() const override { return Class(); }
    // The controller's IGraphEdit; null without a controller or when it
    // lacks the interface.
    ComPtr<IGraphEdit> GetIGE();

protected:
    ~TVerUdovEx() override = default;
};

// A task of a drawing's root. The root is held uncounted: it owns the task.
class TStdTask : public CoComp::TCoObject, public virtual ITask {
public:
    TStdTask() = default;
    static const CoComp::TCoClassDesc& Class();
    const CoComp::TCoClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override;

    // The controller's IGrfObject becomes the root; a controller without
    // one (or none) leaves no root, so it never outlives its component.
    void PutController(IUnknown* controller) override;
    ComPtr<IGrfObject> GetRoot() override { return ComPtr<IGrfObject>(Root); }
    void SetRoot(IGrfObject* root) override { Root = root; }
    void Execute() override {}
    void Terminate() override {}
    void ListChanged(TListChanges) override { Execute(); }

protected:
    ~TStdTask() override = default;
    IGrfObject* Root = nullptr;
};

// The same task; it starts no thread.
class TStdThreadTask : public TStdTask {
public:
    TStdThreadTask() = default;
    static const CoComp::TCoClassDesc& Class();
    const CoComp::TCoClassDesc& ClassType() const override { return Class(); }

protected:
    ~TStdThreadTask() override = default;
};

// What the editing canvas drags: one reference-sized value.
class TDragIDObject : public TCustomDragObject {
public:
    quintptr ID = 0;
};

}  // namespace velt
