#pragma once
// The IDE operations a package calls, as abstract reference-counted
// interfaces under the IDE's names. A host (the in-memory one for tests, the
// Qt window for people) implements them; the packages see nothing else of it.
//
// Conventions:
// - Every interface is counted (IUnknown); an operation that hands one out
//   returns a ComPtr holding the caller's reference, so it is released when
//   the caller's operation ends, also on failure. A null ComPtr means "none".
// - Text is bytes: a buffer reads and writes the file's bytes with its own
//   line ends (CR LF or LF); positions are 0-based byte offsets into it.
// - Names, captions and file names are UTF-8 strings.

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "foundation/ComPtr.h"

namespace velt {

// Editor position: both 1-based; Col is the byte index in the line + 1.
struct TEditPos {
    int16_t Col = 1;
    int32_t Line = 1;
    bool operator==(const TEditPos&) const = default;
};

// Visible columns (cx) and lines (cy) of an editor view.
struct TViewSize {
    int32_t cx = 0;
    int32_t cy = 0;
    bool operator==(const TViewSize&) const = default;
};

// Key code in the low byte, modifier bits above (the shortcut codec of
// platform/ui converts it); 0 is no shortcut.
using TShortCut = uint16_t;

// File events of the add-in notifier, numbered as the IDE numbers them.
enum TFileNotification : int32_t {
    fnFileOpening = 0,
    fnFileOpened = 1,
    fnFileClosing = 2,
    fnProjectOpening = 3,
    fnProjectOpened = 4,
    fnProjectClosing = 5,
    fnAddedToProject = 6,
    fnRemovedFromProject = 7,
    fnDefaultDesktopLoad = 8,
    fnDefaultDesktopSave = 9,
    fnProjectDesktopLoad = 10,
    fnProjectDesktopSave = 11,
    fnPackageInstalled = 12,
    fnPackageUninstalled = 13,
};

// Menu item flags: a set, one bit per flag (enabled + visible = 6).
using TIMenuFlags = uint8_t;
inline constexpr TIMenuFlags mfInvalid = 1 << 0;
inline constexpr TIMenuFlags mfEnabled = 1 << 1;
inline constexpr TIMenuFlags mfVisible = 1 << 2;
inline constexpr TIMenuFlags mfChecked = 1 << 3;
inline constexpr TIMenuFlags mfBreak = 1 << 4;
inline constexpr TIMenuFlags mfBarBreak = 1 << 5;
inline constexpr TIMenuFlags mfRadioItem = 1 << 6;

// Expert style and state.
enum TExpertStyle : int32_t { esStandard = 0, esForm = 1, esProject = 2, esAddIn = 3 };
using TExpertState = uint8_t;
inline constexpr TExpertState esEnabled = 1 << 0;
inline constexpr TExpertState esChecked = 1 << 1;

// ---- Expert -------------------------------------------------------------------

// Base of a library expert. After registration the host asks, in slot
// order, GetName, GetAuthor, GetComment, GetPage, GetGlyph, GetStyle,
// GetState, GetIDString and GetMenuText.
class TIExpert : public IUnknown {
public:
    virtual std::string GetName() = 0;
    virtual std::string GetAuthor() = 0;
    virtual std::string GetComment() = 0;
    virtual std::string GetPage() = 0;
    virtual intptr_t GetGlyph() = 0;  // 0: none
    virtual TExpertStyle GetStyle() = 0;
    virtual TExpertState GetState() = 0;
    virtual std::string GetIDString() = 0;
    virtual std::string GetMenuText() = 0;
    virtual void Execute() = 0;
};

// ---- Editor buffer --------------------------------------------------------------

class TIEditReader : public IUnknown {
public:
    // Copies up to Count bytes from the 0-based Position into Buffer and
    // answers how many (0 at or beyond the end).
    virtual int32_t GetText(int32_t Position, char* Buffer, int32_t Count) = 0;
};

// An undoable writer walks the buffer once from position 0; everything it
// does until it is released is one undo step. Positions are 0-based offsets
// into the buffer as it was when the writer was created; they never go back
// (a position behind the current one raises Exception). Text behind the last
// position passed stays as it is.
class TIEditWriter : public IUnknown {
public:
    // Keeps the text from the current position up to, not including, Position.
    virtual bool CopyTo(int32_t Position) = 0;
    // Drops the text from the current position up to, not including, Position.
    virtual bool DeleteTo(int32_t Position) = 0;
    // Inserts Text at the current position.
    virtual bool Insert(std::string_view Text) = 0;
    // The current position in the original buffer.
    virtual int32_t Position() = 0;
};

class TIEditView : public IUnknown {
public:
    virtual TEditPos GetCursorPos() = 0;
    virtual void SetCursorPos(const TEditPos& Pos) = 0;
    // The first visible line and column.
    virtual TEditPos GetTopPos() = 0;
    virtual void SetTopPos(const TEditPos& Pos) = 0;
    virtual TViewSize GetViewSize() = 0;
};

class TIEditorInterface : public IUnknown {
public:
    virtual std::string FileName() = 0;
    virtual int32_t GetViewCount() = 0;
    // Index 0 is the first view; null for an index out of range.
    virtual ComPtr<TIEditView> GetView(int32_t Index) = 0;
    virtual ComPtr<TIEditReader> CreateReader() = 0;
    virtual ComPtr<TIEditWriter> CreateUndoableWriter() = 0;
};

class TIModuleInterface : public IUnknown {
public:
    // Null when the module has no editor.
    virtual ComPtr<TIEditorInterface> GetEditorInterface() = 0;
    // Saves the module's buffer to its file; false on failure.
    virtual bool Save() = 0;
    virtual bool Close() = 0;
};

// ---- Menus ------------------------------------------------------------------------

class TIMenuItemIntf;

// The click handler of a menu item; Sender is the clicked item.
using TIMenuClickEvent = std::function<void(TIMenuItemIntf* Sender)>;

class TIMenuItemIntf : public IUnknown {
public:
    // Removes the item and its children from the menu. The interface stays
    // valid; it then answers as an item without parent or children.
    virtual bool DestroyMenuItem() = 0;
    // Position among its siblings; -1 when it has no parent.
    virtual int32_t GetIndex() = 0;
    virtual int32_t GetItemCount() = 0;
    // Null for an index out of range.
    virtual ComPtr<TIMenuItemIntf> GetItem(int32_t Index) = 0;
    virtual ComPtr<TIMenuItemIntf> GetParent() = 0;
    virtual std::string GetName() = 0;
    virtual std::string GetCaption() = 0;
    virtual bool SetCaption(const std::string& Caption) = 0;
    virtual std::string GetHint() = 0;
    virtual TShortCut GetShortCut() = 0;
    virtual bool SetShortCut(TShortCut ShortCut) = 0;
    virtual TIMenuFlags GetFlags() = 0;
    // Sets the flags in Mask to their values in Flags.
    virtual bool SetFlags(TIMenuFlags Mask, TIMenuFlags Flags) = 0;
    virtual int32_t GetContext() = 0;
    virtual int32_t GetGroupIndex() = 0;
    // Inserts a child at Index (0 .. item count; beyond the end appends) and
    // answers it. A flag set without mfVisible makes a hidden item whose
    // shortcut still works while it is enabled.
    virtual ComPtr<TIMenuItemIntf> InsertItem(int32_t Index, const std::string& Caption, const std::string& Name,
                                              const std::string& Hint, TShortCut ShortCut, int32_t Context,
                                              int32_t GroupIndex, TIMenuFlags Flags,
                                              TIMenuClickEvent EventHandler) = 0;
};

class TIMainMenuIntf : public IUnknown {
public:
    // The menu bar's item: its children are the top-level menus.
    virtual ComPtr<TIMenuItemIntf> GetMenuItems() = 0;
    // An item anywhere in the menu by its component name (ASCII letters
    // folded); null when there is none.
    virtual ComPtr<TIMenuItemIntf> FindMenuItem(const std::string& Name) = 0;
};

// ---- Notifier -----------------------------------------------------------------

class TIAddInNotifier : public IUnknown {
public:
    // Cancel set by an Opening or Closing event stops the open or close.
    virtual void FileNotification(TFileNotification NotifyCode, const std::string& FileName, bool& Cancel) = 0;
};

// ---- Tool services ----------------------------------------------------------------

class TIToolServices : public IUnknown {
public:
    // Registers a library expert; the host keeps a reference until the
    // package that registered it is unloaded, and asks its slot questions.
    virtual bool RegisterLibraryExpert(const ComPtr<TIExpert>& Expert) = 0;

