// Hostile inputs through the real programs: corrupt, truncated, huge, binary and empty
// configuration files given to both programs; hostile values for every registry setting they
// read; simulated devices with 0 or 65535 buttons, and 300 controllers. Each case starts
// corvex.exe and vantrel.exe, answers whatever boxes they show, and prints one line: the boxes,
// whether the program still answers, what the setting holds afterwards, and whether every
// configuration file is still as it was. A crash, a hang or a changed file fails the run.
#include "driver_runs.h"
#include "harness.h"
#include "program_windows.h"
#include "support/qmf_builder.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace qm::e2e {

namespace {

constexpr char kPad[] = "{4B1D2C30-5E6F-4A7B-8C9D-0E1F2A3B4C5D}";
constexpr DWORD kAnswerMs = 5000;
constexpr DWORD kStartMs = 60000;

std::string ReadWhole(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return Narrow(name);
}

BOOL CALLBACK CollectBox(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found->first && IsWindowVisible(window) && ClassOf(window) == "#32770")
        found->second.push_back(window);
    return TRUE;
}

std::vector<HWND> Boxes(DWORD process) {
    std::pair<DWORD, std::vector<HWND>> found{process, {}};
    EnumWindows(&CollectBox, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

// A text on one line, cut to `most` characters.
std::string OneLine(std::string text, std::size_t most = 90) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    std::replace(text.begin(), text.end(), '|', '/');
    if (text.size() > most)
        text = text.substr(0, most) + "...";
    return text;
}

// One program through one case: started, its boxes answered, asked whether it answers, ended.
class Visit {
public:
    Visit(const std::wstring& program, const std::wstring& arguments, bool editor)
        : editor_(editor) {
        if (!process_.Start(program, arguments)) {
            outcome_ = "did not start";
            failed_ = true;
            return;
        }
        const ProgramWindows windows = editor ? EditorWindows() : RunnerWindows();
        const ULONGLONG end = GetTickCount64() + kStartMs;
        while (process_.Running() && GetTickCount64() < end) {
            if (AnswerBoxes(false))
                continue;
            main_ = FindMain(windows.MainClass);
            if (main_ != nullptr &&
                FindProcessWindow(process_.Id(), windows.SplashClass, nullptr) == nullptr)
                break;
            Pump(20);
        }
        Settle();
    }
    ~Visit() {
        if (process_.Running()) {
            TerminateProcess(process_.Handle(), 99);
            WaitForSingleObject(process_.Handle(), 5000);
        }
    }
    Visit(const Visit&) = delete;
    Visit& operator=(const Visit&) = delete;

    RunnerProcess& Process() { return process_; }
    HWND Main() const { return main_; }

    // Answers the boxes that come until the program waits for input with none open, then
    // asks the main window whether it answers.
    void Settle() {
        // Under Wine a box may show a few seconds after the window that caused it.
        for (int quiet = 0; quiet < 12 && process_.Running();) {
            if (AnswerBoxes(false)) {
                quiet = 0;
                continue;
            }
            WaitForInputIdle(process_.Handle(), 2000);
            Pump(250);
            ++quiet;
        }
        CheckAnswers();
    }

    // Ends the program as its Exit command or close box does, answering No to a question of
    // saving; the outcome line.
    std::string End() {
        // A box's own message loop may take the request to end: asked again after a box.
        for (int attempt = 0; attempt < 3 && process_.Running() && main_ != nullptr; ++attempt) {
            if (editor_)
                PostMessageW(main_, WM_CLOSE, 0, 0);
            else
                PostRunnerExit(main_);
            const ULONGLONG end = GetTickCount64() + 10000;
            bool answered = false;
            while (process_.Running() && GetTickCount64() < end && !answered)
                answered = AnswerBoxes(true) || (Pump(50), false);
            if (answered)
                Pump(500);
        }
        if (process_.Running()) {
            failed_ = true;
            Add("did not end when closed");
        } else if (DWORD code = 0;
                   GetExitCodeProcess(process_.Handle(), &code) && code != 0 && !failed_) {
            failed_ = true;
            char text[48];
            std::snprintf(text, sizeof text, "ended with code 0x%08lX",
                          static_cast<unsigned long>(code));
            Add(text);
        }
        std::string line;
        for (const std::string& box : boxes_)
            line += (line.empty() ? "" : "; ") + ("box \"" + box + "\"");
        if (!outcome_.empty())
            line += (line.empty() ? "" : "; ") + outcome_;
        return line.empty() ? "no box" : line;
    }

    bool Failed() const { return failed_; }
    void Add(const std::string& text) { outcome_ += (outcome_.empty() ? "" : ", ") + text; }
    void Fail(const std::string& text) {
        failed_ = true;
        Add(text);
    }

    void CheckAnswers() {
        if (!process_.Running()) {
            DWORD code = 0;
            GetExitCodeProcess(process_.Handle(), &code);
            char text[64];
            std::snprintf(text, sizeof text, "ENDED (code 0x%08lX)",
                          static_cast<unsigned long>(code));
            Fail(text);
            return;
        }
        DWORD_PTR result = 0;
        if (main_ == nullptr) {
            Fail("no main window");
        } else if (SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerMs, &result) ==
                   0) {
            Fail("HANGS (no answer in 5 s)");
        }
    }

private:
    HWND FindMain(const wchar_t* windowClass) const {
        HWND found = nullptr;
        for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            wchar_t name[64] = {};
            GetClassNameW(w, name, static_cast<int>(std::size(name)));
            if (owner == process_.Id() && SameText(name, windowClass))
                found = w;
        }
        return found;
    }

    // Notes and answers the open boxes: OK, or No to a question (which keeps the file the
    // question is about), else Yes; when `closing` No first (do not save), and Yes to quitting
    // without saving.
    bool AnswerBoxes(bool closing) {
        bool any = false;
        for (const HWND box : Boxes(process_.Id())) {
            if (std::find(answered_.begin(), answered_.end(), box) == answered_.end()) {
                // Drawn and set up before it is read and answered.
                Pump(150);
                answered_.push_back(box);
                boxes_.push_back(
                    OneLine(Narrow(WindowText(box)) + ": " + Narrow(MessageBoxText(box))));
            }
            static constexpr const wchar_t* kOpening[] = {L"OK", L"No", L"Yes"};
            static constexpr const wchar_t* kClosing[] = {L"No", L"OK", L"Yes"};
            static constexpr const wchar_t* kQuitting[] = {L"Yes"};
            const bool quitting =
                closing && MessageBoxText(box).find(L"quit without saving") != std::wstring::npos;
            HWND button = nullptr;
            for (const wchar_t* caption :
                 quitting ? std::span<const wchar_t* const>(kQuitting)
                          : std::span<const wchar_t* const>(closing ? kClosing : kOpening)) {
                for (HWND child = FindWindowExW(box, nullptr, L"Button", nullptr);
                     child != nullptr && button == nullptr;
                     child = FindWindowExW(box, child, L"Button", nullptr)) {
                    std::wstring text = WindowText(child);
                    text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
                    if (IsWindowVisible(child) && SameText(text, caption))
                        button = child;
                }
                if (button != nullptr)
                    break;
            }
            if (button == nullptr)
                PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            else
                PostMessageW(button, BM_CLICK, 0, 0);
            WaitWindowGone(box, 5000);
            any = true;
        }
        return any;
    }

    bool editor_;
    RunnerProcess process_;
    HWND main_ = nullptr;
    std::vector<HWND> answered_;
    std::vector<std::string> boxes_;
    std::string outcome_;
    bool failed_ = false;
};

