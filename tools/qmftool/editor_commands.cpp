// dump and upgrade: the editor's reader and writer.
#include "console_dialogs.h"
#include "core/editor_qmf.h"
#include "core/messages.h"
#include "qmftool.h"

namespace qm::tool {

namespace {

struct ReadFile {
    int Exit = kExitSuccess;
    EditorReadResult Read;
};

// Reads FILE as the editor does; a file the editor would not keep is refused with its message.
ReadFile ReadForEditor(const std::string& path) {
    ReadFile file;
    std::string bytes;
    if (!ReadInputFile(path, bytes)) {
        file.Exit = kExitUsage;
        return file;
    }
    file.Read = ReadEditorConfiguration(bytes);
    return file;
}

// A file the editor calls corrupt: the file ended inside a record, or a value did not convert.
// Returns the number of complete rows before the fault, or -1 when there is none.
int FaultRows(const EditorReadResult& read) {
    if (read.ValueError)
        return read.RowsBeforeValueError;
    if (read.Corrupt)
        return static_cast<int>(read.Rows.size());
    return -1;
}

int RefuseCorrupt(const EditorReadResult& read, int rows, bool printJson) {
    if (printJson)
        PrintLine("{\"error\":\"corrupt\",\"rows\":" + std::to_string(rows) + "}");
    if (read.ValueError)
        PrintMessage(msg::ErrorBox(*read.ValueError, "open_click"));
    if (read.Corrupt)
        PrintMessage(msg::EditorCorruptDeleteQuestion(kEditorTitle));
    return kExitRefused;
}

void AppendBool(std::string& out, const char* name, const Cell& cell) {
    out += ",\"";
    out += name;
    out += "\":";
    out += cell.Tag.ToBool() ? "true" : "false";
}

void AppendKeys(std::string& out, const char* name, const MappingRow& row, int first) {
    out += ",\"";
    out += name;
    out += "\":[";
    for (int s = 0; s < kKeyCellsPerSide; ++s) {
        const Cell& cell = row[first + s];
        if (s > 0)
            out += ',';
        out +=
            "{\"text\":" + JsonQuote(cell.Text) + ",\"name\":" + JsonQuote(cell.Tag.ToText()) + "}";
    }
    out += ']';
}

// Throws AppError when a tag does not convert (a multiplier that is not a number).
std::string RowJson(const MappingRow& row) {
    std::string out = "{\"button\":" + JsonQuote(row[col::Button].Text);
    out += ",\"device_name\":" + JsonQuote(row[col::Device].Text);
    out += ",\"identity\":" + JsonQuote(row[col::Device].Tag.ToText());
    AppendBool(out, "repeat", row[col::Repeat]);
    AppendBool(out, "rotary", row[col::Rotary]);
    out += ",\"multiplier\":" + NumberText(row[col::Multiplier].Tag.ToNumber());
    out += ",\"description\":" + JsonQuote(row[col::Description].Text);
    AppendBool(out, "num_lock", row[col::NumLock]);
    AppendBool(out, "caps_lock", row[col::CapsLock]);
    AppendBool(out, "scroll_lock", row[col::ScrollLock]);
    AppendKeys(out, "press", row, col::FirstPress);
    AppendKeys(out, "release", row, col::FirstRelease);
    out += '}';
    return out;
}

} // namespace

int Dump(const Arguments& args) {
    const auto parsed = ParseArguments(args, {});
    if (!parsed.Error.empty())
        return UsageError(parsed.Error);
    if (parsed.Positional.size() != 1)
        return UsageError("dump takes one FILE");
    auto file = ReadForEditor(parsed.Positional[0]);
    if (file.Exit != kExitSuccess)
        return file.Exit;
    auto& read = file.Read;
    const int faultRows = FaultRows(read);
    if (faultRows >= 0)
        return RefuseCorrupt(read, faultRows, true);
    std::string out = "{\"version\":" + JsonQuote(read.Version) +
                      ",\"obsolete\":" + (read.Obsolete ? "true" : "false") + ",\"rows\":[";
    for (std::size_t i = 0; i < read.Rows.size(); ++i) {
        try {
            if (i > 0)
                out += ',';
            out += RowJson(read.Rows[i].Unpack());
        } catch (const AppError& e) {
            read.ValueError = e;
            return RefuseCorrupt(read, static_cast<int>(i), true);
        }
    }
    out += "]}";
    PrintLine(out);
    return kExitSuccess;
}

int Upgrade(const Arguments& args) {
    const auto parsed = ParseArguments(args, {"-o"});
    if (!parsed.Error.empty())
        return UsageError(parsed.Error);
    const auto out = parsed.Options.find("-o");
    if (parsed.Positional.size() != 1 || out == parsed.Options.end())
        return UsageError("upgrade takes FILE -o OUT");
    const auto file = ReadForEditor(parsed.Positional[0]);
    if (file.Exit != kExitSuccess)
        return file.Exit;
    const int faultRows = FaultRows(file.Read);
    // A value that did not convert would be saved as its default: refuse instead of losing it.
    if (faultRows >= 0)
        return RefuseCorrupt(file.Read, faultRows, false);
    // What the programs could not read back is not written.
    ConsoleDialogs dialogs;
    if (!FitsReadLimit(SystemFileSystem(), dialogs, file.Read.Rows))
        return kExitRefused;
    try {
        SystemFileSystem().WriteAtomically(out->second, [&](const ByteSink& sink) {
            WriteEditorConfiguration(file.Read.Rows, sink);
        });
    } catch (const AppError& e) {
        PrintError(out->second + ": " + e.description());
        return kExitUsage;
    }
    return kExitSuccess;
}

} // namespace qm::tool
