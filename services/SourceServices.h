#pragma once
// TSourceServices: the add-in expert of the main package. It owns the Forth
// interpreter and the source model, keeps its settings under the registry
// keys, and puts the "V&ELT" menu into the IDE's main menu: the items the
// command file registers (each runs a word on the editor buffer, see
// ExecForth) followed by the built-in commands.
//
// The road of one command: the hotkey runs ExecForth, which reads the
// current file's editor buffer into the model ("LoadFromIDE"), runs the
// item's word and writes the changed middle back as one undo step
// ("SaveToIDE"). A failure anywhere ends the command with one report
// through the IDE.
//
// Every click handler reports its failures through the IDE's
// RaiseException; nothing reaches the host's event loop.

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "forth/Forth.h"
#include "foundation/RegKeys.h"
#include "platform/ide/ToolsApi.h"
#include "source/HyperSourceCode.h"

namespace velt {

class TIEditorInterface;

// The registry keys of the main package.
inline constexpr char kSettingsKeyPath[] = "Software\\Trel\\VELT Services for Delphi\\Loom/2 Services";
inline constexpr char kProductKeyPath[] = "SOFTWARE\\Trel\\VELT Services for Delphi";
inline constexpr uint32_t kProductKeyAccess = 0x2001F;
// The demonstration build's product key.
inline constexpr char kDemoProductKeyPath[] = "SOFTWARE\\Trel\\RootDir";

// Enabled and visible (6); enabled only, a hidden item whose shortcut works (2).
inline constexpr TIMenuFlags kVisibleItem = mfEnabled | mfVisible;
inline constexpr TIMenuFlags kHiddenItem = mfEnabled;

class TSourceServices : public TInterfacedObject<TIExpert>, public TObject, public ForthObject {
public:
    static const ClassInfo& StaticForthClass();

    // Opens the keys, creates the model and the interpreter and registers
    // them as "SourceCode" and "Expert". Nothing is asked yet: see Startup.
    // The demonstration build (demo set) runs without the IDE: the host sets
    // MainMenu and VELTMenu, the root item the menu is built under and that
    // stays the host's, and answers LoadFromIDE and SaveToIDE itself.
    explicit TSourceServices(TIToolServices& tools, bool demo = false);
    ~TSourceServices() override;
    TSourceServices(const TSourceServices&) = delete;
    TSourceServices& operator=(const TSourceServices&) = delete;
    std::string ClassName() const override { return "TSourceServices"; }
    const ClassInfo* ForthClass() const override;
    bool Demo() const { return demo_; }

    // The second step of creation: without a command file name, the stored
    // settings are read, "VELT Forth file not found" is shown and the
    // options dialog opens.
    void Startup();

    // ---- TIExpert ----------------------------------------------------------------
    std::string GetName() override { return "SourceServices"; }
    std::string GetAuthor() override { return "Trel"; }
    std::string GetComment() override { return "Source code services of VELT"; }
    std::string GetPage() override { return "Projects"; }
    intptr_t GetGlyph() override { return 0; }
    TExpertStyle GetStyle() override { return esAddIn; }
    TExpertState GetState() override { return esEnabled; }
    std::string GetIDString() override { return "Varno.SourceServices"; }
    std::string GetMenuText() override { return "VELT"; }
    void Execute() override {}

    // ---- set-up -----------------------------------------------------------------
    // OpenRegistry, then Initialize.
    void InstallAddIn();
    // The six settings into the model and CommandFileName; a value of the
    // wrong kind keeps the current one and is reported on the console.
    void OpenRegistry();
    // The six settings, then the shortcut text of every named item of
    // MenusList under "Hotkeys".
    void SaveRegistry();
    // Loads the Classes Registry and the command file, inserts "V&ELT"
    // before the Help menu, runs "Startup" and appends the built-in items.
    // A missing or failing command file is reported; the menu is built all
    // the same.
    void Initialize();
    // Destroys the "V&ELT" menu (once) and forgets its items.
    void Finalize();
    // The welcome text and the news notice on the console.
    void WriteBanner();
    void WriteNews();

    // ---- menu handlers -------------------------------------------------------------
    // Reinitialize runs after the click has returned (its own item goes with
    // the old menu), or at once without an event loop.
    void ReinitializeClick(TIMenuItemIntf* Sender);
    void RegisterSourceClick(TIMenuItemIntf* Sender);
    void ReRegisterAllSourceClick(TIMenuItemIntf* Sender);
    void ShowDocWndClick(TIMenuItemIntf* Sender);
    void OptionsClick(TIMenuItemIntf* Sender);
    void ProjectTreeClick(TIMenuItemIntf* Sender);
    void ParletBureauClick(TIMenuItemIntf* Sender);
    // The click handler of every word item: LoadFromIDE on the current
    // file, the word named like the item, SaveToIDE.
    void ExecForth(TIMenuItemIntf* Sender);

