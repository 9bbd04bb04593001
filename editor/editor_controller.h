#pragma once
// The editor's commands and start-up, without any window: the configuration list and its files
// (New, Clone, Load, Open, Close, Save, Save As, Delete, Change Icon, Run), the tabs, the
// mapping list's editing, the device refresh, the command line, dropped files, the quit
// question and the command states. The Win32 shell forwards its events here and implements
// EditorView.
#include "core/dialogs.h"
#include "core/file_system.h"
#include "core/program_info.h"
#include "devices/input_devices.h"
#include "editor/command_states.h"
#include "editor/configuration_list.h"
#include "editor/editor_view.h"
#include "editor/shell_operations.h"
#include "keyboard/keyboard.h"
#include "settings/known_files.h"
#include "settings/settings_store.h"

#include <memory>
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
    ProgramInfo program_;
    EditorSeams seams_;
    EditorView& view_;
    std::string caption_;
    std::string folder_;
    WindowHandle window_ = nullptr;
    std::unique_ptr<InputDevices> devices_;
    ConfigurationList list_;
    EditorCommandStates states_;
    ReservedEntryNames reserved_;
    int keyColumn_ = 0;
    int editRow_ = -1; // the row the Description editor writes to
    bool recording_ = false;
    bool testing_ = false;
};

} // namespace qm
