#include "devices/win32/directx_setup.h"

#include "devices/win32/direct_input.h"

#include <string>

namespace qm::win32 {
namespace {

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::wstring(folder, length) + L'\\';
}

} // namespace

Win32DirectXSetup::Win32DirectXSetup() {
    for (const std::wstring& folder : {ProgramFolder(), SystemFolder()}) {
        if (folder.empty())
            continue;
        DWORD error = 0;
        UniqueModule module = LoadLibraryByPath(folder + L"dsetup.dll", error);
        const auto getVersion = ExportOf<GetVersionFn>(module.Get(), "DirectXSetupGetVersion");
        if (getVersion != nullptr) {
            module_ = std::move(module);
            getVersion_ = getVersion;
            return;
        }
    }
}

int Win32DirectXSetup::GetVersion(std::uint32_t& version, std::uint32_t& revision) {
    if (getVersion_ == nullptr)
        return 0;
    DWORD v = 0;
    DWORD r = 0;
    const INT result = getVersion_(&v, &r);
    version = v;
    revision = r;
    return result;
}

bool Win32DirectXSetup::CanCreateDirectInput() {
    return CanCreateDirectInput8();
}

} // namespace qm::win32
