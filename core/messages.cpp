#include "core/messages.h"

#include "core/qmf_file.h"

#include <string>
#include <utility>

namespace qm::msg {

namespace {
std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (auto p : parts)
        s += p;
    return s;
}
constexpr std::string_view kFileIoError = "File IO Error";
constexpr std::string_view kFileFormatError = "File Format Error";
constexpr std::string_view kNoInputDevicesFound = "No Input Devices Found";
} // namespace

Message ErrorBox(int number, std::string_view description, std::string_view procedure,
                 ProcedureKind kind) {
    return {ErrorBoxText(number, description, procedure, kind), "ERROR", MessageButtons::Ok,
            MessageIcon::Critical};
}

Message ErrorBox(const AppError& error, std::string_view procedure, ProcedureKind kind) {
    return ErrorBox(error.number(), error.description(), procedure, kind);
}

Message FileIoError(const AppError& error) {
    return {error.description(), std::string(kFileIoError), MessageButtons::Ok,
            MessageIcon::Critical};
}

Message FileAlreadyOpen(const AppError& error) {
    return {Cat({error.description(), kCrLf, kCrLf, "The application will now close."}),
            std::string(kFileIoError), MessageButtons::Ok, MessageIcon::Critical};
}

Message EditorObsoleteData() {
    return {"Obsolete data found. Please resave this file.", std::string(kFileFormatError),
            MessageButtons::Ok, MessageIcon::Exclamation};
}

Message EditorCorruptDeleteQuestion(std::string_view programTitle, std::string_view fileName) {
    const std::string named = fileName.empty() ? "" : Cat({"\"", fileName, "\"", kCrLf, kCrLf});
    return {Cat({named, "This file is either corrupt or not in ", programTitle, " format", kCrLf,
                 "and will be removed from the list.", kCrLf, kCrLf, "Delete the file?"}),
            std::string(kFileIoError), MessageButtons::YesNo, MessageIcon::Critical};
}

Message NewerFileVersion(std::string_view fileVersion) {
    // A version line is shown whole up to a length any real version has.
    constexpr std::size_t kShownLength = 24;
    const std::string shown = fileVersion.size() <= kShownLength
                                  ? std::string(fileVersion)
                                  : Cat({fileVersion.substr(0, kShownLength), "..."});
    return {
        Cat({"This configuration was made by a newer version of ", kEditorTitle, " (file version ",
             shown, "); this version reads up to ", kNewestFileVersion, "."}),
        std::string(kFileFormatError), MessageButtons::Ok, MessageIcon::Exclamation};
}

Message NotAConfiguration(std::string_view fileName) {
    return {Cat({"The file \"", fileName, "\" is not a ", kEditorTitle, " configuration."}),
            "File Error", MessageButtons::Ok, MessageIcon::Exclamation};
}

Message FirstCopyUnreachable(std::string_view programTitle, bool windowFound,
                             std::string_view fileName) {
    std::string text = windowFound ? Cat({"The ", programTitle, " that runs did not answer."})
                                   : Cat({"Another copy of ", programTitle,
                                          " seems to be running, but its window did not appear."});
    if (!fileName.empty())
        text += Cat({kCrLf, kCrLf, "The file \"", fileName, "\" was not opened."});
    return {std::move(text), std::string(programTitle), MessageButtons::Ok,
            MessageIcon::Exclamation};
}

Message RunnerNoDevices() {
    return {Cat({"No valid input devices were found!", kCrLf, kCrLf,
                 "Your input devices must be properly connected", kCrLf,
                 "and working before proceeding."}),
            std::string(kNoInputDevicesFound), MessageButtons::Ok, MessageIcon::Exclamation};
}

Message RunnerNoButtons() {
    return {Cat({"No buttons found on input device(s)!", kCrLf, kCrLf,
                 "Your devices must have at least one button", kCrLf, "before proceeding."}),
            std::string(kNoInputDevicesFound), MessageButtons::Ok, MessageIcon::Exclamation};
}

Message RunnerObsoleteData() {
    return {"Obsolete data found. Please resave this file in Vantrel.",
            std::string(kFileFormatError), MessageButtons::Ok, MessageIcon::Exclamation};
}

Message RunnerCorrupt(std::string_view programTitle) {
    return {Cat({"This file is either corrupt or not in ", programTitle, " format."}),
            std::string(kFileIoError), MessageButtons::Ok, MessageIcon::Critical};
}

Message NoInputDevicesFound(std::string_view title) {
    return {Cat({"No input devices found!", kCrLf, kCrLf, "Some features will not be available."}),
            std::string(title), MessageButtons::Ok, MessageIcon::Exclamation};
}

