#include "device_description.h"

#include "sim/sim_controls.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace qm::tool {

namespace {

using Json = nlohmann::json;

const std::string* StringMember(const Json& v, const char* name) {
    const auto member = v.find(name);
    return member != v.end() && member->is_string() ? member->get_ptr<const std::string*>()
                                                    : nullptr;
}

// A joystick's "axes" (names "x" ... "slider2" or numbers 1 to 8, each once) and "hats" (0 to
// 4); either left out: none.
bool ReadControls(const Json& v, std::uint8_t& axisMask, int& hats, std::string& error) {
    if (const auto axes = v.find("axes"); axes != v.end()) {
        if (!axes->is_array()) {
            error = "\"axes\" must be a list of axis names";
            return false;
        }
        for (const auto& axis : *axes) {
            const int a =
                axis.is_string() ? sim::AxisNumber(axis.get<std::string>())
                : axis.is_number_unsigned()
                    ? static_cast<int>(std::min<std::uint64_t>(axis.get<std::uint64_t>(), 99))
                    : 0;
            const auto bit =
                static_cast<std::uint8_t>(a >= 1 && a <= sim::kSimAxes ? 1u << (a - 1) : 0);
            if (bit == 0 || (axisMask & bit) != 0) {
                error = "\"axes\" names x, y, z, rx, ry, rz, slider1 and slider2 (or 1 to 8), "
                        "each at most once";
                return false;
            }
            axisMask = static_cast<std::uint8_t>(axisMask | bit);
        }
    }
    if (const auto count = v.find("hats"); count != v.end()) {
        if (!count->is_number_unsigned() || count->get<std::uint64_t>() > sim::kSimHats) {
            error = "\"hats\" must be a whole number from 0 to 4";
            return false;
        }
        hats = static_cast<int>(count->get<std::uint64_t>());
    }
    return true;
}

bool AddElement(const Json& v, std::size_t index, DescribedDevices& out, std::string& error) {
    const auto where = "device " + std::to_string(index + 1) + ": ";
    const auto* kind = v.is_object() ? StringMember(v, "kind") : nullptr;
    const auto* name = v.is_object() ? StringMember(v, "name") : nullptr;
    const auto count = v.is_object() ? v.find("buttons") : v.end();
    if (!kind || !name || count == v.end() || !count->is_number()) {
        error = where + "needs \"kind\", \"name\" and \"buttons\"";
        return false;
    }
    const double buttonCount = count->get<double>();
    if (buttonCount < 0 || buttonCount != std::floor(buttonCount) || buttonCount > 32767) {
        error = where + "\"buttons\" must be a whole number from 0 to 32767";
        return false;
    }
    const int buttons = static_cast<int>(buttonCount);
    if (*kind == "joystick") {
        const auto* identity = StringMember(v, "identity");
        if (!identity) {
            error = where + "a joystick needs \"identity\"";
            return false;
        }
        std::uint8_t axisMask = 0;
        int hats = 0;
        if (!ReadControls(v, axisMask, hats, error)) {
            error = where + error;
            return false;
        }
        const int index = out.Joysticks.AddController(*identity, *name, buttons);
        out.Joysticks.SetControls(index, axisMask, hats);
        out.Elements.push_back({true, index, axisMask, hats});
        return true;
    }
    if (*kind == "board") {
        const auto* path = StringMember(v, "path");
        if (!path) {
            error = where + "a board needs \"path\"";
            return false;
        }
        out.Elements.push_back({false, out.Boards.AddBoard(*path, *name, buttons)});
        return true;
    }
    error = where + "\"kind\" must be \"joystick\" or \"board\"";
    return false;
}

} // namespace

void DescribedDevices::SetButton(int element, int button, bool down) {
    const auto& e = Elements.at(static_cast<std::size_t>(element - 1));
    if (e.Joystick)
        Joysticks.SetButton(e.Index, button, down);
    else
        Boards.SetButton(e.Index, button, down);
}

std::string DescribedDevices::SetAxis(int element, int axis, std::int32_t value) {
    const auto& e = Elements.at(static_cast<std::size_t>(element - 1));
    if (!e.Joystick || (e.AxisMask >> (axis - 1) & 1u) == 0)
        return std::string("device ") + std::to_string(element) + " has no axis " +
               sim::AxisName(axis);
    Joysticks.SetAxis(e.Index, axis, value);
    return {};
}

std::string DescribedDevices::SetHat(int element, int hat, std::uint32_t position) {
    const auto& e = Elements.at(static_cast<std::size_t>(element - 1));
    if (!e.Joystick || hat < 1 || hat > e.Hats)
        return "device " + std::to_string(element) + " has no hat " + std::to_string(hat);
    Joysticks.SetHat(e.Index, hat, position);
    return {};
}

bool ReadDeviceDescription(const std::string& jsonText, DescribedDevices& out, std::string& error) {
    const auto doc = Json::parse(jsonText, nullptr, false);
    if (doc.is_discarded()) {
        error = "not valid JSON";
        return false;
    }
    if (!doc.is_array()) {
        error = "the device description must be a JSON array";
        return false;
    }
    for (std::size_t i = 0; i < doc.size(); ++i)
        if (!AddElement(doc[i], i, out, error))
            return false;
    return true;
}

} // namespace qm::tool
