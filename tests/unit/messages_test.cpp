// Every message box of the system, exactly as shown: text, title, buttons and icon. Other tests
// compare with the msg:: functions instead of repeating these texts.
#include "core/messages.h"
#include "keyboard/hook_policy.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using enum MessageButtons;
using enum MessageIcon;
constexpr auto Warn = Exclamation, Info = Information;

TEST(Messages, TextsTitlesButtonsIconsAndErrorDescriptions) {
    const std::pair<Message, Message> table[] = {
        {msg::ErrorBox(13, "Type mismatch", "open_click"),
         {" 13  Type mismatch in sub open_click.", "ERROR", Ok, Critical}},
        {msg::ErrorBox(AppError(-5, "Odd"), "GetString", ProcedureKind::Function),
         {"-5  Odd in function GetString.", "ERROR", Ok, Critical}},
        {msg::ErrorBox(AppError(0, "Zero"), "x"), {" 0  Zero in sub x.", "ERROR", Ok, Critical}},
        {msg::FileIoError(AppError(err::FileNotFound)),
         {"File not found", "File IO Error", Ok, Critical}},
        {msg::FileAlreadyOpen(AppError(err::FileAlreadyOpen)),
         {"File already open\r\n\r\nThe application will now close.", "File IO Error", Ok,
          Critical}},
        {msg::EditorObsoleteData(),
         {"Obsolete data found. Please resave this file.", "File Format Error", Ok, Warn}},
        {msg::EditorCorruptDeleteQuestion("Vantrel", "a b.qmf"),
         {"\"a b.qmf\"\r\n\r\nThis file is either corrupt or not in Vantrel format\r\nand will "
          "be removed from the list.\r\n\r\nDelete the file?",
          "File IO Error", YesNo, Critical}},
        {msg::FirstCopyUnreachable("Vantrel", false, ""),
         {"Another copy of Vantrel seems to be running, but its window did not appear.", "Vantrel",
          Ok, Warn}},
        {msg::FirstCopyUnreachable("Corvex", true, "b.qmf"),
         {"The Corvex that runs did not answer.\r\n\r\nThe file \"b.qmf\" was not opened.",
          "Corvex", Ok, Warn}},
        {msg::NotAConfiguration("notes.txt"),
         {"The file \"notes.txt\" is not a Vantrel configuration.", "File Error", Ok, Warn}},
        {msg::RunnerNoDevices(),
         {"No valid input devices were found!\r\n\r\nYour input devices must be properly "
          "connected\r\nand working before proceeding.",
          "No Input Devices Found", Ok, Warn}},
        {msg::RunnerNoButtons(),
         {"No buttons found on input device(s)!\r\n\r\nYour devices must have at least one "
          "button\r\nbefore proceeding.",
          "No Input Devices Found", Ok, Warn}},
        {msg::RunnerObsoleteData(),
         {"Obsolete data found. Please resave this file in Vantrel.", "File Format Error", Ok,
          Warn}},
        {msg::RunnerCorrupt("Corvex"),
         {"This file is either corrupt or not in Corvex format.", "File IO Error", Ok, Critical}},
        {msg::NoInputDevicesFound("Corvex Ver. 1.4.9 (Beta)"),
         {"No input devices found!\r\n\r\nSome features will not be available.",
          "Corvex Ver. 1.4.9 (Beta)", Ok, Warn}},
        {msg::ListedFileNotFound(), {"File not found.", "File Input Error", Ok, None}},
        {msg::CannotOpenMissingFile(),
         {"Cannot open file. File does not exist.", "File Error", Ok, Warn}},
        {msg::DefaultConfigurationMissing(),
         {"Cannot open file. Default configuration file does not exist.", "File Error", Ok, Warn}},
        {msg::PriorityClassWarning(),
         {"WARNING: Changing the priority class of this process may\r\ncause undesired results "
          "including system instability. Are you\r\nsure you want to change the priority class?",
          "Priority Class Warning", YesNo, Warn}},
        {msg::PollFrequencyWarning(),
         {"WARNING: Changing the polling frequency of this process\r\nmay cause undesired "
          "results. Are you sure you want to change \r\nthe polling frequency?",
          "Poll Frequency Warning", YesNo, Warn}},
        {msg::StartWithWindowsRefused("Corvex"),
         {"Corvex could not be set to start with Windows: neither the\r\nmachine's nor your own "
          "startup entry could be written.\r\n\r\nLaunch on Windows startup has been turned off.",
          "Startup Options", Ok, Warn}},
        {msg::FileAlreadyLoaded("a b.qmf"),
         {"The file \"a b.qmf\" is already loaded.", "File Load", Ok, Info}},
        {msg::SaveChangesBeforeClosing("New Config.qmf"),
         {"Save changes to New Config.qmf before closing?", "Confirm CLose", YesNoCancel, Warn}},
        {msg::CannotSaveToFile(), {"Cannot save to file!", "Save Error", Ok, Warn}},
        {msg::ConfigurationTooLargeToSave(256u << 20),
         {"Cannot save to file!\r\n\r\nThe file would be larger than 256 MB, the largest file "
          "Vantrel and Corvex can read. Shorten some descriptions or remove rows, then save again.",
          "Save Error", Ok, Warn}},
        {msg::ConfirmFileDelete("x.qmf"),
         {"Are you sure you want to delete \"x.qmf\"!", "Confirm File Delete", YesNo, Warn}},
        {msg::InvalidIcon(),
         {"This file does not contain a valid Icon.", "Invalid Icon", Ok, Warn}},
        {msg::CouldNotLaunch(), {"Could not launch file.", "Run Error", Ok, Warn}},
        {msg::QuitWithoutSaving(),
         {"Are you sure you want to quit without saving?", "Confirm Close", YesNo, Warn}},
        {msg::NothingToAdd(),
         {"No input devices currently connected or detected.\r\n\r\nNothing to add.", "Add Devices",
          Ok, Info}},
        {msg::ConfirmAddDevices("Vantrel"),
         {"Vantrel will search for missing buttons / devices\r\nand update the configuration "
          "list.\r\n\r\nAre you sure you want to proceed",
          "Remove Confirmation", YesNo, Question}},
        {msg::ListUpdated(4, 0),
         {"4 missing item(s) added.\r\n0 new device(s) added.", "List Updated", Ok, Info}},
        {msg::ConfirmRemoveItems("Vantrel"),
         {"Vantrel will search for inactive buttons, devices,\r\nduplicate entries and will "
          "update the configuration list.\r\n\r\nAre you sure you want to proceed",
          "Remove Confirmation", YesNo, Question}},
        {msg::ItemsRemoved(12, 2),
         {"12 inactive item(s) removed.\r\n2 duplicate item(s) removed.", "Items Removed", Ok,
          Info}},
        {msg::NoButtonsToReplace(),
         {"No buttons found on input device(s)!\r\n\r\nYour device(s) must have at least one "
          "button\r\nbefore proceeding.",
          "No Input Devices Found", Ok, Warn}},
        {msg::NothingToReplace(), {"No items to replace.", "Replace Error", Ok, Warn}},
        {msg::ConfirmReplaceDevice(),
         {"Warning! Replacing devices may result in duplicate entries.\r\n\r\nAre you sure you "
          "want to proceed",
          "Replace Confirmation", YesNo, Question}},
        {msg::DevicesReplaced(0), {"0 item(s) replaced.", "Device Replaced", Ok, Info}},
        {msg::TestWarning(),
         {"This function is intended for testing purposes only.\r\n\r\nIf you wish to run this "
          "configuration file, please use\r\nCorvex for optimal performance by clicking\r\non "
          "the candy stipped icon.\r\n\r\nRemember to save your work before proceeding.",
          "Test Warning", Ok, Info}},
        {msg::DirectXDetectionError(), {"Error detecting DirectX.", "DirectX Error", Ok, Critical}},
        {msg::DirectXTooOld(6, 5),
         {"DirectX 6.5 detected.\r\n\r\nDirectX 8 or higher required.",
          "Incorrect DirectX Detected", Ok, Warn}},
        {msg::DirectInputError(-2147467259, "Poll_Devices"),
         {"-2147467259  Automation error in sub Poll_Devices.", "ERROR", Ok, Critical}},
        {HookInstalledMessage(),
         {"CTRL + ESC, ALT + ESC and ALT + TAB are blocked.", "Keyboard Hook Active", Ok, Info}},
        {HookFailedMessage(1428),
         {"Failed to install low-level keyboard hook - 1428", "Vantrel", Ok, None}},
    };
    for (const auto& [shown, expected] : table)
        EXPECT_EQ(shown, expected) << expected.text;

    const std::pair<int, const char*> descriptions[] = {
        {err::Overflow, "Overflow"},
        {err::OutOfMemory, "Out of memory"},
        {err::SubscriptOutOfRange, "Subscript out of range"},
        {err::TypeMismatch, "Type mismatch"},
        {err::BadFileNameOrNumber, "Bad file name or number"},
        {err::FileNotFound, "File not found"},
        {err::FileAlreadyOpen, "File already open"},
        {err::DeviceIoError, "Device I/O error"},
        {err::InputPastEndOfFile, "Input past end of file"},
        {err::BadFileName, "Bad file name"},
        {err::DeviceUnavailable, "Device unavailable"},
        {err::PermissionDenied, "Permission denied"},
        {err::DiskNotReady, "Disk not ready"},
        {err::PathFileAccessError, "Path/File access error"},
        {err::PathNotFound, "Path not found"},
        {1234, "Application-defined or object-defined error"},
    };
    for (const auto& [number, text] : descriptions)
        EXPECT_EQ(ErrorDescription(number), text) << number;
}

} // namespace
} // namespace qm
