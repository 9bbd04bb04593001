#include "editor/editor_controller.h"

#include "core/editor_qmf.h"
#include "core/error_trap.h"
#include "core/key_names.h"
#include "core/messages.h"
#include "core/text.h"
#include "engine/configuration_loader.h"
#include "keyboard/send_keys.h"
#include "settings/file_association.h"
#include "settings/settings_table.h"

#include <algorithm>
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

// The lock keys a double-click sets at once while recording.
constexpr std::uint16_t kNumLockKey = 144;
constexpr std::uint16_t kCapsLockKey = 20;
constexpr std::uint16_t kScrollLockKey = 145;

bool SameKey(std::string_view a, std::string_view b) {
    return EqualsIgnoreCase(a, b);
}

} // namespace

EditorController::EditorController(ProgramInfo program, EditorSeams seams, EditorView& view)
    : program_(std::move(program)), seams_(seams), view_(view),
      caption_(ProgramCaption(kEditorTitle, program_)),
      devices_(
          std::make_unique<InputDevices>(seams.Joysticks, seams.Boards, seams.Dialogs, nullptr)),
      engine_(
          std::make_unique<MappingEngine>(*devices_, seams.Keyboard, seams.Clock, seams.Dialogs)),
      preferences_(seams.Store, seams.Dialogs, EditorAssociation(program_)) {}

EditorController::~EditorController() = default;

// ---- start-up ----------------------------------------------------------------------------

void EditorController::Start(std::string_view commandLine, WindowHandle mainWindow) noexcept {
    window_ = mainWindow;
    RunTrapped(seams_.Dialogs, "Form_Load", [&] {
        view_.SetCaption(caption_);
        ReadSettingsAndListFiles();
        view_.ShowConfigurations(list_);
        view_.ShowMappingList(nullptr);
        view_.SetKeyMappingText("");

        devices_->DevicesReady = true;
        view_.ShowDevices({});
        devices_->Scan(window_);
        if (devices_->DeviceCount() == 0) {
            seams_.Dialogs.ShowMessage(msg::NoInputDevicesFound(msg::kNoInputDevicesTitle));
            view_.SetStatusText(status::kNotAvailable);
        } else {
            view_.SetStatusText(status::kAvailable);
        }
        view_.ShowDevices(DeviceNames());
        UpdateStates();

        // One configuration file; the shell quotes a path with spaces.
        std::string_view text = TrimSpaces(commandLine);
        if (text.size() <= 1)
            return;
        if (text.front() == '"') {
            text.remove_prefix(1);
            if (!text.empty() && text.back() == '"')
                text.remove_suffix(1);
        }
        if (const auto path = seams_.Files.FullPath(std::string(text)))
            Load(*path);
        Refresh();
    });
}

void EditorController::ReadSettingsAndListFiles() {
    RunTrapped(seams_.Dialogs, "startmeup", [&] {
        auto& store = seams_.Store;
        RegisterFileType(
            store, EditorAssociation(program_),
            SettingToBool(ReadSetting(store, Setting::EditorAssociate, program_.Folder)));
        folder_ = ReadConfigFolder(store, program_.Folder);
        RemoveLeftoverTemporaryFiles(seams_.Files, folder_, std::chrono::system_clock::now());

        for (const auto& k : SynchroniseKnownFiles(store, seams_.Files, folder_, reserved_))
            list_.Add({k.Entry, FileNameOf(k.Path), filestate::Listed, true, entrycolour::Ghosted,
                       IconPathOf(k.Entry)});
        // The list starts with its first entry selected, so its commands are offered.
        if (!list_.Entries().empty())
            list_.Select(list_.Entries().front().Key);
    });
}

// ---- helpers -----------------------------------------------------------------------------

std::string EditorController::PathOf(std::string_view entry) const {
    return seams_.Store.GetString(kUser, EntryKey(entry), kEntryPathValue);
}

std::string EditorController::IconPathOf(std::string_view entry) const {
    return seams_.Store.GetString(kUser, EntryKey(entry), kEntryIconPathValue);
}

std::vector<std::string> EditorController::DeviceNames() const {
    std::vector<std::string> names;
    for (const auto& device : devices_->Tables().Devices())
        names.push_back(device.Name);
    return names;
}

