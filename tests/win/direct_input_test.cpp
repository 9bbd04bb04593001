// What the DirectInput 8 adapter decides itself, against the simulated dinput8.dll (loaded
// instead of the system's with WINEDLLOVERRIDES=dinput8=n,b; see tests/CMakeLists.txt): GUID
// text, attached controllers only, the flags and format it asks for, a failed read, axes on the
// range it sets and hats, and the DirectX check without the setup library.
#define DIRECTINPUT_VERSION 0x0800
#include "devices/input_devices.h"
#include "devices/win32/direct_input.h"
#include "devices/win32/directx_setup.h"

#include "sim/sim_controls.h"
#include "sim_support.h"
#include "support/fakes.h"

#include "ui/win32/poll_timer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <dinput.h>

#include <array>
#include <span>
#include <tuple>
#include <vector>

namespace qm {
namespace {

constexpr char kPadA[] = "{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E501}";
constexpr char kWheel[] = "{0BADC0DE-00AB-4CDE-8F00-00000000FACE}";

TEST(InstanceGuidTest, FormatsUpperCaseAndParsesEitherCase) {
    const GUID guid{0x0BADC0DE, 0x00AB, 0x4CDE, {0x8F, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFA, 0xCE}};
    EXPECT_EQ(win32::FormatInstanceGuid(guid), kWheel);
    const auto parsed = win32::ParseInstanceGuid("{0badc0de-00ab-4cde-8f00-00000000face}");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(win32::FormatInstanceGuid(*parsed), kWheel);
    for (const char* bad :
         {"", "0BADC0DE-00AB-4CDE-8F00-00000000FACE", "{0BADC0DE-00AB-4CDE-8F00-00000000FACE",
          "{0BADC0DE-00AB-4CDE-8F00+00000000FACE}", "{0BADC0DE-00AB-4CDE-8F00-00000000FACG}",
          " {0BADC0DE-00AB-4CDE-8F00-00000000FACE}"})
        EXPECT_FALSE(win32::ParseInstanceGuid(bad).has_value()) << bad;
}

TEST(DirectXSetupTest, WithoutTheSetupLibraryDirectInputDecides) {
    win32::Win32DirectXSetup setup;
    std::uint32_t version = 0;
    std::uint32_t revision = 0;
    if (!setup.HasSetupLibrary()) { // never there under Wine
        EXPECT_EQ(setup.GetVersion(version, revision), 0);
    }
    testing::RecordingDialogs dialogs;
    EXPECT_TRUE(CheckDXVersion(setup, dialogs));
    EXPECT_TRUE(dialogs.shown.empty());
}

class DirectInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing::SimulatedDirectInputLoaded()) << testing::kNotSimulated;
        ASSERT_NE(window_.Get(), nullptr);
    }

    // Two identical pads, then a wheel with more buttons than a state holds, its GUID in lower
    // case and its name outside ASCII.
    testing::SimDevices devices_{
        "controller | Twin Pad | {6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E501} | 12\n"
        "controller | Twin Pad | {6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E502} | 12\n"
        "controller | Gro\xC3\x9F"
        "es Lenkrad | {0badc0de-00ab-4cde-8f00-00000000face} | 200\n"};
    testing::TestWindow window_;
    win32::DirectInputJoysticks api_;
};

TEST_F(DirectInputTest, EnumeratesAttachedControllersOnlyAndCreatesKnownOnes) {
    EXPECT_EQ(api_.CreateDevice(kPadA), nullptr); // no DirectInput object yet
    EXPECT_TRUE(api_.EnumerateGameControllers().empty());
    ASSERT_TRUE(api_.Create());
    devices_.Controller(2).Unplugged = 1;
    const auto attached = api_.EnumerateGameControllers();
    ASSERT_EQ(attached.size(), 2u);
    EXPECT_EQ(attached[0].InstanceGuid, kPadA);
    EXPECT_EQ(attached[0].ProductName, "Twin Pad");
    EXPECT_EQ(attached[1].InstanceGuid, kWheel);
    EXPECT_EQ(attached[1].ProductName, "Gro\xC3\x9F"
                                       "es Lenkrad");
    EXPECT_NE(api_.CreateDevice("{6a1f0c10-2b3c-4d5e-8f90-a1b2c3d4e501}"), nullptr);
    EXPECT_EQ(api_.CreateDevice("{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E5FF}"), nullptr);
    EXPECT_EQ(api_.CreateDevice("Twin Pad"), nullptr);
}

