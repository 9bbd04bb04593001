#include "interpreter.h"

#include "browser_verbs.h"
#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"
#include "dialog_choices.h"
#include "dialog_fields.h"
#include "handover_verbs.h"
#include "harness.h"
#include "input.h"
#include "program_windows.h"
#include "remote.h"
#include "script.h"
#include "target_programs.h"
#include "testing_verbs.h"
#include "ui/win32/shell_handles.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace qm::e2e {

namespace {

const int kConfigurationListId = EditorControlIds().ConfigurationList;
const int kTabsId = EditorControlIds().Tabs;
const int kMappingListId = EditorControlIds().MappingList;
const int kToolbarId = EditorControlIds().Toolbar;

// Message boxes as the system builds them: the text and the icon.
constexpr int kBoxTextId = 0xFFFF;
// File dialogs: the file name box (a combo box with an edit, or an edit).
constexpr int kFileNameComboId = 0x47C;
constexpr int kFileNameEditId = 0x480;

// Generous waits for what should take a moment on a busy machine.
constexpr DWORD kStartMs = 30000, kActionMs = 60000, kAppearMs = 10000;
// How long a box may stay unanswered before the script fails.
constexpr DWORD kUnansweredMs = 1500;

class ActionFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& why) {
    throw ActionFailed(why);
}

// How many processes of that executable file name run.
int CopiesRunning(const std::wstring& executable) {
    const win32::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    int copies = 0;
    for (BOOL more = snapshot && Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry))
        copies += _wcsicmp(entry.szExeFile, executable.c_str()) == 0 ? 1 : 0;
    return copies;
}

std::wstring Wide(std::string_view text) {
    return win32::WideFromUtf8(text);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

// A caption as the driver compares it: without '&' and surrounding spaces, in lower case.
std::wstring Plain(std::wstring_view caption) {
    std::wstring plain;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size() && caption[i + 1] != L'&')
            continue;
        if (caption[i] == L'\t')
            break; // an accelerator's text follows
        plain += static_cast<wchar_t>(std::towlower(caption[i]));
    }
    const auto first = plain.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return {};
    return plain.substr(first, plain.find_last_not_of(L' ') - first + 1);
}

// Without '&' and surrounding spaces, as shown.
std::string Shown(std::wstring_view caption) {
    std::wstring shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size() && caption[i + 1] != L'&')
            continue;
        if (caption[i] == L'\t')
            break;
        shown += caption[i];
    }
    const auto first = shown.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return {};
    return Narrow(shown.substr(first, shown.find_last_not_of(L' ') - first + 1));
}

// Line breaks and tabs of a text as \n, \r and \t, so that a record stays one line.
std::string OneLine(std::wstring_view text) {
    std::string line;
    const std::string utf8 = Narrow(text);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
            line += "\\n";
            ++i;
        } else if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (c == '\t') {
            line += "\\t";
        } else if (c == '\\') {
            line += "\\\\";
        } else {
            line += c;
        }
    }
    return line;
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file)
        Fail("cannot read " + Narrow(path));
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// A path given on the driver's command line: Wine hands Linux paths over as they are.
std::wstring WindowsPath(std::wstring path) {
    if (!path.empty() && path.front() == L'/')
        path = L"Z:" + path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

struct Answer {
    enum class Kind { Box, SaveDialog, OpenDialog, ListRow, DropDownItem } What = Kind::Box;
    std::wstring Title;  // boxes: the title to wait for
    std::wstring Button; // boxes: the button's caption; a list: the row; a drop-down: the item
    std::wstring Path;   // dialogs: the file's full path; empty: Cancel
};

// The caption that stands for a box's close box.
constexpr std::wstring_view kCloseBox = L"[x]";
// The pop-up menus' target that stands for the runner's notification icon.
constexpr std::string_view kTrayTarget = "tray";

BOOL CALLBACK CollectChild(HWND child, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD process) {
    std::vector<HWND> all, mine;
    EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&all));
    for (const HWND window : all) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process)
            mine.push_back(window);
    }
    return mine;
}

// The dialogs of the process that are shown now, the most recent first.
std::vector<HWND> ShownDialogs(DWORD process) {
    std::vector<HWND> dialogs;
    for (const HWND window : TopLevelWindows(process))
        if (IsWindowVisible(window) && ClassOf(window) == L"#32770")
            dialogs.push_back(window);
    return dialogs;
}

bool IsFileDialog(HWND dialog) {
    // By the class too: another dialog may have a control of the same id.
    const HWND combo = GetDlgItem(dialog, kFileNameComboId);
    const HWND edit = GetDlgItem(dialog, kFileNameEditId);
    return (combo != nullptr && ClassOf(combo).find(L"ComboBox") != std::wstring::npos) ||
           (edit != nullptr && ClassOf(edit) == L"Edit");
}

bool IsMessageBox(HWND dialog) {
    const HWND text = GetDlgItem(dialog, kBoxTextId);
    return text != nullptr && !IsFileDialog(dialog) && ClassOf(text) == L"Static";
}

// The buttons of a dialog, in their order.
std::vector<HWND> Buttons(HWND dialog) {
    std::vector<HWND> buttons;
    for (const HWND child : Children(dialog)) {
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        if (GetParent(child) == dialog && IsWindowVisible(child) && ClassOf(child) == L"Button" &&
            (style & BS_TYPEMASK) != BS_GROUPBOX)
            buttons.push_back(child);
    }
    return buttons;
}

