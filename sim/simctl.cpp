// simctl: sets the buttons, axes, hats, plugs and read results of the simulated devices from
// scripts.
// It finds the simulation through QM_SIM_DEVICES, as the programs do; see README.md.
#include "sim/sim_controls.h"
#include "sim/sim_shared.h"

#include <windows.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using namespace qm::sim;

constexpr int kUsage = 2;
constexpr int kNoSimulation = 3;

const char kUsageText[] =
    "usage: simctl COMMAND [ARGS]\n"
    "  press C B          press button B of simulated controller C (both from 1)\n"
    "  release C B        release it\n"
    "  tap C B            press and release it at once (both reach a program reading its\n"
    "                     buffered data)\n"
    "  axis C A V         move axis A of controller C (x, y, z, rx, ry, rz, slider1,\n"
    "                     slider2, or 1 to 8) to V: a value on the controller's own range,\n"
    "                     or P% of it\n"
    "  hat C H P          turn hat H of controller C (from 1) to P: up, up-right, right,\n"
    "                     down-right, down, down-left, left, up-left, centre, or hundredths\n"
    "                     of a degree clockwise from up (0 to 35999)\n"
    "  unplug C           unplug controller C\n"
    "  replug C           plug it in again\n"
    "  board-press H B    press button B of simulated board H (both from 1)\n"
    "  board-release H B  release it\n"
    "  board-result H R   make board H's reads return R (2 new data, 3 none, 4 failure)\n"
    "  board-unplug H     unplug board H (not detected, its reads fail)\n"
    "  board-replug H     plug it in again\n"
    "  status             list the simulated devices and their pressed buttons\n"
    "The simulation is the one of the device file named by QM_SIM_DEVICES; a program using\n"
    "the simulated devices must be running. An unplug or a plug is told to every top-level\n"
    "window as the system tells it (WM_DEVICECHANGE, DBT_DEVNODES_CHANGED).\n";

int Usage(const char* problem) {
    if (problem != nullptr)
        std::fprintf(stderr, "simctl: %s\n", problem);
    std::fputs(kUsageText, stderr);
    return kUsage;
}

bool Number(const char* text, long long low, long long high, long long& value) {
    const std::string_view view(text);
    const auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), value);
    return ec == std::errc() && end == view.data() + view.size() && value >= low && value <= high;
}

void PrintDown(const std::uint8_t* buttons, int count) {
    std::printf(", down:");
    bool any = false;
    for (int b = 0; b < count; ++b) {
        if (buttons[b] != 0) {
            std::printf(" %d", b + 1);
            any = true;
        }
    }
    std::printf(any ? "\n" : " none\n");
}

int Status(const SharedState& state) {
    const auto controllers = std::min<std::uint32_t>(state.ControllerCount, kMaxControllers);
    const auto boards = std::min<std::uint32_t>(state.BoardCount, kMaxBoards);
    std::printf("%u controllers, %u boards\n", controllers, boards);
    for (std::uint32_t c = 0; c < controllers; ++c) {
        const ControllerSlot& slot = state.Controllers[c];
        std::printf("controller %u: %u buttons, %s", c + 1, slot.ButtonCount,
                    slot.Unplugged != 0 ? "unplugged" : "plugged in");
        PrintDown(slot.Buttons, static_cast<int>(std::min<std::uint32_t>(slot.ButtonCount,
                                                                         kControllerStateBytes)));
        if (slot.AxisMask == 0 && slot.HatCount == 0)
            continue;
        std::printf("  range %d..%d%s", slot.RangeMin, slot.RangeMax,
                    slot.FixedRange != 0 ? " (fixed)" : "");
        for (int a = 0; a < kControllerAxes; ++a)
            if ((slot.AxisMask >> a & 1u) != 0)
                std::printf(", %s %d", AxisName(a + 1), slot.Axes[a]);
        for (int h = 0; h < std::min<int>(slot.HatCount, kControllerHats); ++h) {
            if (slot.Hats[h] == kSimHatCentred)
                std::printf(", hat %d centre", h + 1);
            else
                std::printf(", hat %d %u", h + 1, slot.Hats[h]);
        }
        std::printf("\n");
    }
    for (std::uint32_t h = 0; h < boards; ++h) {
        const BoardSlot& slot = state.Boards[h];
        std::printf("board %u: %d buttons, %s, result %d", h + 1, slot.ButtonCount,
                    slot.Unplugged != 0 ? "unplugged" : "plugged in", slot.Result);
        PrintDown(slot.Buttons, std::clamp(slot.ButtonCount, 0, kBoardStateBytes));
    }
    return 0;
}

