#pragma once
// The editor's commands and start-up, without any window: the configuration list and its files
// (New, Clone, Load, Open, Close, Save, Save As, Delete, Change Icon, Run), the tabs, the
// mapping list's editing, the device refresh, the command line, dropped files, the quit
// question and the command states. The Win32 shell forwards its events here and implements
// EditorView.
#include "core/clock.h"
#include "core/file_system.h"
#include "core/program_info.h"
#include "devices/input_devices.h"
#include "editor/command_states.h"
#include "editor/configuration_list.h"
#include "editor/editor_dialogs.h"
#include "editor/editor_preferences.h"
#include "editor/editor_view.h"
#include "editor/list_maintenance.h"
#include "editor/live_test.h"
#include "editor/shell_operations.h"
#include "engine/mapping_engine.h"
#include "keyboard/hook_policy.h"
#include "keyboard/keyboard.h"
#include "settings/known_files.h"
#include "settings/process_priority.h"
#include "settings/settings_store.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Members named after their seams: the types are qualified so that the names may be reused.
struct EditorSeams {
    SettingsStore& Store;
    FileSystem& Files;
    EditorDialogs& Dialogs;
    ShellOperations& Shell;
    JoystickApi& Joysticks;
    BoardLibrary& Boards;
    qm::Keyboard& Keyboard;
    ProcessPriority& Priority;
    qm::Clock& Clock;
    // The low-level hook while recording; none: recording goes on without it.
    KeyboardHookControl* Hook = nullptr;
};

class EditorController final : private HookTarget {
public:
    EditorController(ProgramInfo program, EditorSeams seams, EditorView& view);
    ~EditorController() override;
    EditorController(const EditorController&) = delete;
    EditorController& operator=(const EditorController&) = delete;

    // Start-up once the window exists: caption, settings, the configuration list from the
    // folder and the known files, the device scan, the command states, then the command line
    // (one configuration file to load).
    void Start(std::string_view commandLine, WindowHandle mainWindow) noexcept;

    // File commands (toolbar, main menu, the file list's context menu). Each traps its own
    // errors under the procedure name its error box shows and updates the command states.
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
    void RefreshDevices() noexcept;
    // Starts the runner on the selected configuration and minimises the editor.
    void RunSelected() noexcept;
    void ShowHelp() noexcept;
    // Files dropped on the window or one of its lists: the first is loaded.
    void DropFiles(const std::vector<std::string>& paths) noexcept;

    // The configuration list and the tabs. An empty key: no entry under the pointer.
    void EntryPressed(std::string_view key, bool rightButton) noexcept;
    void EntryDoubleClicked(std::string_view key) noexcept;
    void TabChosen(std::string_view key) noexcept;

    // The mapping list. `row` is 0-based, -1 when no row is under the pointer; `column` is the
    // cell's column (0 to 40), -1 when none.
    void RowPressed(int row, int column, bool rightButton) noexcept;
    void RowReleased(int row, int column, bool leftButton) noexcept;
    // A click on the list, after the press selected a row: the rows are recoloured.
    void ListClicked() noexcept;
    void CellDoubleClicked(int row, int column) noexcept;
    void ColumnClicked(int column) noexcept;
    // The Description editor closed (Enter or the focus left it) with this text.
    void DescriptionCommitted(std::string_view text) noexcept;

    // Recording key mappings (the record button and the mapping list's "Record Key Mappings" /
    // "Stop Recording"): on, or off again. The keyboard hook is installed exactly while it is on.
    void ToggleRecording() noexcept;
    // A key went down in one of the editor's windows, or the hook captured it: while recording
    // it goes into the chosen key cell of the selected row, while testing into the test log.
    void KeyPressed(std::uint16_t virtualKey, std::uint16_t modifierMask) noexcept;
    // The Delete key came up in the mapping list: it removes items, unless it was recorded.
    void DeleteKeyReleased() noexcept;
    // List maintenance of the shown list (the mapping buttons and the mapping list's pop-up):
    // rows added for missing buttons and devices, inactive and duplicate rows removed (also
    // the Delete key in the list), the selected row's device replaced, the selected row
    // cleared, the chosen key cell of the selected row cleared.
    void AddMissingRows() noexcept;
    void RemoveInactiveAndDuplicateRows() noexcept;
    void ReplaceDevice() noexcept;
    void ClearRow() noexcept;
    void ClearKeyCell() noexcept;

    // A request to close the main window: false when the user chose to stay.
    bool ClosingProceeds() noexcept;
    // Program end: the boards closed, devices released, then the message loop ends.
    void Shutdown();