// Which of the system's icons a message box shows, compared picture by picture.
std::string IconName(HWND box) {
    HWND shown = nullptr;
    for (const HWND child : Children(box))
        if (ClassOf(child) == L"Static" && IsWindowVisible(child) &&
            (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            shown = child;
    if (shown == nullptr)
        return "none";
    const Capture seen = CaptureWindow(shown);
    if (seen.Pixels.empty())
        return "?";
    struct Candidate {
        const wchar_t* Icon;
        const char* Name;
    };
    const Candidate icons[] = {{IDI_HAND, "critical"},
                               {IDI_QUESTION, "question"},
                               {IDI_EXCLAMATION, "exclamation"},
                               {IDI_ASTERISK, "information"}};
    const char* best = nullptr;
    std::size_t fewest = seen.Pixels.size() / 10 + 1;
    for (const Candidate& icon : icons) {
        const win32::WindowDc screen(nullptr);
        const win32::UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = seen.Width;
        info.bmiHeader.biHeight = -seen.Height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        const win32::UniqueBitmap bitmap(
            CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!dc || !bitmap || bits == nullptr)
            return "?";
        auto* pixels = static_cast<std::uint32_t*>(bits);
        std::fill(pixels, pixels + seen.Pixels.size(), seen.Pixels.front());
        const HGDIOBJ old = SelectObject(dc.Get(), bitmap.Get());
        DrawIconEx(dc.Get(), 0, 0, LoadIconW(nullptr, icon.Icon), seen.Width, seen.Height, 0,
                   nullptr, DI_NORMAL);
        SelectObject(dc.Get(), old);
        GdiFlush();
        std::size_t differing = 0;
        for (std::size_t p = 0; p < seen.Pixels.size(); ++p)
            differing += (pixels[p] & 0xFFFFFF) != seen.Pixels[p] ? 1 : 0;
        if (differing < fewest) {
            fewest = differing;
            best = icon.Name;
        }
    }
    return best == nullptr ? "?" : best;
}

POINT Center(const RECT& rect) {
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

POINT ToScreen(HWND window, POINT point) {
    ClientToScreen(window, &point);
    return point;
}

// ---- the session ------------------------------------------------------------------------

class Session {
public:
    // keepSettings: the run starts from the settings it finds (those an installer wrote).
    Session(std::wstring scriptPath, std::function<void(const std::string&)> record,
            bool keepSettings)
        : scriptFolder_(scriptPath.substr(0, scriptPath.find_last_of(L'\\') + 1)),
          record_(std::move(record)), keepSettings_(keepSettings) {
        std::wstring name = scriptPath.substr(scriptPath.find_last_of(L'\\') + 1);
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

    // ---- the program
    void Devices(const Arguments& a);
    void Program(const Arguments& a);
    void KeepSettings(const Arguments& a);
    void Start(const Arguments& a);
    void StartAgain(const Arguments& a);
    void StartTogether(const Arguments& a);
    // After a start: waits for the main window, the splash gone, then until the program is idle.
    void AwaitStartUp();
    void Quit(const Arguments& a);
    void RequireProgram() const;
    HWND Control(int id, const char* what) const;
    void EndPrograms();

    // ---- actions
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

    // ---- outputs
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

    // ---- files
    void Dump(const Arguments& a);
    void File(const Arguments& a);
    void Exists(const Arguments& a);
    void MakeReadOnly(const Arguments& a);
    void Copy(const Arguments& a);

    // ---- the editor's live test
    void Press(const Arguments& a) { SetSimulated(a, true); }
    void Release(const Arguments& a) { SetSimulated(a, false); }
    void SetSimulated(const Arguments& a, bool down);
    void Hold(const Arguments& a);
    void Repeats(const Arguments& a);
    void TestButton(const Arguments& a);
    void TestLog(const Arguments& a);
    void Priority(const Arguments& a);

    // ---- the program in front: target programs, hotkeys, the runner's switching
    void StartTarget(const Arguments& a);
    HWND TargetWindow(const std::string& name) const;
    void Front(const Arguments& a);
    void Hotkey(const Arguments& a);
    void TargetKeys(const Arguments& a);
    void WaitRunner(const Arguments& a);
    void IdleCpu(const Arguments& a);
    void MeasureSwitch(const Arguments& a);
    void MeasureSwitchMemory(const Arguments& a);
    void KeysDown(const Arguments& a);
    void SettleIfRunning();

    // ---- the user guide in the stand-in browser
    void HtmlBrowser(const Arguments&) { e2e::UseStandInBrowser(); }
    void BrowserPages(const Arguments& a);

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
};

const std::map<std::string, Session::Verb>& Session::Verbs() {
    constexpr std::size_t kAny = static_cast<std::size_t>(-1);
    static const std::map<std::string, Verb> verbs = {
        {"devices", {1, 1, &Session::Devices}},
        {"program", {1, 1, &Session::Program}},
        {"keep-settings", {0, 0, &Session::KeepSettings}},
        {"start", {0, 1, &Session::Start}},
        {"start-again", {0, 1, &Session::StartAgain}},
        {"start-together", {2, kAny, &Session::StartTogether}},
        {"listed", {0, 0, &Session::Listed}},
        {"quit", {0, 0, &Session::Quit}},
        {"menu", {1, 1, &Session::Menu}},
        {"toolbar", {1, 1, &Session::Toolbar}},
        {"button", {1, 1, &Session::Button}},
        {"context", {2, 2, &Session::Context}},
        {"context-items", {1, 1, &Session::ContextItems}},
        {"tray", {1, 1, &Session::Tray}},
        {"select-config", {1, 1, &Session::SelectConfig}},
        {"tab", {1, 1, &Session::Tab}},
        {"row", {1, 1, &Session::Row}},
        {"click", {2, 2, &Session::ClickCell}},
        {"double-click", {2, 2, &Session::DoubleClick}},
        {"header", {1, 1, &Session::Header}},
        {"type", {1, 1, &Session::Type}},
        {"key", {1, 1, &Session::Key}},
        {"answer", {2, 2, &Session::AnswerBox}},
        {"save-dialog", {0, 1, &Session::SaveDialog}},
        {"open-dialog", {0, 1, &Session::OpenDialog}},
        {"choose-row", {1, 1, &Session::ChooseRow}},
        {"choose-item", {1, 1, &Session::ChooseItem}},
        {"drop", {1, kAny, &Session::Drop}},
        {"list", {0, 2, &Session::List}},
        {"configs", {0, 0, &Session::Configs}},
        {"states", {0, 0, &Session::States}},
        {"messages", {0, 0, &Session::Messages}},
        {"registry", {0, 0, &Session::Registry}},
        {"wait-value", {2, 2, &Session::WaitValue}},
        {"screenshot", {1, 2, &Session::Screenshot}},
        {"controls", {0, 1, &Session::Controls}},
        {"locks", {0, 0, &Session::Locks}},
        {"focus", {0, 0, &Session::Focus}},
        {"dump", {1, 1, &Session::Dump}},
        {"file", {1, 1, &Session::File}},
        {"exists", {1, 1, &Session::Exists}},
        {"make-readonly", {1, 1, &Session::MakeReadOnly}},
        {"copy", {2, 2, &Session::Copy}},
        {"dialog", {1, 1, &Session::KeepDialog}},
        {"dialog-click", {1, 1, &Session::DialogClick}},
        {"dialog-type", {2, 2, &Session::DialogType}},
        {"dialog-scroll", {2, 2, &Session::DialogScroll}},
        {"dialog-hotkey", {2, 2, &Session::DialogHotkey}},
        {"dialog-controls", {0, 0, &Session::DialogControls}},
        {"press", {2, 2, &Session::Press}},
        {"release", {2, 2, &Session::Release}},
        {"hold", {3, 3, &Session::Hold}},
        {"repeats", {2, 2, &Session::Repeats}},
        {"test-button", {1, 1, &Session::TestButton}},
        {"test-log", {0, 0, &Session::TestLog}},
        {"priority", {0, 0, &Session::Priority}},
        {"start-target", {1, 1, &Session::StartTarget}},
        {"front", {1, 1, &Session::Front}},
        {"hotkey", {1, 1, &Session::Hotkey}},
        {"target-keys", {1, 1, &Session::TargetKeys}},
        {"wait-runner", {2, 2, &Session::WaitRunner}},
        {"idle-cpu", {1, 2, &Session::IdleCpu}},
        {"measure-switch", {3, 3, &Session::MeasureSwitch}},
        {"measure-switch-memory", {2, 2, &Session::MeasureSwitchMemory}},
        {"set-value", {3, 3, &Session::SetValue}},
        {"keys-down", {0, 0, &Session::KeysDown}},
        {"html-browser", {0, 0, &Session::HtmlBrowser}},
        {"browser-pages", {1, 1, &Session::BrowserPages}},
    };
    return verbs;
}

void Session::Perform(const ScriptLine& line) {
    const auto verb = Verbs().find(line.Verb);
    if (verb == Verbs().end())
        throw ScriptError("unknown verb \"" + line.Verb + "\"");
    const Arguments arguments = SplitArguments(line.Rest, verb->second.Least, verb->second.Most);
    (this->*verb->second.Run)(arguments);
}

void Session::Finish() const {
    if (answers_.empty())
        return;
    const Answer& left = answers_.front();
    switch (left.What) {
    case Answer::Kind::Box:
        Fail("no box \"" + Narrow(left.Title) + "\" came for the answer " + Narrow(left.Button));
    case Answer::Kind::ListRow:
    case Answer::Kind::DropDownItem:
        Fail("no dialog with a list came for a choice");
    default:
        Fail("no file dialog came for an answer");
    }
}

// ---- the program ------------------------------------------------------------------------

void Session::Devices(const Arguments& a) {
    if (program_.Running())
        Fail("the devices must be given before the program starts");
    devices_.reset();
    devices_ = std::make_unique<Simulation>(install_.DeviceFile,
                                            ReadBytes(scriptFolder_ + WindowsPath(Wide(a[0]))));
}

void Session::Program(const Arguments& a) {
    programName_ = Wide(a[0]);
}

void Session::KeepSettings(const Arguments&) {
    if (!keepSettings_)
        Fail("keep-settings is the script's first action");
    keepSettings_ = false; // once
}

void Session::Start(const Arguments& a) {
    if (program_.Running())
        Fail("the program runs already");
    if (!devices_)
        devices_ = std::make_unique<Simulation>(install_.DeviceFile, "");
    if (!program_.Start(install_.Folder + programName_, a.empty() ? L"" : Wide(a[0])))
        Fail("cannot start " + Narrow(programName_) + ": error " + std::to_string(GetLastError()));
    AwaitStartUp();
}

void Session::StartTogether(const Arguments& a) {
    if (program_.Running())
        Fail("the program runs already");
    if (!devices_)
        devices_ = std::make_unique<Simulation>(install_.DeviceFile, "");
    std::vector<std::wstring> commandLines;
    for (const auto& path : a)
        commandLines.push_back(Wide(path));
    if (std::string why;
        !e2e::StartTogether(install_.Folder + programName_, commandLines, kActionMs, program_, why))
        Fail(why);
    AwaitStartUp();
}

void Session::Listed(const Arguments&) {
    RequireProgram();
    for (const auto& record :
         e2e::ListedRecords(program_.Handle(), main_, SameText(programName_, L"corvex.exe")))
        record_(record);
}

void Session::AwaitStartUp() {
    const ProgramWindows windows =
        SameText(programName_, L"corvex.exe") ? RunnerWindows() : EditorWindows();
    // Boxes of the start-up come before the main window shows.
    main_ = nullptr;
    const ULONGLONG end = GetTickCount64() + kStartMs;
    // The start-up is over when the main window exists and the splash window has gone.
    for (;;) {
        bool splash = false;
        for (const HWND window : TopLevelWindows(program_.Id())) {
            if (ClassOf(window) == windows.MainClass)
                main_ = window;
            splash = splash || (IsWindowVisible(window) && ClassOf(window) == windows.SplashClass);
        }
        if (main_ != nullptr && !splash)
            break;
        if (!program_.Running())
            Fail(Narrow(programName_) + " ended at start-up");
        if (GetTickCount64() > end)
            Fail(Narrow(programName_) + " does not finish its start-up");
        HandleDialogs();
        Pump(20);
    }
    // Its start-up has run when its message loop takes what is posted to it (or it shows a
    // box): Settle.
    LoadProbe(program_.Handle());
    Settle();
}

void Session::StartAgain(const Arguments& a) {
    RequireProgram();
    RunnerProcess again;
    if (!again.Start(install_.Folder + programName_, a.empty() ? L"" : Wide(a[0])))
        Fail("cannot start " + Narrow(programName_) + ": error " + std::to_string(GetLastError()));
    // It hands over what it has to the copy that runs, and ends.
    if (!PumpUntil([&] { return !again.Running(); }, kStartMs))
        Fail(Narrow(programName_) + " started again runs on");
    if (const auto exit = again.WaitExit(0); exit != 0u)
        Fail(Narrow(programName_) + " started again ends with exit code " +
             std::to_string(exit.value_or(0)));
    // The copy that runs acts on it from its message loop.
    Settle();
}

void Session::Quit(const Arguments&) {
    RequireProgram();
    // As the window's close box asks.
    PostMessageW(main_, WM_CLOSE, 0, 0);
    const ULONGLONG end = GetTickCount64() + kActionMs;
    while (program_.Running() && GetTickCount64() < end) {
        if (HandleDialogs())
            continue;
        if (Idle(200) && !HandleDialogs() && IsWindow(main_)) {
            // Still there: the question was answered No, or the window only hides.
            Pump(200);
            if (program_.Running() && !HandleDialogs())
                return;
        }
        Pump(20);
    }
    if (program_.Running())
        Fail(Narrow(programName_) + " did not end");
}

void Session::RequireProgram() const {
    if (!program_.Running() || main_ == nullptr)
        Fail("the program is not running");
}

HWND Session::Control(int id, const char* what) const {
    RequireProgram();
    const HWND control = GetDlgItem(main_, id);
    if (control == nullptr)
        Fail(std::string("the window has no ") + what);
    return control;
}

void Session::EndPrograms() {
    // Whatever the programs left running besides the one the script started (the runner
    // started by the editor), and the target programs: they end with the script.
    std::vector<HWND> windows;
    EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&windows));
    for (const HWND window : windows) {
        const std::wstring name = ClassOf(window);
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        if ((name != EditorWindows().MainClass && name != RunnerWindows().MainClass &&
             !IsTargetWindow(window)) ||
            id == program_.Id())
            continue;
        const win32::UniqueHandle other(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (other) {
            TerminateProcess(other.Get(), 99);
            WaitForSingleObject(other.Get(), 5000);
        }
    }
}

// ---- settling and boxes -----------------------------------------------------------------

bool Session::Idle(DWORD timeoutMs) const {
    return main_ != nullptr && program_.Running() && ProgramIdle(program_.Id(), main_, timeoutMs);
}

void Session::Settle() {
    const ULONGLONG end = GetTickCount64() + kActionMs;
    int quiet = 0;
    // Three rounds in a row with nothing to answer: what the action set off has run.
    while (quiet < 3) {
        if (!program_.Running())
            return;
        if (GetTickCount64() > end)
            Fail("the program does not become idle");
        if (!Idle(kActionMs)) {
            quiet = 0;
            continue;
        }
        if (HandleDialogs()) {
            quiet = 0;
            continue;
        }
        ++quiet;
        Pump(30);
    }
}

void Session::NoteBox(HWND box) {
    if (!noted_.insert(box).second)
        return;
    std::string buttons;
    for (const HWND button : Buttons(box))
        buttons += (buttons.empty() ? "" : " ") + Shown(WindowText(button));
    // Other dialogs (the system's own questions) by their title and buttons.
    if (IsMessageBox(box)) {
        // Its icon is known once drawn.
        std::string icon;
        PumpUntil([&] { return (icon = IconName(box)) != "?"; }, kAppearMs);
        // A path under the installation as <install>\....
        const std::string text = Relative(WindowText(GetDlgItem(box, kBoxTextId)));
        messages_.push_back("box\t" + OneLine(WindowText(box)) + "\t" + OneLine(Wide(text)) + "\t" +
                            icon + "\t" + buttons);
        return;
    }
    messages_.push_back("dialog\t" + OneLine(WindowText(box)) + "\t" + buttons);
    for (const std::string& item : DialogItems(program_.Handle(), box))
        messages_.push_back(item);
}

bool Session::HandleDialogs() {
    const std::vector<HWND> dialogs = ShownDialogs(program_.Id());
    if (dialogs.empty())
        return false;
    // The one on top: a dialog's own box comes after the dialog.
    HWND dialog = dialogs.front();
    for (const HWND other : dialogs)
        if (GetWindow(other, GW_OWNER) == dialog)
            dialog = other;
    const std::wstring title = WindowText(dialog);
    const bool fileDialog = IsFileDialog(dialog);
    if (!fileDialog && !IsMessageBox(dialog) && keptDialogs_.contains(Plain(title)))
        return false; // open for the dialog verbs
    if (!fileDialog)
        NoteBox(dialog);
    const ULONGLONG end = GetTickCount64() + kUnansweredMs;
    for (;;) {
        for (auto it = answers_.begin(); it != answers_.end(); ++it) {
            bool fits = false;
            switch (it->What) {
            case Answer::Kind::Box:
                fits = !fileDialog && it->Title == title;
                break;
            case Answer::Kind::SaveDialog:
            case Answer::Kind::OpenDialog:
                fits = fileDialog;
                break;
            case Answer::Kind::ListRow:
                fits = !fileDialog && DialogListView(dialog) != nullptr;
                break;
            case Answer::Kind::DropDownItem:
                fits = !fileDialog && DialogComboBox(dialog) != nullptr;
                break;
            }
            if (!fits)
                continue;
            const Answer answer = *it;
            answers_.erase(it);
            AnswerDialog(dialog, answer);
            return true;
        }
        if (!IsWindow(dialog) || !IsWindowVisible(dialog))
            return true; // it went by itself
        if (GetTickCount64() > end)
            Fail("nobody answered the box \"" + Narrow(title) + "\"" +
                 (IsMessageBox(dialog)
                      ? ": \"" + OneLine(WindowText(GetDlgItem(dialog, kBoxTextId))) + "\""
                      : ""));
        Pump(50);
    }
}

void Session::AnswerDialog(HWND dialog, const Answer& answer) {
    if (answer.What == Answer::Kind::ListRow || answer.What == Answer::Kind::DropDownItem) {
        const std::string failed =
            answer.What == Answer::Kind::ListRow
                ? ChooseRowAndConfirm(program_.Handle(), dialog, std::stoi(answer.Button))
                : ChooseItemAndConfirm(dialog, answer.Button);
        if (!failed.empty())
            Fail("the dialog \"" + Narrow(WindowText(dialog)) + "\": " + failed);
        if (!WaitWindowGone(dialog, kAppearMs))
            Fail("the dialog \"" + Narrow(WindowText(dialog)) + "\" stays after OK");
        return;
    }
    if (answer.What == Answer::Kind::Box && answer.Button == kCloseBox) {
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (!WaitWindowGone(dialog, kAppearMs))
            Fail("the box \"" + Narrow(answer.Title) + "\" stays after its close box");
        return;
    }
    if (answer.What == Answer::Kind::Box) {
        for (const HWND button : Buttons(dialog)) {
            if (Plain(WindowText(button)) != Plain(answer.Button))
                continue;
            PostMessageW(button, BM_CLICK, 0, 0);
            if (!WaitWindowGone(dialog, kAppearMs))
                Fail("the box \"" + Narrow(answer.Title) + "\" stays after " +
                     Narrow(answer.Button));
            return;
        }
        Fail("the box \"" + Narrow(answer.Title) + "\" has no button " + Narrow(answer.Button));
    }
    // A file dialog may show before it has named its OK button (a busy machine): waited for.
    std::wstring ok;
    PumpUntil(
        [&] {
            ok = Plain(WindowText(GetDlgItem(dialog, IDOK)));
            return ok.find(L"save") != std::wstring::npos || ok.find(L"open") != std::wstring::npos;
        },
        kAppearMs);
    const bool saving = ok.find(L"save") != std::wstring::npos;
    if (saving != (answer.What == Answer::Kind::SaveDialog))
        Fail(std::string("a ") + (saving ? "save" : "open") + " dialog came: \"" +
             Narrow(WindowText(dialog)) + "\"");
    if (answer.Path.empty()) {
        PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    } else {
        HWND name = GetDlgItem(dialog, kFileNameComboId);
        if (name != nullptr) {
            if (const HWND edit = FindWindowExW(name, nullptr, L"Edit", nullptr); edit != nullptr)
                name = edit;
        } else {
            name = GetDlgItem(dialog, kFileNameEditId);
        }
        SendTo(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer.Path.c_str()));
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    }
    // The dialog closes, or shows a box of its own (handled as the next box).
    PumpUntil(
        [&] {
            if (!IsWindow(dialog) || !IsWindowVisible(dialog))
                return true;
            const auto shown = ShownDialogs(program_.Id());
            return std::any_of(shown.begin(), shown.end(),
                               [&](HWND box) { return GetWindow(box, GW_OWNER) == dialog; });
        },
        kAppearMs);
}

void Session::Blocking(const std::function<void()>& send) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    const HWND keptBefore = KeptDialogShown();
    std::thread worker([send, done] {
        send();
        *done = true;
    });
    const ULONGLONG end = GetTickCount64() + kActionMs;
    try {
        while (!*done) {
            if (GetTickCount64() > end)
                Fail("the action does not end");
            if (HandleDialogs())
                continue;
            // The action opened a dialog kept open: it waits in it while the next lines act.
            if (const HWND kept = KeptDialogShown(); kept != nullptr && kept != keptBefore) {
                waiting_.push_back(std::move(worker));
                Settle();
                return;
            }
            Pump(20);
        }
    } catch (...) {
        // The program is ended so that the worker's message returns.
        TerminateProcess(program_.Handle(), 99);
        worker.join();
        throw;
    }
    worker.join();
    Settle();
}

void Session::Foreground() {
    SetForegroundWindow(main_);
    PumpUntil([&] { return GetForegroundWindow() == main_; }, 2000);
}

// ---- paths ------------------------------------------------------------------------------

std::wstring Session::InInstall(const std::string& relative) const {
    std::wstring path = Wide(relative);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (path.size() > 1 && path[1] == L':')
        return path;
    return install_.Folder + path;
}

std::string Session::Relative(std::wstring text) const {
    const std::wstring folder = install_.Folder;
    for (std::size_t at = 0;
         (at = text.size() >= folder.size() ? at : std::wstring::npos) != std::wstring::npos;) {
        std::size_t found = std::wstring::npos;
        for (std::size_t i = at; i + folder.size() <= text.size(); ++i)
            if (SameText(std::wstring_view(text).substr(i, folder.size()), folder)) {
                found = i;
                break;
            }
        if (found == std::wstring::npos)
            break;
        text.replace(found, folder.size(), L"<install>\\");
        at = found + 10;
    }
    return Narrow(text);
}

// ---- actions ----------------------------------------------------------------------------

void Session::Menu(const Arguments& a) {
    RequireProgram();
    const std::vector<MenuItem> items = MenuBar(program_.Id(), main_);
    // The path's parts, one per menu level.
    std::vector<std::wstring> parts;
    std::wstring path = Wide(a[0]);
    for (std::size_t start = 0;;) {
        const auto end = path.find(L'>', start);
        parts.push_back(Plain(path.substr(start, end - start)));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    std::size_t level = 0;
    bool disabled = false;
    for (const MenuItem& item : items) {
        if (item.Depth != static_cast<int>(level) || item.Separator ||
            Plain(item.Caption) != parts[level])
            continue;
        disabled = disabled || item.Disabled;
        if (++level < parts.size())
            continue;
        if (item.Command < 0)
            Fail("\"" + a[0] + "\" is a menu, not a command");
        if (disabled)
            Fail("the menu item \"" + a[0] + "\" is disabled");
        const HWND window = main_;
        const auto id = static_cast<WPARAM>(item.Command);
        Blocking([=] {
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, kActionMs,
                                &result);
        });
        return;
    }
    Fail("no menu item \"" + a[0] + "\"");
}

void Session::Toolbar(const Arguments& a) {
    const HWND toolbar = Control(kToolbarId, "toolbar");
    for (const ToolbarButton& button : ToolbarButtons(program_.Handle(), toolbar)) {
        if (Plain(button.Text) != Plain(Wide(a[0])))
            continue;
        if ((button.State & TBSTATE_HIDDEN) != 0 || (button.State & TBSTATE_ENABLED) == 0)
            Fail("the toolbar button \"" + a[0] + "\" is disabled");
        const HWND parent = GetParent(toolbar);
        const auto id = static_cast<WPARAM>(button.Command);
        Blocking([=] {
            DWORD_PTR result = 0;
            SendMessageTimeoutW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                reinterpret_cast<LPARAM>(toolbar), SMTO_NORMAL, kActionMs, &result);
        });
        return;
    }
    Fail("no toolbar button \"" + a[0] + "\"");
}

