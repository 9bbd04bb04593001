#pragma once
// The chords the program's own key records pressed, so that a global hotkey they trigger can be
// told from one the user pressed: the system cannot tell injected keys from typed ones.
#include "core/clock.h"
#include "keyboard/keyboard.h"

#include <array>
#include <cstdint>
#include <span>

namespace qm {

// A keyboard that passes everything to another and notes each key it pressed down with the
// modifiers its own records held at that moment.
class SentChords final : public ForwardingKeyboard {
public:
    // How long after its key went down a chord can still explain a hotkey: the system reports
    // the hotkey within a millisecond, later only when the program is busy.
    static constexpr double kExplainsFor = 1.0; // seconds

    SentChords(Keyboard& keyboard, Clock& clock) : ForwardingKeyboard(keyboard), clock_(clock) {}

    void Send(std::span<const KeyInput> records) override;

    // Whether this program's own output pressed `key` with exactly `modifiers` (the key-name
    // mask bits, 8 for WIN) less than kExplainsFor ago. The chord found is used up: one press
    // explains one hotkey, and the user's own press of the same chord afterwards counts.
    bool TakeRecent(std::uint16_t modifiers, std::uint16_t key);

private:
    struct Chord {
        std::uint16_t Modifiers = 0;
        std::uint16_t Key = 0;
        double At = 0;
        bool Taken = true;
    };

    Clock& clock_;
    // How many of each modifier (SHIFT, CTRL, ALT, WIN) this program's records hold down.
    std::array<int, 4> held_{};
    // The latest chords, oldest overwritten first.
    std::array<Chord, 16> chords_{};
    std::size_t next_ = 0;
};

} // namespace qm
