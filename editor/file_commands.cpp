#include "editor/file_commands.h"

#include "core/editor_qmf.h"
#include "core/error_trap.h"
#include "core/messages.h"
#include "core/paths.h"
#include "core/qmf_file.h"
#include "core/text.h"
#include "editor/editor_preferences.h"
#include "settings/file_association.h"
#include "settings/settings_table.h"

#include <chrono>
#include <utility>

namespace qm {

namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr std::string_view kNewConfigurationName = "New Config.qmf";
constexpr std::string_view kSaveConfigurationTitle = "Save Configuration File";
constexpr std::string_view kSelectIconTitle = "Select New Icon";
constexpr std::string_view kIconFileFilter =
    "All Files (*.*)|*.*|Icon Files (*.exe, *.dll, *.ico, *.bmp, *.qmf)|"
    "*.exe;*.dll;*.ico;*.bmp;*.qmf";

bool SameKey(std::string_view a, std::string_view b) {
    return EqualsIgnoreCase(a, b);
}

bool NeverSaved(const ConfigurationEntry& entry) {
    return entry.State == filestate::New || entry.State == filestate::Unsaved;
}

} // namespace

// ---- start-up ----------------------------------------------------------------------------

void FileCommands::ListKnownFiles() {
    RunTrapped(state_.Seams.Dialogs, "startmeup", [&] {
        auto& store = state_.Seams.Store;
        const auto& program = state_.Program;
        RegisterFileType(
            store, EditorAssociation(program),
            SettingToBool(ReadSetting(store, Setting::EditorAssociate, program.Folder)));
        state_.Folder = ReadConfigFolder(store, program.Folder);
        RemoveLeftoverTemporaryFiles(state_.Seams.Files, state_.Folder,
                                     std::chrono::system_clock::now());

        auto& list = state_.List;
        for (const auto& k :
             SynchroniseKnownFiles(store, state_.Seams.Files, state_.Folder, state_.Reserved))
            list.Add({k.Entry, FileNameOf(k.Path), filestate::Listed, true, entrycolour::Ghosted,
                      IconPathOf(k.Entry)});
        // The list starts with its first entry selected, so its commands are offered.
        if (!list.Entries().empty())
            list.Select(list.Entries().front().Key);
    });
}

std::optional<std::string> FileCommands::FileOnCommandLine(std::string_view commandLine) {
    std::string_view text = TrimSpaces(commandLine);
    if (text.size() <= 1)
        return std::nullopt;
    if (text.front() == '"') {
        text.remove_prefix(1);
        if (!text.empty() && text.back() == '"')
            text.remove_suffix(1);
    }
    return std::string(text);
}

void FileCommands::LoadFromCommandLine(std::string_view commandLine) {
    if (const auto text = FileOnCommandLine(commandLine))
        if (const auto path = state_.Seams.Files.FullPath(*text))
            Load(*path);
    state_.Refresh();
}

// ---- the shown configuration -------------------------------------------------------------

std::string FileCommands::PathOf(std::string_view entry) const {
    return state_.Seams.Store.GetString(kUser, EntryKey(entry), kEntryPathValue);
}

std::string FileCommands::IconPathOf(std::string_view entry) const {
    return state_.Seams.Store.GetString(kUser, EntryKey(entry), kEntryIconPathValue);
}

void FileCommands::MakeCurrent(std::string_view key) {
    auto& list = state_.List;
    list.SetCurrentKey(key);
    // The entries follow: open ones blue, closed ones grey, the shown one red and selected.
    for (auto& entry : list.Entries())
        entry.TextColour = entry.Ghosted ? entrycolour::Ghosted : entrycolour::Open;
    if (auto* current = list.Find(key)) {
        current->Ghosted = false;
        current->TextColour = entrycolour::Current;
        list.Select(key);
    }
    state_.View.ShowMappingList(list.Shown());
}

void FileCommands::ShowPlaceholder() {
    state_.List.RemoveTab(kBlankKey);
    state_.List.AddTab(kBlankKey);
    state_.List.SetCurrentKey(kBlankKey);
    state_.Recording = state_.Testing = false;
    state_.States.Recording = state_.States.Testing = false;
    state_.View.ShowMappingList(nullptr);
    state_.View.SetKeyMappingText("");
}

