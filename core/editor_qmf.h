#pragma once
// The editor's side of .qmf files: reading versions 1.1 to 1.5 into mapping rows (upgrading
// older records), writing version 1.4 (or 1.5 when a row needs it), and the load and save
// commands with their messages.
#include "core/app_error.h"
#include "core/dialogs.h"
#include "core/file_system.h"
#include "core/mapping_row.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct EditorReadResult {
    std::string Version = "1.4"; // the version the records were read as
    bool Obsolete = false;       // the file's version line was neither "1.4" nor "1.5"
    std::vector<PackedRow> Rows;
    bool Corrupt = false; // the file ended inside a record (or before its version line)
    // The version line of a file from a newer version, which is not read (no rows); else empty.
    std::string NewerVersion;
    // The first value that did not convert; its field got the new-row default.
    std::optional<AppError> ValueError;
    int ValueErrorCount = 0;
    int RowsBeforeValueError = 0; // rows complete before the first value error
};

// Reads the bytes of a file as the editor does. Throws nothing but std::bad_alloc.
EditorReadResult ReadEditorConfiguration(std::string_view fileBytes);

// The bytes of a version 1.4 file holding `rows`, handed to `sink` in pieces. Quotes in text
// become "'" and control characters spaces, so every value stays on its line.
void WriteEditorConfiguration(const std::vector<PackedRow>& rows, const ByteSink& sink);
std::string WriteEditorConfiguration(const std::vector<PackedRow>& rows);
// The size of that file; counting stops once it is past `limit`.
std::uint64_t EditorConfigurationSize(const std::vector<PackedRow>& rows, std::uint64_t limit);

// What the caller does with the configuration after a load.
enum class EditorLoadAction {
    Keep,               // loaded (possibly with the obsolete warning or a value error)
    RemoveFromList,     // the file is missing or its name is bad; nothing deleted
    DeleteAndRemove,    // corrupt, and the user chose to delete the file
    CloseConfiguration, // the file could not be read
    LeaveListed,        // made by a newer version: listed, not opened, the file untouched
};

struct EditorLoadOutcome {
    EditorLoadAction Action = EditorLoadAction::Keep;
    EditorReadResult Read;
};

// The editor's load command: reads the file and shows the messages of every failure.
EditorLoadOutcome LoadEditorConfiguration(FileSystem& files, Dialogs& dialogs,
                                          const std::string& path);

// Whether the file of `rows` is one `files` reads back; when not, shows why (nothing is written).
bool FitsReadLimit(FileSystem& files, Dialogs& dialogs, const std::vector<PackedRow>& rows);

// The editor's save command: writes the rows atomically, refusing a file too large to read
// back; on failure shows the message, leaves the old file and returns false.
bool SaveEditorConfiguration(FileSystem& files, Dialogs& dialogs, const std::string& path,
                             const std::vector<PackedRow>& rows);

} // namespace qm
