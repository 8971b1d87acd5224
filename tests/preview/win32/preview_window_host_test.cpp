#include "preview/win32/preview_window_host.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/app_host.h"
#include "app/hidden_window.h"
#include "fakes/fake_preview_host.h"
#include "fakes/fake_winspool_api.h"
#include "fakes/job_services.h"
#include "preview/preview_command.h"
#include "preview/preview_coordinator.h"
#include "preview/win32/preview_messages.h"
#include "printers/printer_catalog.h"
#include "support/win32/joined_apartment.h"

namespace ks::preview {
namespace {

using jobs::JobState;

constexpr wchar_t kFakePreviewClass[] = L"Kestrune.TestPreview";

// What the fake preview windows saw.
struct FakeWindowLog {
    int made = 0;
    std::vector<std::shared_ptr<PreviewSession>> sessions;
    std::optional<Error> failure;  // the factory's answer while set
    bool throws = false;           // the factory runs out of memory while set
    // Taken when a window got WM_CLOSE.
    int closeRequests = 0;
    bool commandsQueuedAtClose = false;
    std::function<void()> onClose;
    // How each window would start its prints and take their results.
    std::vector<PreviewPrintFunctions> printing;
};

struct FakeWindowState {
    std::function<void(HWND)> destroyed;
    FakeWindowLog& log;
};

// A plain top-level window standing for the preview window: WM_CLOSE
// destroys it, and it tells the host when it is gone.
LRESULT CALLBACK fakePreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* state = reinterpret_cast<FakeWindowState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (state != nullptr && message == WM_CLOSE) {
        ++state->log.closeRequests;
        if (state->log.onClose) state->log.onClose();
    }
    if (state != nullptr && message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        const std::unique_ptr<FakeWindowState> ending(state);
        ending->destroyed(window);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

PreviewWindowFactory fakeWindows(FakeWindowLog& log) {
    return [&log](const PreviewWindowContext& context) -> Result<HWND> {
        if (log.failure) return *log.failure;
        if (log.throws) throw std::bad_alloc();
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = fakePreviewProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kFakePreviewClass;
        ::RegisterClassExW(&windowClass);
        auto state = std::make_unique<FakeWindowState>(FakeWindowState{context.destroyed, log});
        const HWND window = ::CreateWindowExW(0, kFakePreviewClass, L"preview", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                              context.owner, nullptr, ::GetModuleHandleW(nullptr), state.get());
        if (window == nullptr) return Error("KSR-4007", L"无法创建预览窗口");
        static_cast<void>(state.release());
        ++log.made;
        log.sessions.push_back(context.session);
        log.printing.push_back(context.printing);
        return window;
    };
}

// The printer of the jobs the tests preview: ready and unchanged. Can hold
// the print thread inside the check until released.
class GatedPrinter final : public printing::ICapabilitySource {
public:
    Result<platform::PrinterCapabilities> capabilities(std::string_view printerId) override {
        const std::optional<APTTYPE> apartment = support::joinedApartment();
        std::unique_lock lock(mutex_);
        apartment_ = apartment;
        ++entered;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holding_; });
        ++returned;
        platform::PrinterCapabilities record;
        record.printerId = printerId;
        record.dpiX = record.dpiY = 203;
        return record;
    }
    void hold() {
        const std::lock_guard lock(mutex_);
        holding_ = true;
    }
    void release() {
        const std::lock_guard lock(mutex_);
        holding_ = false;
        changed_.notify_all();
    }
    void waitEntered() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return entered > 0; });
    }
    int returnedCount() {
        const std::lock_guard lock(mutex_);
        return returned;
    }
    // The apartment of the thread that asked last, none when it joined none.
    std::optional<APTTYPE> apartment() {
        const std::lock_guard lock(mutex_);
        return apartment_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool holding_ = false;
    std::optional<APTTYPE> apartment_;
    int entered = 0;
    int returned = 0;
};

