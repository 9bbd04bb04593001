// Files, and the scratch installation of the programs and the simulated devices a run uses.
#include "harness.h"

#include "core/win32/com_ptr.h"
#include "core/win32/win32_handle.h"
#include "core/win32/win32_module.h"
#include "ui/win32/shell_handles.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace qm::e2e {

std::wstring DriverFolder() {
    return win32::ProgramFolder();
}

void WriteFile(const std::wstring& path, std::string_view bytes) {
    win32::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) ||
        written != bytes.size())
        throw Fatal("cannot write " + Narrow(path));
}

void MakeFolder(const std::wstring& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error)
        throw Fatal("cannot create " + Narrow(path) + ": " + error.message());
}

namespace {

// The folder of the installed programs in use, with a trailing backslash; empty for scratch
// installations.
std::wstring& InstalledFolder() {
    static std::wstring folder;
    return folder;
}

constexpr const wchar_t* kSimulatedDevices[] = {L"dinput8.dll", L"orvhid.dll"};

} // namespace

InstalledPrograms::InstalledPrograms(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    for (const wchar_t* program : {L"corvex.exe", L"vantrel.exe"}) {
        if (GetFileAttributesW((folder + program).c_str()) == INVALID_FILE_ATTRIBUTES)
            throw Fatal(Narrow(folder) + " holds no " + Narrow(program));
    }
    const std::wstring payload = DriverFolder() + L"payload\\";
    for (const wchar_t* file : kSimulatedDevices) {
        // Fails when the file is there: a device library of the installation is never replaced.
        if (!CopyFileW((payload + file).c_str(), (folder + file).c_str(), TRUE)) {
            const DWORD error = GetLastError();
            for (const std::wstring& copied : copied_)
                DeleteFileW(copied.c_str());
            throw Fatal("cannot copy " + Narrow(file) + " into " + Narrow(folder) + ", error " +
                        std::to_string(error));
        }
        copied_.push_back(folder + file);
    }
    InstalledFolder() = folder;
}

InstalledPrograms::~InstalledPrograms() {
    InstalledFolder().clear();
    // A program just ended may hold its libraries a moment longer.
    for (const std::wstring& file : copied_)
        PumpUntil(
            [&] { return DeleteFileW(file.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; },
            5000);
}

Installation Install(const std::wstring& name) {
    Installation install;
    if (!InstalledFolder().empty()) {
        install.Folder = InstalledFolder();
        install.Program = install.Folder + L"corvex.exe";
        MakeFolder(DriverFolder() + L"work");
        install.DeviceFile = DriverFolder() + L"work\\" + name + L"-devices.txt";
        install.Installed = true;
        return install;
    }
    install.Folder = DriverFolder() + L"work\\" + name + L"\\";
    install.Program = install.Folder + L"corvex.exe";
    install.DeviceFile = install.Folder + L"devices.txt";
    std::error_code error;
    // A run may have left read-only files, which the removal would keep, and paths longer
    // than the classic limit (reached only through the long-path prefix).
    const std::filesystem::path leftovers = L"\\\\?\\" + install.Folder;
    for (std::filesystem::recursive_directory_iterator it(leftovers, error), end;
         !error && it != end; it.increment(error))
        SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    error.clear();
    std::filesystem::remove_all(leftovers, error);
    if (error)
        throw Fatal("cannot empty " + Narrow(install.Folder) + ": " + error.message());
    MakeFolder(install.Folder + L"config");
    const std::wstring payload = DriverFolder() + L"payload\\";
    for (const wchar_t* file : {L"corvex.exe", L"default.ico", L"dinput8.dll", L"orvhid.dll",
                                L"qmftool.exe", L"target-one.exe", L"target-two.exe"}) {
        if (!CopyFileW((payload + file).c_str(), (install.Folder + file).c_str(), FALSE))
            throw Fatal("cannot copy " + Narrow(payload + file) + " (build the ui_driver target)");
    }
    // The editor, where the build has it.
    CopyFileW((payload + L"vantrel.exe").c_str(), (install.Folder + L"vantrel.exe").c_str(), FALSE);
    return install;
}

std::wstring ArtifactsFolder() {
    const std::wstring folder = DriverFolder() + L"artifacts\\";
    MakeFolder(folder);
    return folder;
}

} // namespace qm::e2e
