#pragma once
// The editor's file commands over the configuration list: New, Clone, Load, Open, Close, Save,
// Save As, Delete, Change Icon and Run, the list's and the tabs' clicks, and the listing of the
// known files at start-up. The public commands trap their own errors under the procedure name
// their error box shows and update the command states.
#include "editor/editor_state.h"
#include "editor/mapping_table.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class FileCommands {
public:
    explicit FileCommands(EditorState& state) : state_(state) {}

    // Start-up: the association, the configuration folder and the listing of its files.
    void ListKnownFiles();
    // The command line names one configuration file to load; the shell quotes a path with
    // spaces.
    void LoadFromCommandLine(std::string_view commandLine);
    // That file as the command line names it (not yet a full path); nothing for none.
    static std::optional<std::string> FileOnCommandLine(std::string_view commandLine);

    void OpenSelected() noexcept;
    void NewConfiguration() noexcept;
    void CloneSelected() noexcept;
    // Loads a file and opens it, listing it if it is new; an empty path asks for one.
    void LoadConfigurationFile(const std::string& path) noexcept;
    void CloseSelected() noexcept;
    void Save() noexcept;
    void SaveAs() noexcept;
    // Deletes the selected configuration after asking: its file goes to the recycle bin.
    void DeleteSelected() noexcept;
    void ChangeIcon() noexcept;
    // Starts the runner on the selected configuration and minimises the editor.
    void RunSelected() noexcept;
    // Files dropped on the window or one of its lists: the first is loaded.
    void DropFiles(const std::vector<std::string>& paths) noexcept;

    // The configuration list and the tabs. An empty key: no entry under the pointer.
    void EntryPressed(std::string_view key, bool rightButton) noexcept;
    void EntryDoubleClicked(std::string_view key) noexcept;
    void TabChosen(std::string_view key) noexcept;

private:
    std::string PathOf(std::string_view entry) const;
    std::string IconPathOf(std::string_view entry) const;
    // Shows the configuration of `key`: its entry selected and marked, its list shown.
    void MakeCurrent(std::string_view key);
    void ShowPlaceholder();
    // After a tab went: the placeholder when none is left, else a remaining configuration.
    void AfterTabRemoved();
    // Forgets an open configuration's list and frees its entry name.
    void Discard(std::string_view key);

    // The commands' bodies, which call one another: the public commands trap them once.
    void Open();
    // New (no source) or Clone (a copy of `source`).
    void Create(const MappingTable* source);
    void Load(const std::string& file);
    void Close();
    // The open configuration of `key` closed, without a question: listed, greyed, no tab.
    void CloseListed(const std::string& key);
    void Delete(bool ask);

    // Save of the selected configuration to its file; the entry name on success.
    std::optional<std::string> SaveToOwnFile();
    // Save As of the selected configuration; the entry name that holds the file on success
    // (saving may move the configuration to another entry).
    std::optional<std::string> SaveUnderNewName();
    // Save As to a file no entry holds: a configuration never saved gets it as its own file; a
    // saved one is copied to it as a further configuration and keeps its file.
    std::optional<std::string> SaveFirstFile(ConfigurationEntry& entry, const std::string& path);
    std::optional<std::string> SaveCopyToNewFile(const std::string& key, const std::string& path);
    // Save As to the file of another entry: a saved configuration's rows go into that entry,
    // which is written; a configuration never saved takes that entry over.
    std::optional<std::string> SaveIntoEntryOf(const std::string& key, const std::string& other);
    std::optional<std::string> TakeOverEntryOf(ConfigurationEntry& entry, const std::string& path,
                                               const std::string& other);
    void CopyRowsInto(std::string_view key, std::string_view source);
    bool WriteNewFile(const std::string& path, const MappingTable& table);

    EditorState& state_;
};

} // namespace qm