struct MessageBoxCall {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

class PreviewWindowHostTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(classRegistered_);
        ASSERT_TRUE(hidden_);
        ASSERT_TRUE(host_.Bind(coordinator_, catalog_));
        app_.previewHost = &host_;
    }
    void TearDown() override {
        EXPECT_TRUE(host_.Shutdown());
        app_.previewHost = nullptr;
        pump();
    }

    // Delivers everything queued for this thread, as the message loop would.
    static void pump() {
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    bool printResultsQueued() const {
        MSG message{};
        return ::PeekMessageW(&message, hidden_.get(), kPreviewPrintResultMessage, kPreviewPrintResultMessage,
                              PM_NOREMOVE);
    }
    // Waits until the print thread has tried to post its result.
    void waitForPrintPosts(std::size_t count) {
        std::unique_lock lock(postMutex_);
        posted_.wait(lock, [&] { return printPosts_.size() >= count; });
    }
    bool commandsQueued() const {
        MSG message{};
        return ::PeekMessageW(&message, hidden_.get(), kPreviewCommandMessage, kPreviewCommandMessage, PM_NOREMOVE);
    }
    static HWND preparingWindow() { return ::FindWindowW(L"Kestrune.Preparing", nullptr); }
    JobState stateOf(const std::string& jobId) { return jobs_.manager.status(jobId).value().state; }
    PreviewHostFunctions functions() {
        // Print results are posted, or dropped as a lost message would be.
        const auto post = [this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> BOOL {
            if (message != kPreviewPrintResultMessage) return ::PostMessageW(window, message, wParam, lParam);
            const std::lock_guard lock(postMutex_);
            printPosts_.push_back(wParam);
            posted_.notify_all();
            return dropPrintResults_ ? FALSE : ::PostMessageW(window, message, wParam, lParam);
        };
        return {post, [this](HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
                    messageBoxes_.push_back({owner, text, caption, type});
                    return IDOK;
                }};
    }

    std::mutex postMutex_;
    std::condition_variable posted_;
    std::vector<WPARAM> printPosts_;
    bool dropPrintResults_ = false;
    fakes::FakeWinspoolApi spooler_;
    printers::PrinterCatalog catalog_{spooler_};
    GatedPrinter printer_;
    fakes::FakeJobServices jobs_{catalog_};
    app::AppHost app_{};
    const bool classRegistered_ = app::registerTrayOwnerClass(::GetModuleHandleW(nullptr));
    const app::UniqueWindow hidden_ = app::createTrayOwnerWindow(::GetModuleHandleW(nullptr), &app_);
    FakeWindowLog windows_;
    std::vector<MessageBoxCall> messageBoxes_;
    PreviewWindowHost host_{hidden_.get(), functions(), fakeWindows(windows_)};
    PreviewCoordinator coordinator_{jobs_.manager, printer_, host_};
};

TEST_F(PreviewWindowHostTest, BindsOnlyOnItsOwnThreadAndOnlyOnce) {
    PreviewWindowHost other(hidden_.get(), functions(), fakeWindows(windows_));
    std::optional<Result<void>> bound;
    std::optional<Result<void>> shutDown;
    bool handled = true;
    HWND dialog = hidden_.get();
    std::thread([&] {
        bound = other.Bind(coordinator_, catalog_);
        shutDown = other.Shutdown();
        handled = other.HandleWindowMessage(kPreviewCommandMessage, 0, 0);
        dialog = other.DialogWindow();
    }).join();
    ASSERT_FALSE(*bound);
    EXPECT_EQ(bound->error(), Error("KSR-4007", L"预览宿主必须在所属 UI 线程绑定"));
    ASSERT_FALSE(*shutDown);
    EXPECT_EQ(shutDown->error(), Error("KSR-4007", L"预览宿主必须在所属 UI 线程关闭"));
    EXPECT_FALSE(handled);
    EXPECT_EQ(dialog, nullptr);

    ASSERT_TRUE(other.Bind(coordinator_, catalog_));
    const auto again = other.Bind(coordinator_, catalog_);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error(), Error("KSR-4007", L"预览宿主已经绑定或关闭"));
    EXPECT_FALSE(other.HandleWindowMessage(WM_USER, 0, 0));
    EXPECT_TRUE(other.HandleWindowMessage(kPreviewPrintResultMessage, 7, 0)) << "consumed";
}

TEST_F(PreviewWindowHostTest, ThePreparingWindowAppearsAndClosingOrItsTimerEndsThePreparation) {
    ASSERT_TRUE(coordinator_.Prepare("a"));
    EXPECT_EQ(preparingWindow(), nullptr) << "windows appear only on the UI thread's turn";
    pump();
    const HWND window = preparingWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(::GetWindow(window, GW_OWNER), hidden_.get());
    wchar_t title[32] = {};
    ::GetWindowTextW(window, title, 32);
    EXPECT_STREQ(title, L"预览 Preview");
    EXPECT_EQ(host_.DialogWindow(), window);

    ::SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(coordinator_.Busy());
    EXPECT_EQ(host_.DialogWindow(), nullptr);

    ASSERT_TRUE(coordinator_.Prepare("b"));
    pump();
    const HWND timed = preparingWindow();
    ASSERT_NE(timed, nullptr);
    ::SendMessageW(timed, WM_TIMER, 1, 0);  // what the 120-second timer sends
    EXPECT_FALSE(::IsWindow(timed));
    const auto late = coordinator_.Open(fakes::preparedJob("b"), true);
    ASSERT_FALSE(late);
    EXPECT_EQ(late.error(), Error("KSR-4005", L"预览准备已取消"));
}

