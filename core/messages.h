#pragma once
// The system's own message texts, titles, icons and buttons, in one place.
#include "core/app_error.h"
#include "core/dialogs.h"

#include <cstdint>
#include <string_view>

namespace qm {

inline constexpr std::string_view kEditorTitle = "Vantrel";
inline constexpr std::string_view kRunnerTitle = "Corvex";
inline constexpr std::string_view kCrLf = "\r\n";

// The file dialogs that pick a configuration file.
inline constexpr std::string_view kConfigurationFileFilter =
    "All Files (*.*)|*.*|Vantrel Files (*.qmf)|*.qmf";
inline constexpr std::string_view kLoadConfigurationTitle = "Load Configuration File";
inline constexpr std::string_view kDefaultConfigurationTitle = "Default Configuration File";
inline constexpr std::string_view kConfigurationFolderTitle = "Configuration Folder";

namespace msg {

// The standard error box of every trapped procedure.
Message ErrorBox(int number, std::string_view description, std::string_view procedure,
                 ProcedureKind kind = ProcedureKind::Sub);
Message ErrorBox(const AppError& error, std::string_view procedure,
                 ProcedureKind kind = ProcedureKind::Sub);

// A file error shown with the system's description ("File IO Error").
Message FileIoError(const AppError& error);
// The editor's "file already open" box: the editor ends after it.
Message FileAlreadyOpen(const AppError& error);

// Editor reader.
Message EditorObsoleteData();
// The file could not be read: remove it from the list, and delete it? Its name (`fileName`,
// none for qmftool's wording) on a line of its own before the question.
Message EditorCorruptDeleteQuestion(std::string_view programTitle, std::string_view fileName = {});
// Both programs: a file whose version line (`fileVersion`) names a newer version than they read.
Message NewerFileVersion(std::string_view fileVersion);
// Both programs: a file whose extension is not ".qmf", refused before it is read.
Message NotAConfiguration(std::string_view fileName);

// Runner reader.
Message RunnerNoDevices();
Message RunnerNoButtons();
Message RunnerObsoleteData();
Message RunnerCorrupt(std::string_view programTitle);

// Runner commands: no device after a scan (titled with the window caption at start-up, "No
// Input Devices" after a rescan), missing files, the two tuning warnings (Yes/No).
Message NoInputDevicesFound(std::string_view title);
Message ListedFileNotFound();
Message CannotOpenMissingFile();
Message DefaultConfigurationMissing();
Message PriorityClassWarning();
Message PollFrequencyWarning();
// Neither the machine's nor the user's Run entry could be written.
Message StartWithWindowsRefused(std::string_view programTitle);
// A global hotkey that another program holds ("CTRL + ALT + N", "Next configuration").
Message HotkeyTaken(std::string_view hotkey, std::string_view command);
// A hotkey without CTRL, ALT or WIN, refused in the preferences and not registered at start.
Message HotkeyWithoutModifier(std::string_view hotkey, std::string_view command);

// A second start of either program: the copy that runs showed no main window in time, or did
// not take the file (`fileName`, or none) handed over to it.
Message FirstCopyUnreachable(std::string_view programTitle, bool windowFound,
                             std::string_view fileName);

// Editor commands: the configuration files, Run and quitting.
Message FileAlreadyLoaded(std::string_view fileName);
Message SaveChangesBeforeClosing(std::string_view name);
Message CannotSaveToFile();
// A save refused because its file would be larger than the programs read (`limit` bytes).
Message ConfigurationTooLargeToSave(std::uint64_t limit);
Message ConfirmFileDelete(std::string_view name);
Message InvalidIcon();
Message CouldNotLaunch();
Message QuitWithoutSaving();
// Shown before a live test starts.
Message TestWarning();
// The title of the editor's box when no input device is found.
inline constexpr std::string_view kNoInputDevicesTitle = "No Input Devices";
// The editor's empty area while no configuration is open and no device attached.
inline constexpr std::string_view kStartHint =
    "Attach a controller or board and choose Refresh Device List, or Load a configuration.";

// The user guide (both programs): its page `page` is not in `folder`; the browser did not
// start on `path`.
Message GuideMissing(std::string_view programTitle, std::string_view folder, std::string_view page);
Message GuideNotShown(std::string_view programTitle, std::string_view path);

// Editor list maintenance: Add Devices, Remove Items and Replace Device (whose box for no
// device at all is the runner's RunnerNoDevices).
Message NothingToAdd();
Message ConfirmAddDevices(std::string_view programTitle);
Message ListUpdated(int missingItems, int newDevices);
Message ConfirmRemoveItems(std::string_view programTitle);
Message ItemsRemoved(int inactiveItems, int duplicateItems);
Message NoButtonsToReplace();
Message NothingToReplace();
Message ConfirmReplaceDevice();
Message DevicesReplaced(int items);
// A press or release point typed that is no whole percentage (a band's: no range of two).
Message InvalidPoint(bool band);
// A Layer or a Pointer Speed typed into its cell that is none.
Message InvalidLayer();
Message InvalidPointerSpeed();

// DirectX check.
Message DirectXDetectionError();
Message DirectXTooOld(std::int32_t major, int minor);

// A failed DirectInput call (its result code as the number) in the given procedure.
Message DirectInputError(std::int32_t result, std::string_view procedure);

} // namespace msg
} // namespace qm
