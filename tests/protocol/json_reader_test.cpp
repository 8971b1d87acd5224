#include "protocol/json_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>

namespace ks::protocol {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

std::string nested(std::size_t depth) {
    return "{\"a\":" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
}

template <typename Read>
void expectReadError(Read&& read, const char* what) {
    try {
        read();
        ADD_FAILURE() << "expected JsonReadError \"" << what << "\"";
    } catch (const JsonReadError& error) {
        EXPECT_STREQ(error.what(), what);
    }
}

TEST(JsonReaderTest, RejectsTextThatIsNotExactlyOneObject) {
    const std::string rejected[] = {
        "",
        "  ",
        "[]",
        "1",
        "\"text\"",
        "null",
        "{} x",
        "{}{}",
        "{\"a\":1,}",
        "{'a':1}",
        "{\"a\":01}",
        "{\"a\":NaN}",
        "{/*c*/}",
        "{\"a\":\"tab\there\"}",
        // A NUL byte is never JSON: not after the object, not raw in a string.
        std::string("{}\0", 3),
        std::string("{}\0{\"a\":1}", 10),
        std::string("{\"a\":\"x\0y\"}", 12),
        std::string("\0", 1),
        // A number out of the double range is no licence for bad syntax.
        "{\"a\":1e999,}",
        "{\"a\":1e999 x}",
        "{\"a\":01e999}",
        // Unpaired surrogate escapes.
        "{\"a\":\"\\ud800\"}",
        "{\"a\":\"\\udc00x\"}",
        "{\"a\":\"\\ud800\\u0041\"}",
    };
    for (const auto& text : rejected) EXPECT_FALSE(JsonDocument::parse(text).has_value()) << text;
    EXPECT_TRUE(JsonDocument::parse(" {} \r\n\t").has_value());
}

TEST(JsonReaderTest, NumbersBeyondTheDoubleRangeAreInfinite) {
    const auto document =
        JsonDocument::parse(R"({"big":1e999,"s":"1e999","small":-1E+400,"tiny":1e-999,"list":[{"n":)" +
                            std::string(400, '9') + R"(}],"after":2.5,"esc":"\"1e999"})");
    ASSERT_TRUE(document.has_value());
    const JsonObject root = document->root();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(root.getNumber("big"), inf);
    EXPECT_EQ(root.getNumber("small"), -inf);
    EXPECT_EQ(root.getNumber("tiny"), 0.0);
    EXPECT_EQ(root.getArray("list").objectAt(0).getNumber("n"), inf);
    EXPECT_EQ(root.getNumber("after"), 2.5);
    // Strings that look like numbers are left alone.
    EXPECT_EQ(root.getString("s"), "1e999");
    EXPECT_EQ(root.getString("esc"), "\"1e999");
}

TEST(JsonReaderTest, IllFormedUtf8BecomesReplacementCharacter) {
    const auto document = JsonDocument::parse(
        "{\"s\":\"a\xFF"
        "b\xE6\x89\", \"\xC0\":1}");
    ASSERT_TRUE(document.has_value());
    EXPECT_EQ(document->root().getString("s"), "a" + kReplacement + "b" + kReplacement);
    EXPECT_TRUE(document->root().has(kReplacement));
}

TEST(JsonReaderTest, EscapesDecodeToUtf8) {
    const auto document = JsonDocument::parse(R"({"s":"\ud83d\udda8\u6253\u0000\n"})");
    ASSERT_TRUE(document.has_value());
    EXPECT_EQ(document->root().getString("s"), std::string("\xF0\x9F\x96\xA8\xE6\x89\x93\0\n", 9));
}

TEST(JsonReaderTest, NumbersAreDoubles) {
    const auto document =
        JsonDocument::parse(R"({"int":-7,"frac":2.5,"exp":1e2,"big":99999999999999999999999,"odd":9007199254740993,)"
                            R"("min":-9223372036854775808})");
    ASSERT_TRUE(document.has_value());
    const JsonObject root = document->root();
    EXPECT_EQ(root.getNumber("int"), -7.0);
    EXPECT_EQ(root.getNumber("frac"), 2.5);
    EXPECT_EQ(root.getNumber("exp"), 100.0);
    EXPECT_EQ(root.getNumber("big"), 1e23);
    // 2^53 + 1 has no double; it rounds to even as a decimal parse would.
    EXPECT_EQ(root.getNumber("odd"), 9007199254740992.0);
    EXPECT_EQ(root.getNumber("min"), -9223372036854775808.0);
}

