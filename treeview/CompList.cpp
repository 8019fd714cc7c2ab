#include "treeview/CompList.h"

#include <QMetaEnum>
#include <QMetaProperty>
#include <QVariant>
#include <unordered_map>

#include "foundation/SysUtils.h"

namespace velt {

namespace {

std::string NameOf(const QObject* o) { return o ? o->objectName().toStdString() : std::string(); }

[[noreturn]] void IndexError(int index) {
    throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
}

// The lists alive, by handle. A variant carries the handle, never the
// list's address: one kept after its list is gone finds nothing here, and
// handles are not used again.
std::unordered_map<uintptr_t, TCompList*>& LiveLists() {
    static std::unordered_map<uintptr_t, TCompList*> lists;
    return lists;
}
uintptr_t nextHandle = 1;

}  // namespace

TCompList::TCompList(QObject* owner) : QObject(owner), handle_(nextHandle++) {
    varData_.Reserved1 = Marker;
    varData_.VPointer = reinterpret_cast<void*>(handle_);
    LiveLists()[handle_] = this;
}

TCompList* TCompList::FromVariant(const TVarData& v) {
    const auto& lists = LiveLists();
    const auto it = lists.find(reinterpret_cast<uintptr_t>(v.VPointer));
    return it == lists.end() ? nullptr : it->second;
}

TCompList::~TCompList() {
    LiveLists().erase(handle_);
    for (auto& [key, w] : watched_) QObject::disconnect(w.Connection);
}

QObject* TCompList::GetItems(int Index) const {
    return Index >= 0 && Index < GetCount() ? entries_[size_t(Index)].Component.data() : nullptr;
}

int TCompList::GetIndexOf(const QObject* Component) const {
    if (!Component) return -1;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].Key == Component && entries_[i].Component) return int(i);
    return -1;
}

TCompList::Entry TCompList::MakeEntry(QObject* component) {
    Entry e{NameOf(component), component, component};
    Watch(component);
    return e;
}

void TCompList::Watch(const QObject* key) {
    if (!key) return;
    Watched& w = watched_[key];
    if (w.Count++ == 0)
        w.Connection = connect(key, &QObject::destroyed, this, [this](QObject* o) { Notification(o); });
}

void TCompList::Unwatch(const QObject* key) {
    if (!key) return;
    auto it = watched_.find(key);
    if (it == watched_.end()) return;
    if (--it->second.Count == 0) {
        QObject::disconnect(it->second.Connection);
        watched_.erase(it);
    }
}

void TCompList::CheckIndex(int index, int limit) const {
    if (index < 0 || index >= limit) IndexError(index);
}

void TCompList::SetItems(int Index, QObject* Component) {
    CheckIndex(Index, GetCount());
    Entry e = MakeEntry(Component);
    Unwatch(entries_[size_t(Index)].Key);
    entries_[size_t(Index)] = std::move(e);
}

void TCompList::DoInsert(int Index, QObject* Component) {
    CheckIndex(Index, GetCount() + 1);
    entries_.insert(entries_.begin() + Index, MakeEntry(Component));
}

void TCompList::DoAdd(QObject* Component) { entries_.push_back(MakeEntry(Component)); }

void TCompList::Clear() {
    for (auto& [key, w] : watched_) QObject::disconnect(w.Connection);
    watched_.clear();
    entries_.clear();
}

void TCompList::Remove(QObject* Component) {
    const int i = GetIndexOf(Component);
    if (i < 0) IndexError(-1);
    Delete(i);
}

void TCompList::Delete(int Index) {
    CheckIndex(Index, GetCount());
    RemoveAt(Index);
}

void TCompList::RemoveAt(int index) {
    Unwatch(entries_[size_t(index)].Key);
    entries_.erase(entries_.begin() + index);
}

void TCompList::Notification(const QObject* destroyed) {
    if (destroyed == this) return;
    std::erase_if(entries_, [destroyed](const Entry& e) { return e.Key == destroyed; });
    if (auto it = watched_.find(destroyed); it != watched_.end()) watched_.erase(it);
}

std::vector<std::string> TCompList::GetNames() const {
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const Entry& e : entries_) names.push_back(e.Name);
    return names;
}

void TCompList::SetList(const TStringList& Strings) { SetList(Strings.Strings()); }

void TCompList::SetList(const std::vector<std::string>& names) {
    Clear();
    for (const std::string& n : names) entries_.push_back(Entry{n, nullptr, nullptr});
    Loaded();
}

void TCompList::Loaded() {
    // The owner's components by folded name, the first of a name winning.
    std::unordered_map<std::string, QObject*> byName;
    if (QObject* owner = parent())
        for (QObject* o : owner->findChildren<QObject*>())
            if (o != this && !o->objectName().isEmpty()) byName.try_emplace(UpperCase(NameOf(o)), o);
    for (Entry& e : entries_) {
        auto it = byName.find(UpperCase(e.Name));
        QObject* found = it == byName.end() ? nullptr : it->second;
        if (found == e.Key && e.Component) continue;
        Unwatch(e.Key);
        e.Component = found;
        e.Key = found;
        Watch(found);
    }
}

void TCompList::WriteState() {
    for (Entry& e : entries_)
        if (e.Component) e.Name = NameOf(e.Component);
}