void Session::Button(const Arguments& a) {
    RequireProgram();
    ClickButton(main_, a[0]);
}

void Session::ClickButton(HWND window, const std::string& caption) {
    // A window the program has not shown yet (the runner shows its own at the end of its
    // start-up) shows its buttons in a moment.
    HWND button = nullptr;
    PumpUntil(
        [&] {
            for (const HWND shown : Buttons(window)) {
                if (Plain(WindowText(shown)) == Plain(Wide(caption))) {
                    button = shown;
                    return true;
                }
            }
            return false;
        },
        kAppearMs);
    if (button == nullptr)
        Fail("no button \"" + caption + "\"");
    if (!IsWindowEnabled(button))
        Fail("the button \"" + caption + "\" is disabled");
    Blocking([=] {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, kActionMs, &result);
    });
}

void Session::SetSimulated(const Arguments& a, bool down) {
    RequireProgram();
    const auto device = ParseSimulatedDevice(a[0]);
    const int button = std::atoi(a[1].c_str());
    if (!device || button < 1)
        Fail("no simulated button \"" + a[0] + " " + a[1] + "\"");
    if (!SetSimulatedButton(*devices_, *device, button, down))
        Fail("the program does not read " + a[0]);
    Settle();
}

void Session::Hold(const Arguments& a) {
    RequireProgram();
    const auto device = ParseSimulatedDevice(a[0]);
    const int button = std::atoi(a[1].c_str());
    if (!device || device->Board || button < 1)
        Fail("no simulated controller button \"" + a[0] + " " + a[1] + "\"");
    const HWND window = FindTestWindow(program_.Id());
    logBeforeHold_ = window != nullptr ? TestLogLines(window).size() : 0;
    held_ = devices_->Hold(device->Number, button, std::atof(a[2].c_str()));
    if (held_.Down.empty())
        Fail("the program does not read " + a[0]);
    Settle();
}

