#include "preview/preview_coordinator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fake_preview_host.h"
#include "fakes/fake_winspool_api.h"
#include "fakes/job_services.h"
#include "preview/preview_command_queue.h"
#include "printers/printer_catalog.h"

namespace ks::preview {
namespace {

using jobs::JobState;
using Calls = std::vector<std::string>;

class PreviewCoordinatorTest : public testing::Test {
protected:
    jobs::JobState stateOf(const std::string& jobId) { return jobs_.manager.status(jobId).value().state; }

    fakes::FakeWinspoolApi spooler_;
    printers::PrinterCatalog catalog_{spooler_};
    fakes::FakeJobServices jobs_{catalog_};
    fakes::FakePreviewHost host_;
    PreviewCoordinator coordinator_{jobs_.manager, catalog_, host_};
};

TEST_F(PreviewCoordinatorTest, PrepareThenCompleteOpensOneSessionForTheJob) {
    ASSERT_TRUE(coordinator_.Prepare("a"));
    EXPECT_TRUE(coordinator_.IsPreparing("a"));
    EXPECT_TRUE(coordinator_.Busy());

    const auto opened = coordinator_.Open(fakes::preparedJob("a"), true);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened.value().jobId, "ks-job-1");
    EXPECT_EQ(opened.value().state, JobState::Previewing);
    EXPECT_FALSE(coordinator_.IsPreparing("a"));
    ASSERT_EQ(host_.shown.size(), 1u);
    EXPECT_TRUE(coordinator_.IsActive(host_.shown[0]));
    EXPECT_TRUE(coordinator_.Busy());

    // The same job again brings the same session forward.
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("a"), false));
    ASSERT_EQ(host_.shown.size(), 2u);
    EXPECT_EQ(host_.shown[1], host_.shown[0]);
    EXPECT_EQ(host_.calls, (Calls{"preparing a", "show a", "show a"}));

    ASSERT_TRUE(coordinator_.EndSession("a"));
    EXPECT_FALSE(coordinator_.Busy());
    EXPECT_EQ(stateOf("a"), JobState::Previewing) << "ending a session leaves the job alone";
}

TEST_F(PreviewCoordinatorTest, ASessionStartsFromTheJobsPaperWithClampedCopies) {
    struct Case {
        double width, height;
        std::uint32_t copies, expectedCopies, expectedLandscape;
    };
    for (const Case& c : {Case{50, 30, 0, 1, 1}, Case{30, 50, 1500, 999, 0}, Case{40, 40, 7, 7, 0}}) {
        auto job = fakes::preparedJob("a");
        job.ticket.paperWidthMm = c.width;
        job.ticket.paperHeightMm = c.height;
        job.ticket.copies = c.copies;
        const PreviewSession session(std::move(job));
        session.withState([&](const PreviewSessionState& state) {
            EXPECT_EQ(state.job.ticket.copies, c.expectedCopies);
            EXPECT_EQ(state.job.ticket.orientation, c.expectedLandscape);
            EXPECT_EQ(state.settings.landscape, c.expectedLandscape);
            EXPECT_EQ(state.settings.paperWidthMm, c.width);
            EXPECT_EQ(state.settings.paperHeightMm, c.height);
            EXPECT_EQ(state.settings.dpiX, 203u);
            EXPECT_EQ(state.settings.pageSelectionMode, 0u);
            EXPECT_EQ(state.settings.marginLeftMm + state.settings.marginRightMm, 0);
            EXPECT_TRUE(state.zoom.fit);
            EXPECT_FALSE(state.printed);
        });
    }
}

