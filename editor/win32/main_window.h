#pragma once
// The editor's main window: the configuration list, the tabs over the mapping list, the input
// devices with the mapping buttons and the "Key Mapping:" box, the toolbar, the menus, the
// status bar and the Description editor. It shows what the controller tells it (EditorView),
// forwards every event to the controller and decides nothing itself.
#include "editor/command_states.h"
#include "editor/configuration_list.h"
#include "editor/editor_view.h"
#include "editor/win32/editor_pictures.h"
#include "editor/win32/test_window.h"
#include "ui/win32/handed_over_paths.h"
#include "ui/win32/poll_timer.h"
#include "ui/win32/shell_handles.h"
#include "ui/win32/win32_dialogs.h"
#include "ui/win32/window_parts.h"

#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {
class EditorController;
}

namespace qm::win32 {

class EditorWindow final : public EditorView, private MainWindowEvents {
public:
    EditorWindow(HINSTANCE instance, Win32Dialogs& dialogs);
    ~EditorWindow() override;
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // Creates the window, hidden, with its controls and menus and the caption given; false
    // when the system refused.
    bool Create(std::wstring_view caption);
    // Shows the window at its designed size, centred on its monitor.
    void Show(int showCommand);
    HWND Handle() const { return window_.Get(); }
    // Events go to the controller from now on (null: nowhere, while the program ends).
    void Attach(EditorController* controller) {
        // The passes end before the controller they call goes.
        testPasses_.Stop();
        controller_ = controller;
        testWindow_.Attach(controller);
    }
    PollTimer& Timer() { return poll_; }

    // StatusSink.
    void SetStatusText(std::string_view text) override;

    // EditorView.
    void SetCaption(std::string_view caption) override;
    void ShowConfigurations(const ConfigurationList& list) override;
    void ScrollEntryIntoView(std::string_view key) override;
    void ShowMappingList(const MappingTable* table) override;
    void RedrawMappingRows() override;
    void MarkKeyColumn(int column, bool recording) override;
    void ApplyCommandStates(const EditorCommandStates& states) override;
    void ShowDevices(const std::vector<std::string>& names) override;
    void SetKeyMappingText(std::string_view text) override;
    void OpenDescriptionEditor(int row, std::string_view text) override;
    void CloseDescriptionEditor() override;
    void PopUpFileListMenu() override;
    void PopUpMappingMenu() override;
    void SetBusy(bool busy) override;
    void Minimize() override;
    void Quit() override;
    void SetSecondStatusText(std::string_view text) override;
    void SetAxisStatusText(std::string_view text) override;
    std::string_view StatusText() const override { return statusText_; }
    void ScrollRowIntoView(int row) override;
    void ScrollCellIntoView(int row, int column) override;
    void ShowStartHint(std::string_view text) override;
    void FocusMappingList() override;
    void ShowTestWindow() override;
    void CloseTestWindow() override;
    void LogTestKey(std::string_view text) override;
    void SetPollTimer(bool enabled, int periodMs) override;
    void WakeForTestPasses() override;

    // Sees every message of the thread before it is dispatched: key presses go to the
    // controller, which records or logs them while recording or testing. Takes (true) the key
    // of a shortcut that runs its command, and while recording the characters that would work
    // the window's access keys.
    bool PreviewMessage(const MSG& message);
    void ShowPreferences() override;

private:
    // Where a point of the mapping list falls: row and column, -1 for none.
    struct Cell {
        int Row = -1;
        int Column = -1;
    };

