#include "engine/layer_stack.h"

#include <algorithm>

namespace qm {

void LayerStack::Push(std::int32_t mapping, int layer) {
    Remove(mapping);
    if (count_ == kMaxHeld) {
        std::copy(entries_.begin() + 1, entries_.end(), entries_.begin());
        --count_;
    }
    entries_[count_++] = {mapping, layer};
}

void LayerStack::Remove(std::int32_t mapping) {
    const auto end = entries_.begin() + static_cast<std::ptrdiff_t>(count_);
    const auto it =
        std::find_if(entries_.begin(), end, [&](const Entry& e) { return e.Mapping == mapping; });
    if (it == end)
        return;
    std::copy(it + 1, end, it);
    --count_;
}

} // namespace qm
