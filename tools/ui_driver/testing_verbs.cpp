#include "testing_verbs.h"

#include "editor/win32/vantrel_ids.h"

#include <charconv>

namespace qm::e2e {
namespace {

// The whole text of a control of another process (GetWindowText reads only captions there).
std::wstring ControlText(HWND control) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(),
                             reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                             &copied))
        return {};
    text.resize(std::min<std::size_t>(copied, length));
    return text;
}

} // namespace

std::optional<SimulatedDevice> ParseSimulatedDevice(std::string_view word) {
    SimulatedDevice device;
    for (const std::string_view kind : {"controller", "board"}) {
        if (word.substr(0, kind.size()) != kind)
            continue;
        const std::string_view number = word.substr(kind.size());
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), device.Number);
        if (error != std::errc() || end != number.data() + number.size() || device.Number < 1)
            return std::nullopt;
        device.Board = kind == "board";
        return device;
    }
    return std::nullopt;
}

bool SetSimulatedButton(Simulation& devices, SimulatedDevice device, int button, bool down) {
    return device.Board ? devices.SetBoardAndWait(device.Number, button, down)
                        : devices.SetAndWait(device.Number, button, down);
}

HWND FindTestWindow(DWORD process) {
    return FindProcessWindow(process, VANTREL_TEST_WINDOW_CLASS, nullptr);
}

std::vector<std::wstring> TestLogLines(HWND testWindow) {
    const std::wstring text = ControlText(GetDlgItem(testWindow, IDC_TEST_LOG));
    std::vector<std::wstring> lines;
    for (std::size_t start = 0; !text.empty() && start <= text.size();) {
        const std::size_t next = text.find(L"\r\n", start);
        lines.push_back(text.substr(start, next - start));
        if (next == std::wstring::npos)
            break;
        start = next + 2;
    }
    return lines;
}

std::string PriorityClassName(HANDLE process) {
    switch (const DWORD priority = GetPriorityClass(process)) {
    case REALTIME_PRIORITY_CLASS:
        return "REALTIME";
    case HIGH_PRIORITY_CLASS:
        return "HIGH";
    case ABOVE_NORMAL_PRIORITY_CLASS:
        return "ABOVE_NORMAL";
    case NORMAL_PRIORITY_CLASS:
        return "NORMAL";
    case BELOW_NORMAL_PRIORITY_CLASS:
        return "BELOW_NORMAL";
    case IDLE_PRIORITY_CLASS:
        return "IDLE";
    default:
        return std::to_string(priority);
    }
}

} // namespace qm::e2e
