#pragma once
// The editor's open and known configurations: the entries of the configuration list with their
// file states, the tabs of the open ones, each open configuration's mapping list (by entry
// name, without regard to case) and the one shown.
#include "editor/mapping_table.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The state of a configuration, kept with its entry.
namespace filestate {
inline constexpr int Saved = 0;     // open, saved, unchanged
inline constexpr int Listed = 1;    // listed, not open
inline constexpr int New = 2;       // open, never saved
inline constexpr int Unsaved = 8;   // counted as unsaved; never produced by the editor itself
inline constexpr int Modified = 16; // open, changed since the last save
} // namespace filestate

// Whether a configuration in this state has edits that are not in a file.
inline bool IsUnsavedState(int state) {
    return state == filestate::New || state == filestate::Unsaved || state == filestate::Modified;
}

// Entry text colours of the configuration list.
namespace entrycolour {
inline constexpr std::uint32_t Ghosted = 8421504; // RGB(128, 128, 128)
inline constexpr std::uint32_t Open = 10841658;   // RGB(58, 110, 165)
inline constexpr std::uint32_t Current = 255;     // RGB(255, 0, 0)
} // namespace entrycolour

// The tab shown while no configuration is open, and the key of the placeholder list.
inline constexpr std::string_view kBlankKey = "BLANK";

struct ConfigurationEntry {
    std::string Key;  // the entry name of the known-files list ("file3")
    std::string Text; // the file name, or the proposed name of a configuration never saved
    int State = filestate::Listed;
    bool Ghosted = true;
    std::uint32_t TextColour = entrycolour::Ghosted;
    std::string IconSource; // the file whose shell icon the entry shows
};

// Case-insensitive ordering of entry names.
struct KeyLess {
    bool operator()(std::string_view a, std::string_view b) const;
    using is_transparent = void;
};

// The numbers of the "key.<n>" names: a fresh one is the smallest number not in use; releasing
// a key frees the number after its first four characters. A key whose number is not one in the
// table is ignored.
class KeyNumbers {
public:
    std::string Fresh();
    void Release(std::string_view key);
    bool InUse(std::size_t n) const { return n < used_.size() && used_[n]; }

private:
    std::vector<bool> used_;
};

class ConfigurationList {
public:
    const std::vector<ConfigurationEntry>& Entries() const { return entries_; }
    std::vector<ConfigurationEntry>& Entries() { return entries_; }
    ConfigurationEntry* Find(std::string_view key);
    const ConfigurationEntry* Find(std::string_view key) const;
    // Adds an entry at the end; an entry with the same key is kept as it is.
    ConfigurationEntry& Add(ConfigurationEntry entry);
    // Removes the entry with this key, if any; its selection goes with it.
    void Remove(std::string_view key);
    // Gives the entry of `oldKey` a new key and contents in its place: its tab, its list, the
    // selection and the current key follow.
    void Rename(std::string_view oldKey, ConfigurationEntry entry);

    // The selected entry: the one the file commands act on.
    const std::string& SelectedKey() const { return selected_; }
    ConfigurationEntry* Selected() { return Find(selected_); }
    void Select(std::string_view key);

    // The tabs, in order; the placeholder tab while nothing is open.
    const std::vector<std::string>& Tabs() const { return tabs_; }
    void AddTab(std::string_view key);
    void RemoveTab(std::string_view key);
    bool HasTab(std::string_view key) const;
    // Whether a configuration is shown: the first tab is not the placeholder.
    bool ConfigurationShown() const;

    // The mapping lists of the open configurations.
    MappingTable* Table(std::string_view key);
    const MappingTable* Table(std::string_view key) const;
    MappingTable& SetTable(std::string_view key, MappingTable table);
    void DropTable(std::string_view key);
    bool IsOpen(std::string_view key) const { return Table(key) != nullptr; }

    // The configuration shown: its key, "BLANK" when none.
    const std::string& CurrentKey() const { return current_; }
    void SetCurrentKey(std::string_view key) { current_ = std::string(key); }
    MappingTable* Shown() { return Table(current_); }
    const MappingTable* Shown() const { return Table(current_); }

    KeyNumbers& Numbers() { return numbers_; }

private:
    std::vector<ConfigurationEntry> entries_;
    std::string selected_;
    std::vector<std::string> tabs_{std::string(kBlankKey)};
    std::map<std::string, MappingTable, KeyLess> tables_;
    std::string current_{kBlankKey};
    KeyNumbers numbers_;
};

} // namespace qm
