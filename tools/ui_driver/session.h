#pragma once
// What the verbs of a driver script share: the session of one script run (the programs it
// started, the answers queued for their boxes, the records printed), the controls and limits
// they wait with, and the helpers that read windows and captions. Each family of verbs is
// defined in a file of its own (*_verbs.cpp); the grammar, the one table of every verb, is in
// interpreter.cpp.
#include "browser_verbs.h"
#include "core/win32/win32_handle.h"
#include "harness.h"
#include "program_windows.h"
#include "remote.h"
#include "script.h"
#include "ui/win32/shell_handles.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace qm::e2e::verbs {

inline const int kConfigurationListId = EditorControlIds().ConfigurationList;
inline const int kTabsId = EditorControlIds().Tabs;
inline const int kMappingListId = EditorControlIds().MappingList;
inline const int kToolbarId = EditorControlIds().Toolbar;

// Message boxes as the system builds them: the text and the icon.
inline constexpr int kBoxTextId = 0xFFFF;

// File dialogs: the file name box (a combo box with an edit, or an edit).
inline constexpr int kFileNameComboId = 0x47C;
inline constexpr int kFileNameEditId = 0x480;

// Generous waits for what should take a moment on a busy machine.
inline constexpr DWORD kStartMs = 30000, kActionMs = 60000, kAppearMs = 10000;

// How long a box may stay unanswered before the script fails.
inline constexpr DWORD kUnansweredMs = 1500;

class ActionFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& why);

// How many processes of that executable file name run.
int CopiesRunning(const std::wstring& executable);

std::wstring Wide(std::string_view text);

std::wstring ClassOf(HWND window);

// A caption as the driver compares it: without '&' and surrounding spaces, in lower case.
std::wstring Plain(std::wstring_view caption);

// Without '&' and surrounding spaces, as shown.
std::string Shown(std::wstring_view caption);

// Line breaks and tabs of a text as \n, \r and \t, so that a record stays one line.
std::string OneLine(std::wstring_view text);

std::string ReadBytes(const std::wstring& path);

// A path given on the driver's command line: Wine hands Linux paths over as they are.
std::wstring WindowsPath(std::wstring path);

struct Answer {
    enum class Kind { Box, SaveDialog, OpenDialog, ListRow, DropDownItem } What = Kind::Box;
    std::wstring Title;  // boxes: the title to wait for
    std::wstring Button; // boxes: the button's caption; a list: the row; a drop-down: the item
    std::wstring Path;   // dialogs: the file's full path; empty: Cancel
};

// The caption that stands for a box's close box.
inline constexpr std::wstring_view kCloseBox = L"[x]";

// The pop-up menus' target that stands for the runner's notification icon.
inline constexpr std::string_view kTrayTarget = "tray";

std::vector<HWND> Children(HWND window);

std::vector<HWND> TopLevelWindows(DWORD process);

// The dialogs of the process that are shown now, the most recent first.
std::vector<HWND> ShownDialogs(DWORD process);

bool IsFileDialog(HWND dialog);

bool IsMessageBox(HWND dialog);

// The buttons of a dialog, in their order.
std::vector<HWND> Buttons(HWND dialog);

// Which of the system's icons a message box shows, compared picture by picture.
std::string IconName(HWND box);

POINT Center(const RECT& rect);

POINT ToScreen(HWND window, POINT point);

// ---- the session ------------------------------------------------------------------------

