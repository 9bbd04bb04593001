#pragma once
// The known-files list: one subkey "file<n>" per configuration file under the user key.
#include "settings/settings_store.h"

#include <string>
#include <vector>

namespace qm {

// Every entry name NewFileKey issued during this run; such a name is never issued twice in
// one run, even while its subkey does not exist yet.
class ReservedEntryNames {
public:
    bool Contains(const std::string& name) const;
    void Add(std::string name);

private:
    std::vector<std::string> names_;
};

// A fresh entry name "file<n>" (smallest n that is neither an existing subkey of keyPath nor
// reserved); reserves it. Creates nothing in the store.
std::string NewFileKey(SettingsStore& store, RegistryRoot root, std::string_view keyPath,
                       ReservedEntryNames& reserved);

} // namespace qm
