// The host's UI thread and COM: it runs the shell's dialogs, so it must be a
// single-threaded apartment, while the threads that decode PNGs join the
// multithreaded one themselves.

#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "app/app_host.h"
#include "platform/win32/com_apartment.h"
#include "raster/win32/png_decoder.h"
#include "support/win32/png_encoder.h"

namespace ks::app {
namespace {

// The calling thread's apartment as COM reports it; none when it is in none.
std::optional<APTTYPE> apartmentType() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    if (FAILED(::CoGetApartmentType(&type, &qualifier))) return std::nullopt;
    // A thread that joined nothing but lives beside a multithreaded
    // apartment is counted in it; it has not joined one.
    if (qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA) return std::nullopt;
    return type;
}

bool singleThreaded(const std::optional<APTTYPE>& type) {
    return type == APTTYPE_STA || type == APTTYPE_MAINSTA;
}

// A small page decoded on a thread of its own, as the pipe thread decodes.
bool decodesOnAWorker() {
    bool decoded = false;
    std::thread worker([&decoded] {
        testing::Grey grey{8, 4, std::vector<std::uint8_t>(32, 0)};
        const std::string png = testing::encodeAsTransparentPng(grey);
        const auto bytes = std::make_shared<const protocol::ByteBuffer>(protocol::ByteBuffer::copyOf(
            std::span(reinterpret_cast<const std::uint8_t*>(png.data()), png.size())));
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
                seen.whileRunning = apartmentType();
                seen.workerDecoded = decodesOnAWorker();
                ::PostQuitMessage(0);
            };
            seen.exitCode = host.Run(::GetModuleHandleW(nullptr), SW_HIDE);
        }
        seen.afterRun = apartmentType();
    });
    ui.join();
    return seen;
}

TEST(AppHostApartmentTest, TheUiThreadIsSingleThreadedAndWorkersStillDecode) {
    const Seen seen = runHost(false);
    ASSERT_TRUE(seen.started);
    EXPECT_EQ(seen.exitCode, 0);
    EXPECT_TRUE(singleThreaded(seen.whileRunning)) << (seen.whileRunning ? int(*seen.whileRunning) : -1);
    EXPECT_TRUE(seen.workerDecoded);
    EXPECT_EQ(seen.afterRun, std::nullopt) << "left when the host ended";
}

// The apartment it cannot have does not stop the service, and one it did
// not make is not left.
TEST(AppHostApartmentTest, AUiThreadAlreadyMultithreadedStartsAllTheSameAndStaysSo) {
    const Seen seen = runHost(true);
    ASSERT_TRUE(seen.started);
    EXPECT_EQ(seen.exitCode, 0);
    EXPECT_EQ(seen.whileRunning, APTTYPE_MTA);
    EXPECT_TRUE(seen.workerDecoded);
    EXPECT_EQ(seen.afterRun, APTTYPE_MTA);
}

}  // namespace
}  // namespace ks::app
