// The editor's commands through its controller: Close in every file state with every answer,
// the quit question, sorting both ways and every double-click edit. List maintenance through
// the controller: list_maintenance_test and tests/e2e/editor/maintenance.
#include "core/editor_qmf.h"
#include "core/messages.h"
#include "support/editor_rig.h"
#include "support/qmf_builder.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

const std::string kFile = "C:\\Program Files\\Vantrel\\config\\a.qmf";

// The editor started over a pad of 2 buttons and a stick of 10.
struct Rig : testing::EditorSeamsRig {
    Rig() {
        joysticks.AddController("{00000000-0000-0000-0000-000000000001}", "Pad", 2);
        joysticks.AddController("{00000000-0000-0000-0000-000000000002}", "Stick", 10);
        Start();
    }
    // file1 new (2), saved to a.qmf (0), or saved and then changed (16).
    void Open(int state) {
        if (state == filestate::New)
            return editor->NewConfiguration();
        SavedNew(kFile);
        if (state == filestate::Modified)
            editor->CellDoubleClicked(0, col::Repeat);
    }
    // The rows as "P1 P2 S1 ...": the device's initial and the button.
    std::string Order() {
        std::string order;
        for (const auto& row : Table().Rows())
            order += (order.empty() ? "" : " ") + row[col::Device].Text.substr(0, 1) +
                     row[col::Button].Text;
        return order;
    }
};
class Commands : public ::testing::Test, public Rig {};

TEST(EditorClose, AsksUnlessSavedAndClosesOnlyWhenTheAnswerAndTheSaveAllowIt) {
    using namespace filestate;
    using enum MessageAnswer;
    const struct {
        int state;
        MessageAnswer answer;
        int save;          // 1: a.qmf chosen in the save dialog; 2: and it cannot be written
        int after;         // the entry's state then, -1 when it is gone
        const char* saved; // row 1's Repeat in a.qmf then; "" without the file
    } cases[] = {{Saved, Yes, 0, Listed, "Off"},
                 {Modified, Cancel, 0, Modified, "Off"},
                 {Modified, No, 0, Listed, "Off"},
                 {Modified, Yes, 0, Listed, "On"},
                 {Modified, Yes, 2, Modified, "Off"},
                 {New, Cancel, 0, New, ""},
                 {New, No, 0, -1, ""},
                 {New, Yes, 0, New, ""},
                 {New, Yes, 1, Listed, "Off"},
                 {New, Yes, 2, New, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.state << static_cast<int>(c.answer) << c.save);
        Rig r;
        r.Open(c.state);
        const std::string name = r.Selected().Text;
        // Quitting asks first, as closing does: not for a saved configuration.
        const bool asked = c.state != Saved;
        r.dialogs.answers = {c.answer == Yes ? Yes : No, c.answer};
        EXPECT_EQ(r.editor->ClosingProceeds(), !asked || c.answer == Yes);
        if (c.save > 0)
            r.dialogs.fileAnswers.push_back(kFile);
        if (c.save > 1)
            r.files.writeErrors[kFile] = err::PermissionDenied;
        r.editor->CloseSelected();
        const auto* entry = r.editor->Configurations().Find("file1");
        EXPECT_EQ(entry != nullptr ? entry->State : -1, c.after);
        const auto file = r.files.files.find(kFile);
        EXPECT_EQ(file == r.files.files.end()
                      ? ""
                      : ReadEditorConfiguration(file->second).Rows.at(0)[col::Repeat].Text,
                  c.saved);
        // Both questions, then the failed write's message: the file's own error, or Save As's.
        std::vector<Message> shown;
        if (asked)
            shown = {msg::QuitWithoutSaving(), msg::SaveChangesBeforeClosing(name)};
        if (c.save > 1)
            shown.push_back(c.state == New ? msg::CannotSaveToFile()
                                           : msg::FileIoError(AppError(err::PermissionDenied)));
        EXPECT_EQ(r.dialogs.shown, shown);
        EXPECT_TRUE(r.shell.recycled.empty());
    }
}

TEST_F(Commands, DeviceIdTogglesTheOrderAndButtonNoSortsNumbersInTheCurrentOrderFirst) {
    Open(filestate::Saved);
    editor->ColumnClicked(col::Repeat);
    EXPECT_EQ(Order(), "P1 P2 S1 S2 S3 S4 S5 S6 S7 S8 S9 S10");
    EXPECT_EQ(Selected().State, filestate::Saved);
    const std::pair<int, const char*> clicks[] = {
        {col::Device, "S1 S2 S3 S4 S5 S6 S7 S8 S9 S10 P1 P2"},
        {col::Button, "P2 P1 S10 S9 S8 S7 S6 S5 S4 S3 S2 S1"},
        {col::Button, "S1 S2 S3 S4 S5 S6 S7 S8 S9 S10 P1 P2"},
        {col::Device, "P1 P2 S1 S2 S3 S4 S5 S6 S7 S8 S9 S10"},
    };
    for (const auto& [column, order] : clicks) {
        editor->ColumnClicked(column);
        EXPECT_EQ(Order(), order);
    }
    EXPECT_EQ(Selected().State, filestate::Modified); // the row order is saved
}

TEST(EditorCells, DoubleClicksToggleFlagsStepTheMultiplierAndOnlyTheseChangeTheFile) {
    std::vector<std::pair<int, std::vector<const char*>>> cases = {
        {col::Multiplier, {"2X", "4X", "8X", "1X"}},
        {col::Button, {"2"}},
        {col::Device, {"Pad"}},
        {col::Description, {" "}},
        {col::FirstRelease, {" "}}};
    for (int flag : {col::Repeat, col::Rotary, col::NumLock, col::CapsLock, col::ScrollLock})
        cases.push_back({flag, {"On", "Off"}});
    for (const auto& [column, texts] : cases) {
        Rig r;
        r.Open(filestate::Saved);
        const auto before = r.Table().Rows();
        for (const char* text : texts) {
            r.editor->CellDoubleClicked(1, column);
            EXPECT_EQ(r.Table().Row(1)[column].Text, text) << column;
        }
        // Round the cycle every cell is as it was, tags included; only an edit changes the file.
        EXPECT_EQ(r.Table().Rows(), before) << column;
        EXPECT_EQ(r.Selected().State, texts.size() > 1 ? filestate::Modified : filestate::Saved);
    }

    // A stored multiplier steps from its whole part; past 8 it is 1X again.
    Rig r;
    std::vector<testing::Record14> records(3);
    records[0].Multiplier = "\"3\"", records[1].Multiplier = "\"2.5\"",
    records[2].Multiplier = "\"5\"";
    r.files.files[kFile] = testing::File14(records);
    r.editor->LoadConfigurationFile(kFile);
    std::string steps;
    for (int row = 0; row < 3; ++row) {
        r.editor->CellDoubleClicked(row, col::Multiplier);
        steps += r.Table().Row(row)[col::Multiplier].Text;
    }
    EXPECT_EQ(steps, "6X4X1X");
}

} // namespace
} // namespace qm