// A fresh installation with a good configuration in its folder, and its bytes, to check that
// no case loses or changes it.
struct Bench {
    explicit Bench(const std::string& deviceLines)
        : Install(qm::e2e::Install(L"hostile")),
          Devices(Install.DeviceFile, deviceLines.empty() ? DefaultDevices() : deviceLines) {
        RegSetText(HKEY_CURRENT_USER, L"Software\\Vantrel\\Runvex\\pref", L"taskbar", L"True");
        Good = Install.Folder + L"config\\good.qmf";
        GoodBytes = GoodConfiguration();
        WriteFile(Good, GoodBytes);
    }
    static std::string DefaultDevices() {
        return std::string("controller | Hostile Pad | ") + kPad + " | 12\n";
    }
    static std::string GoodConfiguration() {
        testing::Record14 plain;
        plain.Identity = kPad;
        plain.DeviceName = "Hostile Pad";
        plain.Press = {{"A", "A"}};
        testing::Record14 repeat = plain;
        repeat.Button = "3";
        repeat.Repeat = testing::Flag(true);
        repeat.Press = {{"C", "C"}};
        return testing::File14({plain, repeat});
    }
    bool GoodIntact() const { return ReadWhole(Good) == GoodBytes; }

    Installation Install;
    Simulation Devices;
    std::wstring Good;
    std::string GoodBytes;
};

