#include "jobs/job_preparation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/job_manifest.h"
#include "platform/sha256.h"
#include "protocol/error_catalog.h"

namespace ks::jobs {
namespace {

constexpr char kPrinterId[] = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
constexpr char kCapabilityHash[] = "55c83fc8b715e86dec70732f97dc5683867250be57e5c174216656696d88c64e";

const Error kBudgetExceeded("KSR-3003", L"页面解压总内存超过 256 MiB，请减少页数或尺寸");
const Error kPrinterChanged("KSR-2007", L"打印机能力或纸张已变化，请重新生成页面");
const Error kMismatch("KSR-3002", L"页面与二进制数据不匹配");

class FakeCapabilitySource final : public printing::ICapabilitySource {
public:
    Result<platform::PrinterCapabilities> capabilities(std::string_view printerId) override {
        asked.emplace_back(printerId);
        return answer;
    }

    std::vector<std::string> asked;
    Result<platform::PrinterCapabilities> answer = current();

    static platform::PrinterCapabilities current() {
        platform::PrinterCapabilities printer;
        printer.printerId = kPrinterId;
        printer.dpiX = 203;
        printer.dpiY = 300;
        printer.capabilityHash = kCapabilityHash;
        return printer;
    }
};

struct DecodeCall {
    std::uint8_t blob;  // the index the blob holds
    std::uint32_t width;
    std::uint32_t height;
};

class JobPreparationTest : public testing::Test {
protected:
    // Each blob holds its own index as its only byte, so a page tells which
    // blob it was decoded from.
    static protocol::Blobs blobs(std::size_t count) {
        protocol::Blobs result;
        for (std::size_t i = 0; i < count; ++i) result.push_back(protocol::ByteBuffer::copyOf({{std::uint8_t(i)}}));
        return result;
    }

    static protocol::PrintJobRequest request(std::vector<protocol::PageReference> pages) {
        protocol::PrintJobRequest job;
        job.clientJobId = "job-7";
        job.name = "labels";
        job.printerId = kPrinterId;
        job.copies = 3;
        job.widthMm = 50;
        job.heightMm = 30;
        job.dpiX = 203;
        job.dpiY = 300;
        job.capabilityHash = kCapabilityHash;
        job.pages = std::move(pages);
        job.allowPrinterReselect = true;
        return job;
    }

    static protocol::PageReference page(std::uint32_t blobIndex, std::uint32_t width = 400,
                                        std::uint32_t height = 240) {
        return {width, height, "png", blobIndex};
    }

    Result<PreparedJob> prepare(const protocol::PrintJobRequest& job, protocol::Blobs frameBlobs) {
        return preparation_.prepareJob(job, std::move(frameBlobs));
    }

    // Decodes successfully unless failAt names the call that fails.
    Result<raster::RasterPage> decode(std::shared_ptr<const protocol::ByteBuffer> png, std::uint32_t width,
                                      std::uint32_t height) {
        decoded_.push_back({png->span()[0], width, height});
        if (failAt_ && *failAt_ == decoded_.size() - 1) return failure_;
        raster::RasterPage page;
        page.width = width;
        page.height = height;
        page.sha256 = platform::sha256Hex(png->span());
        page.png = std::move(png);
        return page;
    }

