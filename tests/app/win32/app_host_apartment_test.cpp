// The host's UI thread and COM: it runs the shell's dialogs, so it must be a
// single-threaded apartment, while the threads that decode PNGs join the
// multithreaded one themselves.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "app/app_host.h"
#include "platform/win32/com_apartment.h"
#include "raster/win32/png_decoder.h"
#include "support/win32/joined_apartment.h"
#include "support/win32/png_encoder.h"

namespace ks::app {
namespace {

bool singleThreaded(const std::optional<APTTYPE>& type) { return type == APTTYPE_STA || type == APTTYPE_MAINSTA; }

// A small page decoded on a thread of its own, as the pipe thread decodes.
bool decodesOnAWorker() {
    bool decoded = false;
    std::thread worker([&decoded] {
        testing::Grey grey{8, 4, std::vector<std::uint8_t>(32, 0)};
        const std::string png = testing::encodeAsTransparentPng(grey);
        const auto bytes = std::make_shared<const protocol::ByteBuffer>(
            protocol::ByteBuffer::copyOf(std::span(reinterpret_cast<const std::uint8_t*>(png.data()), png.size())));
        const Result<raster::RasterPage> page = raster::decodePng(bytes, 8, 4);
        decoded = page && page.value().width == 8 && page.value().height == 4;
    });
    worker.join();
    return decoded;
}

struct Seen {
    bool started = false;
    std::optional<APTTYPE> whileRunning;
    bool workerDecoded = false;
    int exitCode = -1;
    std::optional<APTTYPE> afterRun;
};

// Runs the whole host on a new thread, which first joins the multithreaded
// apartment when asked to; once the host has started, it looks at its
// apartment, has a worker decode a page and quits.
Seen runHost(bool joinMultithreadedFirst) {
    Seen seen;
    std::thread ui([&] {
        std::optional<platform::ComApartment> earlier;
        if (joinMultithreadedFirst) earlier.emplace(COINIT_MULTITHREADED);
        {
            AppHost host{};
            host.afterStartup = [&seen] {
                seen.started = true;
                seen.whileRunning = support::joinedApartment();
                seen.workerDecoded = decodesOnAWorker();
                ::PostQuitMessage(0);
            };
            seen.exitCode = host.Run(::GetModuleHandleW(nullptr), SW_HIDE);
        }
        seen.afterRun = support::joinedApartment();
    });
    ui.join();
    return seen;
}

// A UI thread already in the multithreaded apartment cannot have the
// single-threaded one: the service starts all the same and does not leave
// an apartment it did not join.
TEST(AppHostApartmentTest, TheUiThreadIsSingleThreadedAndWorkersStillDecode) {
    struct Case {
        bool joinMultithreadedFirst;
        bool singleThreadedWhileRunning;
        std::optional<APTTYPE> afterRun;
    };
    for (const Case& c : {Case{false, true, std::nullopt}, Case{true, false, APTTYPE_MTA}}) {
        SCOPED_TRACE(c.joinMultithreadedFirst);
        const Seen seen = runHost(c.joinMultithreadedFirst);
        ASSERT_TRUE(seen.started);
        EXPECT_EQ(seen.exitCode, 0);
        if (c.singleThreadedWhileRunning) {
            EXPECT_TRUE(singleThreaded(seen.whileRunning)) << (seen.whileRunning ? int{*seen.whileRunning} : -1);
        } else {
            EXPECT_EQ(seen.whileRunning, APTTYPE_MTA);
        }
        EXPECT_TRUE(seen.workerDecoded);
        EXPECT_EQ(seen.afterRun, c.afterRun);
    }
}

}  // namespace
}  // namespace ks::app
