// The simulated dinput8.dll: DirectInput 8 (wide interfaces) offering the game controllers of
// the device file, their button states read from the shared state block, their buffered data
// from its log of changes. Test and demo equipment only; see README.md.
#define DIRECTINPUT_VERSION 0x0800
#include "sim/sim_config.h"
#include "sim/sim_shared.h"

#include <windows.h>

#include <dinput.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace qm::sim {
namespace {

constexpr char kWho[] = "simulated dinput8";

class SimDevice;

// The buffered side of the simulation: takes the changes simctl and drivers log, in order, to
// the device objects that buffer them, from a thread of its own that waits on the change event
// (started with the first buffering object), and on every read of a buffer. One lock guards
// the buffers of every object.
class ChangeFeed {
public:
    ChangeFeed(SharedState& state, std::wstring eventName)
        : state_(state), next_(state.Changes.Count), eventName_(std::move(eventName)) {}
    ~ChangeFeed() {
        if (thread_) {
            SetEvent(stop_.Get());
            WaitForSingleObject(thread_.Get(), INFINITE);
        }
    }
    ChangeFeed(const ChangeFeed&) = delete;
    ChangeFeed& operator=(const ChangeFeed&) = delete;

    SRWLOCK& Lock() { return lock_; }
    // Under the lock.
    void Add(SimDevice* device);
    void Remove(SimDevice* device) { std::erase(devices_, device); }
    // Under the lock: every change logged since the last, to its controller's objects.
    void CatchUp();
    std::uint32_t NextSequence() { return ++sequence_; }

private:
    static DWORD WINAPI Run(void* self);

    SharedState& state_;
    std::uint32_t next_;
    std::wstring eventName_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<SimDevice*> devices_;
    std::uint32_t sequence_ = 0;
    win32::UniqueHandle changed_;
    win32::UniqueHandle stop_;
    win32::UniqueHandle thread_;
};

class FeedLock {
public:
    explicit FeedLock(ChangeFeed& feed) : lock_(feed.Lock()) { AcquireSRWLockExclusive(&lock_); }
    ~FeedLock() { ReleaseSRWLockExclusive(&lock_); }
    FeedLock(const FeedLock&) = delete;
    FeedLock& operator=(const FeedLock&) = delete;

private:
    SRWLOCK& lock_;
};

// What a DirectInput object and the devices it created see: the device file as read when the
// object was created, and the shared state block with its feed of changes (null when no device
// file is named).
struct Simulation {
    SimConfig Config;
    std::unique_ptr<SharedView> Shared;
    std::unique_ptr<ChangeFeed> Feed;
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
        : simulation_(std::move(simulation)), index_(index), createdAt_(Slot().UnplugCount) {
        ranges_.fill({Controller().RangeMin, Controller().RangeMax});
    }

    // Under the feed's lock: a logged change of this object's controller.
    void Take(const ButtonChange& change) {
        if (change.Controller != index_ + 1 || !acquired_)
            return;
        if (change.Button != kUnplugChange) {
            DWORD offset = 0;
            DWORD value = 0;
            if (!Buffered(change, offset, value))
                return;
            if (buffer_.size() >= bufferSize_) {
                overflowed_ = true; // the newest are dropped
            } else {
                DIDEVICEOBJECTDATA data{};
                data.dwOfs = offset;
                data.dwData = value;
                data.dwTimeStamp = change.TickMs;
                data.dwSequence = Feed().NextSequence();
                buffer_.push_back(data);
            }
        }
        if (event_ != nullptr)
            SetEvent(event_);
    }

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
        caps->dwAxes = static_cast<DWORD>(std::popcount(Controller().AxisMask));
        caps->dwButtons = Controller().Buttons;
        caps->dwPOVs = static_cast<DWORD>(Controller().Hats);
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
        // The changes logged before the acquisition are not this object's.
        const FeedLock lock(Feed());
        Feed().CatchUp();
        acquired_ = true;
        acquiredAt_ = slot.UnplugCount;
        buffer_.clear();
        overflowed_ = false;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Unacquire() override {
        if (!acquired_)
            return DI_NOEFFECT;
        const FeedLock lock(Feed());
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
        // DIJOYSTATE is DIJOYSTATE2 up to its 32nd button.
        static_assert(offsetof(DIJOYSTATE2, rgbButtons) == offsetof(DIJOYSTATE, rgbButtons) &&
                      sizeof(DIJOYSTATE) == offsetof(DIJOYSTATE2, rgbButtons) + 32);
        DIJOYSTATE2 state{};
        FillControls(state);
        std::copy_n(slot.Buttons, std::min<std::size_t>(readable, 128), state.rgbButtons);
        std::memcpy(data, &state, size);
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
        if (IsProperty(property, DIPROP_RANGE)) {
            if (header->dwSize != sizeof(DIPROPRANGE) ||
                header->dwHeaderSize != sizeof(DIPROPHEADER))
                return DIERR_INVALIDPARAM;
            // A range belongs to an axis: the device as a whole has none.
            const int a = AxisOf(header->dwObj, header->dwHow);
            if (a < 0)
                return header->dwHow == DIPH_DEVICE ? DIERR_INVALIDPARAM : DIERR_OBJECTNOTFOUND;
            auto* range = reinterpret_cast<DIPROPRANGE*>(header);
            range->lMin = ranges_[static_cast<std::size_t>(a)].Min;
            range->lMax = ranges_[static_cast<std::size_t>(a)].Max;
            return DI_OK;
        }
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
    HRESULT STDMETHODCALLTYPE SetProperty(REFGUID property, LPCDIPROPHEADER header) override {
        if (header == nullptr)
            return E_POINTER;
        if (IsProperty(property, DIPROP_RANGE))
            return SetRange(*header);
        if (!IsProperty(property, DIPROP_BUFFERSIZE))
            return DIERR_UNSUPPORTED;
        if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHeaderSize != sizeof(DIPROPHEADER) ||
            header->dwHow != DIPH_DEVICE || header->dwObj != 0)
            return DIERR_INVALIDPARAM;
        if (acquired_)
            return DIERR_ACQUIRED;
        if (!simulation_->Feed)
            return DIERR_UNSUPPORTED;
        const FeedLock lock(Feed());
        bufferSize_ = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
        buffer_.clear();
        buffer_.reserve(std::min<std::size_t>(bufferSize_, 4096));
        if (bufferSize_ != 0 && !listening_) {
            Feed().Add(this);
            listening_ = true;
        }
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return DI_OK; }

    HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKW callback, LPVOID reference,
                                          DWORD flags) override {
        if (callback == nullptr)
            return DIERR_INVALIDPARAM;
        const DWORD kinds = DIDFT_GETTYPE(flags);
        for (const DIDEVICEOBJECTINSTANCEW& object : Objects()) {
            if (kinds != DIDFT_ALL && (DIDFT_GETTYPE(object.dwType) & kinds) == 0)
                continue;
            if (callback(&object, reference) == DIENUM_STOP)
                break;
        }
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD size, LPDIDEVICEOBJECTDATA data, LPDWORD inOut,
                                            DWORD flags) override {
        if (inOut == nullptr)
            return E_POINTER;
        if (size != sizeof(DIDEVICEOBJECTDATA) || (flags & ~DWORD{DIGDD_PEEK}) != 0)
            return DIERR_INVALIDPARAM;
        if (bufferSize_ == 0)
            return DIERR_NOTBUFFERED;
        if (const HRESULT state = Readable(); FAILED(state)) {
            *inOut = 0;
            return state;
        }
        // A read is logged before it takes the changes: the reads from this number on see them.
        if (data != nullptr)
            LogRead(simulation_->Shared->State(), static_cast<std::uint32_t>(index_ + 1));
        const FeedLock lock(Feed());
        Feed().CatchUp();
        const std::size_t count = std::min<std::size_t>(*inOut, buffer_.size());
        if (data != nullptr)
            std::copy_n(buffer_.begin(), count, data);
        const bool overflowed = overflowed_;
        if ((flags & DIGDD_PEEK) == 0) {
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count));
            overflowed_ = false;
        }
        *inOut = static_cast<DWORD>(count);
        return overflowed ? DI_BUFFEROVERFLOW : DI_OK;
    }
    HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE event) override {
        if (acquired_)
            return DIERR_ACQUIRED;
        if (event != nullptr && event_ != nullptr)
            return DIERR_HANDLEEXISTS;
        const FeedLock lock(Feed());
        event_ = event;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEW info, DWORD object,
                                            DWORD how) override {
        if (info == nullptr)
            return E_POINTER;
        if (info->dwSize != sizeof(DIDEVICEOBJECTINSTANCEW) &&
            info->dwSize != sizeof(DIDEVICEOBJECTINSTANCE_DX3W))
            return DIERR_INVALIDPARAM;
        if (how != DIPH_BYOFFSET && how != DIPH_BYID)
            return DIERR_INVALIDPARAM;
        // Offsets are those of the data format set.
        if (how == DIPH_BYOFFSET && formatSize_ == 0)
            return DIERR_NOTINITIALIZED;
        for (const DIDEVICEOBJECTINSTANCEW& found : Objects()) {
            if ((how == DIPH_BYOFFSET ? found.dwOfs : found.dwType) != object)
                continue;
            const DWORD size = info->dwSize;
            std::memcpy(info, &found, size);
            info->dwSize = size;
            return DI_OK;
        }
        return DIERR_OBJECTNOTFOUND;
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
    ~SimDevice() {
        if (listening_) {
            const FeedLock lock(Feed());
            Feed().Remove(this);
        }
    }

    struct AxisRange {
        LONG Min;
        LONG Max;
    };

    bool HasAxis(int a) const { return (Controller().AxisMask >> a & 1u) != 0; }
    // The axis (from 0) an object of a range property names; -1 for none.
    int AxisOf(DWORD object, DWORD how) const {
        for (int a = 0; a < kControllerAxes; ++a) {
            if (!HasAxis(a))
                continue;
            if ((how == DIPH_BYOFFSET && object == AxisOffset(a)) ||
                (how == DIPH_BYID && object == AxisType(a)))
                return a;
        }
        return -1;
    }
    static DWORD AxisOffset(int a) { return static_cast<DWORD>(4 * a); }
    static DWORD AxisType(int a) { return DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(a); }

    HRESULT SetRange(const DIPROPHEADER& header) {
        if (header.dwSize != sizeof(DIPROPRANGE) || header.dwHeaderSize != sizeof(DIPROPHEADER))
            return DIERR_INVALIDPARAM;
        const auto& range = reinterpret_cast<const DIPROPRANGE&>(header);
        if (range.lMin >= range.lMax)
            return DIERR_INVALIDPARAM;
        int only = -1;
        if (header.dwHow == DIPH_DEVICE) {
            if (header.dwObj != 0)
                return DIERR_INVALIDPARAM;
        } else if ((only = AxisOf(header.dwObj, header.dwHow)) < 0) {
            return DIERR_OBJECTNOTFOUND;
        }
        if (acquired_)
            return DIERR_ACQUIRED;
        if (Controller().FixedRange)
            return DIERR_UNSUPPORTED;
        for (int a = 0; a < kControllerAxes; ++a)
            if (only < 0 || a == only)
                ranges_[static_cast<std::size_t>(a)] = {range.lMin, range.lMax};
        return DI_OK;
    }

    // Axis a's position (on the controller's own range) on the range this object reports on.
    LONG OnRange(int a, std::int32_t position) const {
        const auto& own = Controller();
        const AxisRange& to = ranges_[static_cast<std::size_t>(a)];
        if (to.Min == own.RangeMin && to.Max == own.RangeMax)
            return position;
        const std::int64_t from = std::int64_t{own.RangeMax} - own.RangeMin;
        const std::int64_t span = std::int64_t{to.Max} - to.Min;
        const std::int64_t offset =
            std::clamp<std::int64_t>(position - std::int64_t{own.RangeMin}, 0, from);
        return static_cast<LONG>(to.Min + (offset * span + from / 2) / from);
    }

    // The axes and hats of a joystick state, from the shared block.
    void FillControls(DIJOYSTATE2& state) const {
        const ControllerSlot& slot = Slot();
        LONG* const axes[kControllerAxes] = {&state.lX,           &state.lY,          &state.lZ,
                                             &state.lRx,          &state.lRy,         &state.lRz,
                                             &state.rglSlider[0], &state.rglSlider[1]};
        for (int a = 0; a < kControllerAxes; ++a) {
            const auto position = *reinterpret_cast<const volatile std::int32_t*>(&slot.Axes[a]);
            *axes[a] = HasAxis(a) ? OnRange(a, position) : 0;
        }
        for (int h = 0; h < kControllerHats; ++h)
            state.rgdwPOV[h] = h < Controller().Hats
                                   ? *reinterpret_cast<const volatile std::uint32_t*>(&slot.Hats[h])
                                   : 0xFFFFFFFFu;
    }

    // Where a logged change goes in the buffer, and its data; false when it is not an object of
    // this controller.
    bool Buffered(const ButtonChange& change, DWORD& offset, DWORD& value) const {
        if (change.Button >= kFirstHatChange && change.Button < kFirstHatChange + kControllerHats) {
            const int h = change.Button - kFirstHatChange;
            offset = DIJOFS_POV(h);
            value = change.Value;
            return h < Controller().Hats;
        }
        if (change.Button >= kFirstAxisChange &&
            change.Button < kFirstAxisChange + kControllerAxes) {
            const int a = change.Button - kFirstAxisChange;
            offset = AxisOffset(a);
            value = static_cast<DWORD>(OnRange(a, static_cast<std::int32_t>(change.Value)));
            return HasAxis(a);
        }
        offset = DIJOFS_BUTTON(change.Button);
        value = change.Down != 0 ? 0x80 : 0;
        return change.Button < std::min<std::uint32_t>(Controller().Buttons, 128);
    }

    // The device's objects in the joystick formats' order: its axes, hats and buttons (the first
    // 128, those with a place in the format), each at its format offset.
    std::vector<DIDEVICEOBJECTINSTANCEW> Objects() const {
        static const GUID* const kAxisGuids[kControllerAxes] = {
            &GUID_XAxis,  &GUID_YAxis,  &GUID_ZAxis,  &GUID_RxAxis,
            &GUID_RyAxis, &GUID_RzAxis, &GUID_Slider, &GUID_Slider};
        static const wchar_t* const kAxisNames[kControllerAxes] = {
            L"X Axis",     L"Y Axis",     L"Z Axis", L"X Rotation",
            L"Y Rotation", L"Z Rotation", L"Slider", L"Slider"};
        std::vector<DIDEVICEOBJECTINSTANCEW> objects;
        const auto add = [&](const GUID& type, DWORD offset, DWORD id, DWORD flags,
                             const std::wstring& name) {
            DIDEVICEOBJECTINSTANCEW object{};
            object.dwSize = sizeof object;
            object.guidType = type;
            object.dwOfs = offset;
            object.dwType = id;
            object.dwFlags = flags;
            const std::size_t length = std::min<std::size_t>(name.size(), MAX_PATH - 1);
            std::wmemcpy(object.tszName, name.data(), length);
            objects.push_back(object);
        };
        for (int a = 0; a < kControllerAxes; ++a)
            if (HasAxis(a))
                add(*kAxisGuids[a], AxisOffset(a), AxisType(a), DIDOI_ASPECTPOSITION,
                    kAxisNames[a]);
        for (int h = 0; h < Controller().Hats; ++h)
            add(GUID_POV, DIJOFS_POV(h), DIDFT_POV | DIDFT_MAKEINSTANCE(h), 0,
                L"Hat Switch " + std::to_wstring(h + 1));
        const auto buttons = std::min<std::uint32_t>(Controller().Buttons, 128);
        for (std::uint32_t b = 0; b < buttons; ++b)
            add(GUID_Button, DIJOFS_BUTTON(b), DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(b), 0,
                L"Button " + std::to_wstring(b + 1));
        return objects;
    }

    ChangeFeed& Feed() const { return *simulation_->Feed; }
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
    // Read by the feed's thread as well.
    std::atomic<bool> acquired_ = false;
    std::uint32_t acquiredAt_ = 0;
    // Buffered data, guarded by the feed's lock.
    DWORD bufferSize_ = 0;
    std::vector<DIDEVICEOBJECTDATA> buffer_;
    bool overflowed_ = false;
    bool listening_ = false;
    HANDLE event_ = nullptr;
    // The range each axis reports on: the controller's own until DIPROP_RANGE sets another.
    std::array<AxisRange, kControllerAxes> ranges_{};
};

