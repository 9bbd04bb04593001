#pragma once
// The names and values of a simulated controller's axes and hats, as the device file, simctl
// and the end-to-end driver write them.
//
//   axis   x, y, z, rx, ry, rz, slider1, slider2 (any case), or its number 1 to 8 in that order
//          (DIJOYSTATE2's: lX, lY, lZ, lRx, lRy, lRz, rglSlider[0], rglSlider[1])
//   value  a number on the controller's own range, or P% of that range (P from 0 to 100,
//          decimals allowed, rounded to the nearest value)
//   hat    position: up, up-right, right, down-right, down, down-left, left, up-left, centre
//          (or center), or hundredths of a degree clockwise from up, 0 to 35999
#include <cstdint>
#include <string_view>

namespace qm::sim {

inline constexpr int kSimAxes = 8;
inline constexpr int kSimHats = 4;
inline constexpr std::uint32_t kSimHatCentred = 0xFFFFFFFFu;

// The axis (1 to 8) of a name or number; 0 when there is none.
int AxisNumber(std::string_view name);
// The name of axis a (1 to 8): "x" ... "slider2".
const char* AxisName(int a);
// A value on min..max from a number or a percentage; false when it is neither or beyond.
bool ParseAxisValue(std::string_view text, std::int32_t min, std::int32_t max, std::int32_t& value);
// A hat position from a direction or a number; false when it is neither.
bool ParseHatPosition(std::string_view text, std::uint32_t& position);

} // namespace qm::sim
