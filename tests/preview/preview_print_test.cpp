#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fake_capability_source.h"
#include "fakes/fake_preview_host.h"
#include "fakes/job_services.h"
#include "preview/preview_coordinator.h"

namespace ks::preview {
namespace {

using jobs::JobState;

// Records what reached the printer; can hold a print until told to go on,
// and can fail it.
class RecordingExecutor final : public printing::IPrintExecutor {
public:
    Result<std::uint32_t> print(const printing::PrintTicket& ticket, const raster::RasterPageList& pages) override {
        std::unique_lock lock(mutex_);
        tickets.push_back(ticket);
        pageCounts.push_back(pages->size());
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holding_; });
        if (failure) return *failure;
        return static_cast<std::uint32_t>(tickets.size());
    }
    std::optional<std::wstring> takeLastWarning() override { return std::nullopt; }

    void hold() {
        const std::lock_guard lock(mutex_);
        holding_ = true;
    }
    void waitForPrints(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return tickets.size() >= count; });
    }
    void release() {
        const std::lock_guard lock(mutex_);
        holding_ = false;
        changed_.notify_all();
    }

    std::vector<printing::PrintTicket> tickets;
    std::vector<std::size_t> pageCounts;
    std::optional<Error> failure;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool holding_ = false;
};

class PreviewPrintTest : public testing::Test {
protected:
    PreviewPrintTest() {
        platform::PrinterCapabilities printer;
        printer.printerId = std::string(64, 'p');
        printer.capabilityHash = std::string(64, 'c');
        printer.dpiX = printer.dpiY = 203;
        printer.status = platform::PrinterStatus::Ready;
        capabilities_.record = printer;
    }

    // Opens a two-page preview of "a", rendered against the printer above.
    std::shared_ptr<PreviewSession> open() {
        auto job = fakes::preparedJob("a", 2);
        job.ticket.capabilityHash = std::string(64, 'c');
        EXPECT_TRUE(coordinator_.Open(std::move(job), false));
        return host_.shown.back();
    }

    Result<jobs::JobRecord> print(const std::string& jobId = "a") { return coordinator_.PrintFromPreview(jobId, {}); }

    static bool printed(const PreviewSession& session) {
        return session.withState([](const PreviewSessionState& state) { return state.printed; });
    }

    RecordingExecutor executor_;
    fakes::AcceptingSpoolerControl spooler_;
    jobs::JobManager jobs_{executor_, spooler_, [](std::string_view) { return std::nullopt; }};
    fakes::FakeCapabilitySource capabilities_;
    fakes::FakePreviewHost host_;
    PreviewCoordinator coordinator_{jobs_, capabilities_, host_};
};

TEST_F(PreviewPrintTest, EachPrintIsAJobOfItsOwnWithTheChosenPages) {
    const auto session = open();
    const auto first = print();
    ASSERT_TRUE(first);
    EXPECT_EQ(first.value().clientJobId, "a");
    EXPECT_EQ(first.value().state, JobState::Queued);
    EXPECT_TRUE(printed(*session));

    session->withState([](PreviewSessionState& state) {
        state.settings.pageSelectionMode = 2;
        state.settings.pageRangeText = L"2";
        state.job.ticket.copies = 3;
    });
    for (const char* expected : {"a-preview-2", "a-preview-3"}) {
        const auto again = print();
        ASSERT_TRUE(again);
        EXPECT_EQ(again.value().clientJobId, expected);
        EXPECT_EQ(again.value().state, JobState::Queued);
        EXPECT_EQ(again.value().contentHash, std::string(64, 'a')) << "the preview never changes the content";
    }
    EXPECT_EQ(executor_.pageCounts, (std::vector<std::size_t>{2, 1, 1}));
    EXPECT_EQ(executor_.tickets.back().copies, 3u);
    EXPECT_EQ(jobs_.status("a").value().state, JobState::Queued) << "the first job was not printed again";
    session->withState([](const PreviewSessionState& state) {
        EXPECT_EQ(state.job.pages->size(), 2u) << "the session keeps all its pages";
    });

    // A new preview starts counting afresh.
    ASSERT_TRUE(coordinator_.EndSession("a"));
    auto job = fakes::preparedJob("b");
    job.ticket.capabilityHash = std::string(64, 'c');
    ASSERT_TRUE(coordinator_.Open(std::move(job), false));
    EXPECT_EQ(print("b").value().clientJobId, "b");
}

