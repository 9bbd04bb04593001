#include "devices/device_change_watch.h"

namespace qm {

void DeviceChangeWatch::Notice(double now) {
    if (!pending_)
        first_ = now;
    pending_ = true;
    last_ = now;
}

bool DeviceChangeWatch::Due(double now) {
    if (!pending_ || (now - last_ < kSettleSeconds && now - first_ < kLongestWaitSeconds))
        return false;
    pending_ = false;
    return true;
}

} // namespace qm
