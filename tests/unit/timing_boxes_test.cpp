// The timing boxes of both preferences windows: the leading number of a text, the scroll bars'
// steps and ranges with the top at the maximum.
#include "settings/timing_boxes.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

namespace qm {
namespace {

TEST(TimingBoxes, LeadingNumberClampedToAMinute) {
    const std::pair<const char*, int> cases[] = {
        {"250", 250}, {"250ms", 250},   {" 12.6", 13},
        {"+7", 7},    {"x", 0},         {"", 0},
        {"-5", 0},    {"60001", 60000}, {"99999999999999999999", 60000},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(TimingValue(text), value) << text;
}

TEST(TimingBoxes, ScrollBarsStepWithinTheirRangesWithTheTopAtTheMaximum) {
    using enum ScrollAction;
    constexpr auto hold = TimingBox::KeyHold;       // 0..500, steps 5 and 25
    constexpr auto repeat = TimingBox::RepeatDelay; // 0..1000, steps 100 and 100
    constexpr auto rotary = TimingBox::RotaryThreshold;
    // The box's text, the action and its track position, then the text and bar position after.
    const std::tuple<TimingBox, const char*, ScrollAction, int, const char*, int> cases[] = {
        {hold, "0", LineDown, 0, "0", 500},     {hold, "0", LineUp, 0, "5", 495},
        {hold, "5", LineDown, 0, "0", 500},     {hold, "495", LineUp, 0, "500", 0},
        {hold, "500", LineUp, 0, "500", 0},     {hold, "490", PageUp, 0, "500", 0},
        {hold, "30", PageDown, 0, "5", 495},    {hold, "10", PageDown, 0, "0", 500},
        {hold, "900", LineUp, 0, "900", 0},     {hold, "900", LineDown, 0, "495", 5},
        {hold, "abc", LineUp, 0, "5", 495},     {repeat, "1000", LineDown, 0, "900", 100},
        {repeat, "0", PageUp, 0, "100", 900},   {repeat, "1", Top, 0, "1000", 0},
        {rotary, "35", Bottom, 0, "0", 500},    {rotary, "35", Track, 0, "500", 0},
        {rotary, "35", Track, 499, "1", 499},   {rotary, "35", Track, 600, "0", 500},
        {rotary, "35", Track, -5, "500", 0},    {rotary, "35", LineUp, 0, "40", 460},
        {rotary, "35", PageDown, 0, "10", 490},
    };
    for (const auto& [box, text, action, track, after, position] : cases) {
        TimingBoxes boxes;
        boxes.SetText(box, text);
        SCOPED_TRACE(std::string(text) + " " + std::to_string(static_cast<int>(action)));
        EXPECT_EQ(boxes.Scroll(box, action, track), std::string_view(after) != text);
        EXPECT_EQ(boxes.Text(box), after);
        EXPECT_EQ(boxes.ScrollPosition(box), position);
    }
}

} // namespace
} // namespace qm
