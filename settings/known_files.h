#pragma once
// The known-files list: one subkey "file<n>" per configuration file under the user key.
#include "core/file_system.h"
#include "core/text.h"
#include "settings/settings_store.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qm {

// Every entry name issued during this run; such a name is never issued twice in one run, even
// while its subkey does not exist yet.
class ReservedEntryNames {
public:
    bool Contains(const std::string& name) const { return names_.contains(name); }
    void Add(std::string name) { names_.insert(std::move(name)); }
    void Remove(const std::string& name) { names_.erase(name); }

private:
    std::unordered_set<std::string> names_;
};

// Issues fresh entry names from one listing of the list's subkeys: the smallest "file<n>" that
// is neither listed (in any case) nor reserved; each name issued is reserved. The listing is
// not read again, so a synchronisation issuing a name per new file lists the subkeys once.
class EntryNameIssuer {
public:
    EntryNameIssuer(const std::vector<std::string>& listed, ReservedEntryNames& reserved);
    std::string Next();

private:
    std::unordered_set<std::string> listed_; // upper-cased
    ReservedEntryNames& reserved_;
    // Every number below it is taken.
    unsigned long next_ = 1;
};

// The names of the subkeys of keyPath, in the store's order.
std::vector<std::string> SubkeyNames(SettingsStore& store, RegistryRoot root,
                                     std::string_view keyPath);

// A fresh entry name for one new entry, from a listing of the subkeys of keyPath as they are
// now; reserves it. Creates nothing in the store.
std::string NewFileKey(SettingsStore& store, RegistryRoot root, std::string_view keyPath,
                       ReservedEntryNames& reserved);

// A known file: its entry name and the "path" of its entry.
struct KnownFile {
    std::string Entry;
    std::string Path;
};

// "Software\Vantrel\user\" + entry: the key of one known file.
std::string EntryKey(std::string_view entry);

// The known-files list as stored now, in the store's order.
std::vector<KnownFile> KnownFiles(SettingsStore& store);
// The known file with this path, if any.
std::optional<KnownFile> FindKnownFile(SettingsStore& store, std::string_view path);
// Writes "path" and "icon path" of an entry.
void WriteKnownFile(SettingsStore& store, std::string_view entry, std::string_view path,
                    std::string_view iconPath);

// The start-up listing of both programs: every "*.qmf" file of `folder` gets an entry (path
// and icon path = the file) unless one has its path; later entries with the path of an earlier
// one are deleted; entries whose file is gone are deleted. Returns the surviving entries, one
// per file, in the store's order.
std::vector<KnownFile> SynchroniseKnownFiles(SettingsStore& store, FileSystem& files,
                                             const std::string& folder,
                                             ReservedEntryNames& reserved);

} // namespace qm
