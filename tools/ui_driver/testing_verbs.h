#pragma once
// What the scripts need around the editor's live test: the simulated buttons as a script names
// them, the test window and its log, and the priority class of the program.
#include "harness.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::e2e {

// A simulated device as a script names it: "controller1", "board2" (numbers from 1, in the
// order of the device file).
struct SimulatedDevice {
    bool Board = false;
    int Number = 0;
};
std::optional<SimulatedDevice> ParseSimulatedDevice(std::string_view word);

// Presses or releases a button, then waits until the program has read the new state twice;
// false when it did not within the time.
bool SetSimulatedButton(Simulation& devices, SimulatedDevice device, int button, bool down);

// The editor's test window of the process; null when it is not open.
HWND FindTestWindow(DWORD process);
// The lines of the test window's log (read once the program is idle: every key sent to it
// taken).
std::vector<std::wstring> TestLogLines(HWND testWindow);

// The priority class of a process as its name: "REALTIME", "HIGH", "ABOVE_NORMAL", "NORMAL",
// "BELOW_NORMAL", "IDLE", or the number.
std::string PriorityClassName(HANDLE process);

} // namespace qm::e2e
