#include "devices/win32/orvhid_library.h"

#include "core/win32/win32_text.h"

#include <utility>

namespace qm::win32 {

OrvhidLibrary::OrvhidLibrary() : OrvhidLibrary(ProgramFolder()) {}

OrvhidLibrary::OrvhidLibrary(std::wstring folder) {
    if (folder.empty()) {
        loadError_ = ERROR_PATH_NOT_FOUND;
        return;
    }
    if (folder.back() != L'\\' && folder.back() != L'/')
        folder += L'\\';
    UniqueModule module = LoadLibraryByPath(folder + WideFromUtf8(kOrvhidDllName), loadError_);
    detect_ = ExportOf<DetectHIDFn>(module.Get(), "DetectHID");
    read_ = ExportOf<ReadInputDataFn>(module.Get(), "ReadInputData");
    close_ = ExportOf<CloseDevicesFn>(module.Get(), "CloseDevices");
    if (module && (detect_ == nullptr || read_ == nullptr || close_ == nullptr)) {
        loadError_ = ERROR_PROC_NOT_FOUND;
        detect_ = nullptr;
        read_ = nullptr;
        close_ = nullptr;
        return;
    }
    module_ = std::move(module);
}

std::int16_t OrvhidLibrary::DetectHID(std::int16_t& count, HidDeviceRecord* table,
                                      std::int32_t mode) {
    if (detect_ == nullptr) {
        count = 0;
        return 0;
    }
    return detect_(&count, table, mode);
}

std::int32_t OrvhidLibrary::ReadInputData(HidDeviceRecord& record, HidReadBuffer& buffer,
                                          std::int32_t mode) {
    if (read_ == nullptr)
        return 0;
    return read_(record.Bytes.data(), buffer.data(), mode);
}

void OrvhidLibrary::CloseDevices(std::int16_t count, HidDeviceRecord* table) {
    if (close_ != nullptr)
        close_(count, table);
}

} // namespace qm::win32
