#include "settings/known_files.h"

#include "core/text.h"

#include <algorithm>

namespace qm {

bool ReservedEntryNames::Contains(const std::string& name) const {
    return std::find(names_.begin(), names_.end(), name) != names_.end();
}

void ReservedEntryNames::Add(std::string name) {
    names_.push_back(std::move(name));
}

std::string NewFileKey(SettingsStore& store, RegistryRoot root, std::string_view keyPath,
                       ReservedEntryNames& reserved) {
    // The subkeys do not change while a name is chosen: enumerate them once.
    std::vector<std::string> existing;
    std::string name;
    for (std::uint32_t index = 0; store.EnumKey(root, keyPath, index, name) != kNoMoreItems;
         ++index)
        existing.push_back(name);

    for (unsigned long n = 1;; ++n) {
        std::string candidate = "file" + std::to_string(n);
        // Key names ignore case: an existing "FILE2" is the entry "file2".
        const bool taken = std::any_of(existing.begin(), existing.end(), [&](const auto& e) {
            return EqualsIgnoreCase(e, candidate);
        });
        if (taken || reserved.Contains(candidate))
            continue;
        reserved.Add(candidate);
        return candidate;
    }
}

} // namespace qm
