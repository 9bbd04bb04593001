// The timing boxes of both preferences windows: the leading number of a text, the scroll bars'
// steps and ranges with the top at the maximum.
#include "settings/timing_boxes.h"

#include <gtest/gtest.h>

#include <string>
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
    struct Case {
        TimingBox box;
        const char* text;
        ScrollAction action;
        int track;
        const char* after; // the box's text afterwards
        int position;      // the bar's position afterwards
    };
    const Case cases[] = {
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
    for (const auto& c : cases) {
        TimingBoxes boxes;
        boxes.SetText(c.box, c.text);
        const bool changed = boxes.Scroll(c.box, c.action, c.track);
        const auto label = std::string(c.text) + " " + std::to_string(static_cast<int>(c.action));
        EXPECT_EQ(changed, std::string_view(c.after) != c.text) << label;
        EXPECT_EQ(boxes.Text(c.box), c.after) << label;
        EXPECT_EQ(boxes.ScrollPosition(c.box), c.position) << label;
    }
}

} // namespace
} // namespace qm
