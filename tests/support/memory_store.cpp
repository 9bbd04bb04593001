#include "support/memory_store.h"

#include "core/text.h"

#include <algorithm>

namespace qm {
namespace {

auto Named(auto& values, std::string_view name) {
    return std::find_if(values.begin(), values.end(),
                        [name](const auto& v) { return EqualsIgnoreCase(v.first, name); });
}

// Whether `path` is a subkey of `parent` one level down.
bool ChildOf(std::string_view path, std::string_view parent) {
    if (!parent.empty()) {
        if (path.size() <= parent.size() + 1 || path[parent.size()] != '\\' ||
            !EqualsIgnoreCase(path.substr(0, parent.size()), parent))
            return false;
        path.remove_prefix(parent.size() + 1);
    }
    return !path.empty() && path.find('\\') == path.npos;
}

} // namespace

MemoryStore::Key* MemoryStore::Find(RegistryRoot root, std::string_view path, bool create) {
    if (path.size() > 1 && path.back() == '\\')
        path.remove_suffix(1);
    if (static_cast<std::uint32_t>(root) - 0x80000000u > 2 || path.starts_with('\\') ||
        path.find("\\\\") != path.npos)
        return nullptr;
    const auto at = [&](std::string_view p) {
        return std::find_if(keys_.begin(), keys_.end(), [&](const Key& k) {
            return k.Root == root && EqualsIgnoreCase(k.Path, p);
        });
    };
    for (std::size_t end = 0; create && end != path.npos; end = path.find('\\', end + 1))
        if (at(path.substr(0, end)) == keys_.end())
            keys_.push_back({root, std::string(path.substr(0, end)), {}});
    if (create && at(path) == keys_.end())
        keys_.push_back({root, std::string(path), {}});
    const auto it = at(path);
    return it == keys_.end() ? nullptr : &*it;
}

std::string MemoryStore::GetString(RegistryRoot root, std::string_view keyPath,
                                   std::string_view valueName) {
    if (const Key* key = Find(root, keyPath))
        if (const auto it = Named(key->Values, valueName); it != key->Values.end())
            return it->second;
    return {};
}

void MemoryStore::SaveString(RegistryRoot root, std::string_view keyPath,
                             std::string_view valueName, std::string_view text) {
    Key* key = Find(root, keyPath, true);
    if (key == nullptr)
        return;
    if (const auto it = Named(key->Values, valueName); it != key->Values.end())
        it->second = text;
    else
        key->Values.emplace_back(valueName, text);
    ++saveCount_;
}

void MemoryStore::DelSetting(RegistryRoot root, std::string_view keyPath,
                             std::string_view valueName) {
    if (Key* key = Find(root, keyPath))
        if (const auto it = Named(key->Values, valueName); it != key->Values.end())
            key->Values.erase(it);
}

void MemoryStore::DelKey(RegistryRoot root, std::string_view keyPath) {
    const Key* key = Find(root, keyPath);
    if (key != nullptr && !key->Path.empty() && SubkeyNames(root, key->Path).empty())
        keys_.erase(keys_.begin() + (key - keys_.data()));
}

long MemoryStore::EnumKey(RegistryRoot root, std::string_view keyPath, std::uint32_t index,
                          std::string& name) {
    listingCount_ += index == 0;
    const auto names = SubkeyNames(root, keyPath);
    name = index < names.size() ? names[index] : std::string();
    return index < names.size() ? kEnumSuccess : kNoMoreItems;
}

bool MemoryStore::ValueExists(RegistryRoot root, std::string_view keyPath,
                              std::string_view valueName) {
    const Key* key = Find(root, keyPath);
    return key != nullptr && Named(key->Values, valueName) != key->Values.end();
}

std::vector<std::string> MemoryStore::ValueNames(RegistryRoot root, std::string_view keyPath) {
    std::vector<std::string> names;
    if (const Key* key = Find(root, keyPath))
        for (const auto& value : key->Values)
            names.push_back(value.first);
    return names;
}

std::vector<std::string> MemoryStore::SubkeyNames(RegistryRoot root, std::string_view keyPath) {
    std::vector<std::string> names;
    const Key* parent = Find(root, keyPath);
    for (const auto& key : keys_)
        if (parent != nullptr && key.Root == root && ChildOf(key.Path, parent->Path))
            names.push_back(key.Path.substr(key.Path.rfind('\\') + 1));
    return names;
}

} // namespace qm
