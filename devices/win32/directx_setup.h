#pragma once
// The DirectX check's platform side: dsetup.dll when it exists (it does not on current Windows
// or under Wine), and whether a DirectInput 8 object can be created.
#include "core/win32/win32_module.h"
#include "devices/input_devices.h"

#include <windows.h>

namespace qm::win32 {

class Win32DirectXSetup final : public DirectXSetup {
public:
    // Looks for dsetup.dll in the program's folder, then in the system folder.
    Win32DirectXSetup();

    bool HasSetupLibrary() override { return getVersion_ != nullptr; }
    int GetVersion(std::uint32_t& version, std::uint32_t& revision) override;
    bool CanCreateDirectInput() override;

private:
    using GetVersionFn = INT(WINAPI*)(DWORD* version, DWORD* revision);
    UniqueModule module_;
    GetVersionFn getVersion_ = nullptr;
};

} // namespace qm::win32
