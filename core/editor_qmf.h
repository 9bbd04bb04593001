#pragma once
// The editor's side of .qmf files: reading versions 1.1 to 1.4 into mapping rows (upgrading
// older records), writing version 1.4, and the load and save commands with their messages.
#include "core/app_error.h"
#include "core/dialogs.h"
#include "core/file_system.h"
#include "core/mapping_row.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct EditorReadResult {
    std::string Version = "1.4"; // the version the records were read as
    bool Obsolete = false;       // the file's version line was not "1.4"
    std::vector<MappingRow> Rows;
    bool Corrupt = false; // the file ended inside a record (or before its version line)
    // The first value that did not convert; its field got the new-row default.
    std::optional<AppError> ValueError;
    int ValueErrorCount = 0;
    int RowsBeforeValueError = 0; // rows complete before the first value error
};

// Reads the bytes of a file as the editor does. Never throws.
EditorReadResult ReadEditorConfiguration(std::string_view fileBytes);

// The bytes of a version 1.4 file holding `rows`. Quotes in text become "'" and control
// characters spaces, so every value stays on its line.
std::string WriteEditorConfiguration(const std::vector<MappingRow>& rows);

// What the caller does with the configuration after a load.
enum class EditorLoadAction {
    Keep,               // loaded (possibly with the obsolete warning or a value error)
    RemoveFromList,     // the file is missing or its name is bad; nothing deleted
    DeleteAndRemove,    // corrupt, and the user chose to delete the file
    CloseConfiguration, // the file could not be read
};

struct EditorLoadOutcome {
    EditorLoadAction Action = EditorLoadAction::Keep;
    EditorReadResult Read;
};

// The editor's load command: reads the file and shows the messages of every failure.
EditorLoadOutcome LoadEditorConfiguration(FileSystem& files, Dialogs& dialogs,
                                          const std::string& path);

// The editor's save command: writes the rows atomically; on failure shows the message, leaves
// the old file and returns false.
bool SaveEditorConfiguration(FileSystem& files, Dialogs& dialogs, const std::string& path,
                             const std::vector<MappingRow>& rows);

} // namespace qm
