#include "treeview/MenuList.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/ShortCut.h"

namespace velt {

namespace {

// ---- handles of the pointer slots ----------------------------------------------
// One table for both slots: a handler, or a built item held weakly.

struct Slot {
    TNotifyEvent Proc;
    QPointer<QAction> Item;
    int Refs = 0;
};

struct SlotTable {
    std::unordered_map<uint32_t, Slot> ByHandle;
    uint32_t Next = 1;
};

SlotTable& Slots() {
    static SlotTable* t = new SlotTable();  // lives until exit, also for static destructors
    return *t;
}

uint32_t NewSlot(Slot slot) {
    SlotTable& t = Slots();
    uint32_t h = t.Next++;
    if (h == 0) h = t.Next++;
    slot.Refs = 1;
    t.ByHandle.emplace(h, std::move(slot));
    return h;
}

void AddRef(uint32_t h) {
    if (!h) return;
    auto it = Slots().ByHandle.find(h);
    if (it != Slots().ByHandle.end()) ++it->second.Refs;
}

void ReleaseSlot(uint32_t h) {
    if (!h) return;
    auto it = Slots().ByHandle.find(h);
    if (it != Slots().ByHandle.end() && --it->second.Refs <= 0) Slots().ByHandle.erase(it);
}

const Slot* FindSlot(uint32_t h) {
    if (!h) return nullptr;
    auto it = Slots().ByHandle.find(h);
    return it == Slots().ByHandle.end() ? nullptr : &it->second;
}

void AddRefs(const TMenuItemRec& r) {
    AddRef(r.ProcHandle);
    AddRef(r.MenuItemHandle);
}

void ReleaseRefs(TMenuItemRec& r) {
    ReleaseSlot(r.ProcHandle);
    ReleaseSlot(r.MenuItemHandle);
    r.ProcHandle = r.ProcData = r.MenuItemHandle = 0;
}

uint32_t ProcSlot(TNotifyEvent proc) { return proc ? NewSlot(Slot{std::move(proc), {}, 0}) : 0; }

uint32_t ItemSlot(QAction* item) { return item ? NewSlot(Slot{{}, item, 0}) : 0; }

void SetCounted(uint8_t& len, char* chars, std::string_view s, size_t max) {
    const size_t n = std::min(s.size(), max);
    len = uint8_t(n);
    std::memset(chars, 0, max);
    std::memcpy(chars, s.data(), n);
}

TMenuItemRec EmptyRec() {
    TMenuItemRec r;
    std::memset(&r, 0, sizeof r);
    return r;
}

// ---- building ----------------------------------------------------------------

QString QStr(const std::string& s) { return QString::fromStdString(s); }

int GroupOf(const QAction* a) { return a->property(kGroupIndexProperty).toInt(); }

// The submenu of an item, made on first use; it goes with the item.
QMenu* SubMenuOf(QAction* item) {
    if (QMenu* m = item->menu()) return m;
    auto* m = new QMenu(item->text());
    QObject::connect(item, &QObject::destroyed, m, [m] { delete m; });
    item->setMenu(m);
    return m;
}

// Radio items of one group index in one container are exclusive.
void JoinRadioGroup(QObject* container, QAction* action, int group) {
    const QString name = QStringLiteral("RadioGroup%1").arg(group);
    auto* g = container->findChild<QActionGroup*>(name, Qt::FindDirectChildrenOnly);
    if (!g) {
        g = new QActionGroup(container);
        g->setObjectName(name);
    }
    g->addAction(action);
}

// Top-level merge into menu: replace an item of the same caption, else place
// by group index.
void MergeTopLevel(QWidget* menu, QAction* action) {
    const QList<QAction*> items = menu->actions();
    for (QAction* old : items)
        if (old->text() == action->text()) {
            menu->insertAction(old, action);
            menu->removeAction(old);
            return;
        }
    const int group = GroupOf(action);
    if (group != 0) {
        for (QAction* a : items)
            if (GroupOf(a) > group) {
                menu->insertAction(a, action);
                return;
            }
        menu->addAction(action);
        return;
    }
    int last = -1;
    for (int i = int(items.size()) - 1; i >= 0; --i)
        if (GroupOf(items[i]) == 0) {
            last = i;
            break;
        }
    if (items.isEmpty() || last == int(items.size()) - 1)
        menu->addAction(action);
    else if (last < 0)
        menu->insertAction(items.first(), action);
    else
        menu->insertAction(items[last + 1], action);
}

QPointer<QMenu>& SharedPopup() {
    static QPointer<QMenu> popup;
    return popup;
}

}  // namespace

// ---- TMenuItemRec ------------------------------------------------------------------

void TMenuItemRec::SetCaption(std::string_view s, size_t max) {
    SetCounted(CaptionLen, Caption, s.substr(0, std::min(max, sizeof Caption)), sizeof Caption);
}

void TMenuItemRec::SetShortCut(std::string_view s) { SetCounted(ShortCutLen, ShortCut, s, sizeof ShortCut); }

void TMenuItemRec::SetHint(std::string_view s) { SetCounted(HintLen, Hint, s, sizeof Hint); }

QAction* TMenuItemRec::MenuItem() const {
    const Slot* s = FindSlot(MenuItemHandle);
    return s ? s->Item.data() : nullptr;
}

const TNotifyEvent* TMenuItemRec::Proc() const {
    const Slot* s = FindSlot(ProcHandle);
    return s && s->Proc ? &s->Proc : nullptr;
}

// ---- TMenuItemInfo ---------------------------------------------------------------

TMenuItemInfo::TMenuItemInfo() : rec_(EmptyRec()) {}

TMenuItemInfo::TMenuItemInfo(const TMenuItemInfo& other) : rec_(other.rec_) { AddRefs(rec_); }

TMenuItemInfo& TMenuItemInfo::operator=(const TMenuItemInfo& other) {
    if (this != &other) {
        AddRefs(other.rec_);
        ReleaseRefs(rec_);
        rec_ = other.rec_;
    }
    return *this;
}

TMenuItemInfo::~TMenuItemInfo() { ReleaseRefs(rec_); }

void TMenuItemInfo::SetProc(TNotifyEvent proc) {
    ReleaseSlot(rec_.ProcHandle);
    rec_.ProcHandle = ProcSlot(std::move(proc));
}

void TMenuItemInfo::SetMenuItem(QAction* item) {
    ReleaseSlot(rec_.MenuItemHandle);
    rec_.MenuItemHandle = ItemSlot(item);
}

// ---- TMenuList ---------------------------------------------------------------------

TMenuList::TMenuList() : TGeneralList(ItemBytes) {}

TMenuList::~TMenuList() { Clear(); }

std::unique_ptr<TGeneralList> TMenuList::NewInstance() const { return std::make_unique<TMenuList>(); }

int TMenuList::AddItem(std::string_view caption, bool enabled, TNotifyEvent proc) {
    return AddItemEx(caption, enabled, std::move(proc), -1, false, false, 0, 0);
}

int TMenuList::AddItemEx(std::string_view caption, bool enabled, TNotifyEvent proc, int32_t parent, bool checked,
                         bool radioItem, int32_t groupIndex, int32_t tag) {
    TMenuItemInfo info;
    TMenuItemRec& r = info.Rec();
    r.Parent = parent;
    r.SetCaption(caption);
    r.Enabled = enabled;
    r.Checked = checked;
    r.RadioItem = radioItem;
    r.GroupIndex = groupIndex;
    r.Tag = tag;
    info.SetProc(std::move(proc));
    CAdd(info);
    return Count - 1;
}

void TMenuList::Popup(int x, int y) { PopupMenuList(x, y, *this); }

void TMenuList::SetProc(int index, TNotifyEvent proc) {
    if (index < 0 || index >= Count) Error();
    TMenuItemRec* r = GetItems(index);
    ReleaseSlot(r->ProcHandle);
    r->ProcHandle = ProcSlot(std::move(proc));
}

void TMenuList::SetMenuItem(int index, QAction* item) {
    if (index < 0 || index >= Count) Error();
    TMenuItemRec* r = GetItems(index);
    ReleaseSlot(r->MenuItemHandle);
    r->MenuItemHandle = ItemSlot(item);
}

void TMenuList::CopyRec(const void* source, void* /*dest*/) {
    TMenuItemRec r;
    std::memcpy(&r, source, sizeof r);
    AddRefs(r);
}

void TMenuList::DestroyRec(int index) { ReleaseRefs(*GetItems(index)); }

void TMenuList::ClearHandles() {
    for (int i = 0; i < Count; ++i) {
        TMenuItemRec* r = GetItems(i);
        r->ProcHandle = r->ProcData = r->MenuItemHandle = 0;
    }
}

void TMenuList::LoadFromStream(TStream& stream) {
    Clear();  // the base replaces the records as raw storage
    TGeneralList::LoadFromStream(stream);
    ClearHandles();
}

void TMenuList::ReadRecordData(TReader& reader, int index) {
    TGeneralList::ReadRecordData(reader, index);
    TMenuItemRec* r = GetItems(index);
    r->ProcHandle = r->ProcData = r->MenuItemHandle = 0;
}

// ---- TCMenu ---------------------------------------------------------------------------

TCMenu::TCMenu() {
    info_.Rec().Parent = -1;
    info_.Rec().Enabled = 1;
}

TCMenu& TCMenu::Caption(std::string_view s) {
    info_.Rec().SetCaption(s, 31);
    return *this;
}

TCMenu& TCMenu::ShortCut(std::string_view s) {
    info_.Rec().SetShortCut(s);
    return *this;
}

TCMenu& TCMenu::Hint(std::string_view s) {
    info_.Rec().SetHint(s);
    return *this;
}

TCMenu& TCMenu::Enabled(bool b) {
    info_.Rec().Enabled = b;
    return *this;
}

TCMenu& TCMenu::Default(bool b) {
    info_.Rec().Default = b;
    return *this;
}

TCMenu& TCMenu::Checked(bool b) {
    info_.Rec().Checked = b;
    return *this;
}

TCMenu& TCMenu::RadioItem(bool b) {
    info_.Rec().RadioItem = b;
    return *this;
}

TCMenu& TCMenu::Proc(TNotifyEvent handler) {
    info_.SetProc(std::move(handler));
    return *this;
}

TCMenu& TCMenu::MenuItem(QAction* item) {
    info_.SetMenuItem(item);
    return *this;
}

TCMenu& TCMenu::Res2(int32_t n) {
    info_.Rec().Res2 = n;
    return *this;
}

TCMenu& TCMenu::Parent(int32_t index) {
    info_.Rec().Parent = index;
    return *this;
}

TCMenu& TCMenu::GroupIndex(int32_t n) {
    info_.Rec().GroupIndex = n;
    return *this;
}

TCMenu& TCMenu::Tag(int32_t n) {
    info_.Rec().Tag = n;
    return *this;
}

// ---- CreateMenu / PopupMenuList -------------------------------------------------------------

void CreateMenu(QWidget* menu, QAction* item, TMenuList& list) {
    if (!menu && !item && list.GetCount() > 0) throw Exception("CreateMenu needs a menu or an item");
    for (int i = 0; i < list.GetCount(); ++i) {
        const TMenuItemRec r = *list.GetItems(i);
        QAction* parentItem = nullptr;
        if (r.Parent != -1) {
            if (r.Parent < 0 || r.Parent >= i) throw Exception("Menu item " + IntToStr(i) + " stands before its parent");
            parentItem = list.GetItems(r.Parent)->MenuItem();
            if (!parentItem) throw Exception("Menu item " + IntToStr(i) + " has no parent item");
        }
        QObject* owner = parentItem ? static_cast<QObject*>(parentItem)
                                    : item ? static_cast<QObject*>(item) : static_cast<QObject*>(menu);
        auto* a = new QAction(owner);
        const std::string caption = r.GetCaption();
        a->setText(QStr(caption));
        if (caption == "-") a->setSeparator(true);
        a->setShortcuts(ShortCutToKeySequences(TextToShortCut(r.GetShortCut())));
        a->setEnabled(r.Enabled != 0);
        if (const TNotifyEvent* proc = r.Proc()) {
            // The item keeps its own copy: the list may be gone when it is
            // clicked. Nothing a handler throws may pass through Qt.
            QObject::connect(a, &QAction::triggered, a, [a, handler = *proc] { CallReporting([&] { handler(a); }); });
        }
        a->setProperty(kDefaultProperty, r.Default != 0);
        a->setCheckable(r.Checked || r.RadioItem);
        a->setChecked(r.Checked != 0);
        a->setProperty(kGroupIndexProperty, int(r.GroupIndex & 0xFF));
        a->setProperty(kTagProperty, int(r.Tag));
        a->setStatusTip(QStr(r.GetHint()));
        if (r.Res2 != 0) a->setProperty(kGroupIndexProperty, int(r.Res2 & 0xFF));

        QWidget* container = parentItem ? SubMenuOf(parentItem) : item ? SubMenuOf(item) : menu;
        if (parentItem || item)
            container->addAction(a);
        else if (container)
            MergeTopLevel(container, a);
        if (r.RadioItem && container) JoinRadioGroup(container, a, GroupOf(a));
        if (r.Default)
            if (auto* m = qobject_cast<QMenu*>(container)) m->setDefaultAction(a);
        list.SetMenuItem(i, a);
    }
}

void PopupMenuList(int x, int y, TMenuList& list) {
    QPointer<QMenu>& popup = SharedPopup();
    if (popup) popup->deleteLater();
    popup = new QMenu;
    CreateMenu(popup, nullptr, list);
    const QPoint at = x < 0 ? QCursor::pos() : QPoint(x, y);
    popup->popup(at);
}

QMenu* SharedPopupMenu() { return SharedPopup().data(); }

void FreeSharedPopupMenu() { delete SharedPopup().data(); }

}  // namespace velt
