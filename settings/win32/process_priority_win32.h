#pragma once
// The two process-priority variants over the Windows priority-class calls.
#include "settings/process_priority.h"

namespace qm {

// Works on the process of the given id, or of the window when the id is 0 (the current
// process when there is no window either); returns the class in effect after setting it.
class EditorProcessPriority final : public ProcessPriority {
public:
    std::uint32_t GetProcessPriority(std::uint32_t processId, WindowHandle window) override;
    std::uint32_t SetProcessPriority(std::uint32_t processId, WindowHandle window,
                                     std::uint32_t priorityClass) override;
};

// Sets the class of the current process whatever id and window it is given; reads like the
// editor's variant.
class RunnerProcessPriority final : public ProcessPriority {
public:
    std::uint32_t GetProcessPriority(std::uint32_t processId, WindowHandle window) override;
    std::uint32_t SetProcessPriority(std::uint32_t processId, WindowHandle window,
                                     std::uint32_t priorityClass) override;
};

} // namespace qm
