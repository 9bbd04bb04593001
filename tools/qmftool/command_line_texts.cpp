// The programs' messages as a command line says them: one line each, never a question meant
// for a dialog nor the text of an error box.
#include "core/file_system.h"
#include "core/messages.h"
#include "core/text.h"
#include "qmftool.h"

#include <vector>

namespace qm::tool {

namespace {

constexpr std::string_view kNotConfiguration =
    "not a Vantrel configuration (corrupt or another format)";

const std::string kTooLargeToSave = "not written: the file would be larger than " +
                                    std::to_string(kMaxReadBytes >> 20) +
                                    " MB, the largest the programs read";

struct Wording {
    Message Box;
    std::string_view Text;
};

// Every message the readers raise, with its wording.
const std::vector<Wording>& Wordings() {
    static const std::vector<Wording> table = {
        {msg::EditorCorruptDeleteQuestion(kEditorTitle), kNotConfiguration},
        {msg::RunnerCorrupt(kRunnerTitle), kNotConfiguration},
        {msg::RunnerObsoleteData(), "written by an older version; resave it in Vantrel"},
        {msg::RunnerNoDevices(), "not loaded: no input device (Corvex needs at least one)"},
        {msg::RunnerNoButtons(),
         "not loaded: the input devices have no buttons (Corvex needs at least one)"},
        {msg::ErrorBox(AppError(err::TypeMismatch), "open_click"),
         "a value does not convert (type mismatch)"},
        {msg::ErrorBox(AppError(err::Overflow), "open_click"),
         "a number is out of range (overflow)"},
        {msg::ConfigurationTooLargeToSave(kMaxReadBytes), kTooLargeToSave},
    };
    return table;
}

// Any other error box: " 57  Device I/O error in sub Poll_Devices." becomes
// "Device I/O error (error 57 in Poll_Devices)".
std::string ErrorBoxWording(std::string_view text) {
    const auto gap = text.find("  ");
    for (const std::string_view in : {" in sub ", " in function "}) {
        const auto at = text.rfind(in);
        if (gap == std::string_view::npos || at == std::string_view::npos || at < gap ||
            text.back() != '.')
            continue;
        const auto from = at + in.size();
        return std::string(text.substr(gap + 2, at - gap - 2)) + " (error " +
               std::string(TrimSpaces(text.substr(0, gap))) + " in " +
               std::string(text.substr(from, text.size() - from - 1)) + ")";
    }
    return {};
}

// The lines of a message joined by spaces.
std::string OneLine(std::string_view text) {
    std::string line;
    bool breakPending = false;
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            breakPending = !line.empty();
            continue;
        }
        if (breakPending)
            line += ' ';
        breakPending = false;
        line += c;
    }
    return line;
}

} // namespace

std::string CommandLineText(const Message& message) {
    for (const auto& w : Wordings())
        if (w.Box == message)
            return std::string(w.Text);
    if (message.title == "ERROR")
        if (auto wording = ErrorBoxWording(message.text); !wording.empty())
            return wording;
    return OneLine(message.text);
}

void PrintRefusal(std::string_view subject, const Message& message, std::string_view consequence) {
    std::string line = "qmftool: ";
    if (!subject.empty())
        line += std::string(subject) + ": ";
    line += CommandLineText(message);
    if (!consequence.empty())
        line += "; " + std::string(consequence);
    PrintError(line);
}

} // namespace qm::tool
