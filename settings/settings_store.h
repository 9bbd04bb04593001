#pragma once
// The settings store seam: a hierarchical store of text values under three roots (the
// registry on Windows, an in-memory tree in tests). No operation reports a failure: a read
// gives the empty string, a write or delete silently does nothing.
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

enum class RegistryRoot : std::uint32_t {
    ClassesRoot = 0x80000000u,
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
};

inline constexpr long kEnumSuccess = 0;
inline constexpr long kNoMoreItems = 259; // ERROR_NO_MORE_ITEMS

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The value's text; a REG_DWORD as its decimal text; empty when missing or of another
    // type. An empty value name is the key's default value.
    virtual std::string GetString(RegistryRoot root, std::string_view keyPath,
                                  std::string_view valueName) = 0;
    // Creates missing keys along the path and writes the value as text.
    virtual void SaveString(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                            std::string_view text) = 0;
    virtual void DelSetting(RegistryRoot root, std::string_view keyPath,
                            std::string_view valueName) = 0;
    // Deletes the key unless it still has subkeys; a missing key is left missing.
    virtual void DelKey(RegistryRoot root, std::string_view keyPath) = 0;
    // The name of the subkey at a 0-based index: kEnumSuccess, or kNoMoreItems past the last
    // subkey or when the key cannot be opened.
    virtual long EnumKey(RegistryRoot root, std::string_view keyPath, std::uint32_t index,
                         std::string& name) = 0;
};

} // namespace qm
