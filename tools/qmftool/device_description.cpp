#include "device_description.h"

#include "core/json.h"

#include <cmath>

namespace qm::tool {

namespace {

const std::string* StringMember(const json::Value& v, std::string_view name) {
    const auto* member = v.Find(name);
    return member ? member->AsString() : nullptr;
}

bool AddElement(const json::Value& v, std::size_t index, DescribedDevices& out,
                std::string& error) {
    const auto where = "device " + std::to_string(index + 1) + ": ";
    const auto* kind = StringMember(v, "kind");
    const auto* name = StringMember(v, "name");
    const auto* buttons = v.Find("buttons") ? v.Find("buttons")->AsNumber() : nullptr;
    if (!kind || !name || !buttons) {
        error = where + "needs \"kind\", \"name\" and \"buttons\"";
        return false;
    }
    if (*buttons < 0 || *buttons != std::floor(*buttons) || *buttons > 32767) {
        error = where + "\"buttons\" must be a whole number from 0 to 32767";
        return false;
    }
    const int count = static_cast<int>(*buttons);
    if (*kind == "joystick") {
        const auto* identity = StringMember(v, "identity");
        if (!identity) {
            error = where + "a joystick needs \"identity\"";
            return false;
        }
        out.Elements.push_back({true, out.Joysticks.AddController(*identity, *name, count)});
        return true;
    }
    if (*kind == "board") {
        const auto* path = StringMember(v, "path");
        if (!path) {
            error = where + "a board needs \"path\"";
            return false;
        }
        out.Elements.push_back({false, out.Boards.AddBoard(*path, *name, count)});
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

bool ReadDeviceDescription(const std::string& jsonText, DescribedDevices& out, std::string& error) {
    const auto doc = json::Parse(jsonText, error);
    if (!doc)
        return false;
    const auto* array = doc->AsArray();
    if (!array) {
        error = "the device description must be a JSON array";
        return false;
    }
    for (std::size_t i = 0; i < array->size(); ++i)
        if (!AddElement((*array)[i], i, out, error))
            return false;
    return true;
}

} // namespace qm::tool