// The cases' table, and whether any failed.
class Report {
public:
    Report() { std::printf("\n| case | corvex.exe | vantrel.exe | files |\n|---|---|---|---|\n"); }
    void Line(const std::string& what, Visit& runner, const std::string& runnerExtra, Visit& editor,
              const std::string& editorExtra, bool filesIntact) {
        std::string r = runner.End();
        std::string e = editor.End();
        if (!runnerExtra.empty())
            r += "; " + runnerExtra;
        if (!editorExtra.empty())
            e += "; " + editorExtra;
        const bool failed = runner.Failed() || editor.Failed() || !filesIntact;
        failures_ += failed ? 1 : 0;
        ++cases_;
        std::printf("| %s | %s | %s | %s |\n", what.c_str(), r.c_str(), e.c_str(),
                    filesIntact ? "intact" : "CHANGED OR LOST");
    }
    int Finish() const {
        std::printf("\n%d cases, %d failed (a crash, a hang, a program that would not end, or "
                    "a file changed or lost)\n",
                    cases_, failures_);
        return failures_ == 0 ? 0 : 1;
    }

private:
    int cases_ = 0, failures_ = 0;
};

// The median period of the runner's device reads; "not polling" when it does not read.
std::string ReadPeriod(Simulation& devices) {
    const double period = devices.MedianPeriodMs(50, 3000);
    if (period == 0)
        return "not polling";
    char text[48];
    std::snprintf(text, sizeof text, "polls every %.1f ms", period);
    return text;
}

// ---- files ---------------------------------------------------------------------------------

struct HostileFile {
    const char* Name;
    std::string Bytes;
};

std::vector<HostileFile> HostileFiles() {
    const std::string good = Bench::GoodConfiguration();
    std::string corrupt = "\"1.4\"\r\n";
    for (int i = 0; i < 200; ++i)
        corrupt += "\"" + std::to_string(i) + "\"\r\n#MAYBE#\r\n\"{not a guid\r\n";
    std::string binary(65536, '\0');
    std::mt19937 random(7);
    for (char& c : binary)
        c = static_cast<char>(random() & 0xFF);
    // 100 MiB of well-formed records: past the size any reader takes.
    std::string huge;
    huge.reserve(100u << 20);
    huge = good;
    const std::string records = good.substr(good.find("\r\n") + 2);
    while (huge.size() < (100u << 20))
        huge += records;
    return {
        {"corrupt.qmf", std::move(corrupt)}, {"truncated.qmf", good.substr(0, good.size() * 3 / 5)},
        {"binary.qmf", std::move(binary)},   {"empty.qmf", ""},
        {"huge.qmf", std::move(huge)},
    };
}