void FileCommands::AfterTabRemoved() {
    const auto& list = state_.List;
    if (list.Tabs().empty()) {
        ShowPlaceholder();
        return;
    }
    // Another configuration stays open: the first tab's is shown.
    if (!list.IsOpen(list.CurrentKey()))
        MakeCurrent(list.Tabs().front());
}

void FileCommands::Discard(std::string_view key) {
    state_.List.DropTable(key);
    state_.Reserved.Remove(std::string(key));
}

// ---- open, new, load ---------------------------------------------------------------------

void FileCommands::OpenSelected() noexcept {
    RunTrapped(state_.Seams.Dialogs, "open_click", [&] { Open(); });
    state_.Refresh();
}

void FileCommands::Open() {
    auto& list = state_.List;
    auto* entry = list.Selected();
    if (entry == nullptr)
        return;
    const std::string key = entry->Key;
    const bool wasOpen = list.IsOpen(key);
    // An open configuration with edits not in its file is shown as it is, not read again.
    if (wasOpen && IsUnsavedState(entry->State)) {
        MakeCurrent(key);
        state_.View.ScrollEntryIntoView(key);
        return;
    }
    // Read first, so that the list is shown once, with its rows.
    auto outcome = LoadEditorConfiguration(state_.Seams.Files, state_.Seams.Dialogs, PathOf(key));
    entry = list.Find(key);
    switch (outcome.Action) {
    case EditorLoadAction::Keep:
        if (!wasOpen) {
            if (!list.ConfigurationShown())
                list.RemoveTab(kBlankKey);
            list.AddTab(key);
        }
        entry->State = filestate::Saved;
        // Each row read is marked against the devices attached now.
        list.SetTable(key, MappingTable::FromRows(std::move(outcome.Read.Rows)))
            .MarkActive(state_.Devices->Tables());
        MakeCurrent(key);
        state_.View.ScrollEntryIntoView(key);
        return;
    case EditorLoadAction::LeaveListed:
        // A file of a newer version stays known and listed, closed: one that was open (and
        // saved) closes, so that nothing this version made of it can be saved over it.
        if (wasOpen)
            CloseListed(key);
        return;
    case EditorLoadAction::DeleteAndRemove:
        // The file goes to the recycle bin with its entry.
        entry->State = filestate::Saved;
        break;
    case EditorLoadAction::RemoveFromList:
    case EditorLoadAction::CloseConfiguration:
        // Only the entry goes.
        entry->State = filestate::New;
        break;
    }
    // It was being opened: its name is freed with its entry, as an open one's is.
    state_.Reserved.Remove(key);
    Delete(false);
}

void FileCommands::NewConfiguration() noexcept {
    RunTrapped(state_.Seams.Dialogs, "new_click", [&] { Create(nullptr); });
    state_.Refresh();
}

void FileCommands::CloneSelected() noexcept {
    RunTrapped(state_.Seams.Dialogs, "clone_click", [&] {
        if (!state_.List.ConfigurationShown())
            return;
        if (const auto* source = state_.List.Table(state_.List.SelectedKey()))
            Create(source);
    });
    state_.Refresh();
}

void FileCommands::Create(const MappingTable* source) {
    auto& store = state_.Seams.Store;
    auto& list = state_.List;
    const auto& folder = state_.Program.Folder;
    std::string icon;
    std::string name(kNewConfigurationName);
    if (source == nullptr) {
        icon = ReadSetting(store, Setting::IconPath, folder);
    } else {
        icon = IconPathOf(list.CurrentKey());
        name = "Copy of " + list.Selected()->Text;
        if (icon.empty()) {
            icon = DefaultOf(Setting::IconPath, folder);
            WriteSetting(store, Setting::IconPath, icon);
        }
    }
    const auto key = NewFileKey(store, kUser, kUserKey, state_.Reserved);
    auto table = source != nullptr ? MappingTable::CopyOf(*source)
                                   : MappingTable::FromButtons(state_.Devices->Tables());
    list.Add({key, name, filestate::New, false, entrycolour::Open, icon});
    if (!list.ConfigurationShown())
        list.RemoveTab(kBlankKey);
    list.RemoveTab(key);
    list.AddTab(key);
    list.SetTable(key, std::move(table));
    MakeCurrent(key);
    state_.View.ScrollEntryIntoView(key);
}

