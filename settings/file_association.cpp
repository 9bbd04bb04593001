#include "settings/file_association.h"

#include "settings/settings_table.h"

#include <algorithm>
#include <array>

namespace qm {

namespace {

constexpr std::string_view kExtension = ".qmf";
constexpr std::string_view kTypeName = "qmf_file";
constexpr std::string_view kContentType = "application/qm-config";

std::string Path(std::string_view parent, std::string_view child) {
    std::string path(parent);
    path += '\\';
    path += child;
    return path;
}

void SaveClassValue(SettingsStore& store, std::string_view key, std::string_view name,
                    std::string_view text) {
    store.SaveString(kFileTypeRoot, FileTypeKeyPath(key), name, text);
}

void DelClassKey(SettingsStore& store, std::string_view key) {
    store.DelKey(kFileTypeRoot, FileTypeKeyPath(key));
}

} // namespace

std::string FileTypeKeyPath(std::string_view key) {
    return Path(kFileTypeKey, key);
}

void WriteFileTypeKeys(SettingsStore& store, const AssociationRecord& record) {
    const std::string iconReference = record.IconFile + "," + std::to_string(record.IconIndex);
    std::string extension = record.Extension;
    if (extension.empty() || extension.front() != '.')
        extension.insert(0, ".");

    SaveClassValue(store, extension, "", record.TypeName);
    if (!record.ContentType.empty())
        SaveClassValue(store, extension, "Content Type", record.ContentType);

    // A record without an icon file gives ",0": no icon to show.
    if (iconReference != ",0")
        SaveClassValue(store, Path(record.TypeName, "DefaultIcon"), "", iconReference);
    SaveClassValue(store, record.TypeName, "", record.Description);

    const auto shell = Path(record.TypeName, "Shell");
    const auto verbs = std::min(record.Verbs.size(), record.Commands.size());
    for (std::size_t i = 0; i < verbs; ++i)
        SaveClassValue(store, Path(Path(shell, record.Verbs[i]), "Command"), "",
                       record.Commands[i]);
}

std::string ExecutablePath(const AssociatingProgram& program) {
    std::string path = program.Folder;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    path += program.Executable;
    path += ".exe";
    return path;
}

void RegisterFileType(SettingsStore& store, const AssociatingProgram& program, bool associate) {
    AssociationRecord record;
    record.Verbs = {program.Verb};
    record.Commands = {"\"" + ExecutablePath(program) + "\" %1"};
    record.Extension = kExtension;
    record.TypeName = kTypeName;
    record.Description = program.Title + " Configuration Type";
    record.ContentType = kContentType;
    record.IconFile = ReadSetting(store, Setting::IconPath, program.Folder);
    record.IconIndex = 0;

    const auto type = std::string(kTypeName);
    if (associate) {
        WriteFileTypeKeys(store, record);
        // The type offers no "Open" verb of its own (another tool's is removed).
        DelClassKey(store, type + "\\Shell\\Open\\Command");
        DelClassKey(store, type + "\\Shell\\Open");
        return;
    }
    // Children first: a key with subkeys is not deleted. ".qmf" stays.
    static constexpr std::array<std::string_view, 9> kRemoved = {"\\Shell\\Run\\Command",
                                                                 "\\Shell\\Run",
                                                                 "\\Shell\\Open\\Command",
                                                                 "\\Shell\\Open",
                                                                 "\\Shell\\Edit\\Command",
                                                                 "\\Shell\\Edit",
                                                                 "\\Shell",
                                                                 "\\DefaultIcon",
                                                                 ""};
    for (const auto suffix : kRemoved)
        DelClassKey(store, type + std::string(suffix));
}

} // namespace qm
