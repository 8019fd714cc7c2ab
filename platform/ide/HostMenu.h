#pragma once
// The IDE's main menu as a tree of counted items. Both hosts keep their menu
// here: the in-memory host clicks it directly, the Qt host mirrors it into a
// menu bar after every change.

#include <functional>
#include <string>
#include <vector>

#include "platform/ide/ToolsApi.h"

namespace velt {

class THostMainMenu;

class THostMenuItem final : public TInterfacedObject<TIMenuItemIntf> {
public:
    bool DestroyMenuItem() override;
    int32_t GetIndex() override;
    int32_t GetItemCount() override;
    ComPtr<TIMenuItemIntf> GetItem(int32_t Index) override;
    ComPtr<TIMenuItemIntf> GetParent() override;
    std::string GetName() override { return Name_; }
    std::string GetCaption() override { return Caption_; }
    bool SetCaption(const std::string& Caption) override;
    std::string GetHint() override { return Hint_; }
    TShortCut GetShortCut() override { return ShortCut_; }
    bool SetShortCut(TShortCut ShortCut) override;
    TIMenuFlags GetFlags() override { return Flags_; }
    bool SetFlags(TIMenuFlags Mask, TIMenuFlags Flags) override;
    int32_t GetContext() override { return Context_; }
    int32_t GetGroupIndex() override { return GroupIndex_; }
    ComPtr<TIMenuItemIntf> InsertItem(int32_t Index, const std::string& Caption, const std::string& Name,
                                      const std::string& Hint, TShortCut ShortCut, int32_t Context,
                                      int32_t GroupIndex, TIMenuFlags Flags,
                                      TIMenuClickEvent EventHandler) override;

    // ---- host side ----
    const std::vector<ComPtr<THostMenuItem>>& Children() const { return Children_; }
    THostMenuItem* Parent() const { return Parent_; }
    bool Enabled() const { return (Flags_ & mfEnabled) != 0; }
    bool Visible() const { return (Flags_ & mfVisible) != 0; }
    bool IsSeparator() const { return Caption_ == "-"; }
    // Items the host made for itself, as opposed to a package's.
    bool HostOwned() const { return HostOwned_; }
    bool HasClickHandler() const { return static_cast<bool>(OnClick_); }
    // Runs the click handler (with the item kept alive while it runs); false
    // when there is none.
    bool RunClick();
    void SetClickHandler(TIMenuClickEvent onClick) { OnClick_ = std::move(onClick); }
    // Drops the click handler, so no package code stays referenced.
    void ClearClickHandler() { OnClick_ = nullptr; }

private:
    friend class THostMainMenu;
    THostMenuItem(THostMainMenu* menu, std::string caption, std::string name);
    void Detach();
    void Changed();

    THostMainMenu* Menu_;  // null once destroyed
    THostMenuItem* Parent_ = nullptr;
    std::vector<ComPtr<THostMenuItem>> Children_;
    std::string Name_;
    std::string Caption_;
    std::string Hint_;
    TShortCut ShortCut_ = 0;
    int32_t Context_ = 0;
    int32_t GroupIndex_ = 0;
    TIMenuFlags Flags_ = mfEnabled | mfVisible;
    TIMenuClickEvent OnClick_;
    bool HostOwned_ = false;
};

class THostMainMenu final : public TInterfacedObject<TIMainMenuIntf> {
public:
    THostMainMenu();
    ~THostMainMenu() override;

    ComPtr<TIMenuItemIntf> GetMenuItems() override;
    ComPtr<TIMenuItemIntf> FindMenuItem(const std::string& Name) override;

    // ---- host side ----
    THostMenuItem& Root() { return *Root_; }
    ComPtr<THostMenuItem> Find(const std::string& name);
    // Appends an item of the host's own to parent.
    ComPtr<THostMenuItem> AddHostItem(THostMenuItem& parent, const std::string& caption, const std::string& name,
                                      TIMenuClickEvent onClick = nullptr);
    // The enabled item (shown or hidden, its menus enabled) that a shortcut
    // runs: the first in menu order; null when none.
    ComPtr<THostMenuItem> FindShortCut(TShortCut shortCut);
    // Every shortcut that runs an item.
    std::vector<TShortCut> ActiveShortCuts();
    // Removes every item that is not the host's own and drops every click
    // handler of a package.
    void DropPackageItems();
    // Called after every change of the tree or of an item.
    std::function<void()> OnChange;
    // One line per item, indented two blanks a level:
    //   caption [name] shortcut-text (hidden) (disabled)
    std::string Dump();

private:
    friend class THostMenuItem;
    void Changed();
    ComPtr<THostMenuItem> Root_;
};

}  // namespace velt
