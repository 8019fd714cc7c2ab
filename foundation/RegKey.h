#pragma once
// A settings key kept in the registry (platform/registry/Registry.h).
//
//   TKey* k = (new TRegistryKey(winreg::HKEY_CURRENT_USER))
//                 ->SubKey("Software\\Trel\\VELT Services for Delphi\\Loom/2 Services");
//   int v = k->GetAsInteger("CaseSensitive", v);
//   delete k;
//
// Strings are stored as REG_SZ (with their NUL), integers and Booleans as
// REG_DWORD, so a Boolean reads back as the integer 0 or 1.

#include "foundation/RegKeys.h"
#include "platform/registry/Registry.h"

namespace velt {

class TRegistryKey : public TKey {
public:
    // KeyHandle := rootKey (usually a predefined root), Access := KEY_ALL_ACCESS.
    explicit TRegistryKey(winreg::HKEY rootKey);
    // Closes KeyHandle.
    ~TRegistryKey() override;
    std::string ClassName() const override { return "TRegistryKey"; }

    // A failed delete is ignored.
    void DoDeleteValue(const std::string& name) override;
    // Numbered error 81000026 for a kind other than string, integer or
    // Boolean; "Win32 error: N" when the registry refuses the write.
    void DoSetValue(const std::string& name, TVRec* value) override;
    // Null when there is no such value; a string value for REG_SZ and
    // REG_EXPAND_SZ (up to the first NUL, not expanded), an integer value for
    // a 4-byte REG_DWORD; numbered error 81000027 for anything else.
    TVRec* DoGetValue(const std::string& name) override;
    bool SubKeyExists(const std::string& name) override;
    // Opens or creates the sub key (a "\"-separated path) with this key's
    // Access; "Win32 error: N" on failure. The new key's Name stays empty.
    TKey* CreateSubKey(const std::string& name) override;
    // A failed delete (missing key, key with sub keys) is ignored.
    void DeleteSubKey(const std::string& name) override;
    TStringList* EnumSubKeys() override;
    // True when DoGetValue answers a value: a value of a type that cannot be
    // read raises numbered error 81000027, as reading it does.
    bool ValueExists(const std::string& name) override;

    winreg::HKEY KeyHandle{};
};

}  // namespace velt
