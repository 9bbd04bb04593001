#include "support/memory_store.h"

#include "core/text.h"

#include <algorithm>

namespace qm {
namespace {

template <typename Items> auto Named(Items& items, std::string_view name) {
    return std::find_if(items.begin(), items.end(),
                        [name](const auto& item) { return EqualsIgnoreCase(item.Name, name); });
}

std::string_view WithoutTrailingSeparator(std::string_view path) {
    if (path.size() > 1 && path.back() == '\\')
        path.remove_suffix(1);
    return path;
}

} // namespace

MemoryStore::Key* MemoryStore::Walk(RegistryRoot root, std::string_view path, bool create) {
    const auto index = static_cast<std::uint32_t>(root) - 0x80000000u;
    path = WithoutTrailingSeparator(path);
    if (index >= roots_.size() || path.starts_with('\\') || path.find("\\\\") != path.npos)
        return nullptr;
    Key* key = &roots_[index];
    while (!path.empty()) {
        const auto part = path.substr(0, path.find('\\'));
        auto it = Named(key->Subkeys, part);
        if (it == key->Subkeys.end()) {
            if (!create)
                return nullptr;
            it = key->Subkeys.insert(key->Subkeys.end(), Key{std::string(part), {}, {}});
        }
        key = &*it;
        path.remove_prefix(std::min(part.size() + 1, path.size()));
    }
    return key;
}

std::string MemoryStore::GetString(RegistryRoot root, std::string_view keyPath,
                                   std::string_view valueName) {
    Key* key = Walk(root, keyPath, false);
    if (key == nullptr)
        return {};
    const auto it = Named(key->Values, valueName);
    return it == key->Values.end() ? std::string() : it->Text;
}

void MemoryStore::SaveString(RegistryRoot root, std::string_view keyPath,
                             std::string_view valueName, std::string_view text) {
    Key* key = Walk(root, keyPath, true);
    if (key == nullptr)
        return;
    if (const auto it = Named(key->Values, valueName); it != key->Values.end())
        it->Text = text;
    else
        key->Values.push_back({std::string(valueName), std::string(text)});
    ++saveCount_;
}

void MemoryStore::DelSetting(RegistryRoot root, std::string_view keyPath,
                             std::string_view valueName) {
    if (Key* key = Walk(root, keyPath, false))
        if (const auto it = Named(key->Values, valueName); it != key->Values.end())
            key->Values.erase(it);
}

void MemoryStore::DelKey(RegistryRoot root, std::string_view keyPath) {
    keyPath = WithoutTrailingSeparator(keyPath);
    const Key* key = Walk(root, keyPath, false);
    if (key == nullptr || keyPath.empty() || !key->Subkeys.empty())
        return;
    const auto cut = keyPath.rfind('\\');
    Key* parent = Walk(root, cut == keyPath.npos ? "" : keyPath.substr(0, cut), false);
    parent->Subkeys.erase(Named(parent->Subkeys, keyPath.substr(cut + 1)));
}

long MemoryStore::EnumKey(RegistryRoot root, std::string_view keyPath, std::uint32_t index,
                          std::string& name) {
    listingCount_ += index == 0;
    const Key* key = Walk(root, keyPath, false);
    if (key == nullptr || index >= key->Subkeys.size()) {
        name.clear();
        return kNoMoreItems;
    }
    name = key->Subkeys[index].Name;
    return kEnumSuccess;
}

bool MemoryStore::ValueExists(RegistryRoot root, std::string_view keyPath,
                              std::string_view valueName) {
    const Key* key = Walk(root, keyPath, false);
    return key != nullptr && Named(key->Values, valueName) != key->Values.end();
}

std::vector<std::string> MemoryStore::ValueNames(RegistryRoot root, std::string_view keyPath) {
    std::vector<std::string> names;
    if (const Key* key = Walk(root, keyPath, false))
        for (const auto& value : key->Values)
            names.push_back(value.Name);
    return names;
}

std::vector<std::string> MemoryStore::SubkeyNames(RegistryRoot root, std::string_view keyPath) {
    std::vector<std::string> names;
    if (const Key* key = Walk(root, keyPath, false))
        for (const auto& subkey : key->Subkeys)
            names.push_back(subkey.Name);
    return names;
}

} // namespace qm