TEST_F(PreviewCoordinatorTest, RefusalsWhileAnotherPreviewIsPreparedOrOpen) {
    const auto expectError = [](const auto& result, const char* code, const wchar_t* message) {
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), Error(code, message));
    };
    expectError(coordinator_.Prepare(""), "KSR-1001", L"缺少预览任务标识");
    auto noPages = fakes::preparedJob("a");
    noPages.pages = nullptr;
    expectError(coordinator_.Open(noPages, false), "KSR-3001", L"预览页面数据缺失（pages 指针为空）");
    noPages.pages = std::make_shared<std::vector<raster::RasterPage>>();
    expectError(coordinator_.Open(noPages, false), "KSR-3001", L"预览没有可显示页面（页面数量为 0）");
    expectError(coordinator_.Open(fakes::preparedJob("a"), true), "KSR-4005", L"预览准备已取消");
    expectError(coordinator_.Dismiss("a", false), "KSR-4005", L"预览准备已结束或已取消");

    ASSERT_TRUE(coordinator_.Prepare("a"));
    expectError(coordinator_.Prepare("b"), "KSR-4006", L"已有活动预览，请先关闭");
    expectError(coordinator_.Open(fakes::preparedJob("b"), true), "KSR-4005", L"预览准备已取消");
    expectError(coordinator_.Open(fakes::preparedJob("b"), false), "KSR-4006", L"已有预览正在准备");
    expectError(coordinator_.Cancel("a", false), "KSR-4001", L"找不到指定的活动预览");

    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("a"), true));
    expectError(coordinator_.Prepare("b"), "KSR-4006", L"已有活动预览，请先关闭");
    expectError(coordinator_.Open(fakes::preparedJob("b"), false), "KSR-4006", L"已有活动预览，请先打印或关闭");
    expectError(coordinator_.Open(fakes::preparedJob("a"), true), "KSR-4005", L"预览准备已取消");
    expectError(coordinator_.Open(fakes::preparedJob("a", 1, std::string(64, 'b')), false), "KSR-4002",
                L"相同 clientJobId 对应不同打印内容");
    expectError(coordinator_.Cancel("b", false), "KSR-4001", L"找不到指定的活动预览");
    expectError(coordinator_.EndSession("b"), "KSR-4001", L"找不到指定的活动预览");
    EXPECT_EQ(host_.calls, (Calls{"preparing a", "show a"})) << "no refusal reached the host";
    EXPECT_TRUE(coordinator_.IsActive(host_.shown[0]));
}

TEST_F(PreviewCoordinatorTest, AJobPastPreviewingAnswersItsRecordAndOpensNothing) {
    const auto job = fakes::preparedJob("a");
    ASSERT_EQ(jobs_.manager.submit("a", job.contentHash, job.ticket, job.pages).value().state, JobState::Queued);
    const auto opened = coordinator_.Open(job, false);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened.value().state, JobState::Queued);
    EXPECT_TRUE(host_.calls.empty());
    EXPECT_FALSE(coordinator_.Busy());
}

TEST_F(PreviewCoordinatorTest, AHostThatRefusesUndoesWhatWasStarted) {
    host_.preparingAnswer = false;
    auto prepared = coordinator_.Prepare("a");
    ASSERT_FALSE(prepared);
    EXPECT_EQ(prepared.error(), Error("KSR-4007", L"准备窗口未接受调度"));
    host_.preparingAnswer = Error("KSR-4007", L"预览宿主尚未绑定或已经关闭");
    prepared = coordinator_.Prepare("a");
    ASSERT_FALSE(prepared);
    EXPECT_EQ(prepared.error(), Error("KSR-4007", L"预览宿主尚未绑定或已经关闭"));
    EXPECT_FALSE(coordinator_.Busy());

    // A new session that cannot be shown is cancelled, and its preparing
    // window asked to close.
    host_.preparingAnswer = true;
    ASSERT_TRUE(coordinator_.Prepare("a"));
    host_.showAnswer = false;
    const auto opened = coordinator_.Open(fakes::preparedJob("a"), true);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error(), Error("KSR-4007", L"预览窗口未接受调度"));
    EXPECT_EQ(stateOf("a"), JobState::Cancelled);
    EXPECT_FALSE(coordinator_.Busy());
    EXPECT_EQ(host_.calls.back(), "close a");

    // An open session stays open when showing it again fails.
    host_.showAnswer = true;
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("b"), false));
    host_.showAnswer = Error("KSR-4007", L"无法投递预览窗口消息");
    const auto again = coordinator_.Open(fakes::preparedJob("b"), false);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error(), Error("KSR-4007", L"无法投递预览窗口消息"));
    EXPECT_TRUE(coordinator_.IsActive(host_.shown.back()));
    EXPECT_EQ(stateOf("b"), JobState::Previewing);
}