void FileCommands::LoadConfigurationFile(const std::string& path) noexcept {
    RunTrapped(state_.Seams.Dialogs, "load_click", [&] {
        if (const auto file = FileToLoad(state_.Seams.Dialogs, path))
            Load(*file);
    });
    state_.Refresh();
}

void FileCommands::Load(const std::string& file) {
    auto& seams = state_.Seams;
    auto& list = state_.List;
    // Whatever brought it (command line, drop, a second start, the file dialog), a file not
    // named as a configuration is left alone: not read, not listed.
    if (!IsConfigurationPath(file)) {
        seams.Dialogs.ShowMessage(msg::NotAConfiguration(FileNameOf(file)));
        return;
    }
    if (!seams.Files.Exists(file)) {
        seams.Dialogs.ShowMessage(msg::CannotOpenMissingFile());
        return;
    }
    if (const auto known = FindKnownFile(seams.Store, file)) {
        // Known already (the runner may have listed it since start-up): listed if need be.
        const auto& entry = list.Add({known->Entry, FileNameOf(known->Path), filestate::Listed,
                                      true, entrycolour::Ghosted, IconPathOf(known->Entry)});
        if (entry.State != filestate::Listed)
            seams.Dialogs.ShowMessage(msg::FileAlreadyLoaded(FileNameOf(file)));
        list.Select(entry.Key);
        Open();
        return;
    }
    const auto key = NewFileKey(seams.Store, kUser, kUserKey, state_.Reserved);
    WriteKnownFile(seams.Store, key, file, file);
    list.Add({key, FileNameOf(file), filestate::Listed, true, entrycolour::Ghosted, file});
    list.Select(key);
    Open();
}

void FileCommands::DropFiles(const std::vector<std::string>& paths) noexcept {
    if (!paths.empty())
        LoadConfigurationFile(paths.front());
}

// ---- close, delete -----------------------------------------------------------------------

void FileCommands::CloseSelected() noexcept {
    RunTrapped(state_.Seams.Dialogs, "close_click", [&] { Close(); });
    state_.Refresh();
}

void FileCommands::Close() {
    const auto* entry = state_.List.Selected();
    if (entry == nullptr || entry->Ghosted)
        return;
    std::string key = entry->Key;
    const bool neverSaved = NeverSaved(*entry);
    auto answer = MessageAnswer::No;
    if (entry->State != filestate::Saved) {
        answer = state_.Seams.Dialogs.ShowMessage(msg::SaveChangesBeforeClosing(entry->Text));
        if (answer == MessageAnswer::Cancel)
            return;
    }
    if (answer == MessageAnswer::Yes) {
        // Closed only once saved: a cancelled dialog or a failed write keeps it open.
        const auto saved = neverSaved ? SaveUnderNewName() : SaveToOwnFile();
        if (!saved)
            return;
        key = *saved;
    } else if (neverSaved) {
        Delete(false);
        return;
    }
    CloseListed(key);
}

void FileCommands::CloseListed(const std::string& key) {
    auto* closing = state_.List.Find(key);
    closing->Ghosted = true;
    closing->TextColour = entrycolour::Ghosted;
    closing->State = filestate::Listed;
    state_.List.RemoveTab(key);
    Discard(key);
    AfterTabRemoved();
}

void FileCommands::DeleteSelected() noexcept {
    RunTrapped(state_.Seams.Dialogs, "delete_click", [&] { Delete(true); });
    state_.Refresh();
}

void FileCommands::Delete(bool ask) {
    auto& list = state_.List;
    const auto* entry = list.Selected();
    if (entry == nullptr)
        return;
    const std::string key = entry->Key;
    if (ask &&
        state_.Seams.Dialogs.ShowMessage(msg::ConfirmFileDelete(entry->Text)) != MessageAnswer::Yes)
        return;
    const BusyPointer busy(state_.View);
    if (!NeverSaved(*entry) && !state_.Seams.Shell.MoveToRecycleBin(PathOf(key)))
        return; // the file is still there: so is its entry
    // An open configuration's name is free again; a name issued this run and never opened
    // stays reserved.
    if (list.IsOpen(key))
        Discard(key);
    list.Remove(key);
    list.Numbers().Release(key);
    state_.Seams.Store.DelKey(kUser, EntryKey(key));
    list.RemoveTab(key);
    AfterTabRemoved();
    // The selection moves to the configuration shown, or to the first entry.
    if (list.Find(list.CurrentKey()) != nullptr)
        list.Select(list.CurrentKey());
    else if (!list.Entries().empty())
        list.Select(list.Entries().front().Key);
}

