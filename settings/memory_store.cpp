#include "settings/memory_store.h"

#include "core/text.h"

#include <algorithm>
#include <utility>

namespace qm {

namespace {

// Splits a key path into its components; false when the path is invalid. The empty path is
// the root itself.
bool SplitPath(std::string_view path, std::vector<std::string_view>& parts) {
    parts.clear();
    if (path.size() > 1 && path.back() == '\\')
        path.remove_suffix(1);
    if (path.empty())
        return true;
    for (;;) {
        const auto cut = path.find('\\');
        const auto part = path.substr(0, cut);
        if (part.empty())
            return false;
        parts.push_back(part);
        if (cut == std::string_view::npos)
            return true;
        path.remove_prefix(cut + 1);
    }
}

// The item (key or value) of that name, compared without regard to case.
template <typename Items> auto FindNamed(Items& items, std::string_view name) {
    return std::find_if(items.begin(), items.end(),
                        [name](const auto& item) { return EqualsIgnoreCase(item.Name, name); });
}

} // namespace

MemoryStore::Key* MemoryStore::RootOf(RegistryRoot root) {
    return const_cast<Key*>(std::as_const(*this).RootOf(root));
}

const MemoryStore::Key* MemoryStore::RootOf(RegistryRoot root) const {
    const auto index = static_cast<std::uint32_t>(root) - 0x80000000u;
    return index < roots_.size() ? &roots_[index] : nullptr;
}

const MemoryStore::Key* MemoryStore::Find(RegistryRoot root, std::string_view keyPath) const {
    const Key* key = RootOf(root);
    std::vector<std::string_view> parts;
    if (key == nullptr || !SplitPath(keyPath, parts))
        return nullptr;
    for (auto part : parts) {
        const auto it = FindNamed(key->Subkeys, part);
        if (it == key->Subkeys.end())
            return nullptr;
        key = &*it;
    }
    return key;
}

MemoryStore::Key* MemoryStore::Find(RegistryRoot root, std::string_view keyPath) {
    return const_cast<Key*>(std::as_const(*this).Find(root, keyPath));
}

MemoryStore::Key* MemoryStore::Create(RegistryRoot root, std::string_view keyPath) {
    Key* key = RootOf(root);
    std::vector<std::string_view> parts;
    if (key == nullptr || !SplitPath(keyPath, parts))
        return nullptr;
    for (auto part : parts) {
        auto it = FindNamed(key->Subkeys, part);
        if (it == key->Subkeys.end()) {
            key->Subkeys.push_back(Key{std::string(part), {}, {}});
            key = &key->Subkeys.back();
        } else {
            key = &*it;
        }
    }
    return key;
}

std::string MemoryStore::GetString(RegistryRoot root, std::string_view keyPath,
                                   std::string_view valueName) {
    const Key* key = Find(root, keyPath);
    if (key == nullptr)
        return {};
    const auto it = FindNamed(key->Values, valueName);
    if (it == key->Values.end())
        return {};
    return it->Text;
}

void MemoryStore::SaveString(RegistryRoot root, std::string_view keyPath,
                             std::string_view valueName, std::string_view text) {
    Key* key = Create(root, keyPath);
    if (key == nullptr)
        return;
    auto it = FindNamed(key->Values, valueName);
    if (it == key->Values.end())
        it = key->Values.insert(key->Values.end(), Value{std::string(valueName), {}});
    it->Text.assign(text);
    ++saveCount_;
}

void MemoryStore::DelSetting(RegistryRoot root, std::string_view keyPath,
                             std::string_view valueName) {
    Key* key = Find(root, keyPath);
    if (key == nullptr)
        return;
    const auto it = FindNamed(key->Values, valueName);
    if (it != key->Values.end())
        key->Values.erase(it);
}

void MemoryStore::DelKey(RegistryRoot root, std::string_view keyPath) {
    Key* parent = RootOf(root);
    std::vector<std::string_view> parts;
    if (parent == nullptr || !SplitPath(keyPath, parts) || parts.empty())
        return;
    const auto leaf = parts.back();
    parts.pop_back();
    for (auto part : parts) {
        auto it = FindNamed(parent->Subkeys, part);
        if (it == parent->Subkeys.end())
            return;
        parent = &*it;
    }
    const auto it = FindNamed(parent->Subkeys, leaf);
    if (it != parent->Subkeys.end() && it->Subkeys.empty())
        parent->Subkeys.erase(it);
}

long MemoryStore::EnumKey(RegistryRoot root, std::string_view keyPath, std::uint32_t index,
                          std::string& name) {
    if (index == 0)
        ++listingCount_;
    const Key* key = Find(root, keyPath);
    if (key == nullptr || index >= key->Subkeys.size()) {
        name.clear();
        return kNoMoreItems;
    }
    name = key->Subkeys[index].Name;
    return kEnumSuccess;
}

bool MemoryStore::KeyExists(RegistryRoot root, std::string_view keyPath) const {
    return Find(root, keyPath) != nullptr;
}

bool MemoryStore::ValueExists(RegistryRoot root, std::string_view keyPath,
                              std::string_view valueName) const {
    const Key* key = Find(root, keyPath);
    return key != nullptr && FindNamed(key->Values, valueName) != key->Values.end();
}

std::vector<std::string> MemoryStore::ValueNames(RegistryRoot root,
                                                 std::string_view keyPath) const {
    std::vector<std::string> names;
    if (const Key* key = Find(root, keyPath))
        for (const auto& value : key->Values)
            names.push_back(value.Name);
    return names;
}

std::vector<std::string> MemoryStore::SubkeyNames(RegistryRoot root,
                                                  std::string_view keyPath) const {
    std::vector<std::string> names;
    if (const Key* key = Find(root, keyPath))
        for (const auto& subkey : key->Subkeys)
            names.push_back(subkey.Name);
    return names;
}

} // namespace qm
