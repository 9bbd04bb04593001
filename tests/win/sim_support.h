#pragma once
// What the device adapter tests need around the simulated devices: scratch folders, a device
// file named by QM_SIM_DEVICES, the shared state block and a window.
#include "core/win32/win32_handle.h"
#include "core/win32/win32_module.h"
#include "core/win32/win32_text.h"
#include "sim/sim_shared.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qm::testing {

// A folder of its own under the temporary folder, removed with its files at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static int serial = 0;
        path_ = std::wstring(temp) + L"qm-sim-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++serial) + L"\\";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path_ + L"*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((path_ + found.cFileName).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // With a trailing backslash.
    const std::wstring& Path() const { return path_; }
    std::wstring File(std::wstring_view name) const { return path_ + std::wstring(name); }
    void Write(std::wstring_view name, std::string_view bytes) const {
        win32::UniqueHandle file(CreateFileW(File(name).c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(static_cast<bool>(file));
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                              nullptr));
    }
    // Copies a file of the test program's folder (the simulated devices are copied there).
    void CopyFromProgramFolder(std::wstring_view from, std::wstring_view to) const {
        ASSERT_TRUE(CopyFileW((win32::ProgramFolder() + std::wstring(from)).c_str(),
                              File(to).c_str(), FALSE));
    }

private:
    std::wstring path_;
};

// Whether the simulated dinput8.dll, not the system's, serves this process.
inline bool SimulatedDirectInputLoaded() {
    const HMODULE module = GetModuleHandleW(L"dinput8.dll");
    return module != nullptr && GetProcAddress(module, "SimDinput8Marker") != nullptr;
}
inline constexpr char kNotSimulated[] =
    "the system's dinput8.dll was loaded: run with WINEDLLOVERRIDES=dinput8=n,b and the "
    "simulated dinput8.dll beside the test program";

// A device file of the simulation, named by QM_SIM_DEVICES while the object lives.
class SimDevices {
public:
    explicit SimDevices(std::string_view lines) {
        folder_.Write(L"devices.txt", lines);
        SetEnvironmentVariableW(sim::kDevicesVariable, folder_.File(L"devices.txt").c_str());
    }
    ~SimDevices() {
        state_.reset();
        SetEnvironmentVariableW(sim::kDevicesVariable, nullptr);
    }
    SimDevices(const SimDevices&) = delete;
    SimDevices& operator=(const SimDevices&) = delete;

    // The shared state block, created if no simulated device has opened it yet.
    sim::SharedState& State() {
        DWORD error = 0;
        if (!state_)
            state_ = sim::SharedView::Open(folder_.File(L"devices.txt"), true, error);
        if (!state_)
            throw std::runtime_error("cannot open the simulation's state, error " +
                                     std::to_string(error));
        return state_->State();
    }
    sim::ControllerSlot& Controller(int c) { return State().Controllers[c - 1]; }
    std::wstring File() const { return folder_.File(L"devices.txt"); }
    sim::BoardSlot& Board(int h) { return State().Boards[h - 1]; }

private:
    ScratchFolder folder_;
    std::unique_ptr<sim::SharedView> state_;
};

struct WindowTraits {
    static void Close(HWND window) { DestroyWindow(window); }
};
// A hidden top-level window for the cooperative level.
struct TestWindow : win32::UniqueOf<HWND, WindowTraits> {
    TestWindow()
        : UniqueOf(CreateWindowExW(0, L"STATIC", L"device test", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                   100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
};

} // namespace qm::testing