// axis C A V, hat C H P.
int SetControl(const std::string& command, char** argv, int c, const ControllerSlot& slot,
               ChangeWriter& writer) {
    if (command == "axis") {
        const int a = AxisNumber(argv[3]);
        if (a == 0 || (slot.AxisMask >> (a - 1) & 1u) == 0) {
            std::fprintf(stderr, "simctl: controller %d has no axis \"%s\"\n", c, argv[3]);
            return kUsage;
        }
        std::int32_t value = 0;
        if (!ParseAxisValue(argv[4], slot.RangeMin, slot.RangeMax, value)) {
            std::fprintf(stderr,
                         "simctl: \"%s\" is neither a value from %d to %d nor a percentage "
                         "from 0%% to 100%%\n",
                         argv[4], slot.RangeMin, slot.RangeMax);
            return kUsage;
        }
        writer.SetAxis(c, a - 1, value);
        return 0;
    }
    long long hat = 0;
    if (!Number(argv[3], 1, std::min<int>(slot.HatCount, kControllerHats), hat)) {
        std::fprintf(stderr, "simctl: controller %d has no hat \"%s\" (it has %d)\n", c, argv[3],
                     slot.HatCount);
        return kUsage;
    }
    std::uint32_t position = 0;
    if (!ParseHatPosition(argv[4], position)) {
        std::fprintf(stderr,
                     "simctl: \"%s\" is no hat position (up, up-right, ... up-left, centre, or "
                     "0 to 35999)\n",
                     argv[4]);
        return kUsage;
    }
    writer.SetHat(c, static_cast<int>(hat - 1), position);
    return 0;
}

int Run(int argc, char** argv, SharedState& state, ChangeWriter& writer) {
    const std::string command = argv[1];
    const int arguments = argc - 2;
    const bool controlCommand = command == "axis" || command == "hat";
    const bool controllerCommand = command == "press" || command == "release" || command == "tap" ||
                                   command == "unplug" || command == "replug" || controlCommand;
    const bool boardCommand = command == "board-press" || command == "board-release" ||
                              command == "board-result" || command == "board-unplug" ||
                              command == "board-replug";
    if (!controllerCommand && !boardCommand)
        return Usage(("unknown command \"" + command + "\"").c_str());
    const bool plugCommand = command == "unplug" || command == "replug" ||
                             command == "board-unplug" || command == "board-replug";
    const int wanted = plugCommand ? 1 : controlCommand ? 3 : 2;
    if (arguments != wanted)
        return Usage((command + " takes " + std::to_string(wanted) + " argument(s)").c_str());

    const long long devices = controllerCommand
                                  ? std::min<long long>(state.ControllerCount, kMaxControllers)
                                  : std::min<long long>(state.BoardCount, kMaxBoards);
    long long device = 0;
    if (!Number(argv[2], 1, devices, device)) {
        std::fprintf(stderr, "simctl: %s \"%s\" is not a number from 1 to %lld\n",
                     controllerCommand ? "controller" : "board", argv[2], devices);
        return kUsage;
    }

    if (controllerCommand) {
        ControllerSlot& slot = state.Controllers[device - 1];
        if (command == "unplug" || command == "replug") {
            writer.SetPlugged(static_cast<int>(device), command == "replug");
            BroadcastDevicesChanged();
            return 0;
        }
        if (controlCommand)
            return SetControl(command, argv, static_cast<int>(device), slot, writer);
        const long long buttons = std::min<long long>(slot.ButtonCount, kControllerStateBytes);
        long long button = 0;
        if (!Number(argv[3], 1, buttons, button)) {
            std::fprintf(stderr,
                         "simctl: button \"%s\" is not a number from 1 to %lld (controller %lld "
                         "has %u buttons, the first 128 can be read)\n",
                         argv[3], buttons, device, slot.ButtonCount);
            return kUsage;
        }
        const int c = static_cast<int>(device);
        const int b = static_cast<int>(button - 1);
        if (command == "tap") {
            writer.SetButton(c, b, true);
            writer.SetButton(c, b, false);
        } else {
            writer.SetButton(c, b, command == "press");
        }
        return 0;
    }

    BoardSlot& slot = state.Boards[device - 1];
    if (plugCommand) {
        slot.Unplugged = command == "board-unplug" ? 1 : 0;
        BroadcastDevicesChanged();
        return 0;
    }
    if (command == "board-result") {
        long long result = 0;
        if (!Number(argv[3], INT32_MIN, INT32_MAX, result)) {
            std::fprintf(stderr, "simctl: result \"%s\" is not a 32-bit number\n", argv[3]);
            return kUsage;
        }
        slot.Result = static_cast<std::int32_t>(result);
        return 0;
    }
    const long long buttons = std::clamp(slot.ButtonCount, 0, kBoardStateBytes);
    long long button = 0;
    if (!Number(argv[3], 1, buttons, button)) {
        std::fprintf(stderr, "simctl: button \"%s\" is not a number from 1 to %lld (board %lld)\n",
                     argv[3], buttons, device);
        return kUsage;
    }
    slot.Buttons[button - 1] = command == "board-press" ? kBoardDown : 0;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage(nullptr);
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsageText, stdout);
        return 0;
    }
    const std::wstring file = DevicesFileFromEnvironment();
    if (file.empty()) {
        std::fputs("simctl: QM_SIM_DEVICES is not set: no simulation to control\n", stderr);
        return kNoSimulation;
    }
    DWORD error = 0;
    const auto view = SharedView::Open(file, false, error);
    if (!view) {
        std::fprintf(stderr,
                     "simctl: no simulation is running for this device file (error %lu); start "
                     "a program that uses the simulated devices first\n",
                     static_cast<unsigned long>(error));
        return kNoSimulation;
    }
    if (std::strcmp(argv[1], "status") == 0)
        return argc == 2 ? Status(view->State()) : Usage("status takes no arguments");
    ChangeWriter writer(view->State(), file);
    return Run(argc, argv, view->State(), writer);
}