void Session::Repeats(const Arguments& a) {
    RequireProgram();
    if (held_.Down.empty())
        Fail("no button was held (`hold`)");
    const HWND window = FindTestWindow(program_.Id());
    if (window == nullptr)
        Fail("the test window is not open");
    Settle();
    const auto lines = TestLogLines(window);
    const std::wstring text = Wide(a[0]);
    std::string added;
    int count = 0;
    bool others = false;
    for (std::size_t i = std::min(logBeforeHold_, lines.size()); i < lines.size(); ++i) {
        added += "\t" + OneLine(lines[i]);
        ++count;
        others = others || lines[i] != text;
    }
    const std::set<int> counts = RepeatSends(held_, std::atof(a[1].c_str()));
    if (!others && counts.contains(count)) {
        record_("repeats\t" + a[0] + "\tas held");
        return;
    }
    const auto heldMs =
        held_.Down.empty() ? 0 : std::lround(Milliseconds(held_.Down.back() - held_.Down.front()));
    std::string implied;
    for (const int c : counts)
        implied += (implied.empty() ? "" : " or ") + std::to_string(c);
    record_("repeats\t" + a[0] + "\theld " + std::to_string(heldMs) + " ms: " + implied +
            " expected, the log gained" + (added.empty() ? " nothing" : added));
}

void Session::TestButton(const Arguments& a) {
    RequireProgram();
    const HWND window = FindTestWindow(program_.Id());
    if (window == nullptr)
        Fail("the test window is not open");
    for (const HWND button : Buttons(window)) {
        if (Plain(WindowText(button)) != Plain(Wide(a[0])))
            continue;
        Blocking([=] {
            DWORD_PTR result = 0;
            SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, kActionMs, &result);
        });
        return;
    }
    Fail("the test window has no button \"" + a[0] + "\"");
}

void Session::TestLog(const Arguments&) {
    RequireProgram();
    Settle();
    const HWND window = FindTestWindow(program_.Id());
    if (window == nullptr) {
        record_("test-log\tclosed");
        return;
    }
    const auto lines = TestLogLines(window);
    record_("test-log\t" + std::to_string(lines.size()));
    for (const auto& line : lines)
        record_(OneLine(line));
}

void Session::Priority(const Arguments&) {
    RequireProgram();
    record_("priority\t" + PriorityClassName(program_.Handle()));
}

// ---- the program in front ----------------------------------------------------------------

// What the runner does when the program in front changes has run once it is idle again.
void Session::SettleIfRunning() {
    if (program_.Running())
        Settle();
}

// A target program's file name as the session keeps it.
std::wstring TargetKey(const std::string& name) {
    std::wstring key = Wide(name);
    std::transform(key.begin(), key.end(), key.begin(), [](wchar_t c) { return std::towlower(c); });
    return key;
}

void Session::StartTarget(const Arguments& a) {
    const std::wstring name = Wide(a[0]);
    const std::wstring key = TargetKey(a[0]);
    if (key != L"target-one.exe" && key != L"target-two.exe")
        Fail("the target programs are target-one.exe and target-two.exe");
    if (targets_.count(key) != 0 && targets_[key].Running())
        Fail(a[0] + " runs already");
    // Beside the programs; the payload's when the installation is an installer's.
    std::wstring path = install_.Folder + name;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        path = DriverFolder() + L"payload\\" + name;
    RunnerProcess& target = targets_[key];
    if (!target.Start(path, L""))
        Fail("cannot start " + a[0] + ": error " + std::to_string(GetLastError()));
    HWND window = nullptr;
    if (!PumpUntil([&] { return (window = TargetWindowOf(target.Id())) != nullptr; }, kStartMs))
        Fail(a[0] + " shows no target window");
    // For the keys' reads: they wait until it has taken every key that came.
    LoadProbe(target.Handle());
    targetKeysShown_[key] = 0;
    // A program started comes to the front.
    if (!BringToFront(window, kAppearMs))
        Fail(a[0] + " did not come to the front");
    SettleIfRunning();
}

