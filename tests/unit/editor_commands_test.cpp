// The editor's commands through its controller: Close in every file state with every answer,
// the quit question, sorting both ways, every double-click edit, and list maintenance on
// devices of one and two buttons.
#include "core/editor_qmf.h"
#include "core/messages.h"
#include "support/editor_rig.h"
#include "support/qmf_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qm {
namespace {

using ::testing::ElementsAre;
using A = MessageAnswer;
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
        editor->NewConfiguration();
        if (state == filestate::New)
            return;
        dialogs.fileAnswers.push_back(kFile);
        editor->SaveAs();
        if (state == filestate::Modified)
            editor->CellDoubleClicked(0, col::Repeat);
    }
    const MappingTable& Table() { return *editor->Configurations().Shown(); }
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
    const struct {
        int state;
        A answer;
        bool chosen, writeFails; // a file chosen in the save dialog; the write failing
        int after;               // the entry's state after; -1: the entry is gone
        const char* repeat;      // row 1's Repeat in a.qmf after; "": no file
    } cases[] = {
        {filestate::Saved, A::Yes, false, false, filestate::Listed, "Off"},
        {filestate::Modified, A::Cancel, false, false, filestate::Modified, "Off"},
        {filestate::Modified, A::No, false, false, filestate::Listed, "Off"},
        {filestate::Modified, A::Yes, false, false, filestate::Listed, "On"},
        {filestate::Modified, A::Yes, false, true, filestate::Modified, "Off"},
        {filestate::New, A::Cancel, false, false, filestate::New, ""},
        {filestate::New, A::No, false, false, -1, ""},
        {filestate::New, A::Yes, false, false, filestate::New, ""},
        {filestate::New, A::Yes, true, false, filestate::Listed, "Off"},
        {filestate::New, A::Yes, true, true, filestate::New, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.state << " " << static_cast<int>(c.answer) << c.chosen << c.writeFails);
        Rig r;
        r.Open(c.state);
        const bool asked = c.state != filestate::Saved;
        // Quitting asks as closing does: not for a saved configuration.
        r.dialogs.answers = {c.answer == A::Yes ? A::Yes : A::No};
        EXPECT_EQ(r.editor->ClosingProceeds(), !asked || c.answer == A::Yes);
        r.dialogs.shown.clear();
        r.dialogs.answers = {c.answer};
        if (c.chosen)
            r.dialogs.fileAnswers.push_back(kFile);
        if (c.writeFails)
            r.files.writeErrors[kFile] = err::PermissionDenied;
        r.editor->CloseSelected();

        const auto* entry = r.editor->Configurations().Find("file1");
        EXPECT_EQ(entry != nullptr ? entry->State : -1, c.after);
        EXPECT_EQ(r.editor->Configurations().IsOpen("file1"),
                  c.after == filestate::New || c.after == filestate::Modified);
        const auto file = r.files.files.find(kFile);
        EXPECT_EQ(file == r.files.files.end()
                      ? ""
                      : ReadEditorConfiguration(file->second).Rows.at(0)[col::Repeat].Text,
                  c.repeat);
        std::vector<Message> shown;
        if (asked)
            shown.push_back(msg::SaveChangesBeforeClosing(
                c.state == filestate::New ? "New Config.qmf" : "a.qmf"));
        if (c.writeFails) // the file's own error, or the Save As step's
            shown.push_back(c.state == filestate::New
                                ? msg::CannotSaveToFile()
                                : msg::FileIoError(AppError(err::PermissionDenied)));
        EXPECT_EQ(r.dialogs.shown, shown);
    }
}

