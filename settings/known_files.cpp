#include "settings/known_files.h"

#include "core/paths.h"
#include "core/text.h"
#include "settings/settings_table.h"

#include <algorithm>

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

namespace {
constexpr auto kUser = RegistryRoot::CurrentUser;

bool ContainsPath(const std::vector<std::string>& paths, std::string_view path) {
    return std::any_of(paths.begin(), paths.end(),
                       [&](const auto& p) { return SamePath(p, path); });
}
} // namespace

std::string EntryKey(std::string_view entry) {
    std::string key(kUserKey);
    key += '\\';
    key += entry;
    return key;
}

std::vector<KnownFile> KnownFiles(SettingsStore& store) {
    std::vector<KnownFile> known;
    for (auto& entry : SubkeyNames(store, kUser, kUserKey)) {
        auto path = store.GetString(kUser, EntryKey(entry), kEntryPathValue);
        known.push_back({std::move(entry), std::move(path)});
    }
    return known;
}

std::optional<KnownFile> FindKnownFile(SettingsStore& store, std::string_view path) {
    for (auto& k : KnownFiles(store))
        if (SamePath(k.Path, path))
            return std::move(k);
    return std::nullopt;
}

void WriteKnownFile(SettingsStore& store, std::string_view entry, std::string_view path,
                    std::string_view iconPath) {
    const auto key = EntryKey(entry);
    store.SaveString(kUser, key, kEntryPathValue, path);
    store.SaveString(kUser, key, kEntryIconPathValue, iconPath);
}

std::vector<KnownFile> SynchroniseKnownFiles(SettingsStore& store, FileSystem& files,
                                             const std::string& folder,
                                             ReservedEntryNames& reserved) {
    // Every file of the folder is known. New entries are named from the one listing.
    auto known = KnownFiles(store);
    std::vector<std::string> entries;
    for (const auto& k : known)
        entries.push_back(k.Entry);
    EntryNameIssuer names(entries, reserved);
    for (const auto& name : files.FileNames(folder, ".qmf")) {
        const auto path = folder + name;
        if (std::any_of(known.begin(), known.end(),
                        [&](const auto& k) { return SamePath(k.Path, path); }))
            continue;
        const auto entry = names.Next();
        WriteKnownFile(store, entry, path, path);
        known.push_back({entry, path});
    }

    // One entry per file: later duplicates go. Entries are deleted by name, so a delete the
    // store ignores leaves a duplicate behind instead of stalling here.
    std::vector<std::string> seen;
    for (const auto& k : known) {
        if (ContainsPath(seen, k.Path))
            store.DelKey(kUser, EntryKey(k.Entry));
        else
            seen.push_back(k.Path);
    }

    // Entries of files that are gone go; the others are listed, each file once.
    std::vector<KnownFile> listed;
    std::vector<std::string> listedPaths;
    for (auto& k : KnownFiles(store)) {
        if (!files.Exists(k.Path)) {
            store.DelKey(kUser, EntryKey(k.Entry));
            continue;
        }
        if (ContainsPath(listedPaths, k.Path))
            continue;
        listedPaths.push_back(k.Path);
        listed.push_back(std::move(k));
    }
    return listed;
}

} // namespace qm