// ---- save --------------------------------------------------------------------------------

void FileCommands::Save() noexcept {
    RunTrapped(state_.Seams.Dialogs, "save_click", [&] {
        const auto* entry = state_.List.Selected();
        if (entry == nullptr)
            return;
        if (entry->State == filestate::Modified)
            SaveToOwnFile();
        else if (NeverSaved(*entry))
            SaveUnderNewName();
    });
    state_.Refresh();
}

void FileCommands::SaveAs() noexcept {
    RunTrapped(state_.Seams.Dialogs, "save_click", [&] { SaveUnderNewName(); });
    state_.Refresh();
}

std::optional<std::string> FileCommands::SaveToOwnFile() {
    auto* entry = state_.List.Selected();
    const auto* table = entry != nullptr ? state_.List.Table(entry->Key) : nullptr;
    if (table == nullptr)
        return std::nullopt;
    if (entry->State == filestate::Saved)
        return entry->Key;
    if (!SaveEditorConfiguration(state_.Seams.Files, state_.Seams.Dialogs, PathOf(entry->Key),
                                 table->Rows()))
        return std::nullopt;
    entry->State = filestate::Saved;
    return entry->Key;
}

bool FileCommands::WriteNewFile(const std::string& path, const MappingTable& table) {
    auto& seams = state_.Seams;
    if (!FitsReadLimit(seams.Files, seams.Dialogs, table.Rows()))
        return false;
    try {
        seams.Files.WriteAtomically(
            path, [&](const ByteSink& sink) { WriteEditorConfiguration(table.Rows(), sink); });
        return true;
    } catch (const AppError&) {
        seams.Dialogs.ShowMessage(msg::CannotSaveToFile());
        return false;
    }
}

// The list of `key` takes a copy of the rows of `source`; the rows it held go first.
void FileCommands::CopyRowsInto(std::string_view key, std::string_view source) {
    const auto* rows = state_.List.Table(source);
    if (rows == nullptr)
        return;
    MappingTable& copy = state_.List.SetTable(key, MappingTable());
    copy = MappingTable::CopyOf(*rows);
}

std::optional<std::string> FileCommands::SaveUnderNewName() {
    auto* entry = state_.List.Selected();
    if (entry == nullptr || state_.List.Table(entry->Key) == nullptr)
        return std::nullopt;
    const auto chosen =
        state_.Seams.Dialogs.SaveFile({std::string(kSaveConfigurationTitle),
                                       std::string(kConfigurationFileFilter), 2, entry->Text});
    if (!chosen)
        return std::nullopt;
    const std::string path = *chosen;
    const std::string key = entry->Key;
    const bool neverSaved = NeverSaved(*entry);
    const auto other = FindKnownFile(state_.Seams.Store, path);
    if (!other)
        return neverSaved ? SaveFirstFile(*entry, path) : SaveCopyToNewFile(key, path);
    if (SameKey(other->Entry, key))
        return SaveToOwnFile();
    return neverSaved ? TakeOverEntryOf(*entry, path, other->Entry)
                      : SaveIntoEntryOf(key, other->Entry);
}

std::optional<std::string> FileCommands::SaveFirstFile(ConfigurationEntry& entry,
                                                       const std::string& path) {
    // The configuration gets its file under the entry name it was given when created.
    if (!WriteNewFile(path, *state_.List.Table(entry.Key)))
        return std::nullopt;
    WriteKnownFile(state_.Seams.Store, entry.Key, path, entry.IconSource);
    entry.Text = FileNameOf(path);
    entry.State = filestate::Saved;
    return entry.Key;
}

std::optional<std::string> FileCommands::SaveCopyToNewFile(const std::string& key,
                                                           const std::string& path) {
    if (!WriteNewFile(path, *state_.List.Table(key)))
        return std::nullopt;
    Load(path);
    auto& list = state_.List;
    if (const auto* copy = list.Find(list.CurrentKey()); copy != nullptr && copy->Key != key)
        CopyRowsInto(copy->Key, key);
    state_.View.ShowMappingList(list.Shown());
    return list.CurrentKey();
}

