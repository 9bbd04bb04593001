#include "settings/known_files.h"

#include "core/text.h"

namespace qm {

EntryNameIssuer::EntryNameIssuer(const std::vector<std::string>& listed,
                                 ReservedEntryNames& reserved)
    : reserved_(reserved) {
    // Key names ignore case: a listed "FILE2" is the entry "file2".
    for (const auto& name : listed)
        listed_.insert(UpperCase(name));
}

std::string EntryNameIssuer::Next() {
    for (;; ++next_) {
        std::string candidate = "file" + std::to_string(next_);
        if (listed_.contains(UpperCase(candidate)) || reserved_.Contains(candidate))
            continue;
        ++next_;
        reserved_.Add(candidate);
        return candidate;
    }
}

std::vector<std::string> SubkeyNames(SettingsStore& store, RegistryRoot root,
                                     std::string_view keyPath) {
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t index = 0; store.EnumKey(root, keyPath, index, name) != kNoMoreItems;
         ++index)
        names.push_back(name);
    return names;
}

std::string NewFileKey(SettingsStore& store, RegistryRoot root, std::string_view keyPath,
                       ReservedEntryNames& reserved) {
    return EntryNameIssuer(SubkeyNames(store, root, keyPath), reserved).Next();
}

} // namespace qm
