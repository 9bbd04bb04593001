#pragma once
// The device layer both programs compile in: the DirectX check, the scan of game controllers
// and boards into the device tables, and the per-pass read of each device.
#include "core/dialogs.h"
#include "core/status.h"
#include "devices/board_library.h"
#include "devices/device_reader.h"
#include "devices/device_tables.h"
#include "devices/joystick_api.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace qm {

// What the DirectX check asks of the platform.
class DirectXSetup {
public:
    virtual ~DirectXSetup() = default;
    // Whether the setup library (with DirectXSetupGetVersion) exists.
    virtual bool HasSetupLibrary() = 0;
    // DirectXSetupGetVersion: 0 on failure.
    virtual int GetVersion(std::uint32_t& version, std::uint32_t& revision) = 0;
    // Whether a DirectInput 8 object can be created.
    virtual bool CanCreateDirectInput() = 0;
};

// CheckDXVersion: true when DirectX 8 or later is there; shows its own messages otherwise.
bool CheckDXVersion(DirectXSetup& setup, Dialogs& dialogs);

class InputDevices final : public DeviceReader {
public:
    // `status` receives the runner's status texts; the editor passes null.
    InputDevices(JoystickApi& joysticks, BoardLibrary& boards, Dialogs& dialogs,
                 StatusSink* status);
    // Unacquires and releases the controllers and closes the boards.
    ~InputDevices() override;
    InputDevices(const InputDevices&) = delete;
    InputDevices& operator=(const InputDevices&) = delete;

    // Set before each scan; while false the scan builds nothing.
    bool DevicesReady = true;

    // InitDirectInput: rebuilds the tables from the attached game controllers (the previous
    // controllers are unacquired and released first). DetectDevices then appends the boards.
    void InitDirectInput(WindowHandle mainWindow);
    void DetectDevices();
    // Both, as start-up and a rescan do.
    void Scan(WindowHandle mainWindow);
    // Releases the boards (program end).
    void CloseBoards();
    // Unacquires every controller; the next read acquires it again.
    void UnacquireControllers();
    // Where the reads' boxes and status texts go from now on (the passes of the editor's live
    // test run on a thread of their own and report through it).
    void ReportTo(Dialogs& dialogs, StatusSink* status) {
        dialogs_ = &dialogs;
        status_ = status;
    }

    const DeviceTables& Tables() const { return tables_; }
    DeviceTables& Tables() { return tables_; }

    // DeviceReader: one read of device d per pass.
    int DeviceCount() const override { return tables_.DeviceCount(); }
    bool ReadDevice(int d, int& buttons) override;
    bool ButtonDown(int d, int b) const override;
    // The last states read: 128 bytes for a controller, 512 for a board.
    std::span<const std::uint8_t> ButtonStates(int d) const override;
    bool ReadFailing() const override { return failingBoards_ > 0; }

private:
    struct Controller;
    // Creates and configures one device object per controller and adds them to the tables.
    void CreateControllerObjects(WindowHandle mainWindow,
                                 const std::vector<JoystickInstance>& attached);
    // Unacquires and releases the controllers' device objects.
    void ReleaseControllers();
    // Drops the boards from the tables, keeping the controllers before them.
    void RemoveBoardsFromTables();
    bool ReadController(int d, int& buttons);
    // One read of board h into its states.
    void ReadFromDevice(int h);

    JoystickApi& joysticks_;
    BoardLibrary& boards_;
    Dialogs* dialogs_;
    StatusSink* status_;
    DeviceTables tables_;
    // Controller i belongs to device index i + 1: controllers come first in the tables.
    std::vector<Controller> controllers_;
    std::vector<HidDeviceRecord> hidDevices_;
    // Boards open since the last detection (0 to 129).
    std::int16_t hidDeviceCount_ = 0;
    // HidButtons: state byte of button k + 1 of board h at [h][k].
    std::vector<std::array<std::uint8_t, kMaxBoardButtons + 1>> hidButtons_;
    // Whether board h's last read failed, and how many boards' last read did.
    std::array<bool, kHidRecordCount> hidFailing_{};
    int failingBoards_ = 0;
};

} // namespace qm
