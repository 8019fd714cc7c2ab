#pragma once
// A settings key: a named node that holds named values (tagged values) and
// sub keys. TKey itself stores nothing; TRegistryKey (foundation/RegKey.h)
// keeps the values in the registry.

#include <cstdint>
#include <string>

#include "foundation/SysUtils.h"
#include "foundation/Types.h"

namespace velt {

class TStringList;

class TKey : public TObject {
public:
    TKey() = default;
    TKey(const TKey&) = delete;
    TKey& operator=(const TKey&) = delete;
    std::string ClassName() const override { return "TKey"; }

    // Stores Name.
    virtual void SetName(const std::string& name);
    virtual void DoDeleteValue(const std::string& name);
    virtual void DoSetValue(const std::string& name, TVRec* value);
    // A new value the caller releases, or null when there is none. The base
    // key has no values: it tells the user "??" and answers null.
    virtual TVRec* DoGetValue(const std::string& name);
    virtual bool SubKeyExists(const std::string& name);
    // A new key (owned by the caller) on the sub key, created when missing.
    virtual TKey* CreateSubKey(const std::string& name);
    virtual void DeleteSubKey(const std::string& name);
    // A new list (owned by the caller) of the sub key names.
    virtual TStringList* EnumSubKeys();
    virtual bool ValueExists(const std::string& name);

    // DoSetValue / DoDeleteValue; answer the key itself so calls chain.
    TKey* SetValue(const std::string& name, TVRec* value);
    TKey* DeleteValue(const std::string& name);
    // DoGetValue: the caller releases the value.
    TVRec* GetValue(const std::string& name);
    // The kind of an existing value; Exception when there is no value.
    int32_t GetValueType(const std::string& name);
    void SetVInteger(const std::string& name, int32_t value);
    void SetVString(const std::string& name, const std::string& value);
    // Default when there is no value; numbered error 81000025 when the value
    // is not of the integer (string) kind.
    int32_t GetAsInteger(const std::string& name, int32_t def);
    std::string GetAsString(const std::string& name, const std::string& def);
    // The value, or a new value with Dom(domain) when there is none; the
    // caller releases it.
    TVRec* GetValueAs(const std::string& name, int32_t domain);
    // CreateSubKey(name), then frees this key and answers the new one, so
    // that root->SubKey("A")->SubKey("B") leaves only the innermost key.
    // When CreateSubKey raises, this key stays alive. Keys must come from new.
    TKey* SubKey(const std::string& name);

    std::string Name;
    // Access mask used when sub keys are opened or created.
    uint32_t Access = 0;
};

}  // namespace velt
