#include "jobs/job_preparation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/job_manifest.h"
#include "platform/sha256.h"

namespace ks::jobs {
namespace {

constexpr char kPrinterId[] = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
constexpr char kCapabilityHash[] = "55c83fc8b715e86dec70732f97dc5683867250be57e5c174216656696d88c64e";

platform::PrinterCapabilities currentPrinter() {
    platform::PrinterCapabilities printer;
    printer.printerId = kPrinterId;
    printer.dpiX = 203;
    printer.dpiY = 300;
    printer.capabilityHash = kCapabilityHash;
    return printer;
}

class FakeCapabilitySource final : public printing::ICapabilitySource {
public:
    Result<platform::PrinterCapabilities> capabilities(std::string_view printerId) override {
        asked.emplace_back(printerId);
        return answer;
    }

    std::vector<std::string> asked;
    Result<platform::PrinterCapabilities> answer = currentPrinter();
};

// Blob i holds the single byte i, so a page tells which blob it came from.
protocol::Blobs blobs(std::size_t count) {
    protocol::Blobs result;
    for (std::size_t i = 0; i < count; ++i) result.push_back(protocol::ByteBuffer::copyOf({{std::uint8_t(i)}}));
    return result;
}

protocol::PageReference page(std::uint32_t blobIndex, std::uint32_t width = 400, std::uint32_t height = 240) {
    return {width, height, "png", blobIndex};
}

protocol::PrintJobRequest request(std::vector<protocol::PageReference> pages) {
    return {"job-7", "labels", kPrinterId, 3, 50, 30, 203, 300, kCapabilityHash, std::move(pages), true};
}

class JobPreparationTest : public testing::Test {
protected:
    // Records the blob each call got; fails at call failAt_.
    Result<raster::RasterPage> decode(std::shared_ptr<const protocol::ByteBuffer> png, std::uint32_t width,
                                      std::uint32_t height) {
        decodedBlobs_.push_back(png->span()[0]);
        if (decodedBlobs_.size() == failAt_ + 1) return decodeError_;
        raster::RasterPage decoded{width, height, nullptr, nullptr, platform::sha256Hex(png->span())};
        decoded.png = std::move(png);
        return decoded;
    }