    // ---- words ---------------------------------------------------------------------
    void LoadFromIDE(TForth& Sender);            // ( file -- )
    void SaveToIDE(TForth& Sender);              // ( -- )
    void LoadFromIDEOrFile(TForth& Sender);      // ( file -- text )
    void InputQueryWithHistory(TForth& Sender);  // ( name caption prompt default -- value )
    void RegisterHotkey(TForth& Sender);         // ( caption name shortcut flag -- )

    // The same from code.
    void LoadFromIDE(const std::string& fileName);
    void SaveToIDE();
    std::string LoadFromIDEOrFile(const std::string& fileName);
    std::string InputQueryWithHistory(const std::string& name, const std::string& caption, const std::string& prompt,
                                      const std::string& def);
    // An empty word name, or a shortcut text that is not empty and no
    // shortcut, makes no item and says so on the console.
    void RegisterHotkey(const std::string& caption, const std::string& name, const std::string& shortCut, bool visible);
    // Re-registers every unit of the Classes Registry; a failing unit is
    // reported and the rest go on. The registry is saved, then "Done.".
    void ReRegisterAllSource();
    // The tree text of the host's "AppBuilder"/"EditWindow_0" components,
    // saved as parletbureau.velt in the installation folder.
    void ParletBureau();
    // The file ParletBureau writes and the news file it reads.
    static std::string ParletBureauFileName();
    static std::string NewsFileName();

    // ---- state ------------------------------------------------------------------
    TForth& Forth() { return *forth_; }
    TIHyperSourceCode& SourceCode() { return *sourceCode_; }
    const std::string& LoadedText() const { return loadedText_; }
    int32_t LoadedLength() const { return int32_t(loadedText_.size()); }
    const std::string& GetCommandFileName() const { return commandFileName_; }
    void SetCommandFileName(const std::string& v) { commandFileName_ = v; }
    TKey& SettingsKey() { return *settingsKey_; }
    TKey& HotkeysKey() { return *hotkeysKey_; }
    TKey& ProductKey() { return *productKey_; }

    // The IDE's main menu, its item list and the "V&ELT" item (null while
    // no menu is installed), and the items this expert put into it, in
    // creation order.
    ComPtr<TIMainMenuIntf> MainMenu;
    ComPtr<TIMenuItemIntf> MenuItems;
    ComPtr<TIMenuItemIntf> VELTMenu;
    std::vector<ComPtr<TIMenuItemIntf>> MenusList;

private:
    struct TEditorAccess;
    // Module, editor and first view of an open file; a clear error when the
    // name is empty or the file is not open.
    TEditorAccess OpenEditor(const std::string& fileName);
    // The whole buffer, read in chunks, into text.
    void ReadBuffer(TIEditorInterface& editor, std::string& text);
    // ReadBuffer, cut after the final "end." and checked for the model;
    // answers its line count.
    int32_t ReadUnitText(TIEditorInterface& editor, const std::string& fileName, std::string& text);
    // Appends an item to "V&ELT" and to MenusList.
    ComPtr<TIMenuItemIntf> AppendItem(const std::string& caption, const std::string& name, TShortCut shortCut,
                                      TIMenuFlags flags, TIMenuClickEvent handler);
    void AppendBuiltInItems();
    // Runs f; a failure goes to the IDE's RaiseException.
    template <class F>
    void Guarded(F&& f);
    // A command of a menu item: Guarded, then the interpreter's stack is
    // emptied, whether it succeeded or not.
    template <class F>
    void Command(F&& f);
    void ReportCurrentException();

    // Destroys the items of the demonstration build's menu, not its root.
    void DestroyItems();

    TIToolServices& tools_;
    const bool demo_;
    std::unique_ptr<TKey> settingsKey_;
    std::unique_ptr<TKey> hotkeysKey_;
    std::unique_ptr<TKey> productKey_;
    std::unique_ptr<TIHyperSourceCode> sourceCode_;
    std::unique_ptr<TForth> forth_;
    std::string loadedText_;
    int32_t loadedLines_ = 0;  // the line count of loadedText_
    std::string commandFileName_;
    // The buffer text of the command being run (storage reused).
    std::string scratch_;
    // Context of the calls deferred to the event loop; they die with it.
    std::unique_ptr<QObject> deferred_;
};

// The exported single services object (null before start-up and after
// shut-down).
extern ComPtr<TSourceServices> SourceServices;

}  // namespace velt
