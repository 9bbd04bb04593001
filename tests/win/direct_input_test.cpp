// The DirectInput 8 adapter against the simulated dinput8.dll (loaded instead of the system's
// with WINEDLLOVERRIDES=dinput8=n,b; see tests/CMakeLists.txt).
#define DIRECTINPUT_VERSION 0x0800
#include "devices/win32/direct_input.h"

#include "sim_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <dinput.h>

namespace qm {
namespace {

using testing::RunFromProgramFolder;
using testing::SimDevices;
using testing::TestWindow;

constexpr char kPadA[] = "{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E501}";
constexpr char kPadB[] = "{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E502}";
constexpr char kWheel[] = "{0BADC0DE-00AB-4CDE-8F00-00000000FACE}";

class DirectInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing::SimulatedDirectInputLoaded()) << testing::kNotSimulated;
        ASSERT_NE(window_.Get(), nullptr);
    }

    // A configured device of the given controller, not acquired.
    std::unique_ptr<JoystickDevice> Configured(const char* guid) {
        auto device = api_.CreateDevice(guid);
        if (device) {
            EXPECT_EQ(device->SetDataFormat(), kDiOk);
            EXPECT_EQ(device->SetCooperativeLevel(window_.Get()), kDiOk);
        }
        return device;
    }

    // Two identical pads, then a wheel with more buttons than a state can hold; the wheel's
    // GUID is written in lower case.
    SimDevices devices_{"# test controllers\n"
                        "controller | Twin Pad | {6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E501} | 12\n"
                        "controller | Twin Pad | {6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E502} | 12\n"
                        "controller | Gro\xC3\x9F"
                        "es Lenkrad | {0badc0de-00ab-4cde-8f00-00000000face} | 200\n"};
    TestWindow window_;
    win32::DirectInputJoysticks api_;
};

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

TEST_F(DirectInputTest, EnumeratesAttachedControllersInOrderWithTheirIdentities) {
    ASSERT_TRUE(api_.Create());
    const auto all = api_.EnumerateGameControllers();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].InstanceGuid, kPadA);
    EXPECT_EQ(all[1].InstanceGuid, kPadB);
    EXPECT_EQ(all[2].InstanceGuid, kWheel);
    EXPECT_EQ(all[0].ProductName, "Twin Pad");
    EXPECT_EQ(all[1].ProductName, "Twin Pad");
    EXPECT_EQ(all[2].ProductName, "Gro\xC3\x9F"
                                  "es Lenkrad");

    // Only attached controllers are enumerated.
    devices_.Controller(2).Unplugged = 1;
    const auto attached = api_.EnumerateGameControllers();
    ASSERT_EQ(attached.size(), 2u);
    EXPECT_EQ(attached[0].InstanceGuid, kPadA);
    EXPECT_EQ(attached[1].InstanceGuid, kWheel);
    EXPECT_EQ(api_.CreateDevice(kPadB), nullptr);
}

TEST_F(DirectInputTest, DeviceObjectsNeedTheApiAndAKnownGuid) {
    EXPECT_EQ(api_.CreateDevice(kPadA), nullptr); // no DirectInput object yet
    EXPECT_TRUE(api_.EnumerateGameControllers().empty());
    ASSERT_TRUE(api_.Create());
    EXPECT_NE(api_.CreateDevice(kPadA), nullptr);
    EXPECT_NE(api_.CreateDevice("{6a1f0c10-2b3c-4d5e-8f90-a1b2c3d4e501}"), nullptr);
    EXPECT_EQ(api_.CreateDevice("{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E5FF}"), nullptr);
    EXPECT_EQ(api_.CreateDevice("Twin Pad"), nullptr);
}