TEST_F(PreviewWindowHostTest, ThePreviewOpensOnceReplacesThePreparingWindowAndIsForgottenWhenClosed) {
    ASSERT_TRUE(coordinator_.Prepare("a"));
    pump();
    ASSERT_NE(preparingWindow(), nullptr);
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("a"), true));
    pump();
    ASSERT_EQ(windows_.made, 1);
    const HWND window = host_.DialogWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(::GetWindow(window, GW_OWNER), hidden_.get());
    EXPECT_EQ(preparingWindow(), nullptr);
    EXPECT_TRUE(coordinator_.IsActive(windows_.sessions[0]));

    const auto again = coordinator_.Open(fakes::preparedJob("a"), false);
    ASSERT_TRUE(again);
    EXPECT_EQ(again.value().state, JobState::Previewing);
    pump();
    EXPECT_EQ(windows_.made, 1) << "the open window is brought forward instead";
    EXPECT_EQ(host_.DialogWindow(), window);

    const auto cancelled = coordinator_.Cancel("a", false);
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(cancelled.value().state, JobState::Cancelled);
    pump();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(host_.DialogWindow(), nullptr);

    // A window that goes by itself is forgotten too.
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("b"), false));
    pump();
    ASSERT_NE(host_.DialogWindow(), nullptr);
    ::SendMessageW(host_.DialogWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(host_.DialogWindow(), nullptr);
}

TEST_F(PreviewWindowHostTest, StaleAndForgedCommandMessagesAreIgnored) {
    ASSERT_TRUE(coordinator_.Prepare("a"));  // pending as command 1
    PreviewCommand forged;
    forged.jobId = "a";
    forged.preparing = 1;
    ::SendMessageW(hidden_.get(), kPreviewCommandMessage, 1, reinterpret_cast<LPARAM>(&forged));
    ::SendMessageW(hidden_.get(), kPreviewCommandMessage, 99, 0);
    EXPECT_EQ(preparingWindow(), nullptr);

    MSG queued{};
    ASSERT_TRUE(::PeekMessageW(&queued, hidden_.get(), kPreviewCommandMessage, kPreviewCommandMessage, PM_NOREMOVE));
    pump();
    const HWND window = preparingWindow();
    ASSERT_NE(window, nullptr) << "the genuine command still arrives";

    // The same message again finds its command gone: no second window.
    ::SendMessageW(hidden_.get(), queued.message, queued.wParam, queued.lParam);
    EXPECT_EQ(preparingWindow(), window);
}

// A factory that throws stands for a window that runs out of memory while
// being made: the exception ends in the hidden window's procedure, not the
// process, and the preview is undone as for a window not made.
TEST_F(PreviewWindowHostTest, AWindowThatCannotBeMadeCancelsTheJobAndTellsTheUser) {
    struct Case {
        std::string jobId;
        std::optional<Error> failure;
        bool throws;
        std::wstring text;
    };
    const Case cases[] = {
        {"refused", Error("KSR-4007", L"无法注册预览窗口"), false, L"KSR-4007：无法注册预览窗口"},
        {"threw", std::nullopt, true, L"KSR-4007：无法创建预览窗口"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jobId);
        windows_.failure = c.failure;
        windows_.throws = c.throws;
        messageBoxes_.clear();
        ASSERT_TRUE(coordinator_.Prepare(c.jobId));
        pump();
        ASSERT_NE(preparingWindow(), nullptr);
        ASSERT_TRUE(coordinator_.Open(fakes::preparedJob(c.jobId), true));
        pump();
        EXPECT_EQ(stateOf(c.jobId), JobState::Cancelled);
        EXPECT_FALSE(coordinator_.Busy());
        EXPECT_EQ(preparingWindow(), nullptr);
        ASSERT_EQ(messageBoxes_.size(), 1u);
        EXPECT_EQ(messageBoxes_[0].owner, hidden_.get());
        EXPECT_EQ(messageBoxes_[0].text, c.text);
        EXPECT_EQ(messageBoxes_[0].caption, L"岚舟");
        EXPECT_EQ(messageBoxes_[0].type, static_cast<UINT>(MB_ICONERROR));
    }

    windows_.failure.reset();
    windows_.throws = false;
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("next"), false));
    pump();
    EXPECT_EQ(windows_.made, 1) << "the service goes on";
}

