#pragma once
// Readable names of interfaces by GUID, for what a window manager logs and
// shows: a process-wide list filled with the form framework's interfaces on
// first use.

#include <string>
#include <string_view>

#include "foundation/Classes.h"

namespace velt {

// {F703E954-EBA2-11D0-B044-0000B46A6442}
inline constexpr Guid IID_IWindowManagerBorlandFormsSink{
    0xF703E954, 0xEBA2, 0x11D0, {0xB0, 0x44, 0x00, 0x00, 0xB4, 0x6A, 0x64, 0x42}};
// {F703E951-EBA2-11D0-B044-0000B46A6442}
inline constexpr Guid IID_IWindowManagerSink{0xF703E951, 0xEBA2, 0x11D0, {0xB0, 0x44, 0x00, 0x00, 0xB4, 0x6A, 0x64, 0x42}};
// {2F7FD143-E3CB-11D0-B038-0000B46A6442}
inline constexpr Guid IID_IMainForm{0x2F7FD143, 0xE3CB, 0x11D0, {0xB0, 0x38, 0x00, 0x00, 0xB4, 0x6A, 0x64, 0x42}};
// {2F7FD141-E3CB-11D0-B038-0000B46A6442}
inline constexpr Guid IID_IWindowManager{0x2F7FD141, 0xE3CB, 0x11D0, {0xB0, 0x38, 0x00, 0x00, 0xB4, 0x6A, 0x64, 0x42}};
// {2F7FD142-E3CB-11D0-B038-0000B46A6442}
inline constexpr Guid IID_IGenericTirneForm{0x2F7FD142, 0xE3CB, 0x11D0, {0xB0, 0x38, 0x00, 0x00, 0xB4, 0x6A, 0x64, 0x42}};
// {10EE4662-EE0C-11D0-B04A-0000B46A6442}: declared, never registered.
inline constexpr Guid IID_ICoObjectForm{0x10EE4662, 0xEE0C, 0x11D0, {0xB0, 0x4A, 0x00, 0x00, 0xB4, 0x6A, 0x64, 0x42}};

// Appends the pair; an earlier entry of the same GUID keeps answering.
void RegisterGUIDName(const Guid& guid, std::string_view name);
// The name of the first entry with that GUID, else "".
std::string GUIDName(const Guid& guid);

}  // namespace velt
