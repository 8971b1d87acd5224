#include "preview/preview_command_queue.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "fakes/fake_preview_host.h"
#include "fakes/fake_winspool_api.h"
#include "fakes/job_services.h"
#include "preview/preview_coordinator.h"
#include "printers/printer_catalog.h"

namespace ks::preview {
namespace {

struct Posted {
    std::uint64_t id;
    PreviewCommand* command;
};

class PreviewCommandQueueTest : public testing::Test {
protected:
    // What the post function was handed, in order; it fails while
    // `postFails_` is set.
    PostCommand recordingPost() {
        return [this](std::uint64_t id, PreviewCommand* command) {
            if (postFails_) return false;
            posted_.push_back({id, command});
            return true;
        };
    }

    fakes::FakeWinspoolApi spooler_;
    printers::PrinterCatalog catalog_{spooler_};
    fakes::FakeJobServices jobs_{catalog_};
    fakes::FakePreviewHost unusedHost_;
    PreviewCoordinator coordinator_{jobs_.manager, catalog_, unusedHost_};
    bool postFails_ = false;
    std::vector<Posted> posted_;
    PreviewCommandQueue queue_{recordingPost()};
};

TEST_F(PreviewCommandQueueTest, RefusesUntilBoundAndRefusesRequestsWithoutAWindowToShow) {
    const auto unbound = queue_.ShowPreparing("a");
    ASSERT_FALSE(unbound);
    EXPECT_EQ(unbound.error(), Error("KSR-4007", L"预览宿主尚未绑定或已经关闭"));

    ASSERT_TRUE(queue_.bind(coordinator_, catalog_));
    EXPECT_EQ(queue_.coordinator(), &coordinator_);
    const auto again = queue_.bind(coordinator_, catalog_);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error(), Error("KSR-4007", L"预览宿主已经绑定或关闭"));

    auto noPages = fakes::preparedJob("a");
    noPages.pages = std::make_shared<std::vector<raster::RasterPage>>();
    for (auto session : {std::shared_ptr<PreviewSession>(), std::make_shared<PreviewSession>(std::move(noPages))}) {
        const auto shown = queue_.ShowPreview(session);
        ASSERT_FALSE(shown);
        EXPECT_EQ(shown.error(), Error("KSR-4007", L"预览会话没有有效页面"));
    }
    const auto closed = queue_.ClosePreview("");
    ASSERT_FALSE(closed);
    EXPECT_EQ(closed.error(), Error("KSR-4007", L"关闭预览时缺少任务标识"));
    EXPECT_TRUE(posted_.empty());

    EXPECT_TRUE(queue_.ShowPreparing("a").value());
    queue_.unbind();
    EXPECT_EQ(queue_.coordinator(), nullptr);
    EXPECT_EQ(queue_.catalog(), nullptr);
    EXPECT_FALSE(queue_.ShowPreparing("a"));
    EXPECT_EQ(posted_.size(), 1u);
}

TEST_F(PreviewCommandQueueTest, CommandsCarryTheirRequestAndAreTakenOnceUnderTheirOwnIdAndAddress) {
    ASSERT_TRUE(queue_.bind(coordinator_, catalog_));
    const auto session = std::make_shared<PreviewSession>(fakes::preparedJob("shown"));
    ASSERT_TRUE(queue_.ShowPreview(session));
    ASSERT_TRUE(queue_.ShowPreparing("prepared"));
    ASSERT_TRUE(queue_.ClosePreview("closed"));
    ASSERT_EQ(posted_.size(), 3u);
    EXPECT_EQ(session.use_count(), 2) << "the pending command holds the session";

    // Stale ids, a forged address and a null address leave the table alone.
    EXPECT_EQ(queue_.take(4, posted_[0].command), nullptr);
    EXPECT_EQ(queue_.take(1, posted_[1].command), nullptr);
    EXPECT_EQ(queue_.take(1, nullptr), nullptr);

    struct Expected {
        bool hasSession;
        const char* jobId;
        std::uint8_t preparing;
    };
    const Expected expected[] = {{true, "shown", 0}, {false, "prepared", 1}, {false, "closed", 0}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(posted_[i].id, i + 1);
        const auto command = queue_.take(posted_[i].id, posted_[i].command);
        ASSERT_NE(command, nullptr) << i;
        EXPECT_EQ(command->session != nullptr, expected[i].hasSession) << i;
        EXPECT_EQ(command->jobId, expected[i].jobId);
        EXPECT_EQ(command->preparing, expected[i].preparing) << i;
        EXPECT_EQ(queue_.take(posted_[i].id, posted_[i].command), nullptr) << "taken once";
    }
    EXPECT_EQ(session.use_count(), 1);
}

TEST_F(PreviewCommandQueueTest, AFailedPostKeepsNothingAndCloseHandsBackWhatIsPendingOnce) {
    ASSERT_TRUE(queue_.bind(coordinator_, catalog_));
    const auto session = std::make_shared<PreviewSession>(fakes::preparedJob("a"));
    postFails_ = true;
    const auto shown = queue_.ShowPreview(session);
    ASSERT_FALSE(shown);
    EXPECT_EQ(shown.error(), Error("KSR-4007", L"无法投递预览窗口消息"));
    EXPECT_EQ(session.use_count(), 1) << "the command is gone";

    postFails_ = false;
    ASSERT_TRUE(queue_.ShowPreview(session));
    ASSERT_TRUE(queue_.ShowPreparing("b"));
    EXPECT_EQ(posted_.at(0).id, 2u) << "the failed post used up its id";
    ASSERT_NE(queue_.take(posted_[1].id, posted_[1].command), nullptr);

    auto pending = queue_.close();
    ASSERT_TRUE(pending);
    ASSERT_EQ(pending->size(), 1u);
    EXPECT_EQ(pending->front()->session, session);
    EXPECT_EQ(queue_.take(posted_[0].id, posted_[0].command), nullptr) << "its message finds nothing";
    EXPECT_FALSE(queue_.close()) << "closed once";
    const auto late = queue_.ShowPreparing("c");
    ASSERT_FALSE(late);
    EXPECT_EQ(late.error(), Error("KSR-4007", L"预览宿主尚未绑定或已经关闭"));
    EXPECT_FALSE(queue_.bind(coordinator_, catalog_));

    pending.reset();
    EXPECT_EQ(session.use_count(), 1);
}

}  // namespace
}  // namespace ks::preview