HWND Session::TargetWindow(const std::string& name) const {
    const auto found = targets_.find(TargetKey(name));
    const HWND window = found == targets_.end() ? nullptr : TargetWindowOf(found->second.Id());
    if (window == nullptr)
        Fail(name + " is not a started target program (start-target)");
    return window;
}

void Session::Front(const Arguments& a) {
    const std::vector<HWND> windows = WindowsOfProgram(Wide(a[0]));
    if (windows.empty())
        Fail("no window of " + a[0] + " shows");
    if (!BringToFront(windows.front(), kAppearMs))
        Fail("a window of " + a[0] + " did not come to the front");
    SettleIfRunning();
}

void Session::Hotkey(const Arguments& a) {
    const std::vector<WORD> keys = ChordKeys(a[0]);
    if (keys.empty())
        Fail("unknown key in \"" + a[0] + "\"");
    // With a target in front, the chord has passed once its keys reached it, the first key's
    // release last: all of them, or all but the hotkey's own key press, which the system turns
    // into WM_HOTKEY for the program that registered the chord.
    const HWND front = GetForegroundWindow();
    const bool target = IsTargetWindow(front);
    const std::size_t before = target ? TargetKeyLines(front).size() : 0;
    const std::wstring last = L"up " + std::to_wstring(keys.front()) + L" ";
    PressChord(a[0]);
    const auto passed = [&] {
        const std::vector<std::wstring> lines = TargetKeyLines(front);
        return lines.size() >= before + 2 * keys.size() - 1 && lines.back().starts_with(last);
    };
    if (target && !PumpUntil(passed, kAppearMs))
        Fail("the keys of " + a[0] + " did not reach " + Narrow(WindowText(front)));
    SettleIfRunning();
}

void Session::TargetKeys(const Arguments& a) {
    const HWND window = TargetWindow(a[0]);
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (!ProgramIdle(id, window, kActionMs))
        Fail(a[0] + " does not become idle");
    const std::vector<std::wstring> lines = TargetKeyLines(window);
    std::size_t& shown = targetKeysShown_[TargetKey(a[0])];
    shown = std::min(shown, lines.size());
    record_("target-keys\t" + a[0] + "\t" + std::to_string(lines.size() - shown));
    for (; shown < lines.size(); ++shown) {
        std::string line = Narrow(lines[shown]);
        std::replace(line.begin(), line.end(), ' ', '\t');
        record_(line);
    }
}

void Session::WaitRunner(const Arguments& a) {
    if (a[1] != "running" && a[1] != "stopped")
        Fail("the state is running or stopped");
    const HWND runner = OnlyRunnerWindow();
    if (runner == nullptr)
        Fail("not exactly one runner window");
    if (!WaitRunnerShows(runner, Wide(a[0]), a[1] == "running", kAppearMs))
        Fail("the runner does not show " + a[0] + " " + a[1] + ": " +
             RunnerShowsText(ReadRunnerShows(runner)));
}

void Session::IdleCpu(const Arguments& a) {
    const int seconds = std::atoi(a[0].c_str());
    if (seconds < 1)
        Fail("the period is a number of seconds");
    HWND window = nullptr;
    if (a.size() == 1) {
        window = OnlyRunnerWindow();
        if (window == nullptr)
            Fail("not exactly one runner window");
    } else {
        const std::vector<HWND> windows = WindowsOfProgram(Wide(a[1]));
        if (windows.empty())
            Fail("no window of " + a[1] + " shows");
        window = windows.front();
    }
    char line[160];
    std::snprintf(line, sizeof(line), "idle-cpu\t%s\t%d s\t%.2f %%",
                  a.size() == 1 ? "corvex.exe" : a[1].c_str(), seconds,
                  IdleCpuPercent(window, seconds));
    record_(line);
}

void Session::KeysDown(const Arguments&) {
    // The system's view: a key some program sent down and never up, whichever window took it.
    std::string down;
    for (int vk = 1; vk < 255; ++vk) {
        if (vk == VK_LBUTTON || vk == VK_RBUTTON || vk == VK_MBUTTON || vk == VK_XBUTTON1 ||
            vk == VK_XBUTTON2)
            continue;
        if ((GetAsyncKeyState(vk) & 0x8000) != 0)
            down += "\t" + std::to_string(vk);
    }
    record_("keys-down" + (down.empty() ? std::string("\tnone") : down));
}

void Session::MeasureSwitch(const Arguments& a) {
    // How long a switch may take before the measurement fails: far above the goal, far below
    // the scripts' patience.
    constexpr DWORD kSwitchBoundMs = 5000;
    const int rounds = std::atoi(a[0].c_str());
    if (rounds < 1)
        Fail("the number of rounds is a positive number");
    const HWND runner = OnlyRunnerWindow();
    if (runner == nullptr)
        Fail("not exactly one runner window");
    SwitchTimes times =
        MeasureSwitches(runner, TargetWindow("target-one.exe"), TargetWindow("target-two.exe"),
                        Wide(a[1]), Wide(a[2]), rounds, kSwitchBoundMs);
    std::sort(times.Ms.begin(), times.Ms.end());
    char line[160];
    std::snprintf(line, sizeof(line), "switch\t%zu switches\tmedian %.1f ms\tmax %.1f ms",
                  times.Ms.size(), Percentile(times.Ms, 0.5), times.Ms.back());
    record_(line);
    record_(times.Hooked ? "foreground-events\t" + std::to_string(times.ForegroundEvents) +
                               " seen for the targets"
                         : std::string("foreground-events\tthe hook failed"));
}

void Session::MeasureSwitchMemory(const Arguments& a) {
    constexpr DWORD kSwitchBoundMs = 5000;
    constexpr int kSamples = 10;
    const int switches = std::atoi(a[0].c_str());
    if (switches < 1)
        Fail("the number of switches is a positive number");
    const HWND runner = OnlyRunnerWindow();
    if (runner == nullptr)
        Fail("not exactly one runner window");
    const std::int64_t start = Now();
    const std::vector<RunnerFootprint> footprints =
        MeasureHotkeySwitches(runner, a[1], switches, kSamples, kSwitchBoundMs);
    const auto objects = [](const RunnerFootprint& f) {
        return f.ObjectsCounted ? "GDI " + std::to_string(f.GdiObjects) + "\tUSER " +
                                      std::to_string(f.UserObjects)
                                : std::string("GDI/USER not counted by the system");
    };
    char line[200];
    for (const RunnerFootprint& f : footprints) {
        std::snprintf(line, sizeof(line),
                      "switch-memory\t%d switches\tprivate %.2f MB\tworking set %.2f MB\t",
                      f.Switches, f.PrivateMb, f.WorkingSetMb);
        record_(line + objects(f));
    }
    const RunnerFootprint& first = footprints.front();
    const RunnerFootprint& last = footprints.back();
    std::snprintf(line, sizeof(line),
                  "switch-memory\tgrowth\t%+.0f bytes of private bytes per switch\t%.1f s",
                  (last.PrivateMb - first.PrivateMb) * 1024 * 1024 / last.Switches,
                  Milliseconds(Now() - start) / 1000);
    record_(line);
}

int Session::EntryIndex(const std::string& entry) const {
    const HWND list = Control(kConfigurationListId, "configuration list");
    const int count = ListCount(list);
    int found = -1;
    for (int row = 0; row < count; ++row) {
        if (ListText(program_.Handle(), list, row, 1) == Wide(entry))
            return row; // the entry name is unique
        if (SameText(ListText(program_.Handle(), list, row, 0), Wide(entry))) {
            if (found >= 0)
                Fail("two entries are named \"" + entry + "\": name the entry (\"file2\")");
            found = row;
        }
    }
    if (found < 0)
        Fail("no configuration entry \"" + entry + "\"");
    return found;
}

int Session::MappingRow(const std::string& number) const {
    const HWND list = Control(kMappingListId, "mapping list");
    const int row = std::atoi(number.c_str());
    if (row < 1 || row > ListCount(list))
        Fail("no mapping row " + number);
    return row - 1;
}

int Session::MappingColumn(HWND list, const std::string& column) const {
    const int columns = ListColumnCount(list);
    if (!column.empty() && std::all_of(column.begin(), column.end(), ::isdigit)) {
        const int number = std::atoi(column.c_str());
        if (number >= 1 && number <= columns)
            return number - 1;
    }
    for (int i = 0; i < columns; ++i)
        if (Plain(ListColumnTitle(program_.Handle(), list, i)) == Plain(Wide(column)))
            return i;
    Fail("no mapping column \"" + column + "\"");
}

