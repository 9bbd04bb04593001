#pragma once
// Where the device layer and the mapping engine report what they are doing (the runner's
// status bar). The editor passes none.
#include <string_view>

namespace qm {

class StatusSink {
public:
    virtual ~StatusSink() = default;
    // Called on every pass that sets a text: implementations ignore an unchanged text cheaply
    // and must not allocate for it.
    virtual void SetStatusText(std::string_view text) = 0;
};

namespace status {
inline constexpr std::string_view kDirectInputQuerying = "DirectInput Device: Querying Properties";
inline constexpr std::string_view kCustomQuerying = "Custom Input Device: Querying Properties";
inline constexpr std::string_view kAvailable = "Input Devices: Available";
inline constexpr std::string_view kNotAvailable = "Input Devices: Not Available";
inline constexpr std::string_view kReadFailure = "Input Devices: Device Read Failure!";
// "Input Devices: Button " + " 5" + " pressed": the number with its leading space.
inline constexpr std::string_view kButtonPressedPrefix = "Input Devices: Button ";
inline constexpr std::string_view kButtonPressedSuffix = " pressed";
// "Input Devices: " + the device's name + " disconnected" (or " reconnected").
inline constexpr std::string_view kDevicePrefix = "Input Devices: ";
inline constexpr std::string_view kDisconnectedSuffix = " disconnected";
inline constexpr std::string_view kReconnectedSuffix = " reconnected";
} // namespace status

} // namespace qm
