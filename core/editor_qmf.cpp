#include "core/editor_qmf.h"

#include "core/messages.h"
#include "core/qmf_file.h"
#include "core/text.h"

namespace qm {

namespace {

// Builds rows from records, giving a value that does not convert its new-row default.
class RowBuilder {
public:
    explicit RowBuilder(EditorReadResult& result) : result_(result) {}

    void Note(const AppError& error) {
        if (!result_.ValueError) {
            result_.ValueError = error;
            result_.RowsBeforeValueError = static_cast<int>(result_.Rows.size());
        }
        ++result_.ValueErrorCount;
    }

    Cell Flag(const Variant& value) {
        try {
            return {OnOffText(value.ToBool()), value};
        } catch (const AppError& e) {
            Note(e);
            return {OnOffText(false), Variant::Bool(false)};
        }
    }

    static Cell Multiplier(const Variant& value) { return {value.ToText() + "X", value}; }
    static Cell Key(const Variant& text, const Variant& name) { return {text.ToText(), name}; }

private:
    EditorReadResult& result_;
};

// Fills the cells every version carries: button, device, description.
MappingRow StartRow(const std::vector<Variant>& v, int descriptionIndex) {
    MappingRow row = NewMappingRow();
    row[col::Button] = {v[0].ToText(), Variant()};
    row[col::Device] = {v[1].ToText(), v[2]};
    row[col::Description].Text = v[static_cast<std::size_t>(descriptionIndex)].ToText();
    return row;
}

// Upgraded rows hold the empty string in every key cell they do not fill.
void ClearKeyCells(MappingRow& row) {
    for (int c = col::FirstPress; c < kColumnCount; ++c)
        row[c] = {"", Variant::Text("")};
}

MappingRow Row14or13(const std::vector<Variant>& v, bool hasLocks, RowBuilder& b) {
    MappingRow row = StartRow(v, 6);
    row[col::Repeat] = b.Flag(v[3]);
    row[col::Rotary] = b.Flag(v[4]);
    row[col::Multiplier] = RowBuilder::Multiplier(v[5]);
    std::size_t k = 7;
    if (hasLocks) {
        row[col::NumLock] = b.Flag(v[7]);
        row[col::CapsLock] = b.Flag(v[8]);
        row[col::ScrollLock] = b.Flag(v[9]);
        k = 10;
    }
    for (int c = col::FirstPress; c < kColumnCount; ++c, k += 2)
        row[c] = RowBuilder::Key(v[k], v[k + 1]);
    return row;
}

MappingRow Row12(const std::vector<Variant>& v, RowBuilder& b) {
    MappingRow row = StartRow(v, 8);
    ClearKeyCells(row);
    row.PressCell(1) = RowBuilder::Key(v[3], v[4]);
    // Such files stored a release key without a name as a Boolean.
    const bool noName = v[6].ToText() == "True";
    row.ReleaseCell(1) = RowBuilder::Key(v[5], noName ? Variant::Text("") : v[6]);
    row[col::Repeat] = b.Flag(v[7]);
    return row;
}

MappingRow Row11(const std::vector<Variant>& v) {
    MappingRow row = StartRow(v, 5);
    ClearKeyCells(row);
    row.PressCell(1) = RowBuilder::Key(v[3], v[4]);
    return row;
}

int RecordValues(std::string_view version) {
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
    if (version != kFileVersion) {
        result.Obsolete = true;
        result.Version = (version == "1.3" || version == "1.2") ? version : "1.1";
    }
    const int count = RecordValues(result.Version);
    while (!reader.AtEnd()) {
        if (!ReadRecord(reader, count, record)) {
            result.Corrupt = true;
            break;
        }
        try {
            if (!IsLoadableButton(record[0]))
                continue;
        } catch (const AppError& e) {
            builder.Note(e);
            continue;
        }
        if (count == kRecordValues14 || count == kRecordValues13)
            result.Rows.push_back(Row14or13(record, count == kRecordValues14, builder));
        else if (count == kRecordValues12)
            result.Rows.push_back(Row12(record, builder));
        else
            result.Rows.push_back(Row11(record));
    }
    return result;
}

std::string WriteEditorConfiguration(const std::vector<MappingRow>& rows) {
    QmfValueWriter w;
    w.WriteString(kFileVersion);
    for (const auto& row : rows) {
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
        for (int c = col::FirstPress; c < kColumnCount; ++c) {
            WriteText(w, row[c].Text);
            WriteTag(w, row[c].Tag);
        }
    }
    return w.Take();
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
    outcome.Read = ReadEditorConfiguration(bytes);
    const auto& read = outcome.Read;
    if (read.Obsolete)
        dialogs.ShowMessage(msg::EditorObsoleteData());
    if (read.ValueError)
        dialogs.ShowMessage(msg::ErrorBox(*read.ValueError, "open_click"));
    if (read.Corrupt) {
        const auto answer = dialogs.ShowMessage(msg::EditorCorruptDeleteQuestion(kEditorTitle));
        outcome.Action = answer == MessageAnswer::Yes ? EditorLoadAction::DeleteAndRemove
                                                      : EditorLoadAction::RemoveFromList;
    }
    return outcome;
}

bool SaveEditorConfiguration(FileSystem& files, Dialogs& dialogs, const std::string& path,
                             const std::vector<MappingRow>& rows) {
    try {
        files.WriteAtomically(path, WriteEditorConfiguration(rows));
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