    FakeCapabilitySource printers_;
    std::vector<DecodeCall> decoded_;
    std::optional<std::size_t> failAt_;
    Error failure_{"KSR-3004", L"PNG 像素尺寸与打印请求不一致"};
    JobPreparation preparation_{printers_, [this](auto png, auto width, auto height) {
                                    return decode(std::move(png), width, height);
                                }};
};

TEST_F(JobPreparationTest, PreparedJobSharesTheBlobsAndDigestsItsManifest) {
    auto frameBlobs = blobs(2);
    const std::uint8_t* const firstBlob = frameBlobs[0].data();
    const std::uint8_t* const secondBlob = frameBlobs[1].data();
    const auto prepared = prepare(request({page(1, 812, 1218), page(0, 406, 609)}), std::move(frameBlobs));
    ASSERT_TRUE(prepared);
    const PreparedJob& job = prepared.value();

    EXPECT_EQ(printers_.asked, std::vector<std::string>{kPrinterId});
    ASSERT_EQ(job.pages->size(), 2u);
    // In page order, each page holding its own blob's bytes, not a copy.
    EXPECT_EQ((*job.pages)[0].png->data(), secondBlob);
    EXPECT_EQ((*job.pages)[1].png->data(), firstBlob);
    EXPECT_EQ((*job.pages)[0].width, 812u);
    EXPECT_EQ((*job.pages)[1].height, 609u);

    EXPECT_EQ(job.clientJobId, "job-7");
    EXPECT_EQ(job.name, "labels");
    EXPECT_TRUE(job.allowPrinterReselect);
    EXPECT_EQ(job.ticket.printerId, kPrinterId);
    EXPECT_EQ(job.ticket.paperWidthMm, 50);
    EXPECT_EQ(job.ticket.paperHeightMm, 30);
    EXPECT_EQ(job.ticket.dpiX, 203u);
    EXPECT_EQ(job.ticket.dpiY, 300u);
    EXPECT_EQ(job.ticket.capabilityHash, kCapabilityHash);
    EXPECT_EQ(job.ticket.copies, 3u);
    EXPECT_EQ(job.ticket.offsetX, 0);
    EXPECT_EQ(job.ticket.offsetY, 0);

    EXPECT_EQ(job.manifest, jobManifest(job));
    EXPECT_NE(job.manifest.find("page=0,width=812,height=1218,sha256=64:" + platform::sha256Hex({{std::uint8_t{1}}})),
              std::string::npos);
    EXPECT_EQ(job.contentHash, platform::sha256HexOfText(job.manifest));
}

TEST_F(JobPreparationTest, BudgetIsCheckedBeforeThePrinterIsAsked) {
    const std::vector<std::vector<protocol::PageReference>> refused{
        {page(0, 8192, 4096), page(1, 8192, 4096), page(2, 1, 1)},
        {page(0, 0, 100)},
        {page(0, 0xFFFF'FFFF, 0xFFFF'FFFF)},
    };
    for (const auto& pages : refused) {
        const auto prepared = prepare(request(pages), blobs(pages.size()));
        ASSERT_FALSE(prepared);
        EXPECT_EQ(prepared.error(), kBudgetExceeded);
    }
    EXPECT_TRUE(printers_.asked.empty());
    EXPECT_TRUE(decoded_.empty());
}

TEST_F(JobPreparationTest, PrinterErrorIsReturnedUnchanged) {
    const Error notFound("KSR-2001", L"找不到指定打印机");
    printers_.answer = notFound;
    const auto prepared = prepare(request({page(0)}), blobs(1));
    ASSERT_FALSE(prepared);
    EXPECT_EQ(prepared.error(), notFound);
    EXPECT_TRUE(decoded_.empty());
}

// A changed printer is reported before the pages are looked at, even when
// they would not match the blobs either.
TEST_F(JobPreparationTest, ChangedPrinterIsRefusedBeforeAnyDecode) {
    const std::vector<std::function<void(platform::PrinterCapabilities&)>> changes{
        [](auto& printer) { printer.printerId[0] = '0'; },
        [](auto& printer) { printer.dpiX = 300; },
        [](auto& printer) { printer.dpiY = 203; },
        [](auto& printer) { printer.capabilityHash = std::string(kCapabilityHash).substr(1) + "f"; },
    };
    for (const auto& change : changes) {
        auto printer = FakeCapabilitySource::current();
        change(printer);
        printers_.answer = printer;
        for (const std::size_t blobCount : {1, 3}) {
            const auto prepared = prepare(request({page(0)}), blobs(blobCount));
            ASSERT_FALSE(prepared);
            EXPECT_EQ(prepared.error(), kPrinterChanged);
        }
    }
    EXPECT_TRUE(decoded_.empty());
}

TEST_F(JobPreparationTest, PagesMustPairWithBlobsOneToOne) {
    auto upperCase = page(0);
    upperCase.format = "PNG";
    struct Case {
        const char* label;
        std::vector<protocol::PageReference> pages;
        std::size_t blobCount;
    };
    const std::vector<Case> cases{
        {"FewerBlobs", {page(0), page(1)}, 1},
        {"MoreBlobs", {page(0)}, 2},
        {"NoPagesNoBlobs", {}, 0},
        {"FormatNotPng", {upperCase}, 1},
        {"IndexPastTheBlobs", {page(0), page(2)}, 2},
        {"TwoPagesOneBlob", {page(1), page(1)}, 2},
    };
    for (const auto& [label, pages, blobCount] : cases) {
        SCOPED_TRACE(label);
        const auto prepared = prepare(request(pages), blobs(blobCount));
        ASSERT_FALSE(prepared);
        EXPECT_EQ(prepared.error(), kMismatch);
    }
    EXPECT_TRUE(decoded_.empty());
}

TEST_F(JobPreparationTest, FirstDecodeErrorEndsThePreparation) {
    failAt_ = 1;
    const auto prepared = prepare(request({page(0, 10, 20), page(1, 30, 40), page(2)}), blobs(3));
    ASSERT_FALSE(prepared);
    EXPECT_EQ(prepared.error(), failure_);
    ASSERT_EQ(decoded_.size(), 2u) << "no page is decoded after a failure";
    EXPECT_EQ(decoded_[1].width, 30u);
    EXPECT_EQ(decoded_[1].height, 40u);
    EXPECT_EQ(decoded_[1].blob, 1);
}

TEST_F(JobPreparationTest, RunningOutOfMemoryIsAnError) {
    JobPreparation starved(printers_, [](auto, auto, auto) -> Result<raster::RasterPage> { throw std::bad_alloc(); });
    const auto prepared = starved.prepareJob(request({page(0)}), blobs(1));
    ASSERT_FALSE(prepared);
    EXPECT_EQ(prepared.error(), Error("KSR-3003", L"页面处理内存不足，请减少页数或尺寸后重试"));
}

}  // namespace
}  // namespace ks::jobs
