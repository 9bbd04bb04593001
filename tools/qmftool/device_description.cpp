#include "device_description.h"

#include "core/json.h"
#include "devices/device_identity.h"

#include <algorithm>
#include <cmath>

namespace qm::tool {

namespace {

// The most buttons a board record can report, and the most boards the library reports.
constexpr int kMaxBoardButtons = 512;
constexpr int kMaxBoards = 129;

struct Element {
    bool Joystick = false;
    std::string Name;
    std::string Identity;
    int Buttons = 0;
};

bool ReadElement(const json::Value& v, std::size_t index, Element& e, std::string& error) {
    const auto where = "device " + std::to_string(index + 1) + ": ";
    const auto* kind = v.Find("kind") ? v.Find("kind")->AsString() : nullptr;
    const auto* name = v.Find("name") ? v.Find("name")->AsString() : nullptr;
    const auto* buttons = v.Find("buttons") ? v.Find("buttons")->AsNumber() : nullptr;
    if (!v.AsObject() || !kind || !name || !buttons) {
        error = where + "needs \"kind\", \"name\" and \"buttons\"";
        return false;
    }
    if (*buttons < 0 || *buttons != std::floor(*buttons) || *buttons > 100000) {
        error = where + "\"buttons\" must be a whole number from 0";
        return false;
    }
    e.Name = *name;
    e.Buttons = static_cast<int>(*buttons);
    if (*kind == "joystick") {
        const auto* identity = v.Find("identity") ? v.Find("identity")->AsString() : nullptr;
        if (!identity) {
            error = where + "a joystick needs \"identity\"";
            return false;
        }
        e.Joystick = true;
        e.Identity = *identity;
        return true;
    }
    if (*kind == "board") {
        const auto* path = v.Find("path") ? v.Find("path")->AsString() : nullptr;
        if (!path) {
            error = where + "a board needs \"path\"";
            return false;
        }
        e.Identity = BoardIdentity(*path);
        e.Buttons = std::min(e.Buttons, kMaxBoardButtons);
        return true;
    }
    error = where + "\"kind\" must be \"joystick\" or \"board\"";
    return false;
}

} // namespace

bool ReadDeviceDescription(const std::string& jsonText, DescribedDevices& out, std::string& error) {
    const auto doc = json::Parse(jsonText, error);
    if (!doc)
        return false;
    const auto* array = doc->AsArray();
    if (!array) {
        error = "the device description must be a JSON array";
        return false;
    }
    std::vector<Element> elements(array->size());
    for (std::size_t i = 0; i < array->size(); ++i)
        if (!ReadElement((*array)[i], i, elements[i], error))
            return false;

    out = DescribedDevices{};
    out.DeviceIndexOfElement.assign(elements.size(), 0);
    // Controllers first, in file order, then the boards that have buttons.
    int boards = 0;
    for (bool joysticks : {true, false}) {
        for (std::size_t i = 0; i < elements.size(); ++i) {
            auto& e = elements[i];
            if (e.Joystick != joysticks)
                continue;
            if (joysticks && out.Tables.DeviceCount() >= DeviceTables::kMaxDirectInputDevices)
                continue;
            if (!joysticks && (boards >= kMaxBoards || e.Buttons <= 0))
                continue;
            const int hidIndex = joysticks ? 0 : boards++;
            out.Tables.AddDevice({e.Joystick, hidIndex, e.Identity, e.Name, e.Buttons});
            out.DeviceIndexOfElement[i] = out.Tables.DeviceCount();
        }
    }
    return true;
}

} // namespace qm::tool
