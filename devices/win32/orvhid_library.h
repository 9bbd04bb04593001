#pragma once
// The board-library seam over the maker's orvhid.dll, loaded by its full path in the program's
// folder. A library that is missing or cannot be used (not a DLL, other bitness, exports
// missing) means no boards.
#include "core/win32/win32_module.h"
#include "devices/board_library.h"
#include "devices/win32/orvhid_exports.h"

#include <windows.h>

#include <string>

namespace qm::win32 {

class OrvhidLibrary final : public BoardLibrary {
public:
    // The library in the program's folder.
    OrvhidLibrary();
    // The library in `folder` (with or without a trailing separator).
    explicit OrvhidLibrary(std::wstring folder);

    // Whether the library was loaded with all three functions.
    bool Loaded() const { return static_cast<bool>(module_); }
    // Why it was not: the system error of the load, ERROR_PROC_NOT_FOUND for missing exports.
    DWORD LoadError() const { return loadError_; }

    std::int16_t DetectHID(std::int16_t& count, HidDeviceRecord* table, std::int32_t mode) override;
    std::int32_t ReadInputData(HidDeviceRecord& record, HidReadBuffer& buffer,
                               std::int32_t mode) override;
    void CloseDevices(std::int16_t count, HidDeviceRecord* table) override;

private:
    UniqueModule module_;
    DWORD loadError_ = ERROR_SUCCESS;
    DetectHIDFn detect_ = nullptr;
    ReadInputDataFn read_ = nullptr;
    CloseDevicesFn close_ = nullptr;
};

} // namespace qm::win32
