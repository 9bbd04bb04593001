#pragma once
// Owners of system handles: each releases its handle when it goes away. One template serves
// every kind; a kind is its Traits (how to close it, and which values mean "none").
#include <windows.h>

#include <utility>

namespace qm::win32 {

template <class Handle, class Traits> class UniqueOf {
public:
    UniqueOf() = default;
    // Takes a handle as the opening call returned it.
    explicit UniqueOf(Handle handle) : handle_(handle) {}
    UniqueOf(UniqueOf&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    UniqueOf& operator=(UniqueOf&& other) noexcept {
        if (this != &other)
            Reset(std::exchange(other.handle_, Handle{}));
        return *this;
    }
    UniqueOf(const UniqueOf&) = delete;
    UniqueOf& operator=(const UniqueOf&) = delete;
    ~UniqueOf() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return Valid(handle_); }
    void Reset(Handle handle = Handle{}) {
        if (Valid(handle_))
            Traits::Close(handle_);
        handle_ = handle;
    }
    // Hands the handle over to something that closes it itself.
    Handle Release() { return std::exchange(handle_, Handle{}); }

private:
    static bool Valid(Handle handle) {
        if constexpr (requires { Traits::Valid(handle); })
            return Traits::Valid(handle);
        else
            return handle != Handle{};
    }
    Handle handle_{};
};

// Kernel objects (files, processes, events, ...): opening calls give null or
// INVALID_HANDLE_VALUE for none.
struct KernelHandleTraits {
    static bool Valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
using UniqueHandle = UniqueOf<HANDLE, KernelHandleTraits>;

// Modules loaded with LoadLibrary*.
struct ModuleTraits {
    static void Close(HMODULE module) { FreeLibrary(module); }
};
using UniqueModule = UniqueOf<HMODULE, ModuleTraits>;

// Windows hooks set with SetWindowsHookEx.
struct HookTraits {
    static void Close(HHOOK hook) { UnhookWindowsHookEx(hook); }
};
using UniqueHook = UniqueOf<HHOOK, HookTraits>;

// Event hooks set with SetWinEventHook.
struct WinEventHookTraits {
    static void Close(HWINEVENTHOOK hook) { UnhookWinEvent(hook); }
};
using UniqueWinEventHook = UniqueOf<HWINEVENTHOOK, WinEventHookTraits>;

// Registrations for device notifications (RegisterDeviceNotification).
struct DeviceNotificationTraits {
    static void Close(HDEVNOTIFY notification) { UnregisterDeviceNotification(notification); }
};
using UniqueDeviceNotification = UniqueOf<HDEVNOTIFY, DeviceNotificationTraits>;

// Timers of the calling thread, set with SetTimer and no window.
struct ThreadTimerTraits {
    static void Close(UINT_PTR timer) { KillTimer(nullptr, timer); }
};
using UniqueThreadTimer = UniqueOf<UINT_PTR, ThreadTimerTraits>;

// The function `name` exported by a module, as the type `Function`; null when not exported.
template <class Function> Function ExportOf(HMODULE module, const char* name) {
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace qm::win32
