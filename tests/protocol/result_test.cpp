#include "protocol/result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace ks {
namespace {

TEST(ResultTest, HoldsValueOrError) {
    Result<int> value(42);
    ASSERT_TRUE(value.hasValue());
    EXPECT_EQ(value.value(), 42);

    Result<int> failure(Error("KSR-2001", L"找不到指定打印机"));
    ASSERT_FALSE(failure.hasValue());
    EXPECT_EQ(failure.error().code(), "KSR-2001");
    EXPECT_EQ(failure.error().message(), L"找不到指定打印机");
    EXPECT_TRUE(failure.error().hasCode("KSR-2001"));
    EXPECT_FALSE(failure.error().hasCode("KSR-200"));
}

TEST(ResultTest, MisuseRaisesLogicErrorWithExactText) {
    Result<std::string> value(std::string("x"));
    Result<std::string> failure(Error("KSR-1001", L"JSON 请求无效"));
    Result<void> success;
    Result<void> voidFailure(Error("KSR-1001", L"JSON 请求无效"));

    const auto expectLogicError = [](auto&& call, const char* text) {
        try {
            call();
            ADD_FAILURE() << "no exception";
        } catch (const std::logic_error& error) {
            EXPECT_STREQ(error.what(), text);
        }
    };
    expectLogicError([&] { (void)failure.value(); }, "Result does not contain a value");
    expectLogicError([&] { (void)value.error(); }, "Result does not contain an error");
    expectLogicError([&] { voidFailure.value(); }, "Result does not contain a value");
    expectLogicError([&] { (void)success.error(); }, "Result does not contain an error");
}

TEST(ResultTest, MovesOutMoveOnlyValues) {
    Result<std::unique_ptr<int>> result(std::make_unique<int>(7));
    std::unique_ptr<int> taken = std::move(result).value();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(*taken, 7);
}

}  // namespace
}  // namespace ks
