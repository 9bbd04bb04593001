#include "settings/win32/process_priority_win32.h"

#include "core/win32/win32_handle.h"

#include <windows.h>

namespace qm {

namespace {

using win32::UniqueHandle;

DWORD TargetProcessId(std::uint32_t processId, WindowHandle window) {
    if (processId != 0)
        return processId;
    if (window == nullptr)
        return GetCurrentProcessId();
    DWORD windowProcessId = 0;
    GetWindowThreadProcessId(static_cast<HWND>(window), &windowProcessId);
    return windowProcessId; // 0 for a window that does not exist: nothing can be opened
}

UniqueHandle OpenTarget(DWORD processId, DWORD access) {
    if (processId == 0)
        return UniqueHandle();
    return UniqueHandle(OpenProcess(access, FALSE, processId));
}

std::uint32_t QueryPriority(std::uint32_t processId, WindowHandle window) {
    const UniqueHandle process =
        OpenTarget(TargetProcessId(processId, window), PROCESS_QUERY_INFORMATION);
    return process ? GetPriorityClass(process.Get()) : 0;
}

} // namespace

std::uint32_t EditorProcessPriority::GetProcessPriority(std::uint32_t processId,
                                                        WindowHandle window) {
    return QueryPriority(processId, window);
}

std::uint32_t EditorProcessPriority::SetProcessPriority(std::uint32_t processId,
                                                        WindowHandle window,
                                                        std::uint32_t priorityClass) {
    const DWORD target = TargetProcessId(processId, window);
    UniqueHandle process = OpenTarget(target, PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION);
    if (process)
        SetPriorityClass(process.Get(), priorityClass);
    else
        process = OpenTarget(target, PROCESS_QUERY_INFORMATION);
    return process ? GetPriorityClass(process.Get()) : 0;
}

std::uint32_t RunnerProcessPriority::GetProcessPriority(std::uint32_t processId,
                                                        WindowHandle window) {
    return QueryPriority(processId, window);
}

std::uint32_t RunnerProcessPriority::SetProcessPriority(std::uint32_t, WindowHandle,
                                                        std::uint32_t priorityClass) {
    // The pseudo-handle of the current process needs no closing.
    SetPriorityClass(GetCurrentProcess(), priorityClass);
    return GetPriorityClass(GetCurrentProcess());
}

} // namespace qm
