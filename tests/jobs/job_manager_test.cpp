#include "jobs/job_manager.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "protocol/error_catalog.h"

namespace ks::jobs {
namespace {

using namespace std::chrono_literals;

const std::string kHash(64, 'a');
const std::string kOtherHash(64, 'b');

raster::RasterPageList onePage() {
    raster::RasterPage page;
    page.width = page.height = 1;
    return std::make_shared<const std::vector<raster::RasterPage>>(std::vector<raster::RasterPage>{page});
}

printing::PrintTicket ticketFor(const std::string& printerId) {
    printing::PrintTicket ticket;
    ticket.printerId = printerId;
    return ticket;
}

// Prints by script: each call takes the next outcome (a spooler job id, an
// error or an exception to throw); with `holdPrints` set it waits inside
// print until released, as a driver that takes its time.
class ScriptedExecutor final : public printing::IPrintExecutor {
public:
    using Outcome = std::function<Result<std::uint32_t>()>;

    Result<std::uint32_t> print(const printing::PrintTicket& ticket, const raster::RasterPageList&) override {
        std::unique_lock lock(mutex_);
        printedFor.push_back(ticket.printerId);
        ++printing_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return !holdPrints; });
        --printing_;
        Outcome outcome = outcomes.empty() ? Outcome([] { return Result<std::uint32_t>(7u); }) : outcomes.front();
        if (!outcomes.empty()) outcomes.pop_front();
        lock.unlock();
        return outcome();
    }
    std::optional<std::wstring> takeLastWarning() override {
        if (warningThrows) throw std::bad_alloc();
        return std::exchange(warning, std::nullopt);
    }

    bool waitUntilPrinting() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return printing_ > 0; });
    }
    void release() {
        const std::lock_guard lock(mutex_);
        holdPrints = false;
        changed_.notify_all();
    }
    std::size_t prints() {
        const std::lock_guard lock(mutex_);
        return printedFor.size();
    }

    std::deque<Outcome> outcomes;
    std::optional<std::wstring> warning;
    bool warningThrows = false;
    bool holdPrints = false;
    std::vector<std::string> printedFor;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int printing_ = 0;
};

class ScriptedSpoolerControl final : public ISpoolerControl {
public:
    Result<bool> cancel(std::string_view printerId, std::uint32_t windowsJobId) override {
        calls.emplace_back(std::string(printerId), windowsJobId);
        return answer;
    }
    Result<bool> answer = true;
    std::vector<std::pair<std::string, std::uint32_t>> calls;
};

class JobManagerTest : public testing::Test {
protected:
    Result<JobRecord> submit(const std::string& id, const std::string& hash = kHash) {
        return manager_.submit(id, hash, ticketFor("printer-1"), onePage());
    }

    ScriptedExecutor executor_;
    ScriptedSpoolerControl spooler_;
    JobManager manager_{executor_, spooler_, [](std::string_view) { return std::nullopt; }};
};

TEST_F(JobManagerTest, SameJobPrintsOnceAndRefusalsTakeNoNumber) {
    executor_.warning = L"请求纸张与实际纸张不一致";
    const auto first = submit("a");
    ASSERT_TRUE(first);
    EXPECT_EQ(first.value().jobId, "ks-job-1");
    EXPECT_EQ(first.value().state, JobState::Queued);
    EXPECT_EQ(first.value().windowsJobId, 7u);
    EXPECT_EQ(first.value().warning, std::optional<std::wstring>(L"请求纸张与实际纸张不一致"));

    const auto again = submit("a");
    ASSERT_TRUE(again);
    EXPECT_EQ(again.value().jobId, "ks-job-1");
    EXPECT_EQ(again.value().windowsJobId, 7u);
    EXPECT_EQ(executor_.prints(), 1u) << "no second print";

    EXPECT_EQ(submit("a", kOtherHash).error().code(), "KSR-4002");
    EXPECT_EQ(submit("", kHash).error().code(), "KSR-4004");
    EXPECT_EQ(submit("b", "").error().code(), "KSR-4004");
    EXPECT_EQ(manager_.submit("b", kHash, ticketFor("p"), nullptr).error(),
              Error("KSR-3001", L"打印任务页面数据缺失（pages 指针为空）"));
    EXPECT_EQ(
        manager_.submit("b", kHash, ticketFor("p"), std::make_shared<const std::vector<raster::RasterPage>>()).error(),
        Error("KSR-3001", L"打印任务没有可打印页面（页面数量为 0）"));
    EXPECT_EQ(submit("b").value().jobId, "ks-job-2");
    EXPECT_EQ(manager_.registerPreview("c", kHash, "p").value().jobId, "ks-job-3");
}

