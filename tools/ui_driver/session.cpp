// The session of a script run: the helpers the verbs share, waiting until the program is idle
// with every box answered, paths of the scratch installation, and the lookups of lists and
// pop-up menus.
#include "session.h"

#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"
#include "dialog_choices.h"
#include "input.h"
#include "program_windows.h"
#include "remote.h"
#include "target_programs.h"
#include "ui/win32/shell_handles.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace qm::e2e::verbs {

namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
    return TRUE;
}

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

// The processes whose program file is named `executable`.
std::vector<DWORD> ProcessesOf(const std::wstring& executable) {
    const win32::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    std::vector<DWORD> found;
    for (BOOL more = snapshot && Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry))
        if (_wcsicmp(entry.szExeFile, executable.c_str()) == 0)
            found.push_back(entry.th32ProcessID);
    return found;
}

void EndProcess(DWORD id) {
    const win32::UniqueHandle other(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (other) {
        TerminateProcess(other.Get(), 99);
        WaitForSingleObject(other.Get(), 5000);
    }
}

} // namespace

[[noreturn]] void Fail(const std::string& why) {
    throw ActionFailed(why);
}

int CopiesRunning(const std::wstring& executable) {
    return static_cast<int>(ProcessesOf(executable).size());
}

std::wstring Wide(std::string_view text) {
    return win32::WideFromUtf8(text);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

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

std::wstring WindowsPath(std::wstring path) {
    if (!path.empty() && path.front() == L'/')
        path = L"Z:" + path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
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
        EndProcess(id);
    }
    // A copy that has no main window yet, or no longer, holds its instance all the same: the
    // next script's start would hand its file over to it and end.
    for (const wchar_t* program : {L"corvex.exe", L"vantrel.exe"})
        for (const DWORD id : ProcessesOf(program))
            if (id != program_.Id())
                EndProcess(id);
}

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

} // namespace qm::e2e::verbs