    // The live test (the Test button, the mapping list's "Test Key Mappings"): starts testing
    // the configuration shown, or stops the test.
    void ToggleTest() noexcept;
    // The poll timer's tick: one pass over the devices while testing.
    void TimerTick() noexcept;
    bool Testing() const { return testing_; }
    // The preferences window (Options): loaded from the settings, then shown; the window works
    // through Preferences(), and hands what Apply returned to TakeOverTimings.
    void EditPreferences() noexcept;
    EditorPreferences& Preferences() { return preferences_; }
    void TakeOverTimings(const EngineTimings& timings) noexcept;
    // How long the test holds each key chord down: 0 until the preferences are applied.
    int KeyHoldMs() const { return keyHoldMs_; }

    // State, for the shell and for tests.
    const ConfigurationList& Configurations() const { return list_; }
    const EditorCommandStates& CommandStates() const { return states_; }
    const DeviceTables& Devices() const { return devices_->Tables(); }
    bool DevicesReady() const { return devices_->DevicesReady; }
    bool Recording() const { return recording_; }
    // The key column chosen for recording (9 to 40), 0 for none.
    int KeyColumn() const { return keyColumn_; }
    const std::string& Caption() const { return caption_; }
    // The configuration folder, with its trailing "\".
    const std::string& ConfigurationFolder() const { return folder_; }

private:
    // Start-up: the association, the configuration folder and the listing of its files.
    void ReadSettingsAndListFiles();
    std::string PathOf(std::string_view entry) const;
    std::string IconPathOf(std::string_view entry) const;
    std::vector<std::string> DeviceNames() const;
    // The command states from the editor's state, applied to the window.
    void UpdateStates();
    // After a command: the lists redrawn and the command states updated.
    void Refresh();
    // An edit of the shown configuration: changed, unless it was never saved.
    void MarkModified();
    // Shows the configuration of `key`: its entry selected and marked, its list shown.
    void MakeCurrent(std::string_view key);
    void ShowPlaceholder();
    // After a tab went: the placeholder when none is left, else a remaining configuration.
    void AfterTabRemoved();
    // Forgets an open configuration's list and frees its entry name.
    void Discard(std::string_view key);
    void MarkActive();
    // While recording, the keyboard's lock keys follow the row's flags.
    void FollowLockFlags(const PackedRow& row);

    // The commands' bodies, which call one another: the public commands trap them once.
    void Open();
    // New (no source) or Clone (a copy of `source`).
    void Create(const MappingTable* source);
    void Load(const std::string& file);
    void Close();
    void Delete(bool ask);
    // Save of the selected configuration to its file; the entry name on success.
    std::optional<std::string> SaveToOwnFile();
    // Save As of the selected configuration; the entry name that holds the file on success
    // (saving may move the configuration to another entry).
    std::optional<std::string> SaveUnderNewName();
    void CopyRowsInto(std::string_view key, std::string_view source);
    bool WriteNewFile(const std::string& path, const MappingTable& table);
    ListMaintenance Maintenance();
    // The selected row of the shown list: the row the last press chose, else the list's.
    int ChosenRow() const;

    void StartRecording();
    void StopRecording();
    // The hook's events while recording.
    void DecodeKey(std::uint16_t virtualKey, std::uint16_t modifierMask) override;
    void ShowNote(std::string_view note) override;

    ProgramInfo program_;
    EditorSeams seams_;
    EditorView& view_;
    std::string caption_;
    std::string folder_;
    WindowHandle window_ = nullptr;
    std::unique_ptr<InputDevices> devices_;
    ConfigurationList list_;
    EditorCommandStates states_ = DesignedCommandStates();
    ReservedEntryNames reserved_;
    int keyColumn_ = 0;
    int editRow_ = -1;    // the row the Description editor writes to
    int pressedRow_ = -1; // the row the last press on the mapping list selected
    bool recording_ = false;
    bool testing_ = false;

    // The live test: its start and stop, the engine, the tables compiled from the tested
    // configuration and the engine's rules for it.
    void StartTest();
    void StopTest();
    std::unique_ptr<MappingEngine> engine_;
    TestTables testTables_;
    std::unique_ptr<TestEnginePolicy> testPolicy_;
    std::string testedKey_;
    const MappingTable* testedTable_ = nullptr;
    // The hold of every injected key, in milliseconds: 0 until the preferences are applied.
    InstalledHook hook_; // while recording
    EditorPreferences preferences_;
    int keyHoldMs_ = 0;
};

} // namespace qm