TEST_F(JobManagerTest, AFailedJobKeepsItsRecordAndIsNotRetried) {
    executor_.outcomes = {[] { return Result<std::uint32_t>(Error("KSR-2007", L"打印机能力已变化，请重新生成页面")); }};
    const auto failed = submit("a");
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed.value().state, JobState::Failed);
    EXPECT_EQ(failed.value().error, Error("KSR-2007", L"打印机能力已变化，请重新生成页面"));
    EXPECT_EQ(failed.value().windowsJobId, 0u);

    EXPECT_EQ(submit("a").value().state, JobState::Failed);
    EXPECT_EQ(executor_.prints(), 1u);
    EXPECT_EQ(submit("a", kOtherHash).error().code(), "KSR-4002");
    EXPECT_EQ(manager_.status("a").value().state, JobState::Failed);
    EXPECT_EQ(manager_.latestJobStatus(), (LatestJobStatus{JobState::Failed, 0, "KSR-2007", 2}));
}

TEST_F(JobManagerTest, WhateverThePrintPathThrowsBecomesTheJobsError) {
    const struct {
        ScriptedExecutor::Outcome thrower;
        Error expected;
    } cases[] = {
        {[]() -> Result<std::uint32_t> { throw std::bad_alloc(); },
         Error("KSR-3003", L"打印内存不足，请减少页数后重试")},
        {[]() -> Result<std::uint32_t> { throw std::overflow_error("device dot count exceeds int32 range"); },
         Error("KSR-4003", L"打印驱动调用失败；异常信息：device dot count exceeds int32 range")},
        {[]() -> Result<std::uint32_t> { throw std::runtime_error("驱动忙"); },
         Error("KSR-4003", L"打印驱动调用失败；异常信息：驱动忙")},
        {[]() -> Result<std::uint32_t> { throw 42; }, Error("KSR-4003", L"打印驱动调用失败；异常信息：未知非标准异常")},
    };
    int id = 0;
    for (const auto& c : cases) {
        executor_.outcomes = {c.thrower};
        const auto record = submit(std::to_string(++id));
        ASSERT_TRUE(record);
        EXPECT_EQ(record.value().state, JobState::Failed);
        EXPECT_EQ(record.value().error, c.expected);
    }
    // An error code outside the four classes is summarised as class 6.
    executor_.outcomes = {[] { return Result<std::uint32_t>(Error("KSR-9001", L"x")); }};
    ASSERT_TRUE(submit("odd"));
    EXPECT_EQ(manager_.latestJobStatus(), (LatestJobStatus{JobState::Failed, 0, "", 6}));
}

TEST_F(JobManagerTest, MemoryRunningOutAfterTheSpoolerTookTheDocumentLeavesTheJobQueued) {
    // Taking the driver's warning runs out of memory: the job is queued
    // without it.
    executor_.warning = L"请求纸张与实际纸张不一致";
    executor_.warningThrows = true;
    const auto queued = submit("warning");
    ASSERT_TRUE(queued);
    EXPECT_EQ(queued.value().state, JobState::Queued);
    EXPECT_EQ(queued.value().windowsJobId, 7u);
    EXPECT_EQ(queued.value().warning, std::nullopt);

    EXPECT_EQ(manager_.status("warning").value().state, JobState::Queued);
    // Not stuck in Spooling: cancel reaches the spooler.
    EXPECT_EQ(manager_.cancel("warning").value().state, JobState::Cancelled);
    EXPECT_EQ(spooler_.calls.size(), 1u);
}

