#pragma once
// Forms that a window manager shows, hides, activates and closes through
// counted interfaces. TGenericTirneForm is the form side: the manager's
// External calls become user hooks run only on a change of state (show
// before activate, deactivate before hide). The manager is whatever the
// embedding application provides.

#include <QDialog>
#include <QPointer>
#include <cstdint>

#include "foundation/ComPtr.h"
#include "helpdoc/GUIDNames.h"
#include "platform/ui/Controls.h"

namespace velt {

class IGenericTirneForm;

class IWindowManager : public IUnknown {
public:
    static constexpr Guid IID = IID_IWindowManager;
    virtual void ShowForm(IGenericTirneForm* form) = 0;
    virtual void HideForm(IGenericTirneForm* form) = 0;
};

class IWindowManagerSink : public IUnknown {
public:
    static constexpr Guid IID = IID_IWindowManagerSink;
};

class IWindowManagerBorlandFormsSink : public IUnknown {
public:
    static constexpr Guid IID = IID_IWindowManagerBorlandFormsSink;
};

class IMainForm : public IUnknown {
public:
    static constexpr Guid IID = IID_IMainForm;
};

class IGenericTirneForm : public IUnknown {
public:
    static constexpr Guid IID = IID_IGenericTirneForm;
    virtual void SetWindowManager(IWindowManager* manager) = 0;
    virtual void ReleaseWindowManager() = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void MakeEmbedded() = 0;
    virtual void ExternalShow() = 0;
    virtual void ExternalHide() = 0;
    virtual void ExternalActivate() = 0;
    virtual void ExternalDeactivate() = 0;
    virtual bool ExternalCloseQuery() = 0;
    virtual void DoSaveObject() = 0;
    virtual QWidget* GetForm() = 0;
    virtual QWidget* GetClient() = 0;
    virtual int32_t GetCoTag() = 0;
    virtual void SetCoTag(int32_t tag) = 0;
};

enum TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };

class TGenericTirneForm : public QDialog, public IGenericTirneForm {
    Q_OBJECT
public:
    explicit TGenericTirneForm(QWidget* parent = nullptr);
    ~TGenericTirneForm() override;

    // IUnknown. At a count of 0 the form is released later, from the event
    // loop, and only when nothing took a reference again by then.
    HResult QueryInterface(const Guid& iid, void** obj) override;
    int32_t _AddRef() override;
    int32_t _Release() override;
    int32_t RefCount() const { return refCount_; }

    // IGenericTirneForm.
    void SetWindowManager(IWindowManager* manager) override;
    void ReleaseWindowManager() override;
    // Ask the manager; without one EAssertionFailed.
    void Show() override;
    void Hide() override;
    void MakeEmbedded() override {}
    void ExternalShow() override;
    void ExternalHide() override;
    void ExternalActivate() override;
    void ExternalDeactivate() override;
    // DoSaveObject, then UserCloseQuery; a failure asks whether to close
    // without saving.
    bool ExternalCloseQuery() override;
    void DoSaveObject() override {}
    QWidget* GetForm() override { return this; }
    QWidget* GetClient() override { return PClient; }
    int32_t GetCoTag() override { return CoTag; }
    void SetCoTag(int32_t tag) override { CoTag = tag; }

    virtual void Initialize() { initialized_ = true; }
    virtual void Finalize() { initialized_ = false; }
    virtual void UserActivate() {}
    virtual void UserDeactivate() {}
    virtual void UserShow() {}
    virtual void UserHide() {}
    virtual bool UserCloseQuery() { return true; }

    // Closing hides the form.
    virtual void FormClose(TCloseAction& action) { action = caHide; }

    bool Initialized() const { return initialized_; }
    bool Shown() const { return shown_; }
    bool Active() const { return active_; }
    IWindowManager* WindowManager() const { return manager_.get(); }

    QPointer<TCustomPanel> PClient;
    int32_t CoTag = 0;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    bool initialized_ = false;
    bool shown_ = false;
    bool active_ = false;
    ComPtr<IWindowManager> manager_;
    int32_t refCount_ = 0;
};

}  // namespace velt
