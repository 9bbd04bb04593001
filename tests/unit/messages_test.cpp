// The message boxes whose texts are made from values: error numbers, procedures, counts and
// sizes. Other tests compare with the msg:: functions instead of repeating texts.
#include "core/messages.h"
#include "keyboard/hook_policy.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using enum MessageButtons;
using enum MessageIcon;
constexpr auto Warn = Exclamation, Info = Information;

TEST(Messages, TextsMadeFromNumbersProceduresCountsAndSizes) {
    const std::pair<Message, Message> table[] = {
        // A number not below zero is shown after a space, as its sign's place.
        {msg::ErrorBox(13, "Type mismatch", "open_click"),
         {" 13  Type mismatch in sub open_click.", "ERROR", Ok, Critical}},
        {msg::ErrorBox(AppError(-5, "Odd"), "GetString", ProcedureKind::Function),
         {"-5  Odd in function GetString.", "ERROR", Ok, Critical}},
        {msg::ErrorBox(AppError(0, "Zero"), "x"), {" 0  Zero in sub x.", "ERROR", Ok, Critical}},
        {msg::FileAlreadyOpen(AppError(err::FileAlreadyOpen)),
         {"File already open\r\n\r\nThe application will now close.", "File IO Error", Ok,
          Critical}},
        // A file's name on a line of its own before the question.
        {msg::EditorCorruptDeleteQuestion("Vantrel", "a b.qmf"),
         {"\"a b.qmf\"\r\n\r\nThis file is either corrupt or not in Vantrel format\r\nand will "
          "be removed from the list.\r\n\r\nDelete the file?",
          "File IO Error", YesNo, Critical}},
        {msg::FirstCopyUnreachable("Corvex", true, "b.qmf"),
         {"The Corvex that runs did not answer.\r\n\r\nThe file \"b.qmf\" was not opened.",
          "Corvex", Ok, Warn}},
        {msg::NotAConfiguration("notes.txt"),
         {"The file \"notes.txt\" is not a Vantrel configuration.", "File Error", Ok, Warn}},
        {msg::ConfigurationTooLargeToSave(256u << 20),
         {"Cannot save to file!\r\n\r\nThe file would be larger than 256 MB, the largest file "
          "Vantrel and Corvex can read. Shorten some descriptions or remove rows, then save again.",
          "Save Error", Ok, Warn}},
        {msg::ItemsRemoved(12, 2),
         {"12 inactive item(s) removed.\r\n2 duplicate item(s) removed.", "Items Removed", Ok,
          Info}},
        {msg::DirectXTooOld(6, 5),
         {"DirectX 6.5 detected.\r\n\r\nDirectX 8 or higher required.",
          "Incorrect DirectX Detected", Ok, Warn}},
        {msg::DirectInputError(-2147467259, "Poll_Devices"),
         {"-2147467259  Automation error in sub Poll_Devices.", "ERROR", Ok, Critical}},
        {HookFailedMessage(1428),
         {"Failed to install low-level keyboard hook - 1428", "Vantrel", Ok, None}},
    };
    for (const auto& [shown, expected] : table)
        EXPECT_EQ(shown, expected) << expected.text;

    EXPECT_EQ(ErrorDescription(err::PathFileAccessError), "Path/File access error");
    EXPECT_EQ(ErrorDescription(1234), "Application-defined or object-defined error");
    // A version line of any length is shown shortened.
    EXPECT_LT(msg::NewerFileVersion(std::string(100000, '9') + ".0").text.size(), 200u);
}

} // namespace
} // namespace qm