    FakeCapabilitySource printers_;
    std::vector<std::uint8_t> decodedBlobs_;
    std::size_t failAt_ = SIZE_MAX;
    const Error decodeError_{"KSR-3004", L"PNG 像素尺寸与打印请求不一致"};
    JobPreparation preparation_{printers_, [this](auto png, auto width, auto height) {
                                    return decode(std::move(png), width, height);
                                }};
};

TEST_F(JobPreparationTest, PreparedJobHoldsTheBlobsThemselvesAndDigestsItsManifest) {
    auto frameBlobs = blobs(2);
    const std::uint8_t* const firstBlob = frameBlobs[0].data();
    const std::uint8_t* const secondBlob = frameBlobs[1].data();
    const auto prepared = preparation_.prepareJob(request({page(1, 812, 1218), page(0)}), std::move(frameBlobs));
    ASSERT_TRUE(prepared);
    const PreparedJob& job = prepared.value();
    EXPECT_EQ(printers_.asked, std::vector<std::string>{kPrinterId});
    ASSERT_EQ(job.pages->size(), 2u);
    EXPECT_EQ((*job.pages)[0].png->data(), secondBlob);
    EXPECT_EQ((*job.pages)[1].png->data(), firstBlob);
    EXPECT_EQ((*job.pages)[0].width, 812u);
    EXPECT_EQ((*job.pages)[0].height, 1218u);
    EXPECT_EQ(job.clientJobId, "job-7");
    EXPECT_EQ(job.name, "labels");
    EXPECT_TRUE(job.allowPrinterReselect);
    const auto& ticket = job.ticket;
    EXPECT_EQ(ticket.printerId, kPrinterId);
    EXPECT_EQ(ticket.capabilityHash, kCapabilityHash);
    EXPECT_EQ((std::vector<double>{ticket.paperWidthMm, ticket.paperHeightMm, double(ticket.dpiX), double(ticket.dpiY),
                                   double(ticket.copies), double(ticket.offsetX), double(ticket.offsetY)}),
              (std::vector<double>{50, 30, 203, 300, 3, 0, 0}));
    EXPECT_EQ(job.manifest, jobManifest(job));
    EXPECT_NE(job.manifest.find("page=0,width=812,height=1218,sha256=64:" + platform::sha256Hex({{std::uint8_t{1}}})),
              std::string::npos);
    EXPECT_EQ(job.contentHash, platform::sha256HexOfText(job.manifest));
}

// Each refusal comes from its own step, in order: the budget before the
// printer is asked, a changed printer before the pages are matched with the
// blobs, and nothing is decoded before all of them passed.
TEST_F(JobPreparationTest, RefusalsComeInOrderAndBeforeAnyDecode) {
    const Error budget("KSR-3003", L"页面解压总内存超过 256 MiB，请减少页数或尺寸");
    const Error notFound("KSR-2001", L"找不到指定打印机");
    const Error changed("KSR-2007", L"打印机能力或纸张已变化，请重新生成页面");
    const Error mismatch("KSR-3002", L"页面与二进制数据不匹配");
    using Change = std::function<void(platform::PrinterCapabilities&)>;
    const Change same = [](auto&) {};
    auto upperCase = page(0);
    upperCase.format = "PNG";
    struct Case {
        const char* label;
        std::vector<protocol::PageReference> pages;
        std::size_t blobCount;
        Change printer;
        const Error& error;
        std::size_t printerQueries;
    };
    const std::vector<Case> cases{
        {"ThirdPageOverBudget", {page(0, 8192, 4096), page(1, 8192, 4096), page(2, 1, 1)}, 3, same, budget, 0},
        {"ZeroWidth", {page(0, 0, 100)}, 1, same, budget, 0},
        {"HostileSize", {page(0, 0xFFFF'FFFF, 0xFFFF'FFFF)}, 1, same, budget, 0},
        {"OtherPrinterId", {page(0)}, 1, [](auto& p) { p.printerId[0] = '0'; }, changed, 1},
        {"OtherDpiX", {page(0)}, 1, [](auto& p) { p.dpiX = 300; }, changed, 1},
        {"OtherDpiY", {page(0)}, 1, [](auto& p) { p.dpiY = 203; }, changed, 1},
        {"OtherCapabilities", {page(0)}, 1, [](auto& p) { p.capabilityHash.back() = '0'; }, changed, 1},
        {"ChangedAndMismatched", {page(0)}, 3, [](auto& p) { p.dpiX = 300; }, changed, 1},
        {"FewerBlobs", {page(0), page(1)}, 1, same, mismatch, 1},
        {"MoreBlobs", {page(0)}, 2, same, mismatch, 1},
        {"NoPages", {}, 0, same, mismatch, 1},
        {"FormatNotPng", {upperCase}, 1, same, mismatch, 1},
        {"IndexPastTheBlobs", {page(0), page(2)}, 2, same, mismatch, 1},
        {"TwoPagesOneBlob", {page(1), page(1)}, 2, same, mismatch, 1},
    };
    for (const auto& [label, pages, blobCount, changePrinter, error, printerQueries] : cases) {
        SCOPED_TRACE(label);
        auto printer = currentPrinter();
        changePrinter(printer);
        printers_.answer = printer;
        printers_.asked.clear();
        const auto prepared = preparation_.prepareJob(request(pages), blobs(blobCount));
        ASSERT_FALSE(prepared);
        EXPECT_EQ(prepared.error(), error);
        EXPECT_EQ(printers_.asked.size(), printerQueries);
    }
    printers_.answer = notFound;
    const auto prepared = preparation_.prepareJob(request({page(0)}), blobs(2));
    ASSERT_FALSE(prepared);
    EXPECT_EQ(prepared.error(), notFound) << "passed on unchanged, before the blobs are matched";
    EXPECT_TRUE(decodedBlobs_.empty());
}

TEST_F(JobPreparationTest, FirstDecodeErrorOrLackOfMemoryEndsThePreparation) {
    failAt_ = 1;
    const auto prepared = preparation_.prepareJob(request({page(2), page(0), page(1)}), blobs(3));
    ASSERT_FALSE(prepared);
    EXPECT_EQ(prepared.error(), decodeError_);
    EXPECT_EQ(decodedBlobs_, (std::vector<std::uint8_t>{2, 0})) << "in page order, none after the failure";

    JobPreparation starved(printers_, [](auto, auto, auto) -> Result<raster::RasterPage> { throw std::bad_alloc(); });
    const auto starvedJob = starved.prepareJob(request({page(0)}), blobs(1));
    ASSERT_FALSE(starvedJob);
    EXPECT_EQ(starvedJob.error(), Error("KSR-3003", L"页面处理内存不足，请减少页数或尺寸后重试"));
}

}  // namespace
}  // namespace ks::jobs
