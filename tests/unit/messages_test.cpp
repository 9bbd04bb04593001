// The message boxes whose texts are made from values by a rule of their own: an error number's
// sign place, a size in MB, a long version shortened. (A file name on its own line and the
// removal counts: tests/e2e/editor/load and maintenance.) Other tests compare with the msg::
// functions instead of repeating texts.
#include "core/messages.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using enum MessageButtons;
using enum MessageIcon;

TEST(Messages, TextsMadeFromNumbersProceduresCountsAndSizes) {
    const std::pair<Message, Message> table[] = {
        // A number not below zero is shown after a space, as its sign's place.
        {msg::ErrorBox(13, "Type mismatch", "open_click"),
         {" 13  Type mismatch in sub open_click.", "ERROR", Ok, Critical}},
        {msg::ErrorBox(AppError(-5, "Odd"), "GetString", ProcedureKind::Function),
         {"-5  Odd in function GetString.", "ERROR", Ok, Critical}},
        {msg::ErrorBox(AppError(0, "Zero"), "x"), {" 0  Zero in sub x.", "ERROR", Ok, Critical}},
        {msg::ConfigurationTooLargeToSave(256u << 20),
         {"Cannot save to file!\r\n\r\nThe file would be larger than 256 MB, the largest file "
          "Vantrel and Corvex can read. Shorten some descriptions or remove rows, then save again.",
          "Save Error", Ok, Exclamation}},
    };
    for (const auto& [shown, expected] : table)
        EXPECT_EQ(shown, expected) << expected.text;

    EXPECT_EQ(ErrorDescription(1234), "Application-defined or object-defined error");
    // A version line of any length is shown shortened.
    EXPECT_LT(msg::NewerFileVersion(std::string(100000, '9') + ".0").text.size(), 200u);
}

} // namespace
} // namespace qm
