#include "testing_verbs.h"

#include "session.h"

#include "editor/win32/vantrel_ids.h"
#include "sim/sim_controls.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

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

namespace qm::e2e::verbs {

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

void Session::Tap(const Arguments& a) {
    RequireProgram();
    const auto device = ParseSimulatedDevice(a[0]);
    const int button = std::atoi(a[1].c_str());
    if (!device || device->Board || button < 1)
        Fail("no simulated controller button \"" + a[0] + " " + a[1] + "\"");
    if (!devices_->TapAndWait(device->Number, button))
        Fail("the program does not read " + a[0]);
    Settle();
}

void Session::Axis(const Arguments& a) {
    RequireProgram();
    const auto device = ParseSimulatedDevice(a[0]);
    const int axis = sim::AxisNumber(a[1]);
    if (!device || device->Board || axis == 0)
        Fail("no simulated controller axis \"" + a[0] + " " + a[1] + "\"");
    if (const auto problem = devices_->SetAxisAndWait(device->Number, axis, a[2]); !problem.empty())
        Fail(problem);
    Settle();
}

void Session::Hat(const Arguments& a) {
    RequireProgram();
    const auto device = ParseSimulatedDevice(a[0]);
    const int hat = std::atoi(a[1].c_str());
    if (!device || device->Board || hat < 1)
        Fail("no simulated controller hat \"" + a[0] + " " + a[1] + "\"");
    if (const auto problem = devices_->SetHatAndWait(device->Number, hat, a[2]); !problem.empty())
        Fail(problem);
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

void Session::SetPlugged(const Arguments& a, bool plugged) {
    RequireProgram();
    const auto device = ParseSimulatedDevice(a[0]);
    if (!device || device->Number > (device->Board ? sim::kMaxBoards : sim::kMaxControllers))
        Fail("no simulated device \"" + a[0] + "\"");
    if (device->Board)
        devices_->SetBoardPlugged(device->Number, plugged);
    else
        devices_->SetPlugged(device->Number, plugged);
    // Plugged back in: the program reads it again once it has found it.
    const auto source =
        static_cast<std::uint32_t>(device->Number) + (device->Board ? sim::kBoardReadSource : 0u);
    if (plugged && !devices_->WaitReads(devices_->ReadCount(), source, 2, 10000))
        Fail("the program does not read " + a[0] + " again");
    Settle();
}

void Session::WaitStatus(const Arguments& a) {
    RequireProgram();
    HWND bar = nullptr;
    for (const HWND child : Children(main_))
        if (GetParent(child) == main_ && ClassOf(child) == L"msctls_statusbar32")
            bar = child;
    if (bar == nullptr)
        Fail("the main window has no status bar");
    const std::wstring wanted = Wide(a[0]);
    std::wstring shown;
    if (!PumpUntil([&] { return (shown = WindowText(bar)) == wanted; }, 10000))
        Fail("the status bar shows \"" + Narrow(shown) + "\"");
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

} // namespace qm::e2e::verbs
