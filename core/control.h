#pragma once
// What a mapping row reads on its device: a button, one direction of a hat, or an axis (one
// direction from its centre, or a band of its position). A row's number (the file's first
// line) is the button, hat or axis number; its control code says which kind and direction.
#include "core/app_error.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qm {

enum class ControlKind : std::uint8_t { Button, Hat, Axis };

// Hat directions clockwise from up; a diagonal is odd.
inline constexpr int kHatDirectionCount = 8;
// Axis rows: towards the low end, towards the high end, or a band of the position.
enum class AxisSide : std::uint8_t { Minus, Plus, Band };

inline constexpr int kMaxHatNumber = 4;
inline constexpr int kMaxAxisNumber = 8;

struct Control {
    ControlKind Kind = ControlKind::Button;
    int Direction = 0; // a hat's direction (0 up ... 7 up-left) or an AxisSide
    AxisSide Side() const { return static_cast<AxisSide>(Direction); }
    bool IsBand() const { return Kind == ControlKind::Axis && Side() == AxisSide::Band; }
    bool operator==(const Control&) const = default;
};

// The control code as the file stores it: "" for a button, "HAT UP" ... "HAT UP LEFT",
// "AXIS -", "AXIS +", "AXIS BAND". Spaces around it and letter case do not matter; any other
// text is no control.
std::optional<Control> ParseControlCode(std::string_view code);
std::string_view ControlCode(Control control);

// Whether `number` is one a control of that kind can have: buttons 1 to 512, hats 1 to 4, axes
// 1 to 8.
bool IsControlNumber(Control control, int number);

// A percentage range: a direction row's point is From (To is 100); a band's is From to To.
struct PointRange {
    int From = 0;
    int To = 100;
    bool operator==(const PointRange&) const = default;
};

// The press and release points of an axis row, in percent: a direction row is pressed once the
// axis is deflected at least Press.From percent from its centre towards its side and released
// once it is back below Release.From; a band row is pressed once the position (0 at the low
// end) is within Press and released once it leaves Release. Release always contains Press,
// so a value jittering at a point cannot chatter.
struct AxisPoints {
    PointRange Press;
    PointRange Release;
    bool operator==(const AxisPoints&) const = default;
};

// Defaults: a direction presses half-way and releases 20 points lower (at 30 %, which a
// resting or worn stick does not reach, with a gap jitter does not cross); a band (40-60 %
// unless given) releases 5 points outside itself.
inline constexpr int kDefaultPressPoint = 50;
inline constexpr int kDefaultReleasePoint = 30;
inline constexpr int kDefaultBandMargin = 5;
AxisPoints DefaultPoints(Control control, std::optional<PointRange> press = std::nullopt);

// A point as the file and the list give it: "50" (a direction) or "40-60" (a band), each
// number 0 to 100. Spaces and a trailing "%" are allowed. Nothing for any other text.
std::optional<PointRange> ParsePoint(std::string_view text, bool band);
std::string PointText(PointRange point, bool band);

// The points of a row from its texts, made sound: out-of-range or unreadable texts take the
// defaults, a band's ends are put in order, and the release range is widened to contain the
// press range.
AxisPoints PointsOf(Control control, std::string_view press, std::string_view release);

// The name a user reads: "Hat 1 Up", "Hat 2 Down Left", "X axis +", "Z rotation -",
// "Slider 1 40-60 %"; for a button its number.
std::string ControlName(Control control, int number, PointRange band = {});

// An axis's name alone: "X axis", ..., "Slider 2".
std::string_view AxisName(int number);

// What a version 1.5 record adds after the 74 lines of 1.4, in this order: the control code,
// the press point, the release point, Hold (yes/no), the layer (0 to 7, 0 the base), the
// pointer speed (pixels a second at full deflection, "" when none is set) and the pointer
// curve (1 linear, 2 steeper, "" when none is set).
inline constexpr int kControlFieldLines = 7;
inline constexpr int kMaxLayer = 7;
struct ControlFields {
    Control Which;
    AxisPoints Points; // axis rows only
    bool Hold = false;
    int Layer = 0;
    int PointerSpeed = 0; // 0: not set
    int PointerCurve = 0; // 0: not set
    bool operator==(const ControlFields&) const = default;
};
// The pointer speed of a row that sets none, pixels a second at full deflection.
inline constexpr int kDefaultPointerSpeed = 800;

// A number of a 1.5 record's field as a whole number: rounded, kept within +-1,000,000,000.
int WholeNumberOf(double value);

// Reads the lines a 1.5 record adds. Nothing when the record is not to be loaded: its control
// code is unknown or its layer is not 0 to 7 (a value that does not convert is noted first).
// A Hold or a pointer value that does not convert is noted and takes its default.
std::optional<ControlFields> ParseControlFields(std::span<const std::string_view> lines,
                                                const std::function<void(const AppError&)>& note);

} // namespace qm
