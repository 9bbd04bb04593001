#include "runner/sent_chords.h"

#include "core/key_names.h"
#include "runner/switching.h"

namespace qm {
namespace {

// The modifier a virtual key is (0 SHIFT, 1 CTRL, 2 ALT, 3 WIN, either side), or -1.
int ModifierOf(std::uint16_t virtualKey) {
    switch (virtualKey) {
    case 16:
    case 160:
    case 161:
        return 0;
    case 17:
    case 162:
    case 163:
        return 1;
    case 18:
    case 164:
    case 165:
        return 2;
    case 91:
    case 92:
        return 3;
    default:
        return -1;
    }
}

} // namespace

void SentChords::Send(std::span<const KeyInput> records) {
    const double now = clock_.Now();
    for (const KeyInput& record : records) {
        const int modifier = ModifierOf(record.VirtualKey);
        if (modifier >= 0) {
            int& held = held_[static_cast<std::size_t>(modifier)];
            held = record.KeyUp ? (held > 0 ? held - 1 : 0) : held + 1;
            continue;
        }
        if (record.KeyUp)
            continue;
        std::uint16_t mask = 0;
        static constexpr std::array<std::uint16_t, 4> kMasks = {kShiftMask, kCtrlMask, kAltMask,
                                                                Hotkey::kWinMask};
        for (std::size_t m = 0; m < held_.size(); ++m)
            if (held_[m] > 0)
                mask = static_cast<std::uint16_t>(mask | kMasks[m]);
        chords_[next_] = {mask, record.VirtualKey, now, false};
        next_ = (next_ + 1) % chords_.size();
    }
    Inner().Send(records);
}

bool SentChords::TakeRecent(std::uint16_t modifiers, std::uint16_t key) {
    const double now = clock_.Now();
    for (Chord& chord : chords_) {
        if (!chord.Taken && chord.Key == key && chord.Modifiers == modifiers &&
            now - chord.At < kExplainsFor) {
            chord.Taken = true;
            return true;
        }
    }
    return false;
}

} // namespace qm
