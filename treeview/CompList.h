#pragma once
// A named group of sibling components: the list keeps each component's
// name with a guarded pointer to it, resolves names among its owner's
// components (the QObject parent's descendants, names compared ignoring
// ASCII case), forgets a component that is destroyed, and sets one
// property on all of them through a late-bound put on AsVariant().

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/VarDisp.h"

namespace velt {

using TCompProc = std::function<void(QObject* Value)>;

class TCompList : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList Components READ GetComponentsQ WRITE SetComponentsQ)

public:
    static constexpr uint16_t Marker = 666;

    explicit TCompList(QObject* owner = nullptr);
    ~TCompList() override;

    int GetCount() const { return int(entries_.size()); }
    // Null outside the list and for a name that did not resolve.
    QObject* GetItems(int Index) const;
    int GetIndexOf(const QObject* Component) const;
    bool GetExists(const QObject* Component) const { return GetIndexOf(Component) >= 0; }
    // Name and component at Index; EStringListError outside the list.
    void SetItems(int Index, QObject* Component);
    void Add(QObject* Component) { DoAdd(Component); }
    void Insert(int Index, QObject* Component) { DoInsert(Index, Component); }

    virtual void DoInsert(int Index, QObject* Component);
    virtual void DoAdd(QObject* Component);
    virtual void Clear();
    // EStringListError "List index out of bounds (-1)" for one not listed.
    virtual void Remove(QObject* Component);
    virtual void Delete(int Index);

    // The names of the entries, in order.
    std::vector<std::string> GetNames() const;
    // The names become the entries, each resolved among the owner's
    // components (unknown: no component).
    void SetList(const TStringList& Strings);
    void SetList(const std::vector<std::string>& names);
    // Resolves every entry's name again.
    virtual void Loaded();
    // Each entry's name from its component, before the names are stored.
    virtual void WriteState();
    // Dest gets this list's entries.
    void AssignTo(TCompList& Dest) const;
    // Proc for each listed component of a snapshot taken first: Proc may
    // change the list; one destroyed meanwhile is skipped, as are entries
    // without a component.
    void ForEach(const TCompProc& Proc) const;

    // The list as a variant of dispatch type: the marker and this list's
    // handle.
    TVarData AsVariant() const;
    // The list a variant of AsVariant stands for; null once it is destroyed.
    static TCompList* FromVariant(const TVarData& v);

private:
    struct Entry {
        std::string Name;
        QPointer<QObject> Component;
        const QObject* Key = nullptr;  // identity only, never dereferenced
    };
    Entry MakeEntry(QObject* component);
    void Watch(const QObject* key);
    void Unwatch(const QObject* key);
    void RemoveAt(int index);
    void Notification(const QObject* destroyed);
    QObject* Resolve(const std::string& name) const;
    void CheckIndex(int index, int limit) const;

    // What a form stores: the names after WriteState.
    QStringList GetComponentsQ();
    void SetComponentsQ(const QStringList& names);

    const uintptr_t handle_;
    TVarData varData_;
    std::vector<Entry> entries_;
    struct Watched {
        int Count = 0;
        QMetaObject::Connection Connection;
    };
    std::map<const QObject*, Watched> watched_;
};

// The pages of a wizard, in order.
class TPageList : public TCompList {
    Q_OBJECT
public:
    using TCompList::TCompList;
};

// Saves the process's late-bound dispatcher and installs the one that
// answers property puts on a TCompList's variant. Installs are counted:
// the last RestoreCompListDispatcher puts back what the first saved.
void InstallCompListDispatcher();
void RestoreCompListDispatcher();

}  // namespace velt
