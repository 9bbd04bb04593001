// The simulated dinput8.dll: DirectInput 8 (wide interfaces) offering the game controllers of
// the device file, their button states read from the shared state block. Test and demo
// equipment only; see README.md.
#define DIRECTINPUT_VERSION 0x0800
#include "sim/sim_config.h"
#include "sim/sim_shared.h"

#include <windows.h>

#include <dinput.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <utility>

namespace qm::sim {
namespace {

constexpr char kWho[] = "simulated dinput8";

// What a DirectInput object and the devices it created see: the device file as read when the
// object was created, and the shared state block (null when no device file is named).
struct Simulation {
    SimConfig Config;
    std::unique_ptr<SharedView> Shared;
};

// The creating side of a COM object: the object starts with one reference, held by the
// caller's out-pointer, and deletes itself in its last Release.
template <class Object, class Interface, class... Args>
HRESULT MakeObject(Interface** out, Args&&... args) noexcept {
    *out = new (std::nothrow) Object(std::forward<Args>(args)...);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

bool SameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

// The DIPROP_* values are small integers posing as GUID references.
bool IsProperty(REFGUID property, const GUID& wanted) {
    return &property == &wanted;
}

DWORD DeviceType() {
    return DI8DEVTYPE_GAMEPAD | (DI8DEVTYPEGAMEPAD_STANDARD << 8) | DIDEVTYPE_HID;
}

void FillInstance(const SimController& controller, std::size_t index, DIDEVICEINSTANCEW& out) {
    const DWORD size = out.dwSize;
    std::memset(&out, 0, sizeof out);
    out.dwSize = size;
    out.guidInstance = controller.Instance;
    // Product GUIDs look like {PPPPVVVV-0000-0000-0000-504944564944} ("PIDVID").
    out.guidProduct = GUID{static_cast<unsigned long>(0xF0001209u + (index << 16)),
                           0,
                           0,
                           {0, 0, 'P', 'I', 'D', 'V', 'I', 'D'}};
    out.dwDevType = DeviceType();
    const std::size_t length = std::min<std::size_t>(controller.Name.size(), MAX_PATH - 1);
    std::wmemcpy(out.tszInstanceName, controller.Name.data(), length);
    std::wmemcpy(out.tszProductName, controller.Name.data(), length);
    out.wUsagePage = 1; // generic desktop
    out.wUsage = 5;     // game pad
}

class SimDevice final : public IDirectInputDevice8W {
public:
    SimDevice(std::shared_ptr<const Simulation> simulation, std::size_t index)
        : simulation_(std::move(simulation)), index_(index), createdAt_(Slot().UnplugCount) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (SameGuid(riid, IID_IUnknown) || SameGuid(riid, IID_IDirectInputDevice8W)) {
            *out = static_cast<IDirectInputDevice8W*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    // The device
    HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) override {
        if (caps == nullptr)
            return E_POINTER;
        if (caps->dwSize != sizeof(DIDEVCAPS) && caps->dwSize != sizeof(DIDEVCAPS_DX3))
            return DIERR_INVALIDPARAM;
        const DWORD size = caps->dwSize;
        std::memset(caps, 0, size);
        caps->dwSize = size;
        caps->dwFlags = Slot().Unplugged != 0 ? 0 : DIDC_ATTACHED;
        caps->dwDevType = DeviceType();
        caps->dwAxes = 2;
        caps->dwButtons = Controller().Buttons;
        caps->dwPOVs = 0;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override {
        if (format == nullptr)
            return E_POINTER;
        if (acquired_)
            return DIERR_ACQUIRED;
        // The joystick formats: DIJOYSTATE2 (128 buttons) or DIJOYSTATE (32 buttons).
        if (format->dwSize != sizeof(DIDATAFORMAT) ||
            format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) ||
            (format->dwDataSize != sizeof(DIJOYSTATE2) && format->dwDataSize != sizeof(DIJOYSTATE)))
            return DIERR_INVALIDPARAM;
        formatSize_ = format->dwDataSize;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override {
        const DWORD sharing = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
        const DWORD focus = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
        if (sharing == 0 || sharing == (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE) || focus == 0 ||
            focus == (DISCL_FOREGROUND | DISCL_BACKGROUND))
            return DIERR_INVALIDPARAM;
        if (acquired_)
            return DIERR_ACQUIRED;
        if (!IsWindow(window))
            return E_HANDLE;
        Slot().CooperativeLevel = flags;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Acquire() override {
        if (formatSize_ == 0)
            return DIERR_INVALIDPARAM;
        const ControllerSlot& slot = Slot();
        // An object made before an unplug stays unplugged: the controller needs a new one.
        if (slot.Unplugged != 0 || slot.UnplugCount != createdAt_)
            return DIERR_UNPLUGGED;
        if (acquired_ && acquiredAt_ == slot.UnplugCount)
            return DI_NOEFFECT;
        acquired_ = true;
        acquiredAt_ = slot.UnplugCount;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Unacquire() override {
        if (!acquired_)
            return DI_NOEFFECT;
        acquired_ = false;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Poll() override {
        const HRESULT state = Readable();
        // Like a device that does not need polling.
        return FAILED(state) ? state : DI_NOEFFECT;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override {
        if (data == nullptr)
            return E_POINTER;
        if (const HRESULT state = Readable(); FAILED(state))
            return state;
        if (size != formatSize_)
            return DIERR_INVALIDPARAM;
        LogRead(simulation_->Shared->State(), static_cast<std::uint32_t>(index_ + 1));
        const ControllerSlot& slot = Slot();
        const std::size_t readable =
            std::min<std::size_t>(Controller().Buttons, kControllerStateBytes);
        if (size == sizeof(DIJOYSTATE2)) {
            DIJOYSTATE2 state{};
            std::fill(std::begin(state.rgdwPOV), std::end(state.rgdwPOV), 0xFFFFFFFFu);
            std::copy_n(slot.Buttons, std::min<std::size_t>(readable, 128), state.rgbButtons);
            std::memcpy(data, &state, sizeof state);
        } else {
            DIJOYSTATE state{};
            std::fill(std::begin(state.rgdwPOV), std::end(state.rgdwPOV), 0xFFFFFFFFu);
            std::copy_n(slot.Buttons, std::min<std::size_t>(readable, 32), state.rgbButtons);
            std::memcpy(data, &state, sizeof state);
        }
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEW info) override {
        if (info == nullptr)
            return E_POINTER;
        if (info->dwSize != sizeof(DIDEVICEINSTANCEW))
            return DIERR_INVALIDPARAM;
        FillInstance(Controller(), index_, *info);
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetProperty(REFGUID property, LPDIPROPHEADER header) override {
        if (header == nullptr)
            return E_POINTER;
        if (header->dwHeaderSize != sizeof(DIPROPHEADER) || header->dwHow != DIPH_DEVICE)
            return DIERR_INVALIDPARAM;
        if (IsProperty(property, DIPROP_PRODUCTNAME) || IsProperty(property, DIPROP_INSTANCENAME)) {
            if (header->dwSize != sizeof(DIPROPSTRING))
                return DIERR_INVALIDPARAM;
            auto* text = reinterpret_cast<DIPROPSTRING*>(header);
            const std::wstring& name = Controller().Name;
            const std::size_t length = std::min<std::size_t>(name.size(), MAX_PATH - 1);
            std::wmemcpy(text->wsz, name.data(), length);
            text->wsz[length] = L'\0';
            return DI_OK;
        }
        if (IsProperty(property, DIPROP_JOYSTICKID)) {
            if (header->dwSize != sizeof(DIPROPDWORD))
                return DIERR_INVALIDPARAM;
            reinterpret_cast<DIPROPDWORD*>(header)->dwData = static_cast<DWORD>(index_);
            return DI_OK;
        }
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE SetProperty(REFGUID, LPCDIPROPHEADER) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return DI_OK; }

    // Not simulated.
    HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKW, LPVOID, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
        return DIERR_NOTBUFFERED;
    }
    HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEW, DWORD, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT*,
                                           LPUNKNOWN) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKW, LPVOID, DWORD) override {
        return DI_OK; // no effects
    }
    HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOW, REFGUID) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID,
                                                       DWORD) override {
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD,
                                             DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumEffectsInFile(LPCWSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID,
                                                DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE WriteEffectToFile(LPCWSTR, DWORD, LPDIFILEEFFECT, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE BuildActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetImageInfo(LPDIDEVICEIMAGEINFOHEADERW) override {
        return E_NOTIMPL;
    }

private:
    ~SimDevice() = default;

    const SimController& Controller() const { return simulation_->Config.Controllers[index_]; }
    ControllerSlot& Slot() const { return simulation_->Shared->State().Controllers[index_]; }

    // Whether the state can be read now: unplugged devices report lost input, and so does an
    // object made before an unplug even when the controller is back.
    HRESULT Readable() {
        const ControllerSlot& slot = Slot();
        if (slot.Unplugged != 0 || slot.UnplugCount != createdAt_) {
            acquired_ = false;
            return DIERR_INPUTLOST;
        }
        if (!acquired_)
            return DIERR_NOTACQUIRED;
        if (acquiredAt_ != slot.UnplugCount) {
            acquired_ = false;
            return DIERR_INPUTLOST;
        }
        return DI_OK;
    }

    std::atomic<ULONG> references_{1};
    std::shared_ptr<const Simulation> simulation_;
    std::size_t index_;
    std::uint32_t createdAt_; // the controller's unplug count when this object was made
    DWORD formatSize_ = 0;
    bool acquired_ = false;
    std::uint32_t acquiredAt_ = 0;
};

class SimDirectInput final : public IDirectInput8W {
public:
    explicit SimDirectInput(std::shared_ptr<const Simulation> simulation)
        : simulation_(std::move(simulation)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (SameGuid(riid, IID_IUnknown) || SameGuid(riid, IID_IDirectInput8W)) {
            *out = static_cast<IDirectInput8W*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    // IDirectInput8W
    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICE8W* out,
                                           LPUNKNOWN outer) override {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        const auto index = Find(instance);
        if (index < 0 || !Attached(static_cast<std::size_t>(index)))
            return DIERR_DEVICENOTREG;
        return MakeObject<SimDevice>(out, simulation_, static_cast<std::size_t>(index));
    }
    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKW callback,
                                          LPVOID reference, DWORD flags) override {
        if (callback == nullptr)
            return DIERR_INVALIDPARAM;
        // Game pads and a keyboard exist here: no mouse, no force feedback.
        const bool gamePads = type == DI8DEVCLASS_ALL || type == DI8DEVCLASS_GAMECTRL ||
                              (type & 0xFF) == DI8DEVTYPE_GAMEPAD;
        if ((flags & DIEDFL_FORCEFEEDBACK) != 0)
            return DI_OK;
        // The system keyboard, for callers that ask for every class: it is listed, never read.
        if (type == DI8DEVCLASS_ALL || type == DI8DEVCLASS_KEYBOARD) {
            DIDEVICEINSTANCEW keyboard{};
            keyboard.dwSize = sizeof keyboard;
            keyboard.guidInstance = GUID_SysKeyboard;
            keyboard.guidProduct = GUID_SysKeyboard;
            keyboard.dwDevType = DI8DEVTYPE_KEYBOARD | (DI8DEVTYPEKEYBOARD_PCENH << 8);
            std::wcscpy(keyboard.tszInstanceName, L"Keyboard");
            std::wcscpy(keyboard.tszProductName, L"Keyboard");
            if (callback(&keyboard, reference) == DIENUM_STOP)
                return DI_OK;
        }
        if (!gamePads)
            return DI_OK;
        const auto& controllers = simulation_->Config.Controllers;
        for (std::size_t i = 0; i < controllers.size(); ++i) {
            if ((flags & DIEDFL_ATTACHEDONLY) != 0 && !Attached(i))
                continue;
            DIDEVICEINSTANCEW instance{};
            instance.dwSize = sizeof instance;
            FillInstance(controllers[i], i, instance);
            if (callback(&instance, reference) == DIENUM_STOP)
                break;
        }
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID instance) override {
        const auto index = Find(instance);
        if (index < 0)
            return DIERR_DEVICENOTREG;
        return Attached(static_cast<std::size_t>(index)) ? DI_OK : DI_NOTATTACHED;
    }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD) override { return DI_OK; }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindDevice(REFGUID, LPCWSTR, LPGUID) override {
        return DIERR_DEVICENOTREG;
    }
    HRESULT STDMETHODCALLTYPE EnumDevicesBySemantics(LPCWSTR, LPDIACTIONFORMATW,
                                                     LPDIENUMDEVICESBYSEMANTICSCBW, LPVOID,
                                                     DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK,
                                               LPDICONFIGUREDEVICESPARAMSW, DWORD,
                                               LPVOID) override {
        return E_NOTIMPL;
    }

private:
    ~SimDirectInput() = default;

    int Find(const GUID& instance) const {
        const auto& controllers = simulation_->Config.Controllers;
        for (std::size_t i = 0; i < controllers.size(); ++i) {
            if (SameGuid(controllers[i].Instance, instance))
                return static_cast<int>(i);
        }
        return -1;
    }
    bool Attached(std::size_t index) const {
        return simulation_->Shared->State().Controllers[index].Unplugged == 0;
    }

    std::atomic<ULONG> references_{1};
    std::shared_ptr<const Simulation> simulation_;
};

// Reads the device file named by the environment and opens its state block.
HRESULT StartSimulation(std::shared_ptr<const Simulation>& out) {
    auto simulation = std::make_shared<Simulation>();
    const std::wstring file = DevicesFileFromEnvironment();
    if (!file.empty()) {
        std::string error;
        if (!LoadConfig(file, simulation->Config, error)) {
            ReportProblem(kWho, error);
            return E_FAIL;
        }
        DWORD code = 0;
        simulation->Shared = SharedView::Open(file, true, code);
        if (!simulation->Shared) {
            ReportProblem(kWho,
                          "cannot open the shared state (error " + std::to_string(code) + ")");
            return E_FAIL;
        }
        PublishCounts(simulation->Config, simulation->Shared->State());
    } else {
        // No device file: a machine without game controllers.
        simulation->Config = {};
    }
    out = std::move(simulation);
    return S_OK;
}

} // namespace
} // namespace qm::sim

extern "C" {

HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID riid, LPVOID* out,
                                  LPUNKNOWN outer) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (instance == nullptr)
        return DIERR_INVALIDPARAM;
    if (version < 0x0800)
        return DIERR_OLDDIRECTINPUTVERSION;
    if (version > 0x0800)
        return DIERR_BETADIRECTINPUTVERSION;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    if (!qm::sim::SameGuid(riid, IID_IDirectInput8W))
        return E_NOINTERFACE;
    try {
        std::shared_ptr<const qm::sim::Simulation> simulation;
        if (const HRESULT result = qm::sim::StartSimulation(simulation); FAILED(result))
            return result;
        IDirectInput8W* object = nullptr;
        const HRESULT result =
            qm::sim::MakeObject<qm::sim::SimDirectInput>(&object, std::move(simulation));
        *out = object;
        return result;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT WINAPI DllCanUnloadNow() {
    return S_FALSE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* out) {
    if (out != nullptr)
        *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

// Tells tests that this stand-in, not a system DirectInput, was loaded.
const wchar_t* WINAPI SimDinput8Marker() {
    return L"Simulated DirectInput 8 for tests";
}

} // extern "C"
