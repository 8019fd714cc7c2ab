#pragma once
// A stand-in for the Win32 registry calls the settings store is written
// against. Two roots are backed by files: HKEY_CURRENT_USER by "HKCU.reg" and
// HKEY_LOCAL_MACHINE by "HKLM.reg", in $VELT_REGISTRY_DIR, else
// $XDG_CONFIG_HOME/velt, else $HOME/.config/velt. Every call reads the file
// afresh, so other processes' writes are seen at once; every change re-reads
// the file under an exclusive flock on "<file>.lock" and replaces it through a
// temporary file and a rename, so concurrent writers lose nothing and readers
// never see half a file.
//
// Key and value names fold ASCII case and keep the spelling they were created
// with. Key paths are split only on "\" ("Loom/2 Services" is one key).
// A handle names its key by path: if another process deletes the key, calls
// on the handle answer ERROR_KEY_DELETED.

#include <cstdint>
#include <string>

#include "platform/registry/RegistryFile.h"

namespace velt::winreg {

enum class HKEY : uintptr_t {};
using REGSAM = uint32_t;

struct FILETIME {
    uint32_t dwLowDateTime = 0;
    uint32_t dwHighDateTime = 0;
};

inline constexpr HKEY HKEY_CLASSES_ROOT = HKEY(0x80000000u);
inline constexpr HKEY HKEY_CURRENT_USER = HKEY(0x80000001u);
inline constexpr HKEY HKEY_LOCAL_MACHINE = HKEY(0x80000002u);
inline constexpr HKEY HKEY_USERS = HKEY(0x80000003u);
inline constexpr HKEY HKEY_PERFORMANCE_DATA = HKEY(0x80000004u);
inline constexpr HKEY HKEY_CURRENT_CONFIG = HKEY(0x80000005u);
inline constexpr HKEY HKEY_DYN_DATA = HKEY(0x80000006u);

// Status codes.
inline constexpr int32_t ERROR_SUCCESS = 0;
inline constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr int32_t ERROR_BAD_PATHNAME = 161;
inline constexpr int32_t ERROR_MORE_DATA = 234;
inline constexpr int32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr int32_t ERROR_CANTREAD = 1012;
inline constexpr int32_t ERROR_CANTWRITE = 1013;
inline constexpr int32_t ERROR_KEY_DELETED = 1018;

// Value types.
inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t REG_MULTI_SZ = 7;

// Access rights of a handle.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_EXECUTE = 0x20019;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Options and dispositions of RegCreateKeyExA.
inline constexpr uint32_t REG_OPTION_NON_VOLATILE = 0;
inline constexpr uint32_t REG_OPTION_VOLATILE = 1;  // not supported: ERROR_INVALID_PARAMETER
inline constexpr uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr uint32_t REG_OPENED_EXISTING_KEY = 2;

// Sub key paths may hold several "\"-separated components; an empty or null
// path means the key itself. Empty components (leading or doubled "\") give
// ERROR_BAD_PATHNAME, a trailing "\" is ignored. A null value name is the
// key's default value. Handles carry the access they were opened with:
// reading values needs KEY_QUERY_VALUE, writing or deleting them
// KEY_SET_VALUE, creating sub keys KEY_CREATE_SUB_KEY, listing them
// KEY_ENUMERATE_SUB_KEYS (ERROR_ACCESS_DENIED otherwise). Roots other than
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE are ERROR_INVALID_HANDLE. I/O
// failures are ERROR_CANTREAD / ERROR_CANTWRITE.

int32_t RegOpenKeyExA(HKEY key, const char* subKey, uint32_t options, REGSAM desired, HKEY* result);
int32_t RegCreateKeyExA(HKEY key, const char* subKey, uint32_t reserved, char* className,
                        uint32_t options, REGSAM desired, const void* securityAttributes,
                        HKEY* result, uint32_t* disposition);
// Closing a predefined root succeeds and does nothing.
int32_t RegCloseKey(HKEY key);
int32_t RegSetValueExA(HKEY key, const char* valueName, uint32_t reserved, uint32_t type,
                       const uint8_t* data, uint32_t size);
// Without data: the size in *size. With data: ERROR_MORE_DATA and the needed
// size when *size is too small, else the bytes and their count.
int32_t RegQueryValueExA(HKEY key, const char* valueName, uint32_t* reserved, uint32_t* type,
                         uint8_t* data, uint32_t* size);
int32_t RegDeleteValueA(HKEY key, const char* valueName);
// Deletes the last key of the path; a key that still has sub keys is not
// deleted (ERROR_ACCESS_DENIED).
int32_t RegDeleteKeyA(HKEY key, const char* subKey);
// Sub keys in ASCII case-insensitive order. *nameSize: buffer size in
// characters with the NUL; on return the length without it. A name that does
// not fit gives ERROR_MORE_DATA; past the last key ERROR_NO_MORE_ITEMS.
int32_t RegEnumKeyExA(HKEY key, uint32_t index, char* name, uint32_t* nameSize, uint32_t* reserved,
                      char* className, uint32_t* classSize, FILETIME* lastWriteTime);

inline constexpr auto& RegOpenKeyEx = RegOpenKeyExA;
inline constexpr auto& RegCreateKeyEx = RegCreateKeyExA;
inline constexpr auto& RegSetValueEx = RegSetValueExA;
inline constexpr auto& RegQueryValueEx = RegQueryValueExA;
inline constexpr auto& RegDeleteValue = RegDeleteValueA;
inline constexpr auto& RegDeleteKey = RegDeleteKeyA;
inline constexpr auto& RegEnumKeyEx = RegEnumKeyExA;

// The folder of the root files, as it is resolved now (with a trailing '/'),
// and the file of a root ("" for a root without a file).
std::string RegistryFolder();
std::string RegistryFileName(HKEY root);

}  // namespace velt::winreg