TEST_F(DirectInputTest, SharedBackgroundAccessAllButtonsAndNoStateFromAFailedRead) {
    ASSERT_TRUE(api_.Create());
    auto wheel = api_.CreateDevice(kWheel);
    ASSERT_NE(wheel, nullptr);
    EXPECT_EQ(wheel->SetDataFormat(), kDiOk);
    EXPECT_EQ(wheel->SetCooperativeLevel(window_.Get()), kDiOk);
    EXPECT_EQ(devices_.Controller(3).CooperativeLevel,
              static_cast<std::uint32_t>(DISCL_NONEXCLUSIVE | DISCL_BACKGROUND));
    EXPECT_EQ(wheel->ButtonCount(), 200); // the capabilities' count, beyond the 128 states

    JoystickState state;
    state.Buttons.fill(0x55);
    EXPECT_EQ(wheel->GetState(state), kDiErrNotAcquired);
    EXPECT_EQ(state.Buttons[0], 0x55); // untouched by a failed read
    devices_.Controller(3).Buttons[127] = 0x80;
    ASSERT_EQ(wheel->Acquire(), kDiOk);
    ASSERT_EQ(wheel->GetState(state), kDiOk);
    EXPECT_EQ(state.Buttons[0], 0);
    EXPECT_EQ(state.Buttons[127], 0x80);
}

// Buffered data with an event, through the adapter over the simulated DirectInput: a tap written
// by another party wakes the event and gives both changes in order; a full buffer says so; an
// unplug sets the event and the read says the input is lost.
TEST_F(DirectInputTest, BufferedChangesWakeTheEventInOrder) {
    ASSERT_TRUE(api_.Create());
    auto pad = api_.CreateDevice(kPadA);
    ASSERT_NE(pad, nullptr);
    ASSERT_EQ(pad->SetDataFormat(), kDiOk);
    ASSERT_EQ(pad->SetCooperativeLevel(window_.Get()), kDiOk);
    EXPECT_FALSE(pad->IsPolledDevice());
    ASSERT_EQ(pad->Acquire(), kDiOk);
    EXPECT_EQ(pad->SetBufferSize(4), kDiErrAcquired); // only before the acquisition
    EXPECT_EQ(pad->SubscribeEvent(), nullptr);
    pad->Unacquire();
    ASSERT_EQ(pad->SetBufferSize(4), kDiOk);
    const auto event = static_cast<HANDLE>(pad->SubscribeEvent());
    ASSERT_NE(event, nullptr);
    ASSERT_EQ(pad->Acquire(), kDiOk);

    sim::ChangeWriter writer(devices_.State(), devices_.File());
    writer.SetButton(1, 2, true);
    writer.SetButton(1, 2, false);
    ASSERT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    std::array<BufferedChange, 8> changes{};
    std::size_t count = 0;
    ASSERT_EQ(pad->GetBufferedChanges(changes, count), kDiOk);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(std::tuple(changes[0].Offset, changes[0].Data & 0x80, changes[1].Data & 0x80),
              std::tuple(kFirstButtonOffset + 2, 0x80u, 0u));
    EXPECT_TRUE(SequenceBefore(changes[0].Sequence, changes[1].Sequence));

    // Four fit; the fifth and sixth are dropped, and the read says so once.
    for (int i = 0; i < 3; ++i)
        writer.SetButton(1, i, true);
    writer.SetButton(1, 0, false);
    writer.SetButton(1, 1, false);
    writer.SetButton(1, 2, false);
    ASSERT_EQ(pad->GetBufferedChanges(changes, count), kDiBufferOverflow);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(pad->GetBufferedChanges(changes, count), kDiOk);
    EXPECT_EQ(count, 0u);

    ResetEvent(event);
    writer.SetPlugged(1, false);
    ASSERT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(pad->GetBufferedChanges(changes, count), kDiErrInputLost);
    // Plugged back, the object made before stays unplugged: only a new one reads it.
    writer.SetPlugged(1, true);
    EXPECT_EQ(pad->Acquire(), kDiErrUnplugged);
    pad->UnsubscribeEvent(); // unacquires first, then gives the event up and closes it
    EXPECT_NE(pad->SubscribeEvent(), nullptr);
}