void ChangeFeed::Add(SimDevice* device) {
    devices_.push_back(device);
    if (thread_)
        return;
    // The writers' event, made here: a writer finds it once a program buffers.
    changed_.Reset(CreateEventW(nullptr, TRUE, FALSE, eventName_.c_str()));
    stop_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (changed_ && stop_)
        thread_.Reset(CreateThread(nullptr, 0, &ChangeFeed::Run, this, 0, nullptr));
    if (!thread_)
        ReportProblem(kWho, "cannot start the thread of the buffered data: they come with reads");
}

void ChangeFeed::CatchUp() {
    const auto count = *reinterpret_cast<const volatile std::uint32_t*>(&state_.Changes.Count);
    // A writer that fell a whole ring ahead loses the oldest: the buffers overflow as a
    // device's would.
    if (count - next_ > static_cast<std::uint32_t>(kChangeLogEntries))
        next_ = count - kChangeLogEntries;
    for (; next_ != count; ++next_) {
        ButtonChange change{};
        if (!LoggedChange(state_, next_, change))
            return; // still being written: its writer signals again
        for (SimDevice* device : devices_)
            device->Take(change);
    }
}

DWORD WINAPI ChangeFeed::Run(void* self) {
    auto& feed = *static_cast<ChangeFeed*>(self);
    const HANDLE handles[] = {feed.stop_.Get(), feed.changed_.Get()};
    for (;;) {
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return 0;
        // Reset before taking: a change logged meanwhile sets it again.
        ResetEvent(feed.changed_.Get());
        const FeedLock lock(feed);
        feed.CatchUp();
    }
}

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
        simulation->Feed =
            std::make_unique<ChangeFeed>(simulation->Shared->State(), ChangeEventName(file));
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