void TCompList::AssignTo(TCompList& Dest) const {
    if (&Dest == this) return;
    Dest.Clear();
    for (const Entry& e : entries_) {
        Dest.entries_.push_back(Entry{e.Name, e.Component, e.Component ? e.Key : nullptr});
        Dest.Watch(Dest.entries_.back().Key);
    }
}

void TCompList::ForEach(const TCompProc& Proc) const {
    std::vector<QPointer<QObject>> snapshot;
    snapshot.reserve(entries_.size());
    for (const Entry& e : entries_) snapshot.push_back(e.Component);
    for (const QPointer<QObject>& c : snapshot)
        if (c) Proc(c.data());
}

TVarData TCompList::AsVariant() const {
    TVarData v = varData_;
    v.VType = varDispatch;
    return v;
}

QStringList TCompList::GetComponentsQ() {
    WriteState();
    QStringList names;
    for (const Entry& e : entries_) names.append(QString::fromStdString(e.Name));
    return names;
}

void TCompList::SetComponentsQ(const QStringList& names) {
    std::vector<std::string> list;
    for (const QString& n : names) list.push_back(n.toStdString());
    SetList(list);
}

// ---- the late-bound property broadcast ------------------------------------------

namespace {

TVarDispProc savedDispatcher = nullptr;
int installCount = 0;

int32_t Ordinal(const TVarValue& v) {
    if (const auto* i = std::get_if<int32_t>(&v)) return *i;
    if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    if (const auto* s = std::get_if<std::string>(&v)) return StrToInt(*s);
    return 0;
}

QString Text(const TVarValue& v) {
    if (const auto* s = std::get_if<std::string>(&v)) return QString::fromStdString(*s);
    if (const auto* i = std::get_if<int32_t>(&v)) return QString::number(*i);
    if (const auto* b = std::get_if<bool>(&v)) return QString::number(*b ? 1 : 0);
    return {};
}

bool IsOrdinal(int type) {
    switch (type) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::QChar:
        case QMetaType::Char16:
        case QMetaType::Char32:
            return true;
        default:
            return false;
    }
}

// The property of that name, exact case first, else with ASCII case
// ignored; -1 when the class has none.
int FindProperty(const QMetaObject* mo, const std::string& name) {
    const QByteArray exact = QByteArray::fromStdString(name);
    const int i = mo->indexOfProperty(exact.constData());
    if (i >= 0) return i;
    for (int p = 0; p < mo->propertyCount(); ++p)
        if (SameText(mo->property(p).name(), name)) return p;
    return -1;
}

void SetOn(QObject* component, const QMetaProperty& p, const TVarValue& value, const std::string& name) {
    QVariant v;
    const int type = p.metaType().id();
    if (type == QMetaType::Bool) {
        v = QVariant(Ordinal(value) != 0);
    } else if (p.isEnumType()) {
        // An ordinal the enumeration does not know would reach the setter
        // as a value outside its type.
        const int ordinal = Ordinal(value);
        const QMetaEnum e = p.enumerator();
        bool known = e.valueToKey(ordinal) != nullptr;
        if (e.isFlag()) {
            bool ok = false;
            known = e.keysToValue(e.valueToKeys(ordinal).constData(), &ok) == ordinal && ok;
        }
        if (!known) throw Exception("Not supporrted type (TCompList)");
        v = QVariant(ordinal);
    } else if (IsOrdinal(type)) {
        // QMetaProperty::write converts the ordinal to the property's type.
        v = QVariant(Ordinal(value));
    } else if (type == QMetaType::QString) {
        v = QVariant(Text(value));
    } else {
        throw Exception("Not supporrted type (TCompList)");
    }
    if (!p.write(component, v))
        throw Exception("Property " + name + " of " + NameOf(component) + " cannot be set");
}

void CompListDispatch(TVarValue* result, const TVarData& instance, int callType, const std::string& name,
                      const std::vector<TVarValue>& args) {
    if (instance.Reserved1 != TCompList::Marker) {
        if (!savedDispatcher) throw Exception("No late-bound dispatcher answers the call of " + name);
        savedDispatcher(result, instance, callType, name, args);
        return;
    }
    if (callType != DISPATCH_PROPERTYPUT || args.empty()) throw Exception("Not supporrted method call (TCompList)");
    if (!instance.VPointer) return;
    const TCompList* list = TCompList::FromVariant(instance);
    if (!list) throw Exception("The component list no longer exists");
    // One lookup per class: a broadcast to many buttons looks the name up once.
    std::unordered_map<const QMetaObject*, int> found;
    list->ForEach([&](QObject* c) {
        const QMetaObject* mo = c->metaObject();
        auto [it, fresh] = found.try_emplace(mo, -1);
        if (fresh) it->second = FindProperty(mo, name);
        if (it->second >= 0) SetOn(c, mo->property(it->second), args.front(), name);
    });
}

}  // namespace

void InstallCompListDispatcher() {
    if (installCount++ == 0) savedDispatcher = SetVarDispProc(&CompListDispatch);
}

void RestoreCompListDispatcher() {
    if (installCount == 0) return;
    if (--installCount == 0) {
        SetVarDispProc(savedDispatcher);
        savedDispatcher = nullptr;
    }
}

}  // namespace velt
