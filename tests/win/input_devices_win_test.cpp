// The device layer end to end over the Win32 adapters and the simulated devices: the DirectX
// check, a scan, and read passes as the engine runs them.
#include "devices/input_devices.h"
#include "devices/win32/direct_input.h"
#include "devices/win32/directx_setup.h"
#include "devices/win32/orvhid_library.h"

#include "sim_support.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using testing::RecordingDialogs;
using testing::SimDevices;
using testing::TestWindow;

TEST(DirectXSetupTest, WithoutTheSetupLibraryDirectInputDecides) {
    win32::Win32DirectXSetup setup;
    std::uint32_t version = 0;
    std::uint32_t revision = 0;
    if (!setup.HasSetupLibrary()) { // never there under Wine
        EXPECT_EQ(setup.GetVersion(version, revision), 0);
    }
    EXPECT_TRUE(setup.CanCreateDirectInput());
    RecordingDialogs dialogs;
    EXPECT_TRUE(CheckDXVersion(setup, dialogs));
    EXPECT_TRUE(dialogs.shown.empty());
}

class InputDevicesWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing::SimulatedDirectInputLoaded()) << testing::kNotSimulated;
    }

    // One full pass: each device read once, until a device ends the pass.
    int Pass() {
        int read = 0;
        for (int d = 1; d <= devices_.DeviceCount(); ++d) {
            int buttons = 0;
            if (!devices_.ReadDevice(d, buttons))
                break;
            ++read;
        }
        return read;
    }

    SimDevices simulation_{"controller | Twin Pad | {6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E501} | 12\n"
                           "controller | Twin Pad | {6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E502} | 12\n"
                           "board | Empty Board | \\\\?\\hid#vid_1209&pid_0002#2 | 0\n"
                           "board | Sim Board | \\\\?\\hid#vid_1209&pid_0001#1&0000 | 32\n"};
    TestWindow window_;
    win32::DirectInputJoysticks joysticks_;
    win32::OrvhidLibrary boards_;
    RecordingDialogs dialogs_;
    InputDevices devices_{joysticks_, boards_, dialogs_, nullptr};
};

TEST_F(InputDevicesWinTest, ScanBuildsTheTablesFromTheSimulatedDevices) {
    devices_.Scan(window_.Get());
    ASSERT_TRUE(dialogs_.shown.empty()) << dialogs_.shown.front().text;
    const DeviceTables& tables = devices_.Tables();
    ASSERT_EQ(tables.DeviceCount(), 3);
    EXPECT_EQ(tables.Device(1).Identity, "{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E501}");
    EXPECT_EQ(tables.Device(2).Identity, "{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E502}");
    EXPECT_FALSE(tables.Device(3).IsDirectInput);
    EXPECT_EQ(tables.Device(3).HidIndex, 1); // the board without buttons is skipped
    EXPECT_EQ(tables.Device(3).Identity, "\\\\?\\hid#vid_1209&pid_0001#1");
    EXPECT_EQ(tables.ButtonTotal(), 56);
    EXPECT_EQ(tables.MaxButtons(), 32);
    EXPECT_EQ(tables.Button(13).ButtonNumber, 1);
    EXPECT_EQ(tables.Button(25).ButtonDeviceName, "Sim Board");

    const auto firstList = tables.ButtonList();
    devices_.Scan(window_.Get());
    EXPECT_EQ(devices_.Tables().ButtonList(), firstList);
}

TEST_F(InputDevicesWinTest, PassesAcquireLazilyAndFollowTheSimulatedStates) {
    devices_.Scan(window_.Get());
    ASSERT_EQ(devices_.DeviceCount(), 3);
    EXPECT_EQ(Pass(), 0); // acquires controller 1
    EXPECT_EQ(Pass(), 1); // acquires controller 2
    EXPECT_EQ(Pass(), 3);

    simulation_.Controller(2).Buttons[4] = 0x80;
    simulation_.Board(2).Buttons[6] = 1;
    EXPECT_EQ(Pass(), 3);
    EXPECT_TRUE(devices_.ButtonDown(2, 5));
    EXPECT_FALSE(devices_.ButtonDown(1, 5));
    EXPECT_TRUE(devices_.ButtonDown(3, 7));

    // An unplugged first controller does not hold up the others.
    simulation_.Controller(1).Unplugged = 1;
    ++simulation_.Controller(1).UnplugCount;
    simulation_.Controller(2).Buttons[4] = 0;
    EXPECT_EQ(Pass(), 3);
    EXPECT_EQ(Pass(), 3);
    EXPECT_FALSE(devices_.ButtonDown(2, 5));

    // Board results: 3 keeps the states, 4 releases them.
    simulation_.Board(2).Result = 3;
    EXPECT_EQ(Pass(), 3);
    EXPECT_TRUE(devices_.ButtonDown(3, 7));
    simulation_.Board(2).Result = 4;
    EXPECT_EQ(Pass(), 3);
    EXPECT_FALSE(devices_.ButtonDown(3, 7));

    // Back: re-acquired on one pass, read on the next.
    simulation_.Controller(1).Unplugged = 0;
    simulation_.Controller(1).Buttons[0] = 0x80;
    EXPECT_EQ(Pass(), 0);
    EXPECT_EQ(Pass(), 3);
    EXPECT_TRUE(devices_.ButtonDown(1, 1));
    EXPECT_TRUE(dialogs_.shown.empty());
}

} // namespace
} // namespace qm
