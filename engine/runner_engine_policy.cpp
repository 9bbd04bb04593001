#include "engine/runner_engine_policy.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace qm {

RunnerEnginePolicy::RunnerEnginePolicy(RunnerTables& tables, StatusSink& status)
    : tables_(tables), status_(status) {
    Recount();
}

void RunnerEnginePolicy::Recount() {
    pressedCount_ =
        static_cast<int>(std::count_if(tables_.PressKeys.begin(), tables_.PressKeys.end(),
                                       [](const auto& k) { return k.Pressed != 0; }));
}

bool RunnerEnginePolicy::Handles(int m) const {
    return tables_.Mapping(m).Valid && tables_.Press(m).Acts();
}

void RunnerEnginePolicy::SetPressed(int m, bool pressed) {
    auto& field = tables_.Press(m).Pressed;
    if ((field != 0) != pressed)
        pressedCount_ += pressed ? 1 : -1;
    field = pressed ? -1 : 0;
}

void RunnerEnginePolicy::PressEdge(int /*d*/, int b, int /*m*/) {
    // "Input Devices: Button " + " 5" + " pressed", built without allocating.
    std::array<char, 64> text{};
    const auto prefix = status::kButtonPressedPrefix;
    const auto suffix = status::kButtonPressedSuffix;
    char* p = std::copy(prefix.begin(), prefix.end(), text.data());
    if (b >= 0)
        *p++ = ' ';
    p = std::to_chars(p, text.data() + 40, b).ptr;
    p = std::copy(suffix.begin(), suffix.end(), p);
    status_.SetStatusText(std::string_view(text.data(), static_cast<std::size_t>(p - text.data())));
}

void RunnerEnginePolicy::ControlPressEdge(int /*d*/, std::string_view name, int /*m*/) {
    // "Input Devices: " + "Hat 1 Up" + " pressed", built without allocating.
    std::array<char, 64> text{};
    const std::string_view prefix = "Input Devices: ";
    const auto suffix = status::kButtonPressedSuffix;
    name = name.substr(0, text.size() - prefix.size() - suffix.size());
    char* p = std::copy(prefix.begin(), prefix.end(), text.data());
    p = std::copy(name.begin(), name.end(), p);
    p = std::copy(suffix.begin(), suffix.end(), p);
    status_.SetStatusText(std::string_view(text.data(), static_cast<std::size_t>(p - text.data())));
}

void RunnerEnginePolicy::PassEnd(bool anyDown, bool readFailing, std::string_view deviceNotice) {
    // A board that keeps failing keeps its message readable; a device lost or found again is
    // named until the next scan.
    if (!anyDown && !readFailing)
        status_.SetStatusText(deviceNotice.empty() ? status::kAvailable : deviceNotice);
}

} // namespace qm
