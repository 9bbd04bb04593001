#pragma once
// The state block the simulated devices share with simctl and test drivers: one named,
// pagefile-backed file mapping per device file.
//
// Name: "Local\QmSimDevices-" + 16 upper-case hex digits of the 64-bit FNV-1a hash of the device
// file's full path, upper-cased, as UTF-16 code units. The device file is the one named by the
// QM_SIM_DEVICES environment variable, so every process that sees the same variable (a program,
// its tests, simctl) finds the same block, and tests with their own device files do not meet.
//
// Life: the simulated DirectInput object (DirectInput8Create) and the simulated board detection
// (DetectHID) create the block when it does not exist yet and hold it open while they live;
// simctl only opens an existing one. The creator writes the defaults (every board's result 2)
// before it publishes Magic; an opener waits for Magic. Each DirectInput8Create and DetectHID
// writes the counts of the device file it has just read.
//
// Layout (little-endian, no padding; sizes fixed for 32- and 64-bit processes alike):
//   SharedState   header, then kMaxControllers ControllerSlot, then kMaxBoards BoardSlot, then
//                 the read log.
//   ControllerSlot   128 state bytes (buttons 1..128, as GetDeviceState reports them: 0x80 down),
//                    the unplugged flag, the count of unplug events, the configured button count,
//                    the flags of the last SetCooperativeLevel on any of its device objects; the
//                    configured axes (bit a-1 for axis a), hat count, whether the range is fixed
//                    and the controller's own range; the 8 axis positions on that range and the
//                    4 hat positions (hundredths of a degree, 0xFFFFFFFF centred).
//   BoardSlot        512 state bytes (buttons 1..512, non-zero down), ReadInputData's result,
//                    the configured button count (as written in the record, possibly hostile),
//                    the unplugged flag (an unplugged board is not detected and its reads fail).
//   ReadLog          the count of device reads so far and a ring of the last kReadLogEntries: the
//                    QueryPerformanceCounter value of each successful GetDeviceState, of each
//                    GetDeviceData that takes data, and of each ReadInputData call, and who was
//                    read. Test drivers use it to know that a program has seen a new button
//                    state, and to measure its poll period.
//   ChangeLog        every change of a controller's button, axis, hat or plug, numbered, in a ring
//   of the
//                    last kChangeLogEntries, written by simctl and test drivers together with the
//                    state bytes: the buffered data of the simulated DirectInput. A writer then
//                    sets the named event of ChangeEventName, on which the simulation in each
//                    program waits in a thread of its own and fills the buffers of its device
//                    objects (each read of a buffer also takes what is logged by then).
// Controller c (1-based) is slot c-1 and board h (1-based) slot h-1, in the device file's order.
#include "core/win32/win32_handle.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace qm::sim {

inline constexpr wchar_t kDevicesVariable[] = L"QM_SIM_DEVICES";

inline constexpr std::uint32_t kSharedMagic = 0x4D53'4D51; // "QMSM"
inline constexpr std::uint32_t kSharedVersion = 6;
inline constexpr int kMaxControllers = 300;
inline constexpr int kMaxBoards = 129;
inline constexpr int kControllerStateBytes = 128;
inline constexpr int kBoardStateBytes = 512;
inline constexpr std::uint8_t kControllerDown = 0x80;
inline constexpr std::uint8_t kBoardDown = 0x01;
inline constexpr std::int32_t kDefaultBoardResult = 2;
inline constexpr int kReadLogEntries = 8192;
// The source of a logged read: controller c is c, board h is kBoardReadSource + h.
inline constexpr std::uint32_t kBoardReadSource = 1000;
inline constexpr int kChangeLogEntries = 4096;
// The Button of a change that unplugs the controller (its buffered readers lose their input),
// and those of a change of axis a (from 0) and hat h (from 0), with their Value.
inline constexpr std::uint8_t kUnplugChange = 0xFF;
inline constexpr std::uint8_t kFirstAxisChange = 0x80;
inline constexpr std::uint8_t kFirstHatChange = 0x88;
inline constexpr int kControllerAxes = 8;
inline constexpr int kControllerHats = 4;

struct ControllerSlot {
    std::uint8_t Buttons[kControllerStateBytes];
    std::uint8_t Unplugged;
    std::uint8_t Reserved[3];
    // Incremented by every unplug: an acquisition made before it is lost, even after a replug.
    std::uint32_t UnplugCount;
    std::uint32_t ButtonCount;
    std::uint32_t CooperativeLevel;
    std::uint8_t AxisMask;
    std::uint8_t HatCount;
    std::uint8_t FixedRange; // DIPROP_RANGE is refused
    std::uint8_t Reserved2;
    std::int32_t RangeMin; // the controller's own range; the positions are on it
    std::int32_t RangeMax;
    std::int32_t Axes[kControllerAxes];
    std::uint32_t Hats[kControllerHats];
};
static_assert(sizeof(ControllerSlot) == 204);

