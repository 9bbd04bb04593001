#include "ui/win32/shell_icons.h"

#include <commctrl.h>
#include <shellapi.h>

namespace qm::win32 {

UniqueIcon LoadIconResource(HINSTANCE instance, const wchar_t* name, int width, int height) {
    // Not shared: the owner destroys it.
    return UniqueIcon(static_cast<HICON>(LoadImageW(instance, name, IMAGE_ICON, width, height, 0)));
}

namespace {

// The file's icon from the system image list the flags name.
UniqueIcon ShellIcon(const std::wstring& path, UINT sizeFlags) {
    SHFILEINFOW info{};
    const auto list = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX | sizeFlags));
    if (list == nullptr)
        return {};
    return UniqueIcon(ImageList_GetIcon(list, info.iIcon, ILD_TRANSPARENT));
}

} // namespace

UniqueIcon LargeShellIcon(const std::wstring& path) {
    return ShellIcon(path, SHGFI_SHELLICONSIZE);
}

UniqueIcon SmallShellIcon(const std::wstring& path) {
    return ShellIcon(path, SHGFI_SHELLICONSIZE | SHGFI_SMALLICON);
}

std::wstring ShellIconSource(const std::wstring& path) {
    std::wstring lower = path;
    CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    const auto dot = lower.find_last_of(L".\\/");
    const std::wstring extension =
        dot != std::wstring::npos && lower[dot] == L'.' ? lower.substr(dot) : L"";
    for (const wchar_t* own : {L".ico", L".exe", L".dll", L".icl", L".lnk", L".cur", L".ani"})
        if (extension == own)
            return lower;
    return L"*" + extension;
}

} // namespace qm::win32
