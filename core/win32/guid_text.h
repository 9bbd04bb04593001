#pragma once
// GUIDs as text: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", the form device identities take.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace qm::win32 {

// Upper-case hex, as device identities are written.
std::string FormatInstanceGuid(const GUID& guid);
// The inverse, hex digits of either case; nullopt for anything else.
std::optional<GUID> ParseInstanceGuid(std::string_view text);

} // namespace qm::win32