POINT Session::MappingCellPoint(HWND list, int row, int column) const {
    SendTo(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    RECT cell = ListCellRect(program_.Handle(), list, row, column);
    RECT client{};
    GetClientRect(list, &client);
    // Columns out of sight to the right or left: scrolled into view.
    if (cell.right > client.right || cell.left < 0) {
        SendTo(list, LVM_SCROLL, static_cast<WPARAM>(cell.left - client.right / 3), 0);
        cell = ListCellRect(program_.Handle(), list, row, column);
    }
    POINT point = Center(cell);
    point.x = std::clamp(point.x, cell.left + 2, std::min(cell.right, client.right) - 3);
    return ToScreen(list, point);
}

std::vector<MenuItem> Session::PopUpMenuOn(const std::string& target) {
    RequireProgram();
    const bool row = !target.empty() && std::all_of(target.begin(), target.end(), ::isdigit);
    if (target == kTrayTarget) {
        // The menu opens at the pointer: over the window when it shows, as near as a
        // screenshot can have both.
        RECT window{};
        if (IsWindowVisible(main_) && GetWindowRect(main_, &window))
            SetCursorPos(window.left + (window.right - window.left) / 2,
                         window.top + (window.bottom - window.top) / 3);
        PostTrayClick(main_, WM_RBUTTONUP);
    } else if (row) {
        Foreground();
        const HWND list = Control(kMappingListId, "mapping list");
        ClickAt(MappingCellPoint(list, MappingRow(target), 0), Click::Right);
    } else {
        Foreground();
        const HWND list = Control(kConfigurationListId, "configuration list");
        const int index = EntryIndex(target);
        SendTo(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
        ClickAt(ToScreen(list, Center(ListIconRect(program_.Handle(), list, index))), Click::Right);
    }
    std::vector<MenuItem> items;
    PumpUntil([&] { return !(items = ShownPopup(program_.Id())).empty(); }, kAppearMs);
    if (items.empty()) {
        HandleDialogs();
        Fail("no menu pops up on " + target);
    }
    return items;
}

void Session::DismissMenu() {
    PressChord("Escape");
    PumpUntil([&] { return ShownPopup(program_.Id()).empty(); }, kAppearMs);
    Settle();
}

void Session::Context(const Arguments& a) {
    const std::vector<MenuItem> items = PopUpMenuOn(a[0]);
    for (const MenuItem& item : items) {
        if (item.Separator || Plain(item.Caption) != Plain(Wide(a[1])))
            continue;
        if (item.Disabled) {
            DismissMenu();
            Fail("the menu item \"" + a[1] + "\" is disabled");
        }
        ClickAt(Center(item.Bounds), Click::Left);
        PumpUntil([&] { return ShownPopup(program_.Id()).empty(); }, kAppearMs);
        Settle();
        return;
    }
    DismissMenu();
    Fail("no menu item \"" + a[1] + "\" on " + a[0]);
}

void Session::ContextItems(const Arguments& a) {
    for (const MenuItem& item : PopUpMenuOn(a[0]))
        record_(item.Separator
                    ? std::string("-")
                    : Shown(item.Caption) + "\t" + (item.Disabled ? "disabled" : "enabled") +
                          (item.Checked ? "\tchecked" : ""));
    DismissMenu();
}

void Session::Tray(const Arguments& a) {
    if (a[0] == "right-click") {
        PopUpMenuOn(std::string(kTrayTarget)); // left open, as the user sees it
        return;
    }
    if (a[0] != "double-click")
        Fail("the notification icon is clicked \"double-click\" or \"right-click\", not \"" + a[0] +
             "\"");
    RequireProgram();
    PostTrayClick(main_, WM_LBUTTONDBLCLK);
    Settle();
}

void Session::SelectConfig(const Arguments& a) {
    const HWND list = Control(kConfigurationListId, "configuration list");
    const int index = EntryIndex(a[0]);
    Foreground();
    SendTo(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
    ClickAt(ToScreen(list, Center(ListIconRect(program_.Handle(), list, index))), Click::Left);
    Settle();
}

void Session::Tab(const Arguments& a) {
    const HWND tabs = Control(kTabsId, "tabs");
    const int count = TabCount(tabs);
    for (int i = 0; i < count; ++i) {
        if (!SameText(TabText(program_.Handle(), tabs, i), Wide(a[0])))
            continue;
        Foreground();
        ClickAt(ToScreen(tabs, Center(TabRect(program_.Handle(), tabs, i))), Click::Left);
        Settle();
        return;
    }
    Fail("no tab \"" + a[0] + "\"");
}

void Session::Row(const Arguments& a) {
    const HWND list = Control(kMappingListId, "mapping list");
    const int row = MappingRow(a[0]);
    Foreground();
    ClickAt(MappingCellPoint(list, row, 0), Click::Left);
    Settle();
}

void Session::ClickCell(const Arguments& a) {
    const HWND list = Control(kMappingListId, "mapping list");
    const int row = MappingRow(a[0]);
    const int column = MappingColumn(list, a[1]);
    Foreground();
    ClickAt(MappingCellPoint(list, row, column), Click::Left);
    Settle();
}

void Session::Header(const Arguments& a) {
    const HWND list = Control(kMappingListId, "mapping list");
    const int column = MappingColumn(list, a[0]);
    const HWND header = reinterpret_cast<HWND>(SendTo(list, LVM_GETHEADER));
    // The column in sight first, as a user scrolls to it.
    MappingCellPoint(list, 0, column);
    Foreground();
    ClickAt(ToScreen(header, Center(HeaderItemRect(program_.Handle(), header, column))),
            Click::Left);
    Settle();
}

void Session::DoubleClick(const Arguments& a) {
    const HWND list = Control(kMappingListId, "mapping list");
    const int row = MappingRow(a[0]);
    const int column = MappingColumn(list, a[1]);
    Foreground();
    ClickAt(MappingCellPoint(list, row, column), Click::Double);
    Settle();
}

void Session::Type(const Arguments& a) {
    RequireProgram();
    TypeText(Wide(a[0]));
    Settle();
}

void Session::Key(const Arguments& a) {
    RequireProgram();
    if (!PressChord(a[0], [this] { Idle(kActionMs); }))
        Fail("unknown key in \"" + a[0] + "\"");
    Settle();
}

void Session::AnswerBox(const Arguments& a) {
    answers_.push_back({Answer::Kind::Box, Wide(a[0]), Wide(a[1]), {}});
}

void Session::SaveDialog(const Arguments& a) {
    answers_.push_back({Answer::Kind::SaveDialog, {}, {}, a.empty() ? L"" : InInstall(a[0])});
}

void Session::OpenDialog(const Arguments& a) {
    answers_.push_back({Answer::Kind::OpenDialog, {}, {}, a.empty() ? L"" : InInstall(a[0])});
}

void Session::ChooseRow(const Arguments& a) {
    const int row = std::atoi(a[0].c_str());
    if (row < 1)
        Fail("no row \"" + a[0] + "\"");
    answers_.push_back({Answer::Kind::ListRow, {}, std::to_wstring(row), {}});
}

void Session::ChooseItem(const Arguments& a) {
    answers_.push_back({Answer::Kind::DropDownItem, {}, Wide(a[0]), {}});
}

void Session::Drop(const Arguments& a) {
    RequireProgram();
    std::vector<std::wstring> paths;
    for (const std::string& path : a)
        paths.push_back(InInstall(path));
    RECT client{};
    GetClientRect(main_, &client);
    DropFiles(program_.Id(), main_, Center(client), paths);
    Settle();
}

// ---- a dialog left open -----------------------------------------------------------------

void Session::KeepDialog(const Arguments& a) {
    keptDialogs_.insert(Plain(Wide(a[0])));
}

HWND Session::KeptDialogShown() const {
    if (keptDialogs_.empty() || !program_.Running())
        return nullptr;
    for (const HWND dialog : ShownDialogs(program_.Id()))
        if (keptDialogs_.contains(Plain(WindowText(dialog))))
            return dialog;
    return nullptr;
}

HWND Session::KeptDialog() const {
    RequireProgram();
    const HWND dialog = KeptDialogShown();
    if (dialog == nullptr)
        Fail("no dialog kept open is shown");
    return dialog;
}

void Session::DialogClick(const Arguments& a) {
    ClickButton(KeptDialog(), a[0]);
}

void Session::DialogType(const Arguments& a) {
    const HWND dialog = KeptDialog();
    const HWND box = FieldControl(
        dialog, [&](HWND w) { return Plain(WindowText(w)) == Plain(Wide(a[0])); }, L"Edit");
    if (box == nullptr)
        Fail("no text box after \"" + a[0] + "\"");
    RECT rect{};
    GetWindowRect(box, &rect);
    ClickAt(Center(rect), Click::Left);
    PumpUntil([&] { return FocusIn(dialog) == box; }, kAppearMs);
    // The typed text replaces what the box holds, as after a triple click.
    SendTo(box, EM_SETSEL, 0, -1);
    TypeText(Wide(a[1]));
    Settle();
}

void Session::DialogScroll(const Arguments& a) {
    const HWND dialog = KeptDialog();
    const HWND bar = FieldControl(
        dialog, [&](HWND w) { return Plain(WindowText(w)) == Plain(Wide(a[0])); }, L"ScrollBar");
    if (bar == nullptr)
        Fail("no scroll bar after \"" + a[0] + "\"");
    if (a[1] != "up" && a[1] != "down")
        Fail("a scroll bar is clicked \"up\" or \"down\", not \"" + a[1] + "\"");
    ClickAt(ScrollArrowPoint(bar, a[1] == "up"), Click::Left);
    Settle();
}

void Session::DialogHotkey(const Arguments& a) {
    const HWND dialog = KeptDialog();
    const HWND box = FieldControl(
        dialog, [&](HWND w) { return Plain(WindowText(w)) == Plain(Wide(a[0])); }, HOTKEY_CLASSW);
    if (box == nullptr)
        Fail("no hotkey box after \"" + a[0] + "\"");
    RECT rect{};
    GetWindowRect(box, &rect);
    ClickAt(Center(rect), Click::Left);
    PumpUntil([&] { return FocusIn(dialog) == box; }, kAppearMs);
    // One key after another, as a person presses them: the box follows each.
    if (!PressChord(a[1], [this] { Idle(kActionMs); }))
        Fail("unknown key in \"" + a[1] + "\"");
    Settle();
}

void Session::DialogControls(const Arguments&) {
    PrintControls(KeptDialog(), program_.Handle());
}

// ---- outputs ----------------------------------------------------------------------------

void Session::List(const Arguments& a) {
    const HWND list = Control(kMappingListId, "mapping list");
    const HANDLE process = program_.Handle();
    const int count = ListCount(list);
    const int columns = ListColumnCount(list);
    const int from = a.empty() ? 1 : std::max(1, std::atoi(a[0].c_str()));
    const int to = a.size() < 2 ? (a.empty() ? count : from) : std::atoi(a[1].c_str());
    if (a.empty()) {
        std::string titles = "columns";
        for (int c = 0; c < columns; ++c)
            titles += "\t" + OneLine(ListColumnTitle(process, list, c));
        record_(titles);
    }
    record_("rows\t" + std::to_string(count));
    const int top = static_cast<int>(SendTo(list, LVM_GETTOPINDEX));
    for (int row = from - 1; row < std::min(to, count); ++row) {
        std::string line = std::to_string(row + 1);
        for (int c = 0; c < columns; ++c)
            line += "\t" + OneLine(ListText(process, list, row, c));
        // The row's colour: a pixel of the first cell, right of its text.
        SendTo(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
        UpdateWindow(list);
        Idle(kActionMs);
        const RECT cell = ListCellRect(process, list, row, 0);
        const POINT at = ToScreen(list, POINT{cell.right - 3, (cell.top + cell.bottom) / 2});
        const win32::WindowDc screen(nullptr);
        const COLORREF colour = GetPixel(screen.Get(), at.x, at.y);
        char hex[16];
        std::snprintf(hex, sizeof hex, "\t#%02X%02X%02X", GetRValue(colour), GetGValue(colour),
                      GetBValue(colour));
        record_(line + hex);
    }
    SendTo(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(top), FALSE);
}

void Session::Configs(const Arguments&) {
    const HWND list = Control(kConfigurationListId, "configuration list");
    const HANDLE process = program_.Handle();
    const int count = ListCount(list);
    for (int row = 0; row < count; ++row) {
        const UINT state = ListState(list, row, LVIS_CUT | LVIS_SELECTED);
        record_(Narrow(ListText(process, list, row, 1)) + "\t" +
                Narrow(ListText(process, list, row, 0)) + "\t" +
                Narrow(ListText(process, list, row, 2)) + "\t" +
                ((state & LVIS_CUT) != 0 ? "ghosted" : "shown") +
                ((state & LVIS_SELECTED) != 0 ? "\tselected" : ""));
    }
    if (const HWND tabs = GetDlgItem(main_, kTabsId); tabs != nullptr) {
        std::string line = "tabs";
        const int selected = static_cast<int>(SendTo(tabs, TCM_GETCURSEL));
        for (int i = 0; i < TabCount(tabs); ++i)
            line +=
                "\t" + std::string(i == selected ? "*" : "") + Narrow(TabText(process, tabs, i));
        record_(line);
    }
}

void Session::States(const Arguments&) {
    RequireProgram();
    std::vector<std::string> path;
    std::vector<bool> disabled;
    for (const MenuItem& item : MenuBar(program_.Id(), main_)) {
        path.resize(static_cast<std::size_t>(item.Depth));
        disabled.resize(static_cast<std::size_t>(item.Depth));
        if (item.Separator)
            continue;
        std::string name;
        for (const auto& part : path)
            name += part + ">";
        name += Shown(item.Caption);
        record_("menu\t" + name + "\t" + (item.Disabled ? "disabled" : "enabled") +
                (item.Checked ? "\tchecked" : ""));
        path.push_back(Shown(item.Caption));
        disabled.push_back(item.Disabled);
    }
    if (const HWND toolbar = GetDlgItem(main_, kToolbarId); toolbar != nullptr) {
        for (const ToolbarButton& button : ToolbarButtons(program_.Handle(), toolbar))
            record_("toolbar\t" + Narrow(button.Text) + "\t" +
                    ((button.State & TBSTATE_ENABLED) != 0 ? "enabled" : "disabled") +
                    ((button.State & TBSTATE_CHECKED) != 0 ? "\tchecked" : "") +
                    ((button.State & TBSTATE_HIDDEN) != 0 ? "\thidden" : ""));
    }
    for (const HWND child : Children(main_)) {
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        if (ClassOf(child) != L"Button" || (style & BS_TYPEMASK) == BS_GROUPBOX)
            continue;
        record_("button\t" + Shown(WindowText(child)) + "\t" +
                (IsWindowEnabled(child) ? "enabled" : "disabled") +
                (IsWindowVisible(child) ? "" : "\thidden"));
    }
}

void Session::Messages(const Arguments&) {
    for (const std::string& message : messages_)
        record_(message);
    messages_.clear();
}

namespace {

std::string ValueText(DWORD type, const std::vector<BYTE>& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()),
                          data.size() / sizeof(wchar_t));
        text.resize(wcsnlen(text.c_str(), text.size()));
        return Narrow(text);
    }
    if (type == REG_DWORD && data.size() >= 4) {
        DWORD value = 0;
        std::memcpy(&value, data.data(), 4);
        return "dword:" + std::to_string(value);
    }
    return "type " + std::to_string(type) + ", " + std::to_string(data.size()) + " bytes";
}

// Every value under the key and its subkeys, sorted by name, as "KEY\NAME = DATA".
void ListKey(HKEY root, const std::wstring& shownRoot, const std::wstring& path,
             std::vector<std::pair<std::wstring, std::wstring>>& out,
             const std::function<std::string(std::wstring)>& relative) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return;
    std::vector<std::pair<std::wstring, std::string>> values;
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD length = static_cast<DWORD>(std::size(name));
        DWORD type = 0, bytes = 0;
        if (RegEnumValueW(opened, i, name, &length, nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(bytes + 2);
        length = static_cast<DWORD>(std::size(name));
        bytes = static_cast<DWORD>(data.size());
        if (RegEnumValueW(opened, i, name, &length, nullptr, &type, data.data(), &bytes) !=
            ERROR_SUCCESS)
            break;
        data.resize(bytes);
        values.emplace_back(std::wstring(name, length), ValueText(type, data));
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(opened, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name, length);
    }
    RegCloseKey(opened);
    std::sort(values.begin(), values.end());
    for (const auto& [name, data] : values)
        out.emplace_back(shownRoot + L"\\" + path + L"\\" + (name.empty() ? L"(default)" : name),
                         win32::WideFromUtf8(relative(win32::WideFromUtf8(data))));
    std::sort(subkeys.begin(), subkeys.end());
    if (values.empty() && subkeys.empty())
        out.emplace_back(shownRoot + L"\\" + path, L"(empty key)");
    for (const auto& subkey : subkeys)
        ListKey(root, shownRoot, path + L"\\" + subkey, out, relative);
}

} // namespace

void Session::Registry(const Arguments&) {
    std::vector<std::pair<std::wstring, std::wstring>> values;
    const auto relative = [&](std::wstring text) { return Relative(std::move(text)); };
    ListKey(HKEY_CURRENT_USER, L"HKCU", L"Software\\Vantrel", values, relative);
    ListKey(HKEY_CURRENT_USER, L"HKCU", L"Software\\Classes\\.qmf", values, relative);
    ListKey(HKEY_CURRENT_USER, L"HKCU", L"Software\\Classes\\qmf_file", values, relative);
    const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    for (const auto& [root, shown] :
         {std::pair{HKEY_LOCAL_MACHINE, L"HKLM"}, std::pair{HKEY_CURRENT_USER, L"HKCU"}})
        if (auto text = RegText(root, run, L"Corvex"))
            values.emplace_back(std::wstring(shown) + L"\\" + run + L"\\Corvex",
                                win32::WideFromUtf8(Relative(*text)));
    for (const auto& [name, data] : values)
        record_(Narrow(name) + " = " + Narrow(data));
}

void Session::SetValue(const Arguments& a) {
    std::wstring data = Wide(a[2]);
    constexpr std::wstring_view kInstall = L"<install>\\";
    for (std::size_t at = data.find(kInstall); at != std::wstring::npos;
         at = data.find(kInstall, at + install_.Folder.size()))
        data.replace(at, kInstall.size(), install_.Folder);
    RegSetText(HKEY_CURRENT_USER, Wide(a[0]), Wide(a[1]), data);
}

void Session::WaitValue(const Arguments& a) {
    RequireProgram();
    const std::wstring key = Wide(a[0]), name = Wide(a[1]);
    if (!PumpUntil([&] { return RegText(HKEY_CURRENT_USER, key, name).has_value(); }, kActionMs))
        Fail("the program does not write HKCU\\" + a[0] + "\\" + a[1]);
    Settle();
}

void Session::Screenshot(const Arguments& a) {
    RequireProgram();
    Settle();
    Pump(300); // painted
    // The main window with whatever the program shows over it, or the one window titled so.
    std::vector<HWND> shown;
    for (const HWND window : TopLevelWindows(program_.Id()))
        if (IsWindowVisible(window) &&
            (a.size() < 2 || Plain(WindowText(window)) == Plain(Wide(a[1]))))
            shown.push_back(window);
    if (shown.empty())
        Fail(a.size() < 2 ? "no window of the program shows" : "no window \"" + a[1] + "\" shows");
    const std::wstring path = ArtifactsFolder() + Wide(a[0]) + L".png";
    // One window named: that window alone, none of what lies around it.
    if (!SaveScreenshot(path, shown, a.size() < 2 ? 12 : 0))
        Fail("the screenshot could not be taken");
}

void Session::Controls(const Arguments& a) {
    HWND window = main_;
    if (!a.empty()) {
        const wchar_t* mainClass =
            (SameText(Wide(a[0]), L"corvex.exe") ? RunnerWindows() : EditorWindows()).MainClass;
        window = nullptr;
        // A second start of it hands its file over to the first copy and ends.
        if (!PumpUntil([&] { return CopiesRunning(Wide(a[0])) <= 1; }, kStartMs))
            Fail(a[0] + " runs in two copies");
        PumpUntil([&] { return (window = FindWindowW(mainClass, nullptr)) != nullptr; }, kAppearMs);
        if (window == nullptr)
            Fail(a[0] + " has no window");
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        const win32::UniqueHandle other(
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_CREATE_THREAD |
                            PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                        FALSE, id));
        if (!other)
            Fail("cannot look into " + a[0]);
        // Its window shows before its start-up has run: read once its message loop runs.
        LoadProbe(other.Get());
        if (!ProgramIdle(id, window, kStartMs))
            Fail(a[0] + " does not finish its start-up");
        PrintControls(window, other.Get());
        return;
    }
    RequireProgram();
    Settle();
    PrintControls(window, program_.Handle());
}

