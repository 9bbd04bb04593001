#pragma once
// What the editor's controller asks of its main window: the Win32 shell implements it, tests
// record it. The configuration list, the tabs and the mapping list are views of the
// controller's model; the controller says when they changed and the window redraws them from
// the model. The status bar's first panel is the StatusSink text.
#include "core/busy_pointer.h"
#include "core/status.h"
#include "editor/command_states.h"
#include "editor/configuration_list.h"

#include <string>
#include <string_view>
#include <vector>

namespace qm {

class EditorView : public StatusSink {
public:
    virtual void SetCaption(std::string_view caption) = 0;

    // The configuration list and the tabs changed: entries, texts, colours, ghosting, icons,
    // the selection, the tab order or the selected tab (the current key's tab).
    virtual void ShowConfigurations(const ConfigurationList& list) = 0;
    virtual void ScrollEntryIntoView(std::string_view key) = 0;

    // The shown mapping list changed as a whole (another configuration, rows added, removed or
    // reordered): the window shows `table`, or the disabled placeholder when it is null, and
    // fits the columns.
    virtual void ShowMappingList(const MappingTable* table) = 0;
    // Only texts or colours of the shown rows changed.
    virtual void RedrawMappingRows() = 0;
    // The header marker of the key column chosen for recording (9 to 40; 0 for none).
    virtual void MarkKeyColumn(int column, bool recording) = 0;

    virtual void ApplyCommandStates(const EditorCommandStates& states) = 0;

    // The devices list: one name per attached device; empty shows "No Input Devices Found.".
    virtual void ShowDevices(const std::vector<std::string>& names) = 0;
    // The "Key Mapping:" box.
    virtual void SetKeyMappingText(std::string_view text) = 0;

    // The Description editor over a row of the shown list, with the row's text.
    virtual void OpenDescriptionEditor(int row, std::string_view text) = 0;
    virtual void CloseDescriptionEditor() = 0;

    virtual void PopUpFileListMenu() = 0;
    virtual void PopUpMappingMenu() = 0;

    // The hourglass pointer while a command works.
    virtual void SetBusy(bool busy) = 0;
    virtual void Minimize() = 0;
    // Ends the program's message loop.
    virtual void Quit() = 0;

    // The keyboard focus to the mapping list.
    virtual void FocusMappingList() = 0;
    // A key decoded while testing: its text for the test window's log.
    virtual void LogTestKey(std::string_view text) = 0;
    // The one member called from another thread, the live test's passes: asks the window's
    // thread to show what they changed (EditorController::ShowTestPasses), without waiting.
    virtual void WakeForTestPasses() = 0;
    // Opens the preferences window (modal); it works through the controller's preferences.
    virtual void ShowPreferences() = 0;
    // The live test. The status bar's second panel, and the first panel's text as shown.
    virtual void SetSecondStatusText(std::string_view text) = 0;
    // The third panel: the axis moved last while testing ("" when none).
    virtual void SetAxisStatusText(std::string_view text) = 0;
    virtual std::string_view StatusText() const = 0;
    // Row `row` (0-based) of the shown mapping list scrolled into view.
    virtual void ScrollRowIntoView(int row) = 0;
    // The cell the list's keys act on scrolled into view: its row when there is one (>= 0),
    // its column when there is one.
    virtual void ScrollCellIntoView(int row, int column) = 0;
    // The line that says what to do while nothing can be shown (no configuration, no device)
    // in place of the empty list; empty: the list.
    virtual void ShowStartHint(std::string_view text) = 0;
    // The test window, not modal: shown when a test starts, closed when it stops.
    virtual void ShowTestWindow() = 0;
    virtual void CloseTestWindow() = 0;
    // The live test's passes (EditorController::TestPass) every `periodMs` on a thread of their
    // own while enabled; disabling returns once the last pass has ended.
    virtual void SetPollTimer(bool enabled, int periodMs) = 0;
};

} // namespace qm
