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
#include <string>
#include <string_view>
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

// One buffered change and the device (1-based) it came from.
struct DeviceChange {
    int Device = 0;
    BufferedChange Change;
};

// Whether sequence number a came before b, across a wrap of the numbers.
constexpr bool SequenceBefore(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) < 0;
}

// Puts the changes of several devices in the order they happened; each device's own come in
// order already. Allocates nothing.
void OrderBySequence(std::span<DeviceChange> changes);

// The stamps count the system tick, which steps by up to 16 ms: a change read within that is
// taken as read at once, one read later as that much less old than its stamp says.
inline constexpr std::uint32_t kStampResolutionMs = 16;
double EdgeAgeSeconds(std::uint32_t ageMs);

// A value of an axis that reports on min..max, put on kAxisMin..kAxisMax: linearly, rounded
// to the nearest, clamped to the range. An empty or reversed range leaves the value as it is,
// clamped.
std::int32_t ScaleAxis(std::int32_t value, std::int32_t min, std::int32_t max);
// A hat's position as the tables keep it: 0 to 35999, or kHatCentred for centred and for
// anything that is no direction.
std::uint32_t HatPosition(std::uint32_t value);

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
    // A rescan limited to what changed, once the system said devices came or went. A device
    // of the scan that is no longer attached is lost: its buttons count as up and it is not
    // read. A lost one that is attached again is set up anew in its old place in the tables,
    // matched by its identity, with the buttons it has now; the other devices are left as
    // they are (boards can only be detected all together: those still there keep their
    // states). Devices the scan did not find are left to the next scan. True when a device
    // was lost or found again.
    bool RescanChanged(WindowHandle mainWindow);

    // Axes and hats. Before a controller is first acquired, its axes are asked to report on
    // kAxisMin..kAxisMax; the range each then reports on is read back, and an axis whose device
    // refused keeps its own range, its values scaled onto ours (ScaleAxis); one whose range the
    // device does not say is taken as ours. Each read of a controller keeps its axes and hats,
    // and a failed read puts them at rest (its buttons keep their last states). Read on
    // events, its buffered axis and hat changes move them too but make no edges: a noisy axis
    // costs a wake of the waiting thread, a drain of the buffers and a store per change, no
    // keystroke work (and fills the buffer sooner: an overflow makes the next pass read it
    // whole).

    // Controllers read on their events (while the runner runs or the editor tests): each that
    // takes them, up to kMaxEventControllers, gets a buffer and an event before it is acquired,
    // now and at every later scan; its states then change by its buffered changes (TakeEdges),
    // and a pass reads its whole state only after an overflow or a loss. A controller beyond
    // them, or whose driver refuses a buffer or an event or wants polling, is read by the
    // passes as before. StopEventReading unacquires, unsubscribes and closes them.
    static constexpr int kEventBufferSize = 64;
    static constexpr int kMaxEventControllers = 62;
    void StartEventReading();
    void StopEventReading();
    // The events to wait on while reading on events; empty otherwise. Changed only by the
    // calls above and by a scan.
    std::span<const EventHandle> EventHandles() const { return eventHandles_; }
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
    const ControlStates* Controls(int d) const override;
    bool ReadFailing() const override { return failingBoards_ > 0; }
    std::span<const ButtonEdge> TakeEdges() override;
    bool Lost(int d) const override;
    std::string_view Notice() const override { return notice_; }

private:
    struct Controller;
    // Whether each device of the tables (d at d - 1) is lost, and the buttons a board has now.
    struct Presence {
        bool Lost = false;
        int BoardButtons = 0;
    };
    void MarkLost(int d);
    void MarkFound(int d);
    // A new device object for the lost controller of device d; false when it cannot be set up.
    bool ReconnectController(int d, WindowHandle mainWindow);
    // Detects the boards again and matches them to the boards of the tables by identity.
    void RedetectBoards(bool& changed);
    // Creates and configures one device object per controller and adds them to the tables.
    void CreateControllerObjects(WindowHandle mainWindow,
                                 const std::vector<JoystickInstance>& attached);
    // Unacquires and releases the controllers' device objects.
    void ReleaseControllers();
    // Drops the boards from the tables, keeping the controllers before them.
    void RemoveBoardsFromTables();
    bool ReadController(int d, int& buttons);
    // Learns the axes and hats of controller c's new object and sets their range; before it is
    // acquired.
    static void SetUpControls(Controller& c);
    // A read's axes and hats put on the tables' terms.
    static void KeepControls(Controller& c, const ControlStates& read);
    // A buffered change of an axis or a hat of controller c; anything else there is ignored.
    static void KeepChange(Controller& c, const BufferedChange& change);
    // Gives controller c a buffer and an event when it takes them.
    void ListenToController(Controller& c);
    void StopListening(Controller& c);
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
    // Reading on events: wanted, the events, and room for one drain (reserved, so that a pass
    // allocates nothing).
    bool onEvents_ = false;
    std::vector<EventHandle> eventHandles_;
    std::vector<DeviceChange> changes_;
    std::vector<BufferedChange> drained_;
    std::vector<ButtonEdge> edges_;
    std::vector<Presence> presence_;
    std::string notice_;
};

} // namespace qm
