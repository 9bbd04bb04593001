// The device layer over scripted controllers and boards: scan order and tables, lazy
// acquisition, board results, clamping of hostile records, failures, the DirectX check.
#include "core/messages.h"
#include "devices/hid_record.h"
#include "devices/input_devices.h"
#include "devices/scripted_devices.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <exception>
#include <map>
#include <new>
#include <stdexcept>
#include <tuple>

namespace qm {
namespace {

using testing::RecordingDialogs;

constexpr const char* kGuidA = "{6F1D2B60-D5A0-11CF-BFC7-444553540000}";
constexpr const char* kGuidB = "{6F1D2B61-D5A0-11CF-BFC7-444553540000}";
constexpr const char* kGuidC = "{6F1D2B62-D5A0-11CF-BFC7-444553540000}";
// 60 characters: the identity is the first 55.
const std::string kPath = "\\\\?\\hid#vid_1234&pid_0001#7&1a2b3c4d&0&0000#{4d1e55b2-f16f1}";
WindowHandle const kWindow = nullptr;

struct RecordingStatus final : StatusSink {
    void SetStatusText(std::string_view text) override { texts.emplace_back(text); }
    std::vector<std::string> texts;
};

class InputDevicesTest : public ::testing::Test {
protected:
    // Reads every device once, as a pass does; returns the device that ended the pass, or 0.
    int Pass() {
        buttons.clear();
        for (int d = 1; d <= devices.DeviceCount(); ++d)
            if (!devices.ReadDevice(d, buttons[d]))
                return d;
        return 0;
    }
    // Passes until every controller was acquired and read.
    void Settle() {
        for (int i = 0; i <= devices.DeviceCount() && Pass() != 0; ++i) {
        }
    }

