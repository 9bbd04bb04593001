#pragma once
// The mapping engine: one pass reads every device once, finds each mapped button's press and
// release edges and sends the bound keys (plain, Repeat, Rotary, Hold), with the lock keys forced
// for each burst; it keeps the shift layers held and moves the pointer for axis rows. The runner
// and the editor's test mode differ only in an EnginePolicy.
#include "core/clock.h"
#include "core/compiled_keys.h"
#include "core/dialogs.h"
#include "devices/device_reader.h"
#include "devices/device_tables.h"
#include "engine/layer_stack.h"
#include "keyboard/held_keys.h"
#include "keyboard/keyboard.h"
#include "keyboard/lock_keeping_keyboard.h"
#include "keyboard/send_keys.h"

#include <array>
#include <limits>
#include <span>
#include <string_view>
#include <vector>

namespace qm {

// Where a mapping's pressed state lives and what a pass reports: the runner keeps the state in
// the compiled keys and shows the button in its status bar; the editor colours rows.
class EnginePolicy {
public:
    virtual ~EnginePolicy() = default;
    // Whether a held button of mapping m is handled at all.
    virtual bool Handles(int m) const = 0;
    // Whether m's press edge was handled (no new press edge while this holds).
    virtual bool Pressed(int m) const = 0;
    // Whether m's release is due when its button is up.
    virtual bool ReleaseDue(int m) const = 0;
    virtual void SetPressed(int m, bool pressed) = 0;
    // False only when no mapping can have a release due: then a pass may skip a device whose
    // buttons are all up.
    virtual bool AnyReleaseDue() const = 0;
    // After the press edge of button b of device d (mapping m) was handled.
    virtual void PressEdge(int d, int b, int m) = 0;
    // At the end of a pass that read every device; readFailing when a device's read failed;
    // deviceNotice what happened to the devices last (empty: nothing since the scan).
    virtual void PassEnd(bool anyDown, bool readFailing, std::string_view deviceNotice) = 0;
    // Whether a mapping may be due for release without a press edge of this engine (a row
    // recoloured by a click): then no quiet device is skipped.
    virtual bool ReleaseDueWithoutPress() const { return false; }
    // On every pass that finds button b of device d held and mapped.
    virtual void ButtonHeld(int /*d*/, int /*b*/) {}
    // The same for a hat or axis row, named as the list names it ("Hat 1 Up").
    virtual void ControlPressEdge(int d, std::string_view /*name*/, int m) { PressEdge(d, 0, m); }
    virtual void ControlHeld(int /*d*/, std::string_view /*name*/) {}
};

struct EngineSettings {
    double RepeatRate = 0.5;   // seconds
    double RotaryRate = 0.035; // seconds
    int KeyHoldMs = 0;
    NavigationKeys Navigation = NavigationKeys::AsKeypad;
};

class MappingEngine {
public:
    MappingEngine(DeviceReader& devices, Keyboard& keyboard, Clock& clock, Dialogs& dialogs)
        : devices_(devices), keyboard_(keyboard), clock_(clock),
          dialogs_(dialogs, [this] { ReleaseHeld(); }) {}
    // Whatever Hold holds goes up.
    ~MappingEngine();
    MappingEngine(const MappingEngine&) = delete;
    MappingEngine& operator=(const MappingEngine&) = delete;

    EngineSettings Settings;

    // One pass: one timer tick of the runner or of the editor's test mode. Element m of
    // `press`/`release` is mapping m + 1. Allocates nothing once a pass has
    // seen the devices and the table (the first makes room for their state). An error ends the pass
    // with the standard error box (" in sub MyDXCallback."). A pass never runs inside another, nor
    // while its error box is open: this is the one guard against a tick re-entering. The pass first
    // handles the changes the devices read on events buffered (as Edges does).
    void Pass(const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
              std::span<const CompiledKeys> release, EnginePolicy& policy) noexcept;
    // A device's event between passes: each button change buffered since, in order, as its own
    // press or release edge, by the rules of a pass (a Rotary press timed by the change's own
    // stamp). Repeat, the status and the other devices wait for the next pass. The same guard
    // and error box as a pass.
    void Edges(const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
               std::span<const CompiledKeys> release, EnginePolicy& policy) noexcept;