void Session::PrintControls(HWND window, HANDLE process) {
    for (const HWND child : Children(window)) {
        if (GetParent(child) != window)
            continue;
        const std::wstring kind = ClassOf(child);
        // A picture combo box shows the text of its selected item.
        const std::wstring text =
            kind == L"ComboBoxEx32"
                ? ComboBoxExText(process, child, static_cast<int>(SendTo(child, CB_GETCURSEL)))
                : WindowText(child);
        const std::string value = ControlValue(child);
        record_(Narrow(kind) + "\t" + std::to_string(GetDlgCtrlID(child)) + "\t" +
                OneLine(win32::WideFromUtf8(Relative(text))) + "\t" +
                (IsWindowEnabled(child) ? "enabled" : "disabled") +
                (value.empty() ? "" : "\t" + value) +
                ((GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) != 0 ? "" : "\thidden"));
    }
}

// ---- files ------------------------------------------------------------------------------

void Session::Dump(const Arguments& a) {
    const std::wstring tool = install_.Folder + L"qmftool.exe";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        Fail("cannot make a pipe for qmftool");
    win32::UniqueHandle reading(readEnd), writing(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring command = L"\"" + tool + L"\" dump \"" + InInstall(a[0]) + L"\"";
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(tool.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, install_.Folder.c_str(), &startup, &started))
        Fail("cannot start qmftool.exe");
    const win32::UniqueHandle process(started.hProcess), thread(started.hThread);
    writing.Reset();
    std::string output;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0)
        output.append(buffer, read);
    WaitForSingleObject(process.Get(), kActionMs);
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    // One record per row: the tool prints the whole configuration on one line.
    const std::string row = "{\"button\"";
    for (std::size_t at = 0; (at = output.find(row, at)) != std::string::npos; at += row.size() + 1)
        output.insert(at, "\n");
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        record_(Relative(win32::WideFromUtf8(line)));
    }
    if (code != 0)
        record_("qmftool: exit code " + std::to_string(code));
}

