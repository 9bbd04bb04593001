#include "core/control.h"

#include "core/qmf_file.h"
#include "core/qmf_values.h"
#include "core/text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace qm {

namespace {

constexpr std::array<std::string_view, kHatDirectionCount> kHatCodes = {
    "HAT UP",   "HAT UP RIGHT",  "HAT RIGHT", "HAT DOWN RIGHT",
    "HAT DOWN", "HAT DOWN LEFT", "HAT LEFT",  "HAT UP LEFT"};
constexpr std::array<std::string_view, kHatDirectionCount> kHatNames = {
    "Up", "Up Right", "Right", "Down Right", "Down", "Down Left", "Left", "Up Left"};
constexpr std::array<std::string_view, 3> kAxisCodes = {"AXIS -", "AXIS +", "AXIS BAND"};
constexpr std::array<std::string_view, kMaxAxisNumber> kAxisNames = {
    "X axis", "Y axis", "Z axis", "X rotation", "Y rotation", "Z rotation", "Slider 1", "Slider 2"};

std::optional<int> Percent(std::string_view text) {
    text = TrimSpaces(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 ||
        value > 100)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<Control> ParseControlCode(std::string_view code) {
    const std::string key = UpperCase(TrimSpaces(code));
    if (key.empty())
        return Control{};
    for (int i = 0; i < kHatDirectionCount; ++i)
        if (key == kHatCodes[static_cast<std::size_t>(i)])
            return Control{ControlKind::Hat, i};
    for (int i = 0; i < static_cast<int>(kAxisCodes.size()); ++i)
        if (key == kAxisCodes[static_cast<std::size_t>(i)])
            return Control{ControlKind::Axis, i};
    return std::nullopt;
}

std::string_view ControlCode(Control control) {
    switch (control.Kind) {
    case ControlKind::Hat:
        return kHatCodes[static_cast<std::size_t>(control.Direction)];
    case ControlKind::Axis:
        return kAxisCodes[static_cast<std::size_t>(control.Direction)];
    case ControlKind::Button:
        break;
    }
    return "";
}

bool IsControlNumber(Control control, int number) {
    switch (control.Kind) {
    case ControlKind::Hat:
        return number >= 1 && number <= kMaxHatNumber;
    case ControlKind::Axis:
        return number >= 1 && number <= kMaxAxisNumber;
    case ControlKind::Button:
        break;
    }
    return number >= 1 && number <= kMaxButtonNumber;
}

AxisPoints DefaultPoints(Control control, std::optional<PointRange> press) {
    if (control.IsBand()) {
        const PointRange band = press.value_or(PointRange{40, 60});
        return {band,
                {std::max(band.From - kDefaultBandMargin, 0),
                 std::min(band.To + kDefaultBandMargin, 100)}};
    }
    const int from = press ? press->From : kDefaultPressPoint;
    return {{from, 100}, {std::max(from - (kDefaultPressPoint - kDefaultReleasePoint), 0), 100}};
}

std::optional<PointRange> ParsePoint(std::string_view text, bool band) {
    text = TrimSpaces(text);
    if (!text.empty() && text.back() == '%')
        text.remove_suffix(1);
    if (!band) {
        const auto from = Percent(text);
        return from ? std::optional(PointRange{*from, 100}) : std::nullopt;
    }
    const auto dash = text.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const auto from = Percent(text.substr(0, dash));
    const auto to = Percent(text.substr(dash + 1));
    if (!from || !to)
        return std::nullopt;
    return PointRange{*from, *to};
}

std::string PointText(PointRange point, bool band) {
    if (!band)
        return std::to_string(point.From);
    return std::to_string(point.From) + "-" + std::to_string(point.To);
}

AxisPoints PointsOf(Control control, std::string_view press, std::string_view release) {
    const bool band = control.IsBand();
    auto pressed = ParsePoint(press, band);
    if (pressed && pressed->From > pressed->To)
        std::swap(pressed->From, pressed->To);
    AxisPoints points = DefaultPoints(control, pressed);
    if (const auto released = ParsePoint(release, band)) {
        points.Release = *released;
        if (points.Release.From > points.Release.To)
            std::swap(points.Release.From, points.Release.To);
    }
    if (!band) {
        // A direction at rest (the centre) is never down: its points are at least 1 %.
        points.Press.From = std::max(points.Press.From, 1);
        points.Release.From = std::max(points.Release.From, 1);
        points.Press.To = points.Release.To = 100;
    }
    points.Release.From = std::min(points.Release.From, points.Press.From);
    points.Release.To = std::max(points.Release.To, points.Press.To);
    return points;
}

std::string ControlName(Control control, int number, PointRange band) {
    const std::string n = std::to_string(number);
    switch (control.Kind) {
    case ControlKind::Hat:
        return "Hat " + n + " " +
               std::string(kHatNames[static_cast<std::size_t>(control.Direction)]);
    case ControlKind::Axis: {
        std::string name(AxisName(number));
        if (control.IsBand())
            return name + " " + PointText(band, true) + " %";
        return name + (control.Side() == AxisSide::Plus ? " +" : " -");
    }
    case ControlKind::Button:
        break;
    }
    return n;
}

std::string_view AxisName(int number) {
    if (number < 1 || number > kMaxAxisNumber)
        return "Axis";
    return kAxisNames[static_cast<std::size_t>(number - 1)];
}

int WholeNumberOf(double value) {
    constexpr double kLimit = 1e9;
    if (!(value == value)) // NaN
        return 0;
    return static_cast<int>(std::nearbyint(std::clamp(value, -kLimit, kLimit)));
}

std::optional<ControlFields> ParseControlFields(std::span<const std::string_view> lines,
                                                const std::function<void(const AppError&)>& note) {
    std::string scratch;
    const auto which = ParseControlCode(TrimmedTextOf(lines[0], scratch));
    if (!which) {
        note(AppError(err::TypeMismatch));
        return std::nullopt;
    }
    ControlFields fields;
    fields.Which = *which;
    bool valid = true;
    const auto number = [&](std::string_view line, bool& converted) {
        converted = true;
        const Variant value = ParseQmfValue(line);
        if (value.kind() == Variant::Kind::String && TrimSpaces(*value.AsString()).empty())
            return 0; // "": not set
        // A pointer speed may pass 32767: the line is read as a number, not as an Integer.
        return WholeNumberOf(ConvertedOr(value, &Variant::ToNumber, 0.0, [&](const AppError& e) {
            note(e);
            converted = false;
        }));
    };
    if (fields.Which.Kind == ControlKind::Axis) {
        std::string release;
        const std::string press(TrimmedTextOf(lines[1], scratch));
        release = TrimmedTextOf(lines[2], scratch);
        fields.Points = PointsOf(fields.Which, press, release);
    }
    fields.Hold = ConvertedOr(ParseQmfValue(lines[3]), &Variant::ToBool, false, note);
    fields.Layer = number(lines[4], valid);
    if (!valid || fields.Layer < 0 || fields.Layer > kMaxLayer)
        return std::nullopt;
    bool converted = true;
    fields.PointerSpeed = std::max(number(lines[5], converted), 0);
    fields.PointerCurve = number(lines[6], converted);
    if (fields.PointerCurve != 1 && fields.PointerCurve != 2)
        fields.PointerCurve = 0;
    return fields;
}

} // namespace qm
