#include "preview/preview_print_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

#include "fakes/fake_preview_host.h"

namespace ks::preview {
namespace {

// The print thread's side: a print that waits until the test lets it finish
// (or its stop token fires), and the posts it makes.
class ScriptedPrint {
public:
    Result<jobs::JobRecord> print(const std::string& clientJobId, std::stop_token stop) {
        std::unique_lock lock(mutex_);
        calledFor.push_back(clientJobId);
        changed_.notify_all();
        // The stop token is polled rather than waited on: a wait with it
        // registers a stop callback, and with this toolchain's libstdc++ the
        // thread that removes a callback while another runs it can wait
        // forever.
        while (!changed_.wait_for(lock, std::chrono::milliseconds(5),
                                  [&] { return released_ || stop.stop_requested(); })) {
        }
        sawStop = stop.stop_requested();
        jobs::JobRecord record;
        record.clientJobId = clientJobId;
        record.state = jobs::JobState::Queued;
        return record;
    }
    bool post(std::uint64_t workId) {
        const std::lock_guard lock(mutex_);
        posted.push_back(workId);
        changed_.notify_all();
        return postSucceeds;
    }
    void release() {
        const std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    void waitUntil(const std::function<bool()>& condition) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, condition);
    }

    std::vector<std::string> calledFor;
    std::vector<std::uint64_t> posted;
    bool postSucceeds = true;
    bool sawStop = false;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool released_ = false;
};

class PreviewPrintRunnerTest : public testing::Test {
protected:
    ScriptedPrint script_;
    std::shared_ptr<PreviewSession> session_ = std::make_shared<PreviewSession>(fakes::preparedJob("a"));
    PreviewPrintRunner runner_{[this](const std::string& id, std::stop_token stop) { return script_.print(id, stop); },
                               [this](std::uint64_t workId) { return script_.post(workId); },
                               {}};
};

TEST_F(PreviewPrintRunnerTest, OnePrintAtATimeItsResultTakenOnceItIsThere) {
    ASSERT_EQ(runner_.start(session_, 7).value(), 7u);
    script_.waitUntil([&] { return !script_.calledFor.empty(); });
    const auto busy = runner_.start(session_, 8);
    ASSERT_FALSE(busy);
    EXPECT_EQ(busy.error(), Error("KSR-4006", L"预览打印正在处理或服务已关闭"));
    EXPECT_FALSE(runner_.take(7)) << "still printing";

    // The message may be lost: the result is there for the polling UI thread.
    script_.postSucceeds = false;
    script_.release();
    script_.waitUntil([&] { return !script_.posted.empty(); });
    EXPECT_FALSE(runner_.take(8)) << "another work's id";
    auto outcome = runner_.take(7);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->workId, 7u);
    EXPECT_EQ(outcome->session, session_);
    EXPECT_EQ(outcome->result.value().clientJobId, "a");
    EXPECT_FALSE(runner_.take(7)) << "taken once";
    EXPECT_EQ(script_.posted, (std::vector<std::uint64_t>{7}));

    ASSERT_TRUE(runner_.start(session_, 9)) << "the next print may start";
    script_.waitUntil([&] { return script_.posted.size() == 2; });
    EXPECT_TRUE(runner_.take(9));
}

TEST_F(PreviewPrintRunnerTest, StopTriggersTheTokenCancelsTheSessionAndJoins) {
    ASSERT_TRUE(runner_.start(session_, 1));
    script_.waitUntil([&] { return !script_.calledFor.empty(); });
    std::vector<std::shared_ptr<PreviewSession>> cancelled;
    runner_.stop([&](const std::shared_ptr<PreviewSession>& session) { cancelled.push_back(session); });
    // Joined: what the thread did is visible without a lock.
    EXPECT_TRUE(script_.sawStop);
    EXPECT_TRUE(script_.posted.empty()) << "nothing is posted once stopped";
    EXPECT_EQ(cancelled, (std::vector<std::shared_ptr<PreviewSession>>{session_}));
    EXPECT_FALSE(runner_.take(1));
    EXPECT_FALSE(runner_.start(session_, 2));
    runner_.stop([&](const std::shared_ptr<PreviewSession>& session) { cancelled.push_back(session); });
    EXPECT_EQ(cancelled.size(), 1u) << "nothing left to cancel";
}

TEST(PreviewPrintRunnerErrors, WhatThePrintThrowsBecomesItsResult) {
    struct Case {
        std::function<void()> raise;
        Error expected;
    };
    const Case cases[] = {
        {[] { throw std::bad_alloc(); }, Error("KSR-3003", L"打印内存不足，请减少页数后重试")},
        {[] { throw std::runtime_error("驱动崩溃"); }, Error("KSR-4003", L"打印处理失败；异常信息：驱动崩溃")},
        {[] { throw std::runtime_error(""); }, Error("KSR-4003", L"打印处理失败；异常信息：未提供异常详情")},
        {[] { throw std::runtime_error("\xB4\xED"); }, Error("KSR-4003", L"打印处理失败；异常信息：错")},
        {[] { throw std::runtime_error("\xFF"); }, Error("KSR-4003", L"打印处理失败；异常信息：异常详情无法解码")},
        {[] { throw 42; }, Error("KSR-4003", L"打印处理失败；异常信息：未知非标准异常")},
    };
    // Stands for the ANSI code page: GBK's "错" and nothing else.
    const protocol::AnsiDecoder gbk = [](std::string_view bytes) -> std::optional<std::wstring> {
        if (bytes == "\xB4\xED") return L"错";
        return std::nullopt;
    };
    for (const Case& c : cases) {
        std::mutex mutex;
        std::condition_variable posted;
        bool done = false;
        PreviewPrintRunner runner(
            [&](const std::string&, std::stop_token) -> Result<jobs::JobRecord> {
                c.raise();
                return Error("KSR-0000", L"unreachable");
            },
            [&](std::uint64_t) {
                const std::lock_guard lock(mutex);
                done = true;
                posted.notify_all();
                return true;
            },
            gbk);
        ASSERT_TRUE(runner.start(std::make_shared<PreviewSession>(fakes::preparedJob("a")), 1));
        {
            std::unique_lock lock(mutex);
            posted.wait(lock, [&] { return done; });
        }
        const auto outcome = runner.take(1);
        ASSERT_TRUE(outcome);
        ASSERT_FALSE(outcome->result);
        EXPECT_EQ(outcome->result.error(), c.expected);
    }
}

}  // namespace
}  // namespace ks::preview
