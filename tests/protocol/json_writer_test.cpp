#include "protocol/json_writer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace ks::protocol {
namespace {

TEST(JsonWriterTest, EscapesQuotesBackslashesAndControlBytes) {
    EXPECT_EQ(escapeJsonString("a\"b\tc"), R"("a\"b\tc")");
    EXPECT_EQ(escapeJsonString("\\ \b \f \n \r"), R"("\\ \b \f \n \r")");
    EXPECT_EQ(escapeJsonString(std::string("\x01\x1F\x00", 3)), R"("\u0001\u001f\u0000")");
}

TEST(JsonWriterTest, CopiesEveryOtherByteUnchanged) {
    // Slash, DEL and multi-byte UTF-8 are never escaped.
    EXPECT_EQ(escapeJsonString("/\x7F"), "\"/\x7F\"");
    EXPECT_EQ(escapeJsonString("找不到指定打印机"), "\"找不到指定打印机\"");
    EXPECT_EQ(escapeJsonString(""), "\"\"");
}

TEST(JsonWriterTest, WritesMembersInOrderWithoutWhitespace) {
    JsonObjectWriter writer;
    writer.addString("s", "x").addNumber("n", -42).addBool("t", true).addBool("f", false).addRaw("o", "{}");
    EXPECT_EQ(writer.finish(), R"({"s":"x","n":-42,"t":true,"f":false,"o":{}})");
    EXPECT_EQ(JsonObjectWriter().finish(), "{}");
}

TEST(JsonWriterTest, WritesInt64LimitsAsPlainDecimals) {
    JsonObjectWriter writer;
    writer.addNumber("min", std::numeric_limits<std::int64_t>::min())
        .addNumber("max", std::numeric_limits<std::int64_t>::max())
        .addNumber("zero", 0)
        .addNumber("u32", 4294967295u);
    EXPECT_EQ(writer.finish(), R"({"min":-9223372036854775808,"max":9223372036854775807,"zero":0,"u32":4294967295})");
}

TEST(JsonWriterTest, JoinsArrays) {
    EXPECT_EQ(jsonArray({}), "[]");
    const std::vector<std::string> elements{"1", R"({"a":2})"};
    EXPECT_EQ(jsonArray(elements), R"([1,{"a":2}])");
}

}  // namespace
}  // namespace ks::protocol