struct BoardSlot {
    std::uint8_t Buttons[kBoardStateBytes];
    std::int32_t Result;
    std::int32_t ButtonCount;
    std::uint8_t Unplugged;
    std::uint8_t Reserved[7];
};
static_assert(sizeof(BoardSlot) == 528);

struct ReadStamp {
    std::int64_t Counter;   // QueryPerformanceCounter at the read
    std::uint32_t Source;   // see kBoardReadSource
    std::uint32_t Sequence; // the read's number + 1, written last: 0 or another number while
                            // the entry is not (yet) this read's
};
static_assert(sizeof(ReadStamp) == 16);

struct ReadLog {
    std::uint32_t Count; // reads so far; read i is Entries[i % kReadLogEntries]
    std::uint32_t Reserved;
    ReadStamp Entries[kReadLogEntries];
};

struct ButtonChange {
    std::int64_t Counter;     // QueryPerformanceCounter at the change
    std::uint32_t TickMs;     // GetTickCount at the change: the buffered data's time stamp
    std::uint16_t Controller; // from 1
    std::uint8_t Button;      // from 0, or kUnplugChange
    std::uint8_t Down;
    std::uint32_t Sequence; // the change's number + 1, written last (see ReadStamp)
    std::uint32_t Value;    // an axis's position, a hat's
};
static_assert(sizeof(ButtonChange) == 24);

struct ChangeLog {
    std::uint32_t Count; // changes so far; change i is Entries[i % kChangeLogEntries]
    std::uint32_t Reserved;
    ButtonChange Entries[kChangeLogEntries];
};

struct SharedState {
    std::uint32_t Magic;
    std::uint32_t Version;
    std::uint32_t ControllerCount;
    std::uint32_t BoardCount;
    ControllerSlot Controllers[kMaxControllers];
    BoardSlot Boards[kMaxBoards];
    ReadLog Reads;
    ChangeLog Changes;
};
static_assert(offsetof(SharedState, Controllers) == 16);
static_assert(offsetof(SharedState, Reads) % 8 == 0);

// Appends one read of `source` to the read log, stamped now.
void LogRead(SharedState& state, std::uint32_t source);

// Copies read `number` of the log; false when it is not (or no longer) in the ring.
bool LoggedRead(const SharedState& state, std::uint32_t number, ReadStamp& out);

// Tells every top-level window that devices came or went, as the system does when a device is
// plugged in or out (WM_DEVICECHANGE with DBT_DEVNODES_CHANGED): the system knows nothing of
// simulated devices.
void BroadcastDevicesChanged();

// The mapping name of a device file (see above).
std::wstring SharedStateName(const std::wstring& devicesFile);
// The name of the manual-reset event a writer sets after logging changes.
std::wstring ChangeEventName(const std::wstring& devicesFile);

// Copies change `number` of the log; false when it is not (or no longer) in the ring.
bool LoggedChange(const SharedState& state, std::uint32_t number, ButtonChange& out);

// The writing side: sets controller c's (from 1) button b (from 0), axis a (from 0; its
// position on the controller's own range), hat h (from 0) or plug, logs the change (nothing
// when the state is already so) and sets the change event, when a program made it.
class ChangeWriter {
public:
    ChangeWriter(SharedState& state, const std::wstring& devicesFile)
        : state_(state), eventName_(ChangeEventName(devicesFile)) {}
    void SetButton(int controller, int button, bool down);
    void SetAxis(int controller, int axis, std::int32_t position);
    void SetHat(int controller, int hat, std::uint32_t position);
    void SetPlugged(int controller, bool plugged);

private:
    void Log(int controller, std::uint8_t button, bool down, std::uint32_t value = 0);
    void Signal();

    SharedState& state_;
    std::wstring eventName_;
    win32::UniqueHandle event_;
};

// The device file named by QM_SIM_DEVICES; empty when the variable is not set.
std::wstring DevicesFileFromEnvironment();

// An open view of the state block.
class SharedView {
public:
    // Opens the block of `devicesFile`; with `create`, creates and initialises it when absent.
    // Null on failure, with the system error in `error`.
    static std::unique_ptr<SharedView> Open(const std::wstring& devicesFile, bool create,
                                            DWORD& error);
    // Takes ownership of an open mapping, not mapped yet.
    explicit SharedView(win32::UniqueHandle mapping) : mapping_(std::move(mapping)) {}
    ~SharedView();
    SharedView(const SharedView&) = delete;
    SharedView& operator=(const SharedView&) = delete;

    SharedState& State() const { return *state_; }

private:
    win32::UniqueHandle mapping_;
    SharedState* state_ = nullptr;
};

} // namespace qm::sim