TEST_F(Commands, QuitAsksOnceWhenAnyOpenConfigurationIsUnsavedWhicheverIsSelected) {
    Open(filestate::Saved);
    editor->NewConfiguration();
    editor->NewConfiguration();
    editor->EntryPressed("file1", false);
    dialogs.answers = {A::No, A::Yes};
    EXPECT_FALSE(editor->ClosingProceeds());
    EXPECT_TRUE(editor->ClosingProceeds());
    EXPECT_EQ(dialogs.shown, std::vector(2, msg::QuitWithoutSaving()));
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
    const struct {
        int column;
        std::vector<const char*> texts; // after each double-click on row 2
        bool edits;
    } cases[] = {
        {col::Repeat, {"On", "Off"}, true},
        {col::Rotary, {"On", "Off"}, true},
        {col::Multiplier, {"2X", "4X", "8X", "1X"}, true},
        {col::NumLock, {"On", "Off"}, true},
        {col::CapsLock, {"On", "Off"}, true},
        {col::ScrollLock, {"On", "Off"}, true},
        {col::Button, {"2"}, false},
        {col::Device, {"Pad"}, false},
        {col::Description, {" "}, false},
        {col::FirstRelease, {" "}, false},
    };
    for (const auto& c : cases) {
        Rig r;
        r.Open(filestate::Saved);
        const auto before = r.Table().Rows();
        for (const char* text : c.texts) {
            r.editor->CellDoubleClicked(1, c.column);
            EXPECT_EQ(r.Table().Row(1)[c.column].Text, text) << c.column;
        }
        // Round the cycle: every cell as it was, tags included.
        EXPECT_EQ(r.Table().Rows(), before) << c.column;
        EXPECT_EQ(r.Selected().State, c.edits ? filestate::Modified : filestate::Saved);
    }

    // A stored multiplier steps from its whole part; past 8 it is 1X again.
    Rig r;
    std::vector<testing::Record14> records;
    for (const char* m : {"3", "2.5", "5"})
        records.emplace_back().Multiplier = testing::Quoted(m);
    r.files.files[kFile] = testing::File14(records);
    r.editor->LoadConfigurationFile(kFile);
    std::string steps;
    for (int row = 0; row < 3; ++row) {
        r.editor->CellDoubleClicked(row, col::Multiplier);
        steps += r.Table().Row(row)[col::Multiplier].Text;
    }
    EXPECT_EQ(steps, "6X4X1X");

    // While recording a lock's keyboard light follows at once; while testing nothing is edited.
    r.editor->ToggleRecording();
    r.editor->CellDoubleClicked(1, col::CapsLock);
    EXPECT_EQ(std::tuple(r.keyboard.Toggled(144), r.keyboard.Toggled(20), r.keyboard.Toggled(145)),
              std::tuple(false, true, false));
    r.editor->ToggleRecording();
    r.editor->ToggleTest();
    ASSERT_TRUE(r.editor->Testing());
    const auto before = r.Table().Rows();
    r.editor->CellDoubleClicked(1, col::Repeat);
    EXPECT_EQ(r.Table().Rows(), before);
}

TEST_F(Commands, MaintenanceAddsATwoButtonDeviceNotAOneButtonOneAndRemovesWhatIsGone) {
    Open(filestate::Saved);
    joysticks.AddController("{00000000-0000-0000-0000-000000000003}", "One", 1);
    joysticks.AddController("{00000000-0000-0000-0000-000000000004}", "Two", 2);
    joysticks.Unplug(1);
    editor->RefreshDevices();
    dialogs.answers = {A::Yes};
    editor->AddMissingRows();
    EXPECT_EQ(Order(), "P1 P2 S1 S2 S3 S4 S5 S6 S7 S8 S9 S10 T1 T2");
    dialogs.answers = {A::Yes};
    editor->RemoveInactiveAndDuplicateRows();
    EXPECT_EQ(Order(), "P1 P2 T1 T2");
    // The two-button device's rows moved to the one-button device: its button 2 goes next.
    editor->RowPressed(2, col::Device, false);
    dialogs.answers = {A::Yes};
    dialogs.deviceAnswers = {1};
    editor->ReplaceDevice();
    EXPECT_EQ(Order(), "P1 P2 O1 O2");
    EXPECT_THAT(dialogs.deviceLists, ElementsAre(ElementsAre("Pad", "One", "Two")));
    dialogs.answers = {A::Yes};
    editor->RemoveInactiveAndDuplicateRows();
    EXPECT_EQ(Order(), "P1 P2 O1");
    EXPECT_THAT(dialogs.shown,
                ElementsAre(msg::ConfirmAddDevices("Vantrel"), msg::ListUpdated(0, 1),
                            msg::ConfirmRemoveItems("Vantrel"), msg::ItemsRemoved(10, 0),
                            msg::ConfirmReplaceDevice(), msg::DevicesReplaced(2),
                            msg::ConfirmRemoveItems("Vantrel"), msg::ItemsRemoved(1, 0)));
    EXPECT_EQ(Selected().State, filestate::Modified);
}

} // namespace
} // namespace qm