TEST_F(PreviewWindowHostTest, CommandsPostedJustBeforeShutdownAreDroppedAndTheirJobsCancelled) {
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("a"), false));
    ASSERT_TRUE(commandsQueued());
    ASSERT_TRUE(host_.Shutdown());
    EXPECT_FALSE(commandsQueued());
    EXPECT_EQ(windows_.made, 0);
    EXPECT_EQ(stateOf("a"), JobState::Cancelled);
    EXPECT_FALSE(coordinator_.Busy());

    const auto late = coordinator_.Prepare("b");
    ASSERT_FALSE(late);
    EXPECT_EQ(late.error(), Error("KSR-4007", L"预览宿主尚未绑定或已经关闭"));
    EXPECT_FALSE(coordinator_.Busy());
    EXPECT_TRUE(host_.Shutdown()) << "a second shutdown has nothing to do";
}

// In order: the queued messages are gone before the preview window is asked
// to close, and the jobs of commands that never arrived are cancelled after.
TEST_F(PreviewWindowHostTest, ShutdownDropsMessagesThenClosesTheWindowThenCancelsUndeliveredPreviews) {
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("a"), false));
    pump();
    const HWND window = host_.DialogWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("a"), false));  // undelivered
    std::optional<JobState> stateAtClose;
    windows_.onClose = [&] {
        windows_.commandsQueuedAtClose = commandsQueued();
        stateAtClose = stateOf("a");
    };

    ASSERT_TRUE(host_.Shutdown());
    EXPECT_EQ(windows_.closeRequests, 1);
    EXPECT_FALSE(windows_.commandsQueuedAtClose);
    EXPECT_EQ(stateAtClose, JobState::Previewing);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(stateOf("a"), JobState::Cancelled);
    EXPECT_EQ(host_.DialogWindow(), nullptr);
}

TEST_F(PreviewWindowHostTest, ShutdownEndsThePreparation) {
    ASSERT_TRUE(coordinator_.Prepare("a"));
    pump();
    const HWND window = preparingWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(host_.Shutdown());
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(coordinator_.Busy());
}

// The window polls for a print whose message was lost; a delivered message
// ends the print in the host even when no window takes its result.
TEST_F(PreviewWindowHostTest, APrintsResultWaitsForItsWindowWhenTheMessageIsLost) {
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("a"), false));
    pump();
    ASSERT_EQ(windows_.printing.size(), 1u);
    const PreviewPrintFunctions printing = windows_.printing[0];
    const auto session = windows_.sessions[0];

    dropPrintResults_ = true;
    const auto first = printing.start(session);
    ASSERT_TRUE(first);
    const auto busy = printing.start(session);
    ASSERT_FALSE(busy);
    EXPECT_EQ(busy.error(), Error("KSR-4006", L"预览打印正在处理或服务已关闭"));
    waitForPrintPosts(1);
    EXPECT_FALSE(printResultsQueued());
    const auto outcome = printing.take(first.value());
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->session, session);
    EXPECT_EQ(outcome->result.value().clientJobId, "a");
    EXPECT_EQ(outcome->result.value().state, JobState::Queued);
    EXPECT_EQ(printer_.apartment(), APTTYPE_MTA) << "the print thread joins it for the driver";

    dropPrintResults_ = false;
    const auto second = printing.start(session);
    ASSERT_TRUE(second);
    EXPECT_GT(second.value(), first.value()) << "work ids come from the command counter";
    waitForPrintPosts(2);
    pump();
    EXPECT_FALSE(printing.take(second.value())) << "the host ended the print its window did not take";
    EXPECT_EQ(stateOf("a-preview-2"), JobState::Queued);
    EXPECT_EQ(jobs_.executor.documents, 2u);
    ASSERT_TRUE(printing.start(session)) << "and the next print may start";
}

// Shutdown stops a print still being submitted: the stop token is set, the
// preview's job cancelled, and the print thread waited for, so that nothing
// reaches the printer and nothing is posted afterwards.
TEST_F(PreviewWindowHostTest, ShutdownDuringASubmissionCancelsItsJobAndWaitsForThePrintThread) {
    ASSERT_TRUE(coordinator_.Open(fakes::preparedJob("a"), false));
    pump();
    ASSERT_EQ(windows_.printing.size(), 1u);
    const auto session = windows_.sessions[0];
    printer_.hold();
    ASSERT_TRUE(windows_.printing[0].start(session));
    printer_.waitEntered();
    // Stands for the driver: it answers once the job has been cancelled.
    std::thread driver([&] {
        while (coordinator_.IsActive(session)) std::this_thread::yield();
        printer_.release();
    });
    ASSERT_TRUE(host_.Shutdown());
    driver.join();
    EXPECT_EQ(printer_.returnedCount(), 1) << "the print thread was joined";
    EXPECT_EQ(stateOf("a"), JobState::Cancelled);
    EXPECT_EQ(jobs_.executor.documents, 0u);
    EXPECT_FALSE(printResultsQueued());
    const std::lock_guard lock(postMutex_);
    EXPECT_TRUE(printPosts_.empty());
}

}  // namespace
}  // namespace ks::preview