    ScriptedJoystickApi joysticks;
    ScriptedBoardLibrary boards;
    RecordingDialogs dialogs;
    RecordingStatus status;
    InputDevices devices{joysticks, boards, dialogs, &status};
    std::map<int, int> buttons; // of the last pass, by device
};

// Identical controllers differ by GUID; a board without buttons is skipped but keeps its record.
TEST_F(InputDevicesTest, BoardsFollowControllersInOneButtonListAndMap) {
    ASSERT_EQ(kPath.size(), 60u);
    for (auto [pad, panel] : {std::pair{12, 32}, std::pair{32, 12}}) {
        ScriptedJoystickApi pads;
        ScriptedBoardLibrary library;
        InputDevices layer(pads, library, dialogs, &status);
        pads.AddController(kGuidA, "Gamepad", pad);
        pads.AddController(kGuidB, "Gamepad", 4);
        library.AddBoard(kPath + "0", "Empty", 0);
        library.AddBoard(kPath, "Panel", panel);
        layer.Scan(kWindow);

        const auto& t = layer.Tables();
        ASSERT_EQ(t.DeviceCount(), 3);
        // Device 3 is the board of record 1 (not its place among boards).
        EXPECT_EQ(
            std::tuple(t.Device(2).IsDirectInput, t.Device(3).IsDirectInput, t.Device(3).HidIndex),
            std::tuple(true, false, 1));
        EXPECT_EQ(std::tuple(t.ButtonTotal(), t.ButtonMap().ButtonBound()), std::tuple(48, 32));
        EXPECT_EQ(t.Button(1), (ButtonListEntry{1, "Gamepad", kGuidA}));
        EXPECT_EQ(t.Button(pad + 1), (ButtonListEntry{1, "Gamepad", kGuidB}));
        EXPECT_EQ(t.Button(pad + 5), (ButtonListEntry{1, "Panel", kPath.substr(0, 55)}));
        EXPECT_EQ(t.Button(48).ButtonNumber, panel);
    }
    EXPECT_EQ(status.texts, (std::vector<std::string>(2, std::string(status::kAvailable))));
}

TEST_F(InputDevicesTest, RescanRebuildsAndReleasesThePreviousObjects) {
    joysticks.AddController(kGuidA, "Gamepad", 12);
    joysticks.AddController(kGuidB, "Wheel", 8);
    boards.AddBoard(kPath, "Panel", 32);
    devices.Scan(kWindow);
    const auto list = devices.Tables().ButtonList();
    EXPECT_EQ(Pass(), 1); // the first controller is now acquired

    devices.Scan(kWindow);
    EXPECT_EQ(devices.Tables().ButtonList(), list);
    const auto& calls = joysticks.Calls();
    // Controllers unacquired, released, created; board closes and the count the last one closed.
    EXPECT_EQ(std::tuple(calls.Unacquires, calls.DevicesReleased, calls.DevicesCreated,
                         boards.Calls().Closes, boards.Calls().LastCloseCount),
              std::tuple(2, 2, 4, 1, 1));
    EXPECT_EQ(Pass(), 1); // new objects start unacquired

    // At program end the boards close and are not read any more; the objects go with the layer.
    devices.CloseBoards();
    const int reads = boards.Calls().Reads;
    int n = -1;
    EXPECT_TRUE(devices.ReadDevice(3, n));
    EXPECT_EQ(std::tuple(n, boards.Calls().Reads), std::tuple(0, reads));
    InputDevices(joysticks, boards, dialogs, nullptr).Scan(kWindow);
    EXPECT_EQ(calls.DevicesReleased, calls.DevicesCreated - 2);
    EXPECT_EQ(boards.Calls().Closes, 3); // at CloseBoards, and by the other layer's end
}

TEST_F(InputDevicesTest, ControllersAreAcquiredOnePerPassAndReadFromTheNext) {
    joysticks.AddController(kGuidA, "A", 4);
    joysticks.AddController(kGuidB, "B", 4);
    joysticks.AddController(kGuidC, "C", 4);
    joysticks.SetButton(2, 3, true);
    devices.Scan(kWindow);
    for (const int endedBy : {1, 2, 3, 0})
        EXPECT_EQ(Pass(), endedBy);
    EXPECT_EQ(buttons, (std::map<int, int>{{1, 4}, {2, 4}, {3, 4}}));
    EXPECT_EQ(
        (std::vector{devices.ButtonDown(3, 3), devices.ButtonDown(3, 2), devices.ButtonDown(1, 3)}),
        (std::vector{true, false, false}));
    EXPECT_EQ(joysticks.Calls().Polls, 6);
}

// Unplugged, a controller is lost: its buttons up, no longer read or acquired, named in the
// notice. Plugged back, only the limited rescan finds it, in its old place with a new object.
TEST_F(InputDevicesTest, AnUnpluggedControllerIsLostUntilARescanFindsItAgain) {
    joysticks.AddController(kGuidA, "Pad A", 4);
    joysticks.AddController(kGuidB, "Pad B", 4);
    devices.Scan(kWindow);
    joysticks.SetButton(0, 2, true);
    Pass(), Pass();
    ASSERT_EQ(Pass(), 0);
    ASSERT_TRUE(devices.ButtonDown(1, 2));
    EXPECT_EQ(devices.Notice(), "");

    joysticks.Unplug(0);
    EXPECT_EQ(Pass(), 0);
    EXPECT_EQ(std::tuple(devices.Lost(1), devices.Lost(2), devices.ButtonDown(1, 2)),
              std::tuple(true, false, false));
    EXPECT_EQ(devices.Notice(), "Input Devices: Pad A disconnected");
    joysticks.Replug(0);
    const auto before = joysticks.Calls();
    EXPECT_EQ(Pass(), 0);
    EXPECT_EQ(buttons, (std::map<int, int>{{1, 0}, {2, 4}}));
    EXPECT_EQ(joysticks.Calls().Acquires, before.Acquires); // not even tried
    EXPECT_EQ(before.DevicesReleased, 1);                   // the dead object went

    EXPECT_TRUE(devices.RescanChanged(kWindow));
    EXPECT_FALSE(devices.Lost(1));
    EXPECT_EQ(devices.Notice(), "Input Devices: Pad A reconnected");
    EXPECT_EQ(joysticks.Calls().DevicesCreated, before.DevicesCreated + 1);
    EXPECT_EQ(Pass(), 1); // acquired, as after a scan
    EXPECT_EQ(Pass(), 0);
    EXPECT_EQ(buttons, (std::map<int, int>{{1, 4}, {2, 4}}));
    EXPECT_TRUE(devices.ButtonDown(1, 2));

    // Nothing changed: nothing is made anew. Without boards in the scan none is looked for.
    EXPECT_FALSE(devices.RescanChanged(kWindow));
    EXPECT_EQ(std::tuple(joysticks.Calls().DevicesCreated, boards.Calls().Detects),
              std::tuple(before.DevicesCreated + 1, 1));
    // Gone and back between two looks, never read meanwhile: its old object is dead.
    joysticks.Unplug(1);
    joysticks.Replug(1);
    EXPECT_TRUE(devices.RescanChanged(kWindow));
    EXPECT_EQ(joysticks.Calls().DevicesCreated, before.DevicesCreated + 2);
    EXPECT_EQ(devices.Notice(), "Input Devices: Pad B reconnected");
    Pass();
    EXPECT_EQ(Pass(), 0);
    EXPECT_EQ(buttons, (std::map<int, int>{{1, 4}, {2, 4}}));
    // A full scan forgets what happened.
    devices.Scan(kWindow);
    EXPECT_EQ(devices.Notice(), "");
}

// Back with fewer buttons, only those are read; with more, no more than the table binds.
TEST_F(InputDevicesTest, AControllerBackWithAnotherButtonCountIsReadForTheButtonsItHas) {
    joysticks.AddController(kGuidA, "Pad", 8);
    devices.Scan(kWindow);
    ASSERT_EQ(devices.Tables().ButtonMap().ButtonBound(), 8);
    for (const auto& [now, read] : {std::pair{7, 7}, std::pair{8, 8}, std::pair{9, 8}}) {
        joysticks.Unplug(0);
        ASSERT_TRUE(devices.RescanChanged(kWindow));
        joysticks.SetButtonCount(0, now);
        joysticks.Replug(0);
        ASSERT_TRUE(devices.RescanChanged(kWindow));
        Pass();
        EXPECT_EQ(Pass(), 0);
        EXPECT_EQ(buttons[1], read) << now;
    }
}

// Boards are detected again all together: one gone is lost, the one still there keeps a
// button held, and the one back is found by its identity under its new record.
TEST_F(InputDevicesTest, ABoardGoneIsLostAndFoundAgainByItsIdentityTheOthersUntouched) {
    // Paths that differ before their last 5 characters: two identities.
    boards.AddBoard("\\\\?\\hid#vid_1234&pid_0001#P&0&0000", "Panel P", 8);
    boards.AddBoard("\\\\?\\hid#vid_1234&pid_0001#Q&0&0000", "Panel Q", 16);
    devices.Scan(kWindow);
    boards.SetButton(1, 3, true);
    Pass();
    ASSERT_TRUE(devices.ButtonDown(2, 3));

    boards.SetPlugged(0, false);
    EXPECT_TRUE(devices.RescanChanged(kWindow));
    EXPECT_EQ(std::tuple(devices.Lost(1), devices.Lost(2)), std::tuple(true, false));
    EXPECT_EQ(devices.Tables().Device(2).HidIndex, 0);
    EXPECT_TRUE(devices.ButtonDown(2, 3)); // held through the detection
    EXPECT_EQ(devices.Notice(), "Input Devices: Panel P disconnected");
    const int reads = boards.Calls().Reads;
    Pass();
    EXPECT_EQ(boards.Calls().Reads, reads + 1);
    EXPECT_EQ(buttons, (std::map<int, int>{{1, 0}, {2, 16}}));
    EXPECT_FALSE(devices.ReadFailing());

    SetHidInt16(boards.Record(0), hid_record::ButtonCount, 4);
    boards.SetPlugged(0, true);
    EXPECT_TRUE(devices.RescanChanged(kWindow));
    EXPECT_FALSE(devices.Lost(1));
    EXPECT_EQ(std::tuple(devices.Tables().Device(1).HidIndex, devices.Tables().Device(2).HidIndex),
              std::tuple(0, 1));
    EXPECT_EQ(devices.Notice(), "Input Devices: Panel P reconnected");
    Pass();
    EXPECT_EQ(buttons, (std::map<int, int>{{1, 4}, {2, 16}}));
    EXPECT_TRUE(devices.ButtonDown(2, 3));
    EXPECT_FALSE(devices.RescanChanged(kWindow));
}

TEST_F(InputDevicesTest, ControllerLimits) {
    joysticks.AddController(kGuidA, "Big", 200);
    devices.Scan(kWindow);
    EXPECT_EQ(devices.Tables().ButtonTotal(), 200);
    joysticks.SetButton(0, 128, true);
    Pass();
    EXPECT_EQ(Pass(), 0);
    EXPECT_EQ(std::tuple(buttons[1], devices.ButtonDown(1, 128), devices.ButtonDown(1, 129)),
              std::tuple(128, true, false));

    devices.Tables().ButtonMap().Dimension(1, 10);
    Pass();
    EXPECT_EQ(buttons[1], 10);

    ScriptedJoystickApi many;
    for (int i = 0; i < 256; ++i)
        many.AddController("{" + std::to_string(i) + "}", "Pad", 1);
    InputDevices layer(many, boards, dialogs, nullptr);
    layer.InitDirectInput(kWindow);
    EXPECT_EQ(layer.DeviceCount(), 255);
}

TEST_F(InputDevicesTest, BoardReadResults) {
    boards.AddBoard(kPath, "Panel", 32);
    devices.Scan(kWindow);
    boards.SetButton(0, 5, true);
    // result, the board's state before the read, what the layer sees after it, failure text
    const std::tuple<std::int32_t, bool, bool, bool> steps[] = {
        {kHidNewData, true, true, false},
        {kHidNoNewData, false, true, false}, // the last states stand
        {kHidReadFailure, true, false, true},
        {kHidNewData, true, true, false},
        {7, true, false, true}, // an undocumented result is a failure too
        {kHidNewData, true, true, false},
    };
    for (const auto& [result, pressedNow, down, failureText] : steps) {
        SCOPED_TRACE(result);
        boards.SetResult(0, result);
        boards.SetButton(0, 5, pressedNow);
        status.texts.clear();
        const int reads = boards.Calls().Reads;
        EXPECT_EQ(Pass(), 0);
        EXPECT_EQ(std::tuple(boards.Calls().Reads, buttons[1], devices.ButtonDown(1, 5)),
                  std::tuple(reads + 1, 32, down));
        EXPECT_EQ(status.texts,
                  std::vector<std::string>(failureText, std::string(status::kReadFailure)));
    }
}

TEST_F(InputDevicesTest, HostileRecordsAreClamped) {
    const int wide = boards.AddBoard(kPath, "Panel", 32);
    SetHidInt16(boards.Record(wide), hid_record::ButtonCount, 9999);
    SetHidInt32(boards.Record(wide), hid_record::PathLength, -5);
    SetHidInt32(boards.Record(wide), hid_record::ProductLength, 1000);
    const int swapped = boards.AddBoard(kPath, "Swapped", 4);
    SetHidInt32(boards.Record(swapped), hid_record::PathLength, 1000);
    SetHidInt32(boards.Record(swapped), hid_record::ProductLength, -5);
    const int negative = boards.AddBoard(kPath, "Negative", 4);
    SetHidInt16(boards.Record(negative), hid_record::ButtonCount, -1);
    for (int i = 0; i < 130; ++i)
        boards.AddBoard(kPath, "Many", 1);
    boards.CountOverride = 300;
    devices.DetectDevices();

    const auto& t = devices.Tables();
    ASSERT_EQ(t.DeviceCount(), 128); // 129 records, one of them without buttons
    const auto& wideBoard = t.Device(1);
    EXPECT_EQ(std::tuple(wideBoard.ButtonCount, wideBoard.Identity, wideBoard.Name.size(),
                         wideBoard.Name.substr(0, 6)),
              std::tuple(512, "", 256u, "Panel "));
    EXPECT_EQ(std::tuple(t.Device(2).Identity.size(), t.Device(2).Name), std::tuple(251u, ""));
    EXPECT_EQ(t.Device(128).HidIndex, 128);
    boards.SetButton(wide, 512, true);
    EXPECT_EQ(Pass(), 0);
    EXPECT_EQ(std::tuple(buttons[1], devices.ButtonDown(1, 512), devices.ButtonDown(1, 513)),
              std::tuple(512, true, false));

    boards.CountOverride = -3;
    devices.DetectDevices();
    EXPECT_EQ(std::tuple(boards.Calls().LastCloseCount, devices.DeviceCount()), std::tuple(129, 0));
    boards.Present = false; // a missing library: no boards, nothing left to close
    devices.DetectDevices();
    EXPECT_EQ(std::tuple(boards.Calls().Closes, devices.DeviceCount()), std::tuple(1, 0));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(InputDevicesTest, FailuresShowTheErrorBoxAndKeepTablesConsistent) {
    joysticks.AddController(kGuidA, "A", 4);
    joysticks.AddController(kGuidB, "B", 6);
    joysticks.SetCreateDeviceFails(1, true);
    boards.AddBoard(kPath, "Panel", 8);
    devices.Scan(kWindow);
    EXPECT_EQ(dialogs.shown, std::vector{msg::DirectInputError(kDiErrGeneric, "Poll_Devices")});
    ASSERT_EQ(devices.DeviceCount(), 2);
    EXPECT_EQ(std::tuple(devices.Tables().ButtonTotal(), devices.Tables().Device(2).IsDirectInput),
              std::tuple(12, false));
    EXPECT_EQ(Pass(), 1);
    EXPECT_EQ(Pass(), 0);

    joysticks.CreateFails = true;
    devices.Scan(kWindow);
    EXPECT_EQ(dialogs.shown.back(), msg::DirectInputError(kDiErrGeneric, "InitDirectInput"));
    ASSERT_EQ(devices.DeviceCount(), 1);
    EXPECT_FALSE(devices.Tables().Device(1).IsDirectInput);
    EXPECT_EQ(joysticks.Calls().DevicesReleased, joysticks.Calls().DevicesCreated);
}

struct DirectXState {
    bool library;
    int result;
    std::uint32_t version, revision;
    bool directInput;
};

struct FakeDirectXSetup final : DirectXSetup {
    explicit FakeDirectXSetup(DirectXState state) : s(state) {}
    bool HasSetupLibrary() override { return s.library; }
    int GetVersion(std::uint32_t& version, std::uint32_t& revision) override {
        if (thrown)
            std::rethrow_exception(thrown);
        std::tie(version, revision) = std::pair(s.version, s.revision);
        return s.result;
    }
    bool CanCreateDirectInput() override { return s.directInput; }
    DirectXState s;
    std::exception_ptr thrown; // what reading the version throws
};

TEST(CheckDXVersion, PassesForDirectX8AndExplainsOtherwise) {
    const auto detectionError = msg::DirectXDetectionError();
    // the setup found, whether the check passes, the boxes shown
    const std::tuple<DirectXState, bool, std::vector<Message>> cases[] = {
        {{true, 1, 0x00040007, 0x00000000, true}, false, {msg::DirectXTooOld(7, 0)}},
        {{true, 1, 0x00040006, 0x00050000, true}, false, {msg::DirectXTooOld(6, 5)}},
        {{true, 1, 0x00040008, 0x00010000, false}, true, {}},
        {{true, 1, 0x00040009, 0x00000000, true}, true, {}},
        {{true, 0, 0x00040009, 0x00000000, true}, false, {detectionError}},
        {{false, 0, 0, 0, true}, true, {}},
        {{false, 0, 0, 0, false}, false, {detectionError}},
    };
    for (const auto& [state, passes, shown] : cases) {
        SCOPED_TRACE(state.version);
        FakeDirectXSetup setup(state);
        RecordingDialogs dialogs;
        EXPECT_EQ(CheckDXVersion(setup, dialogs), passes);
        EXPECT_EQ(dialogs.shown, shown);
    }
}

// A setup library that fails counts as DirectX not detected; running out of memory is no such
// failure and goes on to the caller's trap.
TEST(CheckDXVersion, AFailingSetupIsNotDetectedButAnAllocationFailureGoesOn) {
    RecordingDialogs dialogs;
    FakeDirectXSetup setup({true, 1, 0x00040009, 0, true});
    setup.thrown = std::make_exception_ptr(std::runtime_error("setup"));
    EXPECT_FALSE(CheckDXVersion(setup, dialogs));
    EXPECT_EQ(dialogs.shown, std::vector{msg::DirectXDetectionError()});
    setup.thrown = std::make_exception_ptr(std::bad_alloc());
    EXPECT_THROW(CheckDXVersion(setup, dialogs), std::bad_alloc);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

// Controllers read on their events: buffered changes become edges in the order they happened,
// across controllers; an overflow or a loss falls back to reading the whole state.
class EventReadingTest : public InputDevicesTest {
protected:
    void Start(int controllers, int buttons = 12) {
        for (int c = 0; c < controllers; ++c)
            joysticks.AddController(Guid(c), "Pad", buttons);
        devices.Scan(kWindow);
        devices.StartEventReading();
        // A pass ends at each controller it acquires; then each is read whole once.
        Settle();
    }
    static std::string Guid(int c) { return "{" + std::to_string(c) + "}"; }
    using Edge = std::tuple<int, int, bool>;
    std::vector<Edge> Edges() {
        std::vector<Edge> out;
        for (const auto& e : devices.TakeEdges())
            out.emplace_back(e.Device, e.Button, e.Down);
        return out;
    }
};

TEST_F(EventReadingTest, ChangesBecomeEdgesInTheOrderTheyHappened) {
    Start(2);
    const int readsBefore = joysticks.Calls().StateReads;
    // A tap, a press on the other pad, the first pad's button again, an axis between.
    joysticks.SetButton(0, 3, true);
    joysticks.SetButton(1, 1, true);
    joysticks.ChangeOther(0, 0);
    joysticks.SetButton(0, 3, false);
    joysticks.SetButton(0, 5, true);
    joysticks.SetButton(1, 1, false);
    EXPECT_EQ(joysticks.EventsSet(0), 4);
    EXPECT_EQ(Edges(),
              (std::vector<Edge>{
                  {1, 3, true}, {2, 1, true}, {1, 3, false}, {1, 5, true}, {2, 1, false}}));
    EXPECT_TRUE(Edges().empty());
    // The passes read no state of theirs: the buffered changes keep it.
    Pass();
    EXPECT_EQ(joysticks.Calls().StateReads, readsBefore);
    EXPECT_TRUE(devices.ButtonDown(1, 5));
    EXPECT_FALSE(devices.ButtonDown(1, 3));
    // A button beyond the controller's count has no state byte and no edge.
    joysticks.SetButton(0, 13, true);
    EXPECT_TRUE(Edges().empty());
}

TEST_F(EventReadingTest, SequenceNumbersOrderAcrossTheirWrap) {
    EXPECT_TRUE(SequenceBefore(0xFFFFFFFFu, 0));
    EXPECT_FALSE(SequenceBefore(0, 0xFFFFFFFFu));
    EXPECT_TRUE(SequenceBefore(5, 5 + 0x7FFFFFFFu));
    std::vector<DeviceChange> changes{{1, {48, 0x80, 0, 2}},
                                      {1, {49, 0x80, 0, 3}},
                                      {2, {50, 0x80, 0, 0xFFFFFFFEu}},
                                      {2, {51, 0x80, 0, 0}}};
    OrderBySequence(changes);
    std::vector<std::uint32_t> order;
    for (const auto& c : changes)
        order.push_back(c.Change.Offset);
    EXPECT_EQ(order, (std::vector<std::uint32_t>{50, 51, 48, 49}));
    // Up to the stamp's resolution a change counts as read at once.
    EXPECT_EQ(EdgeAgeSeconds(kStampResolutionMs), 0.0);
    EXPECT_DOUBLE_EQ(EdgeAgeSeconds(kStampResolutionMs + 1), 0.001);
}

TEST_F(EventReadingTest, AnOverflowKeepsTheOldestThenReadsTheWholeState) {
    Start(1);
    // 64 changes fill the buffer; the 65th and later are dropped.
    for (int i = 0; i < 32; ++i) {
        joysticks.SetButton(0, 1, true);
        joysticks.SetButton(0, 1, false);
    }
    joysticks.SetButton(0, 2, true);
    joysticks.SetButton(0, 3, true);
    const auto kept = Edges();
    ASSERT_EQ(kept.size(), 64u);
    EXPECT_EQ(kept.back(), (Edge{1, 1, false}));
    EXPECT_FALSE(devices.ButtonDown(1, 2));
    // The next pass reads the state whole: buttons 2 and 3 are down, as a polled read finds
    // them, and no edge is made up for them; what happened before that read (a tap of button
    // 4) is in it and does not come again.
    joysticks.SetButton(0, 4, true);
    joysticks.SetButton(0, 4, false);
    Pass();
    EXPECT_TRUE(devices.ButtonDown(1, 2) && devices.ButtonDown(1, 3));
    EXPECT_TRUE(Edges().empty());
    // Then the buffer is trusted again.
    joysticks.SetButton(0, 2, false);
    EXPECT_EQ(Edges(), (std::vector<Edge>{{1, 2, false}}));
}

TEST_F(EventReadingTest, ALostControllerIsReadWholeOnceAcquiredAgain) {
    Start(2);
    joysticks.SetButton(0, 1, true);
    joysticks.Unplug(0);
    // Lost: the change before the loss is gone with its buffer; the other pad goes on.
    joysticks.SetButton(1, 4, true);
    EXPECT_EQ(Edges(), (std::vector<Edge>{{2, 4, true}}));
    EXPECT_EQ(Pass(), 0); // cannot be acquired: the pass goes on with the next device
    EXPECT_EQ(devices.EventHandles().size(), 1u); // its event closed and no longer waited on
    joysticks.Replug(0);
    // Found again by the rescan the system's notice brings: a new object, listened to.
    ASSERT_TRUE(devices.RescanChanged(kWindow));
    EXPECT_EQ(devices.EventHandles().size(), 2u);
    Pass();
    Pass();
    EXPECT_TRUE(devices.ButtonDown(1, 1)); // read whole: held through the loss
    joysticks.SetButton(0, 1, false);
    EXPECT_EQ(Edges(), (std::vector<Edge>{{1, 1, false}}));
}

TEST_F(EventReadingTest, ControllersThatTakeNoEventOrArePastTheWaitsLimitAreReadEveryPass) {
    for (int c = 0; c < 4; ++c)
        joysticks.AddController(Guid(c), "Pad", 12);
    joysticks.SetPolled(0, true);
    joysticks.SetRefusesBuffer(1, true);
    joysticks.SetRefusesEvent(2, true);
    devices.Scan(kWindow);
    Settle(); // acquired and read before: listening unacquires first
    devices.StartEventReading();
    EXPECT_EQ(devices.EventHandles().size(), 1u);
    Settle();
    for (int c = 0; c < 4; ++c)
        joysticks.SetButton(c, 1, true);
    EXPECT_EQ(Edges(), (std::vector<Edge>{{4, 1, true}}));
    const int reads = joysticks.Calls().StateReads;
    Pass();
    EXPECT_EQ(joysticks.Calls().StateReads, reads + 3);
    EXPECT_TRUE(devices.ButtonDown(1, 1) && devices.ButtonDown(2, 1) && devices.ButtonDown(3, 1));

    // The wait beside the poll timer takes at most 62 events: exactly that many all get one,
    // one more is read every pass.
    for (const int count :
         {InputDevices::kMaxEventControllers, InputDevices::kMaxEventControllers + 1}) {
        ScriptedJoystickApi pads;
        InputDevices layer(pads, boards, dialogs, nullptr);
        for (int c = 0; c < count; ++c)
            pads.AddController(Guid(c), "Pad", 4);
        layer.Scan(kWindow);
        layer.StartEventReading();
        EXPECT_EQ(std::pair(layer.EventHandles().size(), pads.Calls().Subscribed),
                  std::pair(std::size_t{62}, 62))
            << count;
    }
}

// Stop, a rescan and the end leave no event subscribed and nothing acquired.
TEST_F(EventReadingTest, StopRescanAndEndUnsubscribeEveryEvent) {
    Start(3);
    devices.StopEventReading();
    EXPECT_EQ(joysticks.Calls().Subscribed, 0);
    EXPECT_TRUE(devices.EventHandles().empty());
    // Read every pass again.
    joysticks.SetButton(0, 1, true);
    EXPECT_TRUE(Edges().empty());
    Settle();
    EXPECT_TRUE(devices.ButtonDown(1, 1));
    // A rescan while reading on events listens to the new objects only.
    devices.StartEventReading();
    EXPECT_EQ(joysticks.Calls().Subscribed, 3);
    joysticks.Unplug(2);
    devices.Scan(kWindow);
    EXPECT_EQ(joysticks.Calls().Subscribed, 2);
    EXPECT_EQ(devices.EventHandles().size(), 2u);
    {
        InputDevices layer(joysticks, boards, dialogs, nullptr);
        layer.Scan(kWindow);
        layer.StartEventReading();
        EXPECT_EQ(joysticks.Calls().Subscribed, 4);
    }
    EXPECT_EQ(joysticks.Calls().Subscribed, 2);
}

// Axes and hats: what the scan finds, what each read keeps, on one range whatever the device's.
class ControlsTest : public InputDevicesTest {
protected:
    static constexpr std::uint8_t kXYRzSlider2 = 0b1010'0011;
    void ScanAndRead() {
        devices.Scan(kWindow);
        Settle();
    }
    const ControlStates& Read(int d) {
        Pass();
        const auto* controls = devices.Controls(d);
        if (controls == nullptr)
            throw std::logic_error("no axes or hats");
        return *controls;
    }
};

TEST_F(ControlsTest, TheScanCountsAxesAndHatsAndReadsKeepThem) {
    joysticks.AddController(kGuidA, "Stick", 4);
    joysticks.SetControls(0, kXYRzSlider2, 2);
    joysticks.AddController(kGuidB, "Hats", 4);
    joysticks.SetControls(1, 0, 6);
    joysticks.AddController(kGuidC, "Plain", 4);
    boards.AddBoard(kPath, "Panel", 8);
    devices.Scan(kWindow);
    const auto& t = devices.Tables();
    EXPECT_EQ(std::tuple(t.Device(1).AxisMask, t.Device(1).HatCount, t.Device(2).AxisMask,
                         t.Device(2).HatCount, t.Device(3).HatCount, t.Device(4).AxisMask),
              std::tuple(kXYRzSlider2, 2, std::uint8_t{0}, 4, 0, std::uint8_t{0}));
    // The range is asked of the controller with axes, before anything is acquired.
    EXPECT_EQ(std::tuple(joysticks.Calls().RangesSet, joysticks.Calls().Acquires),
              std::tuple(1, 0));
    // Before the first read: at rest. A device without axes or hats has no controls.
    ASSERT_NE(devices.Controls(1), nullptr);
    EXPECT_EQ(devices.Controls(1)->Axes, ControlsAtRest().Axes);
    EXPECT_EQ(std::tuple(devices.Controls(3), devices.Controls(4), devices.Controls(5)),
              std::tuple(nullptr, nullptr, nullptr));

    ScanAndRead();
    joysticks.SetAxis(0, 1, kAxisMin);
    joysticks.SetAxis(0, 2, kAxisMax);
    joysticks.SetAxis(0, 6, 1);
    joysticks.SetAxis(0, 3, 0); // an axis it does not have
    joysticks.SetHat(0, 1, 35999);
    joysticks.SetHat(1, 4, 9000);
    const auto& stick = Read(1);
    EXPECT_EQ(stick.Axes,
              (std::array<std::int32_t, kAxisCount>{kAxisMin, kAxisMax, kAxisCentre, kAxisCentre,
                                                    kAxisCentre, 1, kAxisCentre, kAxisCentre}));
    EXPECT_EQ(std::tuple(stick.Hats[0], stick.Hats[1], stick.Hats[2]),
              std::tuple(35999u, kHatCentred, kHatCentred));
    EXPECT_EQ(devices.Controls(2)->Hats[3], 9000u);
    // Positions that are no direction read centred.
    for (const std::uint32_t odd : {36000u, 0x0001FFFFu, 0x7FFFFFFFu}) {
        joysticks.SetHat(0, 1, odd);
        EXPECT_EQ(Read(1).Hats[0], kHatCentred) << odd;
    }
    joysticks.SetHat(0, 1, 0);
    EXPECT_EQ(Read(1).Hats[0], 0u);
}

// A range refused, or asked while acquired, is the device's own: its values are scaled onto
// ours; a range the device does not say is taken as ours.
TEST_F(ControlsTest, ARefusedRangeIsScaledOntoOurs) {
    EXPECT_EQ(ScaleAxis(-1000, -1000, 1000), kAxisMin);
    EXPECT_EQ(ScaleAxis(-1001, -1000, 1000), kAxisMin);
    EXPECT_EQ(ScaleAxis(1000, -1000, 1000), kAxisMax);
    EXPECT_EQ(ScaleAxis(1001, -1000, 1000), kAxisMax);
    EXPECT_EQ(ScaleAxis(0, -1000, 1000), kAxisCentre);
    EXPECT_EQ(ScaleAxis(254, 0, 255), 65278);
    EXPECT_EQ(ScaleAxis(INT32_MAX, INT32_MIN, INT32_MAX), kAxisMax);
    EXPECT_EQ(ScaleAxis(INT32_MIN, INT32_MIN, INT32_MAX), kAxisMin);
    // An empty or reversed range: as it is, clamped.
    EXPECT_EQ(ScaleAxis(700, 5, 5), 700);
    EXPECT_EQ(ScaleAxis(70000, 10, -10), kAxisMax);
    EXPECT_EQ(ScaleAxis(-1, kAxisMin, kAxisMax), kAxisMin);
    EXPECT_EQ(ScaleAxis(kAxisMax + 1, kAxisMin, kAxisMax), kAxisMax);

    joysticks.AddController(kGuidA, "Fixed", 4);
    joysticks.SetControls(0, 0b11, 0);
    joysticks.SetOwnRange(0, -1000, 1000, true);
    joysticks.AddController(kGuidB, "Willing", 4);
    joysticks.SetControls(1, 0b11, 0);
    joysticks.SetOwnRange(1, -1000, 1000, false);
    joysticks.AddController(kGuidC, "Silent", 4);
    joysticks.SetControls(2, 0b11, 0);
    joysticks.SetOwnRange(2, 0, 255, true);
    joysticks.SetRangeUnknown(2, true);
    ScanAndRead();
    EXPECT_EQ(joysticks.Calls().RangesSet, 1);
    for (const int c : {0, 1}) {
        joysticks.SetAxis(c, 1, -1000);
        joysticks.SetAxis(c, 2, 1000);
    }
    joysticks.SetAxis(2, 1, 255);
    joysticks.SetAxis(2, 2, -3);
    Pass();
    for (const int d : {1, 2})
        EXPECT_EQ(std::pair(devices.Controls(d)->Axes[0], devices.Controls(d)->Axes[1]),
                  std::pair(kAxisMin, kAxisMax))
            << d;
    EXPECT_EQ(std::pair(devices.Controls(3)->Axes[0], devices.Controls(3)->Axes[1]),
              std::pair(255, kAxisMin));
    joysticks.SetAxis(0, 1, 0);
    joysticks.SetAxis(1, 1, 0);
    Pass();
    EXPECT_EQ(devices.Controls(1)->Axes[0], kAxisCentre);
    EXPECT_EQ(devices.Controls(2)->Axes[0], 32767); // the device's own rounding down
}

// Lost, or its read failing, a controller's axes and hats are at rest; its buttons keep what
// a failed read leaves them. Found again, its new object's range is set before it is acquired.
TEST_F(ControlsTest, ALostOrFailingControllerReadsAtRest) {
    joysticks.AddController(kGuidA, "Stick", 4);
    joysticks.SetControls(0, 0b1, 1);
    ScanAndRead();
    joysticks.SetAxis(0, 1, kAxisMax);
    joysticks.SetHat(0, 1, 0);
    joysticks.SetButton(0, 2, true);
    EXPECT_EQ(Read(1).Axes[0], kAxisMax);

    joysticks.SetReadFails(0, true);
    const auto& failing = Read(1);
    EXPECT_EQ(std::tuple(failing.Axes, failing.Hats[0], devices.ButtonDown(1, 2)),
              std::tuple(ControlsAtRest().Axes, kHatCentred, true));
    joysticks.SetReadFails(0, false);
    EXPECT_EQ(Read(1).Hats[0], 0u);

    joysticks.Unplug(0);
    Pass();
    ASSERT_TRUE(devices.Lost(1));
    EXPECT_EQ(devices.Controls(1), nullptr);
    joysticks.Replug(0);
    const int acquires = joysticks.Calls().Acquires;
    ASSERT_TRUE(devices.RescanChanged(kWindow));
    EXPECT_EQ(std::tuple(joysticks.Calls().RangesSet, joysticks.Calls().Acquires),
              std::tuple(2, acquires));
    EXPECT_EQ(devices.Controls(1)->Axes[0], kAxisCentre); // not read yet
    Pass();
    EXPECT_EQ(std::tuple(Read(1).Axes[0], Read(1).Hats[0]), std::tuple(kAxisMax, 0u));
}

// Read on events, buffered axis and hat changes move the states a pass sees, scaled as reads
// are, and make no edges; the button edges among them are as before.
TEST_F(ControlsTest, BufferedAxisAndHatChangesReachTheStatesWithoutEdges) {
    joysticks.AddController(kGuidA, "Stick", 4);
    joysticks.SetControls(0, kXYRzSlider2, 1);
    joysticks.SetOwnRange(0, 0, 1023, true);
    devices.Scan(kWindow);
    devices.StartEventReading();
    Settle();
    ASSERT_EQ(devices.EventHandles().size(), 1u);
    const int reads = joysticks.Calls().StateReads;
    joysticks.SetAxis(0, 1, 1023);
    joysticks.SetButton(0, 1, true);
    joysticks.SetHat(0, 1, 27000);
    joysticks.SetAxis(0, 8, 0);
    joysticks.ChangeOther(0, AxisOffset(3)); // an axis it does not have
    joysticks.ChangeOther(0, HatOffset(2));  // nor this hat
    joysticks.ChangeOther(0, 2);             // inside an axis
    const auto edges = devices.TakeEdges();
    ASSERT_EQ(edges.size(), 1u);
    EXPECT_EQ(std::tuple(edges[0].Device, edges[0].Button, edges[0].Down), std::tuple(1, 1, true));
    Pass();
    EXPECT_EQ(joysticks.Calls().StateReads, reads); // the buffer keeps them
    const auto* controls = devices.Controls(1);
    EXPECT_EQ(std::tuple(controls->Axes[0], controls->Axes[7], controls->Axes[2], controls->Hats[0],
                         controls->Hats[1]),
              std::tuple(kAxisMax, kAxisMin, kAxisCentre, 27000u, kHatCentred));
    joysticks.SetHat(0, 1, kHatCentred);
    EXPECT_TRUE(devices.TakeEdges().empty());
    EXPECT_EQ(devices.Controls(1)->Hats[0], kHatCentred);
}

} // namespace
} // namespace qm
