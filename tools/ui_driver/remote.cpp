#include "remote.h"

#include "core/win32/win32_text.h"
#include "harness.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <sstream>

namespace qm::e2e {

namespace {
constexpr DWORD kAnswerMs = 5000;
constexpr std::size_t kTextChars = 1024;
} // namespace

RemoteMemory::RemoteMemory(HANDLE process, std::size_t bytes)
    : process_(process),
      address_(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
    if (address_ == nullptr)
        throw Fatal("cannot reserve memory in the program, error " +
                    std::to_string(GetLastError()));
}

RemoteMemory::~RemoteMemory() {
    VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

void RemoteMemory::Write(const void* data, std::size_t bytes, std::size_t offset) {
    if (!WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, bytes, nullptr))
        throw Fatal("cannot write the program's memory");
}

void RemoteMemory::Read(void* data, std::size_t bytes, std::size_t offset) const {
    if (!ReadProcessMemory(process_, static_cast<const char*>(address_) + offset, data, bytes,
                           nullptr))
        throw Fatal("cannot read the program's memory");
}

LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMs, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

namespace {

// A structure followed by a text buffer in the program; the structure's text pointer is set
// to the buffer.
template <class Structure> class RemoteWithText {
public:
    RemoteWithText(HANDLE process, Structure value, LPWSTR Structure::*text, int Structure::*size)
        : memory_(process, sizeof(Structure) + kTextChars * sizeof(wchar_t)) {
        value.*text =
            reinterpret_cast<LPWSTR>(static_cast<char*>(memory_.Address()) + sizeof(Structure));
        value.*size = static_cast<int>(kTextChars);
        const wchar_t empty = L'\0';
        memory_.Write(&value, sizeof(Structure));
        memory_.Write(&empty, sizeof(empty), sizeof(Structure));
    }
    LPARAM Param() const { return memory_.Param(); }
    std::wstring Text() const {
        std::wstring text(kTextChars, L'\0');
        memory_.Read(text.data(), kTextChars * sizeof(wchar_t), sizeof(Structure));
        text.resize(wcsnlen(text.c_str(), kTextChars));
        return text;
    }

private:
    RemoteMemory memory_;
};

RECT RemoteRect(HANDLE process, HWND window, UINT message, WPARAM wParam, RECT initial) {
    RemoteMemory memory(process, sizeof(RECT));
    memory.Write(&initial, sizeof(initial));
    RECT rect{};
    if (SendTo(window, message, wParam, memory.Param()) != 0)
        memory.Read(&rect, sizeof(rect));
    return rect;
}

} // namespace

// ---- list views ------------------------------------------------------------------------

int ListCount(HWND list) {
    return static_cast<int>(SendTo(list, LVM_GETITEMCOUNT));
}

int ListColumnCount(HWND list) {
    const HWND header = reinterpret_cast<HWND>(SendTo(list, LVM_GETHEADER));
    return header == nullptr ? 0 : static_cast<int>(SendTo(header, HDM_GETITEMCOUNT));
}

std::wstring ListColumnTitle(HANDLE process, HWND list, int column) {
    LVCOLUMNW value{};
    value.mask = LVCF_TEXT;
    RemoteWithText<LVCOLUMNW> remote(process, value, &LVCOLUMNW::pszText, &LVCOLUMNW::cchTextMax);
    if (SendTo(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), remote.Param()) == 0)
        return {};
    return remote.Text();
}

std::wstring ListText(HANDLE process, HWND list, int row, int column) {
    LVITEMW value{};
    value.iSubItem = column;
    RemoteWithText<LVITEMW> remote(process, value, &LVITEMW::pszText, &LVITEMW::cchTextMax);
    SendTo(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), remote.Param());
    return remote.Text();
}

UINT ListState(HWND list, int row, UINT mask) {
    return static_cast<UINT>(SendTo(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask));
}