TEST_F(PreviewCoordinatorTest, CancelAndDismissCloseTheWindowUnlessTheWindowAsked) {
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("a"), false));
    const auto cancelled = coordinator_.Cancel("a", false);
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(cancelled.value().state, JobState::Cancelled);
    EXPECT_FALSE(coordinator_.Busy());
    EXPECT_EQ(host_.calls.back(), "close a");

    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("b"), false));
    ASSERT_TRUE(coordinator_.Cancel("b", true));
    EXPECT_EQ(host_.calls.back(), "show b") << "the window closes itself";

    ASSERT_TRUE(coordinator_.Prepare("c"));
    ASSERT_TRUE(coordinator_.Dismiss("c", true));
    EXPECT_EQ(host_.calls.back(), "preparing c");
    ASSERT_TRUE(coordinator_.Prepare("c"));
    host_.closeAnswer = false;
    const auto dismissed = coordinator_.Dismiss("c", false);
    ASSERT_FALSE(dismissed);
    EXPECT_EQ(dismissed.error(), Error("KSR-4007", L"预览窗口未接受关闭调度"));
    EXPECT_FALSE(coordinator_.Busy()) << "the preparation ended all the same";

    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("d"), false));
    const auto unclosed = coordinator_.Cancel("d", false);
    ASSERT_FALSE(unclosed);
    EXPECT_EQ(unclosed.error(), Error("KSR-4007", L"预览窗口未接受关闭调度"));
    EXPECT_EQ(stateOf("d"), JobState::Cancelled);
}

TEST_F(PreviewCoordinatorTest, AJobAClientPrintedWhilePreviewedIsNeverCancelledFromTheWindow) {
    const auto printByClient = [&](const std::string& id) {
        const auto job = fakes::preparedJob(id);
        ASSERT_EQ(jobs_.manager.submit(id, job.contentHash, job.ticket, job.pages).value().state, JobState::Queued);
    };
    // The window closes on the client's print, leaving the job queued.
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("a"), false));
    printByClient("a");
    coordinator_.PrintedByClient("a");
    EXPECT_EQ(host_.calls.back(), "close a");
    EXPECT_FALSE(coordinator_.Busy());

    // A close from the window that comes first (or the UI's shutdown) ends
    // the session and leaves the queued job alone.
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("b"), false));
    printByClient("b");
    const auto closed = coordinator_.Cancel("b", true);
    ASSERT_TRUE(closed);
    EXPECT_EQ(closed.value().state, JobState::Queued);
    EXPECT_FALSE(coordinator_.Busy()) << "the next preview may open";
    EXPECT_EQ(jobs_.spooler.cancels, 0);
    for (const char* id : {"a", "b"}) EXPECT_EQ(stateOf(id), JobState::Queued) << id;

    // A preview that printed the job itself stays open for further prints.
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("c"), false));
    printByClient("c");
    host_.shown.back()->withState([](PreviewSessionState& state) { state.printed = true; });
    coordinator_.PrintedByClient("c");
    EXPECT_TRUE(coordinator_.IsActive(host_.shown.back()));

    // A client's cancel still reaches the spooler.
    EXPECT_EQ(coordinator_.Cancel("c", false).value().state, JobState::Cancelled);
    EXPECT_EQ(jobs_.spooler.cancels, 1);
}

