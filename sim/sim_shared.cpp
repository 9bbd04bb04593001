#include "sim/sim_shared.h"

#include <dbt.h>

#include <algorithm>
#include <cwchar>
#include <vector>

namespace qm::sim {

std::wstring SharedStateName(const std::wstring& devicesFile) {
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(devicesFile.c_str(), static_cast<DWORD>(full.size()),
                                    full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(devicesFile.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                  nullptr);
    }
    if (length == 0 || length > full.size())
        full = devicesFile;
    else
        full.resize(length);
    if (!full.empty())
        CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));

    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (wchar_t unit : full) {
        hash ^= static_cast<std::uint16_t>(unit);
        hash *= 0x100000001B3ull;
    }
    wchar_t name[64];
    std::swprintf(name, 64, L"Local\\QmSimDevices-%016llX", static_cast<unsigned long long>(hash));
    return name;
}

std::wstring ChangeEventName(const std::wstring& devicesFile) {
    return SharedStateName(devicesFile) + L"-Changed";
}

bool LoggedChange(const SharedState& state, std::uint32_t number, ButtonChange& out) {
    const ButtonChange& entry = state.Changes.Entries[number % kChangeLogEntries];
    const auto* sequence = reinterpret_cast<const volatile LONG*>(&entry.Sequence);
    if (static_cast<std::uint32_t>(*sequence) != number + 1)
        return false;
    MemoryBarrier();
    out = entry;
    MemoryBarrier();
    return static_cast<std::uint32_t>(*sequence) == number + 1;
}

void ChangeWriter::SetButton(int controller, int button, bool down) {
    auto* state = reinterpret_cast<volatile std::uint8_t*>(
        &state_.Controllers[controller - 1].Buttons[button]);
    const std::uint8_t value = down ? kControllerDown : 0;
    if (*state == value)
        return; // a device reports changes only
    *state = value;
    MemoryBarrier();
    Log(controller, static_cast<std::uint8_t>(button), down);
    Signal();
}

void ChangeWriter::SetAxis(int controller, int axis, std::int32_t position) {
    auto* state =
        reinterpret_cast<volatile std::int32_t*>(&state_.Controllers[controller - 1].Axes[axis]);
    if (*state == position)
        return;
    *state = position;
    MemoryBarrier();
    Log(controller, static_cast<std::uint8_t>(kFirstAxisChange + axis), false,
        static_cast<std::uint32_t>(position));
    Signal();
}

void ChangeWriter::SetHat(int controller, int hat, std::uint32_t position) {
    auto* state =
        reinterpret_cast<volatile std::uint32_t*>(&state_.Controllers[controller - 1].Hats[hat]);
    if (*state == position)
        return;
    *state = position;
    MemoryBarrier();
    Log(controller, static_cast<std::uint8_t>(kFirstHatChange + hat), false, position);
    Signal();
}

void ChangeWriter::SetPlugged(int controller, bool plugged) {
    auto& slot = state_.Controllers[controller - 1];
    auto* unplugged = reinterpret_cast<volatile std::uint8_t*>(&slot.Unplugged);
    if (!plugged && *unplugged == 0)
        InterlockedIncrement(reinterpret_cast<volatile LONG*>(&slot.UnplugCount));
    const bool lost = !plugged && *unplugged == 0;
    *unplugged = plugged ? 0 : 1;
    MemoryBarrier();
    if (!lost)
        return;
    // The device objects acquired lose their input, and are told so by their events.
    Log(controller, kUnplugChange, false);
    Signal();
}

void ChangeWriter::Log(int controller, std::uint8_t button, bool down, std::uint32_t value) {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    auto* count = reinterpret_cast<volatile LONG*>(&state_.Changes.Count);
    const auto number = static_cast<std::uint32_t>(InterlockedIncrement(count)) - 1;
    ButtonChange& entry = state_.Changes.Entries[number % kChangeLogEntries];
    auto* sequence = reinterpret_cast<volatile LONG*>(&entry.Sequence);
    InterlockedExchange(sequence, 0);
    entry.Counter = now.QuadPart;
    entry.TickMs = GetTickCount();
    entry.Controller = static_cast<std::uint16_t>(controller);
    entry.Button = button;
    entry.Down = down ? 1 : 0;
    entry.Value = value;
    InterlockedExchange(sequence, static_cast<LONG>(number + 1));
}

