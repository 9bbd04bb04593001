#include "settings/timing_boxes.h"

#include "settings/settings_table.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr Setting SettingOf(TimingBox box) {
    switch (box) {
    case TimingBox::KeyHold:
        return Setting::KeyHold;
    case TimingBox::RepeatDelay:
        return Setting::RepeatRate;
    case TimingBox::RotaryThreshold:
        break;
    }
    return Setting::RotaryRate;
}

constexpr std::size_t IndexOf(TimingBox box) {
    return static_cast<std::size_t>(box);
}

constexpr TimingBox kAllBoxes[] = {TimingBox::KeyHold, TimingBox::RepeatDelay,
                                   TimingBox::RotaryThreshold};

} // namespace

TimingScale ScaleOf(TimingBox box) {
    switch (box) {
    case TimingBox::KeyHold:
        return {500, 5, 25};
    case TimingBox::RepeatDelay:
        return {1000, 100, 100};
    case TimingBox::RotaryThreshold:
        return {500, 5, 25};
    }
    return {0, 0, 0};
}

int TimingValue(std::string_view text) {
    std::size_t i = 0;
    const auto at = [&](char c) { return i < text.size() && text[i] == c; };
    const auto digit = [&] { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    while (at(' ') || at('\t'))
        ++i;
    const bool negative = at('-');
    if (negative || at('+'))
        ++i;
    double value = 0;
    bool any = false;
    for (; digit(); ++i, any = true)
        value = std::min(value * 10 + (text[i] - '0'), 1e12);
    if (at('.')) {
        ++i;
        for (double scale = 0.1; digit(); ++i, scale /= 10, any = true)
            value += (text[i] - '0') * scale;
    }
    if (!any || negative)
        return 0;
    return static_cast<int>(std::lround(std::min(value, static_cast<double>(kMaxTimingMs))));
}

void TimingBoxes::Load(SettingsStore& store, std::string_view programFolder) {
    for (const TimingBox box : kAllBoxes)
        texts_[IndexOf(box)] =
            std::to_string(ReadTimingSetting(store, SettingOf(box), programFolder));
}

const std::string& TimingBoxes::Text(TimingBox box) const {
    return texts_[IndexOf(box)];
}

void TimingBoxes::SetText(TimingBox box, std::string text) {
    texts_[IndexOf(box)] = std::move(text);
}

int TimingBoxes::ScaledValue(TimingBox box) const {
    return std::clamp(TimingValue(Text(box)), 0, ScaleOf(box).Maximum);
}

int TimingBoxes::ScrollPosition(TimingBox box) const {
    return ScaleOf(box).Maximum - ScaledValue(box);
}

bool TimingBoxes::Scroll(TimingBox box, ScrollAction action, int trackPosition) {
    const TimingScale scale = ScaleOf(box);
    const int current = ScaledValue(box);
    int value = current;
    switch (action) {
    case ScrollAction::LineUp:
        value += scale.SmallStep;
        break;
    case ScrollAction::LineDown:
        value -= scale.SmallStep;
        break;
    case ScrollAction::PageUp:
        value += scale.LargeStep;
        break;
    case ScrollAction::PageDown:
        value -= scale.LargeStep;
        break;
    case ScrollAction::Top:
        value = scale.Maximum;
        break;
    case ScrollAction::Bottom:
        value = 0;
        break;
    case ScrollAction::Track:
        value = scale.Maximum - trackPosition;
        break;
    }
    value = std::clamp(value, 0, scale.Maximum);
    if (value == current)
        return false;
    SetText(box, std::to_string(value));
    return true;
}

EngineTimings TimingBoxes::Values() const {
    return {TimingValue(Text(TimingBox::RepeatDelay)),
            TimingValue(Text(TimingBox::RotaryThreshold)), TimingValue(Text(TimingBox::KeyHold))};
}

EngineTimings TimingBoxes::Write(SettingsStore& store) {
    const EngineTimings timings = Values();
    const auto keep = [&](TimingBox box, int ms) {
        SetText(box, std::to_string(ms));
        WriteSetting(store, SettingOf(box), Text(box));
    };
    keep(TimingBox::RepeatDelay, timings.RepeatRateMs);
    keep(TimingBox::RotaryThreshold, timings.RotaryRateMs);
    keep(TimingBox::KeyHold, timings.KeyHoldMs);
    return timings;
}

} // namespace qm