Message HotkeyTaken(std::string_view hotkey, std::string_view command) {
    return {
        Cat({"The hotkey ", hotkey, " for \"", command, "\" is already used by another program.",
             kCrLf, kCrLf, "Choose another one in Preferences."}),
        "Hotkey Not Available", MessageButtons::Ok, MessageIcon::Exclamation};
}

Message HotkeyWithoutModifier(std::string_view hotkey, std::string_view command) {
    return {
        Cat({"The hotkey ", hotkey, " for \"", command,
             "\" has no CTRL, ALT or WIN key: it would take that key from every program, "
             "including the keys your configurations send.",
             kCrLf, kCrLf, "Choose a hotkey with CTRL, ALT or WIN (SHIFT alone is not enough)."}),
        "Hotkey Not Allowed", MessageButtons::Ok, MessageIcon::Exclamation};
}

Message ListedFileNotFound() {
    return {"File not found.", "File Input Error", MessageButtons::Ok, MessageIcon::None};
}

Message CannotOpenMissingFile() {
    return {"Cannot open file. File does not exist.", "File Error", MessageButtons::Ok,
            MessageIcon::Exclamation};
}

Message DefaultConfigurationMissing() {
    return {"Cannot open file. Default configuration file does not exist.", "File Error",
            MessageButtons::Ok, MessageIcon::Exclamation};
}

Message PriorityClassWarning() {
    return {Cat({"WARNING: Changing the priority class of this process may", kCrLf,
                 "cause undesired results including system instability. Are you", kCrLf,
                 "sure you want to change the priority class?"}),
            "Priority Class Warning", MessageButtons::YesNo, MessageIcon::Exclamation};
}

Message PollFrequencyWarning() {
    return {Cat({"WARNING: Changing the polling frequency of this process", kCrLf,
                 "may cause undesired results. Are you sure you want to change ", kCrLf,
                 "the polling frequency?"}),
            "Poll Frequency Warning", MessageButtons::YesNo, MessageIcon::Exclamation};
}

Message StartWithWindowsRefused(std::string_view programTitle) {
    return {Cat({programTitle, " could not be set to start with Windows: neither the", kCrLf,
                 "machine's nor your own startup entry could be written.", kCrLf, kCrLf,
                 "Launch on Windows startup has been turned off."}),
            "Startup Options", MessageButtons::Ok, MessageIcon::Exclamation};
}

Message FileAlreadyLoaded(std::string_view fileName) {
    return {Cat({"The file \"", fileName, "\" is already loaded."}), "File Load",
            MessageButtons::Ok, MessageIcon::Information};
}

Message SaveChangesBeforeClosing(std::string_view name) {
    return {Cat({"Save changes to ", name, " before closing?"}), "Confirm CLose",
            MessageButtons::YesNoCancel, MessageIcon::Exclamation};
}

Message CannotSaveToFile() {
    return {"Cannot save to file!", "Save Error", MessageButtons::Ok, MessageIcon::Exclamation};
}

Message ConfigurationTooLargeToSave(std::uint64_t limit) {
    return {Cat({"Cannot save to file!", kCrLf, kCrLf, "The file would be larger than ",
                 std::to_string(limit >> 20), " MB, the largest file ", kEditorTitle, " and ",
                 kRunnerTitle,
                 " can read. Shorten some descriptions or remove rows, then save again."}),
            "Save Error", MessageButtons::Ok, MessageIcon::Exclamation};
}

Message ConfirmFileDelete(std::string_view name) {
    return {Cat({"Are you sure you want to delete \"", name, "\"!"}), "Confirm File Delete",
            MessageButtons::YesNo, MessageIcon::Exclamation};
}

Message InvalidIcon() {
    return {"This file does not contain a valid Icon.", "Invalid Icon", MessageButtons::Ok,
            MessageIcon::Exclamation};
}

Message CouldNotLaunch() {
    return {"Could not launch file.", "Run Error", MessageButtons::Ok, MessageIcon::Exclamation};
}

Message QuitWithoutSaving() {
    return {"Are you sure you want to quit without saving?", "Confirm Close", MessageButtons::YesNo,
            MessageIcon::Exclamation};
}

Message GuideMissing(std::string_view programTitle, std::string_view folder,
                     std::string_view page) {
    return {Cat({"The user guide is not installed: ", page, " was not found in the folder", kCrLf,
                 folder, kCrLf, kCrLf,
                 "The installer and the zip package put the guide there, in help\\ beside the "
                 "programs."}),
            Cat({programTitle, " Help"}), MessageButtons::Ok, MessageIcon::Exclamation};
}

