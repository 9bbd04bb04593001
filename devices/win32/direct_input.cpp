#define DIRECTINPUT_VERSION 0x0800
#include "devices/win32/direct_input.h"

#include "core/win32/win32_text.h"

#include <dinput.h>

#include <algorithm>
#include <exception>

namespace qm::win32 {
namespace {

DiResult Result(HRESULT hr) {
    return static_cast<DiResult>(hr);
}

class DirectInputDevice final : public JoystickDevice {
public:
    explicit DirectInputDevice(ComPtr<IDirectInputDevice8W> device) : device_(std::move(device)) {}

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
    DiResult Acquire() override { return Result(device_->Acquire()); }
    void Unacquire() override { device_->Unacquire(); }
    DiResult Poll() override { return Result(device_->Poll()); }
    DiResult GetState(JoystickButtons& buttons) override {
        DIJOYSTATE2 state{};
        const HRESULT hr = device_->GetDeviceState(sizeof state, &state);
        if (SUCCEEDED(hr))
            std::copy(std::begin(state.rgbButtons), std::end(state.rgbButtons), buttons.begin());
        return Result(hr);
    }

private:
    ComPtr<IDirectInputDevice8W> device_;
};
static_assert(sizeof(DIJOYSTATE2::rgbButtons) == kMaxJoystickButtons);

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