void ChangeWriter::Signal() {
    // The program creates the event when it starts buffering; until then nobody waits.
    if (!event_)
        event_.Reset(OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName_.c_str()));
    if (event_)
        SetEvent(event_.Get());
}

std::wstring DevicesFileFromEnvironment() {
    const DWORD needed = GetEnvironmentVariableW(kDevicesVariable, nullptr, 0);
    if (needed == 0)
        return {};
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(kDevicesVariable, value.data(), needed);
    if (length == 0 || length >= needed)
        return {};
    value.resize(length);
    return value;
}

std::unique_ptr<SharedView> SharedView::Open(const std::wstring& devicesFile, bool create,
                                             DWORD& error) {
    const std::wstring name = SharedStateName(devicesFile);
    win32::UniqueHandle mapping;
    bool created = false;
    if (create) {
        HANDLE handle = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           sizeof(SharedState), name.c_str());
        created = handle != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
        mapping.Reset(handle);
    } else {
        mapping.Reset(OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name.c_str()));
    }
    if (!mapping) {
        error = GetLastError();
        return nullptr;
    }
    auto view = std::make_unique<SharedView>(std::move(mapping));
    view->state_ = static_cast<SharedState*>(MapViewOfFile(
        view->mapping_.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(SharedState)));
    if (view->state_ == nullptr) {
        error = GetLastError();
        return nullptr;
    }
    SharedState* state = view->state_;
    auto* magic = reinterpret_cast<volatile LONG*>(&state->Magic);
    if (created) {
        // A new mapping is all zeros: only what differs from zero is written.
        state->Version = kSharedVersion;
        for (BoardSlot& board : state->Boards)
            board.Result = kDefaultBoardResult;
        for (ControllerSlot& controller : state->Controllers)
            std::fill(std::begin(controller.Hats), std::end(controller.Hats), 0xFFFFFFFFu);
        InterlockedExchange(magic, static_cast<LONG>(kSharedMagic));
    } else {
        // The creator may still be initialising it.
        for (int i = 0; i < 2000 && static_cast<std::uint32_t>(*magic) != kSharedMagic; ++i)
            Sleep(1);
        if (static_cast<std::uint32_t>(*magic) != kSharedMagic ||
            state->Version != kSharedVersion) {
            error = ERROR_INVALID_DATA;
            return nullptr;
        }
    }
    error = ERROR_SUCCESS;
    return view;
}

void LogRead(SharedState& state, std::uint32_t source) {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    auto* count = reinterpret_cast<volatile LONG*>(&state.Reads.Count);
    const auto number = static_cast<std::uint32_t>(InterlockedIncrement(count)) - 1;
    ReadStamp& entry = state.Reads.Entries[number % kReadLogEntries];
    auto* sequence = reinterpret_cast<volatile LONG*>(&entry.Sequence);
    InterlockedExchange(sequence, 0);
    entry.Counter = now.QuadPart;
    entry.Source = source;
    InterlockedExchange(sequence, static_cast<LONG>(number + 1));
}

bool LoggedRead(const SharedState& state, std::uint32_t number, ReadStamp& out) {
    const ReadStamp& entry = state.Reads.Entries[number % kReadLogEntries];
    const auto* sequence = reinterpret_cast<const volatile LONG*>(&entry.Sequence);
    if (static_cast<std::uint32_t>(*sequence) != number + 1)
        return false;
    MemoryBarrier();
    out.Counter = entry.Counter;
    out.Source = entry.Source;
    MemoryBarrier();
    out.Sequence = static_cast<std::uint32_t>(*sequence);
    return out.Sequence == number + 1;
}

void BroadcastDevicesChanged() {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_ABORTIFHUNG,
                        5000, &result);
}

SharedView::~SharedView() {
    if (state_ != nullptr)
        UnmapViewOfFile(state_);
}

} // namespace qm::sim
