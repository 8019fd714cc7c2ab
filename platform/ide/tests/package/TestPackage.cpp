// A tiny package for the host's tests. It says what it does as console
// lines (through the message sink the test installs, which only works when
// host and package share one core), registers an expert, adds a notifier and
// a menu "Test<name>" before Help with a visible item and two hidden ones
// whose shortcuts write "// " + the item's name + CR LF at the start of the
// current file (Ctrl+Shift+L and Ctrl+D for package A, the next letters for B).
//
// PACKAGE_NAME names the package; PACKAGE_FAIL makes Register fail: 1 by
// answering 3, 2 by throwing.
#include <string>

#include "foundation/CommMsg.h"
#include "foundation/SysUtils.h"
#include "platform/ide/PackageEntry.h"

using namespace velt;

namespace {

const std::string Name = PACKAGE_NAME;

void Say(const std::string& what) { Q(Name + ": " + what); }

class TTestExpert final : public TInterfacedObject<TIExpert> {
public:
    ~TTestExpert() override { Say("expert released"); }
    std::string GetName() override { return "Test " + Name; }
    std::string GetAuthor() override { return "tests"; }
    std::string GetComment() override { return "a package for the host's tests"; }
    std::string GetPage() override { return "Projects"; }
    intptr_t GetGlyph() override { return 0; }
    TExpertStyle GetStyle() override { return esAddIn; }
    TExpertState GetState() override { return esEnabled; }
    std::string GetIDString() override { return "Tests." + Name; }
    std::string GetMenuText() override { return Name; }
    void Execute() override {}
};

class TTestNotifier final : public TInterfacedObject<TIAddInNotifier> {
public:
    void FileNotification(TFileNotification NotifyCode, const std::string& FileName, bool& Cancel) override {
        Say("event " + IntToStr(NotifyCode) + " " + FileName);
        if (FileName == CancelFile) Cancel = true;
    }
    std::string CancelFile = "cancel-me";
};

TIToolServices* ToolServices = nullptr;
ComPtr<TTestExpert> Expert;
ComPtr<TTestNotifier> Notifier;
ComPtr<TIMenuItemIntf> Menu;

void WriteMark(TIMenuItemIntf* sender) {
    const std::string file = ToolServices->GetCurrentFile();
    const ComPtr<TIModuleInterface> module = ToolServices->GetModuleInterface(file);
    if (!module) throw Exception("no module for " + file);
    const ComPtr<TIEditorInterface> editor = module->GetEditorInterface();
    const ComPtr<TIEditWriter> writer = editor->CreateUndoableWriter();
    writer->Insert("// " + sender->GetName() + "\r\n");
}

}  // namespace

VELT_PACKAGE_EXPORT int VeltPackageStartup(TIToolServices* services) {
    ToolServices = services;
    Expert = ComPtr<TTestExpert>(new TTestExpert);
    Say("startup");
    return 0;
}

VELT_PACKAGE_EXPORT int VeltPackageRegister(TIToolServices* services) {
    Say("register");
    if (PACKAGE_FAIL == 1) return 3;
    if (PACKAGE_FAIL == 2) throw Exception("register failed");
    services->RegisterLibraryExpert(Expert);
    Notifier = ComPtr<TTestNotifier>(new TTestNotifier);
    services->AddNotifier(Notifier);
    const ComPtr<TIMainMenuIntf> mainMenu = services->GetMainMenu();
    const ComPtr<TIMenuItemIntf> help = mainMenu->FindMenuItem("HelpMenu");
    Menu = mainMenu->GetMenuItems()->InsertItem(help->GetIndex(), "Test" + Name, "Test" + Name + "Menu", "", 0, 0,
                                                0, mfEnabled | mfVisible, nullptr);
    Menu->InsertItem(0, "Say " + Name, "Say" + Name, "", 0, 0, 0, mfEnabled | mfVisible,
                     [](TIMenuItemIntf* sender) { Say("clicked " + sender->GetName()); });
    const int letter = Name[0] - 'A';
    Menu->InsertItem(1, "Mark", "Mark" + Name, "", TShortCut(0x4000 | 0x2000 | ('L' + letter)), 0, 0, mfEnabled,
                     WriteMark);
    Menu->InsertItem(2, "Dup", "Dup" + Name, "", TShortCut(0x4000 | ('D' + letter)), 0, 0, mfEnabled, WriteMark);
    return 0;
}

VELT_PACKAGE_EXPORT int VeltPackageShutdown() {
    Say("shutdown");
    if (Notifier) ToolServices->RemoveNotifier(Notifier);
    Notifier.reset();
    if (Menu) Menu->DestroyMenuItem();
    Menu.reset();
    Expert.reset();
    ToolServices = nullptr;
    return 0;
}