void EditorController::UpdateStates() {
    EditorCommandInput input;
    input.EntryCount = static_cast<int>(list_.Entries().size());
    if (const auto* selected = list_.Find(list_.SelectedKey()))
        input.SelectedState = selected->State;
    input.ConfigurationShown = list_.ConfigurationShown();
    input.Recording = recording_;
    input.Testing = testing_;
    input.DevicesAttached = devices_->DeviceCount() > 0;
    states_ = NextCommandStates(states_, input);
    if (recording_ != states_.Recording || testing_ != states_.Testing) {
        recording_ = states_.Recording;
        testing_ = states_.Testing;
        if (!recording_)
            view_.SetKeyMappingText("");
    }
    // The keyboard hook is installed only while recording, however the mode ended.
    if (!recording_)
        hook_.reset();
    view_.ApplyCommandStates(states_);
}

void EditorController::Refresh() {
    view_.ShowConfigurations(list_);
    UpdateStates();
}

void EditorController::MarkModified() {
    auto* entry = list_.Find(list_.CurrentKey());
    if (entry != nullptr && entry->State != filestate::New && entry->State != filestate::Unsaved)
        entry->State = filestate::Modified;
}

void EditorController::MakeCurrent(std::string_view key) {
    list_.SetCurrentKey(key);
    // The entries follow: open ones blue, closed ones grey, the shown one red and selected.
    for (auto& entry : list_.Entries())
        entry.TextColour = entry.Ghosted ? entrycolour::Ghosted : entrycolour::Open;
    if (auto* current = list_.Find(key)) {
        current->Ghosted = false;
        current->TextColour = entrycolour::Current;
        list_.Select(key);
    }
    view_.ShowMappingList(list_.Shown());
}

void EditorController::ShowPlaceholder() {
    list_.RemoveTab(kBlankKey);
    list_.AddTab(kBlankKey);
    list_.SetCurrentKey(kBlankKey);
    recording_ = testing_ = false;
    states_.Recording = states_.Testing = false;
    view_.ShowMappingList(nullptr);
    view_.SetKeyMappingText("");
}

void EditorController::AfterTabRemoved() {
    if (list_.Tabs().empty()) {
        ShowPlaceholder();
        return;
    }
    // Another configuration stays open: the first tab's is shown.
    if (!list_.IsOpen(list_.CurrentKey()))
        MakeCurrent(list_.Tabs().front());
}

void EditorController::Discard(std::string_view key) {
    list_.DropTable(key);
    reserved_.Remove(std::string(key));
}

// ---- open, new, load ---------------------------------------------------------------------

void EditorController::OpenSelected() noexcept {
    RunTrapped(seams_.Dialogs, "open_click", [&] { Open(); });
    Refresh();
}