RECT ListCellRect(HANDLE process, HWND list, int row, int column) {
    RECT initial{};
    initial.top = column;
    initial.left = column == 0 ? LVIR_LABEL : LVIR_BOUNDS;
    return RemoteRect(process, list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), initial);
}

RECT ListIconRect(HANDLE process, HWND list, int row) {
    RECT initial{};
    initial.left = LVIR_ICON;
    return RemoteRect(process, list, LVM_GETITEMRECT, static_cast<WPARAM>(row), initial);
}

RECT HeaderItemRect(HANDLE process, HWND header, int index) {
    return RemoteRect(process, header, HDM_GETITEMRECT, static_cast<WPARAM>(index), RECT{});
}

// ---- tab controls ----------------------------------------------------------------------

int TabCount(HWND tabs) {
    return static_cast<int>(SendTo(tabs, TCM_GETITEMCOUNT));
}

std::wstring TabText(HANDLE process, HWND tabs, int index) {
    TCITEMW value{};
    value.mask = TCIF_TEXT;
    RemoteWithText<TCITEMW> remote(process, value, &TCITEMW::pszText, &TCITEMW::cchTextMax);
    if (SendTo(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), remote.Param()) == 0)
        return {};
    return remote.Text();
}

RECT TabRect(HANDLE process, HWND tabs, int index) {
    return RemoteRect(process, tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), RECT{});
}

// ---- picture combo boxes ---------------------------------------------------------------

std::wstring ComboBoxExText(HANDLE process, HWND combo, int item) {
    if (item < 0)
        return {};
    COMBOBOXEXITEMW value{};
    value.mask = CBEIF_TEXT;
    value.iItem = item;
    RemoteWithText<COMBOBOXEXITEMW> remote(process, value, &COMBOBOXEXITEMW::pszText,
                                           &COMBOBOXEXITEMW::cchTextMax);
    if (SendTo(combo, CBEM_GETITEMW, 0, remote.Param()) == 0)
        return {};
    return remote.Text();
}

// ---- toolbars --------------------------------------------------------------------------

std::vector<ToolbarButton> ToolbarButtons(HANDLE process, HWND toolbar) {
    std::vector<ToolbarButton> buttons;
    const int count = static_cast<int>(SendTo(toolbar, TB_BUTTONCOUNT));
    RemoteMemory memory(process, sizeof(TBBUTTON) + kTextChars * sizeof(wchar_t));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        if (SendTo(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), memory.Param()) == 0)
            continue;
        memory.Read(&button, sizeof(button));
        if ((button.fsStyle & BTNS_SEP) != 0)
            continue;
        ToolbarButton shown{button.idCommand, button.fsState, button.fsStyle, {}};
        const auto text = reinterpret_cast<LPARAM>(static_cast<char*>(memory.Address()));
        const auto length =
            SendTo(toolbar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(button.idCommand), text);
        if (length > 0) {
            std::wstring value(static_cast<std::size_t>(std::min<LRESULT>(length, kTextChars - 1)),
                               L'\0');
            memory.Read(value.data(), value.size() * sizeof(wchar_t));
            shown.Text = value;
        }
        buttons.push_back(std::move(shown));
    }
    return buttons;
}

RECT ToolbarButtonRect(HANDLE process, HWND toolbar, int index) {
    return RemoteRect(process, toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), RECT{});
}

// ---- the probe -------------------------------------------------------------------------

void LoadProbe(HANDLE process) {
    const std::wstring path = DriverFolder() + L"ui_probe.dll";
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        throw Fatal("ui_probe.dll is missing beside the driver");
    const std::size_t bytes = (path.size() + 1) * sizeof(wchar_t);
    RemoteMemory memory(process, bytes);
    memory.Write(path.c_str(), bytes);
    // kernel32 is at the same address in every process of a session.
    const auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    win32::UniqueHandle thread(
        CreateRemoteThread(process, nullptr, 0, load, memory.Address(), 0, nullptr));
    DWORD loaded = 0;
    if (!thread || WaitForSingleObject(thread.Get(), 10000) != WAIT_OBJECT_0 ||
        !GetExitCodeThread(thread.Get(), &loaded) || loaded == 0)
        throw Fatal("cannot load ui_probe.dll into the program");
}

