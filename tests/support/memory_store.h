#pragma once
// A test double of the settings store: an in-memory tree with the registry's semantics. Key
// and value names are compared without regard to case and keep the spelling they were created
// with; key paths are separated by "\" (one trailing "\" is allowed, an empty component anywhere
// else makes the path invalid: reads give nothing, writes do nothing). Subkeys enumerate in
// creation order.
#include "settings/settings_store.h"

#include <array>
#include <cstddef>
#include <string>
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
    bool KeyExists(RegistryRoot root, std::string_view keyPath) {
        return Walk(root, keyPath, false) != nullptr;
    }
    bool ValueExists(RegistryRoot root, std::string_view keyPath, std::string_view valueName);
    std::vector<std::string> ValueNames(RegistryRoot root, std::string_view keyPath);
    std::vector<std::string> SubkeyNames(RegistryRoot root, std::string_view keyPath);
    // SaveString calls that wrote a value.
    std::size_t SaveCount() const { return saveCount_; }
    // EnumKey calls at index 0: each begins a listing of a key's subkeys.
    std::size_t ListingCount() const { return listingCount_; }

private:
    struct Value {
        std::string Name, Text;
    };
    struct Key {
        std::string Name;
        std::vector<Value> Values;
        std::vector<Key> Subkeys;
    };
    // The key at the path, created along it when asked; null when missing or the path is invalid.
    Key* Walk(RegistryRoot root, std::string_view keyPath, bool create);

    std::array<Key, 3> roots_{};
    std::size_t saveCount_ = 0;
    std::size_t listingCount_ = 0;
};

} // namespace qm
