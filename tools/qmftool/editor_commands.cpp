// dump and upgrade: the editor's reader and writer.
#include "console_dialogs.h"
#include "core/control_cells.h"
#include "core/editor_qmf.h"
#include "core/messages.h"
#include "core/qmf_file.h"
#include "qmftool.h"

#include <cstdio>
#include <vector>

namespace qm::tool {

namespace {

struct ReadFile {
    int Exit = kExitSuccess;
    EditorReadResult Read;
};

// Reads FILE as the editor does; a file that cannot be read is reported (exit 2).
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

// A file that ends inside a record: the editor drops it from its list. Prints why, and for dump
// the rows read before the fault.
int RefuseCorrupt(const std::string& path, const EditorReadResult& read, bool printJson) {
    if (printJson)
        PrintLine("{\"error\":\"corrupt\",\"rows\":" + std::to_string(read.Rows.size()) + "}");
    PrintRefusal(path, msg::EditorCorruptDeleteQuestion(kEditorTitle));
    return kExitRefused;
}

// A file of a newer version: the editor leaves it listed and unopened. Prints why, and for dump
// the version line.
int RefuseNewerVersion(const std::string& path, const EditorReadResult& read, bool printJson) {
    if (printJson)
        PrintLine("{\"error\":\"newer_version\",\"version\":" + JsonQuote(read.NewerVersion) + "}");
    PrintRefusal(path, msg::NewerFileVersion(read.NewerVersion));
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

// The editor holds a multiplier that is not a number as it reads it: printed as its text.
std::string MultiplierJson(const Variant& tag) {
    try {
        return NumberText(tag.ToNumber());
    } catch (const AppError&) {
        return JsonQuote(tag.ToText());
    }
}

// What a version 1.5 record adds: the control code, the points (axis rows; "" otherwise, as the
// file has them), Hold, the layer and the pointer's speed and curve ("" when not set).
void AppendControl(std::string& out, const MappingRow& row) {
    const auto setOrEmpty = [](int value) {
        return JsonQuote(value != 0 ? std::to_string(value) : std::string());
    };
    const ControlFields f = ControlFieldsOf(row);
    const bool axis = f.Which.Kind == ControlKind::Axis;
    out += ",\"control\":" + JsonQuote(std::string(ControlCode(f.Which)));
    out += ",\"press_point\":" +
           JsonQuote(axis ? PointText(f.Points.Press, f.Which.IsBand()) : std::string());
    out += ",\"release_point\":" +
           JsonQuote(axis ? PointText(f.Points.Release, f.Which.IsBand()) : std::string());
    out += ",\"hold\":";
    out += f.Hold ? "true" : "false";
    out += ",\"layer\":" + std::to_string(f.Layer);
    out += ",\"pointer_speed\":" + setOrEmpty(f.PointerSpeed);
    out += ",\"pointer_curve\":" + setOrEmpty(f.PointerCurve);
}

std::string RowJson(const MappingRow& row, bool withControl) {
    std::string out = "{\"button\":" + JsonQuote(row[col::Button].Text);
    out += ",\"device_name\":" + JsonQuote(row[col::Device].Text);
    out += ",\"identity\":" + JsonQuote(row[col::Device].Tag.ToText());
    AppendBool(out, "repeat", row[col::Repeat]);
    AppendBool(out, "rotary", row[col::Rotary]);
    out += ",\"multiplier\":" + MultiplierJson(row[col::Multiplier].Tag);
    out += ",\"description\":" + JsonQuote(row[col::Description].Text);
    AppendBool(out, "num_lock", row[col::NumLock]);
    AppendBool(out, "caps_lock", row[col::CapsLock]);
    AppendBool(out, "scroll_lock", row[col::ScrollLock]);
    AppendKeys(out, "press", row, col::FirstPress);
    AppendKeys(out, "release", row, col::FirstRelease);
    if (withControl)
        AppendControl(out, row);
    out += '}';
    return out;
}

// The file's bytes on stdout, for "-o -"; a failed write raises "device I/O error".
void WriteToStandardOutput(const std::vector<PackedRow>& rows) {
    bool written = true;
    WriteEditorConfiguration(rows, [&](std::string_view piece) {
        written = written && std::fwrite(piece.data(), 1, piece.size(), stdout) == piece.size();
    });
    if (!written || std::fflush(stdout) != 0)
        throw AppError(err::DeviceIoError);
}

// Whether something other than a regular file is at `path` (a pipe, a device, a folder): an
// output that is refused as such, where a file that cannot be written is a failed write.
bool IsNoFile(const std::string& path) {
    auto& files = SystemFileSystem();
    if (files.Exists(path))
        return false;
    try {
        files.ReadAll(path);
    } catch (const AppError& e) {
        const AppError noFile = NotRegularFileError();
        return e.number() == noFile.number() && e.description() == noFile.description();
    }
    return false;
}

} // namespace

int Dump(const Arguments& args) {
    const auto parsed = ParseArguments(args, {});
    if (!parsed.Error.empty())
        return UsageError(parsed.Error);
    if (parsed.Positional.size() != 1)
        return UsageError("dump takes one FILE");
    const auto& path = parsed.Positional[0];
    const auto file = ReadForEditor(path);
    if (file.Exit != kExitSuccess)
        return file.Exit;
    const auto& read = file.Read;
    if (!read.NewerVersion.empty())
        return RefuseNewerVersion(path, read, true);
    if (read.Corrupt)
        return RefuseCorrupt(path, read, true);
    // The editor keeps such a file after its error box, the value replaced by its default.
    if (read.ValueError)
        PrintRefusal(path, msg::ErrorBox(*read.ValueError, "open_click"),
                     "read with its default in its place, as Vantrel reads it");
    // A file of version 1.5 says each row's control; older files print as they always did.
    const bool withControl = read.Version == kNewestFileVersion;
    std::string out = "{\"version\":" + JsonQuote(read.Version) +
                      ",\"obsolete\":" + (read.Obsolete ? "true" : "false") + ",\"rows\":[";
    for (std::size_t i = 0; i < read.Rows.size(); ++i) {
        if (i > 0)
            out += ',';
        out += RowJson(read.Rows[i].Unpack(), withControl);
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
    const auto& path = parsed.Positional[0];
    const auto file = ReadForEditor(path);
    if (file.Exit != kExitSuccess)
        return file.Exit;
    if (!file.Read.NewerVersion.empty())
        return RefuseNewerVersion(path, file.Read, false);
    if (file.Read.Corrupt)
        return RefuseCorrupt(path, file.Read, false);
    // A value that did not convert would be saved as its default: refuse instead of losing it.
    if (file.Read.ValueError) {
        PrintRefusal(path, msg::ErrorBox(*file.Read.ValueError, "open_click"),
                     "not upgraded, as Vantrel would save its default in its place");
        return kExitRefused;
    }
    const bool toStandardOutput = out->second == kStandardOutputName;
    const std::string outName = toStandardOutput ? "standard output" : out->second;
    // What the programs could not read back is not written.
    ConsoleDialogs dialogs(outName);
    if (!FitsReadLimit(SystemFileSystem(), dialogs, file.Read.Rows))
        return kExitRefused;
    try {
        if (toStandardOutput)
            WriteToStandardOutput(file.Read.Rows);
        else
            SystemFileSystem().WriteAtomically(out->second, [&](const ByteSink& sink) {
                WriteEditorConfiguration(file.Read.Rows, sink);
            });
    } catch (const AppError& e) {
        PrintRefusal(outName, msg::FileIoError(e));
        return !toStandardOutput && IsNoFile(out->second) ? kExitRefused : kExitUsage;
    }
    return kExitSuccess;
}

} // namespace qm::tool
