#pragma once
// What a main window hears of devices that come and go: the system sends every top-level
// window WM_DEVICECHANGE with DBT_DEVNODES_CHANGED when a device node is added or removed,
// and a window registered for the HID interface class also hears each board's and
// controller's interface arrive (DBT_DEVICEARRIVAL) and go (DBT_DEVICEREMOVECOMPLETE).
#include "core/win32/win32_handle.h"

#include <windows.h>

namespace qm::win32 {

// Registers `window` for the arrivals and removals of HID interfaces; empty when refused.
UniqueDeviceNotification RegisterHidNotifications(HWND window);

// Whether WM_DEVICECHANGE with this wParam says that devices came or went.
bool SaysDevicesChanged(WPARAM event);

} // namespace qm::win32
