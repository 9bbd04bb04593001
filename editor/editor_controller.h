#pragma once
// The editor's commands and start-up, without any window. The controller owns the state its
// units share and routes each command to its unit: the file commands over the configuration
// list and the tabs, the mapping list's editing and maintenance, recording, the live test.
// Start-up, the device refresh, the preferences and quitting it does itself. The Win32 shell
// forwards its events here and implements EditorView.
#include "core/program_info.h"
#include "core/user_guide.h"
#include "editor/command_states.h"
#include "editor/configuration_list.h"
#include "editor/editor_preferences.h"
#include "editor/editor_state.h"
#include "editor/editor_view.h"
#include "editor/file_commands.h"
#include "editor/key_recording.h"
#include "editor/live_test_session.h"
#include "editor/mapping_list_editing.h"
#include "settings/timing_boxes.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class EditorController final {
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
    void OpenSelected() noexcept { files_.OpenSelected(); }
    void NewConfiguration() noexcept { files_.NewConfiguration(); }
    void CloneSelected() noexcept { files_.CloneSelected(); }
    // Loads a file and opens it, listing it if it is new; an empty path asks for one.
    void LoadConfigurationFile(const std::string& path) noexcept {
        files_.LoadConfigurationFile(path);
    }
    void CloseSelected() noexcept { files_.CloseSelected(); }
    void Save() noexcept { files_.Save(); }
    void SaveAs() noexcept { files_.SaveAs(); }
    // Deletes the selected configuration after asking: its file goes to the recycle bin.
    void DeleteSelected() noexcept { files_.DeleteSelected(); }
    void ChangeIcon() noexcept { files_.ChangeIcon(); }
    void RefreshDevices() noexcept;
    // Starts the runner on the selected configuration and minimises the editor.
    void RunSelected() noexcept { files_.RunSelected(); }
    // The user guide: the Help button opens its start page; Help > Contents and F1 (WM_HELP)
    // open the topic's page. Where the guide is, for the about box.
    void ShowHelp() noexcept;
    void ShowGuide(GuideTopic topic) noexcept;
    std::string GuideLocation() const;
    // What a second start hands over to the editor that runs: the full path of the file its
    // command line names (expanded in the second start's folder), or nothing.
    static std::optional<std::string> PathToHandOver(std::string_view commandLine,
                                                     FileSystem& files) {
        const auto text = FileCommands::FileOnCommandLine(commandLine);
        return text ? files.FullPath(*text) : std::nullopt;
    }
    // A full path handed over by a second start: loaded as the command line loads it. While a
    // test or recording runs (the file commands wait as well) it is kept, with any that came
    // after it, until that ends.
    void LoadHandedOver(const std::string& path) noexcept;
    // Files dropped on the window or one of its lists: the first is loaded.
    void DropFiles(const std::vector<std::string>& paths) noexcept { files_.DropFiles(paths); }

    // The configuration list and the tabs. An empty key: no entry under the pointer.
    void EntryPressed(std::string_view key, bool rightButton) noexcept {
        files_.EntryPressed(key, rightButton);
    }
    void EntryDoubleClicked(std::string_view key) noexcept { files_.EntryDoubleClicked(key); }
    void TabChosen(std::string_view key) noexcept { files_.TabChosen(key); }

    // The mapping list. `row` is 0-based, -1 when no row is under the pointer; `column` is the
    // cell's column (0 to 40), -1 when none.
    void RowPressed(int row, int column, bool rightButton) noexcept {
        listEditing_.RowPressed(row, column, rightButton);
    }
    void RowReleased(int row, int column, bool leftButton) noexcept {
        listEditing_.RowReleased(row, column, leftButton);
    }
    // A click on the list, after the press selected a row: the rows are recoloured.
    void ListClicked() noexcept {
        listEditing_.ListClicked();
        test_.ListRecoloured();
    }
    void CellDoubleClicked(int row, int column) noexcept {
        listEditing_.CellDoubleClicked(row, column);
    }
    void ColumnClicked(int column) noexcept {
        listEditing_.ColumnClicked(column);
        test_.ListRecoloured();
    }
    // The Description editor closed (Enter or the focus left it) with this text.
    void DescriptionCommitted(std::string_view text) noexcept {
        listEditing_.DescriptionCommitted(text);
    }
    // Escape in the Description editor: closed, the text unchanged.
    void DescriptionCancelled() noexcept { listEditing_.DescriptionCancelled(); }
    // A key in the mapping list: moves or edits outside recording (`pageRows`: the rows a page
    // shows).
    void ListKeyPressed(ListKey key, int pageRows) noexcept {
        listEditing_.KeyPressed(key, pageRows);
    }

    // Recording key mappings (the record button and the mapping list's "Record Key Mappings" /
    // "Stop Recording"): on, or off again. The keyboard hook is installed exactly while it is on.
    void ToggleRecording() noexcept {
        recording_.Toggle();
        LoadHeldOver();
    }
    // A key went down in one of the editor's windows, or the hook captured it: while recording
    // it goes into the chosen key cell of the selected row, while testing into the test log.
    void KeyPressed(std::uint16_t virtualKey, std::uint16_t modifierMask) noexcept {
        test_.KeyArrived();
        recording_.KeyPressed(virtualKey, modifierMask);
    }
    // A mouse button or wheel notch on the mapping list: recorded when it is on the recording
    // cell while recording (true), else the list's own click.
    bool MouseClicked(int row, int column, std::uint16_t mouseCode,
                      std::uint16_t modifierMask) noexcept {
        return recording_.MouseClicked(row, column, mouseCode, modifierMask);
    }
    // The Delete key came up in the mapping list: it removes items, unless it was recorded.
    void DeleteKeyReleased() noexcept;
    // List maintenance of the shown list (the mapping buttons and the mapping list's pop-up):
    // rows added for missing buttons and devices, inactive and duplicate rows removed (also
    // the Delete key in the list), the selected row's device replaced, the selected row
    // cleared, the chosen key cell of the selected row cleared.
    void AddMissingRows() noexcept { listEditing_.AddMissingRows(); }
    void RemoveInactiveAndDuplicateRows() noexcept {
        listEditing_.RemoveInactiveAndDuplicateRows();
    }
    void ReplaceDevice() noexcept { listEditing_.ReplaceDevice(); }
    void ClearRow() noexcept { listEditing_.ClearRow(); }
    void ClearKeyCell() noexcept { listEditing_.ClearKeyCell(); }
    void AddHatDiagonals() noexcept { listEditing_.AddHatDiagonals(); }
    void AddAxisBand() noexcept { listEditing_.AddAxisBand(); }
    // Shift layers: the layer the list shows (none: all), the chosen row copied into a layer,
    // a layer or pointer name put into the chosen key cell.
    void ShowLayer(std::optional<int> layer) noexcept { listEditing_.ShowLayer(layer); }
    void CopyToLayer(int layer) noexcept { listEditing_.CopyToLayer(layer); }
    void SetKeyCellName(std::string_view name) noexcept { listEditing_.SetKeyCellName(name); }

    // A request to close the main window: false when the user chose to stay.
    bool ClosingProceeds() noexcept;
    // Program end: the boards closed, devices released, then the message loop ends.
    void Shutdown() noexcept;

    // The live test (the Test button, the mapping list's "Test Key Mappings"): starts testing
    // the configuration shown, or stops the test.
    void ToggleTest() noexcept {
        test_.Toggle();
        LoadHeldOver();
    }
    // The live test's passes, on their own thread (EditorView::SetPollTimer): one pass over the
    // devices at each tick, and the controllers' events to wait on beside it with the handling
    // of what they buffered.
    void TestPass() noexcept { test_.TimerTick(); }
    std::span<void* const> DeviceEvents() const { return test_.DeviceEvents(); }
    void HandleDeviceEvents() noexcept { test_.HandleDeviceEvents(); }
    // The window's thread, woken by the passes (EditorView::WakeForTestPasses): shows what they
    // changed.
    void ShowTestPasses() noexcept { test_.ShowPasses(); }
    // The window's thread: the system said devices came or went; noted while testing.
    void DevicesChanged() noexcept { test_.DevicesChanged(); }
    bool Testing() const { return state_.Testing; }
    // The preferences window (Options): loaded from the settings, then shown; the window works
    // through Preferences(), and hands what Apply returned to TakeOverTimings.
    void EditPreferences() noexcept;
    EditorPreferences& Preferences() { return preferences_; }
    void TakeOverTimings(const EngineTimings& timings) noexcept;
    // How long the test holds each key chord down: 0 until the preferences are applied.
    int KeyHoldMs() const { return test_.KeyHoldMs(); }

    // State, for the shell and for tests.
    const ConfigurationList& Configurations() const { return state_.List; }
    const EditorCommandStates& CommandStates() const { return state_.States; }
    const DeviceTables& Devices() const { return state_.Devices->Tables(); }
    bool DevicesReady() const { return state_.Devices->DevicesReady; }
    bool Recording() const { return state_.Recording; }
    // The key column chosen for recording (9 to 40).
    std::optional<int> KeyColumn() const { return state_.KeyColumn; }
    // The column the mapping list's keys act on (0 to 40).
    std::optional<int> ListColumn() const { return state_.ListColumn; }
    const std::string& Caption() const { return state_.Caption; }
    // The configuration folder, with its trailing "\".
    const std::string& ConfigurationFolder() const { return state_.Folder; }

private:
    // Program start: the devices scanned, "no input devices" said when none is attached.
    void ScanDevicesAtStart();
    // Loads the handed-over files kept so far, in the order they came, unless a test or
    // recording runs.
    void LoadHeldOver() noexcept;

    // The state the units share, then the units over it.
    EditorState state_;
    FileCommands files_;
    MappingListEditing listEditing_;
    KeyRecording recording_;
    LiveTestSession test_;
    EditorPreferences preferences_;
    // Handed-over files not loaded yet; true while they are being loaded.
    std::deque<std::string> heldOver_;
    bool loadingHeldOver_ = false;
};

} // namespace qm
