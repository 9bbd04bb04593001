#define DIRECTINPUT_VERSION 0x0800
#include "devices/win32/direct_input.h"

#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"

#include <dinput.h>

#include <algorithm>
#include <cstddef>
#include <exception>
#include <vector>

namespace qm::win32 {
namespace {

DiResult Result(HRESULT hr) {
    return static_cast<DiResult>(hr);
}

class DirectInputDevice final : public JoystickDevice {
public:
    explicit DirectInputDevice(ComPtr<IDirectInputDevice8W> device) : device_(std::move(device)) {}
    // The event is unsubscribed before it closes, and the object released before that.
    ~DirectInputDevice() override { UnsubscribeEvent(); }
    DirectInputDevice(const DirectInputDevice&) = delete;
    DirectInputDevice& operator=(const DirectInputDevice&) = delete;

    DiResult SetDataFormat() override { return Result(device_->SetDataFormat(&c_dfDIJoystick2)); }
    DiResult SetCooperativeLevel(WindowHandle window) override {
        return Result(device_->SetCooperativeLevel(static_cast<HWND>(window),
                                                   DISCL_NONEXCLUSIVE | DISCL_BACKGROUND));
    }
    int ButtonCount() override {
        DIDEVCAPS caps{};
        caps.dwSize = sizeof caps;
        if (FAILED(device_->GetCapabilities(&caps)))
            return -1;
        return static_cast<int>(std::min<DWORD>(caps.dwButtons, 0x7FFFFFFF));
    }
    std::uint8_t AxisMask() override {
        std::uint8_t mask = 0;
        for (int a = 1; a <= kAxisCount; ++a) {
            DIDEVICEOBJECTINSTANCEW object{};
            object.dwSize = sizeof object;
            // Offsets of the format set: an axis the device lacks is not found there.
            if (SUCCEEDED(device_->GetObjectInfo(&object, AxisOffset(a), DIPH_BYOFFSET)))
                mask = static_cast<std::uint8_t>(mask | (1u << (a - 1)));
        }
        return mask;
    }
    int HatCount() override {
        DIDEVCAPS caps{};
        caps.dwSize = sizeof caps;
        if (FAILED(device_->GetCapabilities(&caps)))
            return -1;
        return static_cast<int>(std::min<DWORD>(caps.dwPOVs, 0x7FFFFFFF));
    }
    DiResult SetAxisRange(std::int32_t min, std::int32_t max) override {
        DIPROPRANGE range{};
        range.diph.dwSize = sizeof range;
        range.diph.dwHeaderSize = sizeof range.diph;
        range.diph.dwHow = DIPH_DEVICE;
        range.lMin = min;
        range.lMax = max;
        return Result(device_->SetProperty(DIPROP_RANGE, &range.diph));
    }
    bool AxisRange(int a, std::int32_t& min, std::int32_t& max) override {
        if (a < 1 || a > kAxisCount)
            return false;
        DIPROPRANGE range{};
        range.diph.dwSize = sizeof range;
        range.diph.dwHeaderSize = sizeof range.diph;
        range.diph.dwObj = AxisOffset(a);
        range.diph.dwHow = DIPH_BYOFFSET;
        if (FAILED(device_->GetProperty(DIPROP_RANGE, &range.diph)))
            return false;
        min = range.lMin;
        max = range.lMax;
        return true;
    }
    DiResult Acquire() override { return Result(device_->Acquire()); }
    void Unacquire() override { device_->Unacquire(); }
    DiResult Poll() override { return Result(device_->Poll()); }
    DiResult GetState(JoystickState& out) override {
        DIJOYSTATE2 state{};
        const HRESULT hr = device_->GetDeviceState(sizeof state, &state);
        if (FAILED(hr))
            return Result(hr);
        std::copy(std::begin(state.rgbButtons), std::end(state.rgbButtons), out.Buttons.begin());
        out.Controls.Axes = {state.lX,  state.lY,  state.lZ,           state.lRx,
                             state.lRy, state.lRz, state.rglSlider[0], state.rglSlider[1]};
        std::copy(std::begin(state.rgdwPOV), std::end(state.rgdwPOV), out.Controls.Hats.begin());
        return Result(hr);
    }

