// Recording key mappings through the editor's controller: the key cell a key goes into, a start
// that fails, files handed over meanwhile. The mode's start, stop and lock keys are driven by
// tests/e2e/editor/recording.
#include "core/app_error.h"
#include "core/key_names.h"
#include "core/messages.h"
#include "support/editor_rig.h"
#include "support/qmf_builder.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace qm {
namespace {

const std::string kFile = "C:\\Program Files\\Vantrel\\config\\a.qmf";

// Installs like the system's hook: the box after the hook went in, or the failure box.
struct FakeHook final : KeyboardHookControl {
    explicit FakeHook(Dialogs& d) : dialogs(d) {}
    bool Install(HookTarget&) override {
        installed = works;
        dialogs.ShowMessage(works ? HookInstalledMessage() : HookFailedMessage(5));
        return works;
    }
    void Remove() noexcept override { installed = false; }

    Dialogs& dialogs;
    bool installed = false, works = true;
};

// A saved configuration of 44 rows (a pad of 12 buttons, a stick of 32), shown.
struct Rig : testing::EditorSeamsRig {
    Rig() {
        joysticks.AddController("{00000000-0000-0000-0000-000000000001}", "Pad", 12);
        joysticks.AddController("{00000000-0000-0000-0000-000000000002}", "Stick", 32);
        Start("", &hook);
        SavedNew(kFile);
    }
    ~Rig() { editor.reset(); } // before the hook it may hold

    FakeHook hook{dialogs};
};

class Recording : public ::testing::Test, public Rig {};

struct KeyCase {
    int column; // chosen by a click on row 2
    std::uint16_t vk, mask;
    const char* shown; // the "Key Mapping:" box
    const char* name;  // the cell's tag; null: no cell written
    bool modified;
};

TEST_F(Recording, AKeyGoesIntoTheChosenCellOfTheSelectedRowAndMarksTheConfigurationChanged) {
    // SHIFT + CTRL + F5 into a press cell: tests/e2e/editor/recording.
    const KeyCase cases[] = {
        {col::FirstRelease + 15, 222, kAltMask, "ALT + '", "'", true},
        {col::ScrollLock, 'A', kShiftMask | kAltMask, "SHIFT + ALT + A", nullptr, true},
        {col::FirstPress, 17, kCtrlMask, "", nullptr, false},
    };
    for (const KeyCase& c : cases) {
        Rig rig;
        rig.Click(2, c.column);
        rig.editor->ToggleRecording();
        auto expected = rig.Table().Rows();
        rig.editor->KeyPressed(c.vk, c.mask);
        if (c.name != nullptr)
            expected[2].Set(c.column, {c.shown, Variant::Text(c.name)});
        EXPECT_EQ(rig.Table().Rows(), expected) << c.shown;
        EXPECT_EQ(rig.view.keyMapping, c.shown);
        EXPECT_EQ(rig.Selected().State, c.modified ? filestate::Modified : filestate::Saved)
            << c.shown;
        EXPECT_EQ(rig.view.entryStates, std::vector{rig.Selected().State}) << c.shown;
    }
}

TEST_F(Recording, AFailedStartLeavesNoHookAndAHookThatFailsLeavesRecordingOn) {
    // The hook went in, then its box failed: the start is undone.
    bool fail = true;
    dialogs.onShow = [&] {
        if (std::exchange(fail, false))
            throw AppError(7, "Out of memory");
    };
    editor->ToggleRecording();
    EXPECT_FALSE(hook.installed || editor->Recording() || view.states.Recording);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].text, " 7  Out of memory in sub Rec_Mappings.");

    dialogs.shown.clear();
    hook.works = false;
    editor->ToggleRecording();
    EXPECT_EQ(dialogs.shown, std::vector<Message>{HookFailedMessage(5)});
    EXPECT_TRUE(editor->Recording());
    editor->ToggleRecording();
    EXPECT_FALSE(editor->Recording());
}

// Files handed over while recording wait until it stops, the key going into the configuration
// recorded: tests/e2e/editor/handover-recording. While testing likewise, a missing one said.
TEST_F(Recording, FilesHandedOverWhileTestingAreLoadedInTurnWhenItEnds) {
    files.files["D:\\c.qmf"] = testing::File14({{}});
    const auto& list = editor->Configurations();
    editor->ToggleTest();
    ASSERT_TRUE(editor->Testing());
    editor->LoadHandedOver("D:\\c.qmf");
    editor->LoadHandedOver("D:\\gone.qmf");
    EXPECT_EQ(list.Entries().size(), 1u);
    dialogs.shown.clear();
    editor->ToggleTest();
    EXPECT_EQ(list.Find(list.CurrentKey())->Text, "c.qmf");
    EXPECT_EQ(dialogs.shown, std::vector{msg::CannotOpenMissingFile()});
}

} // namespace
} // namespace qm
