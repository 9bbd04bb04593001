#pragma once
// The three timing settings as both preferences windows edit them: each a text box holding the
// text as typed, with a vertical scroll bar beside it that shows its whole-number value.
#include "settings/settings_store.h"

#include <array>
#include <string>
#include <string_view>

namespace qm {

// What a running program takes over when its preferences are applied: the timings, whether
// the arrow and navigation keys go out as extended keys, and whether the pointer moves by
// exact pixels.
struct EngineTimings {
    int RepeatRateMs = 500;
    int RotaryRateMs = 35;
    int KeyHoldMs = 0;
    bool ExtendedKeys = false;
    bool ExactPointer = false;
};

enum class TimingBox { KeyHold, RepeatDelay, RotaryThreshold };

// A timing box's scroll bar: values 0 to Maximum, moved by SmallStep (the arrows) or
// LargeStep (a click beside the thumb). The top of the bar is the maximum.
struct TimingScale {
    int Maximum;
    int SmallStep;
    int LargeStep;
};
TimingScale ScaleOf(TimingBox box);

// What the user did to a timing box's scroll bar. Up raises the value.
enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Track };

// The leading number of a timing box's text, rounded and clamped to 0..kMaxTimingMs
// ("250ms" -> 250, "x" -> 0, "-5" -> 0).
int TimingValue(std::string_view text);

class TimingBoxes {
public:
    // Reads the three settings; a missing or unreadable one gets its default, written back.
    void Load(SettingsStore& store, std::string_view programFolder);

    const std::string& Text(TimingBox box) const;
    void SetText(TimingBox box, std::string text);

    // The position of the box's scroll bar for its text (0 at the top, the maximum); a value
    // beyond the range shows at the bar's end.
    int ScrollPosition(TimingBox box) const;
    // Moves the box's value by the action's step, or to the bar position `trackPosition`
    // (Track), within the bar's range, and shows it in the text. False, with nothing
    // changed, when the value stays.
    bool Scroll(TimingBox box, ScrollAction action, int trackPosition = 0);

    // The timings the boxes' leading numbers give.
    EngineTimings Values() const;
    // Writes each box's leading number to its setting; the boxes then show what was stored.
    EngineTimings Write(SettingsStore& store);

private:
    // The box's value within its scroll bar's range.
    int ScaledValue(TimingBox box) const;

    std::array<std::string, 3> texts_;
};

} // namespace qm
