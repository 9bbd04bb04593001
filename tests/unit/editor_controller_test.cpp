// The editor's controller over scripted devices, an in-memory store, file system and shell:
// start-up, the configuration files and their states, the Save As cases and the mapping list's
// edits. Closing and quitting: editor_commands_test; cloning and what the window shows: the
// scripts of tests/e2e/editor.
#include "core/editor_qmf.h"
#include "core/messages.h"
#include "engine/configuration_loader.h"
#include "settings/file_association.h"
#include "settings/settings_table.h"
#include "support/editor_rig.h"
#include "support/qmf_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

namespace qm {
namespace {

using ::testing::ElementsAre;
using testing::File14;
using testing::Record14;
using ::testing::UnorderedElementsAre;

constexpr auto kUser = RegistryRoot::CurrentUser;
const std::string kFolder = "C:\\Program Files\\Vantrel";
const std::string kConfig = kFolder + "\\config\\";
const std::string kUserKeyText(kUserKey);

// A file of one row of the pad's.
std::string Qmf(const std::string& description = "fire") {
    Record14 r;
    r.Description = description;
    return File14({r});
}

// Every seam of the editor, with a pad of 12 buttons and a stick of 32.
struct Editor : ::testing::Test, testing::EditorSeamsRig {
    Editor() {
        joysticks.AddController("{00000000-0000-0000-0000-000000000001}", "Pad", 12);
        joysticks.AddController("{00000000-0000-0000-0000-000000000002}", "Stick", 32);
    }
    void Known(const std::string& entry, const std::string& path) {
        store.SaveString(kUser, kUserKeyText + "\\" + entry, "path", path);
    }
    std::string PathOf(const std::string& entry) {
        return store.GetString(kUser, kUserKeyText + "\\" + entry, "path");
    }
    // A cell of the file as saved.
    std::string SavedText(const std::string& path, int row, int column) {
        return ReadEditorConfiguration(files.files[path]).Rows.at(row)[column].Text;
    }
    const ConfigurationList& List() { return editor->Configurations(); }
    const ConfigurationEntry& Entry(const std::string& key) { return *List().Find(key); }
    // The entries as "NAME FILENAME", in the list's order.
    std::vector<std::string> Entries() {
        std::vector<std::string> entries;
        for (const auto& e : List().Entries())
            entries.push_back(e.Key + " " + e.Text);
        return entries;
    }
    // The selected entry's name, file name, state and path.
    std::tuple<std::string, std::string, int, std::string> SelectedFile() {
        const auto& e = Selected();
        return {e.Key, e.Text, e.State, PathOf(e.Key)};
    }
};

TEST_F(Editor, StartUpListsTheFolderRegistersEditAndScansTheDevices) {
    files.files[kConfig + "cockpit.qmf"] = Qmf();
    Known("file1", "C:\\gone.qmf");
    Known("file2", "C:\\other\\b.qmf");
    files.files["C:\\other\\b.qmf"] = Qmf();
    // Leftovers of saves that never ended are swept (which: file_system_test).
    const std::string leftover = kConfig + "a.qmf.1f-0.saving";
    files.files[leftover] = "half";
    files.modified[leftover] = std::chrono::system_clock::now() - std::chrono::hours(2);
    Start();
    EXPECT_FALSE(files.Exists(leftover));
    EXPECT_EQ(view.caption, "Vantrel Ver. 1.4.2 (Beta)");
    // The first start's settings: settings_table_test; the editor registers Edit.
    EXPECT_TRUE(store.KeyExists(kFileTypeRoot, FileTypeKeyPath("qmf_file\\Shell\\Edit")));
    // file1's file is gone.
    EXPECT_THAT(Entries(), UnorderedElementsAre("file2 b.qmf", "file3 cockpit.qmf"));
    for (const auto& e : List().Entries())
        EXPECT_TRUE(e.State == filestate::Listed && e.Ghosted);
    EXPECT_EQ(PathOf("file3"), kConfig + "cockpit.qmf");
    EXPECT_THAT(view.devices, ElementsAre("Pad", "Stick"));
    EXPECT_EQ(view.status, "Input Devices: Available");
    // The first entry is selected; nothing is shown.
    EXPECT_EQ(List().SelectedKey(), List().Entries().front().Key);
    EXPECT_THAT(List().Tabs(), ElementsAre("BLANK"));

    // A listed file that is loaded opens without a message.
    editor->LoadConfigurationFile(kConfig + "cockpit.qmf");
    EXPECT_EQ(std::tuple(dialogs.shown.size(), Selected().State, List().Entries().size()),
              std::tuple(0u, filestate::Saved, 2u));
}

// Without devices: the box, the status, and the hint until a file is loaded, as
// tests/e2e/editor/start-hint shows. Here, the hint back when the last configuration closes and
// gone once a device is found.
TEST_F(Editor, WithoutDevicesTheHintShowsWhileThereIsNothingToShow) {
    joysticks = ScriptedJoystickApi();
    files.files[kConfig + "a.qmf"] = Qmf();
    Start();
    EXPECT_TRUE(view.devices.empty() && !view.states.Toolbar.New);
    editor->LoadConfigurationFile(kConfig + "a.qmf");
    editor->CloseSelected();
    EXPECT_EQ(view.startHint, msg::kStartHint);
    joysticks.AddController("{00000000-0000-0000-0000-000000000001}", "Pad", 12);
    editor->RefreshDevices();
    EXPECT_EQ(view.startHint, "");
}

TEST_F(Editor, TheCommandLineOrASecondStartLoadsOneFileQuotesRemovedRelativePathsExpanded) {
    Start("x");
    dialogs.fileAnswers.push_back(std::nullopt); // the load dialog cancelled
    editor->LoadConfigurationFile("");
    EXPECT_TRUE(List().Entries().empty() && dialogs.shown.empty());

    files.files["C:\\Users\\me\\my file.qmf"] = Qmf();
    Start("\"my file.qmf\"");
    EXPECT_EQ(SelectedFile(),
              std::tuple("file1", "my file.qmf", filestate::Saved, "C:\\Users\\me\\my file.qmf"));

    // A second start hands over the full path, expanded where it started.
    EXPECT_EQ(EditorController::PathToHandOver(" \"y.qmf\"", files), "C:\\Users\\me\\y.qmf");
    EXPECT_EQ(EditorController::PathToHandOver(" x ", files), std::nullopt);
    files.files["D:\\y.qmf"] = Qmf();
    editor->LoadHandedOver("D:\\y.qmf");
    EXPECT_EQ(SelectedFile(), std::tuple("file2", "y.qmf", filestate::Saved, "D:\\y.qmf"));
    editor->LoadHandedOver("D:\\gone.qmf");
    EXPECT_THAT(dialogs.shown, ElementsAre(msg::CannotOpenMissingFile()));
}

TEST_F(Editor, NewBuildsARowPerButtonUnderItsOwnEntryNameSaveAsWritesIt) {
    Start();
    editor->NewConfiguration();
    const auto first = Selected();
    EXPECT_EQ(std::tie(first.Text, first.State, first.IconSource),
              std::tuple("New Config.qmf", filestate::New, kFolder + "\\default.ico"));
    ASSERT_NE(view.shownTable, nullptr);
    EXPECT_EQ(view.shownTable->RowCount(), 44);
    EXPECT_FALSE(store.KeyExists(kUser, kUserKeyText + "\\" + first.Key));

    editor->NewConfiguration();
    const auto key = Selected().Key;
    EXPECT_NE(key, first.Key);
    EXPECT_EQ(Entry(first.Key).TextColour, entrycolour::Open);
    EXPECT_EQ(Selected().TextColour, entrycolour::Current);

    // Save As writes its file under its entry name (the file read back, and a new one closed
    // unsaved: tests/e2e/editor/new and close).
    dialogs.fileAnswers = {kConfig + "mine.qmf"};
    editor->SaveAs();
    EXPECT_EQ(dialogs.fileRequests.back().fileName, "New Config.qmf");
    EXPECT_EQ(SelectedFile(), std::tuple(key, "mine.qmf", filestate::Saved, kConfig + "mine.qmf"));
}

TEST_F(Editor, PressesChooseTheKeyColumnAndTheDescriptionMarksChangedOnlyWhenItChanged) {
    Start();
    SavedNew(kConfig + "a.qmf");
    // The key column and the header marker follow a press on a row only.
    const struct {
        int row, column;
        std::optional<int> key;
        int marked;
    } presses[] = {{-1, col::FirstPress + 2, std::nullopt, -1},
                   {1, col::FirstPress + 2, col::FirstPress + 2, col::FirstPress + 2},
                   {1, col::FirstPress, col::FirstPress, col::FirstPress},
                   {1, col::ScrollLock, std::nullopt, 0}};
    for (const auto& p : presses) {
        editor->RowPressed(p.row, p.column, false);
        editor->RowReleased(p.row, p.column, true);
        EXPECT_EQ(std::pair(editor->KeyColumn(), view.markedColumn), std::pair(p.key, p.marked))
            << p.column;
    }

    editor->RowPressed(2, col::Description, false);
    editor->RowReleased(2, col::Description, true);
    EXPECT_EQ(std::pair(view.editorRow, view.editorText), std::pair(2, std::string(" ")));
    editor->DescriptionCommitted(" ");
    EXPECT_EQ(view.editorRow, -1);
    EXPECT_EQ(Selected().State, filestate::Saved);

    editor->RowReleased(2, col::Description, true);
    editor->DescriptionCommitted("say \"hi\"");
    EXPECT_EQ(view.shownTable->Row(2)[col::Description].Text, "say 'hi'");
    EXPECT_EQ(Selected().State, filestate::Modified);
}

TEST_F(Editor, KeysMoveTheSelectedRowAndChooseTheColumnOutsideRecordingOnly) {
    Start();
    // End from no row: the last row.
    SavedNew(kConfig + "b.qmf");
    editor->ListKeyPressed(ListKey::End, 10);
    EXPECT_EQ(view.shownTable->SelectedRow(), view.shownTable->RowCount() - 1);

    SavedNew(kConfig + "a.qmf");
    const MappingTable& table = *view.shownTable;
    const int last = table.RowCount() - 1;
    // From no row; a page of 10 rows moves by 9.
    const std::pair<ListKey, int> moves[] = {{ListKey::Up, 0},          {ListKey::Down, 1},
                                             {ListKey::Up, 0},          {ListKey::Up, 0},
                                             {ListKey::PageDown, 9},    {ListKey::End, last},
                                             {ListKey::Down, last},     {ListKey::PageUp, last - 9},
                                             {ListKey::PageDown, last}, {ListKey::Home, 0}};
    for (const auto& [key, row] : moves) {
        editor->ListKeyPressed(key, 10);
        EXPECT_EQ(std::pair(table.SelectedRow(), view.shownCell.first), std::pair(row, row))
            << static_cast<int>(key);
    }
    // Columns from none to the first, then on to the last; a key column is where recording
    // writes, as a click chooses it.
    const struct {
        ListKey key;
        int times, column, keyColumn; // keyColumn 0: none, as the header marks it
    } choices[] = {
        {ListKey::Right, 1, 0, 0},
        {ListKey::Left, 1, 0, 0},
        {ListKey::Right, col::FirstPress, col::FirstPress, col::FirstPress},
        {ListKey::Left, 1, col::ScrollLock, 0},
        {ListKey::Right, col::KeyEnd - 1 - col::ScrollLock, col::KeyEnd - 1, col::KeyEnd - 1},
        // Past the key cells: the points, Hold, the layer and the pointer's, the hidden control
        // cell skipped.
        {ListKey::Right, 1, col::PressPoint, 0},
        {ListKey::Right, kColumnCount, col::PointerCurve, 0},
        {ListKey::Left, 6, col::KeyEnd - 1, col::KeyEnd - 1}};
    for (const auto& c : choices) {
        for (int i = 0; i < c.times; ++i)
            editor->ListKeyPressed(c.key, 10);
        EXPECT_EQ(std::tuple(editor->ListColumn(), view.shownCell.second, view.markedColumn),
                  std::tuple(std::optional(c.column), c.column, c.keyColumn));
        EXPECT_EQ(editor->KeyColumn(),
                  c.keyColumn != 0 ? std::optional(c.keyColumn) : std::nullopt);
    }
    // A press on a cell chooses its column for the keys too.
    editor->RowPressed(3, col::Repeat, false);
    editor->ListClicked();
    EXPECT_EQ(editor->ListColumn(), col::Repeat);

    // While recording every key is recorded (PAGE DOWN: tests/e2e/editor/recording): nothing
    // moves, nothing is edited.
    editor->ToggleRecording();
    for (const ListKey key : {ListKey::Down, ListKey::Right, ListKey::Space, ListKey::Enter})
        editor->ListKeyPressed(key, 10);
    EXPECT_EQ(std::tuple(table.SelectedRow(), editor->ListColumn(), Selected().State),
              std::tuple(3, std::optional(col::Repeat), filestate::Saved));
}

TEST_F(Editor, SpaceAndEnterEditTheChosenCellAsADoubleClickAndF2OpensTheDescription) {
    Start();
    SavedNew(kConfig + "a.qmf");
    const MappingTable& table = *view.shownTable;
    editor->ListKeyPressed(ListKey::Down, 10);
    editor->ListKeyPressed(ListKey::Down, 10);
    const auto chooseColumn = [&](int column) {
        for (int i = 0; i < 2 * kColumnCount && editor->ListColumn() != column; ++i)
            editor->ListKeyPressed(editor->ListColumn() < column ? ListKey::Right : ListKey::Left,
                                   10);
    };
    // Space and Enter edit the chosen cell as a double-click does, marking the configuration
    // changed: tests/e2e/editor/keyboard (what a double-click does: editor_commands_test). F2
    // edits no such cell.
    chooseColumn(col::Multiplier);
    editor->ListKeyPressed(ListKey::F2, 10);
    EXPECT_EQ(std::pair(table.Row(1)[col::Multiplier].Text, Selected().State),
              std::pair(std::string("1X"), filestate::Saved));

    // The Description: Space does nothing, F2 opens its editor (Enter, and Escape keeping the
    // old text: tests/e2e/editor/keyboard); a commit after a cancel writes nowhere.
    chooseColumn(col::Description);
    editor->ListKeyPressed(ListKey::Space, 10);
    EXPECT_EQ(view.editorRow, -1);
    editor->ListKeyPressed(ListKey::F2, 10);
    EXPECT_EQ(std::pair(view.editorRow, view.editorText), std::pair(1, std::string(" ")));
    editor->DescriptionCancelled();
    editor->DescriptionCommitted("lost");
    EXPECT_EQ(std::pair(table.Row(1)[col::Description].Text, Selected().State),
              std::pair(std::string(" "), filestate::Saved));

    // While testing a key edits nothing, as a double-click.
    chooseColumn(col::Repeat);
    editor->ToggleTest();
    ASSERT_TRUE(editor->Testing());
    editor->ListKeyPressed(ListKey::Space, 10);
    EXPECT_EQ(table.Row(1)[col::Repeat].Text, "Off");
}

TEST_F(Editor, OnlyAFileNamedAsAConfigurationIsReadAndOnlySuchAFileIsOfferedForDeletion) {
    const std::string kOldCorrupt = testing::QmfLines({"\"1.3\"", "\"1\"", "\"Pad\""});
    // Files that read as an old, corrupt configuration, under names of other files.
    const std::string notConfigurations[] = {"C:\\notes.txt", "C:\\corvex.exe", "C:\\x.qmf.txt",
                                             "C:\\qmf", "C:\\.qmf"};
    for (const auto& path : notConfigurations)
        files.files[path] = kOldCorrupt;
    Known("file1", "C:\\listed.txt"); // listed by an earlier version
    files.files["C:\\listed.txt"] = kOldCorrupt;
    // The command line, a second start, a drop and the file dialog: each refused unread.
    Start(notConfigurations[0]);
    editor->LoadHandedOver(notConfigurations[1]);
    editor->DropFiles({notConfigurations[2]});
    dialogs.fileAnswers = {notConfigurations[3], notConfigurations[4]};
    editor->LoadConfigurationFile("");
    editor->LoadConfigurationFile("");
    EXPECT_THAT(dialogs.shown,
                ElementsAre(msg::NotAConfiguration("notes.txt"),
                            msg::NotAConfiguration("corvex.exe"),
                            msg::NotAConfiguration("x.qmf.txt"), msg::NotAConfiguration("qmf"),
                            msg::NotAConfiguration(".qmf")));
    EXPECT_THAT(Entries(), ElementsAre("file1 listed.txt"));
    EXPECT_FALSE(store.KeyExists(kUser, kUserKeyText + "\\file2"));

    // A listed one that does not read is only removed from the list, whatever the answer.
    dialogs.shown.clear();
    dialogs.answers = {MessageAnswer::Ok, MessageAnswer::Yes, MessageAnswer::Yes};
    editor->EntryDoubleClicked("file1");
    EXPECT_EQ(dialogs.shown.back(), msg::NotAConfiguration("listed.txt"));
    EXPECT_TRUE(List().Entries().empty());
    EXPECT_TRUE(shell.recycled.empty()); // the files left as they were

    // A configuration's file, in any case, is read: this one is offered for deletion (the
    // answers: tests/e2e/editor/load).
    files.files["C:\\BAD.QMF"] = kOldCorrupt;
    editor->LoadHandedOver("C:\\BAD.QMF");
    EXPECT_EQ(dialogs.shown.back(), msg::EditorCorruptDeleteQuestion("Vantrel", "BAD.QMF"));
}

// Opened from the list or loaded from elsewhere, a newer file gives one box offering nothing,
// stays listed and closed, and is left as it was: tests/e2e/editor/newer-version. Here, an open
// configuration whose file a newer version replaced closes when opened again.
TEST_F(Editor, AConfigurationWhoseFileANewerVersionReplacedClosesWhenOpenedAgain) {
    const std::string newer = testing::QmfLines({"\"1.6\"", "\"1\"", "\"Pad\""});
    files.files[kConfig + "mine.qmf"] = Qmf();
    Start();
    editor->LoadConfigurationFile(kConfig + "mine.qmf");
    ASSERT_TRUE(List().IsOpen("file1"));
    files.files[kConfig + "mine.qmf"] = newer;
    dialogs.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    editor->OpenSelected();
    EXPECT_THAT(dialogs.shown, ElementsAre(msg::NewerFileVersion("1.6")));
    const auto& entry = Entry("file1");
    EXPECT_TRUE(entry.State == filestate::Listed && entry.Ghosted);
    EXPECT_FALSE(List().IsOpen("file1") || List().HasTab("file1"));
    EXPECT_EQ(view.shownTable, nullptr);
    EXPECT_EQ(files.files[kConfig + "mine.qmf"], newer);
    EXPECT_TRUE(shell.recycled.empty());
}

TEST_F(Editor, DeleteAsksRecyclesKeepsTheEntryWhenTheShellDidNotAndTheNameIssuedThisRun) {
    files.files[kConfig + "a.qmf"] = Qmf();
    files.files[kConfig + "b.qmf"] = Qmf();
    Start();
    editor->EntryPressed("file1", false);
    // Whether file1 is still listed and known after a Delete answered Yes, the shell so failing
    // (No, and Yes recycling: tests/e2e/editor/clone).
    const auto remove = [&](bool recycles) {
        dialogs.answers = {MessageAnswer::Yes};
        shell.recycleSucceeds = recycles;
        editor->DeleteSelected();
        return std::pair(List().Find("file1") != nullptr,
                         store.KeyExists(kUser, kUserKeyText + "\\file1"));
    };
    EXPECT_EQ(remove(false), std::pair(true, true));
    EXPECT_EQ(remove(true), std::pair(false, false));
    EXPECT_THAT(shell.recycled, ElementsAre(kConfig + "a.qmf", kConfig + "a.qmf"));
    EXPECT_EQ(List().SelectedKey(), "file2"); // the next entry offers its commands

    // file1 was issued at start-up and never opened: it is not issued again.
    files.files["C:\\c.qmf"] = Qmf();
    editor->LoadConfigurationFile("C:\\c.qmf");
    EXPECT_EQ(List().SelectedKey(), "file3");
    // The last entry goes while shown: nothing is left for a mapping command.
    for (const char* key : {"file2", "file3"}) {
        editor->EntryPressed(key, false);
        dialogs.answers = {MessageAnswer::Yes};
        editor->DeleteSelected();
    }
    EXPECT_TRUE(List().Entries().empty());
    EXPECT_EQ(view.states.Buttons, MappingCommandFlags{});
}

// Save As of a changed configuration: to a new path it opens the copy and keeps the original
// as it was; to another entry's file, named in any case, it writes through that entry; a new
// configuration saved there takes that entry's place.
TEST_F(Editor, SaveAsOpensACopyOrWritesThroughTheEntryOfItsFile) {
    files.files[kConfig + "b.qmf"] = Qmf("old");
    Start();
    SavedNew(kConfig + "a.qmf");
    const auto original = Selected().Key;
    editor->CellDoubleClicked(0, col::Repeat);
    dialogs.fileAnswers.push_back(kConfig + "c.qmf");
    editor->SaveAs();
    EXPECT_EQ(SelectedFile(), std::tuple("file3", "c.qmf", filestate::Saved, kConfig + "c.qmf"));
    EXPECT_EQ(std::tuple(Entry(original).State, PathOf(original)),
              std::tuple(filestate::Modified, kConfig + "a.qmf"));
    EXPECT_EQ(std::pair(SavedText(kConfig + "c.qmf", 0, col::Repeat),
                        SavedText(kConfig + "a.qmf", 0, col::Repeat)),
              std::pair(std::string("On"), std::string("Off")));

    dialogs.fileAnswers.push_back(kConfig + "B.qmf");
    editor->SaveAs();
    const auto file1 = std::tuple("file1", "b.qmf", filestate::Saved, kConfig + "b.qmf");
    EXPECT_EQ(SelectedFile(), file1); // no entry of its own: see the entries below
    EXPECT_EQ(std::pair(SavedText(kConfig + "b.qmf", 0, col::Repeat),
                        SavedText(kConfig + "b.qmf", 43, col::Repeat)),
              std::pair(std::string("On"), std::string("Off")));

    editor->NewConfiguration();
    dialogs.fileAnswers.push_back(kConfig + "b.qmf");
    editor->SaveAs();
    EXPECT_EQ(SelectedFile(), file1);
    EXPECT_THAT(Entries(), UnorderedElementsAre("file1 b.qmf", "file2 a.qmf", "file3 c.qmf"));
    EXPECT_EQ(view.shownTable, List().Table("file1"));
    EXPECT_EQ(SavedText(kConfig + "b.qmf", 0, col::Repeat), "Off");
}

// A save writes no file larger than the file system reads: a file of exactly that size is
// written and read back by the editor and the runner's loader; one byte more is refused before
// anything is written, the old file and the edits kept.
TEST_F(Editor, SavesWriteNoFileLargerThanTheProgramsRead) {
    Start();
    SavedNew(kConfig + "a.qmf");
    const std::string path = kConfig + "a.qmf";
    // A description of n characters makes the file n bytes larger (" " is written as "").
    files.readLimit = files.files[path].size() + 10;
    const auto describe = [&](const std::string& text) {
        editor->RowReleased(0, col::Description, true);
        editor->DescriptionCommitted(text);
    };
    describe("0123456789");
    editor->Save();
    ASSERT_EQ(files.files[path].size(), files.readLimit);
    EXPECT_EQ(Selected().State, filestate::Saved);
    testing::RecordingDialogs readers;
    EXPECT_EQ(LoadEditorConfiguration(files, readers, path).Read.Rows.size(), 44u);
    DeviceTables devices = editor->Devices();
    RunnerTables tables;
    EXPECT_TRUE(LoadRunnerConfiguration(files, readers, path, devices, layout, tables));
    EXPECT_TRUE(readers.shown.empty());

    const std::string atLimit = files.files[path];
    describe("0123456789A");
    dialogs.shown.clear();
    editor->Save();
    dialogs.fileAnswers.push_back(kConfig + "b.qmf");
    editor->SaveAs();
    const auto refused = msg::ConfigurationTooLargeToSave(files.readLimit);
    EXPECT_THAT(dialogs.shown, ElementsAre(refused, refused));
    EXPECT_EQ(std::tuple(files.files[path] == atLimit, files.Exists(kConfig + "b.qmf"),
                         Selected().State, List().Shown()->Row(0).Text(col::Description)),
              std::tuple(true, false, filestate::Modified, "0123456789A"));
}

TEST_F(Editor, ChangeIconRefusesAFileWithoutOneAndRunStartsTheRunner) {
    files.files[kConfig + "a b.qmf"] = Qmf();
    Start();
    editor->EntryPressed("file1", false);
    dialogs.fileAnswers = {"C:\\text.txt", "C:\\app.exe"};
    shell.iconFiles = {"C:\\app.exe"};
    editor->ChangeIcon();
    EXPECT_THAT(dialogs.shown, ElementsAre(msg::InvalidIcon()));
    EXPECT_EQ(Entry("file1").IconSource, kConfig + "a b.qmf");
    editor->ChangeIcon();
    EXPECT_EQ(Entry("file1").IconSource, "C:\\app.exe");

    // Run starts the runner by its full path, the configuration's quoted (minimising:
    // tests/e2e/editor/run).
    editor->RunSelected();
    EXPECT_THAT(shell.launches,
                ElementsAre(kFolder + "\\corvex.exe \"" + kConfig + "a b.qmf\" in " + kFolder));
    shell.launchSucceeds = false;
    editor->RunSelected();
    EXPECT_EQ(dialogs.shown.back(), msg::CouldNotLaunch());
}

} // namespace
} // namespace qm