    // Every key a row with Hold holds goes up, and the lock keys such rows forced on are
    // forced off: at Stop, at a switch of configuration, before any box or dialog (the engine's
    // own error box included), at the end of the session and at exit. The rows stay pressed
    // until their controls are released, which then sends only their release keys.
    void ReleaseHeld() noexcept;
    // Whether some key is held for a row with Hold.
    bool HoldsKeys() const { return !held_.Empty(); }
    // The shift layer in use: that of the last pressed of the controls held that select one,
    // 0 (the base) when none is held.
    int ActiveLayer() const { return layers_.Active(); }

private:
    void RunPass(const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
                 std::span<const CompiledKeys> release, EnginePolicy& policy);
    void RunEdges(const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
                  std::span<const CompiledKeys> release, EnginePolicy& policy);
    // The row of button b of device d (LayerBits `bits`) and its layer: while one of its rows
    // is pressed, that one (a control keeps the row its press chose); else the row of the layer
    // in use, else the base row.
    struct ButtonChoice {
        int Mapping = 0;
        int Layer = 0;
        bool Layered = false; // the button has rows in the layers
    };
    ButtonChoice ButtonRow(const ButtonMapTable& buttonMap, int d, int b, std::uint8_t bits,
                           int mappings);
    // 1 + the layer of the row pressed of each button with rows in the layers, 0 for none, by
    // ButtonMapTable::CellIndex; made again for each new table.
    std::uint8_t& Latch(const ButtonMapTable& buttonMap, int d, int b);
    // The same for the rows of one control (a group of ControlRows::Bind); null for none.
    const ControlBinding* ControlRow(std::span<const ControlBinding> group, int mappings,
                                     EnginePolicy& policy) const;
    // Button b of device d (the row `choice`) is down or up; whether it is down. `pressedAt`:
    // when it went down (for Rotary), kPressedNow for the time of the pass.
    static constexpr double kPressedNow = std::numeric_limits<double>::quiet_NaN();
    bool RunButton(const ButtonMapTable& buttonMap, int d, int b, ButtonChoice choice, bool down,
                   double pressedAt, std::span<CompiledKeys> press,
                   std::span<const CompiledKeys> release, EnginePolicy& policy);
    // The rows that select a layer, before every other row of the pass.
    bool RunSelectors(const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
                      std::span<const CompiledKeys> release, EnginePolicy& policy);
    // One control's rows (a group); whether its row is down. `mayHold`: as RunControls.
    bool RunControl(int d, std::span<const ControlBinding> group, const ControlStates* states,
                    std::span<CompiledKeys> press, std::span<const CompiledKeys> release,
                    EnginePolicy& policy, bool mayHold);
    // Adds a pressed pointer row's speed to the pass's, and at the pass's end moves the pointer
    // by what the time since the last pass makes of it, keeping the fraction of a pixel.
    void AddPointerSpeed(const ControlBinding& control, const CompiledKeys& keys,
                         const ControlStates& states);
    void MovePointer();
    // `pressedAt`: when the button went down, on the clock (for Rotary). `control`: the hat or
    // axis row pressed, null for a button.
    void Press(int d, int b, int m, CompiledKeys& keys, EnginePolicy& policy, double pressedAt,
               const ControlBinding* control = nullptr);
    void Release(int d, int m, CompiledKeys& pressKeys, const CompiledKeys& releaseKeys,
                 EnginePolicy& policy);
    // The hat and axis rows of device d, from its read; whether one is down. `mayHold`: a
    // mapping pressed through d may be due for release.
    bool RunControls(int d, std::span<const ControlBinding> controls, std::span<CompiledKeys> press,
                     std::span<const CompiledKeys> release, EnginePolicy& policy, bool mayHold);
    // Device d was lost: every mapping held through it is released as if its button went up,
    // with every key it holds.
    void ReleaseDevice(int d, const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
                       std::span<const CompiledKeys> release, EnginePolicy& policy);
    // Whether a mapping pressed through device d may still be due for release.
    bool MayHoldPress(int d) const;
    // The locks forced as `locks` says; then forced off, unless a row held forces one on.
    void ForceLocks(const CompiledKeys& locks);
    void EndLocks();
    // The locks forced from `locks`, every used step of `side` `repetitions` times, then
    // every lock forced off (but those held rows force on).
    void Burst(const CompiledKeys& side, const CompiledKeys& locks, int repetitions);

    DeviceReader& devices_;
    // The lock states are read once a pass, at its first burst; the bursts then keep them.
    LockKeepingKeyboard keyboard_;
    // Every key goes out through the record of the keys held.
    HeldKeys held_{keyboard_};
    Clock& clock_;
    // Boxes come after the held keys went up.
    DialogsAfter dialogs_;
    bool busy_ = false;
    LayerStack layers_;
    // The buttons each device's read of this pass gave (element d).
    std::vector<int> readButtons_;
    std::vector<std::uint8_t> latches_;
    std::uint64_t latchesFor_ = 0;
    // Pixels a second the pointer rows ask for this pass; the fraction of a pixel not yet sent.
    double speedX_ = 0, speedY_ = 0;
    double remainderX_ = 0, remainderY_ = 0;
    double lastPassTime_ = -1;
    // Mappings pressed through each device, so that while one button is held the quiet
    // devices are still skipped. An upper bound: a device past the table is always examined.
    static constexpr int kCountedDevices = 512;
    std::array<int, kCountedDevices + 1> pressedOn_{};
    bool anyPressedOn_ = false;
};

} // namespace qm