    // The file of the active editor; empty when none is open.
    virtual std::string GetCurrentFile() = 0;
    virtual bool IsFileOpen(const std::string& FileName) = 0;
    // Opens the file in an editor (or makes it the active one); false when
    // it cannot be read.
    virtual bool OpenFile(const std::string& FileName) = 0;
    // Closes the file's editor; a modified buffer asks to save first. False
    // when the file is not open or closing was cancelled.
    virtual bool CloseFile(const std::string& FileName) = 0;
    virtual bool SaveFile(const std::string& FileName) = 0;
    // The module of an open file; null when the file is not open.
    virtual ComPtr<TIModuleInterface> GetModuleInterface(const std::string& FileName) = 0;

    // Path of the project file; empty when no project is open.
    virtual std::string GetProjectName() = 0;
    virtual int32_t GetUnitCount() = 0;
    // Path of the project's unit Index; empty out of range.
    virtual std::string GetUnitName(int32_t Index) = 0;
    virtual bool OpenProject(const std::string& ProjName) = 0;
    virtual bool CloseProject() = 0;

    virtual ComPtr<TIMainMenuIntf> GetMainMenu() = 0;

    // The host holds a reference to the notifier until RemoveNotifier.
    virtual bool AddNotifier(const ComPtr<TIAddInNotifier>& AddInNotifier) = 0;
    virtual bool RemoveNotifier(const ComPtr<TIAddInNotifier>& AddInNotifier) = 0;

    // Shows the message as an IDE error; returns to the caller.
    virtual void RaiseException(const std::string& Message) = 0;
};

// The message of the exception being handled (call it inside a catch
// block); the exception is released when the handler ends.
inline std::string ReleaseException() {
    const std::exception_ptr current = std::current_exception();
    if (!current) return {};
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

// A counted object for implementing the interfaces above: it frees itself
// when the last reference goes. Answers IID_IUnknown only.
template <class Intf>
class TInterfacedObject : public Intf {
public:
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (iid == IID_IUnknown) {
            *obj = static_cast<IUnknown*>(this);
            _AddRef();
            return S_OK;
        }
        *obj = nullptr;
        return E_NOINTERFACE;
    }
    int32_t _AddRef() override { return ++RefCount_; }
    int32_t _Release() override {
        const int32_t n = --RefCount_;
        if (n == 0) delete this;
        return n;
    }
    int32_t RefCount() const { return RefCount_; }

private:
    int32_t RefCount_ = 0;
};

}  // namespace velt
