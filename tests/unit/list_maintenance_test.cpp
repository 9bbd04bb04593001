// List maintenance: rows added where the missing buttons belong, inactive rows and chosen
// duplicates removed, one device's rows moved to another, and the two clear commands through
// the controller.
#include "core/messages.h"
#include "editor/list_maintenance.h"
#include "support/editor_rig.h"
#include "support/qmf_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace qm {
namespace {

using ::testing::ElementsAre;
using testing::RecordingDialogs;
using testing::RecordingEditorView;

// Devices as "NAME:BUTTONS ...": identity "{NAME}".
DeviceTables Devices(const std::string& layout) {
    DeviceTables devices;
    std::istringstream words(layout);
    for (std::string word; words >> word;) {
        const auto colon = word.find(':');
        const std::string name = word.substr(0, colon);
        devices.AddDevice({true, 0, "{" + name + "}", name, std::stoi(word.substr(colon + 1))});
    }
    return devices;
}

// Rows as "BUTTON@DEVICE[:DESCRIPTION] ...": device name and identity "{DEVICE}" as written.
MappingTable Rows(const std::string& layout) {
    std::vector<MappingRow> rows;
    std::istringstream words(layout);
    for (std::string word; words >> word;) {
        const auto at = word.find('@');
        const auto colon = word.find(':');
        const std::string device = word.substr(at + 1, colon - at - 1);
        MappingRow row = ButtonRow(std::stoi(word.substr(0, at)), device, "{" + device + "}");
        if (colon != std::string::npos)
            row[col::Description].Text = word.substr(colon + 1);
        rows.push_back(std::move(row));
    }
    return MappingTable::FromRows(std::move(rows));
}

// The rows in the form Rows() reads, with the device's name.
std::string Order(const MappingTable& table) {
    std::string order;
    for (const PackedRow& row : table.Rows()) {
        order += (order.empty() ? "" : " ") + row[col::Button].Text + "@" + row[col::Device].Text;
        if (row[col::Description].Text != " ")
            order += ":" + row[col::Description].Text;
    }
    return order;
}

struct Maintained {
    Maintained(const std::string& devices_, const std::string& rows)
        : devices(Devices(devices_)), table(Rows(rows)) {}
    RecordingDialogs dialogs;
    RecordingEditorView view;
    DeviceTables devices;
    MappingTable table;
    ListMaintenance Maintenance(bool placeholder = false) {
        return ListMaintenance(placeholder ? nullptr : &table, devices, dialogs, view, "Vantrel");
    }
};

// The selection stays with its row through a Remove and an Add. (The dialog lists each member's
// first six cells: tests/e2e/editor/maintenance.)
TEST(ListMaintenance, RemoveAndAddKeepTheSelectionWithItsRow) {
    Maintained m("P:5", "1@X 5@P:a 1@P 5@P:b");
    m.table.Select(3, false);
    m.dialogs.answers = {MessageAnswer::Yes};
    m.Maintenance().RemoveInactiveAndDuplicateRows();
    EXPECT_EQ(m.table.SelectedRow(), 2);
    m.dialogs.answers = {MessageAnswer::Yes};
    m.devices = Devices("P:5 Q:2");
    m.Maintenance().AddMissingRows();
    EXPECT_EQ(Order(m.table), "5@P:a 1@P 2@P 3@P 4@P 5@P:b 1@Q 2@Q");
    EXPECT_EQ(m.table.SelectedRow(), 5);
}

// Each missing button goes after the first row of the button before it, or after the row added
// for that one, or at the very top; a device without rows is added at the end unless it has
// a single button.
TEST(ListMaintenance, AddPutsAMissingButtonAfterTheRowOfTheButtonBefore) {
    Maintained m("P:4 Q:1 R:2 S:1", "3@P 2@P 2@P:again 1@Q");
    m.dialogs.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(m.Maintenance().AddMissingRows());
    EXPECT_EQ(Order(m.table), "1@P 3@P 4@P 2@P 2@P:again 1@Q 1@R 2@R");
    EXPECT_EQ(m.dialogs.shown.back(), msg::ListUpdated(2, 1));
}

// A group is the row with the later rows of its button (identity without regard to case): a
// skipped group comes back without its first row, a kept row stays where it was.
TEST(ListMaintenance, RemoveAsksPerGroupUntilTheUserSkipsTheRest) {
    Maintained m("P:2", "1@P:a 1@P:b 2@P:c 1@p:d 2@P:e 2@P:f");
    using A = DuplicateChoice::Action;
    m.dialogs.answers = {MessageAnswer::Yes};
    m.dialogs.duplicateAnswers = {{A::Skip}, {A::Keep, 1}, {A::SkipAll}};
    EXPECT_TRUE(m.Maintenance().RemoveInactiveAndDuplicateRows());
    EXPECT_EQ(Order(m.table), "1@P:a 2@P:c 1@p:d 2@P:e 2@P:f");
    std::vector<std::string> asked;
    for (const auto& group : m.dialogs.duplicateGroups)
        for (asked.emplace_back(); const auto& row : group)
            asked.back() += row.Texts[col::Description];
    EXPECT_THAT(asked, ElementsAre("abd", "bd", "cef"));
    EXPECT_EQ(m.dialogs.shown.back(), msg::ItemsRemoved(0, 1));
}

TEST(ListMaintenance, ReplaceMovesTheRowsStoredWithTheSelectedRowsIdentityExactly) {
    Maintained m("P:2 Q:2", "1@P 2@p 1@Q 2@P");
    m.table.Select(3, false);
    m.dialogs.answers = {MessageAnswer::Yes};
    m.dialogs.deviceAnswers = {1};
    EXPECT_TRUE(m.Maintenance().ReplaceDevice(3));
    EXPECT_EQ(Order(m.table), "1@Q 2@p 1@Q 2@Q");
    EXPECT_EQ(m.table.Row(0)[col::Device].Tag, Variant::Text("{Q}"));
    EXPECT_THAT(m.dialogs.deviceLists, ElementsAre(ElementsAre("P", "Q")));
    EXPECT_THAT(m.dialogs.shown, ElementsAre(msg::ConfirmReplaceDevice(), msg::DevicesReplaced(2)));

    // By itself (whatever the case), cancelled, or without a selected row: 0 replaced.
    for (const int selected : {1, 0, -1}) {
        m.dialogs.shown.clear();
        m.dialogs.answers = {MessageAnswer::Yes};
        m.dialogs.deviceAnswers = {selected == 0 ? std::nullopt : std::optional<int>(0)};
        EXPECT_FALSE(m.Maintenance().ReplaceDevice(selected));
        EXPECT_EQ(Order(m.table), "1@Q 2@p 1@Q 2@Q");
        EXPECT_EQ(m.dialogs.shown.back(), msg::DevicesReplaced(0));
    }
}

TEST(ListMaintenance, RefusalsShowTheirMessageAndChangeNothing) {
    struct Case {
        const char* Devices;
        const char* Rows;
        bool (*Run)(ListMaintenance&);
        std::vector<Message> Shown;
    };
    const auto add = [](ListMaintenance& m) { return m.AddMissingRows(); };
    const auto remove = [](ListMaintenance& m) { return m.RemoveInactiveAndDuplicateRows(); };
    const auto replace = [](ListMaintenance& m) { return m.ReplaceDevice(0); };
    const Case cases[] = {
        {"", "1@P", add, {msg::NothingToAdd()}},
        {"P:1", "1@P", add, {msg::ConfirmAddDevices("Vantrel")}}, // answered No
        {"P:1", "1@P", remove, {msg::ConfirmRemoveItems("Vantrel")}},
        {"", "1@P", replace, {msg::RunnerNoDevices()}},
        {"P:0", "1@P", replace, {msg::NoButtonsToReplace()}},
        {"P:1", "", replace, {msg::NothingToReplace()}},
        {"P:1", "1@P", replace, {msg::ConfirmReplaceDevice()}},
    };
    for (const Case& c : cases) {
        Maintained m(c.Devices, c.Rows);
        auto maintenance = m.Maintenance();
        EXPECT_FALSE(c.Run(maintenance)) << c.Shown.front().text;
        EXPECT_EQ(m.dialogs.shown, c.Shown);
        EXPECT_EQ(Order(m.table), c.Rows);
        EXPECT_TRUE(m.dialogs.deviceLists.empty());
    }
    // The placeholder: nothing asked, nothing shown.
    Maintained m("P:1", "");
    EXPECT_FALSE(m.Maintenance(true).AddMissingRows() ||
                 m.Maintenance(true).RemoveInactiveAndDuplicateRows() ||
                 m.Maintenance(true).ReplaceDevice(0) || !m.dialogs.shown.empty());
}

// The controller: the configuration is changed only by a command that changed its list; the
// two clear commands act on the row the last press chose.
struct ListMaintenanceCommands : ::testing::Test, testing::EditorSeamsRig {};

TEST_F(ListMaintenanceCommands, ChangeTheConfigurationOnlyWhenTheListChanged) {
    joysticks.AddController("{00000000-0000-0000-0000-000000000001}", "Pad", 2);
    testing::Record14 first{
        .Repeat = "#TRUE#", .Multiplier = "\"8\"", .Description = "fire", .ScrollLock = "#TRUE#"};
    first.Press = {{"A", "A"}, {"B", "B"}};
    first.Release = {{"A", "A"}};
    auto second = first;
    second.Button = "2";
    files.files["C:\\a.qmf"] = testing::File14({first, second});
    Start("C:\\a.qmf");
    const auto& table = *editor->Configurations().Shown();

    dialogs.answers = {MessageAnswer::Yes, MessageAnswer::Ok, MessageAnswer::Yes, MessageAnswer::Ok,
                       MessageAnswer::Yes};
    editor->AddMissingRows();
    editor->RemoveInactiveAndDuplicateRows();
    editor->ReplaceDevice();
    EXPECT_EQ(dialogs.shown.back(), msg::DevicesReplaced(0));
    EXPECT_EQ(Selected().State, filestate::Saved);

    // No key column chosen: no cell changes, the configuration is changed all the same.
    const auto before = table.Rows();
    editor->ClearKeyCell();
    EXPECT_EQ(table.Rows(), before);
    EXPECT_EQ(Selected().State, filestate::Modified);
    EXPECT_EQ(view.listFocuses, 1);

    // A row chosen on a column that holds no key: no cell changes either. (The key cell
    // clicked last cleared: tests/e2e/editor/maintenance.)
    editor->RowPressed(1, col::Repeat, false);
    editor->ListClicked();
    editor->ClearKeyCell();
    EXPECT_EQ(table.Rows(), before);

    // A right click chooses the row the pop-up's Clear Entire Row clears: its flags, multiplier,
    // description and keys, nothing of the next row. (The row's button, device and colour kept:
    // tests/e2e/editor/maintenance; an inactive row's flag: control_rows_test.)
    editor->RowPressed(0, col::Device, true);
    editor->ClearRow();
    EXPECT_EQ(table.Row(0).ReleaseCell(1), (Cell{"", Variant::Text("")}));
    const PackedRow& cleared = table.Row(0);
    EXPECT_EQ(std::tuple(cleared[col::Repeat].Text, cleared[col::Multiplier].Text,
                         cleared[col::ScrollLock].Text, cleared[col::Description].Text,
                         table.Row(1)[col::Repeat].Text, table.SelectedRow(), table.RowColour(0)),
              std::tuple("Off", "1X", "Off", "", "On", 0, rowcolour::Selected));
}

} // namespace
} // namespace qm
