#include "device_description.h"

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
        out.Elements.push_back({true, out.Joysticks.AddController(*identity, *name, buttons)});
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
