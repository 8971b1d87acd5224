#include "management/latest_job_line.h"

#include <gtest/gtest.h>

#include <string>

namespace ks::management {
namespace {

jobs::LatestJobStatus job(jobs::JobState state, std::string errorCode = {}) {
    const std::uint32_t category = errorCode.empty() ? 0 : 3;
    return {state, 0, std::move(errorCode), category};
}

TEST(LatestJobLineTest, NoJobYet) { EXPECT_EQ(formatLatestJobLine(std::nullopt), L"最近任务：无"); }

TEST(LatestJobLineTest, EveryStateByNameAndUnknownBeyond) {
    const wchar_t* const names[] = {L"Created",  L"Previewing", L"Validating", L"Spooling", L"Queued",
                                    L"Printing", L"Completed",  L"Failed",     L"Cancelled"};
    for (std::uint32_t state = 0; state < 9; ++state) {
        EXPECT_EQ(formatLatestJobLine(job(static_cast<jobs::JobState>(state))),
                  std::wstring(L"最近任务：") + names[state]);
    }
    EXPECT_EQ(formatLatestJobLine(job(static_cast<jobs::JobState>(9))), L"最近任务：Unknown");
    EXPECT_EQ(formatLatestJobLine(job(static_cast<jobs::JobState>(0xFFFFFFFF))), L"最近任务：Unknown");
}

TEST(LatestJobLineTest, OnlyWellFormedServiceCodesAreAppended) {
    EXPECT_EQ(formatLatestJobLine(job(jobs::JobState::Failed, "KSR-3003")), L"最近任务：Failed（KSR-3003）");
    EXPECT_EQ(formatLatestJobLine(job(jobs::JobState::Cancelled, "KSR-1000")), L"最近任务：Cancelled（KSR-1000）");
    EXPECT_EQ(formatLatestJobLine(job(jobs::JobState::Failed, "KSR-4999")), L"最近任务：Failed（KSR-4999）");
    for (const char* odd : {"KSR-0003", "KSR-5003", "KSR-9999", "KSR-300", "KSR-30031", "ksr-3003", "KSR_3003",
                            "XSR-3003", "KSR-3A03", "KSR-30 3", "KSR-300\xEF", "KSR-", "E_FAIL"}) {
        EXPECT_EQ(formatLatestJobLine(job(jobs::JobState::Failed, odd)), L"最近任务：Failed") << odd;
    }
}

}  // namespace
}  // namespace ks::management
