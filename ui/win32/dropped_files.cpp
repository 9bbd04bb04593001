#include "ui/win32/dropped_files.h"

#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"

namespace qm::win32 {
namespace {

struct DropTraits {
    static void Close(HDROP drop) { DragFinish(drop); }
};

} // namespace

std::vector<std::string> TakeDroppedFiles(HDROP drop) {
    // Released also when reading a path fails.
    const UniqueOf<HDROP, DropTraits> handle(drop);
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(handle.Get(), 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(handle.Get(), i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        path.resize(DragQueryFileW(handle.Get(), i, path.data(), length + 1));
        paths.push_back(Utf8FromWide(path));
    }
    return paths;
}

} // namespace qm::win32