class Session {
public:
    // keepSettings: the run starts from the settings it finds (those an installer wrote).
    Session(std::wstring scriptPath, std::function<void(const std::string&)> record,
            bool keepSettings)
        : scriptFolder_(scriptPath.substr(0, scriptPath.find_last_of(L'\\') + 1)),
          record_(std::move(record)), keepSettings_(keepSettings) {
        // The scratch installation is named after the script's folder and file, so that scripts
        // of one name in two folders (runner\help.txt, editor\help.txt) may run at once.
        const std::wstring folder = scriptFolder_.substr(0, scriptFolder_.size() - 1);
        std::wstring name = folder.substr(folder.find_last_of(L'\\') + 1) + L"-" +
                            scriptPath.substr(scriptPath.find_last_of(L'\\') + 1);
        name = name.substr(0, name.find_last_of(L'.'));
        // A script ended from outside (its time ran out) leaves its programs running; the next
        // one's start would only bring them forward.
        EndPrograms();
        if (!keepSettings)
            ForgetSettings();
        install_ = Install(L"script-" + name);
        // Without a window manager, Wine waits a second or two for one whenever a managed
        // window hides (every box answered); windows it does not manage hide at once. The
        // programs started from now on read this; the session's prefix is thrown away.
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr)
            RegSetText(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", L"Managed", L"N");
    }
    ~Session() {
        EndPrograms();
        for (std::thread& action : waiting_)
            action.join();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Perform(const ScriptLine& line);
    // Fails when answers are left that no box or dialog asked for.
    void Finish() const;

private:
    using Arguments = std::vector<std::string>;
    struct Verb {
        std::size_t Least, Most;
        void (Session::*Run)(const Arguments&);
    };
    static const std::map<std::string, Verb>& Verbs();

    // ---- the program (program_verbs.cpp)
    void Devices(const Arguments& a);
    void Program(const Arguments& a);
    void KeepSettings(const Arguments& a);
    void Start(const Arguments& a);
    void StartAgain(const Arguments& a);
    void StartTogether(const Arguments& a);
    // After a start: waits for the main window, the splash gone, then until the program is idle.
    void AwaitStartUp();
    void Quit(const Arguments& a);
    void WaitEnded(const Arguments& a);

    // ---- actions (action_verbs.cpp; the answers and a dialog left open: dialog_verbs.cpp)
    void Menu(const Arguments& a);
    void Toolbar(const Arguments& a);
    void Button(const Arguments& a);
    // Clicks the window's button (or check box) with that caption; fails when disabled.
    void ClickButton(HWND window, const std::string& caption);
    void Context(const Arguments& a);
    void ContextItems(const Arguments& a);
    void Tray(const Arguments& a);
    void SelectConfig(const Arguments& a);
    void Tab(const Arguments& a);
    void Row(const Arguments& a);
    void ClickCell(const Arguments& a);
    void DoubleClick(const Arguments& a);
    void Header(const Arguments& a);
    void Type(const Arguments& a);
    void Key(const Arguments& a);
    void AnswerBox(const Arguments& a);
    void SaveDialog(const Arguments& a);
    void OpenDialog(const Arguments& a);
    void ChooseRow(const Arguments& a);
    void ChooseItem(const Arguments& a);
    void Drop(const Arguments& a);
    // A dialog left open for the dialog verbs (its title queued with `dialog`).
    void KeepDialog(const Arguments& a);
    HWND KeptDialog() const;
    HWND KeptDialogShown() const; // null when none is
    void DialogClick(const Arguments& a);
    void DialogType(const Arguments& a);
    void DialogScroll(const Arguments& a);
    void DialogHotkey(const Arguments& a);
    void DialogControls(const Arguments& a);

    // ---- outputs (output_verbs.cpp)
    void List(const Arguments& a);
    void Configs(const Arguments& a);
    void States(const Arguments& a);
    void Messages(const Arguments& a);
    void Registry(const Arguments& a);
    void WaitValue(const Arguments& a);
    void SetValue(const Arguments& a);
    void Screenshot(const Arguments& a);
    void Controls(const Arguments& a);
    void Locks(const Arguments& a);
    void Focus(const Arguments& a);
    void Listed(const Arguments& a);
    void PrintControls(HWND window, HANDLE process);

    // ---- files (file_verbs.cpp)
    void Dump(const Arguments& a);
    void File(const Arguments& a);
    void Exists(const Arguments& a);
    void MakeReadOnly(const Arguments& a);
    void Copy(const Arguments& a);

    // ---- the editor's live test (testing_verbs.cpp)
    void Press(const Arguments& a) { SetSimulated(a, true); }
    void Release(const Arguments& a) { SetSimulated(a, false); }
    void Tap(const Arguments& a);
    void Axis(const Arguments& a);
    void Hat(const Arguments& a);
    void SetSimulated(const Arguments& a, bool down);
    void Hold(const Arguments& a);
    void Unplug(const Arguments& a) { SetPlugged(a, false); }
    void Replug(const Arguments& a) { SetPlugged(a, true); }
    void SetPlugged(const Arguments& a, bool plugged);
    void WaitStatus(const Arguments& a);
    void Repeats(const Arguments& a);
    void TestButton(const Arguments& a);
    void TestLog(const Arguments& a);
    void Priority(const Arguments& a);

    // ---- the program in front: target programs, hotkeys, the runner's switching
    // (front_verbs.cpp)
    void StartTarget(const Arguments& a);
    HWND TargetWindow(const std::string& name) const;
    void Front(const Arguments& a);
    void Hotkey(const Arguments& a);
    void TargetKeys(const Arguments& a);
    void WaitTarget(const Arguments& a);
    void WaitRunner(const Arguments& a);
    void IdleCpu(const Arguments& a);
    void MeasureSwitch(const Arguments& a);
    void MeasureSwitchMemory(const Arguments& a);
    void KeysDown(const Arguments& a);
    void Pointer(const Arguments& a);
    void PointerTo(const Arguments& a);
    void PointerMoved(const Arguments& a);
    void SettleIfRunning();

    // ---- the user guide in the stand-in browser (browser_verbs.cpp)
    void HtmlBrowser(const Arguments&) { e2e::UseStandInBrowser(); }
    void BrowserPages(const Arguments& a);

    // ---- settling and boxes, paths, the lists' rows and pop-up menus (session.cpp)

    void RequireProgram() const;
    HWND Control(int id, const char* what) const;
    void EndPrograms();
    // Runs `send` (which may wait in a box of the program) on a worker thread while boxes are
    // answered here, then settles.
    void Blocking(const std::function<void()>& send);
    // Answers and notes the boxes the program shows until it is idle with none open.
    void Settle();
    // True when a box was handled.
    bool HandleDialogs();
    void NoteBox(HWND box);
    void AnswerDialog(HWND dialog, const Answer& answer);
    bool Idle(DWORD timeoutMs) const;
    void Foreground();

    std::wstring InInstall(const std::string& relative) const;
    std::string Relative(std::wstring text) const;

    int EntryIndex(const std::string& entry) const;
    int MappingRow(const std::string& number) const;
    int MappingColumn(HWND list, const std::string& column) const;
    POINT MappingCellPoint(HWND list, int row, int column) const;
    std::vector<MenuItem> PopUpMenuOn(const std::string& target);
    void DismissMenu();

    std::wstring scriptFolder_;
    std::function<void(const std::string&)> record_;
    bool keepSettings_;
    Installation install_;
    std::unique_ptr<Simulation> devices_;
    std::wstring programName_ = L"vantrel.exe";
    RunnerProcess program_;
    HWND main_ = nullptr;
    std::deque<Answer> answers_;
    std::set<HWND> noted_;
    std::vector<std::string> messages_;
    // Titles (as Plain gives them) of the dialogs that stay open when they show.
    std::set<std::wstring> keptDialogs_;
    // Actions that wait in a kept dialog; they end with it or with the program.
    std::vector<std::thread> waiting_;
    // The last `hold`: the program's reads of the button, and the test log's lines before it.
    HeldReads held_;
    std::size_t logBeforeHold_ = 0;
    // The started target programs by file name (lower case), and the key lines of each that
    // `target-keys` printed.
    std::map<std::wstring, RunnerProcess> targets_;
    std::map<std::wstring, std::size_t> targetKeysShown_;
    // Where `pointer`, `pointer-to` or `pointer-moved` last saw the pointer (screen).
    POINT pointerNoted_{};
};

} // namespace qm::e2e::verbs
