#pragma once
// A test double of the settings store with the registry's semantics: key and value names ignore
// case and keep the spelling they were created with; paths are separated by "\" (one trailing
// "\" is allowed, any other empty component makes the path invalid: reads give nothing, writes
// do nothing); subkeys enumerate in creation order.
#include "settings/settings_store.h"

#include <cstddef>
#include <string>
#include <utility>
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

    bool KeyExists(RegistryRoot root, std::string_view keyPath) { return Find(root, keyPath); }
    bool ValueExists(RegistryRoot root, std::string_view keyPath, std::string_view valueName);
    std::vector<std::string> ValueNames(RegistryRoot root, std::string_view keyPath);
    std::vector<std::string> SubkeyNames(RegistryRoot root, std::string_view keyPath);
    std::size_t SaveCount() const { return saveCount_; }
    // EnumKey calls at index 0: each begins a listing of a key's subkeys.
    std::size_t ListingCount() const { return listingCount_; }

private:
    struct Key {
        RegistryRoot Root;
        std::string Path;
        std::vector<std::pair<std::string, std::string>> Values; // name, text
    };
    // The key at the path, created (with the keys above it) when asked; null when missing or
    // the path is invalid.
    Key* Find(RegistryRoot root, std::string_view keyPath, bool create = false);

    std::vector<Key> keys_; // in creation order; a root is the key ""
    std::size_t saveCount_ = 0;
    std::size_t listingCount_ = 0;
};

} // namespace qm