TEST(JsonReaderTest, GettersFailOnMissingMemberOrOtherType) {
    const auto document = JsonDocument::parse(R"({"s":"x","n":1,"b":false,"o":{},"a":[],"z":null})");
    ASSERT_TRUE(document.has_value());
    const JsonObject root = document->root();
    struct Getter {
        const char* matching;
        std::function<void(std::string_view)> read;
    };
    const Getter getters[] = {
        {"s", [&](std::string_view n) { (void)root.getString(n); }},
        {"n", [&](std::string_view n) { (void)root.getNumber(n); }},
        {"b", [&](std::string_view n) { (void)root.getBoolean(n); }},
        {"o", [&](std::string_view n) { (void)root.getObject(n); }},
        {"a", [&](std::string_view n) { (void)root.getArray(n); }},
    };
    for (const auto& getter : getters) {
        for (const std::string_view name : {"s", "n", "b", "o", "a", "z", "missing", "S"}) {
            SCOPED_TRACE(std::string(getter.matching) + " getter on " + std::string(name));
            if (name == getter.matching) {
                EXPECT_NO_THROW(getter.read(name));
            } else {
                EXPECT_THROW(getter.read(name), JsonReadError);
            }
        }
    }
    EXPECT_TRUE(root.has("z"));
    EXPECT_FALSE(root.has("Z"));
}

TEST(JsonReaderTest, MemberNamesAndArrays) {
    const auto document = JsonDocument::parse(R"({"b":[{"x":true},1],"a\u0000":1})");
    ASSERT_TRUE(document.has_value());
    auto names = document->root().memberNames();
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], std::string_view("a\0", 2));
    EXPECT_EQ(names[1], "b");

    const JsonArray array = document->root().getArray("b");
    ASSERT_EQ(array.size(), 2u);
    EXPECT_TRUE(array.objectAt(0).getBoolean("x"));
    expectReadError([&] { (void)array.objectAt(1); }, "JSON array element is not an object");
    expectReadError([&] { (void)array.objectAt(2); }, "JSON array index out of range");
}

TEST(JsonReaderTest, NestingIsBoundedWithoutCrashing) {
    EXPECT_TRUE(JsonDocument::parse(nested(kMaxJsonNestingDepth)).has_value());
    EXPECT_FALSE(JsonDocument::parse(nested(kMaxJsonNestingDepth + 1)).has_value());

    const std::size_t mebibyte = 1 << 20;
    EXPECT_FALSE(JsonDocument::parse(std::string(mebibyte, '[')).has_value());
    EXPECT_FALSE(JsonDocument::parse("{\"a\":" + std::string(mebibyte, '[') + "}").has_value());
    std::string objects;
    while (objects.size() < mebibyte) objects += "{\"a\":";
    EXPECT_FALSE(JsonDocument::parse(objects).has_value());
}

TEST(JsonReaderTest, MebibyteInputsDoNotCrash) {
    const std::size_t mebibyte = 1 << 20;
    std::string wide = "{\"a\":[0";
    while (wide.size() < mebibyte) wide += ",0";
    wide += "]}";
    const auto document = JsonDocument::parse(wide);
    ASSERT_TRUE(document.has_value());
    EXPECT_EQ(document->root().getArray("a").size(), (wide.size() - 7) / 2);

    // Every byte ill-formed: the sanitised text is three times as long.
    const auto replaced = JsonDocument::parse("{\"s\":\"" + std::string(mebibyte, '\xFF') + "\"}");
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(replaced->root().getString("s").size(), 3 * mebibyte);

    std::mt19937 random(20240601);
    std::string noise(mebibyte, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    EXPECT_FALSE(JsonDocument::parse(noise).has_value());
    const auto huge = JsonDocument::parse("{\"a\":" + std::string(mebibyte, '9') + "}");
    ASSERT_TRUE(huge.has_value());
    EXPECT_EQ(huge->root().getNumber("a"), std::numeric_limits<double>::infinity());
}

TEST(JsonNumberRulesTest, Uint32) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const double value : {0.0, -0.0, 1.0, 4294967295.0}) {
        EXPECT_EQ(uint32FromJsonNumber(value), static_cast<std::uint32_t>(value)) << value;
    }
    for (const double value : {4294967296.0, -1.0, 0.5, -0.5, 4294967294.5, 1e300, inf, -inf, std::nan("")}) {
        SCOPED_TRACE(value);
        expectReadError([&] { (void)uint32FromJsonNumber(value); }, "JSON value is not uint32");
    }
}

TEST(JsonNumberRulesTest, Int64) {
    const double inf = std::numeric_limits<double>::infinity();
    const double largestBelow2To63 = std::nextafter(9223372036854775808.0, 0.0);
    EXPECT_EQ(int64FromJsonNumber(-9223372036854775808.0), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(int64FromJsonNumber(largestBelow2To63), INT64_C(9223372036854774784));
    EXPECT_EQ(int64FromJsonNumber(-0.0), 0);
    EXPECT_EQ(int64FromJsonNumber(-42.0), -42);
    const double rejected[] = {
        9223372036854775808.0, std::nextafter(-9223372036854775808.0, -inf), 0.5, -1.5, inf, -inf, std::nan("")};
    for (const double value : rejected) {
        SCOPED_TRACE(value);
        expectReadError([&] { (void)int64FromJsonNumber(value); }, "JSON value is not int64");
    }
}

}  // namespace
}  // namespace ks::protocol
