#pragma once
// An in-memory settings store with the registry's semantics, for tests and for running without
// a registry. Key and value names are compared without regard to case and keep the spelling
// they were created with; key paths are separated by "\" (one trailing "\" is allowed, an empty
// component anywhere else makes the path invalid: reads give nothing, writes do nothing).
// Subkeys enumerate in creation order.
#include "settings/settings_store.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class MemoryStore final : public SettingsStore {
public:
    std::string GetString(RegistryRoot root, std::string_view keyPath,
                          std::string_view valueName) override;
    void SaveString(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                    std::string_view text) override;
    void DelSetting(RegistryRoot root, std::string_view keyPath,
                    std::string_view valueName) override;
    void DelKey(RegistryRoot root, std::string_view keyPath) override;
    // On kNoMoreItems the name is emptied.
    long EnumKey(RegistryRoot root, std::string_view keyPath, std::uint32_t index,
                 std::string& name) override;

    // Inspection.
    bool KeyExists(RegistryRoot root, std::string_view keyPath) const;
    bool ValueExists(RegistryRoot root, std::string_view keyPath, std::string_view valueName) const;
    std::vector<std::string> ValueNames(RegistryRoot root, std::string_view keyPath) const;
    std::vector<std::string> SubkeyNames(RegistryRoot root, std::string_view keyPath) const;
    // SaveString calls that wrote a value.
    std::size_t SaveCount() const { return saveCount_; }
    // EnumKey calls at index 0: each begins a listing of a key's subkeys.
    std::size_t ListingCount() const { return listingCount_; }

private:
    struct Value {
        std::string Name;
        std::string Text;
    };
    struct Key {
        std::string Name;
        std::vector<Value> Values;
        std::vector<Key> Subkeys;
    };
    Key* RootOf(RegistryRoot root);
    const Key* RootOf(RegistryRoot root) const;
    const Key* Find(RegistryRoot root, std::string_view keyPath) const;
    Key* Find(RegistryRoot root, std::string_view keyPath);
    // The key, created along the path when missing; null for an invalid path.
    Key* Create(RegistryRoot root, std::string_view keyPath);

    std::array<Key, 3> roots_{};
    std::size_t saveCount_ = 0;
    std::size_t listingCount_ = 0;
};

} // namespace qm
