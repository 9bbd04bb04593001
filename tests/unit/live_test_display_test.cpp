// What the live test's passes show, handed from their own thread to the window's: colours and
// texts shown once woken, a click's colours taken over, a pass's error box waited for, and the
// end of a test never left waiting on a box; the layer held beside the axis moved last.
#include "core/messages.h"
#include "editor/live_test_display.h"
#include "support/editor_fakes.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace qm {
namespace {

struct Display : ::testing::Test {
    Display() : table(MappingTable::FromRows(std::vector<MappingRow>(3, NewMappingRow()))) {
        display.Begin(table, "Input Devices: Available", [this] { ++wakes; });
    }
    MappingTable table;
    LiveTestDisplay display;
    testing::RecordingEditorView view;
    testing::RecordingDialogs dialogs;
    std::atomic<int> wakes = 0;
};

TEST_F(Display, ThePassesChangesReachTheListOnlyWhenShownWithOneWakeUntilThen) {
    const std::uint32_t before = table.RowColour(1);
    std::thread passes([&] {
        display.SetRowColour(1, rowcolour::Pressed);
        display.SetStatusText("Input Devices: Pad");
        display.SetSecondStatusText("Button 2: Pressed");
        display.SetAxisStatusText("Pad: X axis 0 (0 %)");
        display.ScrollRowIntoView(1);
    });
    passes.join();
    // The window's list is the window's thread's.
    EXPECT_EQ(std::pair(wakes.load(), table.RowColour(1)), std::pair(1, before));
    display.Show(view, dialogs, &table);
    EXPECT_EQ(table.RowColour(1), rowcolour::Pressed);
    EXPECT_EQ(std::tuple(view.status, view.status2, view.status3),
              std::tuple("Input Devices: Pad", "Button 2: Pressed", "Pad: X axis 0 (0 %)"));

    // What every pass sets again unchanged wakes nobody: no message per pass.
    display.SetStatusText("Input Devices: Pad");
    display.SetSecondStatusText("Button 2: Pressed");
    display.SetAxisStatusText("Pad: X axis 0 (0 %)");
    display.SetRowColour(1, rowcolour::Pressed);
    EXPECT_EQ(wakes, 1);
    display.SetStatusText("Input Devices: Available");
    EXPECT_TRUE(wakes == 2 && !display.StatusIs("Input Devices: Pad"));

    // A list closed meanwhile gets nothing; the texts still go.
    display.SetRowColour(2, rowcolour::Pressed);
    view.status.clear();
    display.Show(view, dialogs, nullptr);
    EXPECT_EQ(view.status, "Input Devices: Available");
    EXPECT_NE(table.RowColour(2), rowcolour::Pressed);
}

TEST_F(Display, AClickRecolouringTheListIsWhatThePassesSeeNext) {
    display.SetRowColour(0, rowcolour::Pressed);
    display.Show(view, dialogs, &table);
    ASSERT_TRUE(table.Select(0, false)); // every row recoloured, the first selected
    display.TakeColours(table);
    EXPECT_EQ(display.RowColour(0), rowcolour::Selected);
    // Nothing of the passes' older colours comes back over the click.
    display.Show(view, dialogs, &table);
    EXPECT_EQ(table.RowColour(0), rowcolour::Selected);
}

TEST_F(Display, APassWaitsForItsErrorBoxAndTheEndOfTheTestReleasesIt) {
    const Message box = msg::ErrorBox(AppError(err::DeviceIoError), "MyDXCallback");
    auto answered = std::async(std::launch::async, [&] { return display.ShowMessage(box); });
    // The window's thread shows it once woken, and only then does the pass go on.
    while (wakes == 0)
        std::this_thread::yield();
    EXPECT_EQ(answered.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    display.Show(view, dialogs, &table);
    EXPECT_EQ(answered.get(), MessageAnswer::Ok);
    EXPECT_EQ(dialogs.shown, std::vector{box});

    // A box the window never showed: the test's end answers it, and later ones at once.
    auto pending = std::async(std::launch::async, [&] { return display.ShowMessage(box); });
    while (wakes < 2)
        std::this_thread::yield();
    display.End();
    EXPECT_EQ(pending.get(), MessageAnswer::Ok);
    EXPECT_EQ(display.ShowMessage(box), MessageAnswer::Ok);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

// The third panel shows the shift layer held before the axis moved last.
TEST_F(Display, TheThirdPanelShowsTheLayerHeld) {
    EXPECT_EQ(AxisPanelText(0, "Pad: X axis"), "Pad: X axis");
    EXPECT_EQ(AxisPanelText(2, "Pad: X axis"), "Layer 2   Pad: X axis");
    EXPECT_EQ(AxisPanelText(7, ""), "Layer 7");
    // Held during a test, in the status bar: tests/e2e/editor/layers.
    display.SetLayer(3);
    display.SetLayer(3); // unchanged: nobody woken
    EXPECT_EQ(wakes, 1);
}

} // namespace
} // namespace qm
