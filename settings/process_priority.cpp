#include "settings/process_priority.h"

#include <cstddef>

namespace qm {

std::uint32_t PriorityClassForIndex(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kPriorityMenuClasses.size())
        index = kDefaultPriorityIndex;
    return kPriorityMenuClasses[static_cast<std::size_t>(index)];
}

bool ApplyProcessPriority(ProcessPriority& priority, WindowHandle window,
                          std::uint32_t wantedClass) {
    if (priority.GetProcessPriority(0, window) == wantedClass)
        return false;
    priority.SetProcessPriority(0, window, wantedClass);
    return true;
}

} // namespace qm