void FileCases(Report& report) {
    for (HostileFile& file : HostileFiles()) {
        ForgetSettings();
        Bench bench("");
        MakeFolder(bench.Install.Folder + L"elsewhere");
        const std::wstring path = bench.Install.Folder + L"elsewhere\\" +
                                  std::wstring(file.Name, file.Name + std::strlen(file.Name));
        WriteFile(path, file.Bytes);
        const std::wstring argument = L"\"" + path + L"\"";
        Visit runner(bench.Install.Program, argument, false);
        const std::string polling = runner.Failed() ? "" : ReadPeriod(bench.Devices);
        Visit editor(bench.Install.Folder + L"vantrel.exe", argument, true);
        std::string rows;
        if (!editor.Failed() && editor.Main() != nullptr)
            rows = std::to_string(
                       SendMessageW(GetDlgItem(editor.Main(), EditorControlIds().MappingList),
                                    LVM_GETITEMCOUNT, 0, 0)) +
                   " rows shown";
        const bool intact = bench.GoodIntact() &&
                            GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
                            ReadWhole(path) == file.Bytes;
        char what[96];
        std::snprintf(what, sizeof what, "file %s (%zu bytes) on the command line", file.Name,
                      file.Bytes.size());
        report.Line(what, runner, polling, editor, rows, intact);
    }
}

// ---- registry --------------------------------------------------------------------------------

struct SettingName {
    const wchar_t* Key;
    const wchar_t* Value;
    bool Path;
};
constexpr const wchar_t* kConfig = L"Software\\Vantrel\\config";
constexpr const wchar_t* kRunnerPrefs = L"Software\\Vantrel\\Runvex\\pref";
constexpr SettingName kSettings[] = {
    {kConfig, L"associate", false},
    {kConfig, L"ConfigPath", true},
    {kConfig, L"IconPath", true},
    {kConfig, L"RepeatRate", false},
    {kConfig, L"RotaryRate", false},
    {kConfig, L"KeyHold", false},
    {kConfig, L"ThreadPriority", false},
    {kConfig, L"PollFrequency", false},
    {kRunnerPrefs, L"associate", false},
    {kRunnerPrefs, L"taskbar", false},
    {kRunnerPrefs, L"launch", false},
    {kRunnerPrefs, L"startup", false},
    {kRunnerPrefs, L"DefaultConfigFile", true},
};

struct HostileValue {
    const char* Name;
    DWORD Type;
    std::vector<BYTE> Data;
};

std::vector<BYTE> TextData(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)};
}

std::vector<HostileValue> HostileValues(bool path) {
    std::vector<HostileValue> values = {
        {"empty", REG_SZ, TextData(L"")},
        {"huge number", REG_SZ, TextData(L"99999999999999999999999999")},
        {"negative", REG_SZ, TextData(L"-1")},
        {"not a number", REG_SZ, TextData(L"abc")},
        {"32,767 characters", REG_SZ, TextData(std::wstring(32767, L'9'))},
        {"DWORD 0xFFFFFFFF", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"binary", REG_BINARY, {0x00, 0x01, 0xFE, 0xFF, 0x00}},
    };
    if (path)
        values.push_back({"path to nowhere", REG_SZ, TextData(L"Q:\\nowhere\\at\\all\\x.qmf")});
    return values;
}

// The value as it is now, shortened.
std::string ValueNow(const SettingName& setting) {
    DWORD type = 0, size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, setting.Key, setting.Value, RRF_RT_ANY, &type, nullptr,
                     &size) != ERROR_SUCCESS)
        return "now missing";
    std::vector<BYTE> data(size + 2);
    RegGetValueW(HKEY_CURRENT_USER, setting.Key, setting.Value, RRF_RT_ANY, &type, data.data(),
                 &size);
    if (type == REG_DWORD)
        return "now DWORD " + std::to_string(*reinterpret_cast<const DWORD*>(data.data()));
    if (type != REG_SZ)
        return "now of type " + std::to_string(type);
    const std::wstring text(reinterpret_cast<const wchar_t*>(data.data()));
    std::string shown = Narrow(text);
    if (shown.size() > 24)
        shown = shown.substr(0, 12) + "...(" + std::to_string(shown.size()) + " characters)";
    return "now \"" + shown + "\"";
}

