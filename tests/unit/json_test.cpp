// The small JSON reader of the tools' description files.
#include "core/json.h"

#include <gtest/gtest.h>

namespace qm::json {
namespace {

TEST(Json, ReadsDocumentsAndRejectsMalformedOnes) {
    std::string error;
    const auto doc = Parse(
        R"([{"kind":"board","path":"\\\\?\\hid\u00e9","buttons":32,"x":[true,null]}])", error);
    ASSERT_TRUE(doc) << error;
    const auto& first = doc->AsArray()->at(0);
    EXPECT_EQ(*first.Find("path")->AsString(), "\\\\?\\hid\xC3\xA9");
    EXPECT_EQ(*first.Find("buttons")->AsNumber(), 32);
    EXPECT_EQ(first.Find("missing"), nullptr);

    for (const char* bad :
         {"", "[", "[1,]", "{\"a\" 1}", "[\"unterminated]", "[1] 2", "[01x]", "[\"\\q\"]"}) {
        EXPECT_FALSE(Parse(bad, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(Parse(std::string(10000, '['), error)); // deep nesting is refused, not a crash
}

TEST(Json, QuotesTextForOutput) {
    EXPECT_EQ(Quote("a\"b\\c\r\n\x01\xC3\xA9"), "\"a\\\"b\\\\c\\r\\n\\u0001\xC3\xA9\"");
}

} // namespace
} // namespace qm::json
