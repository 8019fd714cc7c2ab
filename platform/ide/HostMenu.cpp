#include "platform/ide/HostMenu.h"

#include <algorithm>

#include "foundation/SysUtils.h"
#include "platform/ui/ShortCut.h"

namespace velt {

THostMenuItem::THostMenuItem(THostMainMenu* menu, std::string caption, std::string name)
    : Menu_(menu), Name_(std::move(name)), Caption_(std::move(caption)) {}

void THostMenuItem::Changed() {
    if (Menu_) Menu_->Changed();
}

void THostMenuItem::Detach() {
    for (const ComPtr<THostMenuItem>& child : Children_) child->Detach();
    Menu_ = nullptr;
    Parent_ = nullptr;
    Children_.clear();
}

bool THostMenuItem::DestroyMenuItem() {
    THostMainMenu* menu = Menu_;
    if (!menu || !Parent_) return false;
    ComPtr<THostMenuItem> keep(this);  // the parent's reference goes below
    std::vector<ComPtr<THostMenuItem>>& siblings = Parent_->Children_;
    siblings.erase(std::find(siblings.begin(), siblings.end(), keep));
    Detach();
    menu->Changed();
    return true;
}

int32_t THostMenuItem::GetIndex() {
    if (!Parent_) return -1;
    const auto& siblings = Parent_->Children_;
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this) return static_cast<int32_t>(i);
    return -1;
}

int32_t THostMenuItem::GetItemCount() { return static_cast<int32_t>(Children_.size()); }

ComPtr<TIMenuItemIntf> THostMenuItem::GetItem(int32_t Index) {
    if (Index < 0 || Index >= GetItemCount()) return nullptr;
    return Children_[Index];
}

ComPtr<TIMenuItemIntf> THostMenuItem::GetParent() { return ComPtr<TIMenuItemIntf>(Parent_); }

bool THostMenuItem::SetCaption(const std::string& Caption) {
    Caption_ = Caption;
    Changed();
    return true;
}

bool THostMenuItem::SetShortCut(TShortCut ShortCut) {
    ShortCut_ = ShortCut;
    Changed();
    return true;
}

bool THostMenuItem::SetFlags(TIMenuFlags Mask, TIMenuFlags Flags) {
    Flags_ = TIMenuFlags((Flags_ & ~Mask) | (Flags & Mask));
    Changed();
    return true;
}

ComPtr<TIMenuItemIntf> THostMenuItem::InsertItem(int32_t Index, const std::string& Caption, const std::string& Name,
                                                 const std::string& Hint, TShortCut ShortCut, int32_t Context,
                                                 int32_t GroupIndex, TIMenuFlags Flags,
                                                 TIMenuClickEvent EventHandler) {
    if (!Menu_) return nullptr;  // a destroyed item takes no children
    ComPtr<THostMenuItem> item(new THostMenuItem(Menu_, Caption, Name));
    item->Hint_ = Hint;
    item->ShortCut_ = ShortCut;
    item->Context_ = Context;
    item->GroupIndex_ = GroupIndex;
    item->Flags_ = Flags;
    item->OnClick_ = std::move(EventHandler);
    item->Parent_ = this;
    const int32_t at = std::clamp(Index, 0, GetItemCount());
    Children_.insert(Children_.begin() + at, item);
    Changed();
    return item;
}

bool THostMenuItem::RunClick() {
    if (!OnClick_) return false;
    ComPtr<THostMenuItem> keep(this);
    TIMenuClickEvent handler = OnClick_;  // the handler may rebuild the menu
    handler(this);
    return true;
}

// ---- main menu ---------------------------------------------------------------------

THostMainMenu::THostMainMenu() : Root_(new THostMenuItem(this, "", "")) { Root_->HostOwned_ = true; }

THostMainMenu::~THostMainMenu() { Root_->Detach(); }

void THostMainMenu::Changed() {
    if (OnChange) OnChange();
}

ComPtr<TIMenuItemIntf> THostMainMenu::GetMenuItems() { return Root_; }

ComPtr<TIMenuItemIntf> THostMainMenu::FindMenuItem(const std::string& Name) { return Find(Name); }

namespace {

template <class Visit>
bool Walk(const ComPtr<THostMenuItem>& item, const Visit& visit) {
    if (visit(item)) return true;
    for (const ComPtr<THostMenuItem>& child : item->Children())
        if (Walk(child, visit)) return true;
    return false;
}

bool ChainEnabled(THostMenuItem* item) {
    for (; item && item->Parent(); item = item->Parent())
        if (!item->Enabled()) return false;
    return true;
}

}  // namespace

ComPtr<THostMenuItem> THostMainMenu::Find(const std::string& name) {
    if (name.empty()) return nullptr;
    ComPtr<THostMenuItem> found;
    Walk(Root_, [&](const ComPtr<THostMenuItem>& item) {
        if (!SameText(item->GetName(), name)) return false;
        found = item;
        return true;
    });
    return found;
}

ComPtr<THostMenuItem> THostMainMenu::AddHostItem(THostMenuItem& parent, const std::string& caption,
                                                 const std::string& name, TIMenuClickEvent onClick) {
    ComPtr<TIMenuItemIntf> item = parent.InsertItem(parent.GetItemCount(), caption, name, "", 0, 0, 0,
                                                    mfEnabled | mfVisible, std::move(onClick));
    ComPtr<THostMenuItem> hostItem(static_cast<THostMenuItem*>(item.get()));
    hostItem->HostOwned_ = true;
    return hostItem;
}

ComPtr<THostMenuItem> THostMainMenu::FindShortCut(TShortCut shortCut) {
    if (shortCut == 0) return nullptr;
    ComPtr<THostMenuItem> found;
    Walk(Root_, [&](const ComPtr<THostMenuItem>& item) {
        if (item->GetShortCut() != shortCut || !ChainEnabled(item.get())) return false;
        found = item;
        return true;
    });
    return found;
}

std::vector<TShortCut> THostMainMenu::ActiveShortCuts() {
    std::vector<TShortCut> result;
    Walk(Root_, [&](const ComPtr<THostMenuItem>& item) {
        const TShortCut sc = item->GetShortCut();
        if (sc != 0 && ChainEnabled(item.get()) && std::find(result.begin(), result.end(), sc) == result.end())
            result.push_back(sc);
        return false;
    });
    return result;
}

void THostMainMenu::DropPackageItems() {
    std::vector<ComPtr<THostMenuItem>> foreign;
    Walk(Root_, [&](const ComPtr<THostMenuItem>& item) {
        if (!item->HostOwned()) foreign.push_back(item);
        return false;
    });
    for (const ComPtr<THostMenuItem>& item : foreign) {
        item->ClearClickHandler();
        item->DestroyMenuItem();
    }
}

std::string THostMainMenu::Dump() {
    std::string out;
    const auto dump = [&](const auto& self, const ComPtr<THostMenuItem>& item, int depth) -> void {
        out += std::string(size_t(depth) * 2, ' ') + item->GetCaption();
        if (!item->GetName().empty()) out += " [" + item->GetName() + "]";
        if (item->GetShortCut()) out += " " + ShortCutToText(item->GetShortCut());
        if (!item->Visible()) out += " (hidden)";
        if (!item->Enabled()) out += " (disabled)";
        out += "\n";
        for (const ComPtr<THostMenuItem>& child : item->Children()) self(self, child, depth + 1);
    };
    for (const ComPtr<THostMenuItem>& top : Root_->Children()) dump(dump, top, 0);
    return out;
}

}  // namespace velt
