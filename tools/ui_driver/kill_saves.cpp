// The real vantrel.exe killed (TerminateProcess) at random moments around a save: each round
// writes the old configuration, starts the editor, opens it, clears a row and posts Save, then
// kills the program after a random delay. The file must then hold exactly the old or exactly
// the new bytes, never a mix and never nothing. A kill counts as inside the save when a
// temporary file of the save existed just before it; temporary files left behind are counted
// and removed. Printed as Markdown; a mixed or missing file fails the run.
#include "core/editor_qmf.h"
#include "driver_runs.h"
#include "harness.h"
#include "input.h"
#include "program_windows.h"
#include "remote.h"
#include "support/qmf_builder.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace qm::e2e {

namespace {

constexpr char kPad[] = "{3E2A1B40-6C5D-4F7E-8A9B-C0D1E2F3A4B5}";
constexpr int kRows = 512;
constexpr int kClearedRow = 7; // from 0
constexpr DWORD kPatienceMs = 30000;

std::string ReadWhole(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// 512 rows with descriptions and keys: a file of a few hundred kilobytes, so that a save takes
// long enough to be hit.
std::string LargeConfiguration() {
    std::vector<testing::Record14> records;
    for (int b = 1; b <= kRows; ++b) {
        testing::Record14 r;
        r.Button = std::to_string(b);
        r.DeviceName = "Kill Pad";
        r.Identity = kPad;
        r.Description = "Switch " + std::to_string(b) + " of the overhead panel";
        for (const char* key : {"A", "B", "C", "D", "E", "F", "G", "H"})
            r.Press.push_back({std::string("SHIFT + CTRL + ") + key, key});
        r.Release = {{"SHIFT + A", "A"}};
        records.push_back(std::move(r));
    }
    return testing::File14(records);
}

std::vector<std::wstring> TemporaryFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"*.saving").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(folder + found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool AnyTemporaryFile(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"*.saving").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

// Answers the boxes vantrel.exe shows while it starts (none are expected) with OK.
void AnswerStartUpBoxes(const RunnerProcess& editor) {
    while (const HWND box = FindProcessWindow(editor.Id(), L"#32770", nullptr)) {
        Pump(150);
        std::printf("note: vantrel.exe showed \"%s\"\n", Narrow(MessageBoxText(box)).c_str());
        ClickButton(box, IDOK);
        WaitWindowGone(box, 5000);
    }
}

// vantrel.exe with the configuration open and row kClearedRow cleared, ready to save.
struct EditedConfiguration {
    EditedConfiguration(const Installation& install) {
        if (!Editor.Start(install.Folder + L"vantrel.exe", L""))
            throw Fatal("vantrel.exe did not start, error " + std::to_string(GetLastError()));
        Main = EditorMainWindow(Editor, kPatienceMs);
        AnswerStartUpBoxes(Editor);
        if (Main == nullptr)
            throw Fatal("vantrel.exe shows no main window");
        const HWND list = GetDlgItem(Main, EditorControlIds().MappingList);
        PostCommand(Main, EditorCommandIds().Open);
        if (!PumpUntil([&] { return ListCount(list) == kRows; }, kPatienceMs))
            throw Fatal("vantrel.exe does not show the configuration");
        // A click on the row chooses it, as the user does; a click that only activated the
        // window is repeated.
        const auto cleared = [&] {
            return ListText(Editor.Handle(), list, kClearedRow, col::FirstPress)
                       .find_first_not_of(L' ') == std::wstring::npos;
        };
        for (int attempt = 0; attempt < 3 && !cleared(); ++attempt) {
            SetForegroundWindow(Main);
            PumpUntil([&] { return GetForegroundWindow() == Main; }, 2000);
            SendTo(list, LVM_ENSUREVISIBLE, kClearedRow, FALSE);
            const RECT cell = ListCellRect(Editor.Handle(), list, kClearedRow, 0);
            POINT at{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
            ClientToScreen(list, &at);
            ClickAt(at, Click::Left);
            SendTo(Main, WM_NULL);
            PostCommand(Main, EditorCommandIds().ClearRow);
            SendTo(Main, WM_NULL);
            PumpUntil(cleared, 1000);
        }
        if (!cleared())
            throw Fatal("the row cannot be cleared");
    }
    RunnerProcess Editor;
    HWND Main = nullptr;
};

enum class Outcome { Old, New, Mixed, Missing };

Outcome Judge(const std::wstring& path, const std::string& before, const std::string& after) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return Outcome::Missing;
    const std::string bytes = ReadWhole(path);
    return bytes == before ? Outcome::Old : bytes == after ? Outcome::New : Outcome::Mixed;
}

// Waits `microseconds` on a high-resolution timer.
void WaitMicroseconds(HANDLE timer, int microseconds) {
    LARGE_INTEGER due{};
    due.QuadPart = -static_cast<LONGLONG>(microseconds) * 10;
    if (timer == nullptr || !SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE))
        Sleep(static_cast<DWORD>(microseconds / 1000));
    else
        WaitForSingleObject(timer, INFINITE);
}

} // namespace