std::optional<std::string> FileCommands::SaveIntoEntryOf(const std::string& key,
                                                         const std::string& other) {
    auto& list = state_.List;
    list.Select(other);
    if (!list.IsOpen(other))
        Open();
    auto* target = list.Find(other);
    if (target == nullptr || !list.IsOpen(target->Key) || !list.IsOpen(key))
        return std::nullopt;
    CopyRowsInto(target->Key, key);
    MakeCurrent(target->Key);
    target->State = filestate::Modified;
    return SaveToOwnFile();
}

std::optional<std::string> FileCommands::TakeOverEntryOf(ConfigurationEntry& entry,
                                                         const std::string& path,
                                                         const std::string& other) {
    auto& list = state_.List;
    const std::string key = entry.Key;
    if (!WriteNewFile(path, *list.Table(key)))
        return std::nullopt;
    auto table = std::move(*list.Table(key));
    const auto icon = entry.IconSource;
    // `entry` is not used from here on: the list changes under it.
    list.Remove(other);
    list.RemoveTab(other);
    Discard(other);
    list.Numbers().Release(key);
    state_.Reserved.Remove(key);
    list.DropTable(key);

    list.Rename(key,
                {other, FileNameOf(path), filestate::Saved, false, entrycolour::Current, icon});
    list.SetTable(other, std::move(table));
    MakeCurrent(other);
    WriteKnownFile(state_.Seams.Store, other, path, IconPathOf(other));
    return other;
}

// ---- icon, run ---------------------------------------------------------------------------

void FileCommands::ChangeIcon() noexcept {
    RunTrapped(state_.Seams.Dialogs, "icon_click", [&] {
        auto* entry = state_.List.Selected();
        if (entry == nullptr)
            return;
        auto& seams = state_.Seams;
        const auto chosen =
            seams.Dialogs.OpenFile({std::string(kSelectIconTitle), std::string(kIconFileFilter)});
        if (!chosen)
            return;
        if (!seams.Shell.HasIcon(*chosen)) {
            seams.Dialogs.ShowMessage(msg::InvalidIcon());
            return;
        }
        entry->IconSource = *chosen;
        seams.Store.SaveString(kUser, EntryKey(entry->Key), kEntryIconPathValue, *chosen);
    });
    state_.Refresh();
}

void FileCommands::RunSelected() noexcept {
    RunTrapped(state_.Seams.Dialogs, "MNrun_Click", [&] {
        const auto* entry = state_.List.Selected();
        if (entry == nullptr)
            return;
        const auto path = PathOf(entry->Key);
        const auto& folder = state_.Program.Folder;
        const auto runner = folder + "\\corvex.exe";
        if (!state_.Seams.Shell.Launch(runner, "\"" + path + "\"", folder))
            state_.Seams.Dialogs.ShowMessage(msg::CouldNotLaunch());
        state_.View.Minimize();
    });
}

// ---- the configuration list and the tabs -------------------------------------------------

void FileCommands::EntryPressed(std::string_view key, bool rightButton) noexcept {
    RunTrapped(state_.Seams.Dialogs, "ListView1_MouseDown", [&] {
        if (state_.List.Find(key) == nullptr)
            return;
        state_.List.Select(key);
        state_.View.SetStatusText(PathOf(key));
        state_.Refresh();
        if (rightButton && state_.States.FileListMenuEnabled)
            state_.View.PopUpFileListMenu();
    });
}

void FileCommands::EntryDoubleClicked(std::string_view key) noexcept {
    if (state_.List.Find(key) == nullptr)
        return;
    state_.List.Select(key);
    OpenSelected();
}

void FileCommands::TabChosen(std::string_view key) noexcept {
    RunTrapped(state_.Seams.Dialogs, "TabStrip1_Click", [&] {
        const auto& list = state_.List;
        state_.View.SetStatusText(PathOf(key));
        if (!SameKey(key, kBlankKey) && list.IsOpen(key) && !SameKey(key, list.CurrentKey())) {
            MakeCurrent(key);
            state_.View.ScrollEntryIntoView(key);
        }
        state_.Refresh();
        state_.MarkActive();
    });
}

} // namespace qm
