#pragma once
// The editor's commands and start-up, without any window: the configuration list and its files
// (New, Clone, Load, Open, Close, Save, Save As, Delete, Change Icon, Run), the tabs, the
// mapping list's editing, the device refresh, the command line, dropped files, the quit
// question and the command states. The Win32 shell forwards its events here and implements
// EditorView.
#include "core/clock.h"
#include "core/dialogs.h"
#include "core/file_system.h"
#include "core/program_info.h"
#include "devices/input_devices.h"
#include "editor/command_states.h"
#include "editor/configuration_list.h"
#include "editor/editor_view.h"
#include "editor/live_test.h"
#include "editor/shell_operations.h"
#include "keyboard/keyboard.h"
#include "runner/mapping_engine.h"
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
    qm::Dialogs& Dialogs;
    ShellOperations& Shell;
    JoystickApi& Joysticks;
    BoardLibrary& Boards;
    qm::Keyboard& Keyboard;
    ProcessPriority& Priority;
    qm::Clock& Clock;
};

class EditorController {
public:
    EditorController(ProgramInfo program, EditorSeams seams, EditorView& view);
    ~EditorController();
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

    // A request to close the main window: false when the user chose to stay.
    bool ClosingProceeds() noexcept;
    // Program end: the boards closed, devices released, then the message loop ends.
    void Shutdown();

    // The live test (the Test button, the mapping list's "Test Key Mappings"): starts testing
    // the configuration shown, or stops the test.
    void ToggleTest() noexcept;
    // The poll timer's tick: one pass over the devices while testing.
    void TimerTick() noexcept;
    // A key-down in the test window: logged while testing; false when no test runs (the
    // window then closes).
    bool TestWindowKeyDown(std::uint16_t keyCode, std::uint16_t mask) noexcept;
    bool Testing() const { return testing_; }

    // State, for the shell and for tests.
    const ConfigurationList& Configurations() const { return list_; }
    const EditorCommandStates& CommandStates() const { return states_; }
    const DeviceTables& Devices() const { return devices_->Tables(); }
    bool DevicesReady() const { return devices_->DevicesReady; }
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
    void FollowLockFlags(const MappingRow& row);

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
    bool WriteNewFile(const std::string& path, const MappingTable& table);

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
    int keyHoldMs_ = 0;
};

} // namespace qm
