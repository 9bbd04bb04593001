#pragma once
// Small text helpers shared by the core.
#include <string>
#include <string_view>

namespace qm {

// Trims spaces (only the space character, as the file format and identities use it).
std::string_view TrimSpaces(std::string_view s);

// ASCII case-insensitive equality.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Device identities are compared trimmed and without regard to case.
bool SameIdentity(std::string_view a, std::string_view b);

// ASCII upper case: the form names that ignore case are indexed by.
std::string UpperCase(std::string_view s);

// The form identities are indexed by: trimmed and upper-cased.
std::string IdentityKey(std::string_view identity);

// Replaces '"' by '\'' and control characters by a space: such text would break a line-based
// file or a quoted value.
std::string SanitizeText(std::string_view s);

// The file name of a path, without its folder.
std::string FileNameOf(std::string_view path);

} // namespace qm
