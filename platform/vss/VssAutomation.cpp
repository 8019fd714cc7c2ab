#include "platform/vss/VssAutomation.h"

#include <memory>

#include "platform/vss/VssNames.h"

namespace velt::vss {

namespace {

// The reference count and QueryInterface of one interface.
template <class Intf, const Guid& Iid>
class TComObject : public Intf {
public:
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (iid == Iid || iid == IID_IUnknown) {
            *obj = static_cast<Intf*>(this);
            this->_AddRef();
            return S_OK;
        }
        *obj = nullptr;
        return E_NOINTERFACE;
    }
    int32_t _AddRef() override { return ++refs_; }
    int32_t _Release() override {
        int32_t left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    ~TComObject() override = default;

private:
    int32_t refs_ = 0;
};

template <class Intf, class T>
ComPtr<Intf> Counted(T* object) {
    return ComPtr<Intf>(object);
}

[[noreturn]] void BadIndex(int32_t index, size_t count) {
    RaiseVss(VSS_E_INDEX, "Index " + std::to_string(index) + " is not between 1 and " + std::to_string(count));
}

class TCheckout final : public TComObject<IVSSCheckout, IID_IVSSCheckout> {
public:
    explicit TCheckout(TVssCheckoutRow row) : row_(std::move(row)) {}
    std::string Username() override { return row_.User; }
    int64_t Date() override { return row_.Time; }
    std::string LocalSpec() override { return row_.Folder; }
    int32_t VersionNumber() override { return row_.Version; }
    std::string Comment() override { return row_.Comment; }

private:
    TVssCheckoutRow row_;
};

class TCheckouts final : public TComObject<IVSSCheckouts, IID_IVSSCheckouts> {
public:
    explicit TCheckouts(std::vector<TVssCheckoutRow> rows) : rows_(std::move(rows)) {}
    int32_t Count() override { return int32_t(rows_.size()); }
    ComPtr<IVSSCheckout> Item(int32_t index) override {
        if (index < 1 || size_t(index) > rows_.size()) BadIndex(index, rows_.size());
        return Counted<IVSSCheckout>(new TCheckout(rows_[size_t(index - 1)]));
    }

private:
    std::vector<TVssCheckoutRow> rows_;
};

class TItem;

class TItems final : public TComObject<IVSSItems, IID_IVSSItems> {
public:
    TItems(std::shared_ptr<TVssSession> session, std::vector<TVssItemRow> rows)
        : session_(std::move(session)), rows_(std::move(rows)) {}
    int32_t Count() override { return int32_t(rows_.size()); }
    ComPtr<IVSSItem> Item(int32_t index) override;

private:
    std::shared_ptr<TVssSession> session_;
    std::vector<TVssItemRow> rows_;
};

class TItem final : public TComObject<IVSSItem, IID_IVSSItem> {
public:
    // version 0: the item itself; else a file pinned at that version.
    TItem(std::shared_ptr<TVssSession> session, TVssItemRow row, int32_t version = 0)
        : session_(std::move(session)), row_(std::move(row)), version_(version) {}