void EditorController::Open() {
    auto* entry = list_.Selected();
    if (entry == nullptr)
        return;
    const std::string key = entry->Key;
    const bool wasOpen = list_.IsOpen(key);
    // An open configuration with edits not in its file is shown as it is, not read again.
    if (wasOpen && IsUnsavedState(entry->State)) {
        MakeCurrent(key);
        view_.ScrollEntryIntoView(key);
        return;
    }
    // Read first, so that the list is shown once, with its rows.
    auto outcome = LoadEditorConfiguration(seams_.Files, seams_.Dialogs, PathOf(key));
    entry = list_.Find(key);
    switch (outcome.Action) {
    case EditorLoadAction::Keep:
        if (!wasOpen) {
            if (!list_.ConfigurationShown())
                list_.RemoveTab(kBlankKey);
            list_.AddTab(key);
        }
        entry->State = filestate::Saved;
        // Each row read is marked against the devices attached now.
        list_.SetTable(key, MappingTable::FromRows(std::move(outcome.Read.Rows)))
            .MarkActive(devices_->Tables());
        MakeCurrent(key);
        view_.ScrollEntryIntoView(key);
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
    reserved_.Remove(key);
    Delete(false);
}

void EditorController::NewConfiguration() noexcept {
    RunTrapped(seams_.Dialogs, "new_click", [&] { Create(nullptr); });
    Refresh();
}

void EditorController::CloneSelected() noexcept {
    RunTrapped(seams_.Dialogs, "clone_click", [&] {
        if (!list_.ConfigurationShown())
            return;
        if (const auto* source = list_.Table(list_.SelectedKey()))
            Create(source);
    });
    Refresh();
}

void EditorController::Create(const MappingTable* source) {
    auto& store = seams_.Store;
    std::string icon;
    std::string name(kNewConfigurationName);
    if (source == nullptr) {
        icon = ReadSetting(store, Setting::IconPath, program_.Folder);
    } else {
        icon = IconPathOf(list_.CurrentKey());
        name = "Copy of " + list_.Selected()->Text;
        if (icon.empty()) {
            icon = DefaultOf(Setting::IconPath, program_.Folder);
            WriteSetting(store, Setting::IconPath, icon);
        }
    }
    const auto key = NewFileKey(store, kUser, kUserKey, reserved_);
    auto table = source != nullptr ? MappingTable::CopyOf(*source)
                                   : MappingTable::FromButtons(devices_->Tables());
    list_.Add({key, name, filestate::New, false, entrycolour::Open, icon});
    if (!list_.ConfigurationShown())
        list_.RemoveTab(kBlankKey);
    list_.RemoveTab(key);
    list_.AddTab(key);
    list_.SetTable(key, std::move(table));
    MakeCurrent(key);
    view_.ScrollEntryIntoView(key);
}

void EditorController::LoadConfigurationFile(const std::string& path) noexcept {
    RunTrapped(seams_.Dialogs, "load_click", [&] {
        if (const auto file = FileToLoad(seams_.Dialogs, path))
            Load(*file);
    });
    Refresh();
}

void EditorController::Load(const std::string& file) {
    if (!seams_.Files.Exists(file)) {
        seams_.Dialogs.ShowMessage(msg::CannotOpenMissingFile());
        return;
    }
    if (const auto known = FindKnownFile(seams_.Store, file)) {
        // Known already (the runner may have listed it since start-up): listed if need be.
        const auto& entry = list_.Add({known->Entry, FileNameOf(known->Path), filestate::Listed,
                                       true, entrycolour::Ghosted, IconPathOf(known->Entry)});
        if (entry.State != filestate::Listed)
            seams_.Dialogs.ShowMessage(msg::FileAlreadyLoaded(FileNameOf(file)));
        list_.Select(entry.Key);
        Open();
        return;
    }
    const auto key = NewFileKey(seams_.Store, kUser, kUserKey, reserved_);
    WriteKnownFile(seams_.Store, key, file, file);
    list_.Add({key, FileNameOf(file), filestate::Listed, true, entrycolour::Ghosted, file});
    list_.Select(key);
    Open();
}

void EditorController::DropFiles(const std::vector<std::string>& paths) noexcept {
    if (!paths.empty())
        LoadConfigurationFile(paths.front());
}

// ---- close, save, delete -----------------------------------------------------------------

void EditorController::CloseSelected() noexcept {
    RunTrapped(seams_.Dialogs, "close_click", [&] { Close(); });
    Refresh();
}

void EditorController::Close() {
    const auto* entry = list_.Selected();
    if (entry == nullptr || entry->Ghosted)
        return;
    std::string key = entry->Key;
    const bool neverSaved = entry->State == filestate::New || entry->State == filestate::Unsaved;
    auto answer = MessageAnswer::No;
    if (entry->State != filestate::Saved) {
        answer = seams_.Dialogs.ShowMessage(msg::SaveChangesBeforeClosing(entry->Text));
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
    auto* closing = list_.Find(key);
    closing->Ghosted = true;
    closing->TextColour = entrycolour::Ghosted;
    closing->State = filestate::Listed;
    list_.RemoveTab(key);
    Discard(key);
    AfterTabRemoved();
}

void EditorController::Save() noexcept {
    RunTrapped(seams_.Dialogs, "save_click", [&] {
        const auto* entry = list_.Selected();
        if (entry == nullptr)
            return;
        if (entry->State == filestate::Modified)
            SaveToOwnFile();
        else if (entry->State == filestate::New || entry->State == filestate::Unsaved)
            SaveUnderNewName();
    });
    Refresh();
}

void EditorController::SaveAs() noexcept {
    RunTrapped(seams_.Dialogs, "save_click", [&] { SaveUnderNewName(); });
    Refresh();
}

std::optional<std::string> EditorController::SaveToOwnFile() {
    auto* entry = list_.Selected();
    const auto* table = entry != nullptr ? list_.Table(entry->Key) : nullptr;
    if (table == nullptr)
        return std::nullopt;
    if (entry->State == filestate::Saved)
        return entry->Key;
    if (!SaveEditorConfiguration(seams_.Files, seams_.Dialogs, PathOf(entry->Key), table->Rows()))
        return std::nullopt;
    entry->State = filestate::Saved;
    return entry->Key;
}

bool EditorController::WriteNewFile(const std::string& path, const MappingTable& table) {
    if (!FitsReadLimit(seams_.Files, seams_.Dialogs, table.Rows()))
        return false;
    try {
        seams_.Files.WriteAtomically(
            path, [&](const ByteSink& sink) { WriteEditorConfiguration(table.Rows(), sink); });
        return true;
    } catch (const AppError&) {
        seams_.Dialogs.ShowMessage(msg::CannotSaveToFile());
        return false;
    }
}

// The list of `key` takes a copy of the rows of `source`; the rows it held go first.
void EditorController::CopyRowsInto(std::string_view key, std::string_view source) {
    const auto* rows = list_.Table(source);
    if (rows == nullptr)
        return;
    MappingTable& copy = list_.SetTable(key, MappingTable());
    copy = MappingTable::CopyOf(*rows);
}

std::optional<std::string> EditorController::SaveUnderNewName() {
    auto* entry = list_.Selected();
    if (entry == nullptr || list_.Table(entry->Key) == nullptr)
        return std::nullopt;
    const auto chosen =
        seams_.Dialogs.SaveFile({std::string(kSaveConfigurationTitle),
                                 std::string(kConfigurationFileFilter), 2, entry->Text});
    if (!chosen)
        return std::nullopt;
    const std::string path = *chosen;
    const std::string key = entry->Key;
    const bool neverSaved = entry->State == filestate::New || entry->State == filestate::Unsaved;
    const auto other = FindKnownFile(seams_.Store, path);

    if (other && SameKey(other->Entry, key))
        return SaveToOwnFile();

    if (!other && neverSaved) {
        // The configuration gets its file under the entry name it was given when created.
        if (!WriteNewFile(path, *list_.Table(key)))
            return std::nullopt;
        WriteKnownFile(seams_.Store, key, path, entry->IconSource);
        entry->Text = FileNameOf(path);
        entry->State = filestate::Saved;
        return key;
    }

    if (!other) {
        // A copy in a new file, opened as a further configuration; this one keeps its file.
        if (!WriteNewFile(path, *list_.Table(key)))
            return std::nullopt;
        Load(path);
        if (const auto* copy = list_.Find(list_.CurrentKey()); copy != nullptr && copy->Key != key)
            CopyRowsInto(copy->Key, key);
        view_.ShowMappingList(list_.Shown());
        return list_.CurrentKey();
    }

    if (!neverSaved) {
        // The entry of that file takes the rows and is the one written.
        list_.Select(other->Entry);
        if (!list_.IsOpen(other->Entry))
            Open();
        auto* target = list_.Find(other->Entry);
        if (target == nullptr || !list_.IsOpen(target->Key) || !list_.IsOpen(key))
            return std::nullopt;
        CopyRowsInto(target->Key, key);
        MakeCurrent(target->Key);
        target->State = filestate::Modified;
        return SaveToOwnFile();
    }

    // A configuration never saved takes over the entry of the file it is saved to.
    if (!WriteNewFile(path, *list_.Table(key)))
        return std::nullopt;
    auto table = std::move(*list_.Table(key));
    const auto icon = entry->IconSource;
    list_.Remove(other->Entry);
    list_.RemoveTab(other->Entry);
    Discard(other->Entry);
    list_.Numbers().Release(key);
    reserved_.Remove(key);
    list_.DropTable(key);

    list_.Rename(
        key, {other->Entry, FileNameOf(path), filestate::Saved, false, entrycolour::Current, icon});
    list_.SetTable(other->Entry, std::move(table));
    MakeCurrent(other->Entry);
    WriteKnownFile(seams_.Store, other->Entry, path, IconPathOf(other->Entry));
    return other->Entry;
}

void EditorController::DeleteSelected() noexcept {
    RunTrapped(seams_.Dialogs, "delete_click", [&] { Delete(true); });
    Refresh();
}

void EditorController::Delete(bool ask) {
    const auto* entry = list_.Selected();
    if (entry == nullptr)
        return;
    const std::string key = entry->Key;
    if (ask &&
        seams_.Dialogs.ShowMessage(msg::ConfirmFileDelete(entry->Text)) != MessageAnswer::Yes)
        return;
    const BusyPointer busy(view_);
    if (entry->State != filestate::New && entry->State != filestate::Unsaved &&
        !seams_.Shell.MoveToRecycleBin(PathOf(key)))
        return; // the file is still there: so is its entry
    // An open configuration's name is free again; a name issued this run and never opened
    // stays reserved.
    if (list_.IsOpen(key))
        Discard(key);
    list_.Remove(key);
    list_.Numbers().Release(key);
    seams_.Store.DelKey(kUser, EntryKey(key));
    list_.RemoveTab(key);
    AfterTabRemoved();
    // The selection moves to the configuration shown, or to the first entry.
    if (list_.Find(list_.CurrentKey()) != nullptr)
        list_.Select(list_.CurrentKey());
    else if (!list_.Entries().empty())
        list_.Select(list_.Entries().front().Key);
}

// ---- icon, run, devices, help ------------------------------------------------------------

void EditorController::ChangeIcon() noexcept {
    RunTrapped(seams_.Dialogs, "icon_click", [&] {
        auto* entry = list_.Selected();
        if (entry == nullptr)
            return;
        const auto chosen =
            seams_.Dialogs.OpenFile({std::string(kSelectIconTitle), std::string(kIconFileFilter)});
        if (!chosen)
            return;
        if (!seams_.Shell.HasIcon(*chosen)) {
            seams_.Dialogs.ShowMessage(msg::InvalidIcon());
            return;
        }
        entry->IconSource = *chosen;
        seams_.Store.SaveString(kUser, EntryKey(entry->Key), kEntryIconPathValue, *chosen);
    });
    Refresh();
}

void EditorController::RunSelected() noexcept {
    RunTrapped(seams_.Dialogs, "MNrun_Click", [&] {
        const auto* entry = list_.Selected();
        if (entry == nullptr)
            return;
        const auto path = PathOf(entry->Key);
        const auto runner = program_.Folder + "\\corvex.exe";
        if (!seams_.Shell.Launch(runner, "\"" + path + "\"", program_.Folder))
            seams_.Dialogs.ShowMessage(msg::CouldNotLaunch());
        view_.Minimize();
    });
}

void EditorController::RefreshDevices() noexcept {
    RunTrapped(seams_.Dialogs, "MNjoy_Click", [&] {
        {
            const BusyPointer busy(view_);
            devices_->DevicesReady = true;
            view_.ShowDevices({});
            view_.SetStatusText(status::kDirectInputQuerying);
            devices_->Scan(window_);
            view_.SetStatusText(devices_->DeviceCount() != 0 ? status::kAvailable
                                                             : status::kNotAvailable);
            view_.ShowDevices(DeviceNames());
        }
        UpdateStates();
        MarkActive();
    });
}

void EditorController::MarkActive() {
    if (auto* table = list_.Shown()) {
        table->MarkActive(devices_->Tables());
        view_.ShowMappingList(table);
    }
}

void EditorController::ShowHelp() noexcept {
    RunTrapped(seams_.Dialogs, "Toolbar1_ButtonClick",
               [&] { seams_.Dialogs.ShowMessage(msg::HelpNotImplemented(kEditorTitle)); });
}

// ---- preferences -------------------------------------------------------------------------

void EditorController::EditPreferences() noexcept {
    RunTrapped(seams_.Dialogs, "MNoptions_Click", [&] {
        preferences_.Load();
        view_.ShowPreferences();
    });
}

void EditorController::TakeOverTimings(const EngineTimings& timings) noexcept {
    // The test reads the two rates again when it starts; the hold time is only set here.
    keyHoldMs_ = timings.KeyHoldMs;
}

// ---- the configuration list and the tabs -------------------------------------------------

void EditorController::EntryPressed(std::string_view key, bool rightButton) noexcept {
    RunTrapped(seams_.Dialogs, "ListView1_MouseDown", [&] {
        if (list_.Find(key) == nullptr)
            return;
        list_.Select(key);
        view_.SetStatusText(PathOf(key));
        Refresh();
        if (rightButton && states_.FileListMenuEnabled)
            view_.PopUpFileListMenu();
    });
}

void EditorController::EntryDoubleClicked(std::string_view key) noexcept {
    if (list_.Find(key) == nullptr)
        return;
    list_.Select(key);
    OpenSelected();
}

void EditorController::TabChosen(std::string_view key) noexcept {
    RunTrapped(seams_.Dialogs, "TabStrip1_Click", [&] {
        view_.SetStatusText(PathOf(key));
        if (!SameKey(key, kBlankKey) && list_.IsOpen(key) && !SameKey(key, list_.CurrentKey())) {
            MakeCurrent(key);
            view_.ScrollEntryIntoView(key);
        }
        Refresh();
        MarkActive();
    });
}

// ---- the mapping list --------------------------------------------------------------------

void EditorController::RowPressed(int row, int column, bool rightButton) noexcept {
    RunTrapped(seams_.Dialogs, "ListView3_MouseDown", [&] {
        auto* table = list_.Shown();
        if (table == nullptr || row < 0 || row >= table->RowCount())
            return;
        pressedRow_ = row;
        if (rightButton) {
            if (states_.MappingMenuEnabled)
                view_.PopUpMappingMenu();
        } else {
            keyColumn_ = column >= col::FirstPress ? column : 0;
        }
    });
}

void EditorController::ListClicked() noexcept {
    RunTrapped(seams_.Dialogs, "ListView3_Click", [&] {
        auto* table = list_.Shown();
        if (table == nullptr || table->RowCount() == 0)
            return;
        view_.SetKeyMappingText("");
        const int row = pressedRow_ >= 0 ? pressedRow_ : table->SelectedRow();
        pressedRow_ = -1;
        if (row < 0 || row >= table->RowCount())
            return;
        if (table->Select(row, recording_) && recording_)
            FollowLockFlags(table->Row(row));
        view_.RedrawMappingRows();
    });
}

void EditorController::FollowLockFlags(const PackedRow& row) {
    const auto on = [&](int column) -> std::int16_t {
        const Variant tag = row.Tag(column);
        return tag.kind() == Variant::Kind::Boolean && tag.ToBool() ? 1 : 0;
    };
    SetKeyState(seams_.Keyboard, kNumLockKey, on(col::NumLock));
    SetKeyState(seams_.Keyboard, kCapsLockKey, on(col::CapsLock));
    SetKeyState(seams_.Keyboard, kScrollLockKey, on(col::ScrollLock));
}

void EditorController::RowReleased(int row, int column, bool leftButton) noexcept {
    RunTrapped(seams_.Dialogs, "ListView3_MouseUp", [&] {
        auto* table = list_.Shown();
        if (table == nullptr || row < 0 || row >= table->RowCount() || !leftButton)
            return;
        view_.MarkKeyColumn(IsKeyColumn(column) ? column : 0, recording_);
        if (column == col::Description) {
            editRow_ = row;
            view_.OpenDescriptionEditor(row, table->Row(row)[col::Description].Text);
        }
    });
}

void EditorController::CellDoubleClicked(int row, int column) noexcept {
    RunTrapped(seams_.Dialogs, "ListView3_DblClick", [&] {
        auto* table = list_.Shown();
        if (testing_ || table == nullptr || row < 0 || row >= table->RowCount())
            return;
        table->Select(row, recording_);
        if (table->Edit(row, column) != CellEdit::None) {
            MarkModified();
            if (recording_)
                FollowLockFlags(table->Row(row));
        }
        view_.RedrawMappingRows();
        Refresh();
    });
}

void EditorController::ColumnClicked(int column) noexcept {
    RunTrapped(seams_.Dialogs, "ListView3_ColumnClick", [&] {
        auto* table = list_.Shown();
        if (table == nullptr || !table->SortByColumn(column))
            return;
        // The row order is saved with the file.
        MarkModified();
        view_.ShowMappingList(table);
        Refresh();
    });
}

void EditorController::DescriptionCommitted(std::string_view text) noexcept {
    RunTrapped(seams_.Dialogs, "TextEdit_LostFocus", [&] {
        view_.CloseDescriptionEditor();
        auto* table = list_.Shown();
        const int row = std::exchange(editRow_, -1);
        if (table == nullptr || row < 0 || row >= table->RowCount())
            return;
        const auto before = table->Row(row)[col::Description].Text;
        table->SetDescription(row, text);
        if (table->Row(row)[col::Description].Text != before)
            MarkModified();
        view_.RedrawMappingRows();
        Refresh();
    });
}

// ---- recording key mappings ------------------------------------------------------------

void EditorController::ToggleRecording() noexcept {
    RunTrapped(seams_.Dialogs, "Rec_Mappings", [&] {
        if (recording_)
            StopRecording();
        else
            StartRecording();
    });
}

void EditorController::StartRecording() {
    if (!list_.ConfigurationShown())
        return;
    recording_ = states_.Recording = true;
    try {
        ListClicked(); // the selected row turns RowRecording, the locks follow it
        view_.FocusMappingList();
        if (keyColumn_ >= col::FirstPress)
            view_.MarkKeyColumn(keyColumn_, true);
        InstalledHook hook;
        if (seams_.Hook != nullptr)
            hook = InstallHook(*seams_.Hook, *this);
        UpdateStates();
        hook_ = std::move(hook);
    } catch (...) {
        // Started in full or not at all: no hook is left behind a failed start.
        recording_ = states_.Recording = false;
        throw;
    }
}

void EditorController::StopRecording() {
    recording_ = states_.Recording = false;
    view_.SetKeyMappingText("");
    keyColumn_ = 0;
    view_.MarkKeyColumn(0, false);
    ListClicked();  // the selected row turns RowSelected; the locks stay as they are
    UpdateStates(); // the hook goes with the mode
}

void EditorController::KeyPressed(std::uint16_t virtualKey, std::uint16_t modifierMask) noexcept {
    if (!recording_ && !testing_)
        return;
    RunTrapped(seams_.Dialogs, "KB_Decode", [&] {
        view_.SetKeyMappingText("");
        const DecodedKeyEvent key = DecodeKeyEvent(virtualKey, modifierMask);
        if (key.Name.empty())
            return;
        view_.SetKeyMappingText(key.Text);
        if (testing_) {
            if (!recording_)
                view_.LogTestKey(key.Text);
            return;
        }
        if (auto* table = list_.Shown(); table != nullptr && IsKeyColumn(keyColumn_)) {
            table->SetKeyCell(table->SelectedRow(), keyColumn_,
                              {key.Text, Variant::Text(key.Name)});
            view_.RedrawMappingRows();
        }
        // Marked modified even when no key column is chosen.
        const auto* entry = list_.Find(list_.CurrentKey());
        const int before = entry != nullptr ? entry->State : filestate::Saved;
        MarkModified();
        if (entry != nullptr && entry->State != before)
            Refresh();
    });
}

void EditorController::DecodeKey(std::uint16_t virtualKey, std::uint16_t modifierMask) {
    KeyPressed(virtualKey, modifierMask);
}

void EditorController::ShowNote(std::string_view note) {
    view_.SetKeyMappingText(note);
}

void EditorController::DeleteKeyReleased() noexcept {
    if (recording_)
        return; // recorded as a key, not a command
    RemoveInactiveAndDuplicateRows();
}

// ---- list maintenance --------------------------------------------------------------------

ListMaintenance EditorController::Maintenance() {
    return ListMaintenance(list_.Shown(), devices_->Tables(), seams_.Dialogs, view_, kEditorTitle);
}

int EditorController::ChosenRow() const {
    const auto* table = list_.Shown();
    if (table == nullptr)
        return -1;
    return pressedRow_ >= 0 && pressedRow_ < table->RowCount() ? pressedRow_ : table->SelectedRow();
}

void EditorController::AddMissingRows() noexcept {
    RunTrapped(seams_.Dialogs, "Add_Devices", [&] {
        if (Maintenance().AddMissingRows())
            MarkModified();
    });
    pressedRow_ = -1; // rows moved
    Refresh();
}

void EditorController::RemoveInactiveAndDuplicateRows() noexcept {
    RunTrapped(seams_.Dialogs, "Del_Devices", [&] {
        if (Maintenance().RemoveInactiveAndDuplicateRows())
            MarkModified();
    });
    pressedRow_ = -1; // rows moved
    Refresh();
}

void EditorController::ReplaceDevice() noexcept {
    RunTrapped(seams_.Dialogs, "Swap_Devices", [&] {
        if (Maintenance().ReplaceDevice(ChosenRow()))
            MarkModified();
    });
    Refresh();
}

void EditorController::ClearRow() noexcept {
    RunTrapped(seams_.Dialogs, "ComClear_Click", [&] {
        auto* table = list_.Shown();
        const int row = ChosenRow();
        if (table == nullptr || row < 0)
            return;
        ClearRowCells(*table, row);
        // As a click on the row: recoloured, and while recording the lock keys follow it.
        ListClicked();
        view_.FocusMappingList();
        MarkModified();
        Refresh();
    });
}

void EditorController::ClearKeyCell() noexcept {
    RunTrapped(seams_.Dialogs, "ComClearItem_Click", [&] {
        auto* table = list_.Shown();
        const int row = ChosenRow();
        if (table == nullptr || table->RowCount() == 0)
            return;
        if (IsKeyColumn(keyColumn_) && row >= 0) {
            table->SetCell(row, keyColumn_, {"", Variant::Text("")});
            view_.RedrawMappingRows();
        }
        view_.FocusMappingList();
        MarkModified();
        Refresh();
    });
}

// ---- quitting ----------------------------------------------------------------------------

bool EditorController::ClosingProceeds() noexcept {
    bool proceed = true;
    RunTrapped(seams_.Dialogs, "Form_QueryUnload", [&] {
        if (!list_.ConfigurationShown())
            return;
        for (const auto& tab : list_.Tabs()) {
            const auto* entry = list_.Find(tab);
            if (entry != nullptr && IsUnsavedState(entry->State)) {
                proceed =
                    seams_.Dialogs.ShowMessage(msg::QuitWithoutSaving()) == MessageAnswer::Yes;
                return;
            }
        }
    });
    return proceed;
}

void EditorController::Shutdown() {
    hook_.reset();
    RunTrapped(seams_.Dialogs, "Form_Unload", [&] {
        devices_->DevicesReady = false;
        devices_->CloseBoards();
    });
    // The program ends whatever happened above.
    view_.Quit();
}

// ---- the live test -----------------------------------------------------------------------

void EditorController::ToggleTest() noexcept {
    RunTrapped(seams_.Dialogs, "Test_Mappings", [&] {
        if (testing_)
            StopTest();
        else
            StartTest();
    });
    UpdateStates();
}

void EditorController::StartTest() {
    MappingTable* table = list_.Shown();
    if (!list_.ConfigurationShown() || table == nullptr)
        return;
    const BusyPointer busy(view_);
    if (const auto refusal = RefusalMessage(DeviceRefusal(devices_->Tables()))) {
        seams_.Dialogs.ShowMessage(*refusal);
        return;
    }
    seams_.Dialogs.ShowMessage(msg::TestWarning());
    testing_ = true;
    view_.FocusMappingList();

    const std::string shownBefore(view_.StatusText());
    view_.SetStatusText("Compiling Key Mappings...");
    CompileTestTables(*table, devices_->Tables(), seams_.Keyboard, testTables_);
    view_.SetStatusText(shownBefore);
    testedKey_ = list_.CurrentKey();
    testedTable_ = table;
    testPolicy_ = std::make_unique<TestEnginePolicy>(*table, devices_->Tables(), view_);

    ApplyProcessPriority(seams_.Priority, window_, kHighPriorityClass);
    devices_->DevicesReady = true;
    auto& settings = engine_->Settings;
    settings.RepeatRate =
        ReadTimingSetting(seams_.Store, Setting::RepeatRate, program_.Folder) / 1000.0;
    settings.RotaryRate =
        ReadTimingSetting(seams_.Store, Setting::RotaryRate, program_.Folder) / 1000.0;
    settings.KeyHoldMs = keyHoldMs_;
    view_.ShowTestWindow();
    // The devices are read as often as the runner reads them ("PollFrequency").
    view_.SetPollTimer(true, ReadPollPeriodMs(seams_.Store, program_.Folder));
}

void EditorController::StopTest() {
    const BusyPointer busy(view_);
    view_.SetSecondStatusText(" ");
    view_.SetPollTimer(false, 0);
    view_.CloseTestWindow();
    ApplyProcessPriority(seams_.Priority, window_, kNormalPriorityClass);
    devices_->UnacquireControllers();
    // Nothing is sent: every row is simply released.
    if (auto* table = list_.Table(testedKey_)) {
        for (int r = 0; r < table->RowCount(); ++r)
            table->SetRowColour(r, rowcolour::Active);
        view_.RedrawMappingRows();
    }
    testPolicy_.reset();
    testedTable_ = nullptr;
    testing_ = false;
    devices_->DevicesReady = false;
}

void EditorController::TimerTick() noexcept {
    // The tested list is the one the tables were compiled from, shown or not.
    if (!testing_ || !testPolicy_ || list_.Table(testedKey_) != testedTable_)
        return;
    engine_->Pass(devices_->Tables().ButtonMap(), testTables_.PressKeys, testTables_.ReleaseKeys,
                  *testPolicy_);
}

} // namespace qm
