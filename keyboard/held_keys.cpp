#include "keyboard/held_keys.h"

#include <algorithm>

namespace qm {

namespace {

constexpr std::array<std::uint16_t, 3> kLocks = {kVkNumLock, kVkCapsLock, kVkScrollLock};

} // namespace

HeldKeys::Held* HeldKeys::Find(std::uint16_t virtualKey) {
    const auto end = held_.begin() + static_cast<std::ptrdiff_t>(count_);
    const auto it = std::find_if(held_.begin(), end,
                                 [&](const Held& h) { return h.Key.VirtualKey == virtualKey; });
    return it == end ? nullptr : &*it;
}

void HeldKeys::Send(std::span<const KeyInput> records) {
    // Runs of records pass through whole; a held key's key-up splits them and is dropped.
    std::size_t start = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!records[i].KeyUp || Find(records[i].VirtualKey) == nullptr)
            continue;
        if (i > start)
            Inner().Send(records.subspan(start, i - start));
        start = i + 1;
    }
    if (start < records.size())
        Inner().Send(records.subspan(start));
}

std::uint32_t HeldKeys::Hold(const CompiledKeys& keys, NavigationKeys navigation) {
    std::array<KeyInput, kStepCount * 4> downs{};
    std::size_t n = 0;
    for (int k = 1; k <= kStepCount; ++k) {
        const KeyStep& step = keys.Step(k);
        if (!step.IsUsed())
            continue;
        for (const KeySlot& slot : step.Slots) {
            if (slot.VirtualKey == 0)
                break;
            if (Held* held = Find(slot.VirtualKey)) {
                ++held->Holders;
                continue;
            }
            if (count_ == kMaxHeld)
                continue;
            const KeyInput key{slot.VirtualKey, slot.ScanCode, false,
                               SendsExtended(slot.VirtualKey, navigation)};
            held_[count_++] = {key, 1};
            downs[n++] = key;
        }
    }
    CountLocks(keys, 1);
    if (n > 0)
        Inner().Send(std::span(downs.data(), n));
    return ticket_;
}

void HeldKeys::LetGo(const CompiledKeys& keys, std::uint32_t ticket) {
    if (ticket != ticket_)
        return;
    std::array<KeyInput, kStepCount * 4> ups{};
    std::size_t n = 0;
    for (int k = kStepCount; k >= 1; --k) {
        const KeyStep& step = keys.Step(k);
        if (!step.IsUsed())
            continue;
        for (auto slot = step.Slots.rbegin(); slot != step.Slots.rend(); ++slot) {
            Held* held = slot->VirtualKey != 0 ? Find(slot->VirtualKey) : nullptr;
            if (held == nullptr || --held->Holders > 0)
                continue;
            KeyInput up = held->Key;
            up.KeyUp = true;
            ups[n++] = up;
            // The record stays in pressing order.
            std::copy(held + 1, held_.begin() + static_cast<std::ptrdiff_t>(count_), held);
            --count_;
        }
    }
    CountLocks(keys, -1);
    if (n > 0)
        Inner().Send(std::span(ups.data(), n));
}

void HeldKeys::ReleaseAll() {
    std::array<KeyInput, kMaxHeld> ups{};
    std::size_t n = 0;
    while (count_ > 0) {
        KeyInput up = held_[--count_].Key;
        up.KeyUp = true;
        ups[n++] = up;
    }
    ++ticket_;
    const auto forced = locksOn_;
    locksOn_ = {};
    if (n > 0)
        Inner().Send(std::span(ups.data(), n));
    for (std::size_t i = 0; i < kLocks.size(); ++i)
        if (forced[i] > 0)
            SetKeyState(Inner(), kLocks[i], 0);
}

std::int16_t HeldKeys::LockWanted(std::uint16_t virtualKey) const {
    for (std::size_t i = 0; i < kLocks.size(); ++i)
        if (kLocks[i] == virtualKey)
            return locksOn_[i] > 0 ? 1 : 0;
    return 0;
}

void HeldKeys::CountLocks(const CompiledKeys& keys, int by) {
    const std::array<std::int16_t, 3> flags = {keys.NumLock, keys.CapsLock, keys.ScrollLock};
    for (std::size_t i = 0; i < flags.size(); ++i)
        if (flags[i] != 0)
            locksOn_[i] = std::max(locksOn_[i] + by, 0);
}

} // namespace qm