// Threads race through whole previews of their own jobs against a consumer
// playing the UI thread. Most attempts are refused as busy; the state must
// stay whole, and every command be taken or collected at shutdown exactly
// once and then be gone with its session.
TEST(PreviewCoordinatorThreadsTest, ConcurrentPreviewsKeepOnePreviewAtATime) {
    fakes::FakeWinspoolApi spooler;
    printers::PrinterCatalog catalog(spooler);
    fakes::FakeJobServices jobs(catalog);
    std::atomic<int> posted{0};
    std::atomic<int> taken{0};
    std::atomic<int> previewsOpened{0};
    std::mutex channelMutex;
    std::vector<std::pair<std::uint64_t, PreviewCommand*>> channel;
    PreviewCommandQueue queue([&](std::uint64_t id, PreviewCommand* command) {
        const std::lock_guard lock(channelMutex);
        channel.emplace_back(id, command);
        ++posted;
        return true;
    });
    PreviewCoordinator coordinator(jobs.manager, catalog, queue);
    ASSERT_TRUE(queue.bind(coordinator, catalog));

    std::atomic<bool> done{false};
    std::vector<std::weak_ptr<PreviewSession>> sessions;  // of the commands taken
    std::thread ui([&] {
        // Takes what was posted, and asks the coordinator as the windows do.
        while (!done) {
            std::vector<std::pair<std::uint64_t, PreviewCommand*>> batch;
            {
                const std::lock_guard lock(channelMutex);
                batch.swap(channel);
            }
            for (const auto& [id, address] : batch) {
                const auto command = queue.take(id, address);
                if (!command) continue;
                ++taken;
                if (command->session) {
                    sessions.push_back(command->session);
                    static_cast<void>(coordinator.IsActive(command->session));
                }
                if (command->preparing != 0) static_cast<void>(coordinator.IsPreparing(command->jobId));
            }
            std::this_thread::yield();
        }
    });

    constexpr int kThreads = 4;
    constexpr int kRounds = 150;
    std::vector<std::thread> clients;
    for (int t = 0; t < kThreads; ++t) {
        clients.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const std::string id = "job-" + std::to_string(t) + "-" + std::to_string(round);
                if (round % 2 == 0) {
                    if (!coordinator.Prepare(id)) continue;
                    if (round % 4 == 0) {
                        EXPECT_TRUE(coordinator.Dismiss(id, false));
                        continue;
                    }
                }
                const bool complete = round % 2 == 0;
                const auto opened = coordinator.Open(fakes::preparedJob(id), complete);
                if (!opened) {
                    EXPECT_EQ(opened.error().code(), "KSR-4006");
                    EXPECT_FALSE(complete) << "a prepared job always opens";
                    continue;
                }
                ++previewsOpened;
                EXPECT_TRUE(coordinator.Busy());
                if (round % 3 == 0) {
                    EXPECT_TRUE(coordinator.EndSession(id));
                } else {
                    const auto cancelled = coordinator.Cancel(id, round % 3 == 1);
                    ASSERT_TRUE(cancelled);
                    EXPECT_EQ(cancelled.value().state, JobState::Cancelled);
                }
            }
        });
    }
    for (auto& client : clients) client.join();
    auto rest = queue.close();
    done = true;
    ui.join();

    EXPECT_GT(previewsOpened, 0);
    EXPECT_FALSE(coordinator.Busy()) << "every thread ended its own previews";
    ASSERT_TRUE(rest);
    EXPECT_EQ(taken + static_cast<int>(rest->size()), posted.load());
    for (const auto& command : *rest) {
        if (command->session) sessions.push_back(command->session);
    }
    rest.reset();
    EXPECT_FALSE(sessions.empty());
    for (const auto& session : sessions) EXPECT_TRUE(session.expired());
}

}  // namespace
}  // namespace ks::preview