Message GuideNotShown(std::string_view programTitle, std::string_view path) {
    return {Cat({"The user guide could not be shown: no browser started for", kCrLf, path}),
            Cat({programTitle, " Help"}), MessageButtons::Ok, MessageIcon::Exclamation};
}

Message NothingToAdd() {
    return {
        Cat({"No input devices currently connected or detected.", kCrLf, kCrLf, "Nothing to add."}),
        "Add Devices", MessageButtons::Ok, MessageIcon::Information};
}

Message ConfirmAddDevices(std::string_view programTitle) {
    return {Cat({programTitle, " will search for missing buttons / devices", kCrLf,
                 "and update the configuration list.", kCrLf, kCrLf,
                 "Are you sure you want to proceed"}),
            "Remove Confirmation", MessageButtons::YesNo, MessageIcon::Question};
}

Message ListUpdated(int missingItems, int newDevices) {
    return {Cat({std::to_string(missingItems), " missing item(s) added.", kCrLf,
                 std::to_string(newDevices), " new device(s) added."}),
            "List Updated", MessageButtons::Ok, MessageIcon::Information};
}

Message ConfirmRemoveItems(std::string_view programTitle) {
    return {Cat({programTitle, " will search for inactive buttons, devices,", kCrLf,
                 "duplicate entries and will update the configuration list.", kCrLf, kCrLf,
                 "Are you sure you want to proceed"}),
            "Remove Confirmation", MessageButtons::YesNo, MessageIcon::Question};
}

Message ItemsRemoved(int inactiveItems, int duplicateItems) {
    return {Cat({std::to_string(inactiveItems), " inactive item(s) removed.", kCrLf,
                 std::to_string(duplicateItems), " duplicate item(s) removed."}),
            "Items Removed", MessageButtons::Ok, MessageIcon::Information};
}

Message NoButtonsToReplace() {
    return {Cat({"No buttons found on input device(s)!", kCrLf, kCrLf,
                 "Your device(s) must have at least one button", kCrLf, "before proceeding."}),
            std::string(kNoInputDevicesFound), MessageButtons::Ok, MessageIcon::Exclamation};
}

Message InvalidPoint(bool band) {
    return {band ? "A band is two whole percentages from 0 to 100, such as 40-60."
                 : "A point is a whole percentage from 0 to 100, such as 50.",
            "Invalid Point", MessageButtons::Ok, MessageIcon::Exclamation};
}

Message InvalidLayer() {
    return {"A layer is a whole number from 0 (the base layer) to 7.", "Invalid Layer",
            MessageButtons::Ok, MessageIcon::Exclamation};
}

Message InvalidPointerSpeed() {
    return {"A pointer speed is a whole number of pixels a second from 1 to 100000, or nothing "
            "for the default of 800.",
            "Invalid Pointer Speed", MessageButtons::Ok, MessageIcon::Exclamation};
}

Message NothingToReplace() {
    return {"No items to replace.", "Replace Error", MessageButtons::Ok, MessageIcon::Exclamation};
}

Message ConfirmReplaceDevice() {
    return {Cat({"Warning! Replacing devices may result in duplicate entries.", kCrLf, kCrLf,
                 "Are you sure you want to proceed"}),
            "Replace Confirmation", MessageButtons::YesNo, MessageIcon::Question};
}

Message DevicesReplaced(int items) {
    return {Cat({std::to_string(items), " item(s) replaced."}), "Device Replaced",
            MessageButtons::Ok, MessageIcon::Information};
}

Message TestWarning() {
    return {Cat({"This function is intended for testing purposes only.", kCrLf, kCrLf,
                 "If you wish to run this configuration file, please use", kCrLf,
                 "Corvex for optimal performance by clicking", kCrLf, "on the candy stipped icon.",
                 kCrLf, kCrLf, "Remember to save your work before proceeding."}),
            "Test Warning", MessageButtons::Ok, MessageIcon::Information};
}

Message DirectXDetectionError() {
    return {"Error detecting DirectX.", "DirectX Error", MessageButtons::Ok, MessageIcon::Critical};
}

Message DirectXTooOld(std::int32_t major, int minor) {
    return {Cat({"DirectX ", std::to_string(major), ".", std::to_string(minor), " detected.", kCrLf,
                 kCrLf, "DirectX 8 or higher required."}),
            "Incorrect DirectX Detected", MessageButtons::Ok, MessageIcon::Exclamation};
}

Message DirectInputError(std::int32_t result, std::string_view procedure) {
    return ErrorBox(result, "Automation error", procedure);
}

} // namespace qm::msg