TEST_F(DirectInputTest, ButtonStatesAreReadOnceAcquired) {
    ASSERT_TRUE(api_.Create());
    auto wheel = Configured(kWheel);
    ASSERT_NE(wheel, nullptr);
    // Shared with other programs and read in the background.
    EXPECT_EQ(devices_.Controller(3).CooperativeLevel,
              static_cast<std::uint32_t>(DISCL_NONEXCLUSIVE | DISCL_BACKGROUND));
    EXPECT_EQ(wheel->ButtonCount(), 200); // the capabilities' count, beyond the 128 states

    JoystickButtons buttons{};
    buttons.fill(0x55);
    EXPECT_EQ(wheel->GetState(buttons), kDiErrNotAcquired);
    EXPECT_EQ(buttons[0], 0x55); // untouched by a failed read

    devices_.Controller(3).Buttons[0] = 0x80;
    devices_.Controller(3).Buttons[127] = 0x80;
    ASSERT_EQ(wheel->Acquire(), kDiOk);
    ASSERT_EQ(wheel->GetState(buttons), kDiOk);
    EXPECT_EQ(buttons[0], 0x80);
    EXPECT_EQ(buttons[1], 0);
    EXPECT_EQ(buttons[127], 0x80);
    EXPECT_GE(wheel->Poll(), 0);

    devices_.Controller(3).Buttons[0] = 0;
    ASSERT_EQ(wheel->GetState(buttons), kDiOk);
    EXPECT_EQ(buttons[0], 0);

    wheel->Unacquire();
    EXPECT_EQ(wheel->GetState(buttons), kDiErrNotAcquired);
    EXPECT_LT(wheel->Poll(), 0);
}

TEST_F(DirectInputTest, AnUnpluggedControllerIsLostUntilReacquiredAfterTheReplug) {
    ASSERT_TRUE(api_.Create());
    auto pad = Configured(kPadA);
    ASSERT_NE(pad, nullptr);
    ASSERT_EQ(pad->Acquire(), kDiOk);
    JoystickButtons buttons{};
    ASSERT_EQ(pad->GetState(buttons), kDiOk);

    auto& slot = devices_.Controller(1);
    slot.Unplugged = 1;
    ++slot.UnplugCount;
    EXPECT_EQ(pad->GetState(buttons), kDiErrInputLost);
    EXPECT_LT(pad->Acquire(), 0);
    EXPECT_EQ(pad->GetState(buttons), kDiErrInputLost);

    slot.Unplugged = 0;
    EXPECT_EQ(pad->GetState(buttons), kDiErrNotAcquired);
    ASSERT_EQ(pad->Acquire(), kDiOk);
    slot.Buttons[4] = 0x80;
    ASSERT_EQ(pad->GetState(buttons), kDiOk);
    EXPECT_EQ(buttons[4], 0x80);

    // Unplugged and back between two reads: the acquisition is gone all the same.
    slot.Unplugged = 1;
    ++slot.UnplugCount;
    slot.Unplugged = 0;
    EXPECT_EQ(pad->GetState(buttons), kDiErrInputLost);
    EXPECT_EQ(pad->Acquire(), kDiOk);
    EXPECT_EQ(pad->GetState(buttons), kDiOk);
}

TEST_F(DirectInputTest, SimctlDrivesTheSimulatedControllers) {
    // Before any program opened the simulation, simctl has nothing to drive.
    EXPECT_EQ(RunFromProgramFolder(L"simctl.exe", L"press 1 1").ExitCode, 3u);

    ASSERT_TRUE(api_.Create());
    auto pad = Configured(kPadB);
    ASSERT_NE(pad, nullptr);
    ASSERT_EQ(pad->Acquire(), kDiOk);
    JoystickButtons buttons{};

    EXPECT_EQ(RunFromProgramFolder(L"simctl.exe", L"press 2 12").ExitCode, 0u);
    ASSERT_EQ(pad->GetState(buttons), kDiOk);
    EXPECT_EQ(buttons[11], 0x80);
    const auto status = RunFromProgramFolder(L"simctl.exe", L"status");
    EXPECT_EQ(status.ExitCode, 0u);
    EXPECT_NE(status.Output.find("controller 2: 12 buttons, plugged in, down: 12"),
              std::string::npos)
        << status.Output;
    EXPECT_EQ(RunFromProgramFolder(L"simctl.exe", L"release 2 12").ExitCode, 0u);
    ASSERT_EQ(pad->GetState(buttons), kDiOk);
    EXPECT_EQ(buttons[11], 0);

    EXPECT_EQ(RunFromProgramFolder(L"simctl.exe", L"unplug 2").ExitCode, 0u);
    EXPECT_EQ(pad->GetState(buttons), kDiErrInputLost);
    EXPECT_EQ(RunFromProgramFolder(L"simctl.exe", L"replug 2").ExitCode, 0u);
    EXPECT_EQ(pad->Acquire(), kDiOk);

    // Bad usage: no such controller or button, unknown command, missing argument.
    for (const wchar_t* bad : {L"press 4 1", L"press 2 13", L"press 3 129", L"press 0 1",
                               L"push 1 1", L"press 1", L"unplug"})
        EXPECT_EQ(RunFromProgramFolder(L"simctl.exe", bad).ExitCode, 2u) << bad;
}

} // namespace
} // namespace qm
