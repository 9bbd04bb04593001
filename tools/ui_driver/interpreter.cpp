#include "interpreter.h"

#include "session.h"

#include <cstdio>
#include <sstream>

namespace qm::e2e {

namespace verbs {

// The grammar: every verb with the least and the most arguments it takes (README.md).
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
        {"wait-ended", {0, 0, &Session::WaitEnded}},
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
        {"tap", {2, 2, &Session::Tap}},
        {"axis", {3, 3, &Session::Axis}},
        {"hat", {3, 3, &Session::Hat}},
        {"hold", {3, 3, &Session::Hold}},
        {"unplug", {1, 1, &Session::Unplug}},
        {"replug", {1, 1, &Session::Replug}},
        {"wait-status", {1, 1, &Session::WaitStatus}},
        {"repeats", {2, 2, &Session::Repeats}},
        {"test-button", {1, 1, &Session::TestButton}},
        {"test-log", {0, 0, &Session::TestLog}},
        {"priority", {0, 0, &Session::Priority}},
        {"start-target", {1, 1, &Session::StartTarget}},
        {"front", {1, 1, &Session::Front}},
        {"hotkey", {1, 1, &Session::Hotkey}},
        {"target-keys", {1, 1, &Session::TargetKeys}},
        {"wait-target", {2, 2, &Session::WaitTarget}},
        {"wait-runner", {2, 2, &Session::WaitRunner}},
        {"idle-cpu", {1, 2, &Session::IdleCpu}},
        {"measure-switch", {3, 3, &Session::MeasureSwitch}},
        {"measure-switch-memory", {2, 2, &Session::MeasureSwitchMemory}},
        {"set-value", {3, 3, &Session::SetValue}},
        {"keys-down", {0, 0, &Session::KeysDown}},
        {"pointer", {0, 1, &Session::Pointer}},
        {"pointer-to", {2, 3, &Session::PointerTo}},
        {"pointer-moved", {0, 1, &Session::PointerMoved}},
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

} // namespace verbs

using verbs::ReadBytes;
using verbs::Session;
using verbs::WindowsPath;

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