namespace {

std::string Ask(DWORD process, const std::string& request) {
    const std::wstring name = L"\\\\.\\pipe\\qm-ui-probe-" + std::to_wstring(process);
    win32::UniqueHandle pipe;
    for (int attempt = 0; attempt < 200 && !pipe; ++attempt) {
        pipe.Reset(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr));
        if (!pipe)
            WaitNamedPipeW(name.c_str(), 50);
    }
    if (!pipe)
        throw Fatal("the program's probe does not answer");
    const std::string sent = request + "\n\n";
    DWORD done = 0;
    if (!::WriteFile(pipe.Get(), sent.data(), static_cast<DWORD>(sent.size()), &done, nullptr))
        throw Fatal("cannot ask the program's probe");
    std::string answer;
    char buffer[4096];
    while (ReadFile(pipe.Get(), buffer, sizeof buffer, &done, nullptr) && done > 0)
        answer.append(buffer, done);
    if (answer.rfind("error ", 0) == 0)
        throw Fatal("the program's probe: " + answer.substr(6, answer.find('\n') - 6));
    return answer;
}

std::vector<MenuItem> ParseItems(const std::string& answer) {
    std::vector<MenuItem> items;
    std::istringstream lines(answer);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        if (fields.size() < 4)
            continue;
        MenuItem item;
        item.Depth = std::stoi(fields[0]);
        item.Command = std::stoi(fields[1]);
        item.Disabled = fields[2].find('g') != std::string::npos;
        item.Checked = fields[2].find('c') != std::string::npos;
        item.Separator = fields[2].find('s') != std::string::npos;
        item.Caption = win32::WideFromUtf8(fields[3]);
        if (fields.size() > 4)
            std::sscanf(fields[4].c_str(), "%ld,%ld,%ld,%ld", &item.Bounds.left, &item.Bounds.top,
                        &item.Bounds.right, &item.Bounds.bottom);
        items.push_back(std::move(item));
    }
    return items;
}

std::string WindowNumber(HWND window) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(window));
}

} // namespace

std::vector<MenuItem> MenuBar(DWORD process, HWND window) {
    return ParseItems(Ask(process, "bar " + WindowNumber(window)));
}

std::vector<MenuItem> ShownPopup(DWORD process) {
    return ParseItems(Ask(process, "popup"));
}

bool ProgramIdle(DWORD process, HWND window, DWORD timeoutMs) {
    try {
        return Ask(process, "idle " + WindowNumber(window) + " " + std::to_string(timeoutMs)) ==
               "idle\n";
    } catch (const Fatal&) {
        return false; // the program has ended, or its window has gone
    }
}

std::vector<std::wstring> ListRowTexts(DWORD process, HWND list, int row, int columns) {
    const std::string answer =
        Ask(process, "texts " + WindowNumber(list) + " " + std::to_string(row) + " " +
                         std::to_string(columns));
    std::vector<std::wstring> texts;
    for (std::size_t start = 0, end; (end = answer.find('\0', start)) != std::string::npos;
         start = end + 1)
        texts.push_back(win32::WideFromUtf8(answer.substr(start, end - start)));
    if (texts.size() != static_cast<std::size_t>(columns))
        throw Fatal("the program's probe did not give the row's texts");
    return texts;
}

void DropFiles(DWORD process, HWND window, POINT at, const std::vector<std::wstring>& paths) {
    std::string request =
        "drop " + WindowNumber(window) + " " + std::to_string(at.x) + " " + std::to_string(at.y);
    for (const auto& path : paths)
        request += "\n" + Narrow(path);
    Ask(process, request);
}

} // namespace qm::e2e
