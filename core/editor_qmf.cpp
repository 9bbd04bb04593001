#include "core/editor_qmf.h"

#include "core/control_cells.h"
#include "core/messages.h"
#include "core/paths.h"
#include "core/qmf_file.h"
#include "core/text.h"

#include <algorithm>
#include <new>

namespace qm {

namespace {

// Builds rows from records, giving a value that does not convert its new-row default.
class RowBuilder {
public:
    explicit RowBuilder(EditorReadResult& result) : result_(result) {}

    // A record begins: the rows read so far are complete.
    void Begin() { rowsDone_ = static_cast<int>(result_.Rows.size()); }

    void Note(const AppError& error) {
        if (!result_.ValueError) {
            result_.ValueError = error;
            result_.RowsBeforeValueError = rowsDone_;
        }
        ++result_.ValueErrorCount;
    }

    Cell Flag(const Variant& value) {
        bool converted = true;
        const bool on = ConvertedOr(value, &Variant::ToBool, false, [&](const AppError& e) {
            Note(e);
            converted = false;
        });
        return {OnOffText(on), converted ? value : Variant::Bool(false)};
    }

    static Cell Multiplier(const Variant& value) { return {value.ToText() + "X", value}; }
    // A key cell from its text and name, taken out of the record (which is read anew).
    static void Key(Cell& cell, Variant& text, Variant& name) {
        cell.Text = TakeText(text);
        cell.Tag = std::move(name);
    }
    static std::string TakeText(Variant& value) {
        if (auto* text = value.AsString())
            return std::move(*text);
        return value.ToText();
    }

private:
    EditorReadResult& result_;
    int rowsDone_ = 0;
};

// Fills the cells every version carries: button, device, description.
void StartRow(MappingRow& row, std::vector<Variant>& v, int descriptionIndex) {
    row[col::Button] = {RowBuilder::TakeText(v[0]), Variant()};
    row[col::Device] = {RowBuilder::TakeText(v[1]), std::move(v[2])};
    row[col::Description].Text =
        RowBuilder::TakeText(v[static_cast<std::size_t>(descriptionIndex)]);
}

// Upgraded rows hold the empty string in every key cell they do not fill.
void ClearKeyCells(MappingRow& row) {
    for (int c = col::FirstPress; c < col::KeyEnd; ++c)
        row[c] = {"", Variant::Text("")};
}

// The row starts as a new row: a 1.4 record fills every cell but those of 1.5, a 1.3 record
// all but the locks too. The values before the key cells are in `v`; the key cells are parsed
// from their lines straight into the row.
void Row14or13(MappingRow& row, std::vector<Variant>& v, const std::vector<std::string_view>& lines,
               bool hasLocks, RowBuilder& b) {
    StartRow(row, v, 6);
    row[col::Repeat] = b.Flag(v[3]);
    row[col::Rotary] = b.Flag(v[4]);
    row[col::Multiplier] = RowBuilder::Multiplier(v[5]);
    std::size_t k = 7;
    if (hasLocks) {
        row[col::NumLock] = b.Flag(v[7]);
        row[col::CapsLock] = b.Flag(v[8]);
        row[col::ScrollLock] = b.Flag(v[9]);
        k = 10;
    } else {
        for (int c : {col::NumLock, col::CapsLock, col::ScrollLock})
            row[c] = {OnOffText(false), Variant::Bool(false)};
    }
    for (int c = col::FirstPress; c < col::KeyEnd; ++c, k += 2) {
        ParseQmfTextInto(lines[k], row[c].Text);
        ParseQmfValueInto(lines[k + 1], row[c].Tag);
    }
}

void Row12(MappingRow& row, std::vector<Variant>& v, RowBuilder& b) {
    StartRow(row, v, 8);
    ClearKeyCells(row);
    RowBuilder::Key(row.PressCell(1), v[3], v[4]);
    // Such files stored a release key without a name as a Boolean.
    if (v[6].ToText() == "True")
        v[6] = Variant::Text("");
    RowBuilder::Key(row.ReleaseCell(1), v[5], v[6]);
    row[col::Repeat] = b.Flag(v[7]);
}

void Row11(MappingRow& row, std::vector<Variant>& v) {
    StartRow(row, v, 5);
    ClearKeyCells(row);
    RowBuilder::Key(row.PressCell(1), v[3], v[4]);
}

int RecordValues(std::string_view version) {
    if (version == kNewestFileVersion)
        return kRecordValues15;
    if (version == "1.4")
        return kRecordValues14;
    if (version == "1.3")
        return kRecordValues13;
    if (version == "1.2")
        return kRecordValues12;
    return kRecordValues11;
}

void WriteText(QmfValueWriter& w, std::string_view text) {
    w.WriteString(SanitizeText(text));
}

void WriteTag(QmfValueWriter& w, const Variant& tag) {
    if (const auto* text = tag.AsString())
        WriteText(w, *text);
    else
        w.WriteValue(tag);
}

void WriteNumberOrEmpty(QmfValueWriter& w, int value) {
    if (value == 0)
        w.WriteString("");
    else
        w.WriteValue(Variant::Number(value));
}

// The lines a 1.5 record adds; the points only on an axis row.
void WriteControlFields(QmfValueWriter& w, const ControlFields& f) {
    w.WriteString(ControlCode(f.Which));
    const bool axis = f.Which.Kind == ControlKind::Axis;
    w.WriteString(axis ? PointText(f.Points.Press, f.Which.IsBand()) : "");
    w.WriteString(axis ? PointText(f.Points.Release, f.Which.IsBand()) : "");
    w.WriteValue(Variant::Bool(f.Hold));
    w.WriteValue(Variant::Number(f.Layer));
    WriteNumberOrEmpty(w, f.PointerSpeed);
    WriteNumberOrEmpty(w, f.PointerCurve);
}

} // namespace

EditorReadResult ReadEditorConfiguration(std::string_view fileBytes) {
    EditorReadResult result;
    RowBuilder builder(result);
    QmfValueReader reader(fileBytes);
    std::vector<Variant> record;
    if (!ReadRecord(reader, 1, record)) {
        result.Corrupt = true;
        return result;
    }
    const std::string version = record[0].ToText();
    if (IsNewerFileVersion(version)) {
        result.NewerVersion = version;
        return result;
    }
    if (version == kNewestFileVersion) {
        result.Version = version;
    } else if (version != kFileVersion) {
        result.Obsolete = true;
        result.Version = (version == "1.3" || version == "1.2") ? version : "1.1";
    }
    const int count = RecordValues(result.Version);
    // Room for every record up front.
    const auto lineCount = std::count(fileBytes.begin(), fileBytes.end(), '\n');
    result.Rows.reserve(static_cast<std::size_t>(lineCount / count + 1));
    const bool hasControls = count == kRecordValues15;
    const bool hasLocks = hasControls || count == kRecordValues14;
    const bool keyLines = hasLocks || count == kRecordValues13;
    // Values before the key cells, which are parsed from their lines into the row.
    const std::size_t head = hasLocks ? 10 : keyLines ? 7 : static_cast<std::size_t>(count);
    const auto note = [&](const AppError& e) { builder.Note(e); };
    std::vector<std::string_view> lines;
    while (!reader.AtEnd()) {
        if (!ReadRecordLines(reader, count, lines)) {
            result.Corrupt = true;
            break;
        }
        builder.Begin();
        record.resize(head);
        for (std::size_t i = 0; i < head; ++i)
            record[i] = ParseQmfValue(lines[i]);
        std::optional<ControlFields> fields;
        if (hasControls) {
            fields = ParseControlFields(
                std::span(lines).subspan(kRecordValues14, kControlFieldLines), note);
            if (!fields)
                continue;
        }
        int number = 0;
        try {
            if (!IsLoadableButton(record[0]))
                continue;
            number = record[0].ToInteger();
        } catch (const AppError& e) {
            builder.Note(e);
            continue;
        }
        if (fields && !IsControlNumber(fields->Which, number))
            continue;
        // Each row is built whole, then kept packed.
        MappingRow row = NewMappingRow();
        if (keyLines)
            Row14or13(row, record, lines, hasLocks, builder);
        else if (count == kRecordValues12)
            Row12(row, record, builder);
        else
            Row11(row, record);
        if (fields)
            SetControlCells(row, number, *fields);
        result.Rows.emplace_back(row);
    }
    return result;
}

void WriteEditorConfiguration(const std::vector<PackedRow>& rows, const ByteSink& sink) {
    // Pieces of about this size go to the sink.
    constexpr std::size_t kPiece = 1 << 16;
    QmfValueWriter w;
    // A configuration that needs nothing of 1.5 is written exactly as version 1.4.
    const bool newest = std::any_of(rows.begin(), rows.end(), NeedsNewestVersion);
    w.WriteString(newest ? kNewestFileVersion : kFileVersion);
    for (const auto& packed : rows) {
        if (w.bytes().size() >= kPiece) {
            sink(w.bytes());
            w.Clear();
        }
        const MappingRow row = packed.Unpack();
        WriteText(w, row[col::Button].Text);
        WriteText(w, row[col::Device].Text);
        WriteTag(w, row[col::Device].Tag);
        WriteTag(w, row[col::Repeat].Tag);
        WriteTag(w, row[col::Rotary].Tag);
        w.WriteString(TrimSpaces(SanitizeText(row[col::Multiplier].Tag.ToText())));
        w.WriteString(TrimSpaces(SanitizeText(row[col::Description].Text)));
        WriteTag(w, row[col::NumLock].Tag);
        WriteTag(w, row[col::CapsLock].Tag);
        WriteTag(w, row[col::ScrollLock].Tag);
        for (int c = col::FirstPress; c < col::KeyEnd; ++c) {
            WriteText(w, row[c].Text);
            WriteTag(w, row[c].Tag);
        }
        if (newest)
            WriteControlFields(w, ControlFieldsOf(row));
    }
    sink(w.bytes());
}

std::string WriteEditorConfiguration(const std::vector<PackedRow>& rows) {
    std::string bytes;
    WriteEditorConfiguration(rows, [&](std::string_view piece) { bytes += piece; });
    return bytes;
}

std::uint64_t EditorConfigurationSize(const std::vector<PackedRow>& rows, std::uint64_t limit) {
    struct PastLimit {};
    std::uint64_t size = 0;
    try {
        WriteEditorConfiguration(rows, [&](std::string_view piece) {
            size += piece.size();
            if (size > limit)
                throw PastLimit{};
        });
    } catch (const PastLimit&) {
    }
    return size;
}

namespace {

bool IsMissingFileError(int number) {
    return number == err::BadFileName || number == err::BadFileNameOrNumber ||
           number == err::FileNotFound || number == err::PathNotFound;
}

bool IsUnreadableFileError(int number) {
    return number == err::DeviceIoError || number == err::DeviceUnavailable ||
           number == err::PermissionDenied || number == err::DiskNotReady ||
           number == err::PathFileAccessError || number == err::FileAlreadyOpen;
}

} // namespace

EditorLoadOutcome LoadEditorConfiguration(FileSystem& files, Dialogs& dialogs,
                                          const std::string& path) {
    EditorLoadOutcome outcome;
    std::string bytes;
    try {
        bytes = files.ReadAll(path);
        outcome.Read = ReadEditorConfiguration(bytes);
    } catch (const std::bad_alloc&) {
        // Too large for the memory at hand: a file this program cannot open.
        bytes = {};
        dialogs.ShowMessage(msg::FileIoError(AppError(err::OutOfMemory)));
        outcome.Action = EditorLoadAction::CloseConfiguration;
        return outcome;
    } catch (const AppError& e) {
        // A file that is already open is reported like any unreadable file: the editor keeps
        // running with its other configurations.
        if (IsMissingFileError(e.number())) {
            dialogs.ShowMessage(msg::FileIoError(e));
            outcome.Action = EditorLoadAction::RemoveFromList;
        } else if (IsUnreadableFileError(e.number())) {
            dialogs.ShowMessage(msg::FileIoError(e));
            outcome.Action = EditorLoadAction::CloseConfiguration;
        } else {
            dialogs.ShowMessage(msg::ErrorBox(e, "open_click"));
            outcome.Action = EditorLoadAction::CloseConfiguration;
        }
        return outcome;
    }
    const auto& read = outcome.Read;
    if (!read.NewerVersion.empty()) {
        // Nothing is offered: neither a resave, which would lose what this version cannot
        // read, nor a deletion.
        dialogs.ShowMessage(msg::NewerFileVersion(read.NewerVersion));
        outcome.Action = EditorLoadAction::LeaveListed;
        return outcome;
    }
    if (read.Obsolete)
        dialogs.ShowMessage(msg::EditorObsoleteData());
    if (read.ValueError)
        dialogs.ShowMessage(msg::ErrorBox(*read.ValueError, "open_click"));
    if (read.Corrupt) {
        // Only a file named as a configuration is offered for deletion.
        if (!IsConfigurationPath(path)) {
            dialogs.ShowMessage(msg::NotAConfiguration(FileNameOf(path)));
            outcome.Action = EditorLoadAction::RemoveFromList;
            return outcome;
        }
        const auto answer =
            dialogs.ShowMessage(msg::EditorCorruptDeleteQuestion(kEditorTitle, FileNameOf(path)));
        outcome.Action = answer == MessageAnswer::Yes ? EditorLoadAction::DeleteAndRemove
                                                      : EditorLoadAction::RemoveFromList;
    }
    return outcome;
}

bool FitsReadLimit(FileSystem& files, Dialogs& dialogs, const std::vector<PackedRow>& rows) {
    const std::uint64_t limit = files.ReadLimit();
    if (EditorConfigurationSize(rows, limit) <= limit)
        return true;
    dialogs.ShowMessage(msg::ConfigurationTooLargeToSave(limit));
    return false;
}

bool SaveEditorConfiguration(FileSystem& files, Dialogs& dialogs, const std::string& path,
                             const std::vector<PackedRow>& rows) {
    if (!FitsReadLimit(files, dialogs, rows))
        return false;
    try {
        files.WriteAtomically(path,
                              [&](const ByteSink& sink) { WriteEditorConfiguration(rows, sink); });
        return true;
    } catch (const AppError& e) {
        if (IsMissingFileError(e.number()) || IsUnreadableFileError(e.number()))
            dialogs.ShowMessage(msg::FileIoError(e));
        else
            dialogs.ShowMessage(msg::ErrorBox(e, "save_click"));
        return false;
    }
}

} // namespace qm