void Session::File(const Arguments& a) {
    const std::wstring path = InInstall(a[0]);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        Fail(a[0] + " does not exist");
    const std::string bytes = ReadBytes(path);
    record_(a[0] + ": " + std::to_string(bytes.size()) + " bytes");
    std::string line;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\n') {
            if (i < bytes.size() || !line.empty())
                record_("| " + line);
            line.clear();
            continue;
        }
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            line += escaped;
        } else {
            line += static_cast<char>(c);
        }
    }
}

void Session::Locks(const Arguments&) {
    // The toggle states are the keyboard's, the same for every program of the session.
    const auto state = [](int key) { return (GetKeyState(key) & 1) != 0 ? "on" : "off"; };
    record_(std::string("locks\tNum ") + state(VK_NUMLOCK) + "\tCaps " + state(VK_CAPITAL) +
            "\tScroll " + state(VK_SCROLL));
}

void Session::Focus(const Arguments&) {
    RequireProgram();
    Settle();
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const HWND focus = GetGUIThreadInfo(GetWindowThreadProcessId(main_, nullptr), &info)
                           ? info.hwndFocus
                           : nullptr;
    record_(focus == nullptr
                ? std::string("focus\tnone")
                : "focus\t" + Narrow(ClassOf(focus)) + "\t" + std::to_string(GetDlgCtrlID(focus)));
}

void Session::Exists(const Arguments& a) {
    const DWORD attributes = GetFileAttributesW(InInstall(a[0]).c_str());
    record_(a[0] + (attributes == INVALID_FILE_ATTRIBUTES         ? " missing"
                    : (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? " exists, read-only"
                                                                  : " exists"));
}

void Session::MakeReadOnly(const Arguments& a) {
    const std::wstring path = InInstall(a[0]);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY))
        Fail("cannot make " + a[0] + " read-only");
}

void Session::BrowserPages(const Arguments& a) {
    const std::size_t count = std::stoul(a[0]);
    std::vector<std::wstring> pages;
    if (!PumpUntil([&] { return (pages = e2e::BrowserPages()).size() >= count; }, kActionMs))
        Fail("the browser was started on " + std::to_string(pages.size()) + " pages, not " + a[0]);
    record_("browser-pages\t" + std::to_string(pages.size()));
    for (const auto& page : pages)
        record_("page\t" + Relative(page));
}

void Session::Copy(const Arguments& a) {
    std::wstring source = scriptFolder_ + WindowsPath(Wide(a[0]));
    if (GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES)
        source = DriverFolder() + L"payload\\" + WindowsPath(Wide(a[0]));
    const std::wstring target = InInstall(a[1]);
    MakeFolder(target.substr(0, target.find_last_of(L'\\')));
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE))
        Fail("cannot copy " + a[0] + " to " + a[1]);
}

} // namespace

int RunScript(const std::wstring& script, const std::wstring& expected) {
    const std::wstring scriptPath = WindowsPath(script);
    std::vector<std::string> records;
    const auto record = [&](const std::string& line) {
        records.push_back(line);
        std::printf("%s\n", line.c_str());
    };
    bool performed = true;
    try {
        const std::string text = ReadBytes(scriptPath);
        const std::vector<ScriptLine> lines = ScriptLines(text);
        Session session(scriptPath, record,
                        !lines.empty() && lines.front().Verb == "keep-settings");
        // QM_DRIVER_TRACE: each action with the time it starts, on stderr.
        const bool trace = GetEnvironmentVariableW(L"QM_DRIVER_TRACE", nullptr, 0) != 0;
        const std::int64_t start = Now();
        for (const ScriptLine& line : lines) {
            if (trace)
                std::fprintf(stderr, "[%.2fs] %s\n", Milliseconds(Now() - start) / 1000,
                             line.Source.c_str());
            try {
                session.Perform(line);
            } catch (const std::exception& e) {
                record("error: line " + std::to_string(line.Number) + ": " + line.Source + ": " +
                       e.what());
                performed = false;
                break;
            }
        }
        if (performed)
            session.Finish();
    } catch (const std::exception& e) {
        record(std::string("error: ") + e.what());
        performed = false;
    }
    if (expected.empty())
        return performed ? 0 : 1;

    std::vector<std::string> wanted;
    {
        std::istringstream lines(ReadBytes(WindowsPath(expected)));
        std::string line;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            wanted.push_back(line);
        }
    }
    if (wanted == records) {
        std::printf("-- the output is as expected (%zu lines)\n", records.size());
        return 0;
    }
    std::size_t first = 0;
    while (first < wanted.size() && first < records.size() && wanted[first] == records[first])
        ++first;
    std::printf("-- the output differs from the expected file at line %zu:\n", first + 1);
    std::printf("   expected: %s\n",
                first < wanted.size() ? wanted[first].c_str() : "(the end of the file)");
    std::printf("   printed:  %s\n",
                first < records.size() ? records[first].c_str() : "(the end of the output)");
    return 1;
}

} // namespace qm::e2e
