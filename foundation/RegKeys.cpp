#include "foundation/RegKeys.h"

#include "foundation/Classes.h"
#include "foundation/CommMsg.h"
#include "foundation/SysExcpt.h"

namespace velt {

void TKey::SetName(const std::string& name) { Name = name; }

void TKey::DoDeleteValue(const std::string&) {}

void TKey::DoSetValue(const std::string&, TVRec*) {}

TVRec* TKey::DoGetValue(const std::string&) {
    Msg("??");
    return nullptr;
}

bool TKey::SubKeyExists(const std::string&) { return false; }

TKey* TKey::CreateSubKey(const std::string& name) {
    TKey* key = new TKey();
    key->SetName(name);
    return key;
}

void TKey::DeleteSubKey(const std::string&) {}

TStringList* TKey::EnumSubKeys() { return new TStringList(); }

bool TKey::ValueExists(const std::string& name) {
    TVRecRef v(DoGetValue(name));
    return v && v->Kind != -1;
}

TKey* TKey::SetValue(const std::string& name, TVRec* value) {
    DoSetValue(name, value);
    return this;
}

TKey* TKey::DeleteValue(const std::string& name) {
    DoDeleteValue(name);
    return this;
}

TVRec* TKey::GetValue(const std::string& name) { return DoGetValue(name); }

int32_t TKey::GetValueType(const std::string& name) {
    TVRecRef v(DoGetValue(name));
    if (!v) throw Exception("Settings value \"" + name + "\" does not exist");
    return v->Kind;
}

void TKey::SetVInteger(const std::string& name, int32_t value) {
    TVRecRef v(TVRec::CreateInteger(value));
    SetValue(name, v.get());
}

void TKey::SetVString(const std::string& name, const std::string& value) {
    TVRecRef v(TVRec::CreateString(value));
    SetValue(name, v.get());
}

int32_t TKey::GetAsInteger(const std::string& name, int32_t def) {
    TVRecRef v(DoGetValue(name));
    if (!v) return def;
    if (v->Kind != vkInteger) SysError(seSettingWrongKind);
    return v->Value.I;
}

std::string TKey::GetAsString(const std::string& name, const std::string& def) {
    TVRecRef v(DoGetValue(name));
    if (!v) return def;
    if (v->Kind != vkString) SysError(seSettingWrongKind);
    return v->StrValue;
}

TVRec* TKey::GetValueAs(const std::string& name, int32_t domain) {
    TVRec* v = DoGetValue(name);
    if (v) return v;
    v = TVRec::Create();
    v->Dom(domain);
    return v;
}

TKey* TKey::SubKey(const std::string& name) {
    TKey* key = CreateSubKey(name);
    delete this;
    return key;
}

}  // namespace velt
