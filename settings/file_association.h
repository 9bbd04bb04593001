#pragma once
// Registering the configuration file type ".qmf" with the shell: the type's keys under the
// user's own classes, with each program's own verb ("Run" for the runner, "Edit" for the editor).
#include "settings/settings_store.h"

#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The user's classes, which the shell merges into HKEY_CLASSES_ROOT. The programs install per
// user, and a standard user cannot create keys under the machine's classes.
inline constexpr auto kFileTypeRoot = RegistryRoot::CurrentUser;
inline constexpr std::string_view kFileTypeKey = "Software\\Classes";

// The path of a key of the file type: ".qmf" gives "Software\\Classes\\.qmf".
std::string FileTypeKeyPath(std::string_view key);

struct AssociationRecord {
    std::vector<std::string> Verbs;
    std::vector<std::string> Commands; // parallel to Verbs
    std::string Extension;             // ".qmf"
    std::string TypeName;              // "qmf_file"
    std::string Description;           // "Corvex Configuration Type"
    std::string ContentType;           // "application/qm-config"
    std::string IconFile;
    int IconIndex = 0;
};

// Writes the type's keys; creates what is missing, overwrites values, deletes nothing.
void WriteFileTypeKeys(SettingsStore& store, const AssociationRecord& record);

// The program whose verb is registered.
struct AssociatingProgram {
    std::string Title;      // "Corvex" or "Vantrel"
    std::string Folder;     // the program's folder, no trailing "\"
    std::string Executable; // "corvex" (without ".exe")
    std::string Verb;       // "Run" or "Edit"
};

// "<folder>\<exe>.exe"; a folder given with a trailing "\" (a drive's root) is not doubled.
std::string ExecutablePath(const AssociatingProgram& program);

// Registers the type with the program's verb (removing any "Open" verb), or removes
// the type key with every verb (".qmf" stays). Reads, and when empty writes, "IconPath".
void RegisterFileType(SettingsStore& store, const AssociatingProgram& program, bool associate);

} // namespace qm