// Axes and hats: the ones the device has, our range set before the acquisition (or refused
// by a device that keeps its own), states and buffered changes of both.
class DirectInputControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing::SimulatedDirectInputLoaded()) << testing::kNotSimulated;
        ASSERT_TRUE(api_.Create());
    }
    std::unique_ptr<JoystickDevice> Open(const char* guid) {
        auto device = api_.CreateDevice(guid);
        if (device && (device->SetDataFormat() != kDiOk ||
                       device->SetCooperativeLevel(window_.Get()) != kDiOk))
            return nullptr;
        return device;
    }

    testing::SimDevices devices_{
        "controller | Stick | {6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E501} | 4 | axes=x,Y,rz,slider2 "
        "| hats=2 | range=-1000..1000\n"
        "controller | Wheel | {6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E502} | 4 | axes=1,7 | "
        "fixed_range=0..1023\n"
        "controller | Pad | {6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E503} | 4\n"};
    testing::TestWindow window_;
    win32::DirectInputJoysticks api_;
};

TEST_F(DirectInputControlsTest, AxesOnOurRangeAndHatsInStatesAndBufferedChanges) {
    auto stick = Open(kPadA);
    ASSERT_NE(stick, nullptr);
    EXPECT_EQ(std::tuple(stick->AxisMask(), stick->HatCount()),
              std::tuple(std::uint8_t{0b1010'0011}, 2));
    std::int32_t min = 0;
    std::int32_t max = 0;
    ASSERT_TRUE(stick->AxisRange(2, min, max));
    EXPECT_EQ(std::pair(min, max), std::pair(-1000, 1000)); // its own, until set
    EXPECT_FALSE(stick->AxisRange(3, min, max));            // no such axis
    ASSERT_EQ(stick->SetAxisRange(kAxisMin, kAxisMax), kDiOk);
    ASSERT_TRUE(stick->AxisRange(8, min, max));
    EXPECT_EQ(std::pair(min, max), std::pair(kAxisMin, kAxisMax));
    ASSERT_EQ(stick->SetBufferSize(8), kDiOk);
    const auto event = static_cast<HANDLE>(stick->SubscribeEvent());
    ASSERT_NE(event, nullptr);
    ASSERT_EQ(stick->Acquire(), kDiOk);
    EXPECT_EQ(stick->SetAxisRange(0, 255), kDiErrAcquired);

    // The positions are the controller's own, reported on ours: its limits are ours, its
    // quarter is ours.
    sim::ChangeWriter writer(devices_.State(), devices_.File());
    writer.SetAxis(1, 0, -1000);
    writer.SetAxis(1, 1, 1000);
    writer.SetAxis(1, 5, -500);
    writer.SetHat(1, 1, 22500);
    JoystickState state;
    state.Controls.Axes.fill(-7);
    ASSERT_EQ(stick->GetState(state), kDiOk);
    EXPECT_EQ(state.Controls.Axes, (std::array<std::int32_t, kAxisCount>{
                                       kAxisMin, kAxisMax, 0, 0, 0, 16384, 0, kAxisCentre}));
    EXPECT_EQ(std::tuple(state.Controls.Hats[0], state.Controls.Hats[1], state.Controls.Hats[2]),
              std::tuple(kHatCentred, 22500u, kHatCentred));

    ASSERT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    std::array<BufferedChange, 8> changes{};
    std::size_t count = 0;
    ASSERT_EQ(stick->GetBufferedChanges(changes, count), kDiOk);
    ASSERT_EQ(count, 4u);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> got;
    for (std::size_t i = 0; i < count; ++i)
        got.emplace_back(changes[i].Offset, changes[i].Data);
    EXPECT_EQ(got, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                       {AxisOffset(1), static_cast<std::uint32_t>(kAxisMin)},
                       {AxisOffset(2), static_cast<std::uint32_t>(kAxisMax)},
                       {AxisOffset(6), 16384u},
                       {HatOffset(2), 22500u}}));
    // Axes and hats it does not have change nothing; a hat back in the centre does.
    writer.SetAxis(1, 2, 500);
    writer.SetHat(1, 2, 9000);
    writer.SetHat(1, 1, sim::kSimHatCentred);
    ASSERT_EQ(stick->GetBufferedChanges(changes, count), kDiOk);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(std::pair(changes[0].Offset, changes[0].Data), std::pair(HatOffset(2), kHatCentred));
}

TEST_F(DirectInputControlsTest, AFixedRangeIsRefusedAndKeptAndADeviceWithoutAxesHasNone) {
    auto wheel = Open("{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E502}");
    ASSERT_NE(wheel, nullptr);
    EXPECT_EQ(std::tuple(wheel->AxisMask(), wheel->HatCount()),
              std::tuple(std::uint8_t{0b0100'0001}, 0));
    EXPECT_LT(wheel->SetAxisRange(kAxisMin, kAxisMax), 0);
    std::int32_t min = 0;
    std::int32_t max = 0;
    ASSERT_TRUE(wheel->AxisRange(7, min, max));
    EXPECT_EQ(std::pair(min, max), std::pair(0, 1023));
    ASSERT_EQ(wheel->Acquire(), kDiOk);
    sim::ChangeWriter writer(devices_.State(), devices_.File());
    writer.SetAxis(2, 6, 1023);
    JoystickState state;
    ASSERT_EQ(wheel->GetState(state), kDiOk);
    EXPECT_EQ(std::pair(state.Controls.Axes[0], state.Controls.Axes[6]), std::pair(512, 1023));

    auto pad = Open("{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E503}");
    ASSERT_NE(pad, nullptr);
    EXPECT_EQ(std::tuple(pad->AxisMask(), pad->HatCount()), std::tuple(std::uint8_t{0}, 0));
    EXPECT_FALSE(pad->AxisRange(1, min, max));
}

// The wait of a thread's loop: a client's event runs its handling, the timer its pass, and
// nothing is waited on that the client no longer gives.
TEST(PollWaitTest, EventsAndTicksReachTheirHandlers) {
    struct Client final : win32::PollClient {
        std::vector<void*> events;
        int ticks = 0, handled = 0;
        std::span<void* const> PollEvents() const override { return events; }
        void OnTick() noexcept override { ++ticks; }
        void OnEvents() noexcept override { ++handled; }
    } client;
    win32::PollTimer timer;
    win32::UniqueHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    client.events.push_back(event.Get());
    EXPECT_EQ(win32::WaitAndPoll(timer, client, 0, 0), win32::PollWake::TimedOut);
    SetEvent(event.Get());
    EXPECT_EQ(win32::WaitAndPoll(timer, client, 5000, 0), win32::PollWake::Events);
    EXPECT_EQ(client.handled, 1);
    timer.Start(5);
    EXPECT_EQ(win32::WaitAndPoll(timer, client, 5000, 0), win32::PollWake::Tick);
    EXPECT_EQ(client.ticks, 1);
    timer.Stop();
    client.events.clear();
    SetEvent(event.Get());
    EXPECT_EQ(win32::WaitAndPoll(timer, client, 0, 0), win32::PollWake::TimedOut);
}

} // namespace
} // namespace qm
