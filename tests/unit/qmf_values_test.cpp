// The .qmf value codec and the value conversions both readers rely on.
#include "core/ansi_text.h"
#include "core/app_error.h"
#include "core/qmf_values.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using testing::ErrorOf;

std::vector<Variant> ReadAll(std::string_view bytes) {
    QmfValueReader reader(bytes);
    std::vector<Variant> values;
    while (!reader.AtEnd())
        values.push_back(reader.Next());
    return values;
}

TEST(QmfValues, ParsesEachFormAndKeepsIt) {
    EXPECT_EQ(ParseQmfValue("\"SHIFT + A\""), Variant::Text("SHIFT + A"));
    EXPECT_EQ(ParseQmfValue("\" \""), Variant::Text(" "));
    EXPECT_EQ(ParseQmfValue("\"\""), Variant::Text(""));
    EXPECT_EQ(ParseQmfValue("  \"x\"  trailing"), Variant::Text("x"));
    EXPECT_EQ(ParseQmfValue("\"no closing quote"), Variant::Text("no closing quote"));
    EXPECT_EQ(ParseQmfValue("#TRUE#"), Variant::Bool(true));
    EXPECT_EQ(ParseQmfValue("#false#"), Variant::Bool(false));
    // Numbers as they are written, "6.5e+47" too.
    for (const auto& [line, number] :
         {std::pair{"12", 12.0}, {"-1.5", -1.5}, {"1.4", 1.4}, {"6.5e+47", 6.5e47}, {"+3", 3.0}})
        EXPECT_EQ(ParseQmfValue(line), Variant::Number(number)) << line;
    EXPECT_EQ(ParseQmfValue("+-3"), Variant::Text("+-3"));
    EXPECT_EQ(ParseQmfValue(""), Variant());
    EXPECT_EQ(ParseQmfValue("bare words"), Variant::Text("bare words"));
    EXPECT_EQ(ParseQmfValue("0x10"), Variant::Text("0x10"));
}

TEST(QmfValues, ReadsEveryLineBreakUpToTheLastValueAndNoFurther) {
    EXPECT_EQ(ReadAll("\"a\"\r\n\"b\"\n\"c\"\r#TRUE#\r\n\r\n\n"),
              (std::vector{Variant::Text("a"), Variant::Text("b"), Variant::Text("c"),
                           Variant::Bool(true)}));
    // A blank line inside the data is an empty value, not the end.
    EXPECT_EQ(ReadAll("\"a\"\r\n\r\n\"b\"\r\n").size(), 3u);
    // Reading past the end is an error.
    QmfValueReader reader("\"only\"");
    EXPECT_EQ(reader.Next(), Variant::Text("only"));
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(ErrorOf([&] { reader.Next(); }).number(), err::InputPastEndOfFile);
}

TEST(QmfValues, WritesCrLfInEachFormAndAnsiBytes) {
    QmfValueWriter w;
    w.WriteString("Fire \xC3\xA9");
    for (const auto& v : {Variant::Bool(true), Variant::Number(2), Variant::Text(""), Variant()})
        w.WriteValue(v);
    EXPECT_EQ(w.bytes(), "\"Fire \xE9\"\r\n#TRUE#\r\n2\r\n\"\"\r\n\r\n");
    // And the reader gives back the same UTF-8 text.
    EXPECT_EQ(ParseQmfValue("\"Fire \xE9\""), Variant::Text("Fire \xC3\xA9"));
}

// Natively Windows-1252; under Wine the system code page of the test prefix (Windows-1252).
TEST(AnsiText, EveryByteRoundTripsAndUnmappableTextBecomesQuestionMark) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
    EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC"); // the euro sign
    EXPECT_EQ(Utf8ToAnsi("\xE2\x82\xAC"), "\x80");
    EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD"), "?");         // not in the code page
    EXPECT_EQ(Utf8ToAnsi("\xC4\x81"), "?");             // no best fit: not a plain "a"
    EXPECT_EQ(Utf8ToAnsi("x\xF0\x9F\x8E\xAEy"), "x?y"); // one character, two UTF-16 units
    EXPECT_EQ(AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(Utf8ToAnsi("a\377b"), "a?b"); // malformed UTF-8
}

TEST(Variant, ConvertsLikeTheClassicRuntime) {
    EXPECT_EQ((std::vector{Variant::Text(" true ").ToBool(), Variant::Text("FALSE").ToBool(),
                           Variant::Text("-1").ToBool(), Variant::Number(0).ToBool(),
                           Variant().ToBool()}),
              (std::vector{true, false, true, false, false}));
    EXPECT_EQ(Variant::Bool(true).ToNumber(), -1);
    EXPECT_EQ(Variant::Text(" 7 ").ToNumber(), 7);
    EXPECT_EQ(Variant::Number(2.5).ToInteger(), 2); // half to even
    EXPECT_EQ(Variant::Number(3.5).ToInteger(), 4);
    EXPECT_EQ(Variant::Bool(false).ToText(), "False");
    EXPECT_EQ(Variant::Number(4).ToText(), "4");
    EXPECT_EQ(Variant::Number(0.25).ToText(), "0.25");

    EXPECT_EQ(ErrorOf([] { (void)Variant::Text("maybe").ToBool(); }).number(), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { (void)Variant::Text("1X").ToNumber(); }).number(), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { (void)Variant::Text("inf").ToNumber(); }).number(), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { (void)Variant::Number(40000).ToInteger(); }).number(), err::Overflow);
}

} // namespace
} // namespace qm