    // The window's messages come through RoutedProcedures; an error escaping them is reported
    // under kProcedure.
    friend struct RoutedProcedures;
    static constexpr const char* kProcedure = "Form1";
    Win32Dialogs& Boxes() { return dialogs_; }
    void Bind(HWND window) { window_.Reset(window); }
    void Unbind() { window_.Release(); }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate();
    // MainWindowEvents. The system's message font changed: the controls take it and are laid
    // out again.
    bool SessionMayEnd() override;
    void OnEndSession() override;
    void OnDpiChanged(UINT dpi, const RECT* suggested) override;
    void OnMessageFontChanged() override;
    LRESULT OnNotify(NMHDR& header);
    // The mapping list's own messages: the result, or none for the control's own handling.
    std::optional<LRESULT> OnMappingListMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMappingListNotify(NMHDR& header);
    LRESULT OnMappingListDraw(NMLVCUSTOMDRAW& draw);
    LRESULT OnConfigurationListDraw(NMLVCUSTOMDRAW& draw);
    void OnMappingListText(NMLVDISPINFOW& info);
    // A command of the command table, run when the command states enable it.
    void OnCommand(int id, int code, HWND source);
    void OnDropFiles(HDROP drop);
    void OnMinMaxInfo(MINMAXINFO& info) const;
    void OnEnter();
    void OnClose();
    // Mouse events of the lists: true when the control's own handling is to be skipped.
    bool OnConfigurationListMouse(UINT message, LPARAM lParam);
    bool OnMappingListMouse(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnDescriptionEditorMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    void CommitDescription();
    // The cell of the list's item in the window's coordinates of the list; false when none.
    bool MappingCellBounds(int item, int column, RECT& bounds) const;
    // The list's focus rectangle stays on the selected row, which the row colours show.
    void FocusSelectedMappingRow();
    // Tab and Shift+Tab from one of the main controls: the next one in reading order. The tab
    // strip lies under the mapping list it frames, so the order of the windows cannot give it.
    // False for another key or another control.
    bool TabInReadingOrder(const MSG& message, std::uint16_t mask);

    void CreateControls();
    // The lists' styles and columns, the status bar's panels, the placeholder tab and list.
    void SetUpControls();
    void AddToolbarButtons();
    void CreateMenus();
    void ApplyPictures();
    void ApplyMenuPictures();
    void ApplyFont();
    void ApplyButtonPictures();
    void CreateMappingColumns();
    void FitMappingColumns();
    void Layout();
    // The devices frame with the list and the mapping buttons, its bottom at `bottom`; returns
    // its top.
    int LayoutDeviceFrame(int left, int right, int bottom);
    // The client size the window is designed for, at the current DPI.
    SIZE DesignedClientSize() const;
    SIZE DesignedWindowSize() const;
    Cell MappingCellAt(POINT point) const;
    // The list's items are the rows of the shift layer the table shows: the row of an item and
    // the item of a row (-1 for a row the view hides).
    int RowOfItem(int item) const;
    int ItemOfRow(int row) const;
    // A mouse button or wheel notch on the list while recording: recorded when it is on the
    // recording cell (true), else left to the list.
    bool RecordMouse(std::uint16_t code, POINT point);
    std::string ConfigurationKeyAt(POINT point) const;
    void ShowEntries(const ConfigurationList& list);
    void ShowTabs(const ConfigurationList& list);
    // The image of an icon source in the entry image lists, added when new.
    int EntryImage(const std::string& iconSource);
    // A status bar panel's text, unless it shows it already (`shown`: what it shows).
    void SetStatusPanel(int panel, std::string& shown, std::string_view text);
    void SaveScrollPosition();
    void RestoreScrollPosition(const std::string& key);

    HINSTANCE instance_;
    Win32Dialogs& dialogs_;
    EditorController* controller_ = nullptr;
    UniqueWindow window_;
    // The window hears HID devices arrive and go.
    UniqueDeviceNotification hidNotifications_;
    HWND toolbar_ = nullptr;
    HWND configurationList_ = nullptr;
    HWND tabs_ = nullptr;
    HWND mappingList_ = nullptr;
    HWND deviceFrame_ = nullptr;
    HWND deviceList_ = nullptr;
    HWND keyMappingLabel_ = nullptr;
    HWND keyMapping_ = nullptr;
    std::array<HWND, 7> mappingButtons_{};
    HWND statusBar_ = nullptr;
    HWND descriptionEditor_ = nullptr;
    HWND descriptionShadow_ = nullptr;
    HWND startHint_ = nullptr;
    std::string startHintText_;
    // The control that gets the focus when the window is activated again.
    RememberedFocus focus_;
    UINT dpi_ = 96;
    UniqueFont font_;
    UniqueBrush shadowBrush_;

    EditorPictures pictures_;
    // The configurations' shell icons, large (the configuration list) and small (its small
    // view and the tabs), one picture per icon source (ShellIconSource).
    UniqueImageList entriesLarge_, entriesSmall_;
    std::unordered_map<std::wstring, int> entryImageOf_;

    // What the controls show, as the controller last gave it.
    EditorCommandStates states_;
    std::vector<std::string> entryKeys_;
    std::vector<COLORREF> entryColours_;
    std::vector<std::string> tabKeys_;
    const MappingTable* shownTable_ = nullptr;
    std::string shownKey_;
    // The rows the list shows when it shows one layer; every row when `layerView_` is false.
    std::vector<int> shownRows_;
    bool layerView_ = false;
    // Each open configuration's first visible row and horizontal scroll position.
    std::map<std::string, POINT, KeyLess> scrollPositions_;
    int markedColumn_ = 0;
    bool markedRecording_ = false;

    // The mapping list's mouse: the last release point (double-clicks act there) and whether
    // the left button went down on it.
    POINT lastRelease_{-1, -1};
    bool leftPressed_ = false;
    // A right button press was recorded: its release opens no menu.
    bool rightRecorded_ = false;
    bool descriptionOpen_ = false;
    std::string statusText_;
    WaitPointer waitPointer_;

    PollTimer poll_;
    // The live test's passes and its controllers' events, on a thread of their own.
    class TestPolling final : public PollClient {
    public:
        EditorController* Controller = nullptr;
        std::span<void* const> PollEvents() const override;
        void OnTick() noexcept override;
        void OnEvents() noexcept override;
    };
    TestPolling testPolling_;
    PollThread testPasses_;
    TestWindow testWindow_;
    std::string secondStatusText_;
    std::string axisStatusText_;
    // Paths a second start handed over, until they are loaded.
    HandedOverPaths handedOver_;
};

} // namespace qm::win32