void RegistryCases(Report& report) {
    for (const SettingName& setting : kSettings) {
        for (const HostileValue& value : HostileValues(setting.Path)) {
            ForgetSettings();
            Bench bench("");
            RegSetKeyValueW(HKEY_CURRENT_USER, setting.Key, setting.Value, value.Type,
                            value.Data.data(), static_cast<DWORD>(value.Data.size()));
            const std::wstring argument = L"\"" + bench.Good + L"\"";
            Visit runner(bench.Install.Program, argument, false);
            std::string runnerExtra;
            if (!runner.Failed()) {
                runnerExtra = ReadPeriod(bench.Devices);
                // The repeat mapping held: the repeat interval is in use.
                bench.Devices.SetAndWait(1, 3, true);
                Pump(700);
                bench.Devices.SetAndWait(1, 3, false);
                runner.CheckAnswers();
            }
            const std::string afterRunner = ValueNow(setting);
            Visit editor(bench.Install.Folder + L"vantrel.exe", argument, true);
            std::string what = Narrow(setting.Key).substr(std::strlen("Software\\Vantrel\\")) +
                               "\\" + Narrow(setting.Value) + " " + value.Name;
            report.Line(what, runner,
                        runnerExtra.empty() ? afterRunner : runnerExtra + "; " + afterRunner,
                        editor, ValueNow(setting), bench.GoodIntact());
        }
    }
}

// ---- devices -----------------------------------------------------------------------------------

void DeviceCases(Report& report) {
    struct DeviceCase {
        const char* Name;
        std::string Lines;
    };
    std::string many;
    for (int c = 0; c < 300; ++c) {
        char line[96];
        std::snprintf(line, sizeof line,
                      "controller | Pad %d | {4B1D2C30-5E6F-4A7B-8C9D-%012d} | 12\n", c + 1, c + 1);
        many += line;
    }
    const std::string pad = std::string("controller | Hostile Pad | ") + kPad + " | 12\n";
    const std::string board = "board | Hostile Board | \\\\?\\hid#vid_1209&pid_7e01#1#{00} | ";
    const DeviceCase cases[] = {
        {"a controller with 0 buttons",
         pad + "controller | Zero | {4B1D2C30-0000-4A7B-8C9D-0E1F2A3B4C5D} | 0\n"},
        {"a controller with 65535 buttons",
         pad + "controller | Wide | {4B1D2C30-FFFF-4A7B-8C9D-0E1F2A3B4C5D} | 65535\n"},
        {"a board with 0 buttons", pad + board + "0\n"},
        // The record's count is 16 bits wide: 65535 reads as -1.
        {"a board with 65535 (-1) buttons", pad + board + "-1\n"},
        {"a board with 32767 buttons", pad + board + "32767\n"},
        {"300 controllers of 12 buttons", many},
    };
    for (const DeviceCase& c : cases) {
        ForgetSettings();
        Bench bench(c.Lines);
        // The first controller's button 1 and the last device's button 1 and 128 held briefly.
        Visit runner(bench.Install.Program, L"\"" + bench.Good + L"\"", false);
        std::string runnerExtra;
        if (!runner.Failed()) {
            runnerExtra = ReadPeriod(bench.Devices);
            bench.Devices.SetAndWait(1, 1, true);
            bench.Devices.SetAndWait(1, 1, false);
            runner.CheckAnswers();
        }
        // New builds a list of every button of the devices.
        Visit editor(bench.Install.Folder + L"vantrel.exe", L"", true);
        std::string rows;
        if (!editor.Failed() && editor.Main() != nullptr) {
            PostCommand(editor.Main(), EditorCommandIds().New);
            editor.Settle();
            DWORD_PTR count = 0;
            SendMessageTimeoutW(GetDlgItem(editor.Main(), EditorControlIds().MappingList),
                                LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 30000, &count);
            rows = "New: " + std::to_string(count) + " rows";
        }
        report.Line(c.Name, runner, runnerExtra, editor, rows, bench.GoodIntact());
    }
}

} // namespace

int Hostile(const std::wstring& only) {
    Report report;
    if (only.empty() || only == L"files")
        FileCases(report);
    if (only.empty() || only == L"devices")
        DeviceCases(report);
    if (only.empty() || only == L"registry")
        RegistryCases(report);
    ForgetSettings();
    return report.Finish();
}

} // namespace qm::e2e
