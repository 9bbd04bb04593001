#include "handover_verbs.h"

#include "program_windows.h"
#include "remote.h"
#include "runner/win32/corvex_ids.h"

#include <algorithm>

namespace qm::e2e {

namespace {

// The file of the known-files entry with the highest number: the one taken last.
std::wstring LastKnownFileName() {
    constexpr int kMostEntries = 1000;
    std::wstring last;
    for (int n = 1; n <= kMostEntries; ++n)
        if (const auto path = RegText(
                HKEY_CURRENT_USER, L"Software\\Vantrel\\user\\file" + std::to_wstring(n), L"path"))
            last = path->substr(path->find_last_of(L'\\') + 1);
    return last;
}

std::string RunningRecord(HANDLE process, HWND main) {
    const HWND selector = GetDlgItem(main, IDC_CONFIGURATION_SELECTOR);
    const std::wstring shown =
        ComboBoxExText(process, selector, static_cast<int>(SendTo(selector, CB_GETCURSEL)));
    wchar_t button[32] = {};
    GetDlgItemTextW(main, IDC_RUN_BUTTON, button, static_cast<int>(std::size(button)));
    const std::wstring last = LastKnownFileName();
    if (shown == last && std::wstring(button) == L"&Stop")
        return "running\tthe file taken last";
    return "running\t" + Narrow(shown) + "\t" + Narrow(button) + "\ttaken last: " + Narrow(last);
}

} // namespace

bool StartTogether(const std::wstring& program, const std::vector<std::wstring>& commandLines,
                   DWORD timeoutMs, RunnerProcess& left, std::string& why) {
    std::vector<RunnerProcess> copies(commandLines.size());
    for (std::size_t i = 0; i < copies.size(); ++i)
        if (!copies[i].Start(program, commandLines[i])) {
            why = "cannot start " + Narrow(program) + ": error " + std::to_string(GetLastError());
            return false;
        }
    const auto running = [&] {
        return std::count_if(copies.begin(), copies.end(),
                             [](const RunnerProcess& copy) { return copy.Running(); });
    };
    if (!PumpUntil([&] { return running() <= 1; }, timeoutMs)) {
        why = std::to_string(running()) + " copies run on";
        return false;
    }
    for (auto& copy : copies) {
        if (copy.Running()) {
            left = std::move(copy);
            continue;
        }
        if (const auto exit = copy.WaitExit(0); exit != 0u) {
            why = "a copy ended with exit code " + std::to_string(exit.value_or(0));
            return false;
        }
    }
    if (left.Id() == 0) {
        why = "no copy runs on";
        return false;
    }
    return true;
}

std::vector<std::string> ListedRecords(HANDLE process, HWND main, bool runner) {
    std::vector<std::wstring> names;
    if (runner) {
        const HWND selector = GetDlgItem(main, IDC_CONFIGURATION_SELECTOR);
        const auto count = static_cast<int>(SendTo(selector, CB_GETCOUNT));
        for (int i = 0; i < count; ++i)
            names.push_back(ComboBoxExText(process, selector, i));
    } else {
        const HWND list = GetDlgItem(main, EditorControlIds().ConfigurationList);
        for (int i = 0; i < ListCount(list); ++i)
            names.push_back(ListText(process, list, i, 0));
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> records{"listed\t" + std::to_string(names.size())};
    for (const auto& name : names)
        records.push_back(Narrow(name));
    if (runner)
        records.push_back(RunningRecord(process, main));
    return records;
}

} // namespace qm::e2e