    std::string Spec() override { return row_.Spec; }
    std::string Name() override { return row_.Name; }
    int32_t Type() override { return row_.Type; }
    bool Binary() override { return Now().Binary; }
    bool Deleted() override { return Now().Deleted; }
    void SetDeleted(bool deleted) override {
        Current("Deleted");
        session_->SetDeleted(row_, deleted);
    }
    int32_t IsCheckedOut() override {
        return row_.Type == VSSITEM_FILE ? session_->IsCheckedOut(row_) : VSSFILE_NOTCHECKEDOUT;
    }
    ComPtr<IVSSCheckouts> Checkouts() override {
        return Counted<IVSSCheckouts>(
            new TCheckouts(row_.Type == VSSITEM_FILE ? session_->Checkouts(row_) : std::vector<TVssCheckoutRow>{}));
    }
    int32_t VersionNumber() override { return version_ ? version_ : Now().Version; }
    ComPtr<IVSSItem> Version(int32_t number) override {
        TVssItemRow now = Now();
        if (now.Type != VSSITEM_FILE) RaiseVss(VSS_E_WRONGTYPE, row_.Spec + " is a project and has no file versions");
        if (number < 1 || number > now.Version)
            RaiseVss(VSS_E_NOTFOUND, row_.Spec + " has no version " + std::to_string(number));
        return Counted<IVSSItem>(new TItem(session_, now, number));
    }
    ComPtr<IVSSItem> Parent() override {
        if (row_.Parent == 0) return nullptr;
        return Counted<IVSSItem>(new TItem(session_, session_->Find(SplitSpec(row_.Spec).first, false)));
    }
    ComPtr<IVSSItems> Items(bool includeDeleted) override {
        return Counted<IVSSItems>(new TItems(session_, session_->Children(row_, includeDeleted)));
    }
    ComPtr<IVSSItem> Add(const std::string& local, const std::string& comment, int32_t flags) override {
        Current("Add");
        return Counted<IVSSItem>(new TItem(session_, session_->Add(row_, local, comment, Options(flags))));
    }
    void Checkin(const std::string& comment, const std::string& local, int32_t flags) override {
        Current("Checkin");
        session_->Checkin(row_, local, comment, Options(flags));
    }
    void Checkout(const std::string& comment, const std::string& local, int32_t flags) override {
        Current("Checkout");
        session_->Checkout(row_, local, comment, Options(flags));
    }
    void UndoCheckout(const std::string& local, int32_t flags) override {
        Current("UndoCheckout");
        session_->UndoCheckout(row_, local, Options(flags));
    }
    void Get(const std::string& local, int32_t flags) override {
        session_->Get(row_, version_, local, Options(flags));
    }

private:
    TVssItemRow Now() { return session_->Refresh(row_); }
    void Current(const char* operation) {
        if (version_)
            RaiseVss(VSS_E_OLDVERSION, std::string(operation) + " needs the current " + row_.Spec + ", not version " +
                                           std::to_string(version_));
    }
    static TVssOptions Options(int32_t flags) {
        TVssOptions o;
        o.Flags = flags;
        o.Ask = TAskAnswer::Raise;
        return o;
    }

    std::shared_ptr<TVssSession> session_;
    TVssItemRow row_;
    int32_t version_;
};

ComPtr<IVSSItem> TItems::Item(int32_t index) {
    if (index < 1 || size_t(index) > rows_.size()) BadIndex(index, rows_.size());
    return Counted<IVSSItem>(new TItem(session_, rows_[size_t(index - 1)]));
}

class TDatabase final : public TComObject<IVSSDatabase, IID_IVSSDatabase> {
public:
    void Open(const std::string& srcSafeIni, const std::string& userName, const std::string& password) override {
        session_.reset();
        session_ = TVssSession::Open(srcSafeIni, userName, password);
    }
    std::string SrcSafeIni() override { return Session().IniPath(); }
    std::string UserName() override { return Session().UserName(); }
    std::string CurrentProject() override { return Session().CurrentProject(); }
    void SetCurrentProject(const std::string& spec) override { Session().SetCurrentProject(spec); }
    ComPtr<IVSSItem> VSSItem(const std::string& spec, bool deleted) override {
        Session();
        return Counted<IVSSItem>(new TItem(session_, session_->Find(spec, deleted)));
    }
    std::vector<TVssProjectListing> ListProjects(const std::string& spec, bool recursive) override {
        return Session().List(Session().Find(spec, false), recursive);
    }

private:
    TVssSession& Session() {
        if (!session_) RaiseVss(VSS_E_NOTOPEN, "The SourceSafe database is not open");
        return *session_;
    }
    std::shared_ptr<TVssSession> session_;
};

}  // namespace

ComPtr<IVSSDatabase> CoVSSDatabase::Create() { return Counted<IVSSDatabase>(new TDatabase); }

}  // namespace velt::vss