TEST_F(JobManagerTest, APreviewedJobIsTakenOverByItsPrint) {
    const auto preview = manager_.registerPreview("a", kHash, "old-printer");
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview.value().state, JobState::Previewing);
    EXPECT_EQ(manager_.registerPreview("a", kHash, "other").value().printerId, "old-printer") << "unchanged";
    EXPECT_EQ(manager_.registerPreview("a", kOtherHash, "old-printer").error().code(), "KSR-4002");

    const auto printed = manager_.submit("a", kHash, ticketFor("new-printer"), onePage());
    ASSERT_TRUE(printed);
    EXPECT_EQ(printed.value().jobId, "ks-job-1");
    EXPECT_EQ(printed.value().printerId, "new-printer");
    EXPECT_EQ(printed.value().state, JobState::Queued);
}

TEST_F(JobManagerTest, CancelRules) {
    EXPECT_EQ(manager_.cancel("nobody").error(), Error("KSR-4001", L"找不到指定打印任务"));

    // Never reached the spooler: cancelled without asking it.
    ASSERT_TRUE(manager_.registerPreview("preview", kHash, "p"));
    EXPECT_EQ(manager_.cancel("preview").value().state, JobState::Cancelled);
    EXPECT_TRUE(spooler_.calls.empty());
    EXPECT_EQ(manager_.cancel("preview").value().state, JobState::Cancelled) << "twice is fine";

    ASSERT_TRUE(submit("queued"));
    spooler_.answer = false;
    EXPECT_EQ(manager_.cancel("queued").error(),
              Error("KSR-4009", L"Windows 队列未接受取消请求，请查询任务状态后重试"));
    spooler_.answer = Error("KSR-4008", L"无法打开打印机以取消任务，请检查打印机连接与权限 (Win32=5)");
    EXPECT_EQ(manager_.cancel("queued").error().code(), "KSR-4008");
    EXPECT_EQ(manager_.status("queued").value().state, JobState::Queued) << "kept on every error";
    spooler_.answer = true;
    EXPECT_EQ(manager_.cancel("queued").value().state, JobState::Cancelled);
    EXPECT_EQ(spooler_.calls.back(), (std::pair<std::string, std::uint32_t>{"printer-1", 7}));

    executor_.outcomes = {[] { return Result<std::uint32_t>(Error("KSR-4003", L"Windows 队列拒绝打印任务")); }};
    ASSERT_TRUE(submit("failed"));
    EXPECT_EQ(manager_.cancel("failed").error(), Error("KSR-4005", L"任务已结束，无法取消"));
}

// A job in the driver blocks nobody but another print: status and cancel are
// answered meanwhile, and the same job sent again is not printed twice.
TEST_F(JobManagerTest, StatusCancelAndResubmissionWhileAJobPrints) {
    executor_.holdPrints = true;
    std::thread printing([&] { EXPECT_EQ(submit("a").value().state, JobState::Queued); });
    ASSERT_TRUE(executor_.waitUntilPrinting());

    EXPECT_EQ(manager_.status("a").value().state, JobState::Spooling);
    EXPECT_EQ(manager_.cancel("a").error().code(), "KSR-4010");
    EXPECT_EQ(submit("a").value().state, JobState::Spooling) << "the same job is not printed again";
    EXPECT_EQ(manager_.registerPreview("b", kHash, "p").value().jobId, "ks-job-2");

    executor_.release();
    printing.join();
    EXPECT_EQ(executor_.prints(), 1u);
    EXPECT_EQ(manager_.status("a").value().state, JobState::Queued);
}

TEST_F(JobManagerTest, RacingSubmissionsOfOneJobPrintOnce) {
    std::vector<std::thread> clients;
    std::vector<std::string> jobIds(8);
    for (std::size_t i = 0; i < jobIds.size(); ++i) {
        clients.emplace_back([&, i] { jobIds[i] = submit("same").value().jobId; });
    }
    for (auto& client : clients) client.join();
    EXPECT_EQ(executor_.prints(), 1u);
    for (const auto& jobId : jobIds) EXPECT_EQ(jobId, "ks-job-1");
}

}  // namespace
}  // namespace ks::jobs
