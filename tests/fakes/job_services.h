#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jobs/job_manager.h"
#include "jobs/job_preparation.h"
#include "platform/sha256.h"
#include "printing/print_executor.h"

namespace ks::fakes {

// Prints nothing and hands out spooler job ids 1, 2, 3 …; counts the
// documents and their pages.
class CountingExecutor final : public printing::IPrintExecutor {
public:
    Result<std::uint32_t> print(const printing::PrintTicket&, const raster::RasterPageList& pages) override {
        pagesPrinted += pages ? pages->size() : 0;
        return ++documents;
    }
    std::optional<std::wstring> takeLastWarning() override { return std::nullopt; }

    std::uint32_t documents = 0;
    std::size_t pagesPrinted = 0;
};

// Accepts every cancel and counts them.
class AcceptingSpoolerControl final : public jobs::ISpoolerControl {
public:
    Result<bool> cancel(std::string_view, std::uint32_t) override {
        ++cancels;
        return true;
    }
    int cancels = 0;
};

// A page of the size asked for, whatever the PNG bytes hold: decoding itself
// is tested with the real decoder.
inline Result<raster::RasterPage> fakeDecode(std::shared_ptr<const protocol::ByteBuffer> png, std::uint32_t width,
                                             std::uint32_t height) {
    raster::RasterPage page;
    page.width = width;
    page.height = height;
    page.sha256 = platform::sha256Hex(png->span());
    page.png = std::move(png);
    page.pixels = std::make_shared<const protocol::ByteBuffer>(std::size_t{width} * height * 4);
    return page;
}

// Job preparation and a job manager as the dispatcher needs them, over a
// printer catalogue the test provides.
class FakeJobServices {
public:
    explicit FakeJobServices(printing::ICapabilitySource& capabilities) : preparation(capabilities, fakeDecode) {}
    FakeJobServices(const FakeJobServices&) = delete;
    FakeJobServices& operator=(const FakeJobServices&) = delete;

    CountingExecutor executor;
    AcceptingSpoolerControl spooler;
    jobs::JobManager manager{executor, spooler, [](std::string_view) { return std::nullopt; }};
    jobs::JobPreparation preparation;
};

}  // namespace ks::fakes
