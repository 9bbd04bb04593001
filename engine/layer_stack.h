#pragma once
// The shift layers held. A control that selects a layer puts it on top at its press and takes it
// out at its release, wherever it is by then: the last pressed of those held is in use, and
// releasing it returns to the one held before.
#include <array>
#include <cstddef>
#include <cstdint>

namespace qm {

class LayerStack {
public:
    void Push(std::int32_t mapping, int layer);
    void Remove(std::int32_t mapping);
    void Clear() { count_ = 0; }
    // The layer on top; 0 (the base) when none is held.
    int Active() const { return count_ == 0 ? 0 : entries_[count_ - 1].Layer; }

private:
    struct Entry {
        std::int32_t Mapping = 0;
        int Layer = 0;
    };
    // More controls held at once than anyone has hands for: the oldest gives way.
    static constexpr std::size_t kMaxHeld = 32;
    std::array<Entry, kMaxHeld> entries_{};
    std::size_t count_ = 0;
};

} // namespace qm
