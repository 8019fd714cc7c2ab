#pragma once
// Menus described as data: a TMenuList is a record list of fixed-size item
// descriptors that tree nodes, views and pickers fill; CreateMenu turns one
// into Qt actions (merging top-level entries into an existing menu bar or
// menu) and PopupMenuList shows one as a context menu through a popup shared
// by the whole package. TCMenu builds one descriptor with chained setters.
//
// The two pointer slots of a descriptor (the click handler and the built
// item) hold 32-bit handles. A list counts its references to them: copying a
// descriptor into a list takes a reference, deleting it or freeing the list
// releases it; a handler outlives the list only inside the items built from
// it. A handle means nothing in a stream and is cleared when one is read.

#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "foundation/GeneralList.h"

class QAction;
class QMenu;
class QObject;
class QWidget;

namespace velt {

// A click handler; Sender is the clicked item (a QAction).
using TNotifyEvent = std::function<void(QObject* Sender)>;

class TMenuList;
// Handlers that fill a menu list for their owner.
using TPopupMenuEvent = std::function<void(QObject* Sender, TMenuList& M)>;

#pragma pack(push, 1)
struct TMenuItemRec {
    int32_t Reserved;        // 0: always 0
    uint8_t CaptionLen;      // 4: counted strings, a length byte and the characters
    char Caption[32];
    uint8_t ShortCutLen;     // 37: the text form ("Ctrl+Alt+Enter")
    char ShortCut[10];
    uint8_t Enabled;         // 48
    uint8_t Pad1[3];
    uint32_t ProcHandle;     // 52: the click handler (code half of the method slot)
    uint32_t ProcData;       // 56: unused half of the method slot, 0
    uint32_t MenuItemHandle; // 60: the item CreateMenu made for it; not owned
    int32_t Res2;            // 64: when non-zero its low byte overrides GroupIndex
    uint8_t Default;         // 68
    uint8_t Pad2[3];
    int32_t Parent;          // 72: index of the parent descriptor, -1 = top level
    uint8_t Checked;         // 76
    uint8_t RadioItem;       // 77
    uint8_t Pad3[2];
    int32_t GroupIndex;      // 80: only the low byte counts
    int32_t Tag;             // 84
    uint8_t HintLen;         // 88
    char Hint[32];
    uint8_t Pad4[3];

    std::string GetCaption() const { return {Caption, CaptionLen}; }
    std::string GetShortCut() const { return {ShortCut, ShortCutLen}; }
    std::string GetHint() const { return {Hint, HintLen}; }
    // Cut to the field (and to max characters).
    void SetCaption(std::string_view s, size_t max = sizeof Caption);
    void SetShortCut(std::string_view s);
    void SetHint(std::string_view s);
    // The built item while it lives, else null.
    QAction* MenuItem() const;
    // The click handler, or null.
    const TNotifyEvent* Proc() const;
};
#pragma pack(pop)
static_assert(sizeof(TMenuItemRec) == 124);
static_assert(offsetof(TMenuItemRec, ProcHandle) == 52 && offsetof(TMenuItemRec, Parent) == 72 &&
              offsetof(TMenuItemRec, Hint) == 89);

// One descriptor held outside a list, owning its references.
class TMenuItemInfo {
public:
    TMenuItemInfo();  // all zero
    TMenuItemInfo(const TMenuItemInfo& other);
    TMenuItemInfo& operator=(const TMenuItemInfo& other);
    ~TMenuItemInfo();

    TMenuItemRec& Rec() { return rec_; }
    const TMenuItemRec& Rec() const { return rec_; }
    void SetProc(TNotifyEvent proc);
    void SetMenuItem(QAction* item);

private:
    TMenuItemRec rec_;
};

class TMenuList : public TGeneralList {
public:
    static constexpr int32_t ItemBytes = 124;
    TMenuList();
    ~TMenuList() override;
    std::string ClassName() const override { return "TMenuList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override;

    TMenuItemRec* GetItems(int index) { return static_cast<TMenuItemRec*>(GetItem(index)); }
    const TMenuItemRec* GetItems(int index) const { return static_cast<const TMenuItemRec*>(GetItem(index)); }

    // A top-level descriptor (caption cut to 32 characters); its index.
    int AddItem(std::string_view caption, bool enabled, TNotifyEvent proc);
    int AddLine() { return AddItem("-", true, nullptr); }
    int AddItemEx(std::string_view caption, bool enabled, TNotifyEvent proc, int32_t parent, bool checked,
                  bool radioItem, int32_t groupIndex, int32_t tag);
    // Appends a copy of a descriptor; its index.
    int CAdd(const TMenuItemInfo& info) { return Add(&info.Rec()); }
    // PopupMenuList(x, y, *this).
    void Popup(int x, int y);

    // Replace the handle slots of descriptor index, keeping the references right.
    void SetProc(int index, TNotifyEvent proc);
    void SetMenuItem(int index, QAction* item);

    void CopyRec(const void* source, void* dest) override;
    void DestroyRec(int index) override;
    void LoadFromStream(TStream& stream) override;
    void ReadRecordData(TReader& reader, int index) override;

private:
    void ClearHandles();
};

// Chained builder of one descriptor: TCMenu().Caption("Open").SetDefault().Apply().
class TCMenu {
public:
    TCMenu();  // Parent -1, Enabled
    TCMenu& Caption(std::string_view s);  // 31 characters kept
    TCMenu& ShortCut(std::string_view s);  // 10
    TCMenu& Hint(std::string_view s);      // 32
    TCMenu& Enabled(bool b);
    TCMenu& Default(bool b);
    TCMenu& Checked(bool b);
    TCMenu& RadioItem(bool b);
    TCMenu& SetEnabled() { return Enabled(true); }
    TCMenu& SetDefault() { return Default(true); }
    TCMenu& SetChecked() { return Checked(true); }
    TCMenu& SetRadioItem() { return RadioItem(true); }
    TCMenu& Proc(TNotifyEvent handler);
    TCMenu& MenuItem(QAction* item);
    TCMenu& Res2(int32_t n);
    TCMenu& Parent(int32_t index);
    TCMenu& GroupIndex(int32_t n);
    TCMenu& Tag(int32_t n);
    // A copy of the descriptor, for TMenuList::CAdd.
    TMenuItemInfo Apply() const { return info_; }

private:
    TMenuItemInfo info_;
};

// Builds the items of list: under the parent descriptor's item, else under
// item when given, else merged into the top level of menu (a QMenuBar or a
// QMenu). Each descriptor's MenuItem is set to the action made for it.
void CreateMenu(QWidget* menu, QAction* item, TMenuList& list);
// Shows list as a context menu at (x, y) in screen coordinates, at the mouse
// pointer when x is negative. The previous popup is freed (later: one of its
// handlers may be what opens the new one).
void PopupMenuList(int x, int y, TMenuList& list);
// The popup of the last PopupMenuList, or null.
QMenu* SharedPopupMenu();
// Frees the shared popup now (when the package unloads).
void FreeSharedPopupMenu();

// Item properties that Qt actions lack, kept as dynamic properties.
inline constexpr char kGroupIndexProperty[] = "GroupIndex";
inline constexpr char kTagProperty[] = "Tag";
inline constexpr char kDefaultProperty[] = "Default";

}  // namespace velt