    bool IsPolledDevice() override {
        DIDEVCAPS caps{};
        caps.dwSize = sizeof caps;
        return SUCCEEDED(device_->GetCapabilities(&caps)) && (caps.dwFlags & DIDC_POLLEDDEVICE);
    }
    DiResult SetBufferSize(int changes) override {
        DIPROPDWORD size{};
        size.diph.dwSize = sizeof size;
        size.diph.dwHeaderSize = sizeof size.diph;
        size.diph.dwHow = DIPH_DEVICE;
        size.dwData = static_cast<DWORD>(std::max(changes, 0));
        const HRESULT hr = device_->SetProperty(DIPROP_BUFFERSIZE, &size.diph);
        if (SUCCEEDED(hr))
            records_.resize(size.dwData);
        return Result(hr);
    }
    EventHandle SubscribeEvent() override {
        if (event_)
            return nullptr;
        // Auto-reset: the wait that sees it takes it.
        UniqueHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!event)
            return nullptr;
        const HRESULT hr = device_->SetEventNotification(event.Get());
        if (hr == DI_POLLEDDEVICE)
            device_->SetEventNotification(nullptr);
        if (hr != DI_OK)
            return nullptr;
        event_ = std::move(event);
        return event_.Get();
    }
    void UnsubscribeEvent() override {
        if (!event_)
            return;
        // Refused while acquired; a handle still subscribed is never closed.
        device_->Unacquire();
        if (SUCCEEDED(device_->SetEventNotification(nullptr)))
            event_.Reset();
    }
    DiResult GetBufferedChanges(std::span<BufferedChange> out, std::size_t& count) override {
        count = 0;
        DWORD taken = static_cast<DWORD>(std::min(out.size(), records_.size()));
        const HRESULT hr =
            device_->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), records_.data(), &taken, 0);
        if (FAILED(hr))
            return Result(hr);
        const DWORD now = GetTickCount();
        count = std::min<std::size_t>(taken, out.size());
        for (std::size_t i = 0; i < count; ++i) {
            const DIDEVICEOBJECTDATA& r = records_[i];
            // A stamp ahead of the tick count read after it is as old as none.
            const DWORD age = now - r.dwTimeStamp;
            out[i] = {r.dwOfs, r.dwData, age <= 0x7FFFFFFFu ? age : 0, r.dwSequence};
        }
        return Result(hr);
    }
    DiResult FlushBuffer() override {
        DWORD all = INFINITE;
        return Result(device_->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), nullptr, &all, 0));
    }

private:
    // Declared first: closed after the device object that may set it is released.
    UniqueHandle event_;
    ComPtr<IDirectInputDevice8W> device_;
    std::vector<DIDEVICEOBJECTDATA> records_;
};
static_assert(sizeof(DIJOYSTATE2::rgbButtons) == kMaxJoystickButtons);
static_assert(DIJOFS_BUTTON(0) == kFirstButtonOffset &&
              offsetof(DIJOYSTATE2, rgbButtons) == kFirstButtonOffset);
static_assert(DIJOFS_X == AxisOffset(1) && DIJOFS_RZ == AxisOffset(6) &&
              DIJOFS_SLIDER(0) == AxisOffset(7) && DIJOFS_SLIDER(1) == AxisOffset(8) &&
              DIJOFS_POV(0) == HatOffset(1) && DIJOFS_POV(3) == HatOffset(kHatCount));
static_assert(sizeof(DIJOYSTATE2::rgdwPOV) / sizeof(DWORD) == kHatCount);
static_assert(DI_BUFFEROVERFLOW == kDiBufferOverflow &&
              static_cast<DiResult>(DIERR_NOTBUFFERED) == kDiErrNotBuffered &&
              static_cast<DiResult>(DIERR_ACQUIRED) == kDiErrAcquired);

struct Enumeration {
    std::vector<JoystickInstance> Found;
    std::exception_ptr Failure;
};

// Called by DirectInput for every controller; nothing may be thrown back through it.
BOOL CALLBACK OnController(LPCDIDEVICEINSTANCEW instance, LPVOID reference) {
    auto& enumeration = *static_cast<Enumeration*>(reference);
    try {
        enumeration.Found.push_back(
            {FormatInstanceGuid(instance->guidInstance), Utf8FromWide(instance->tszProductName)});
        return DIENUM_CONTINUE;
    } catch (...) {
        enumeration.Failure = std::current_exception();
        return DIENUM_STOP;
    }
}

} // namespace

DirectInputJoysticks::DirectInputJoysticks() = default;
DirectInputJoysticks::~DirectInputJoysticks() = default;

bool DirectInputJoysticks::Create() {
    ComPtr<IDirectInput8W> created;
    const HRESULT hr =
        DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                           reinterpret_cast<void**>(created.Put()), nullptr);
    // The previous object goes either way: a failed creation leaves no controllers.
    directInput_ = SUCCEEDED(hr) ? std::move(created) : ComPtr<IDirectInput8W>();
    return static_cast<bool>(directInput_);
}

std::vector<JoystickInstance> DirectInputJoysticks::EnumerateGameControllers() {
    Enumeration enumeration;
    if (!directInput_)
        return {};
    const HRESULT hr = directInput_->EnumDevices(DI8DEVCLASS_GAMECTRL, OnController, &enumeration,
                                                 DIEDFL_ATTACHEDONLY);
    if (enumeration.Failure)
        std::rethrow_exception(enumeration.Failure);
    if (FAILED(hr))
        return {};
    return std::move(enumeration.Found);
}

std::unique_ptr<JoystickDevice>
DirectInputJoysticks::CreateDevice(const std::string& instanceGuid) {
    const auto guid = ParseInstanceGuid(instanceGuid);
    if (!directInput_ || !guid)
        return nullptr;
    ComPtr<IDirectInputDevice8W> device;
    if (FAILED(directInput_->CreateDevice(*guid, device.Put(), nullptr)) || !device)
        return nullptr;
    return std::make_unique<DirectInputDevice>(std::move(device));
}

bool CanCreateDirectInput8() {
    ComPtr<IDirectInput8W> created;
    const HRESULT hr =
        DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                           reinterpret_cast<void**>(created.Put()), nullptr);
    return SUCCEEDED(hr) && created;
}

} // namespace qm::win32
