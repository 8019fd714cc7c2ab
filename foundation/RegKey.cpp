#include "foundation/RegKey.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/SysExcpt.h"

namespace velt {

using namespace winreg;

TRegistryKey::TRegistryKey(HKEY rootKey) : KeyHandle(rootKey) { Access = KEY_ALL_ACCESS; }

TRegistryKey::~TRegistryKey() { RegCloseKey(KeyHandle); }

void TRegistryKey::DoDeleteValue(const std::string& name) { RegDeleteValueA(KeyHandle, name.c_str()); }

void TRegistryKey::DoSetValue(const std::string& name, TVRec* value) {
    std::string data;
    uint32_t type;
    auto putDword = [&](uint32_t v) {
        data.assign({char(v & 0xff), char(v >> 8 & 0xff), char(v >> 16 & 0xff), char(v >> 24 & 0xff)});
        type = REG_DWORD;
    };
    if (!value) SysError(seRegistryCannotWrite);
    switch (value->Kind) {
        case vkString:
            data = value->StrValue;
            data += '\0';
            type = REG_SZ;
            break;
        case vkInteger: putDword(uint32_t(value->Value.I)); break;
        case vkBoolean: putDword(value->Value.B ? 1 : 0); break;
        default: SysError(seRegistryCannotWrite);
    }
    // A lost setting must not pass in silence.
    Check32Zero(RegSetValueExA(KeyHandle, name.c_str(), 0, type,
                               reinterpret_cast<const uint8_t*>(data.data()), uint32_t(data.size())));
}

TVRec* TRegistryKey::DoGetValue(const std::string& name) {
    uint32_t type = 0, size = 0;
    std::vector<uint8_t> buf;
    // Another process may change the value between the two queries: ask again
    // for the new size while it keeps growing.
    for (;;) {
        if (RegQueryValueExA(KeyHandle, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return nullptr;
        buf.assign(size ? size : 1, 0);
        int32_t st = RegQueryValueExA(KeyHandle, name.c_str(), nullptr, &type, buf.data(), &size);
        if (st == ERROR_SUCCESS) break;
        if (st != ERROR_MORE_DATA) return nullptr;
    }
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            const char* p = reinterpret_cast<const char*>(buf.data());
            // Up to the first NUL, never past the data.
            size_t len = std::find(p, p + size, '\0') - p;
            return TVRec::CreateString(std::string_view(p, len));
        }
        case REG_DWORD:
            if (size == 4) {
                int32_t v;
                std::memcpy(&v, buf.data(), 4);
                return TVRec::CreateInteger(v);
            }
            break;
    }
    SysError(seRegistryCannotRead);
}

bool TRegistryKey::SubKeyExists(const std::string& name) {
    HKEY probe{};
    if (RegOpenKeyExA(KeyHandle, name.c_str(), 0, KEY_READ, &probe) != ERROR_SUCCESS) return false;
    RegCloseKey(probe);
    return true;
}

TKey* TRegistryKey::CreateSubKey(const std::string& name) {
    HKEY h{};
    Check32Zero(RegCreateKeyExA(KeyHandle, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr,
                                &h, nullptr));
    auto* key = new TRegistryKey(h);
    key->Access = Access;
    return key;
}

void TRegistryKey::DeleteSubKey(const std::string& name) { RegDeleteKeyA(KeyHandle, name.c_str()); }

TStringList* TRegistryKey::EnumSubKeys() {
    auto list = std::make_unique<TStringList>();
    // Room for the longest key name the registry allows, so no name ends the list early.
    char name[kMaxKeyNameLength + 1];
    for (uint32_t i = 0;; ++i) {
        uint32_t size = sizeof name;
        if (RegEnumKeyExA(KeyHandle, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        list->Add(std::string(name, size));
    }
    return list.release();
}

bool TRegistryKey::ValueExists(const std::string& name) {
    return bool(TVRecRef(DoGetValue(name)));
}

}  // namespace velt
