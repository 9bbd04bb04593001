#pragma once
// Process priority classes, the runner's priority menu, and the process-priority seam.
#include "core/window_handle.h"

#include <array>
#include <cstdint>

namespace qm {

inline constexpr std::uint32_t kRealtimePriorityClass = 0x100;
inline constexpr std::uint32_t kHighPriorityClass = 0x80;
inline constexpr std::uint32_t kAboveNormalPriorityClass = 0x8000;
inline constexpr std::uint32_t kNormalPriorityClass = 0x20;
inline constexpr std::uint32_t kBelowNormalPriorityClass = 0x4000;
inline constexpr std::uint32_t kIdlePriorityClass = 0x40;

// The runner's priority menu, index 0 to 5 ("ThreadPriority").
inline constexpr std::array<std::uint32_t, 6> kPriorityMenuClasses = {
    kRealtimePriorityClass, kHighPriorityClass,        kAboveNormalPriorityClass,
    kNormalPriorityClass,   kBelowNormalPriorityClass, kIdlePriorityClass};
inline constexpr int kDefaultPriorityIndex = 1;

// The class of a menu index; an unknown index falls back to the default index.
std::uint32_t PriorityClassForIndex(int index);

class ProcessPriority {
public:
    virtual ~ProcessPriority() = default;
    // The priority class of a process (process id 0: the window's process); 0 when the
    // process cannot be opened.
    virtual std::uint32_t GetProcessPriority(std::uint32_t processId, WindowHandle window) = 0;
    // Sets the class; returns the class then in effect where the variant can tell.
    virtual std::uint32_t SetProcessPriority(std::uint32_t processId, WindowHandle window,
                                             std::uint32_t priorityClass) = 0;
};

// What every caller does: set the class only when it differs from the current one. Returns
// whether it asked to set it.
bool ApplyProcessPriority(ProcessPriority& priority, WindowHandle window,
                          std::uint32_t wantedClass);

} // namespace qm
