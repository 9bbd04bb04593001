// The verbs that print what the program shows or keeps: its lists, their states, the boxes
// seen, the registry, the controls of a window, the lock keys, the focus, screenshots.
#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"
#include "dialog_fields.h"
#include "program_windows.h"
#include "remote.h"
#include "session.h"
#include "ui/win32/shell_handles.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::e2e::verbs {

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
        for (const std::wstring& text : ListRowTexts(program_.Id(), list, row, columns))
            line += "\t" + OneLine(text);
        // The row's colour: a pixel of the first cell, right of its text, once it is in view
        // and painted (the rows in view are painted once).
        const int first = static_cast<int>(SendTo(list, LVM_GETTOPINDEX));
        const bool inView =
            row >= first && row < first + static_cast<int>(SendTo(list, LVM_GETCOUNTPERPAGE));
        if (!inView || row == from - 1) {
            SendTo(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
            UpdateWindow(list);
            Idle(kActionMs);
        }
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

} // namespace qm::e2e::verbs
