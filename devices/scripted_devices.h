#pragma once
// Scripted stand-ins for the joystick and board-library seams: devices that exist only in
// memory, with button states set by the caller. Used by the native tests and by dry runs.
#include "devices/board_library.h"
#include "devices/joystick_api.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// Game controllers. Every device object starts unacquired (reads give DIERR_NOTACQUIRED until
// Acquire succeeds); objects created for the same controller share its button, axis and hat
// states. An object given a buffer collects, while acquired, every change of its controller's
// buttons, axes and hats (numbered across all controllers, the newest dropped when full) and
// sets its event, a counter here, at each. A controller's axes report on its own range until
// an object sets another (not while acquired; not at all when the controller refuses).
class ScriptedJoystickApi final : public JoystickApi {
public:
    struct Counters {
        int Creates = 0;         // DirectInput objects created
        int DevicesCreated = 0;  // device objects
        int DevicesReleased = 0; // device objects destroyed
        int Acquires = 0;        // Acquire calls, successful or not
        int Unacquires = 0;
        int StateReads = 0;
        int Polls = 0;
        int Subscribed = 0; // events subscribed now
        int BufferedReads = 0;
        int Flushes = 0;
        int RangesSet = 0; // axis ranges set (taken) on an object not acquired
    };

    ScriptedJoystickApi();

    // Attaches a controller; returns its index, from 0. `buttons` is the count its capabilities
    // report, and may exceed the 128 buttons that have a state byte.
    int AddController(std::string guid, std::string name, int buttons);
    // Buttons beyond 128 have no state byte: setting them does nothing.
    // The change is stamped `ageMs` before the objects' next read.
    void SetButton(int controller, int button1Based, bool down, std::uint32_t ageMs = 0);
    // An unplugged controller is no longer enumerated; its objects lose their input (reads give
    // DIERR_INPUTLOST) and cannot be acquired (DIERR_UNPLUGGED), not even once it is plugged
    // in again: only an object made after that reads it.
    void Unplug(int controller);
    void Replug(int controller);
    // CreateDevice gives no object for this controller.
    void SetCreateDeviceFails(int controller, bool fails);
    // The controller's driver wants polling, or refuses a buffer, or an event.
    void SetPolled(int controller, bool polled);
    void SetRefusesBuffer(int controller, bool refuses);
    void SetRefusesEvent(int controller, bool refuses);
    // How often the events of the controller's objects were set; a change of an axis (no
    // button) at `offset`, as a device reports one.
    int EventsSet(int controller) const;
    void ChangeOther(int controller, std::uint32_t offset);
    // The count the capabilities of objects made from now on report.
    void SetButtonCount(int controller, int buttons);
    // The axes (bit a - 1 for axis a) and hats (any count; a state has 4) the controller has.
    void SetControls(int controller, std::uint8_t axisMask, int hats);
    // The range its axes report on until an object sets another; `fixed`: it refuses to.
    void SetOwnRange(int controller, std::int32_t min, std::int32_t max, bool fixed);
    // Moves axis a (1-based) to `value` on the controller's own range; each object reports it
    // on its own. Stamped `ageMs` before the objects' next read.
    void SetAxis(int controller, int axis, std::int32_t value, std::uint32_t ageMs = 0);
    // Moves hat h (1-based) to `position` (hundredths of a degree, or kHatCentred).
    void SetHat(int controller, int hat, std::uint32_t position);
    // AxisRange fails: the driver does not say.
    void SetRangeUnknown(int controller, bool unknown);
    // The objects' state reads fail with a generic error while set.
    void SetReadFails(int controller, bool fails);

    // Create() fails while set.
    bool CreateFails = false;

    const Counters& Calls() const;

    bool Create() override;
    std::vector<JoystickInstance> EnumerateGameControllers() override;
    std::unique_ptr<JoystickDevice> CreateDevice(const std::string& instanceGuid) override;

private:
    struct Shared;
    class Device;
    std::shared_ptr<Shared> shared_;
};

// The maker's board library. Detection copies each board's record into the caller's table;
// reads report the board's result (2 by default, with the current states).
class ScriptedBoardLibrary final : public BoardLibrary {
public:
    struct Counters {
        int Detects = 0;
        int Closes = 0;
        int Reads = 0;
        std::int16_t LastCloseCount = 0;
    };

    // Adds a board (texts in UTF-8, stored in the record as ANSI); returns its record index.
    // Boards beyond the 129 records of a table are never reported.
    int AddBoard(std::string path, std::string product, int buttons);
    void SetButton(int board, int button1Based, bool down);
    // An unplugged board is not detected and its reads fail (result 4).
    void SetPlugged(int board, bool plugged);
    // What ReadInputData returns for the board.
    void SetResult(int board, std::int32_t result);
    // The record detection reports for the board; write hostile bytes into it at will.
    HidDeviceRecord& Record(int board);

    // The count detection writes, instead of the number of boards.
    std::optional<std::int16_t> CountOverride;
    // False: behaves as a missing library (detection returns 0 and finds nothing).
    bool Present = true;

    const Counters& Calls() const { return calls_; }

    std::int16_t DetectHID(std::int16_t& count, HidDeviceRecord* table, std::int32_t mode) override;
    std::int32_t ReadInputData(HidDeviceRecord& record, HidReadBuffer& buffer,
                               std::int32_t mode) override;
    void CloseDevices(std::int16_t count, HidDeviceRecord* table) override;

private:
    struct Board {
        HidDeviceRecord Record;
        std::array<std::uint8_t, kMaxBoardButtons> States{};
        std::int32_t Result = kHidNewData;
        bool Unplugged = false;
    };
    Board& At(int board);

    std::vector<Board> boards_;
    const HidDeviceRecord* table_ = nullptr; // the table of the open detection
    // The board of each record of the open detection.
    std::vector<std::size_t> open_;
    Counters calls_;
};

} // namespace qm