TEST_F(PreviewPrintTest, RefusalsBeforeTheJobManagerSubmitNothingAndKeepTheName) {
    const auto session = open();
    const auto expectRefused = [&](const Error& expected) {
        const auto result = print();
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), expected);
    };
    const platform::PrinterCapabilities ready = capabilities_.record.value();
    const auto refusedOn = [&](auto change, const Error& expected) {
        platform::PrinterCapabilities printer = ready;
        change(printer);
        capabilities_.record = printer;
        expectRefused(expected);
    };
    const Error changed("KSR-2007", L"打印机能力或页面尺寸已变化，请重新生成页面");
    refusedOn([](auto& printer) { printer.capabilityHash = std::string(64, 'd'); }, changed);
    refusedOn([](auto& printer) { printer.printerId = std::string(64, 'q'); }, changed);
    refusedOn([](auto& printer) { printer.resolutions = {{300, 300}}; }, changed);
    refusedOn([](auto& printer) { printer.status = platform::PrinterStatus::Offline; },
              Error("KSR-2008", L"打印机当前未就绪，请检查设备状态后重试"));

    const Error gone("KSR-2001", L"找不到指定打印机");
    capabilities_.record = gone;
    expectRefused(gone);
    capabilities_.record = ready;

    const Error noPages("KSR-3001", L"请选择有效页面或输入有效页码范围");
    session->withState([&](PreviewSessionState& state) { state.settingsError = noPages; });
    expectRefused(noPages);
    session->withState([](PreviewSessionState& state) { state.settingsError.reset(); });

    std::stop_source stopping;
    stopping.request_stop();
    const auto stopped = coordinator_.PrintFromPreview("a", stopping.get_token());
    ASSERT_FALSE(stopped);
    EXPECT_EQ(stopped.error(), Error("KSR-4001", L"找不到指定的活动预览"));
    const auto other = print("b");
    ASSERT_FALSE(other);
    EXPECT_EQ(other.error(), Error("KSR-4001", L"找不到指定的活动预览"));

    EXPECT_TRUE(executor_.tickets.empty());
    EXPECT_FALSE(printed(*session));
    EXPECT_EQ(jobs_.status("a").value().state, JobState::Previewing);
    const auto first = print();
    ASSERT_TRUE(first);
    EXPECT_EQ(first.value().clientJobId, "a") << "no refusal used up a name";
}

TEST_F(PreviewPrintTest, AFailedSubmissionUsesUpItsNameButMarksNothingPrinted) {
    const auto session = open();
    executor_.failure = Error("KSR-2005", L"无法创建设备上下文");
    const auto failed = print();
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed.value().state, JobState::Failed);
    EXPECT_EQ(failed.value().error, executor_.failure);
    EXPECT_FALSE(printed(*session)) << "closing the window still cancels";

    executor_.failure.reset();
    const auto retried = print();
    ASSERT_TRUE(retried);
    EXPECT_EQ(retried.value().clientJobId, "a-preview-2");
    EXPECT_EQ(retried.value().state, JobState::Queued);
    EXPECT_TRUE(printed(*session));
}

// Prints started together: the first through holds the printer until every
// other has been turned away, so exactly one reaches the job manager.
TEST_F(PreviewPrintTest, RacingPrintsSubmitOnce) {
    open();
    executor_.hold();
    constexpr int kThreads = 4;
    std::mutex mutex;
    std::vector<Result<jobs::JobRecord>> refused;
    std::vector<jobs::JobRecord> submitted;
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
                auto result = print();
                const std::lock_guard lock(mutex);
                if (result) {
                    submitted.push_back(result.value());
                } else {
                    refused.push_back(std::move(result));
                    if (refused.size() == kThreads - 1) executor_.release();
                }
            });
        }
    }
    ASSERT_EQ(submitted.size(), 1u);
    EXPECT_EQ(submitted[0].clientJobId, "a");
    EXPECT_EQ(executor_.tickets.size(), 1u);
    for (const auto& result : refused) {
        EXPECT_EQ(result.error(), Error("KSR-4006", L"预览打印正在处理，请勿重复提交"));
    }
    // Done: the next print goes through under the next name.
    EXPECT_EQ(print().value().clientJobId, "a-preview-2");
}

// The session goes away while its print waits for the printer: the print
// finishes as the job manager says; the next preview is not blocked by it.
TEST_F(PreviewPrintTest, APrintOutlivesItsSessionWithoutBlockingTheNext) {
    open();
    executor_.hold();
    std::jthread printing([&] { EXPECT_EQ(print().value().state, JobState::Queued); });
    executor_.waitForPrints(1);
    ASSERT_TRUE(coordinator_.EndSession("a"));
    auto job = fakes::preparedJob("b");
    job.ticket.capabilityHash = std::string(64, 'c');
    ASSERT_TRUE(coordinator_.Open(std::move(job), false));
    const auto busy = print("b");
    ASSERT_FALSE(busy);
    EXPECT_EQ(busy.error().code(), "KSR-4006");
    executor_.release();
    printing.join();
    EXPECT_EQ(print("b").value().clientJobId, "b");
}

}  // namespace
}  // namespace ks::preview
