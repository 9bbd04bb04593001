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

    // What another tool may have left behind: a REG_DWORD value (read back as the decimal text
    // of the unsigned 32-bit number) and a value of a type the programs do not read (read back
    // as empty). Both create missing keys like SaveString.
    void SaveDword(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                   std::uint32_t number);
    void SaveBinary(RegistryRoot root, std::string_view keyPath, std::string_view valueName);

    // A root that refuses every write and delete (as HKEY_LOCAL_MACHINE does for a standard
    // user); reads still work.
    void SetWritable(RegistryRoot root, bool writable);

    // Inspection.
    bool KeyExists(RegistryRoot root, std::string_view keyPath) const;
    bool ValueExists(RegistryRoot root, std::string_view keyPath, std::string_view valueName) const;
    std::vector<std::string> ValueNames(RegistryRoot root, std::string_view keyPath) const;
    std::vector<std::string> SubkeyNames(RegistryRoot root, std::string_view keyPath) const;
    // SaveString calls that wrote a value.
    std::size_t SaveCount() const { return saveCount_; }

private:
    enum class ValueType { Text, Dword, Binary };
    struct Value {
        std::string Name;
        ValueType Type = ValueType::Text;
        std::string Text;
        std::uint32_t Number = 0;
    };
    struct Key {
        std::string Name;
        std::vector<Value> Values;
        std::vector<Key> Subkeys;
    };
    struct Root {
        Key Tree;
        bool Writable = true;
    };

    Root* RootOf(RegistryRoot root);
    const Root* RootOf(RegistryRoot root) const;
    const Key* Find(RegistryRoot root, std::string_view keyPath) const;
    Key* Find(RegistryRoot root, std::string_view keyPath);
    // The key, created along the path when missing; null for an invalid path or a read-only root.
    Key* Create(RegistryRoot root, std::string_view keyPath);
    Value* WritableValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName);

    std::array<Root, 3> roots_{};
    std::size_t saveCount_ = 0;
};

} // namespace qm