int KillSaves(int count) {
    ForgetSettings();
    const Installation install = Install(L"kill-saves");
    Simulation devices(install.DeviceFile,
                       std::string("controller | Kill Pad | ") + kPad + " | 12\n");
    const std::wstring folder = install.Folder + L"config\\";
    const std::wstring path = folder + L"kill.qmf";
    const std::string before = LargeConfiguration();

    // Calibration: saves that are not interrupted give the new bytes and the save's timing,
    // from the Save command to the first temporary file and to the new file in place.
    std::string after;
    std::vector<double> toTemporary, toDone;
    for (int run = 0; run < 3; ++run) {
        WriteFile(path, before);
        EditedConfiguration edited(install);
        const std::int64_t posted = Now();
        PostCommand(edited.Main, EditorCommandIds().Save);
        bool temporarySeen = false;
        PumpUntil(
            [&] {
                if (!temporarySeen && AnyTemporaryFile(folder)) {
                    temporarySeen = true;
                    toTemporary.push_back(Milliseconds(Now() - posted));
                }
                WIN32_FILE_ATTRIBUTE_DATA data{};
                return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
                       data.nFileSizeLow != before.size() && !AnyTemporaryFile(folder);
            },
            kPatienceMs);
        toDone.push_back(Milliseconds(Now() - posted));
        SendTo(edited.Main, WM_NULL);
        after = ReadWhole(path);
        PostMessageW(edited.Main, WM_CLOSE, 0, 0);
        edited.Editor.WaitExit(kPatienceMs);
    }
    if (after == before || after.empty())
        throw Fatal("the save did not change the file");
    std::sort(toDone.begin(), toDone.end());
    std::sort(toTemporary.begin(), toTemporary.end());
    const double doneMs = toDone[toDone.size() / 2];
    std::printf("\nA %zu-byte configuration of %d rows, saved as %zu bytes after a row is "
                "cleared. Uninterrupted saves: the temporary file appears %.1f ms and the new "
                "file is in place %.1f ms after the Save command (medians of %zu)\n",
                before.size(), kRows, after.size(),
                toTemporary.empty() ? 0.0 : toTemporary[toTemporary.size() / 2], doneMs,
                toDone.size());

    // The kills: every other one at a random moment from the Save command to twice the time a
    // save takes, the others within the save's writing as calibrated (a millisecond around).
    std::mt19937 random(20240918);
    const double temporaryMs = toTemporary.empty() ? 0.0 : toTemporary[toTemporary.size() / 2];
    std::uniform_int_distribution<int> anyDelay(0, static_cast<int>(doneMs * 2000));
    std::uniform_int_distribution<int> writingDelay(
        std::max(0, static_cast<int>((temporaryMs - 1) * 1000)),
        static_cast<int>((doneMs + 1) * 1000));
    win32::UniqueHandle timer(CreateWaitableTimerExW(
        nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS));
    int old = 0, changed = 0, mixed = 0, missing = 0, inside = 0, insideOld = 0, insideNew = 0;
    int leftRounds = 0, leftFiles = 0;
    for (int round = 0; round < count; ++round) {
        WriteFile(path, before);
        EditedConfiguration edited(install);
        const int waitUs = round % 2 == 0 ? anyDelay(random) : writingDelay(random);
        PostCommand(edited.Main, EditorCommandIds().Save);
        WaitMicroseconds(timer.Get(), waitUs);
        const bool savingNow = AnyTemporaryFile(folder);
        TerminateProcess(edited.Editor.Handle(), 99);
        WaitForSingleObject(edited.Editor.Handle(), kPatienceMs);
        const Outcome outcome = Judge(path, before, after);
        old += outcome == Outcome::Old ? 1 : 0;
        changed += outcome == Outcome::New ? 1 : 0;
        mixed += outcome == Outcome::Mixed ? 1 : 0;
        missing += outcome == Outcome::Missing ? 1 : 0;
        if (savingNow) {
            ++inside;
            insideOld += outcome == Outcome::Old ? 1 : 0;
            insideNew += outcome == Outcome::New ? 1 : 0;
        }
        const auto left = TemporaryFiles(folder);
        if (!left.empty()) {
            ++leftRounds;
            leftFiles += static_cast<int>(left.size());
            for (const std::wstring& file : left)
                DeleteFileW(file.c_str());
        }
        if (outcome == Outcome::Mixed || outcome == Outcome::Missing)
            std::printf("round %d: killed %.2f ms after Save: the file is %s\n", round + 1,
                        waitUs / 1000.0, outcome == Outcome::Mixed ? "MIXED" : "MISSING");
    }
    std::printf("\n| kills | old content | new content | mixed | missing | a temporary file "
                "existed at the kill (old / new after) | rounds that left temporary files |\n"
                "|---|---|---|---|---|---|---|\n");
    std::printf("| %d | %d | %d | %d | %d | %d (%d / %d) | %d (%d files) |\n", count, old, changed,
                mixed, missing, inside, insideOld, insideNew, leftRounds, leftFiles);
    ForgetSettings();
    return mixed == 0 && missing == 0 ? 0 : 1;
}

} // namespace qm::e2e
